"""Every output of a corpus file from one read of its samples: the level images, formants,
intensity and measured intervals beside the pitch table, all computed on the loaded sound
with numpy arrays. Imported only by runs that ask for more than the pitch table."""

from __future__ import annotations

import math
from typing import Any

import numpy as np

from . import _tonalyx
from ._corpus_files import Job
from ._corpus_task import FORMANT_COLUMNS, READ_REMEDY, settings_keywords
from ._sound import Sound, formant_table, intensity_table, open_sound, pitch_table
from ._textgrid import read_textgrid


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
                          **settings_keywords(job))
    table["file"] = job.name
    columns = list(table.columns)
    rows = [[_cell_text(column, value) for column, value in zip(columns, row)]
            for row in table.itertuples(index=False)]
    return columns, rows


def _outputs(job: Job, sound: Sound, record: dict[str, Any]) -> dict[str, bytes]:
    """Every output of the file from the one read, and its statistics into the record."""
    options, fields = job.options, settings_keywords(job)
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


def read_outputs(job: Job, record: dict[str, Any]) -> dict[str, bytes]:
    """Reads the file, puts its description and statistics into the record and returns its
    outputs by path. Raises SoundError for a file the reader refuses; the analyses' own
    errors pass on."""
    options = job.options
    sound = open_sound(job.path, list(options.settings), options.max_seconds, options.whole,
                       READ_REMEDY, label=job.name)
    record.update(format=sound.format, rate=sound.rate, channels=sound.channels,
                  channel=sound.channel, file_seconds=sound.file_seconds, seconds=sound.seconds)
    return _outputs(job, sound, record)
