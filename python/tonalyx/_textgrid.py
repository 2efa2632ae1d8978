"""Praat's TextGrid annotations: tiers of labelled intervals or points over one time span."""

from __future__ import annotations

import os
from dataclasses import dataclass, field
from typing import List, Optional, Tuple

from . import _tonalyx

TextGridError = _tonalyx.TextGridError


@dataclass
class Tier:
    """One tier: `kind` "interval" with `intervals` as (start, end, label) tuples that follow
    one another from the grid's start to its end, or "point" with `points` as (time, label)
    tuples in time order; times in seconds."""

    name: str
    kind: str = "interval"
    intervals: List[Tuple[float, float, str]] = field(default_factory=list)
    points: List[Tuple[float, str]] = field(default_factory=list)

    def _items(self) -> list:
        return list(self.intervals if self.kind == "interval" else self.points)


@dataclass
class TextGrid:
    """Annotations from `start` to `end` seconds in tiers, as Praat's TextGrid files hold
    them."""

    start: float
    end: float
    tiers: List[Tier] = field(default_factory=list)

    def tier(self, name: str) -> Optional[Tier]:
        """The first tier of that name, or None."""
        return next((tier for tier in self.tiers if tier.name == name), None)

    def write(self, path: "str | os.PathLike[str]", format: str = "long") -> None:
        """Writes the grid as a TextGrid text file in UTF-8, in Praat's "long" or "short"
        form, whole or not at all; times read back exactly. A tier whose intervals do not
        tile the grid's span raises `TextGridError` naming the interval, and nothing is
        written."""
        _tonalyx.write_textgrid(
            os.fspath(path), float(self.start), float(self.end), self._native_tiers(),
            format=str(format),
        )

    def _native_tiers(self) -> list:
        return [(tier.name, tier.kind, tier._items()) for tier in self.tiers]


def read_textgrid(path: "str | os.PathLike[str]") -> TextGrid:
    """Reads a TextGrid text file in Praat's long or short form, UTF-8 or UTF-16 (either
    byte order, with its mark). A broken file raises `TextGridError` with its line and the
    reason; nothing is half read."""
    start, end, tiers = _tonalyx.read_textgrid(os.fspath(path))
    grid = TextGrid(start, end)
    for name, kind, items in tiers:
        if kind == "interval":
            grid.tiers.append(Tier(name, kind, intervals=list(items)))
        else:
            grid.tiers.append(Tier(name, kind, points=list(items)))
    return grid
