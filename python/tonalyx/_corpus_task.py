"""One file of a corpus, as a worker runs it: importable, so that workers find it.

The file is read once and every output is computed from that one read: the pitch track serves
the pitch table and the summary's statistics, the level images, formants and intensity come
from the same samples. A run of the pitch table alone streams the file as `tonalyx-cli pitch`
does, without numpy. The outputs are written through the request library, whole or not at
all, and the file's record last.
"""

from __future__ import annotations

from typing import Any

from . import _tonalyx
from ._corpus_files import Job, RunOptions, write_record, write_whole
from ._notes import collected_notes, say_load_notes
from ._textgrid import TextGridError

OutputError = _tonalyx.OutputError
SoundError = _tonalyx.SoundError
UsageError = _tonalyx.UsageError

# A worker analyses file after file: its allocator keeps each file's buffers for the next.
_tonalyx.keep_freed_buffers()

READ_REMEDY = "--max-seconds S or --whole reads more"
STARTED = "started"

SUMMARY_COLUMNS = (
    "file",
    "format",
    "rate",
    "channels",
    "channel",
    "file_seconds",
    "seconds",
    "voiced_seconds",
    "voiced_share",
    "f0_mean_hz",
    "f0_sd_hz",
    "f0_min_hz",
    "f0_max_hz",
    "f0_range_st",
    "f0_median_hz",
    "f0_p5_hz",
    "f0_p95_hz",
)
FORMANT_COLUMNS = ("f1_median_hz", "f2_median_hz", "f3_median_hz")
INTENSITY_COLUMNS = ("intensity_mean_db",)
STATUS_COLUMNS = ("status", "error", "notes")


def settings_keywords(job: Job) -> dict[str, str]:
    """The run's --set assignments as settings keywords."""
    return dict(assignment.split("=", 1) for assignment in job.options.settings)


def analysis_modules(options: RunOptions) -> list[str]:
    """The modules that analyse the run's files, for workers to import before they fork."""
    return [__name__] if options.pitch_only() else [__name__, "tonalyx._corpus_outputs"]


def _streamed_pitch(job: Job, record: dict[str, Any]) -> dict[str, bytes]:
    """The pitch table alone, streamed from the file a block at a time (the same values as
    from the loaded sound), with the file's description and the track's statistics into the
    record. Raises SoundError for a file the reader refuses."""
    options = job.options
    table, summary, read_notes, loaded, in_file, limit = _tonalyx.stream_pitch_summary(
        job.path,
        step=options.step,
        settings=list(options.settings),
        max_seconds=None if options.max_seconds is None else float(options.max_seconds),
        whole=options.whole,
        file=job.name,
    )
    say_load_notes(job.name, read_notes, loaded, in_file, summary["rate"], limit,
                   options.max_seconds, READ_REMEDY, stacklevel=2)
    record.update(summary)
    return {job.pitch_output(): table}


def _finish(job: Job, record: dict[str, Any]) -> dict[str, Any]:
    """Writes the record; when it cannot be written the file is redone next time, and the
    record says why."""
    try:
        write_record(job, record)
    except OSError as error:
        record["record_error"] = str(error)
    return record


def failed_record(job: Job, reason: str) -> dict[str, Any]:
    """The record of a file that failed for `reason` (its worker died, or its task failed)."""
    return {"file": job.name, "fingerprint": job.fingerprint, "status": "failed",
            "error": reason}


def failure_record(job: Job, reason: str) -> dict[str, Any]:
    """Records a file as failed for `reason` and returns the record."""
    return _finish(job, failed_record(job, reason))


def _analyse(job: Job, record: dict[str, Any]) -> None:
    """Reads the file, computes its outputs and writes them; the status and error go into
    the record."""
    try:
        if job.options.pitch_only():
            outputs = _streamed_pitch(job, record)
        else:
            # Imported here: it takes numpy, and it imports this module.
            from ._corpus_outputs import read_outputs

            outputs = read_outputs(job, record)
        for path, data in outputs.items():
            write_whole(path, data)
        record["status"] = "done"
    except SoundError as refusal:
        # The summary names the file in its own column.
        record.update(status="refused", error=str(refusal).removeprefix(job.path + ": "))
    except (OutputError, TextGridError, UsageError) as error:
        record.update(status="failed", error=str(error))
    except Exception as error:  # recorded with its reason; the other files go on
        record.update(status="failed", error=f"{type(error).__name__}: {error}")


def analyse(job: Job) -> dict[str, Any]:
    """Analyses one file and writes its results; returns its record, which the caller keeps.
    A file the reader refuses is recorded as refused; an output that cannot be written, or any
    other failure, as failed with its reason. Notes say what the reading and the views
    changed."""
    record: dict[str, Any] = {"file": job.name, "fingerprint": job.fingerprint, "run": job.run}
    with collected_notes() as notes:
        _analyse(job, record)
    record["notes"] = notes
    return record


def analyse_file(job: Job) -> dict[str, Any]:
    """analyse() with the file's record written beside its results, and a record before it
    that says the file is being analysed, for a runner that cannot otherwise tell which file
    a worker died on."""
    _finish(job, {"file": job.name, "fingerprint": job.fingerprint, "run": job.run,
                  "status": STARTED})
    return _finish(job, analyse(job))


def analyse_files(jobs: list[Job]) -> list[dict[str, Any]]:
    """Analyses the files in order, each as analyse_file does (its record written before the
    next file starts), and returns their records: one Dask task for a batch of files, so that
    the scheduler's and the worker's work per task is shared by several files."""
    return [analyse_file(job) for job in jobs]
