"""Sounds and their analyses: the command line's computations with numpy results."""

from __future__ import annotations

import os
import warnings
from dataclasses import dataclass
from typing import Any, NamedTuple, Optional, Sequence

import numpy as np

from . import _tonalyx
from ._settings import Settings, combined
from ._textgrid import TextGrid, read_textgrid

SoundError = _tonalyx.SoundError
UsageError = _tonalyx.UsageError

KINDS = ("fft", "ac", "cep", "lif", "mem", "pitch")


class TonalyxWarning(UserWarning):
    """Something the analysis changed and says, as the command line's notes do."""


@dataclass(frozen=True)
class Levels:
    """The level image of `tonalyx-cli levels` as its PGM holds it (0 .. 255, line 0 at the
    top), with the time in seconds of each column's centre and, for each image line, its
    frequency in Hz or, on a lag axis, its lag in ms (the other one is None)."""

    image: np.ndarray
    times: np.ndarray
    frequencies: Optional[np.ndarray]
    lags: Optional[np.ndarray]
    kind: str


@dataclass(frozen=True)
class Spectrum:
    """The rows of `tonalyx-cli spectrum`, lowest frequency (or shortest lag) first: levels in
    dB, or in percent (`unit` "%") for the auto-correlation and cepstrum kinds."""

    frequencies: Optional[np.ndarray]
    lags: Optional[np.ndarray]
    levels: np.ndarray
    unit: str


class Formants(NamedTuple):
    """Times in seconds (frame centres) and, per frame and formant, frequencies and bandwidths
    in Hz: arrays of frames x count, NaN where a frame has fewer formants."""

    times: np.ndarray
    frequencies: np.ndarray
    bandwidths: np.ndarray


class Intensity(NamedTuple):
    """Times in seconds (frame centres) and intensity in dB re 2e-5 Pa, full scale as 1 Pa;
    -300 dB for digital silence."""

    times: np.ndarray
    decibels: np.ndarray


class PitchTrack(NamedTuple):
    """Times in seconds and F0 in Hz, 0 where unvoiced."""

    times: np.ndarray
    f0: np.ndarray


def _warn_notes(notes: str) -> None:
    for note in notes.splitlines():
        warnings.warn(note, TonalyxWarning, stacklevel=3)


class Sound:
    """One channel of a sound as signed 16-bit samples, as the window and the command line
    load it. `samples` is a read-only view of the loaded samples (no copy)."""

    def __init__(self, native: Any) -> None:
        self._native = native

    @classmethod
    def from_array(cls, samples: Any, rate: int) -> "Sound":
        """A sound from integer samples in the 16-bit range at `rate` Hz."""
        array = np.asarray(samples)
        return cls(_tonalyx.from_samples(array, int(rate)))

    @property
    def samples(self) -> np.ndarray:
        return self._native.samples

    @property
    def rate(self) -> int:
        return self._native.rate

    @property
    def path(self) -> Optional[str]:
        name = self._native.name
        return None if name == "<array>" else name

    @property
    def channel(self) -> int:
        """The file's channel that was read, from 0."""
        return self._native.channel

    @property
    def channels(self) -> int:
        """The channels of the file read (1 for a sound made from an array)."""
        return self._native.channels

    @property
    def reader(self) -> str:
        """The reader that took the file: "wave" (the program's own) or "libsndfile"; "" for a
        sound made from an array."""
        return self._native.reader

    @property
    def container(self) -> str:
        """The file's container as its reader names it: "WAV", "FLAC", "AIFF", ..."""
        return self._native.container

    @property
    def codec(self) -> str:
        """The file's coding as its reader names it: "PCM 16-bit", "FLAC 24-bit", "u-law", ..."""
        return self._native.codec

    @property
    def format_tag(self) -> int:
        """The wave format code of the coding (0 where the coding has none)."""
        return self._native.format_tag

    @property
    def bits_per_sample(self) -> int:
        """Bits of one coded sample (0 for codecs without a fixed size)."""
        return self._native.bits_per_sample

    @property
    def frames_in_file(self) -> int:
        """The samples per channel that the file holds; more than `len(self)` when the read
        was cut at maxSoundLength."""
        return self._native.frames_in_file

    @property
    def format(self) -> str:
        """The file's coding, as `codec` ("PCM 16-bit"); "array" for a sound made from one."""
        if self.path is None:
            return "array"
        return self.codec or "unknown"

    @property
    def seconds(self) -> float:
        return len(self.samples) / self.rate

    def __len__(self) -> int:
        return len(self.samples)

    def __repr__(self) -> str:
        return (
            f"Sound({self._native.name!r}, {len(self)} samples at {self.rate} Hz, "
            f"{self.format}, channel {self.channel})"
        )

    def levels(
        self,
        kind: str = "fft",
        columns: int = 1024,
        fit: bool = False,
        overlay_pitch: bool = False,
        samples_per_column: Optional[int] = None,
        first_column: Optional[int] = None,
        settings: Optional[Settings] = None,
        **fields: Any,
    ) -> Levels:
        """The spectrogram's level image in the view the options give, as `tonalyx-cli
        levels` computes it; `fields` are settings records' fields (see `Settings`)."""
        image, times, axis, lag, notes = _tonalyx.levels(
            self._native,
            kind=str(kind),
            columns=columns,
            fit=fit,
            overlay_pitch=overlay_pitch,
            samples_per_column=samples_per_column,
            first_column=first_column,
            settings=combined(settings, fields),
        )
        _warn_notes(notes)
        return Levels(
            image, times, None if lag else axis, axis if lag else None, str(kind)
        )

    def spectrum(
        self,
        column: int,
        to_column: Optional[int] = None,
        kind: str = "fft",
        columns: int = 1024,
        fit: bool = False,
        samples_per_column: Optional[int] = None,
        first_column: Optional[int] = None,
        settings: Optional[Settings] = None,
        **fields: Any,
    ) -> Spectrum:
        """The levels of view column `column`, or the mean of columns `column` ..
        `to_column`, as the power-spectrum window computes them (= `tonalyx-cli spectrum`)."""
        positions, levels, lag, percent, notes = _tonalyx.spectrum(
            self._native,
            column=column,
            to_column=to_column,
            kind=str(kind),
            columns=columns,
            fit=fit,
            samples_per_column=samples_per_column,
            first_column=first_column,
            settings=combined(settings, fields),
        )
        _warn_notes(notes)
        return Spectrum(
            None if lag else positions,
            positions if lag else None,
            levels,
            "%" if percent else "dB",
        )

    def pitch(
        self,
        step: Optional[float] = None,
        settings: Optional[Settings] = None,
        **fields: Any,
    ) -> PitchTrack:
        """The pitch track of the whole sound (= `tonalyx-cli pitch`): one value per block of
        the extractor's hop, timed at the block's start; with `step` (seconds) the track read
        at 0, step, 2 step, ... as `tonalyx-cli pitch --step` reads it (linear between
        neighbouring values, unvoiced where either is unvoiced)."""
        times, f0 = _tonalyx.pitch(
            self._native,
            step=None if step is None else float(step),
            settings=combined(settings, fields),
        )
        return PitchTrack(times, f0)


    def formants(
        self,
        ceiling: "float | str" = 5500.0,
        count: int = 5,
        window: float = 0.025,
        step: Optional[float] = None,
        preemphasis: float = 50.0,
        track: bool = False,
    ) -> Formants:
        """Formants by linear prediction, frame by frame (= `tonalyx-cli formants`): the
        ceiling in Hz (or "auto": chosen per sound from 4500 to 6500 Hz by the smoothest
        F1-F3), formants per frame, the effective window and the step in seconds (None: a
        quarter of the window), pre-emphasis from `preemphasis` Hz, and with `track` F1-F3
        joined into continuous tracks (three columns)."""
        times, frequencies, bandwidths, note = _tonalyx.formants(
            self._native,
            ceiling=ceiling if isinstance(ceiling, str) else float(ceiling),
            count=count,
            window=float(window),
            step=None if step is None else float(step),
            preemphasis=float(preemphasis),
            track=track,
        )
        if note:
            warnings.warn(f"{self._native.name}: {note}", TonalyxWarning, stacklevel=2)
        return Formants(times, frequencies, bandwidths)

    def intensity(self, min_pitch: float = 100.0, step: Optional[float] = None) -> Intensity:
        """Intensity in dB, frame by frame (= `tonalyx-cli intensity`): a Kaiser window of
        3.2 / min_pitch seconds (min_pitch in Hz), frames every `step` seconds (None: a quarter
        of the window)."""
        times, decibels, note = _tonalyx.intensity(
            self._native, min_pitch=float(min_pitch), step=None if step is None else float(step)
        )
        if note:
            warnings.warn(f"{self._native.name}: {note}", TonalyxWarning, stacklevel=2)
        return Intensity(times, decibels)

    def measure(
        self,
        textgrid: "TextGrid | str | os.PathLike[str]",
        tier: str,
        labels: Optional[str] = None,
        points: Sequence[float] = (0.5,),
        ceiling: "float | str" = 5500.0,
        count: int = 5,
        window: float = 0.025,
        preemphasis: float = 50.0,
        min_pitch: float = 100.0,
        settings: Optional[Settings] = None,
        **fields: Any,
    ) -> "pandas.DataFrame":
        """One row per labelled interval of the tier (= `tonalyx-cli measure`): its times and
        duration in seconds, F0 mean, median, minimum and maximum in Hz over its voiced pitch
        values, the voiced share, the energy mean of its intensity in dB, the means of F1-F3
        in Hz, and F1-F3 at each point (a fraction of the interval; column `f1_hz_at_50` for
        0.5). `labels` is a regular expression that must match the whole label (None: every
        non-empty label); `textgrid` a TextGrid or the path of one. Missing values are NaN.
        The formant keywords are those of `formants`, `min_pitch` that of `intensity`, and
        the pitch settings come from `settings` and the keywords."""
        import pandas

        grid = textgrid if isinstance(textgrid, TextGrid) else read_textgrid(textgrid)
        columns, numbers, names, values, notes = _tonalyx.measure(
            self._native,
            float(grid.start),
            float(grid.end),
            grid._native_tiers(),
            tier=str(tier),
            labels=None if labels is None else str(labels),
            points=[float(point) for point in points],
            ceiling=ceiling if isinstance(ceiling, str) else float(ceiling),
            count=int(count),
            window=float(window),
            preemphasis=float(preemphasis),
            min_pitch=float(min_pitch),
            settings=combined(settings, fields),
        )
        for note in notes.splitlines():
            warnings.warn(f"{self._native.name}: {note}", TonalyxWarning, stacklevel=2)
        table = pandas.DataFrame(values, columns=columns[3:])
        table.insert(0, "label", names)
        table.insert(0, "interval", np.asarray(numbers, dtype=np.int64))
        table.insert(0, "tier", str(tier))
        table.insert(0, "file", self._native.name)
        return table


def _warn_load_notes(name: str, sound: Sound) -> None:
    """Says what the read changed, in the command line's words where its remedy is the same."""
    native = sound._native
    for note in native.read_notes:
        warnings.warn(f"{name}: {note}", TonalyxWarning, stacklevel=3)
    if len(sound) < native.frames_in_file:
        warnings.warn(
            f"{name}: only {len(sound)} samples, {sound.seconds:.6f} s ({native.limit}) of "
            f"{native.frames_in_file} samples, {native.frames_in_file / sound.rate:.6f} s "
            "were loaded; max_seconds reads more",
            TonalyxWarning,
            stacklevel=3,
        )


def read(
    path: "str | os.PathLike[str]", channel: int = 0, max_seconds: Optional[int] = None
) -> Sound:
    """Reads one channel of a sound file as `tonalyx-cli` does. `max_seconds` is the
    maxSoundLength setting, whole seconds from 1 to 300 (the program's 120 when None). A
    refused file raises `SoundError` with the command line's reason; a cut sound, a file
    shorter than its header claims or a channel that the file lacks gives a
    `TonalyxWarning`."""
    name = os.fspath(path)
    assignments = [f"channelIndex={channel}"]
    if max_seconds is not None:
        assignments.append(f"maxSoundLength={max_seconds}")
    sound = Sound(_tonalyx.read(name, assignments))
    _warn_load_notes(name, sound)
    return sound


def pitch_table(
    times: Any,
    values: Any,
    file: str,
    format: str = "csv",
    missing_as: Optional[str] = None,
) -> bytes:
    """The pitch table `tonalyx-cli pitch --format FORMAT [--missing-as MISSING_AS]` writes
    for `file`, for these times (s) and F0 values (Hz, 0 where unvoiced): csv or tsv, and an
    unvoiced value as 0, or with `missing_as` "empty" or "nan"."""
    return _tonalyx.pitch_table(
        np.asarray(times, dtype=float),
        np.asarray(values, dtype=float),
        file,
        format=str(format),
        missing_as=None if missing_as is None else str(missing_as),
    )
