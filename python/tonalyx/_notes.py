"""Notes on what a read or an analysis changed: warnings, or gathered per thread for the corpus
runner's records. Light to import: the runner's pitch-only workers use it without numpy."""

from __future__ import annotations

import contextlib
import threading
import warnings
from typing import Iterator, Optional


class TonalyxWarning(UserWarning):
    """Something the analysis changed and says, as the command line's notes do."""


# Where this thread's notes go instead of warnings, while collected_notes() runs.
_collecting = threading.local()


def say(note: str, stacklevel: int) -> None:
    """A note on what an analysis changed: a `TonalyxWarning`, or into the list of this
    thread's collected_notes()."""
    notes = getattr(_collecting, "notes", None)
    if notes is None:
        warnings.warn(note, TonalyxWarning, stacklevel=stacklevel + 1)
    else:
        notes.append(note)


@contextlib.contextmanager
def collected_notes() -> Iterator[list[str]]:
    """The notes of this thread's reads and analyses, gathered into a list instead of warned:
    threads that analyse side by side (a Dask worker's) each keep their own, which the
    warnings module, one state for the whole process, cannot do."""
    previous = getattr(_collecting, "notes", None)
    _collecting.notes = []
    try:
        yield _collecting.notes
    finally:
        _collecting.notes = previous


def say_load_notes(name: str, read_notes: list[str], loaded: int, in_file: int, rate: float,
                   limit: str, max_seconds: Optional[float], remedy: str,
                   stacklevel: int) -> None:
    """Says what the read of `name` changed, in the command line's words where its remedy is
    the same. A read cut to `loaded` of the file's `in_file` frames names what cut it (the
    read's own `limit`, or `max_seconds` when that was asked for) and `remedy`, what reads
    more."""
    for note in read_notes:
        say(f"{name}: {note}", stacklevel=stacklevel + 1)
    if loaded < in_file:
        shown = limit if max_seconds is None else f"max_seconds={max_seconds:g}"
        say(f"{name}: read the first {loaded / rate:.6g} s of {in_file / rate:.6g} s "
            f"({shown}); {remedy}", stacklevel=stacklevel + 1)
