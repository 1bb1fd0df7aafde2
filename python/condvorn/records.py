"""The library's records as Python objects: a port's settings with the host's
scaling, and a channel's capabilities. Their reprs show single-precision
values as the shortest text that gives the same float32 (0.1, not
0.10000000149011612)."""
from __future__ import annotations

import dataclasses
from dataclasses import dataclass, field
from typing import Any, Sequence, Tuple

from . import _float32, _native

# A field that holds float32 values (one, or a tuple of them).
FLOAT32: Any = {"float32": True}

# The names of the cut-off list's entries that are no frequency.
CUTOFF_MODES = {0.0: "off", -1.0: "Rect * 1", -10.0: "Rect * 10", -11.0: "Raw * 10"}


def text(field: Any) -> str:
    """A NUL-terminated name from a record."""
    return bytes(field).split(b"\0", 1)[0].decode("latin-1")


def valid(entries: Sequence[Any], number: int) -> Sequence[Any]:
    """The valid entries of a record's array; a count of 0 or less (a failed read) gives none."""
    return entries[:max(0, min(number, len(entries)))]


class Record:
    """Its repr lists the fields by name, float32 values at their shortest."""

    def __repr__(self) -> str:
        shown = []
        for each in dataclasses.fields(self):
            value = getattr(self, each.name)
            if each.metadata.get("float32"):
                value = tuple(map(_float32.shortest, value)) if isinstance(value, tuple) else _float32.shortest(value)
            shown.append(f"{each.name}={value!r}")
        return f"{type(self).__name__}({', '.join(shown)})"


@dataclass(frozen=True, repr=False)
class Settings(Record):
    """A port's settings as the library left them, with the host's scaling:
    an ADC code c reads as c * scale + zero in the host's units."""

    scale: float = field(metadata=FLOAT32)
    zero: float = field(metadata=FLOAT32)
    units: str
    gain: float = field(metadata=FLOAT32)
    offset: float = field(metadata=FLOAT32)
    input: int
    low_pass: float = field(metadata=FLOAT32)
    high_pass: float = field(metadata=FLOAT32)
    low_pass_type: int
    high_pass_type: int
    ac_coupling: bool
    notch: bool
    trigger_input2: bool
    falling_edge: bool
    extras: Tuple[float, ...] = field(metadata=FLOAT32)  # the eight extra values, by slot

    @classmethod
    def from_record(cls, record: _native.ChanSettings) -> Settings:
        flags = record.flags
        return cls(
            scale=record.scale, zero=record.zero, units=text(record.units), gain=record.gain,
            offset=record.offset, input=record.input, low_pass=record.lowPassCutoff,
            high_pass=record.highPassCutoff, low_pass_type=record.lowPassType,
            high_pass_type=record.highPassType,
            ac_coupling=bool(flags & _native.COND_FLAG_AC_COUPLING),
            notch=bool(flags & _native.COND_FLAG_NOTCH),
            trigger_input2=bool(flags & _native.COND_FLAG_TRIGGER_IN2),
            falling_edge=bool(flags & _native.COND_FLAG_FALLING_EDGE),
            extras=tuple(record.extraValues))

    def value(self, code: int) -> float:
        """An ADC code in the host's units."""
        return code * self.scale + self.zero


@dataclass(frozen=True, repr=False)
class FilterType(Record):
    """A filter characteristic: stepped (one of `cutoffs`) or continuous
    (any cut-off from `minimum` to `maximum`, or one of `cutoffs`). Cut-offs
    are in Hz; 0 is off and negative values are modes (CUTOFF_MODES names
    them)."""

    name: str
    stepped: bool
    minimum: float
    maximum: float
    cutoffs: Tuple[float, ...]

    @classmethod
    def from_record(cls, record: _native.InfoFilterType) -> FilterType:
        return cls(text(record.name), bool(record.kind & 1), record.minimum, record.maximum,
                   tuple(valid(record.cutoffs, record.cutoffCount)))


@dataclass(frozen=True, repr=False)
class ExtraSetting(Record):
    """A device-defined extra setting: a list of choices (its value is the
    index of one) or a number from `minimum` to `maximum`. Its value lives in
    slot `slot` of the record's eight extra values (Settings.extras)."""

    name: str
    slot: int
    choices: Tuple[str, ...]
    minimum: float
    maximum: float

    @classmethod
    def from_record(cls, record: _native.InfoExtraSetting) -> ExtraSetting:
        if record.kind & 1:
            choices = valid(record.choices, record.choiceCount)
            return cls(text(record.name), record.spare, tuple(text(choice) for choice in choices), 0.0, 0.0)
        return cls(text(record.name), record.spare, (), record.minimum, record.maximum)


@dataclass(frozen=True, repr=False)
class ChannelInfo(Record):
    """What a conditioner channel offers; `gains` and `max_offset` are those
    of input `input`."""

    channel: int
    type_text: str
    inputs: Tuple[str, ...]
    input: int
    gains: Tuple[float, ...] = field(metadata=FLOAT32)
    low_pass: Tuple[FilterType, ...]
    high_pass: Tuple[FilterType, ...]
    max_offset: float = field(metadata=FLOAT32)  # the largest offset reachable, in the host's units
    extras: Tuple[ExtraSetting, ...]

    @classmethod
    def from_record(cls, channel: int, info: _native.CondInfo) -> ChannelInfo:
        return cls(
            channel=channel, type_text=text(info.typeText),
            inputs=tuple(text(name) for name in valid(info.inputNames, info.inputCount)),
            input=info.settings.contents.input,
            gains=tuple(valid(info.gains, info.gainCount)),
            low_pass=tuple(FilterType.from_record(f) for f in valid(info.lowPassTypes, info.lowPassTypeCount)),
            high_pass=tuple(FilterType.from_record(f) for f in valid(info.highPassTypes, info.highPassTypeCount)),
            max_offset=info.maxOffset,
            extras=tuple(ExtraSetting.from_record(e) for e in valid(info.extraSettings, info.extraSettingCount)))
