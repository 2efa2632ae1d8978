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

import importlib
from typing import Any

from ._tonalyx import version as __version__

# Each name's module, imported when the name is first used: numpy and pandas take a tenth of
# a second to import, which the corpus runner's pitch-only runs, working without them, save.
_HOMES = {
    "Formants": "_sound",
    "Intensity": "_sound",
    "KINDS": "_settings",
    "Levels": "_sound",
    "OutputError": "_sound",
    "PitchTrack": "_sound",
    "SettingField": "_settings",
    "Settings": "_settings",
    "Sound": "_sound",
    "SoundError": "_sound",
    "Spectrum": "_sound",
    "TextGrid": "_textgrid",
    "TextGridError": "_textgrid",
    "Tier": "_textgrid",
    "TonalyxWarning": "_notes",
    "UsageError": "_sound",
    "formant_table": "_sound",
    "intensity_table": "_sound",
    "pitch_table": "_sound",
    "read": "_sound",
    "read_textgrid": "_textgrid",
    "run_cli": "_tonalyx_cli",
    "setting_fields": "_settings",
    "stream_pitch": "_sound",
}

__all__ = ["__version__", *_HOMES]


def __getattr__(name: str) -> Any:
    home = _HOMES.get(name)
    if home is None:
        raise AttributeError(f"module {__name__!r} has no attribute {name!r}")
    value = getattr(importlib.import_module(f".{home}", __name__), name)
    globals()[name] = value
    return value


def __dir__() -> list[str]:
    return sorted({*globals(), *__all__})

