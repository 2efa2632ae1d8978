#!/usr/bin/python3
"""TextGrids and per-interval measurements checked against Praat, in one run:

  files:    Praat writes a TextGrid of synthetic vowels in its long, short and UTF-16 forms
            (bench/textgrid.praat make); `tonalyx-cli intervals` must list every tier, interval,
            point and label as Praat lists them, times to the bit. Each is then written by
            tonalyx (TextGrid.write, long and short) and read back by Praat, which must list the
            same rows again.
  measure:  `tonalyx-cli measure` on the labelled vowels against Praat's To Pitch, To Formant
            (burg) and To Intensity over the same intervals (mean F0, energy mean dB, formant
            means, F1-F3 at the middle): both values and their difference per vowel.

Usage: PYTHONPATH=build/python bench/textgrid_vs_praat.py [BUILD_DIR]
Needs praat (Debian: apt-get install praat); exits 1 when a file check fails.
"""

from __future__ import annotations

import csv
import io
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

import tonalyx

ROOT = Path(__file__).resolve().parent.parent
SCRIPT = ROOT / "bench" / "textgrid.praat"


def praat(*arguments: str) -> None:
    """Runs the Praat side with its arguments."""
    subprocess.run(["praat", "--run", str(SCRIPT), *arguments], check=True)


def decoded(data: bytes) -> str:
    """Text as Praat writes it: UTF-16 with its mark, or UTF-8."""
    return data.decode("utf-16") if data[:2] in (b"\xfe\xff", b"\xff\xfe") else data.decode()


def praat_rows(grid: Path, folder: Path) -> list[tuple]:
    """Praat's listing of a TextGrid: (tier, kind, index, start, end, label) per row."""
    listing = folder / "listing.tsv"
    praat("list", str(grid), str(listing))
    rows = []
    for line in decoded(listing.read_bytes()).splitlines():
        tier, kind, index, start, end, label = line.split("\t")
        rows.append((tier, kind, int(index), float(start), float(end), label))
    return rows


def our_rows(cli: Path, grid: Path) -> list[tuple]:
    """`tonalyx-cli intervals` on the TextGrid, in the same shape."""
    table = subprocess.run([str(cli), "intervals", str(grid)], check=True,
                           capture_output=True).stdout.decode()
    reader = csv.reader(io.StringIO(table))
    next(reader)
    return [(tier, kind, int(index), float(start), float(end), label)
            for _, tier, kind, index, start, end, label in reader]


def check_files(cli: Path, folder: Path) -> bool:
    """Reads Praat's files and has Praat read ours; prints one line per file."""
    good = True
    for name in ("vowels.TextGrid", "short.TextGrid", "utf16.TextGrid"):
        source = folder / name
        expected = praat_rows(source, folder)
        ours = our_rows(cli, source)
        print(f"read    {name:16} {len(expected)} rows from Praat, "
              f"{'identical' if ours == expected else 'DIFFERENT'} in tonalyx-cli intervals")
        good &= ours == expected
        for form in ("long", "short"):
            written = folder / f"ours-{form}-{name}"
            tonalyx.read_textgrid(source).write(written, format=form)
            back = praat_rows(written, folder)
            print(f"written {name:16} {form:5}: Praat reads back "
                  f"{'the same rows' if back == expected else 'DIFFERENT rows'}")
            good &= back == expected
    return good


def compare_measures(cli: Path, folder: Path) -> None:
    """Prints tonalyx-cli measure beside Praat's values for each vowel."""
    praat_table = folder / "praat-measure.tsv"
    praat("measure", str(folder), str(praat_table))
    theirs = list(csv.DictReader(io.StringIO(decoded(praat_table.read_bytes())), delimiter="\t"))
    ours = subprocess.run(
        [str(cli), "measure", str(folder / "vowels.wav"), "--tier", "vowels", "--ceiling", "5000",
         "--set", "pitchMinFreq=75", "--set", "pitchMaxFreq=600"],
        check=True, capture_output=True).stdout.decode()
    ours_rows = {row["label"]: row for row in csv.DictReader(io.StringIO(ours))}
    columns = [name for name in theirs[0] if name != "label"]
    print(f"\n{'vowel':6}{'column':20}{'tonalyx':>12}{'Praat':>12}{'difference':>12}")
    for row in theirs:
        mine = ours_rows[row["label"]]
        for name in columns:
            a, b = float(mine[name]), float(row[name])
            print(f"{row['label']:6}{name:20}{a:12.3f}{b:12.3f}{a - b:12.3f}")


def main() -> int:
    build = Path(sys.argv[1] if len(sys.argv) > 1 else ROOT / "build")
    cli = build / "cli" / "tonalyx-cli"
    if shutil.which("praat") is None:
        print("Praat is not installed (Debian: apt-get install praat)", file=sys.stderr)
        return 1
    with tempfile.TemporaryDirectory() as work:
        folder = Path(work)
        praat("make", str(folder), "-")
        good = check_files(cli, folder)
        compare_measures(cli, folder)
    return 0 if good else 1


if __name__ == "__main__":
    sys.exit(main())
