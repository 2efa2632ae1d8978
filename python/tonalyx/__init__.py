"""Tonalyx's analyses from Python, on the engine that tonalyx-cli and the window use.

    import tonalyx
    sound = tonalyx.read("vowel.wav")
    times, f0 = sound.pitch(step=0.01)
    times, frequencies, bandwidths = sound.formants(ceiling=5000)
    times, decibels = sound.intensity(min_pitch=75)
    levels = sound.levels(kind="fft", columns=800, fftSizeLog2=9)
    table = sound.measure("vowel.TextGrid", tier="phones", points=(0.25, 0.5, 0.75))
    levels.values                     # the levels in dB (levels.unit), image lines x columns
    levels.save("fft.png")            # the bytes of tonalyx-cli levels ... -o fft.png
"""

from ._settings import SettingField, Settings, setting_fields
from ._sound import (
    KINDS,
    Formants,
    Intensity,
    Levels,
    OutputError,
    PitchTrack,
    Sound,
    SoundError,
    Spectrum,
    TonalyxWarning,
    UsageError,
    formant_table,
    intensity_table,
    pitch_table,
    read,
    stream_pitch,
)
from ._textgrid import TextGrid, TextGridError, Tier, read_textgrid
from ._tonalyx import version as __version__
from ._tonalyx_cli import run_cli

__all__ = [
    "__version__",
    "Formants",
    "Intensity",
    "KINDS",
    "Levels",
    "OutputError",
    "PitchTrack",
    "SettingField",
    "Settings",
    "Sound",
    "SoundError",
    "Spectrum",
    "TextGrid",
    "TextGridError",
    "Tier",
    "TonalyxWarning",
    "UsageError",
    "formant_table",
    "intensity_table",
    "pitch_table",
    "read",
    "read_textgrid",
    "run_cli",
    "setting_fields",
    "stream_pitch",
]
