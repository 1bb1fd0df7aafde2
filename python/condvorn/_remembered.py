r"""The last record applied to each channel of a port, kept in a file so that
a later process starts from it: a conditioner cannot report its settings.
vornctl reads and writes the same file.

The file is <state directory>/condvorn/<port>.json (the state directory is
$XDG_STATE_HOME or ~/.local/state on Linux, %LOCALAPPDATA% on Windows), the
port named COM5 or, for a device path, dev_ttyUSB0. On Windows the path is
verbatim (\\?\C:\...): in an ordinary path Windows takes "COM5.json" for
the device COM5, and writing it would send the file down the serial line.
It holds {"version": 1, "channels": {"4": RECORD, ...}}, each RECORD the fields of
ChanSettings that a host sets, named as in condvorn.h; floats are written
as the shortest text that gives the same float32."""
from __future__ import annotations

import json
import ntpath
import os
import warnings
from typing import Any, Callable, Dict, Optional

from . import _float32, _native

VERSION = 1
FLOAT_FIELDS = ("scale", "zero", "gain", "offset", "lowPassCutoff", "highPassCutoff")
# Integer fields and the range of their C types.
INTEGER_FIELDS = {"flags": (0, 0xFFFF), "input": (-0x8000, 0x7FFF), "lowPassType": (-0x8000, 0x7FFF),
                  "highPassType": (-0x8000, 0x7FFF)}
UNITS_SIZE = 8
EXTRA_SLOTS = 8


def state_file(key: str) -> str:
    """The file of the remembered settings of the port named `key`."""
    if _native.ON_WINDOWS:
        # A verbatim path is taken as it stands: absolute, with backslashes only.
        base = ntpath.abspath(os.environ.get("LOCALAPPDATA") or ntpath.expanduser(r"~\AppData\Local"))
        return "\\\\?\\" + ntpath.join(base, "condvorn", f"{key}.json")
    base = os.environ.get("XDG_STATE_HOME", "")
    if not os.path.isabs(base):  # unset, empty or relative: the default
        base = os.path.join(os.path.expanduser("~"), ".local", "state")
    return os.path.join(base, "condvorn", f"{key}.json")


def record_json(record: _native.ChanSettings) -> Dict[str, Any]:
    fields: Dict[str, Any] = {name: _float32.shortest(getattr(record, name)) for name in FLOAT_FIELDS}
    fields.update({name: getattr(record, name) for name in INTEGER_FIELDS})
    fields["units"] = bytes(record.units).split(b"\0", 1)[0].decode("latin-1")
    fields["extraValues"] = [_float32.shortest(value) for value in record.extraValues]
    return fields


def is_number(value: Any) -> bool:
    return isinstance(value, (int, float)) and not isinstance(value, bool) and _float32.fits(value)


def record_from_json(fields: Any, record: _native.ChanSettings) -> None:
    """Writes the fields given into `record`; raises ValueError for one that a record cannot hold."""
    if not isinstance(fields, dict):
        raise ValueError("a record is not an object")
    for name in FLOAT_FIELDS:
        if name in fields:
            if not is_number(fields[name]):
                raise ValueError(f"{name} is not a number")
            setattr(record, name, fields[name])
    for name, (lowest, highest) in INTEGER_FIELDS.items():
        if name in fields:
            value = fields[name]
            if isinstance(value, bool) or not isinstance(value, int) or not lowest <= value <= highest:
                raise ValueError(f"{name} is not an integer from {lowest} to {highest}")
            setattr(record, name, value)
    if "units" in fields:
        units = fields["units"]
        if not isinstance(units, str) or len(units.encode("latin-1", "replace")) >= UNITS_SIZE:
            raise ValueError(f"units is not a text of at most {UNITS_SIZE - 1} characters")
        record.units = units.encode("latin-1", "replace")
    if "extraValues" in fields:
        values = fields["extraValues"]
        if not isinstance(values, list) or len(values) != EXTRA_SLOTS or not all(map(is_number, values)):
            raise ValueError(f"extraValues is not a list of {EXTRA_SLOTS} numbers")
        record.extraValues[:] = values


class RememberedSettings:
    """The remembered records of one port; `new_record` makes a record with
    the host's defaults, which a field missing from the file keeps."""

    def __init__(self, key: str, new_record: Callable[[], _native.ChanSettings]):
        self.path = state_file(key)
        self.new_record = new_record

    def record(self, channel: int) -> Optional[_native.ChanSettings]:
        """The record last applied to `channel`; None when none is known."""
        fields = self._channels().get(str(channel))
        if fields is None:
            return None
        record = self.new_record()
        try:
            record_from_json(fields, record)
        except ValueError as error:
            warnings.warn(f"{self.path}: channel {channel}'s record is ignored: {error}", stacklevel=3)
            return None
        return record

    def store(self, channel: int, record: _native.ChanSettings) -> None:
        """Keeps `record` as the last applied to `channel`, beside the others."""
        channels = self._channels()
        channels[str(channel)] = record_json(record)
        ordered = dict(sorted(channels.items(), key=lambda item: int(item[0]) if item[0].isdigit() else -1))
        os.makedirs(os.path.dirname(self.path), exist_ok=True)
        # Written beside the file and renamed over it: an interrupted write leaves the old file.
        temporary = f"{self.path}.{os.getpid()}.tmp"
        with open(temporary, "w", encoding="utf-8") as file:
            json.dump({"version": VERSION, "channels": ordered}, file, indent=2, allow_nan=False)
            file.write("\n")
        os.replace(temporary, self.path)

    def _channels(self) -> Dict[str, Any]:
        """The file's records by channel number; none from a file that is
        missing, unreadable or of another format (which the next store rewrites)."""
        try:
            with open(self.path, encoding="utf-8") as file:
                content = json.load(file)
        except FileNotFoundError:
            return {}
        except (OSError, ValueError) as error:
            warnings.warn(f"{self.path} is ignored: {error}", stacklevel=4)
            return {}
        if not isinstance(content, dict) or content.get("version") != VERSION or \
                not isinstance(content.get("channels"), dict):
            warnings.warn(f"{self.path} is ignored: not a version {VERSION} file of remembered settings",
                          stacklevel=4)
            return {}
        return content["channels"]
