"""The corpus runner's files: inputs, output names, whole-or-nothing writes, records."""

from __future__ import annotations

import glob
import json
import os
import re
import uuid
from dataclasses import dataclass, field
from pathlib import Path
from typing import Any, Iterable, Optional

# Sound files a folder search picks up; the reader decides what it accepts.
SOUND_EXTENSIONS = frozenset(
    ".wav .wave .flac .ogg .oga .opus .aif .aiff .aifc .au .snd .caf .w64 .rf64 .mp3".split()
)
# A list file names one input per line.
LIST_EXTENSIONS = frozenset((".txt", ".lst", ".list"))
RECORD_FOLDER = ".tonalyx-corpus"
SUMMARY_NAME = "summary.csv"
# Temporary files of an interrupted run: ours, and those of the command line
# (".tonalyx-PID-N.tmp", and ".NAME.PID.N.tmp" from its earlier versions).
_PART = re.compile(
    r"^\.(tonalyx-[0-9]+-[0-9]+\.tmp|.+\.([0-9a-f]{32}\.part(\.[A-Za-z0-9]+)?|[0-9]+\.[0-9]+\.tmp))$"
)


class InputError(Exception):
    """An input that names nothing to analyse."""


@dataclass(frozen=True)
class InputFile:
    path: str  # as the user's input named it
    relative: str  # where its results go under the output folder


@dataclass
class Job:
    """One file's work, as a Dask task receives it."""

    path: str
    relative: str
    out: str
    kinds: list[str]
    pitch: bool
    step: Optional[float]
    settings: list[str]
    view: list[str]
    image_format: str
    fingerprint: dict[str, Any] = field(default_factory=dict)

    def pitch_output(self) -> str:
        return os.path.join(self.out, self.relative + ".pitch.csv")

    def level_output(self, kind: str) -> str:
        return os.path.join(self.out, f"{self.relative}.{kind}.{self.image_format}")

    def outputs(self) -> list[str]:
        names = [self.level_output(kind) for kind in self.kinds]
        return names + ([self.pitch_output()] if self.pitch else [])

    def record_path(self) -> str:
        return os.path.join(self.out, RECORD_FOLDER, self.relative + ".json")


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


def temporary_name(final: str) -> str:
    """A name in the final file's folder that no other writer uses, with its extension (the
    command line picks the image type by it)."""
    folder, name = os.path.split(final)
    suffix = os.path.splitext(name)[1]
    return os.path.join(folder, f".{name}.{uuid.uuid4().hex}.part{suffix}")


def write_whole(final: str, data: bytes) -> None:
    """Writes the bytes to a temporary name, flushed to disk, then renames it: the final file
    is either whole or absent."""
    os.makedirs(os.path.dirname(final) or ".", exist_ok=True)
    temporary = temporary_name(final)
    try:
        with open(temporary, "wb") as out:
            out.write(data)
            out.flush()
            os.fsync(out.fileno())
        os.replace(temporary, final)
    except BaseException:
        if os.path.exists(temporary):
            os.remove(temporary)
        raise


def remove_partial_files(out: str) -> int:
    """Removes temporary files that an interrupted run left behind; returns how many."""
    removed = 0
    for root, _, names in os.walk(out):
        for name in names:
            if _PART.match(name):
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


def is_complete(job: Job, record: Optional[dict[str, Any]]) -> bool:
    """True when an earlier run finished this file with the same options on the same input:
    done with every output in place, or refused by the reader."""
    if record is None or record.get("fingerprint") != job.fingerprint:
        return False
    if record.get("status") == "refused":
        return True
    return record.get("status") == "done" and all(os.path.isfile(o) for o in job.outputs())


def input_fingerprint(path: str, options: dict[str, Any]) -> dict[str, Any]:
    """What decides a file's results: its size and change time, and the run's options."""
    try:
        info = os.stat(path)
        state: dict[str, Any] = {"size": info.st_size, "mtime_ns": info.st_mtime_ns}
    except OSError as error:
        state = {"missing": error.strerror}
    return {"input": state, "options": options}


def summary_path(out: str) -> str:
    return str(Path(out) / SUMMARY_NAME)
