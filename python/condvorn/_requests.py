"""The settings a caller asks of a channel, checked against what the channel
offers before anything is sent: each refused value raises ValueError naming
the values that the channel takes. Inputs, filter characteristics, extra
settings and their choices are taken by the name that ChannelInfo shows
(letter case aside) or by index; cut-offs by frequency or by the name of a
listed mode ("off", "Rect * 10")."""
from __future__ import annotations

import numbers
from dataclasses import dataclass
from typing import Any, Dict, Mapping, Optional, Sequence

from . import _float32, _native
from .records import CUTOFF_MODES, ChannelInfo, ExtraSetting, FilterType

FLAG_BITS = {
    "ac_coupling": _native.COND_FLAG_AC_COUPLING,
    "notch": _native.COND_FLAG_NOTCH,
    "trigger_input2": _native.COND_FLAG_TRIGGER_IN2,
    "falling_edge": _native.COND_FLAG_FALLING_EDGE,
}
UNITS_LENGTH = 7
EXTRA_SLOTS = 8
OFFSET_TOLERANCE = 1e-6  # the largest offset as a float32 may lie below the library's double


@dataclass
class Request:
    """The record to apply, and the gain and offset to set after it."""

    record: _native.ChanSettings
    gain: Optional[float]
    offset: Optional[float]


def number(name: str, value: Any) -> float:
    """A real number that a record's float32 holds."""
    if isinstance(value, bool) or not isinstance(value, numbers.Real) or not _float32.fits(float(value)):
        raise ValueError(f"{name} must be a finite number, not {value!r}")
    return float(value)


def indexed(names: Sequence[str]) -> str:
    return ", ".join(f"{index} {name!r}" for index, name in enumerate(names))


def pick(name: str, value: Any, names: Sequence[str], owner: str) -> int:
    """The index of `value` among `names`: a name (letter case aside) or an index."""
    if isinstance(value, str):
        lowered = [each.lower() for each in names]
        if value.lower() in lowered:
            return lowered.index(value.lower())
    elif isinstance(value, numbers.Integral) and not isinstance(value, bool) and 0 <= value < len(names):
        return int(value)
    offered = f"{owner} are {indexed(names)}" if names else f"{owner}: none"
    raise ValueError(f"{name} {value!r}: {offered}")


def cutoff_text(cutoff: float) -> str:
    return CUTOFF_MODES.get(cutoff, f"{cutoff:g}")


def cutoff(name: str, value: Any, filter: FilterType) -> float:
    """A cut-off that `filter` takes: a listed one (by number or mode name);
    for a stepped characteristic any frequency within its listed ones, which
    snaps to the nearest; for a continuous one any within its range."""
    listed = ", ".join(map(cutoff_text, filter.cutoffs))
    if isinstance(value, str):
        for entry in filter.cutoffs:
            if cutoff_text(entry).lower() == value.lower():
                return entry
        frequency = None
    else:
        frequency = number(name, value)
    frequencies = [entry for entry in filter.cutoffs if entry > 0]
    if filter.stepped:
        span = (min(frequencies), max(frequencies)) if frequencies else None
        takes = f"one of {listed} (a frequency in between snaps to the nearest)"
    else:
        span = (filter.minimum, filter.maximum)
        takes = f"{filter.minimum:g} to {filter.maximum:g} Hz or one of {listed}"
    if frequency is not None and (frequency in filter.cutoffs or (span and span[0] <= frequency <= span[1])):
        return frequency
    raise ValueError(f"{name} {value!r}: {filter.name} takes {takes}")


def extra_value(setting: ExtraSetting, value: Any) -> float:
    """The value of an extra setting: a choice (by name or index) or a number in its range."""
    if setting.choices:
        return float(pick(f"{setting.name} value", value, setting.choices, f"the choices of {setting.name}"))
    result = number(setting.name, value)
    if not setting.minimum <= result <= setting.maximum:
        raise ValueError(f"{setting.name} {value!r}: it takes a number from {setting.minimum:g} to {setting.maximum:g}")
    return result


def set_extras(record: _native.ChanSettings, extras: Mapping[Any, Any], info: ChannelInfo) -> None:
    """Writes extra settings, given by name or index, into their slots."""
    owner = f"channel {info.channel}'s extra settings"
    names = [setting.name for setting in info.extras]
    chosen: Dict[int, Any] = {}
    for key, value in extras.items():
        index = pick("extra setting", key, names, owner)
        if index in chosen:
            raise ValueError(f"extra setting {names[index]!r} is given twice")
        chosen[index] = value
    for index, value in chosen.items():
        setting = info.extras[index]
        if not 0 <= setting.slot < EXTRA_SLOTS:
            raise ValueError(f"extra setting {setting.name!r}: the channel names slot {setting.slot}, "
                             f"which a record does not have")
        record.extraValues[setting.slot] = extra_value(setting, value)


def filter_side(name: str, filters: Sequence[FilterType], channel: int) -> Sequence[FilterType]:
    if not filters:
        raise ValueError(f"{name}: channel {channel} has no {name.split('_')[0]}-pass filter")
    return filters


def plan(info: ChannelInfo, current: _native.ChanSettings, given: Dict[str, Any]) -> Request:
    """The checked request: `given` holds the arguments of Line.set that are
    not None. `info` is what the channel offers."""
    record = _native.ChanSettings.from_buffer_copy(current)
    channel = info.channel
    if "input" in given:
        record.input = pick("input", given["input"], info.inputs, f"channel {channel}'s inputs")
    elif info.inputs and not 0 <= record.input < len(info.inputs):
        raise ValueError(f"the record's input {record.input} is not one of channel {channel}'s inputs "
                         f"({indexed(info.inputs)}): give input")
    for side, filters in (("low_pass", info.low_pass), ("high_pass", info.high_pass)):
        type_field, cutoff_field = f"{side[:-5]}PassType", f"{side[:-5]}PassCutoff"
        if f"{side}_type" in given:
            names = [each.name for each in filter_side(f"{side}_type", filters, channel)]
            setattr(record, type_field, pick(f"{side}_type", given[f"{side}_type"], names,
                                             f"channel {channel}'s {side.replace('_', '-')} characteristics"))
        if side in given:
            filters = filter_side(side, filters, channel)
            kind = getattr(record, type_field)
            if not 0 <= kind < len(filters):
                raise ValueError(f"{side}: the record's characteristic {kind} is not one of channel {channel}'s; "
                                 f"give {side}_type")
            setattr(record, cutoff_field, cutoff(side, given[side], filters[kind]))
    for name, bit in FLAG_BITS.items():
        if name in given:
            if not isinstance(given[name], bool):
                raise ValueError(f"{name} takes True or False, not {given[name]!r}")
            record.flags = (record.flags | bit) if given[name] else (record.flags & ~bit)
    if "extras" in given:
        set_extras(record, given["extras"], info)
    for name in ("scale", "zero"):
        if name in given:
            setattr(record, name, number(name, given[name]))
    if "units" in given:
        units = given["units"]
        if not isinstance(units, str) or not units.isascii() or len(units) > UNITS_LENGTH:
            raise ValueError(f"units take at most {UNITS_LENGTH} ASCII characters, not {units!r}")
        record.units = units.encode("ascii")
    gain = number("gain", given["gain"]) if "gain" in given else None
    if gain is not None and gain <= 0:
        raise ValueError(f"gain {given['gain']!r}: a gain is above 0 (the nearest the channel offers is taken)")
    offset = number("offset", given["offset"]) if "offset" in given else None
    return Request(record, gain, offset)


def check_offset(offset: float, largest: float, units: str, info: ChannelInfo) -> None:
    """Refuses an offset beyond the largest the channel reaches on the
    request's input (`largest`, in the host's units)."""
    if abs(offset) > largest * (1 + OFFSET_TOLERANCE):
        input = info.inputs[info.input] if 0 <= info.input < len(info.inputs) else info.input
        raise ValueError(f"offset {offset:g}: channel {info.channel} reaches offsets from {-largest:g} to "
                         f"{largest:g}{units} on input {input!r}")
