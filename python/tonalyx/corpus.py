"""Analyses a corpus of sound files: on worker processes of this machine, or on Dask.

    python3 -m tonalyx.corpus INPUTS... --out DIR [--pitch] [--levels KIND ...] [--formants]
        [--intensity] [--textgrid --tier NAME [--labels REGEX] [--points P,...]]
        [--step S] [--set NAME=VALUE ...] [--max-seconds S | --whole]
        [--workers N] [--scheduler ADDRESS | --host ADDRESS]

Each file is read once; its pitch table, level images, formant and intensity tables are the
bytes tonalyx-cli writes, under DIR with the inputs' relative paths, and DIR/summary.csv has one
line per file (DIR/summary-settings.txt the options and settings it was made with); with
--textgrid, DIR/measurements.csv has a line per measured interval of every file. Every
result is written whole or not at all, and a file's record (DIR/.tonalyx-corpus/) last: a run
that was interrupted or killed resumes where it stopped and skips the finished files.
"""

from __future__ import annotations

import argparse
import contextlib
import csv
import importlib.util
import io
import os
import sys
import time
from typing import Any, Optional, Sequence, TextIO

from . import _tonalyx
from ._corpus_files import (
    RECORD_FOLDER,
    SETTINGS_NAME,
    InputError,
    Job,
    RecordJournal,
    RunOptions,
    collect_inputs,
    is_complete,
    make_job,
    read_journal,
    read_record,
    remove_partial_files,
    summary_path,
    write_whole,
)
from ._corpus_task import (
    FORMANT_COLUMNS,
    INTENSITY_COLUMNS,
    STATUS_COLUMNS,
    SUMMARY_COLUMNS,
    UsageError,
    analysis_modules,
)
from ._local_workers import run_on_local_workers
from ._settings import KINDS, setting_fields

EXIT_DONE, EXIT_FILES_FAILED, EXIT_USAGE, EXIT_INTERRUPTED = 0, 1, 2, 130
MEASUREMENTS_NAME = "measurements.csv"
MEASURE_COLUMNS = ("file", "tier", "interval", "label", "start_s", "end_s", "duration_s",
                   "f0_mean_hz", "f0_median_hz", "f0_min_hz", "f0_max_hz", "voiced_share",
                   "intensity_mean_db", "f1_hz_mean", "f2_hz_mean", "f3_hz_mean")

EPILOG = """\
outputs, under DIR at each input's relative path:
  NAME.pitch.csv      the pitch table (--pitch, the default): tonalyx-cli pitch [--step S]
  NAME.KIND.png       a level image per --levels KIND (or .pgm): tonalyx-cli levels --kind KIND
                      (fft, ac, cep, mem: levels in dB or percent; lif: the liftered log
                      spectrum in log10 units, about -130 on speech, mapped through the dB
                      thresholds as it is, so white unless minDb and maxDb are set near it;
                      pitch: the track alone)
  NAME.formants.csv   --formants: tonalyx-cli formants [--step S] (ceiling 5500 Hz, 5 formants)
  NAME.intensity.csv  --intensity: tonalyx-cli intensity [--step S] (minimum pitch 100 Hz)
  summary.csv         one line per file: file, format, rate, channels, channel (the one
                      analysed, from 0), file_seconds (the file's whole length), seconds (what
                      was read), voiced_seconds, voiced_share, f0_mean_hz, f0_sd_hz, f0_min_hz,
                      f0_max_hz, f0_range_st (max / min in semitones), f0_median_hz, f0_p5_hz,
                      f0_p95_hz (of the voiced values of the pitch track, at --step when
                      given), f1_median_hz .. f3_median_hz with --formants, intensity_mean_db
                      with --intensity (energy mean), status (done, refused, failed, not
                      done), error and notes (what the reading changed: a sound cut at its
                      limit, a missing channel, a file shorter than its header claims)
  summary-settings.txt  the options, step and settings the summary was made with
  measurements.csv    --textgrid: one line per interval of tier --tier (whose label matches
                      --labels, a regular expression; default every labelled interval) of each
                      sound's TextGrid (NAME.TextGrid beside NAME.wav), with the columns of
                      tonalyx-cli measure (file, tier, interval, label, start_s, end_s,
                      duration_s, F0, voiced share, intensity, mean F1-F3, F1-F3 at each of
                      --points); missing values are empty cells. A sound without its TextGrid,
                      a broken TextGrid or a tier it lacks fails that file only, with the reason.
                      The sound is read as for the other outputs: intervals past what was read
                      (--max-seconds, --whole) have missing values and a note

resuming: a file is finished when its record matches its fingerprint: the input's size,
modification time and change time (ctime, which any write or touch of the file renews), the
same of its TextGrid with --textgrid, and every option of the run. A file changed in any way,
or a run with other options, is redone;
a lost output is made again; the others are skipped.

reading: each file is read up to the maxSoundLength setting (120 s; --set maxSoundLength=300),
or up to --max-seconds S, or whole with --whole, as tonalyx-cli reads it. A run of the pitch
table alone streams each file a block at a time, as tonalyx-cli pitch does, so that --whole
takes the memory of minutes on hours; other outputs are computed on the file read whole.

workers: by default --workers processes of this machine (two per processor, so that a file
waiting for the disk leaves the processor to another) analyse one file at a time each; they
talk with the runner over pipes and listen on no network address: recordings are private.
A worker that dies fails its file alone. On Dask: --host ADDRESS starts a local Dask cluster
of --workers processes that listens on ADDRESS (127.0.0.1: this machine only), dashboard
included, to watch a run. To use many machines, start a Dask scheduler and workers yourself
(dask scheduler; dask worker ADDRESS) and give --scheduler ADDRESS: the workers must see the
inputs and DIR under the same absolute paths, which the runner sends.

exit status: 0 every file done, 1 a file or an output failed, 2 a usage error (nothing is
read or written), 130 interrupted (run again to finish).
"""


def _parser() -> argparse.ArgumentParser:
    parser = argparse.ArgumentParser(
        prog="python3 -m tonalyx.corpus",
        description="Runs tonalyx's analyses over many files at once, each file read once.",
        epilog=EPILOG,
        formatter_class=argparse.RawDescriptionHelpFormatter,
    )
    parser.add_argument(
        "inputs", nargs="+", metavar="INPUT",
        help="sound files, globs, folders (searched recursively) or list files (.txt, .lst)",
    )
    parser.add_argument("--out", required=True, metavar="DIR", help="the results' folder")
    parser.add_argument(
        "--levels", nargs="+", action="extend", default=[], choices=KINDS, metavar="KIND",
        help="level images of these kinds: " + ", ".join(KINDS),
    )
    parser.add_argument("--pitch", action="store_true", help="the pitch table (the default)")
    parser.add_argument("--formants", action="store_true", help="the formant table")
    parser.add_argument("--intensity", action="store_true", help="the intensity table")
    parser.add_argument(
        "--textgrid", action="store_true",
        help="measure the intervals of each sound's TextGrid into measurements.csv",
    )
    parser.add_argument("--tier", metavar="NAME", help="the interval tier measured (--textgrid)")
    parser.add_argument(
        "--labels", metavar="REGEX",
        help="measure the intervals whose whole label matches (default: every non-empty one)",
    )
    parser.add_argument(
        "--points", type=_points, default=(0.5,), metavar="P,...",
        help="F1-F3 at these fractions of each interval (default 0.5)",
    )
    parser.add_argument(
        "--step", type=float, metavar="S",
        help="pitch table rows, formant and intensity frames every S seconds",
    )
    parser.add_argument(
        "--set", action="append", default=[], dest="settings", metavar="NAME=VALUE",
        help="a settings record's field, as tonalyx-cli --set takes it (repeatable)",
    )
    parser.add_argument("--columns", type=int, default=1024, help="view columns (default 1024)")
    parser.add_argument("--fit", action="store_true", help="the whole sound over the columns")
    parser.add_argument(
        "--image-format", choices=("png", "pgm"), default="png", help="level images' format"
    )
    parser.add_argument(
        "--max-seconds", type=float, metavar="S", help="read up to S seconds of each file"
    )
    parser.add_argument("--whole", action="store_true", help="read all of each file")
    parser.add_argument("--scheduler", metavar="ADDRESS", help="an existing Dask scheduler")
    parser.add_argument(
        "--workers", type=int, default=2 * len(os.sched_getaffinity(0)), metavar="N",
        help="worker processes on this machine (default two per processor)",
    )
    parser.add_argument(
        "--host", metavar="ADDRESS",
        help="run on a local Dask cluster that listens on ADDRESS (127.0.0.1: this machine)",
    )
    return parser


def _points(text: str) -> tuple[float, ...]:
    try:
        return tuple(float(part) for part in text.split(","))
    except ValueError:
        raise argparse.ArgumentTypeError(f"not a list of fractions: '{text}'") from None


def _options(arguments: argparse.Namespace) -> RunOptions:
    return RunOptions(
        kinds=tuple(arguments.levels),
        pitch=arguments.pitch,
        formants=arguments.formants,
        intensity=arguments.intensity,
        step=arguments.step,
        settings=tuple(arguments.settings),
        columns=arguments.columns,
        fit=arguments.fit,
        image_format=arguments.image_format,
        max_seconds=arguments.max_seconds,
        whole=arguments.whole,
        textgrid=arguments.textgrid,
        tier=arguments.tier,
        labels=arguments.labels,
        points=tuple(arguments.points),
    )


def _dask_is_installed() -> bool:
    """Whether Dask distributed can be imported, asked without importing it (which takes
    a while and is done, when needed, beside the start of the cluster's fork server)."""
    try:
        return importlib.util.find_spec("distributed") is not None
    except (ImportError, ValueError):
        return False


def _check(arguments: argparse.Namespace) -> None:
    """Refuses, before any work, what every file would fail on: the request library's check
    of the options and settings (the command line's), and the runner's own options."""
    _tonalyx.check_request(
        arguments.settings, step=arguments.step, columns=arguments.columns, fit=arguments.fit,
        max_seconds=arguments.max_seconds, whole=arguments.whole,
        tier=(arguments.tier or "") if arguments.textgrid else None, labels=arguments.labels,
        points=list(arguments.points),
    )
    if not arguments.textgrid and (arguments.tier or arguments.labels):
        raise UsageError("--tier and --labels choose what --textgrid measures: add --textgrid")
    if arguments.scheduler and arguments.host:
        raise UsageError("--host starts a local cluster, --scheduler uses another: give one")
    if (arguments.scheduler or arguments.host) and not _dask_is_installed():
        raise UsageError("--host and --scheduler run on Dask distributed, which is not installed "
                         "(Debian: python3-distributed)")
    if arguments.workers < 1:
        raise UsageError(f"--workers takes a whole number from 1 up, not {arguments.workers}")


def _prepare_output(out: str) -> None:
    """Tries the results' folder before any work, as the command line tries its outputs'
    folders: the folders are made and a file is created and removed in each. Raises
    `OutputError` with the system's reason."""
    _tonalyx.check_output(summary_path(out))
    _tonalyx.check_output(os.path.join(out, RECORD_FOLDER, SETTINGS_NAME))


class Progress:
    """One line on stderr: a bar with the files done, failed and left; redrawn in place on a
    terminal, written every tenth of the work otherwise."""

    def __init__(self, total: int, stream: TextIO) -> None:
        self.total, self.done, self.failed, self.skipped = total, 0, 0, 0
        self.stream = stream
        self.terminal = stream.isatty()
        self.started = time.monotonic()
        self._last_tenth = -1

    def line(self) -> str:
        finished = self.done + self.failed
        width = 30
        filled = width * finished // self.total if self.total else width
        left = self.total - finished
        skipped = f" ({self.skipped} from before)" if self.skipped else ""
        return (
            f"[{'#' * filled}{'.' * (width - filled)}] {finished}/{self.total} files: "
            f"{self.done} done{skipped}, {self.failed} failed, {left} left, "
            f"{time.monotonic() - self.started:.0f} s"
        )

    def count(self, record: dict[str, Any], skipped: bool = False) -> None:
        if record.get("status") == "done":
            self.done += 1
        else:
            self.failed += 1
        self.skipped += skipped
        self.show()

    def show(self) -> None:
        if self.terminal:
            self.stream.write("\r" + self.line() + "\x1b[K")
        else:
            finished = self.done + self.failed
            tenth = 10 * finished // self.total if self.total else 10
            if tenth == self._last_tenth:
                return
            self._last_tenth = tenth
            self.stream.write(self.line() + "\n")
        self.stream.flush()

    def finish(self) -> None:
        if self.terminal:
            self.stream.write("\r" + self.line() + "\x1b[K\n")
            self.stream.flush()


def _number(value: Any, digits: int) -> str:
    return "" if value is None else f"{value:.{digits}g}"


def _columns(jobs: Sequence[Job]) -> tuple[str, ...]:
    options = jobs[0].options if jobs else RunOptions()
    return (SUMMARY_COLUMNS + (FORMANT_COLUMNS if options.formants else ())
            + (INTENSITY_COLUMNS if options.intensity else ()) + STATUS_COLUMNS)


def _cell(record: dict[str, Any], column: str) -> Any:
    value = record.get(column)
    if column in ("seconds", "file_seconds", "voiced_seconds"):
        return _number(value, 9)
    if isinstance(value, float):
        return _number(value, 6)
    return "" if value is None else value


def summary_text(jobs: Sequence[Job], records: dict[str, dict[str, Any]]) -> str:
    """The summary table, one line per input in input order; files without a result yet are
    listed as "not done". Notes say what the reading changed (a sound cut at its limit, a
    channel the file lacks) and a record that could not be written."""
    text = io.StringIO()
    table = csv.writer(text, lineterminator="\n")
    columns = _columns(jobs)
    table.writerow(columns)
    for job in jobs:
        record = dict(records.get(job.path, {}))
        record["file"] = job.name
        record.setdefault("status", "not done")
        notes = list(record.get("notes", []))
        if "record_error" in record:
            notes.append(f"its record was not written ({record['record_error']}): "
                         "the next run does it again")
        record["notes"] = "; ".join(notes)
        table.writerow([_cell(record, column) for column in columns])
    return text.getvalue()


def settings_text(options: RunOptions) -> str:
    """The options and settings a summary was made with: the run's options, then every
    settings field with the value used."""
    lines = [f"# tonalyx.corpus {_tonalyx.version}: the options and settings of summary.csv"]
    for name in ("pitch", "kinds", "formants", "intensity", "step", "columns", "fit",
                 "max_seconds", "whole", "textgrid", "tier", "labels", "points"):
        lines.append(f"{name}={getattr(options, name)}")
    given = dict(assignment.split("=", 1) for assignment in options.settings)
    for field in setting_fields():
        lines.append(f"{field.name}={given.get(field.name, field.default)}")
    return "\n".join(lines) + "\n"


def measurements_text(jobs: Sequence[Job], records: dict[str, dict[str, Any]]) -> str:
    """The measured intervals of every finished file, in input order, under one header."""
    text = io.StringIO()
    table = csv.writer(text, lineterminator="\n")
    done = [records[job.path] for job in jobs
            if records.get(job.path, {}).get("status") == "done"]
    header = next((record["measure_columns"] for record in done), None)
    if header is None:
        options = jobs[0].options if jobs else RunOptions()
        header = list(MEASURE_COLUMNS) + [f"f{formant}_hz_at_{100 * point:g}"
                                          for point in options.points for formant in (1, 2, 3)]
    table.writerow(header)
    for record in done:
        table.writerows(record.get("measurements", []))
    return text.getvalue()


def write_summary(out: str, jobs: Sequence[Job], records: dict[str, dict[str, Any]]) -> None:
    """Writes summary.csv and summary-settings.txt (and measurements.csv when the run
    measures intervals), each whole or not at all."""
    options = jobs[0].options if jobs else RunOptions()
    write_whole(os.path.join(out, SETTINGS_NAME), settings_text(options).encode("utf-8"))
    if options.textgrid:
        write_whole(os.path.join(out, MEASUREMENTS_NAME),
                    measurements_text(jobs, records).encode("utf-8"))
    write_whole(summary_path(out), summary_text(jobs, records).encode("utf-8"))


def _earlier_record(job: Job, journal: dict[str, dict[str, Any]]) -> Optional[dict[str, Any]]:
    """The record that finished the file before, if one did: the journal's (the runner's own
    workers) or the file's own (Dask workers write those)."""
    record = journal.get(job.relative)
    if is_complete(job, record):
        return record
    record = read_record(job)
    return record if is_complete(job, record) else None


def _keep(journal: RecordJournal, job: Job, record: dict[str, Any]) -> None:
    """Appends the record to the journal, or says in it why it could not be written (the file
    is then analysed again next time)."""
    try:
        journal.append(job, record)
    except OSError as error:
        record["record_error"] = error.strerror or str(error)


def _run(jobs: list[Job], arguments: argparse.Namespace, progress: Progress,
         records: dict[str, dict[str, Any]]) -> None:
    """Analyses the jobs that no earlier run finished, their records into `records` as they
    come (so that an interrupted run keeps those it has)."""
    out = os.path.abspath(arguments.out)
    journal = read_journal(out)
    pending = []
    for job in jobs:
        record = _earlier_record(job, journal)
        if record is not None:
            records[job.path] = record
            progress.count(record, skipped=True)
        else:
            pending.append(job)
    if not pending:
        return
    # Dask workers write their records beside the results; the runner keeps its own workers'.
    journal = None
    if arguments.scheduler or arguments.host:
        from ._corpus_dask import run_on_dask

        finished = run_on_dask(pending, arguments.scheduler, arguments.host, arguments.workers)
    else:
        journal = RecordJournal(out)
        finished = run_on_local_workers(pending, arguments.workers,
                                        analysis_modules(pending[0].options))
    try:
        # Closed at once when the run is interrupted, so that no worker writes on meanwhile.
        with contextlib.closing(finished):
            for job, record in finished:
                if journal is not None:
                    _keep(journal, job, record)
                records[job.path] = record
                progress.count(record)
    finally:
        if journal is not None:
            journal.close()


def _finished_before(jobs: Sequence[Job], records: dict[str, dict[str, Any]]) -> None:
    """Adds the records of files that Dask workers of an interrupted run finished but did not
    report."""
    for job in jobs:
        record = read_record(job)
        if job.path not in records and is_complete(job, record):
            records[job.path] = record


def _write_summary_or_say(program: str, out: str, jobs: Sequence[Job],
                          records: dict[str, dict[str, Any]]) -> bool:
    try:
        write_summary(out, jobs, records)
    except OSError as error:
        print(f"{program}the summary was not written: {error}", file=sys.stderr)
        return False
    return True


def main(argv: Optional[Sequence[str]] = None) -> int:
    arguments = _parser().parse_args(argv)
    if not (arguments.levels or arguments.pitch or arguments.formants or arguments.intensity
            or arguments.textgrid):
        arguments.pitch = True
    program = "tonalyx.corpus: "
    try:
        _check(arguments)
        options = _options(arguments)
        run = os.urandom(16).hex()
        jobs = [make_job(entry, arguments.out, options, run)
                for entry in collect_inputs(arguments.inputs)]
    except (UsageError, InputError, OSError) as error:
        print(program + str(error), file=sys.stderr)
        return EXIT_USAGE
    out = os.path.abspath(arguments.out)
    try:
        _prepare_output(out)
        removed = remove_partial_files(out)
    except OSError as error:
        print(program + str(error), file=sys.stderr)
        return EXIT_FILES_FAILED
    if removed:
        print(f"{program}removed {removed} temporary files of a run that was killed",
              file=sys.stderr)
    progress = Progress(len(jobs), sys.stderr)
    records: dict[str, dict[str, Any]] = {}
    try:
        _run(jobs, arguments, progress, records)
    except OSError as error:
        # The journal of records cannot be kept: nothing is analysed that would be lost.
        progress.finish()
        print(f"{program}cannot keep the files' records: {error}", file=sys.stderr)
        return EXIT_FILES_FAILED
    except KeyboardInterrupt:
        progress.finish()
        _finished_before(jobs, records)
        remove_partial_files(out)
        _write_summary_or_say(program, out, jobs, records)
        left = sum(1 for job in jobs if job.path not in records)
        print(f"{program}interrupted: {left} files left; run again to finish them",
              file=sys.stderr)
        return EXIT_INTERRUPTED
    progress.finish()
    # A worker that died while writing leaves its temporary file behind.
    remove_partial_files(out)
    written = _write_summary_or_say(program, out, jobs, records)
    for record in records.values():
        for note in record.get("notes", []):
            print(f"{program}{note}", file=sys.stderr)
    failed = [r for r in records.values() if r.get("status") != "done"]
    for record in failed:
        print(f"{program}{record['file']}: {record.get('status')}: {record.get('error', '')}",
              file=sys.stderr)
    return EXIT_FILES_FAILED if failed or not written else EXIT_DONE


if __name__ == "__main__":
    sys.exit(main())
