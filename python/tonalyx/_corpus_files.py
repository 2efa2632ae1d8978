"""The corpus runner's files: inputs, output names, whole-or-nothing writes, records."""

from __future__ import annotations

import functools
import glob
import json
import os
import re
import stat
from dataclasses import asdict, dataclass, field
from pathlib import Path
from typing import Any, Iterable, Optional

from . import _tonalyx

# Sound files a folder search picks up; the reader decides what it accepts.
SOUND_EXTENSIONS = frozenset(
    ".wav .wave .flac .ogg .oga .opus .aif .aiff .aifc .au .snd .caf .w64 .rf64 .mp3".split()
)
# A list file names one input per line.
LIST_EXTENSIONS = frozenset((".txt", ".lst", ".list"))
RECORD_FOLDER = ".tonalyx-corpus"
# The records of the files the runner's own workers finished, a JSON line each.
JOURNAL_NAME = "records.jsonl"
SUMMARY_NAME = "summary.csv"
SETTINGS_NAME = "summary-settings.txt"
# Temporary files of the runner's and the command line's earlier versions (".NAME.UUID.part"
# and ".NAME.PID.N.tmp"); today's are the request library's ".tonalyx-PID-N.tmp".
_OLD_PART = re.compile(r"^\..+\.([0-9a-f]{32}\.part(\.[A-Za-z0-9]+)?|[0-9]+\.[0-9]+\.tmp)$")


class InputError(Exception):
    """An input that names nothing to analyse."""


@dataclass(frozen=True)
class InputFile:
    path: str  # as the user's input named it
    relative: str  # where its results go under the output folder


@dataclass(frozen=True)
class RunOptions:
    """What a run computes for every file; part of each file's fingerprint."""

    kinds: tuple[str, ...] = ()
    pitch: bool = True
    formants: bool = False
    intensity: bool = False
    step: Optional[float] = None
    settings: tuple[str, ...] = ()
    columns: int = 1024
    fit: bool = False
    image_format: str = "png"
    max_seconds: Optional[float] = None
    whole: bool = False
    # Measurements per interval of each sound's TextGrid (NAME.TextGrid beside it).
    textgrid: bool = False
    tier: Optional[str] = None
    labels: Optional[str] = None
    points: tuple[float, ...] = (0.5,)

    def pitch_only(self) -> bool:
        """Whether the pitch table is the run's only output (the summary aside)."""
        return self.pitch and not (self.kinds or self.formants or self.intensity
                                   or self.textgrid)


@dataclass
class Job:
    """One file's work, as a Dask task receives it. `path` and `out` are absolute, so that
    workers started in any folder open the same file and write under the same results."""

    path: str  # absolute: what the workers open
    name: str  # as the user's input named it: the tables' and the summary's file column
    relative: str  # where its results go under the output folder
    out: str  # absolute
    options: RunOptions
    fingerprint: dict[str, Any] = field(default_factory=dict)
    run: str = ""  # the run that made the job: its records say which run wrote them

    def pitch_output(self) -> str:
        return os.path.join(self.out, self.relative + ".pitch.csv")

    def formants_output(self) -> str:
        return os.path.join(self.out, self.relative + ".formants.csv")

    def intensity_output(self) -> str:
        return os.path.join(self.out, self.relative + ".intensity.csv")

    def level_output(self, kind: str) -> str:
        return os.path.join(self.out, f"{self.relative}.{kind}.{self.options.image_format}")

    def outputs(self) -> list[str]:
        options = self.options
        names = [self.level_output(kind) for kind in options.kinds]
        names += [self.pitch_output()] if options.pitch else []
        names += [self.formants_output()] if options.formants else []
        return names + ([self.intensity_output()] if options.intensity else [])

    def textgrid_path(self) -> str:
        """The sound's TextGrid: its path with the extension .TextGrid."""
        return os.path.splitext(self.path)[0] + ".TextGrid"

    def record_path(self) -> str:
        return os.path.join(self.out, RECORD_FOLDER, self.relative + ".json")


def make_job(entry: "InputFile", out: str, options: RunOptions, run: str = "") -> Job:
    """The job of one input in the run named run, with absolute paths and the input's
    fingerprint."""
    path = os.path.abspath(entry.path)
    textgrid = os.path.splitext(path)[0] + ".TextGrid" if options.textgrid else None
    return Job(path, entry.path, entry.relative, os.path.abspath(out), options,
               input_fingerprint(path, options, textgrid), run)


def _is_glob(text: str) -> bool:
    return any(c in text for c in "*?[")


def _relative_to_cwd(path: str) -> str:
    absolute = os.path.abspath(path)
    relative = os.path.relpath(absolute)
    if relative == os.pardir or relative.startswith(os.pardir + os.sep):
        return absolute.lstrip(os.sep)
    return relative


def _folder_files(folder: str) -> list[InputFile]:
    found = []
    for root, folders, names in os.walk(folder):
        folders.sort()
        for name in sorted(names):
            if os.path.splitext(name)[1].lower() in SOUND_EXTENSIONS:
                path = os.path.join(root, name)
                found.append(InputFile(path, os.path.relpath(path, folder)))
    return found


def _list_files(list_path: str) -> list[InputFile]:
    base = os.path.dirname(list_path)
    found = []
    with open(list_path, encoding="utf-8") as lines:
        for line in lines:
            entry = line.strip()
            if entry and not entry.startswith("#"):
                path = entry if os.path.isabs(entry) else os.path.join(base, entry)
                found.append(InputFile(path, _relative_to_cwd(path)))
    return found


def collect_inputs(inputs: Iterable[str]) -> list[InputFile]:
    """Every file the inputs name, in order, each once: folders searched recursively for sound
    files (results under the folder's relative paths), list files (.txt, .lst, .list: one path
    per line, relative to the list), globs, and plain paths (a path that does not exist is
    kept, so that its failure is recorded)."""
    files: list[InputFile] = []
    for text in inputs:
        if os.path.isdir(text):
            files += _folder_files(text)
        elif os.path.isfile(text) and os.path.splitext(text)[1].lower() in LIST_EXTENSIONS:
            files += _list_files(text)
        elif not os.path.exists(text) and _is_glob(text):
            matches = sorted(glob.glob(text, recursive=True))
            if not matches:
                raise InputError(f"no file matches '{text}'")
            files += [InputFile(m, _relative_to_cwd(m)) for m in matches if os.path.isfile(m)]
        else:
            files.append(InputFile(text, _relative_to_cwd(text)))
    unique: dict[str, InputFile] = {}
    by_relative: dict[str, str] = {}
    for entry in files:
        real = os.path.realpath(entry.path)
        if real in unique:
            continue
        other = by_relative.get(entry.relative)
        if other is not None:
            raise InputError(
                f"'{other}' and '{entry.path}' would write their results to the same "
                f"place ({entry.relative}); give them from different folders"
            )
        unique[real] = entry
        by_relative[entry.relative] = entry.path
    return list(unique.values())


def write_whole(final: str, data: bytes) -> None:
    """Writes the bytes whole or not at all, as the command line writes its outputs: a
    temporary file beside the final one, flushed to the disk and renamed; missing folders are
    made. Raises `OutputError` (an OSError) naming the path and the system's reason."""
    folder = os.path.dirname(final)
    if folder:
        try:
            os.makedirs(folder, exist_ok=True)
        except OSError as error:
            raise _tonalyx.OutputError(f"cannot write '{final}': {error.strerror}") from None
    _tonalyx.write_file(final, data)


def remove_partial_files(out: str) -> int:
    """Removes the temporary files that killed runs and workers left under out: those of
    processes that no longer run, and the older names. Returns how many."""
    removed = 0
    for root, _, names in os.walk(out):
        removed += _tonalyx.remove_stale_temporaries(root)
        for name in names:
            if _OLD_PART.match(name):
                os.remove(os.path.join(root, name))
                removed += 1
    return removed


def read_record(job: Job) -> Optional[dict[str, Any]]:
    try:
        with open(job.record_path(), encoding="utf-8") as source:
            record = json.load(source)
    except (OSError, ValueError):
        return None
    return record if isinstance(record, dict) else None


def write_record(job: Job, record: dict[str, Any]) -> None:
    data = json.dumps(record, indent=1, sort_keys=True).encode("utf-8")
    write_whole(job.record_path(), data)


def journal_path(out: str) -> str:
    return os.path.join(out, RECORD_FOLDER, JOURNAL_NAME)


class RecordJournal:
    """The runner's journal of records: one line per finished file, {"relative": where its
    results go, "record": its record}, appended whole by one write as the records come. A line
    that a crash cut short is skipped when the journal is read, and the next run starts on a
    line of its own. The lines are not flushed to the disk one by one: a record lost with
    the machine only makes its file be analysed again, its results being on the disk first."""

    def __init__(self, out: str) -> None:
        path = journal_path(out)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        # Opened for reading too (for its last byte), which never waits on a FIFO put in its
        # place; anything but a regular file is refused.
        self._fd = os.open(path, os.O_RDWR | os.O_APPEND | os.O_CREAT | os.O_NOFOLLOW
                           | os.O_CLOEXEC, 0o644)
        try:
            info = os.fstat(self._fd)
            if not stat.S_ISREG(info.st_mode):
                raise OSError(f"'{path}' is not a regular file")
            self._cut = info.st_size > 0 and os.pread(self._fd, 1, info.st_size - 1) != b"\n"
        except BaseException:
            os.close(self._fd)
            raise

    def append(self, job: Job, record: dict[str, Any]) -> None:
        """Appends the record of job; raises OSError with the system's reason."""
        line = json.dumps({"relative": job.relative, "record": record}, sort_keys=True)
        data = (("\n" if self._cut else "") + line + "\n").encode("utf-8")
        while data:
            data = data[os.write(self._fd, data):]
        self._cut = False

    def close(self) -> None:
        os.close(self._fd)


def read_journal(out: str) -> dict[str, dict[str, Any]]:
    """The last record of each file in the journal, by where its results go; lines that are
    not whole records are skipped."""
    records: dict[str, dict[str, Any]] = {}
    try:
        fd = os.open(journal_path(out), os.O_RDONLY | os.O_NOFOLLOW | os.O_NONBLOCK | os.O_CLOEXEC)
    except OSError:
        return records
    with open(fd, "rb") as lines:
        if not stat.S_ISREG(os.fstat(fd).st_mode):
            return records
        for line in lines:
            try:
                entry = json.loads(line)
                relative, record = entry["relative"], entry["record"]
            except (ValueError, KeyError, TypeError):
                continue
            if isinstance(relative, str) and isinstance(record, dict):
                records[relative] = record
    return records


def is_complete(job: Job, record: Optional[dict[str, Any]]) -> bool:
    """True when an earlier run finished this file with the same options on the same input:
    done with every output in place, or refused by the reader."""
    if record is None or record.get("fingerprint") != job.fingerprint:
        return False
    if record.get("status") == "refused":
        return True
    return record.get("status") == "done" and all(os.path.isfile(o) for o in job.outputs())


def _file_state(path: str) -> dict[str, Any]:
    """A file's size, modification time and change time (ctime, which every write and every
    `touch` sets to the present, so that a file rewritten with its old size and modification
    time still differs)."""
    try:
        info = os.stat(path)
    except OSError as error:
        return {"missing": error.strerror}
    return {"size": info.st_size, "mtime_ns": info.st_mtime_ns, "ctime_ns": info.st_ctime_ns}


def input_fingerprint(path: str, options: RunOptions,
                      textgrid: Optional[str] = None) -> dict[str, Any]:
    """What decides a file's results: the state of the input (and of its TextGrid when the
    run measures intervals) and the run's options."""
    fingerprint: dict[str, Any] = {"input": _file_state(path),
                                   "options": _options_fingerprint(options)}
    if textgrid:
        fingerprint["textgrid"] = _file_state(textgrid)
    return fingerprint


@functools.lru_cache(maxsize=4)
def _options_fingerprint(options: RunOptions) -> dict[str, Any]:
    """The options as a record holds them after a JSON round trip (tuples come back as
    lists); made once for the files of a run, which share it."""
    return json.loads(json.dumps(asdict(options)))


def summary_path(out: str) -> str:
    return str(Path(out) / SUMMARY_NAME)
