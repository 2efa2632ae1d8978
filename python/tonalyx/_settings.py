"""Settings records' fields as Python keywords, checked by the command line's settings table."""

from __future__ import annotations

from typing import Any, Mapping, NamedTuple

from . import _tonalyx

# The spectrogram kinds: FFT power, auto-correlation, cepstrum, liftering (the smoothed log
# spectrum in log10 units), maximum entropy (Burg), and the pitch track alone.
KINDS = ("fft", "ac", "cep", "lif", "mem", "pitch")


class SettingField(NamedTuple):
    """One field of the four settings records, as `tonalyx-cli settings` lists it."""

    name: str
    record: str
    values: str
    default: str
    meaning: str


def setting_fields() -> list[SettingField]:
    """Every field that settings keywords and `--set` take, in record order."""
    return [SettingField(*field) for field in _tonalyx.setting_fields()]


_FIELD_NAMES = frozenset(field.name for field in setting_fields())


def field_name(keyword: str) -> str:
    """The record field a keyword names: the field's own name (`fftSizeLog2`) or its
    snake_case spelling (`fft_size_log2`). Unknown names are passed on as they are, so that
    the settings table's message names them."""
    if keyword in _FIELD_NAMES:
        return keyword
    first, *rest = keyword.split("_")
    camel = first + "".join(part[:1].upper() + part[1:] for part in rest)
    return camel if camel in _FIELD_NAMES else keyword


def value_text(value: Any) -> str:
    """A Python value as the settings table reads it back exactly."""
    if isinstance(value, str):
        return value
    if hasattr(value, "item"):  # numpy scalars
        value = value.item()
    if isinstance(value, bool):
        return "true" if value else "false"
    if isinstance(value, float):
        return repr(value)
    return str(value)


class Settings:
    """Values for fields of the settings records, over the factory defaults.

    `Settings(fftSizeLog2=10, max_db=90)` checks every value at once with the command line's
    table and raises `UsageError` with its message for an unknown name or a bad value.
    """

    def __init__(self, **fields: Any) -> None:
        self._values: dict[str, Any] = {}
        self.update(**fields)

    def update(self, **fields: Any) -> "Settings":
        """Sets more fields (checked as in the constructor) and returns this object."""
        values = dict(self._values)
        values.update((field_name(key), value) for key, value in fields.items())
        _tonalyx.check_settings(_assignments(values))
        self._values = values
        return self

    def assignments(self) -> list[str]:
        """The fields as `NAME=VALUE` texts, as `tonalyx-cli --set` takes them."""
        return _assignments(self._values)

    def as_dict(self) -> dict[str, Any]:
        return dict(self._values)

    def __eq__(self, other: object) -> bool:
        return isinstance(other, Settings) and self.assignments() == other.assignments()

    def __repr__(self) -> str:
        inner = ", ".join(f"{name}={value!r}" for name, value in self._values.items())
        return f"Settings({inner})"


def _assignments(values: Mapping[str, Any]) -> list[str]:
    return [f"{name}={value_text(value)}" for name, value in values.items()]


def combined(settings: Settings | None, fields: Mapping[str, Any]) -> list[str]:
    """`--set` texts of a Settings object followed by keyword fields (the later win)."""
    assignments = settings.assignments() if settings is not None else []
    return assignments + _assignments({field_name(key): value for key, value in fields.items()})

