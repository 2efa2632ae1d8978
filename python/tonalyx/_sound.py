"""Sounds and their analyses: the command line's computations with numpy results."""

from __future__ import annotations

import os
from dataclasses import dataclass
from typing import TYPE_CHECKING, Any, NamedTuple, Optional, Sequence

import numpy as np

from . import _tonalyx
from ._notes import say, say_load_notes
from ._settings import Settings, combined
from ._textgrid import TextGrid, read_textgrid

if TYPE_CHECKING:  # imported when a table is made: it takes a while
    import pandas

SoundError = _tonalyx.SoundError
UsageError = _tonalyx.UsageError
OutputError = _tonalyx.OutputError

@dataclass(frozen=True)
class Levels:
    """The spectrogram of `tonalyx-cli levels` as numbers.

    `image` is the level image as its PGM holds it: uint8, one line per image row (line 0 at
    the top, the highest frequency or longest lag), one column per view column. A level is
    256 (value - low) / (high - low) truncated and clamped to 0 .. 255, where low and high
    are the minDb and maxDb settings (minPercent and maxPercent, as percent, for the "ac" and
    "cep" kinds); the PNG the command line writes shows grey 255 - level, dark where the
    level is high. The default axis runs from minFreq 0 to maxFreq 1000 Hz (raise maxFreq to
    see more).

    `values` are the unclipped levels behind the image, a float array of its shape in `unit`:
    "dB", "%" for the auto-correlation and cepstrum kinds, or "log10" for "lif"; the same
    values as the window's level export and `Sound.spectrum` give for each column. The "lif"
    kind (the window's hidden liftering view) gives the cepstrally smoothed log spectrum in
    log10 units as the window computes it (about -130 on speech), which the image maps
    through the dB thresholds as they are, so the default -90 .. -20 shows it white (set
    minDb and maxDb around its values to see it); a silent frame lies at or below -300, the
    log floor (tables write it as --missing-as says).
    `values` and `unit` are None for the "pitch" kind, whose image holds the track alone.

    `times` are the seconds of each column's centre; `frequencies` the Hz of each image line,
    or on a lag axis `lags` in ms (the other one is None).
    """

    image: np.ndarray
    times: np.ndarray
    frequencies: Optional[np.ndarray]
    lags: Optional[np.ndarray]
    kind: str
    values: Optional[np.ndarray] = None
    unit: Optional[str] = None

    def encode(self, format: str = "png") -> bytes:
        """The image file's bytes as `tonalyx-cli levels` writes them: "png" (grey 255 -
        level) or "pgm" (the levels)."""
        return _tonalyx.level_image_file(self.image, str(format))

    def save(self, path: "str | os.PathLike[str]", format: Optional[str] = None) -> None:
        """Writes the image file to path whole or not at all, as the command line writes its
        outputs (a temporary file beside it, flushed and renamed). The format is named by
        `format`, or by the path's extension (.png or .pgm). Raises `OutputError` with the
        system's reason when the file cannot be written."""
        name = os.fspath(path)
        chosen = _tonalyx.image_format_of_path(name) if format is None else str(format)
        _tonalyx.write_file(name, self.encode(chosen))


@dataclass(frozen=True)
class Spectrum:
    """The rows of `tonalyx-cli spectrum`, lowest frequency (or shortest lag) first: levels in
    `unit`: "dB", "%" for the auto-correlation and cepstrum kinds, "log10" for liftering."""

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
        say(note, stacklevel=3)


class Sound:
    """One channel of a sound as signed 16-bit samples, as the window and the command line
    load it. `samples` is a read-only view of the loaded samples (no copy). Sounds pickle
    (samples, rate and the file's description), so Dask and multiprocessing can send them."""

    def __init__(self, native: Any) -> None:
        self._native = native

    @classmethod
    def from_array(cls, samples: Any, rate: float) -> "Sound":
        """A sound from integer samples in the 16-bit range at `rate` Hz, a whole number from
        1 to 2^31 - 1 (16000.7 is refused, never rounded): `ValueError` otherwise."""
        array = np.asarray(samples)
        return cls(_tonalyx.from_samples(array, rate))

    @property
    def samples(self) -> np.ndarray:
        """The samples, int16 (full scale 32768), read-only."""
        return self._native.samples

    @property
    def rate(self) -> int:
        """The sampling rate in Hz."""
        return self._native.rate

    @property
    def path(self) -> Optional[str]:
        """The path the sound was read from; None for a sound made from an array."""
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
        """The length of the samples held, in seconds."""
        return len(self.samples) / self.rate

    @property
    def file_seconds(self) -> float:
        """The length of the file's channel in seconds; more than `seconds` when the read was
        cut at its length limit."""
        return self.frames_in_file / self.rate

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
        image, times, axis, lag, values, unit, notes = _tonalyx.levels(
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
        unit = None if values is None else unit
        return Levels(
            image, times, None if lag else axis, axis if lag else None, str(kind), values, unit
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
        positions, levels, lag, unit, notes = _tonalyx.spectrum(
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
            unit,
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
        neighbouring values, unvoiced where either is unvoiced). Only the values a step reads
        are computed, which takes about a fifth less time at a step of 10 ms."""
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
            say(f"{self._native.name}: {note}", stacklevel=2)
        return Formants(times, frequencies, bandwidths)

    def intensity(self, min_pitch: float = 100.0, step: Optional[float] = None) -> Intensity:
        """Intensity in dB, frame by frame (= `tonalyx-cli intensity`): a Kaiser window of
        3.2 / min_pitch seconds (min_pitch in Hz), frames every `step` seconds (None: a quarter
        of the window)."""
        times, decibels, note = _tonalyx.intensity(
            self._native, min_pitch=float(min_pitch), step=None if step is None else float(step)
        )
        if note:
            say(f"{self._native.name}: {note}", stacklevel=2)
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
        0.5). `labels` is a regular expression (ECMAScript, over letters, so that a class such
        as "[əɪ]" takes one IPA letter) that must match the whole label (None: every non-empty
        label); `textgrid` a TextGrid or the path of one. Missing values are NaN.
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
            say(f"{self._native.name}: {note}", stacklevel=2)
        table = pandas.DataFrame(values, columns=columns[3:])
        table.insert(0, "label", names)
        table.insert(0, "interval", np.asarray(numbers, dtype=np.int64))
        table.insert(0, "tier", str(tier))
        table.insert(0, "file", self._native.name)
        return table


def open_sound(
    name: str,
    assignments: list[str],
    max_seconds: Optional[float],
    whole: bool,
    remedy: str,
    label: Optional[str] = None,
) -> Sound:
    """Reads the file with the settings assignments (NAME=VALUE) and the length asked for;
    warns what the read changed, led by `label` (the name by default), a cut naming `remedy`
    as what reads more."""
    sound = Sound(
        _tonalyx.read(
            name,
            assignments,
            max_seconds=None if max_seconds is None else float(max_seconds),
            whole=bool(whole),
        )
    )
    native = sound._native
    say_load_notes(name if label is None else label, native.read_notes, len(sound),
                   native.frames_in_file, sound.rate, native.limit, max_seconds, remedy,
                   stacklevel=3)
    return sound


def read(
    path: "str | os.PathLike[str]",
    channel: int = 0,
    max_seconds: Optional[float] = None,
    whole: bool = False,
    settings: Optional[Settings] = None,
    **fields: Any,
) -> Sound:
    """Reads one channel (from 0) of a sound file as `tonalyx-cli` does: at most the
    maxSoundLength setting (120 s) unless `max_seconds` (seconds, up to 2^31) or `whole`
    (all of it, up to 2^31 - 65537 samples) asks for more, as the command line's --max-seconds
    and --whole. The samples are held in memory: 2 bytes each, 318 MB for an hour at 44.1 kHz.
    A refused file raises `SoundError` with the command line's reason; a cut sound, a file
    shorter than its header claims or a channel that the file lacks gives a
    `TonalyxWarning`. `settings` and `fields` may give maxSoundLength (1 .. 300 s) and the
    other file settings."""
    name = os.fspath(path)
    assignments = combined(settings, {**fields, "channelIndex": channel})
    return open_sound(name, assignments, max_seconds, whole,
                      "max_seconds=S or whole=True reads more")


def stream_pitch(
    path: "str | os.PathLike[str]",
    step: Optional[float] = None,
    channel: int = 0,
    max_seconds: Optional[float] = None,
    whole: bool = False,
    settings: Optional[Settings] = None,
    **fields: Any,
) -> PitchTrack:
    """The pitch track of a file as `tonalyx-cli pitch` streams it, without loading the sound:
    the samples are read a block at a time and never held whole, so hours take the memory of
    minutes (only the track is kept: 8 bytes a value, 2.9 MB for an hour at `step` 0.01). The
    same values as `read(...).pitch(...)` with the same arguments; the reading as in `read`
    (channel from 0, maxSoundLength unless `max_seconds` or `whole`), the track as in
    `Sound.pitch` (`step` in seconds)."""
    name = os.fspath(path)
    times, f0, notes, loaded, in_file, rate, limit = _tonalyx.stream_pitch(
        name,
        step=None if step is None else float(step),
        settings=combined(settings, {**fields, "channelIndex": channel}),
        max_seconds=None if max_seconds is None else float(max_seconds),
        whole=bool(whole),
    )
    say_load_notes(name, notes, loaded, in_file, rate, limit, max_seconds,
                   "max_seconds=S or whole=True reads more", stacklevel=2)
    return PitchTrack(times, f0)


def _column_table(
    write: Any, times: Any, values: Any, file: str, format: str, missing_as: Optional[str]
) -> bytes:
    """A table of one value per time, as write makes it."""
    return write(
        np.asarray(times, dtype=float),
        np.asarray(values, dtype=float),
        file,
        str(format),
        None if missing_as is None else str(missing_as),
    )


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
    return _column_table(_tonalyx.pitch_table, times, values, file, format, missing_as)


def formant_table(
    times: Any,
    frequencies: Any,
    bandwidths: Any,
    file: str,
    format: str = "csv",
    missing_as: Optional[str] = None,
) -> bytes:
    """The formant table `tonalyx-cli formants` writes for `file`, for these times (s) and
    frames x count arrays of frequencies and bandwidths (Hz, NaN where a frame has fewer
    formants, written as 0, or as `missing_as` "empty" or "nan" says)."""
    frequencies = np.asarray(frequencies, dtype=float)
    return _tonalyx.formant_table(
        np.asarray(times, dtype=float),
        frequencies.ravel(),
        np.asarray(bandwidths, dtype=float).ravel(),
        count=frequencies.shape[1] if frequencies.ndim == 2 else 0,
        file=file,
        format=str(format),
        missing_as=None if missing_as is None else str(missing_as),
    )


def intensity_table(
    times: Any,
    decibels: Any,
    file: str,
    format: str = "csv",
    missing_as: Optional[str] = None,
) -> bytes:
    """The intensity table `tonalyx-cli intensity` writes for `file`, for these times (s) and
    levels (dB; digital silence, -300, written as it is or as `missing_as` says)."""
    return _column_table(_tonalyx.intensity_table, times, decibels, file, format, missing_as)
