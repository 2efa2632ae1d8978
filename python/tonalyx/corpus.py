"""Analyses a corpus of sound files on Dask distributed: one task per file.

    python3 -m tonalyx.corpus INPUTS... --out DIR [--levels KIND ...] [--pitch] [--step S]
        [--set NAME=VALUE ...] [--scheduler ADDRESS] [--workers N]

Each file's pitch table and level images are the bytes tonalyx-cli writes, under DIR with the
inputs' relative paths; DIR/summary.csv has one line per file. Every result is written under a
temporary name and renamed when whole; a file's record (DIR/.tonalyx-corpus/) is written last,
so a run that was interrupted, or killed, resumes where it stopped and skips finished files.
With --scheduler the workers must see the inputs and DIR under the same paths.
"""

from __future__ import annotations

import argparse
import contextlib
import csv
import io
import logging
import os
import sys
import time
from typing import Any, Iterator, Optional, Sequence, TextIO

from . import _tonalyx
from ._corpus_files import (
    InputError,
    Job,
    collect_inputs,
    input_fingerprint,
    is_complete,
    read_record,
    remove_partial_files,
    summary_path,
    write_record,
    write_whole,
)
from ._corpus_task import SUMMARY_COLUMNS, analyse_file
from ._sound import KINDS, UsageError

EXIT_DONE, EXIT_FILES_FAILED, EXIT_USAGE, EXIT_INTERRUPTED = 0, 1, 2, 130


def _parser() -> argparse.ArgumentParser:
    parser = argparse.ArgumentParser(
        prog="python3 -m tonalyx.corpus",
        description="Runs tonalyx's pitch track and level images over many files on Dask.",
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
    parser.add_argument("--step", type=float, metavar="S", help="pitch table every S seconds")
    parser.add_argument(
        "--set", action="append", default=[], dest="settings", metavar="NAME=VALUE",
        help="a settings record's field, as tonalyx-cli --set takes it (repeatable)",
    )
    parser.add_argument("--columns", type=int, default=1024, help="view columns (default 1024)")
    parser.add_argument("--fit", action="store_true", help="the whole sound over the columns")
    parser.add_argument(
        "--image-format", choices=("png", "pgm"), default="png", help="level images' format"
    )
    parser.add_argument("--scheduler", metavar="ADDRESS", help="an existing Dask scheduler")
    parser.add_argument(
        "--workers", type=int, default=2, metavar="N",
        help="worker processes of the local cluster (default 2)",
    )
    return parser


def _jobs(arguments: argparse.Namespace) -> list[Job]:
    view = ["--columns", str(arguments.columns)] + (["--fit"] if arguments.fit else [])
    options = {
        "kinds": arguments.levels,
        "pitch": arguments.pitch,
        "step": arguments.step,
        "settings": arguments.settings,
        "view": view,
        "image_format": arguments.image_format,
    }
    jobs = []
    for entry in collect_inputs(arguments.inputs):
        job = Job(
            entry.path, entry.relative, arguments.out, arguments.levels, arguments.pitch,
            arguments.step, arguments.settings, view, arguments.image_format,
        )
        job.fingerprint = input_fingerprint(entry.path, options)
        jobs.append(job)
    return jobs


def _check(arguments: argparse.Namespace) -> None:
    """Refuses, before any work, what every file would fail on."""
    _tonalyx.check_settings(arguments.settings)
    if arguments.step is not None and not arguments.step > 0:
        raise UsageError(f"--step takes a positive number of seconds, not {arguments.step}")
    if not 1 <= arguments.columns <= 32768:
        raise UsageError(
            f"--columns takes a whole number from 1 to 32768, not {arguments.columns}"
        )
    if arguments.workers < 1:
        raise UsageError(f"--workers takes a whole number from 1 up, not {arguments.workers}")


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


def write_summary(out: str, jobs: Sequence[Job], records: dict[str, dict[str, Any]]) -> None:
    """The summary table, one line per input in input order; files without a result yet are
    listed as "not done". Notes say what the reading changed (a sound cut at maxSoundLength, a
    channel the file lacks)."""
    text = io.StringIO()
    table = csv.writer(text, lineterminator="\n")
    table.writerow(SUMMARY_COLUMNS)
    for job in jobs:
        record = records.get(job.path, {})
        table.writerow(
            [
                job.path,
                record.get("format", ""),
                record.get("rate", ""),
                record.get("channels", ""),
                _number(record.get("seconds"), 9),
                _number(record.get("voiced_share"), 6),
                _number(record.get("f0_median_hz"), 6),
                _number(record.get("f0_p5_hz"), 6),
                _number(record.get("f0_p95_hz"), 6),
                record.get("status", "not done"),
                record.get("error", ""),
                "; ".join(record.get("notes", [])),
            ]
        )
    write_whole(summary_path(out), text.getvalue().encode("utf-8"))


@contextlib.contextmanager
def _client(arguments: argparse.Namespace) -> Iterator[Any]:
    """A client of the scheduler named, or of a local cluster that ends with it (the client
    closes first, then the cluster)."""
    from distributed import Client, LocalCluster

    if arguments.scheduler:
        with Client(arguments.scheduler) as client:
            yield client
        return
    with LocalCluster(
        n_workers=arguments.workers,
        threads_per_worker=1,
        processes=True,
        dashboard_address=None,
        silence_logs=logging.ERROR,
    ) as cluster, Client(cluster) as client:
        yield client


def _failure_record(job: Job, error: BaseException) -> dict[str, Any]:
    from distributed import KilledWorker

    if isinstance(error, KilledWorker):
        reason = "the worker died while analysing this file"
    else:
        reason = f"{type(error).__name__}: {error}"
    return {"file": job.path, "fingerprint": job.fingerprint, "status": "failed", "error": reason}


def _run(jobs: list[Job], arguments: argparse.Namespace, progress: Progress) -> dict[str, dict]:
    records: dict[str, dict[str, Any]] = {}
    pending = []
    for job in jobs:
        record = read_record(job)
        if is_complete(job, record):
            records[job.path] = record
            progress.count(record, skipped=True)
        else:
            pending.append(job)
    if not pending:
        return records
    from distributed import as_completed

    with _client(arguments) as client:
        futures = client.map(analyse_file, pending, pure=False)
        owner = {future.key: job for future, job in zip(futures, pending)}
        try:
            for future in as_completed(futures):
                job = owner[future.key]
                try:
                    record = future.result()
                except Exception as error:
                    record = _failure_record(job, error)
                    try:
                        write_record(job, record)
                    except OSError as problem:
                        record["error"] += f" (its record was not written: {problem.strerror})"
                records[job.path] = record
                progress.count(record)
        except BaseException:
            client.cancel(futures)
            raise
    return records


def main(argv: Optional[Sequence[str]] = None) -> int:
    arguments = _parser().parse_args(argv)
    if not arguments.levels and not arguments.pitch:
        arguments.pitch = True
    program = "tonalyx.corpus: "
    try:
        _check(arguments)
        jobs = _jobs(arguments)
    except (UsageError, InputError, OSError) as error:
        print(program + str(error), file=sys.stderr)
        return EXIT_USAGE
    os.makedirs(arguments.out, exist_ok=True)
    remove_partial_files(arguments.out)
    progress = Progress(len(jobs), sys.stderr)
    records: dict[str, dict[str, Any]] = {}
    try:
        records = _run(jobs, arguments, progress)
    except KeyboardInterrupt:
        progress.finish()
        for job in jobs:
            record = read_record(job)
            if job.path not in records and is_complete(job, record):
                records[job.path] = record
        write_summary(arguments.out, jobs, records)
        left = sum(1 for job in jobs if job.path not in records)
        print(f"{program}interrupted: {left} files left; run again to finish them",
              file=sys.stderr)
        return EXIT_INTERRUPTED
    progress.finish()
    write_summary(arguments.out, jobs, records)
    for record in records.values():
        for note in record.get("notes", []):
            print(f"{program}{note}", file=sys.stderr)
    failed = [r for r in records.values() if r.get("status") != "done"]
    for record in failed:
        print(f"{program}{record['file']}: {record.get('status')}: {record.get('error', '')}",
              file=sys.stderr)
    return EXIT_FILES_FAILED if failed else EXIT_DONE


if __name__ == "__main__":
    sys.exit(main())
