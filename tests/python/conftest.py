"""Shared helpers of the Python tests: generated sounds and the command line to compare with."""

from __future__ import annotations

import os
import subprocess
import wave
from pathlib import Path
from typing import Sequence

import numpy as np
import pytest

CLI = os.environ.get("TONALYX_CLI", "")


def voice(rate: int, seconds: float, f0: float, seed: int = 0) -> np.ndarray:
    """A voice-like sound: a harmonic series with a slow F0 glide, voiced in its middle part,
    over a little noise; int16."""
    generator = np.random.default_rng(seed)
    t = np.arange(int(rate * seconds)) / rate
    glide = f0 * (1 + 0.08 * np.sin(2 * np.pi * 1.5 * t))
    phase = 2 * np.pi * np.cumsum(glide) / rate
    harmonics = sum(np.sin(k * phase) / k for k in range(1, 12) if k * f0 < rate / 2)
    voiced = (t > 0.15 * seconds) & (t < 0.85 * seconds)
    signal = 9000 * harmonics * voiced + 300 * generator.standard_normal(len(t))
    return np.clip(np.round(signal), -32768, 32767).astype(np.int16)


def write_wave(path: Path, channels: Sequence[np.ndarray], rate: int, width: int = 2) -> Path:
    """A PCM wave file of the channels (int16 samples; width 1 writes 8-bit)."""
    path.parent.mkdir(parents=True, exist_ok=True)
    frames = np.stack(channels, axis=1)
    if width == 1:
        data = ((frames.astype(np.int32) >> 8) + 128).astype(np.uint8).tobytes()
    else:
        data = frames.astype("<i2").tobytes()
    with wave.open(str(path), "wb") as out:
        out.setnchannels(len(channels))
        out.setsampwidth(width)
        out.setframerate(rate)
        out.writeframes(data)
    return path


def convert(source: Path, target: Path) -> Path:
    """The sound of source in target's container (by its extension), written by libsndfile's
    own sndfile-convert with 16-bit samples."""
    subprocess.run(["sndfile-convert", "-pcm16", str(source), str(target)], check=True,
                   capture_output=True)
    return target


def run_cli(*arguments: str) -> subprocess.CompletedProcess:
    assert CLI, "TONALYX_CLI names the tonalyx-cli program"
    return subprocess.run([CLI, *arguments], capture_output=True, check=False)


def cli_output(*arguments: str) -> bytes:
    run = run_cli(*arguments)
    assert run.returncode == 0, run.stderr.decode()
    return run.stdout


def cli_error(*arguments: str) -> str:
    """The message of the command line's one failure line, without the program name."""
    run = run_cli(*arguments)
    assert run.returncode != 0
    line = run.stderr.decode().strip().splitlines()[-1]
    prefix = "tonalyx-cli: "
    assert line.startswith(prefix), line
    return line[len(prefix):].removesuffix("; see tonalyx-cli --help")


def read_pgm(path: Path) -> np.ndarray:
    data = path.read_bytes()
    magic, size, maximum, pixels = data.split(b"\n", 3)
    assert magic == b"P5" and maximum == b"255"
    width, height = map(int, size.split())
    return np.frombuffer(pixels, dtype=np.uint8).reshape(height, width)


@pytest.fixture(scope="session")
def sounds(tmp_path_factory: pytest.TempPathFactory) -> dict[str, Path]:
    """A few files unlike each other: rates, lengths, channel counts, bit depths."""
    folder = tmp_path_factory.mktemp("sounds")
    return {
        "voice16k": write_wave(folder / "voice16k.wav", [voice(16000, 1.2, 140)], 16000),
        "stereo44k": write_wave(
            folder / "stereo 44k.wav",
            [voice(44100, 0.6, 220, 1), voice(44100, 0.6, 110, 2)],
            44100,
        ),
        "short8bit": write_wave(folder / "short8bit.wav", [voice(8000, 0.4, 180, 3)], 8000, 1),
    }
