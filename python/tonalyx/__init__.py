"""Tonalyx's analyses from Python, on the engine that tonalyx-cli and the window use.

    import tonalyx
    sound = tonalyx.read("vowel.wav")
    times, f0 = sound.pitch(step=0.01)
    times, frequencies, bandwidths = sound.formants(ceiling=5000)
    times, decibels = sound.intensity(min_pitch=75)
    levels = sound.levels(kind="fft", columns=800, fftSizeLog2=9)
    table = sound.measure("vowel.TextGrid", tier="phones", points=(0.25, 0.5, 0.75))
"""

from ._settings import SettingField, Settings, setting_fields
from ._sound import (
    KINDS,
    Formants,
    Intensity,
    Levels,
    PitchTrack,
    Sound,
    SoundError,
    Spectrum,
    TonalyxWarning,
    UsageError,
    pitch_table,
    read,
)
from ._textgrid import TextGrid, TextGridError, Tier, read_textgrid
from ._tonalyx import run_cli

__all__ = [
    "Formants",
    "Intensity",
    "KINDS",
    "Levels",
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
    "pitch_table",
    "read",
    "read_textgrid",
    "run_cli",
    "setting_fields",
]
