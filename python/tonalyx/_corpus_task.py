"""One file of a corpus, as a Dask worker runs it: importable, so that workers find it."""

from __future__ import annotations

import os
import warnings
from typing import Any, Optional

import numpy as np

from . import _tonalyx
from ._corpus_files import Job, write_record, write_whole
from ._settings import set_options
from ._sound import PitchTrack, Sound, SoundError, TonalyxWarning, pitch_table, read

SUMMARY_COLUMNS = (
    "file",
    "format",
    "rate",
    "channels",
    "seconds",
    "voiced_share",
    "f0_median_hz",
    "f0_p5_hz",
    "f0_p95_hz",
    "status",
    "error",
    "notes",
)


class CommandFailed(Exception):
    """The command line refused or failed the file; the text is its message."""


def _command_line(arguments: list[str], path: str) -> bytes:
    """Runs tonalyx-cli on the file; its message, without the program and the file's name,
    when it fails."""
    status, out, err = _tonalyx.run_cli(arguments)
    if status != 0:
        lines = err.decode("utf-8", "replace").strip().splitlines()
        message = lines[-1] if lines else f"tonalyx-cli ended with status {status}"
        raise CommandFailed(message.removeprefix("tonalyx-cli: ").removeprefix(path + ": "))
    return out


def _read_settings(job: Job) -> tuple[int, Optional[int]]:
    """The channel and length limit the file settings among --set give."""
    channel, limit = 0, None
    for assignment in job.settings:
        name, _, value = assignment.partition("=")
        if name.strip() == "channelIndex":
            channel = int(value)
        elif name.strip() == "maxSoundLength":
            limit = int(value)
    return channel, limit


def _pitch_summary(f0: np.ndarray) -> dict[str, Any]:
    voiced = f0[f0 > 0]
    summary: dict[str, Any] = {"voiced_share": float(len(voiced) / len(f0)) if len(f0) else 0.0}
    if len(voiced):
        p5, median, p95 = np.percentile(voiced, [5, 50, 95])
        summary.update(f0_median_hz=float(median), f0_p5_hz=float(p5), f0_p95_hz=float(p95))
    return summary


def _pitch_track(job: Job, sound: Sound) -> PitchTrack:
    """The track of the loaded sound, read at the step when one is given; equal, value for
    value, to what `tonalyx-cli pitch` prints."""
    fields = dict(assignment.split("=", 1) for assignment in job.settings)
    return sound.pitch(step=job.step, **fields)


def _write_levels(job: Job, kind: str) -> None:
    """The command line writes the image whole or not at all: into its own temporary file,
    renamed when complete."""
    final = job.level_output(kind)
    os.makedirs(os.path.dirname(final), exist_ok=True)
    _command_line(
        ["levels", "--kind", kind, *job.view, *set_options(job.settings), "-o", final, "--",
         job.path],
        job.path,
    )


def analyse_file(job: Job) -> dict[str, Any]:
    """Analyses one file and writes its results and its record; returns the record. A file
    the reader refuses is recorded as refused; any other failure as failed, with its reason."""
    record: dict[str, Any] = {"file": job.path, "fingerprint": job.fingerprint, "notes": []}
    try:
        channel, limit = _read_settings(job)
        with warnings.catch_warnings(record=True) as caught:
            warnings.simplefilter("always", TonalyxWarning)
            sound = read(job.path, channel=channel, max_seconds=limit)
        record["notes"] = [str(warning.message) for warning in caught]
        record.update(
            format=sound.format, rate=sound.rate, channels=sound.channels, seconds=sound.seconds
        )
    except SoundError as refusal:
        # The summary names the file in its own column.
        record.update(status="refused", error=str(refusal).removeprefix(job.path + ": "))
        write_record(job, record)
        return record
    try:
        # The statistics come from the track itself, never from its text read back.
        track = _pitch_track(job, sound)
        if job.pitch:
            write_whole(job.pitch_output(), pitch_table(track.times, track.f0, job.path))
        record.update(_pitch_summary(track.f0))
        for kind in job.kinds:
            _write_levels(job, kind)
        record["status"] = "done"
    except Exception as error:  # recorded with its reason; the other files go on
        record.update(status="failed", error=f"{type(error).__name__}: {error}"
                      if not isinstance(error, CommandFailed) else str(error))
    write_record(job, record)
    return record
