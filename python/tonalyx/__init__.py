"""Tonalyx's analyses from Python, on the engine that tonalyx-cli and the window use.

    import tonalyx
    sound = tonalyx.read("vowel.wav")
    times, f0 = sound.pitch(step=0.01)
    levels = sound.levels(kind="fft", columns=800, fftSizeLog2=9)
"""

from ._settings import SettingField, Settings, setting_fields
from ._sound import (
    KINDS,
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
from ._tonalyx import run_cli

__all__ = [
    "KINDS",
    "Levels",
    "PitchTrack",
    "SettingField",
    "Settings",
    "Sound",
    "SoundError",
    "Spectrum",
    "TonalyxWarning",
    "UsageError",
    "pitch_table",
    "read",
    "run_cli",
    "setting_fields",
]
