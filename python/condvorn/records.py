"""The library's records as Python objects: a port's settings with the host's
scaling, and a channel's capabilities."""
from __future__ import annotations

from dataclasses import dataclass
from typing import Tuple

from . import _native


def text(field):
    """A NUL-terminated name from a record."""
    return bytes(field).split(b"\0", 1)[0].decode("latin-1")


def valid(entries, number):
    """The valid entries of a record's array; a count of 0 or less (a failed read) gives none."""
    return entries[:max(0, min(number, len(entries)))]


@dataclass(frozen=True)
class Settings:
    """A port's settings as the library left them, with the host's scaling:
    an ADC code c reads as c * scale + zero in the host's units."""

    scale: float
    zero: float
    units: str
    gain: float
    offset: float
    input: int
    low_pass: float
    high_pass: float
    low_pass_type: int
    high_pass_type: int
    ac_coupling: bool
    notch: bool
    trigger_input2: bool
    falling_edge: bool
    extras: Tuple[float, ...]  # the eight extra values, by slot

    @classmethod
    def from_record(cls, record):
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

    def value(self, code):
        """An ADC code in the host's units."""
        return code * self.scale + self.zero


@dataclass(frozen=True)
class FilterType:
    """A filter characteristic: stepped (one of `cutoffs`) or continuous
    (any cut-off from `minimum` to `maximum`). Cut-offs are in Hz; 0 is off,
    negative values are mode codes."""

    name: str
    stepped: bool
    minimum: float
    maximum: float
    cutoffs: Tuple[float, ...]

    @classmethod
    def from_record(cls, record):
        return cls(text(record.name), bool(record.kind & 1), record.minimum, record.maximum,
                   tuple(valid(record.cutoffs, record.cutoffCount)))


@dataclass(frozen=True)
class ExtraSetting:
    """A device-defined extra setting: a list of choices (its value is the
    index of one) or a number from `minimum` to `maximum`."""

    name: str
    choices: Tuple[str, ...]
    minimum: float
    maximum: float

    @classmethod
    def from_record(cls, record):
        if record.kind & 1:
            choices = valid(record.choices, record.choiceCount)
            return cls(text(record.name), tuple(text(choice) for choice in choices), 0.0, 0.0)
        return cls(text(record.name), (), record.minimum, record.maximum)


@dataclass(frozen=True)
class ChannelInfo:
    """What a conditioner channel offers."""

    channel: int
    type_text: str
    inputs: Tuple[str, ...]
    gains: Tuple[float, ...]  # for the port's selected input
    low_pass: Tuple[FilterType, ...]
    high_pass: Tuple[FilterType, ...]
    max_offset: float  # the largest offset reachable, in the host's units
    extras: Tuple[ExtraSetting, ...]

    @classmethod
    def from_record(cls, channel, info):
        return cls(
            channel=channel, type_text=text(info.typeText),
            inputs=tuple(text(name) for name in valid(info.inputNames, info.inputCount)),
            gains=tuple(valid(info.gains, info.gainCount)),
            low_pass=tuple(FilterType.from_record(f) for f in valid(info.lowPassTypes, info.lowPassTypeCount)),
            high_pass=tuple(FilterType.from_record(f) for f in valid(info.highPassTypes, info.highPassTypeCount)),
            max_offset=info.maxOffset,
            extras=tuple(ExtraSetting.from_record(e) for e in valid(info.extraSettings, info.extraSettingCount)))
