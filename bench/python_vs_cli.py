#!/usr/bin/python3
"""The Python package against tonalyx-cli, side by side in one run.

1. Call overhead: tonalyx.read(...).levels(fit=True) and .pitch() in a fresh interpreter,
   timed after the import (the interpreter's start and the import left out), against the whole
   tonalyx-cli process doing the same work (a 60 s voice-like sound at 16 kHz: levels --fit
   over 1024 columns, the pitch table); medians of RUNS runs each (default 5), taken in turns,
   and the ratio Python / tonalyx-cli (1.00: the same).
2. Corpus throughput: FILES ten-second files (default 200), two at a time, through
   `python3 -m tonalyx.corpus` on a local cluster of two workers (cluster start included),
   through tonalyx-cli by `xargs -P 2`, and through Praat's To Pitch (ac) (bench/pitch.praat,
   the range PITCH_RANGE searched by every contender). tonalyx runs twice: pitch table and FFT
   image, then the pitch table alone, which is the work Praat does. Praat runs twice too: one
   process per file by `xargs -P 2`, as tonalyx-cli runs, and two processes each taking half
   the list, which leaves out all but two of Praat's starts. Files per second, and the ratios
   of files per second against tonalyx-cli and against each Praat run (above 1: faster).

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
PRAAT_PITCH = ROOT / "bench" / "pitch.praat"
PITCH_RANGE = (80, 640)
PITCH_SETTINGS = ["--set", f"pitchMinFreq={PITCH_RANGE[0]}",
                  "--set", f"pitchMaxFreq={PITCH_RANGE[1]}"]
PITCH_ARGUMENTS = " ".join(PITCH_SETTINGS)

# Praat's pitch script over every file of a list, in one Praat process.
PRAAT_BATCH = """form Pitch of every file in a list
    sentence list files.txt
    sentence folder out
    sentence script pitch.praat
    positive floor 80
    positive ceiling 640
endform
paths = Read Strings from raw text file: list$
count = Get number of strings
for file to count
    selectObject: paths
    path$ = Get string: file
    name$ = replace_regex$(path$, "^.*/(.*)\\.wav$", "\\1", 1)
    runScript: script$, path$, folder$ + "/" + name$ + ".txt", floor, ceiling
endfor
removeObject: paths
"""


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


def xargs(folder: Path, names: str, script: str) -> tuple[float, float]:
    """Wall and CPU seconds of a shell script run on each file, two at a time."""
    return timed(["xargs", "-P", "2", "-I{}", "sh", "-c", script, "sh", "{}"],
                 input=names.encode(), cwd=folder)


def expect(folder: Path, pattern: str) -> None:
    """Refuses a timing whose run did not write one result per file."""
    made = len(list(folder.rglob(pattern)))
    if made != FILES:
        sys.exit(f"{folder}: {made} files {pattern} for {FILES} sounds")


def load() -> str:
    return " ".join(f"{value:.2f}" for value in os.getloadavg())


def corpus_throughput(folder: Path) -> None:
    corpus = folder / "corpus"
    corpus.mkdir()
    for index in range(FILES):
        write_wave(corpus / f"voice{index:03}.wav", voice(16000, 10, 100 + index % 120, index),
                   16000)
    paths = sorted(str(p) for p in corpus.glob("*.wav"))
    names = "\n".join(paths) + "\n"
    outputs = {name: folder / "out" / name for name in
               ("cli", "cli-pitch", "corpus", "corpus-pitch", "praat", "praat-batch")}
    for output in outputs.values():
        output.mkdir(parents=True)
    loads = [load()]
    cli = f'n=$(basename "$1" .wav); "{CLI}" pitch "$1" {PITCH_ARGUMENTS} > "{{out}}/$n.csv"'
    times = {}
    times["cli"] = xargs(folder, names, cli.format(out=outputs["cli"]) +
                         f' && "{CLI}" levels "$1" -o "{outputs["cli"]}/$n.png"')
    expect(outputs["cli"], "*.png")
    times["cli-pitch"] = xargs(folder, names, cli.format(out=outputs["cli-pitch"]))
    expect(outputs["cli-pitch"], "*.csv")
    for name, levels in (("corpus", ["--levels", "fft"]), ("corpus-pitch", [])):
        times[name] = timed(
            [sys.executable, "-m", "tonalyx.corpus", str(corpus), "--out", str(outputs[name]),
             "--pitch", *PITCH_SETTINGS, *levels, "--workers", "2"],
            env=ENVIRONMENT, stderr=subprocess.DEVNULL)
        expect(outputs[name], "*.pitch.csv")
    floor, ceiling = PITCH_RANGE
    times["praat"] = xargs(
        folder, names, f'praat --run "{PRAAT_PITCH}" "$1" '
        f'"{outputs["praat"]}/$(basename "$1" .wav).txt" {floor} {ceiling}')
    expect(outputs["praat"], "*.txt")
    batch = folder / "batch.praat"
    batch.write_text(PRAAT_BATCH)
    halves = []
    for half in range(2):
        listing = folder / f"half{half}.txt"
        listing.write_text("\n".join(paths[half::2]) + "\n")
        halves.append(str(listing))
    times["praat-batch"] = xargs(
        folder, "\n".join(halves) + "\n",
        f'praat --run "{batch}" "$1" "{outputs["praat-batch"]}" "{PRAAT_PITCH}" {floor} {ceiling}')
    expect(outputs["praat-batch"], "*.txt")
    loads.append(load())
    first = Path(paths[0]).stem
    rows_per_file = len((outputs["cli-pitch"] / f"{first}.csv").read_text().splitlines()) - 1
    frames_per_file = len((outputs["praat"] / f"{first}.txt").read_text().split())

    rates = {name: FILES / wall for name, (wall, _) in times.items()}
    rows = [
        ("xargs -P 2 tonalyx-cli", "cli", "pitch table + FFT image"),
        ("tonalyx.corpus", "corpus", "pitch table + FFT image, cluster start included"),
        ("xargs -P 2 tonalyx-cli", "cli-pitch", "pitch table only"),
        ("tonalyx.corpus --pitch", "corpus-pitch", "pitch table only, cluster start included"),
        ("Praat, one per file", "praat", "pitch only: To Pitch (ac), xargs -P 2"),
        ("Praat, two halves", "praat-batch", "pitch only: To Pitch (ac), two processes"),
    ]
    print(f"Corpus of {FILES} ten-second files at 16 kHz, two at a time, pitch searched over "
          f"{floor} .. {ceiling} Hz by all (load average {loads[0]} before, {loads[1]} after):")
    for label, name, work in rows:
        wall, cpu = times[name]
        print(f"  {label:23} {rates[name]:6.2f} files/s ({wall:6.1f} s, CPU {cpu:6.1f} s)  {work}")
    print(f"  (per file: tonalyx pitch table {rows_per_file} rows, Praat {frames_per_file} "
          "frames of F0)")
    print("Ratios of files per second (above 1: the first is faster):")
    for label, name, work in rows[:4]:
        short = f"{label} ({work.split(',')[0]})"
        print(f"  {short:58} / Praat one per file {rates[name] / rates['praat']:5.2f}   "
              f"/ Praat two halves {rates[name] / rates['praat-batch']:5.2f}")
    for work, suffix in (("pitch table + FFT image", ""), ("pitch table only", "-pitch")):
        short = f"tonalyx.corpus ({work})"
        print(f"  {short:58} / xargs tonalyx-cli  "
              f"{rates['corpus' + suffix] / rates['cli' + suffix]:5.2f}")


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
