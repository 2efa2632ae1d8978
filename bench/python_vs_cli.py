#!/usr/bin/python3
"""The Python package against tonalyx-cli, side by side in one run.

1. Call overhead: tonalyx.read(...).levels(fit=True) and .pitch() in a fresh interpreter,
   timed after the import (the interpreter's start and the import left out), against the whole
   tonalyx-cli process doing the same work (a 60 s voice-like sound at 16 kHz: levels --fit
   over 1024 columns, the pitch table); medians of RUNS runs each (default 5), taken in turns,
   and the ratio Python / tonalyx-cli (1.00: the same).
2. Corpus throughput: FILES ten-second files (default 200) through `python3 -m tonalyx.corpus
   --pitch --levels fft` on a local cluster of two workers, cluster start included, against
   tonalyx-cli pitch and levels over the same files by `xargs -P 2`; files per second and the
   ratio corpus / xargs (above 1: the corpus runner is faster).

Usage: PYTHONPATH=build/python /usr/bin/python3 bench/python_vs_cli.py [BUILD_DIR]
"""

from __future__ import annotations

import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
import wave
from pathlib import Path

import numpy as np

ROOT = Path(__file__).resolve().parent.parent
BUILD = Path(sys.argv[1]) if len(sys.argv) > 1 else ROOT / "build"
CLI = BUILD / "cli" / "tonalyx-cli"
RUNS = int(os.environ.get("RUNS", "5"))
FILES = int(os.environ.get("FILES", "200"))
ENVIRONMENT = {**os.environ, "PYTHONPATH": str(BUILD / "python")}


def voice(rate: int, seconds: float, f0: float, seed: int) -> np.ndarray:
    """Harmonics with a wandering F0, voiced 0.8 s of every second, over a little noise."""
    generator = np.random.default_rng(seed)
    t = np.arange(int(rate * seconds)) / rate
    glide = f0 * (1 + 0.25 * np.sin(2 * np.pi * 0.3 * t))
    phase = 2 * np.pi * np.cumsum(glide) / rate
    harmonics = sum(np.sin(k * phase) / k for k in range(1, 10))
    signal = 8000 * harmonics * (t % 1 < 0.8) + 200 * generator.standard_normal(len(t))
    return np.clip(np.round(signal), -32768, 32767).astype(np.int16)


def write_wave(path: Path, samples: np.ndarray, rate: int) -> None:
    with wave.open(str(path), "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(rate)
        out.writeframes(samples.astype("<i2").tobytes())


def run(command: list[str], **options) -> None:
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, **options)


def process_seconds(command: list[str]) -> float:
    start = time.perf_counter()
    run(command)
    return time.perf_counter() - start


def python_seconds(call: str, path: Path) -> float:
    """The call's time in a fresh interpreter, after the import: what a script pays."""
    script = (
        "import sys, time, tonalyx\n"
        "start = time.perf_counter()\n"
        f"tonalyx.read(sys.argv[1]).{call}\n"
        "print(time.perf_counter() - start)\n"
    )
    out = subprocess.run([sys.executable, "-c", script, str(path)], check=True,
                         capture_output=True, env=ENVIRONMENT)
    return float(out.stdout)


def call_overhead(folder: Path) -> None:
    path = folder / "long.wav"
    write_wave(path, voice(16000, 60, 150, 1), 16000)
    image = folder / "long.pgm"
    cases = [
        ("levels", [str(CLI), "levels", str(path), "--fit", "-o", str(image)],
         "levels(fit=True)"),
        ("pitch", [str(CLI), "pitch", str(path)], "pitch()"),
    ]
    print(f"Call overhead, 60 s at 16 kHz, median of {RUNS} runs taken in turns:")
    for name, command, call in cases:
        cli, python = [], []
        for _ in range(RUNS):
            cli.append(process_seconds(command))
            python.append(python_seconds(call, path))
        cli_median, python_median = statistics.median(cli), statistics.median(python)
        print(f"  {name:7} tonalyx-cli process {cli_median:7.3f} s   Python call "
              f"{python_median:7.3f} s   ratio Python / tonalyx-cli "
              f"{python_median / cli_median:5.2f}")


def corpus_throughput(folder: Path) -> None:
    corpus = folder / "corpus"
    corpus.mkdir()
    for index in range(FILES):
        write_wave(corpus / f"voice{index:03}.wav", voice(16000, 10, 100 + index % 120, index),
                   16000)
    names = "\n".join(str(p) for p in sorted(corpus.glob("*.wav"))) + "\n"
    xargs_out = folder / "xargs"
    xargs_out.mkdir()
    script = (f'n=$(basename "$1" .wav); "{CLI}" pitch "$1" > "{xargs_out}/$n.csv" && '
              f'"{CLI}" levels "$1" -o "{xargs_out}/$n.png"')
    start = time.perf_counter()
    run(["xargs", "-P", "2", "-I{}", "sh", "-c", script, "sh", "{}"], input=names.encode())
    xargs_seconds = time.perf_counter() - start

    start = time.perf_counter()
    run([sys.executable, "-m", "tonalyx.corpus", str(corpus), "--out", str(folder / "out"),
         "--pitch", "--levels", "fft", "--workers", "2"],
        env=ENVIRONMENT, stderr=subprocess.DEVNULL)
    corpus_seconds = time.perf_counter() - start
    print(f"Corpus of {FILES} ten-second files (pitch table and FFT image each), two at a time:")
    print(f"  xargs -P 2 tonalyx-cli {FILES / xargs_seconds:6.2f} files/s ({xargs_seconds:.1f} s)")
    print(f"  tonalyx.corpus         {FILES / corpus_seconds:6.2f} files/s "
          f"({corpus_seconds:.1f} s)")
    print(f"  ratio corpus / xargs   {xargs_seconds / corpus_seconds:6.2f}")


def main() -> None:
    if not CLI.exists():
        sys.exit(f"No {CLI}: build tonalyx-cli and tonalyx_python first")
    folder = Path(tempfile.mkdtemp(prefix="tonalyx-bench-"))
    try:
        call_overhead(folder)
        corpus_throughput(folder)
    finally:
        shutil.rmtree(folder)


if __name__ == "__main__":
    main()
