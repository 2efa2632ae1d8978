#!/usr/bin/python3
"""Corpus throughput side by side in one run: the corpus runner, one tonalyx-cli process and
Praat, on the same files doing the same work.

FILES ten-second voice-like files at 44.1 kHz (default 200), the pitch only: F0 every 10 ms
searched from 80 to 640 Hz, one table per file.

  tonalyx-cli     one process over every file: pitch FILES... --step 0.01 -o OUT/{name}.csv
  tonalyx.corpus  python3 -m tonalyx.corpus DIR --pitch --step 0.01 on its own workers, two
                  per processor (their start and stop included)
  Praat           To Pitch (ac) at a 0.01 s time step, each frame's F0 saved, in two long
                  Praat processes that take half of the files each (both cores, as the runner
                  uses them, and only two of Praat's starts)

Each is run ROUNDS times in turns (default 3) and its median wall time kept. Printed: files
per second of each, and the ratios the goals are about: the runner against tonalyx-cli (goal:
at least 0.91, within 10 %), and each of them against Praat (goal: at least 2); beside each,
the median of the ratios within each round.

Usage: /usr/bin/python3 bench/corpus_throughput.py [BUILD_DIR]
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
FILES = int(os.environ.get("FILES", "200"))
ROUNDS = int(os.environ.get("ROUNDS", "3"))
RATE = 44100
FLOOR, CEILING, STEP = 80, 640, 0.01
SETTINGS = ["--set", f"pitchMinFreq={FLOOR}", "--set", f"pitchMaxFreq={CEILING}"]
ENVIRONMENT = {**os.environ, "PYTHONPATH": str(BUILD / "python")}

# Praat's To Pitch (ac) over every file of a list in one process, at the same step and range.
PRAAT_BATCH = f"""form Pitch of every file in a list
    sentence list files.txt
    sentence folder out
endform
paths = Read Strings from raw text file: list$
count = Get number of strings
for file to count
    selectObject: paths
    path$ = Get string: file
    name$ = replace_regex$(path$, "^.*/(.*)\\.wav$", "\\1", 1)
    sound = Read from file: path$
    pitch = To Pitch (ac): {STEP}, {FLOOR}, 15, "no", 0.03, 0.45, 0.01, 0.35, 0.14, {CEILING}
    matrix = To Matrix
    Save as headerless spreadsheet file: folder$ + "/" + name$ + ".txt"
    removeObject: sound, pitch, matrix
endfor
removeObject: paths
"""


def voice(seconds: float, f0: float, seed: int) -> np.ndarray:
    """Harmonics with a wandering F0, voiced 0.8 s of every second, over a little noise."""
    generator = np.random.default_rng(seed)
    t = np.arange(int(RATE * seconds)) / RATE
    glide = f0 * (1 + 0.25 * np.sin(2 * np.pi * 0.3 * t))
    phase = 2 * np.pi * np.cumsum(glide) / RATE
    harmonics = sum(np.sin(k * phase) / k for k in range(1, 10))
    signal = 8000 * harmonics * (t % 1 < 0.8) + 200 * generator.standard_normal(len(t))
    return np.clip(np.round(signal), -32768, 32767).astype("<i2")


def make_corpus(folder: Path) -> list[str]:
    folder.mkdir()
    for index in range(FILES):
        with wave.open(str(folder / f"voice{index:03}.wav"), "wb") as out:
            out.setnchannels(1)
            out.setsampwidth(2)
            out.setframerate(RATE)
            out.writeframes(voice(10, 100 + index % 120, index).tobytes())
    return sorted(str(path) for path in folder.glob("*.wav"))


def timed(command: list[str], **options) -> float:
    start = time.perf_counter()
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   **options)
    return time.perf_counter() - start


def fresh(folder: Path) -> Path:
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir(parents=True)
    return folder


def expect(folder: Path, pattern: str) -> None:
    """Refuses a timing whose run did not write one result per file."""
    made = len(list(folder.rglob(pattern)))
    if made != FILES:
        sys.exit(f"{folder}: {made} files {pattern} for {FILES} sounds")


def run_cli(work: Path, paths: list[str]) -> float:
    out = fresh(work / "cli")
    wall = timed([str(CLI), "pitch", *paths, "--step", str(STEP), *SETTINGS, "-o",
                  str(out / "{name}.csv")])
    expect(out, "*.csv")
    return wall


def run_corpus(work: Path, corpus: Path) -> float:
    out = work / "corpus"
    shutil.rmtree(out, ignore_errors=True)
    wall = timed([sys.executable, "-m", "tonalyx.corpus", str(corpus), "--out", str(out),
                  "--pitch", "--step", str(STEP), *SETTINGS],
                 env=ENVIRONMENT)
    expect(out, "*.pitch.csv")
    return wall


def run_praat(work: Path, paths: list[str]) -> float:
    out = fresh(work / "praat")
    script = work / "batch.praat"
    script.write_text(PRAAT_BATCH)
    lists = []
    for half in range(2):
        listing = work / f"half{half}.txt"
        listing.write_text("\n".join(paths[half::2]) + "\n")
        lists.append(listing)
    start = time.perf_counter()
    processes = [subprocess.Popen(["praat", "--run", str(script), str(listing), str(out)],
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                 for listing in lists]
    if any(process.wait() != 0 for process in processes):
        sys.exit("Praat failed")
    wall = time.perf_counter() - start
    expect(out, "*.txt")
    return wall


def main() -> None:
    if not CLI.exists():
        sys.exit(f"No {CLI}: build tonalyx-cli and tonalyx_python first")
    if shutil.which("praat") is None:
        sys.exit("No praat on the PATH: apt-get install -y praat")
    work = Path(tempfile.mkdtemp(prefix="tonalyx-corpus-bench-"))
    try:
        corpus = work / "sounds"
        paths = make_corpus(corpus)
        walls: dict[str, list[float]] = {"tonalyx-cli": [], "tonalyx.corpus": [], "Praat": []}
        load = os.getloadavg()[0]
        for _ in range(ROUNDS):
            walls["tonalyx-cli"].append(run_cli(work, paths))
            walls["tonalyx.corpus"].append(run_corpus(work, corpus))
            walls["Praat"].append(run_praat(work, paths))
        rates = {name: FILES / statistics.median(times) for name, times in walls.items()}
        print(f"{FILES} ten-second files at {RATE} Hz, F0 every {STEP} s from {FLOOR} to "
              f"{CEILING} Hz, medians of {ROUNDS} rounds (load average {load:.2f} before, "
              f"{os.getloadavg()[0]:.2f} after):")
        for name, times in walls.items():
            shown = " ".join(f"{wall:.2f}" for wall in times)
            print(f"  {name:15} {rates[name]:7.2f} files/s   (wall s: {shown})")
        print("Ratios of files per second:")
        ratios = [("tonalyx.corpus / tonalyx-cli", "tonalyx.corpus", "tonalyx-cli", 0.91),
                  ("tonalyx-cli / Praat", "tonalyx-cli", "Praat", 2.0),
                  ("tonalyx.corpus / Praat", "tonalyx.corpus", "Praat", 2.0)]
        for label, first, second, goal in ratios:
            ratio = rates[first] / rates[second]
            # Each round's own ratio, its two runs taken one after the other: the machine's
            # drift between rounds moves it less than the ratio of medians.
            paired = statistics.median(
                b / a for a, b in zip(walls[first], walls[second]))
            print(f"  {label:29} {ratio:5.2f}   (goal at least {goal:.2f}: "
                  f"{'met' if ratio >= goal else 'not met'}; median of the rounds' own "
                  f"ratios {paired:.2f})")
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()
