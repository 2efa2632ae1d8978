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
import resource
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


def children_cpu() -> float:
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def timed(command: list[str], **options) -> tuple[float, float]:
    """Wall and CPU seconds of a command with all the processes it starts."""
    wall, cpu = time.perf_counter(), children_cpu()
    run(command, **options)
    return time.perf_counter() - wall, children_cpu() - cpu


def python_call(call: str, path: Path) -> tuple[float, float]:
    """Wall and CPU seconds of the call in a fresh interpreter, after the import."""
    script = (
        "import sys, time, tonalyx\n"
        "wall, cpu = time.perf_counter(), time.process_time()\n"
        f"tonalyx.read(sys.argv[1]).{call}\n"
        "print(time.perf_counter() - wall, time.process_time() - cpu)\n"
    )
    out = subprocess.run([sys.executable, "-c", script, str(path)], check=True,
                         capture_output=True, env=ENVIRONMENT)
    wall, cpu = map(float, out.stdout.split())
    return wall, cpu


def medians(samples: list[tuple[float, float]]) -> tuple[float, float]:
    return statistics.median(s[0] for s in samples), statistics.median(s[1] for s in samples)


def call_overhead(folder: Path) -> None:
    path = folder / "long.wav"
    write_wave(path, voice(16000, 60, 150, 1), 16000)
    image = folder / "long.pgm"
    cases = [
        ("levels", [str(CLI), "levels", str(path), "--fit", "-o", str(image)],
         "levels(fit=True)"),
        ("pitch", [str(CLI), "pitch", str(path)], "pitch()"),
    ]
    print(f"Call overhead, 60 s at 16 kHz, medians of {RUNS} runs taken in turns "
          "(wall / CPU seconds):")
    for name, command, call in cases:
        cli_runs, python_runs = [], []
        for _ in range(RUNS):
            cli_runs.append(timed(command))
            python_runs.append(python_call(call, path))
        (cli_wall, cli_cpu), (python_wall, python_cpu) = medians(cli_runs), medians(python_runs)
        print(f"  {name:7} tonalyx-cli process {cli_wall:6.3f} / {cli_cpu:6.3f}   Python call "
              f"{python_wall:6.3f} / {python_cpu:6.3f}   ratio Python / tonalyx-cli "
              f"{python_wall / cli_wall:5.2f} / {python_cpu / cli_cpu:5.2f}")


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
    xargs_wall, xargs_cpu = timed(
        ["xargs", "-P", "2", "-I{}", "sh", "-c", script, "sh", "{}"], input=names.encode())
    corpus_wall, corpus_cpu = timed(
        [sys.executable, "-m", "tonalyx.corpus", str(corpus), "--out", str(folder / "out"),
         "--pitch", "--levels", "fft", "--workers", "2"],
        env=ENVIRONMENT, stderr=subprocess.DEVNULL)
    print(f"Corpus of {FILES} ten-second files (pitch table and FFT image each), two at a time:")
    print(f"  xargs -P 2 tonalyx-cli {FILES / xargs_wall:6.2f} files/s "
          f"({xargs_wall:.1f} s, CPU {xargs_cpu:.1f} s)")
    print(f"  tonalyx.corpus         {FILES / corpus_wall:6.2f} files/s "
          f"({corpus_wall:.1f} s, CPU {corpus_cpu:.1f} s, cluster start included)")
    print(f"  ratio corpus / xargs   {xargs_wall / corpus_wall:6.2f} in files/s, "
          f"{corpus_cpu / xargs_cpu:.2f} in CPU time")


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
