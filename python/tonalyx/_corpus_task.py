"""One file of a corpus, as a Dask worker runs it: importable, so that workers find it.

The file is read once and every output is computed from that one read: the pitch track serves
the pitch table and the summary's statistics, the level images, formants and intensity come
from the same samples. The outputs are written through the request library, whole or not at
all, and the file's record last.
"""

from __future__ import annotations

import math
from typing import Any

import numpy as np

from . import _tonalyx
from ._corpus_files import Job, write_record, write_whole
from ._sound import (
    OutputError,
    Sound,
    SoundError,
    UsageError,
    collected_notes,
    formant_table,
    intensity_table,
    open_sound,
    pitch_table,
)
from ._textgrid import TextGridError, read_textgrid

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


def _fields(job: Job) -> dict[str, str]:
    """The run's --set assignments as settings keywords."""
    return dict(assignment.split("=", 1) for assignment in job.options.settings)


def formant_summary(frequencies: np.ndarray) -> dict[str, Any]:
    """The medians of F1, F2 and F3 in Hz over the frames that have them."""
    medians = _tonalyx.column_medians(frequencies) if frequencies.size else []
    return {column: median for column, median in zip(FORMANT_COLUMNS, medians)
            if not math.isnan(median)}


def intensity_summary(decibels: np.ndarray) -> dict[str, Any]:
    """The mean intensity in dB, averaged as energy (as Praat's Get mean does by default):
    10 log10 of the mean of 10^(dB / 10); silent frames count as the silence they are."""
    return {"intensity_mean_db": _tonalyx.energy_mean_db(decibels)} if len(decibels) else {}


def _cell_text(column: str, value: Any) -> str:
    """A measurement as the corpus table writes it: times and durations to the last digit, the
    other numbers to 6 digits, a missing value as an empty cell."""
    if isinstance(value, str):
        return value
    if isinstance(value, (int, np.integer)):
        return str(int(value))
    if value != value:  # NaN: missing
        return ""
    if column in ("start_s", "end_s", "duration_s"):
        return repr(float(value))
    return f"{float(value):.6g}"


def measurements(job: Job, sound: Sound) -> tuple[list[str], list[list[str]]]:
    """The columns and rows of the file's measured intervals (`Sound.measure` on the TextGrid
    beside it), the file named as the user named it. Raises TextGridError for a TextGrid that
    is missing or cannot be read, UsageError for a tier it lacks."""
    options = job.options
    grid = read_textgrid(job.textgrid_path())
    table = sound.measure(grid, options.tier, labels=options.labels, points=options.points,
                          **_fields(job))
    table["file"] = job.name
    columns = list(table.columns)
    rows = [[_cell_text(column, value) for column, value in zip(columns, row)]
            for row in table.itertuples(index=False)]
    return columns, rows


def _outputs(job: Job, sound: Sound, record: dict[str, Any]) -> dict[str, bytes]:
    """Every output of the file from the one read, and its statistics into the record."""
    options, fields = job.options, _fields(job)
    outputs: dict[str, bytes] = {}
    if options.textgrid:
        # First, so that a sound without its TextGrid fails before anything is written.
        record["measure_columns"], record["measurements"] = measurements(job, sound)
    # The statistics come from the track itself, never from its text read back.
    track = sound.pitch(step=options.step, **fields)
    record.update(_tonalyx.pitch_statistics(track.f0, sound.seconds))
    if options.pitch:
        outputs[job.pitch_output()] = pitch_table(track.times, track.f0, job.name)
    for kind in options.kinds:
        levels = sound.levels(kind=kind, columns=options.columns, fit=options.fit, **fields)
        outputs[job.level_output(kind)] = levels.encode(options.image_format)
    if options.formants:
        times, frequencies, bandwidths = sound.formants(step=options.step)
        outputs[job.formants_output()] = formant_table(times, frequencies, bandwidths, job.name)
        record.update(formant_summary(frequencies))
    if options.intensity:
        times, decibels = sound.intensity(step=options.step)
        outputs[job.intensity_output()] = intensity_table(times, decibels, job.name)
        record.update(intensity_summary(decibels))
    return outputs


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
    options = job.options
    try:
        sound = open_sound(job.path, list(options.settings), options.max_seconds, options.whole,
                           READ_REMEDY, label=job.name)
    except SoundError as refusal:
        # The summary names the file in its own column.
        record.update(status="refused", error=str(refusal).removeprefix(job.path + ": "))
        return
    record.update(format=sound.format, rate=sound.rate, channels=sound.channels,
                  channel=sound.channel, file_seconds=sound.file_seconds, seconds=sound.seconds)
    try:
        for path, data in _outputs(job, sound, record).items():
            write_whole(path, data)
        record["status"] = "done"
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
