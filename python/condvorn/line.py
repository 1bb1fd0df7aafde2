"""A conditioner line opened through the library: its channels, what each
offers, and their settings with the host's scaling kept true to the signal."""
import ctypes
import functools
import threading

from . import _configure, _native
from .errors import LinkNotOpenError, NoChannelError, check
from .records import ChannelInfo, Settings

ADC_CODES = 32768  # codes per ADC half range

# The library has one state per process and is not re-entrant: one line is
# open at a time, and its calls are serialised.
_calls = threading.RLock()
_open_line = None


def open(port=None, *, first=None, last=None, log=None, adc_range=5.0, reset=True):
    """Opens the conditioner line and finds its channels.

    `port` is a serial port number, a name such as "COM5", or on Linux a
    device path such as "/dev/ttyUSB0"; None keeps the configured port.
    `first` and `last` are the channel numbers to probe (from `first`, at
    least up to `last`), `log` switches the diagnostic log ZELCOND.LOG on or
    off; None keeps the configured value. `adc_range` is the ADC's full
    scale in volts. `reset` False reuses an earlier discovery in this
    process. Raises LinkNotOpenError when the port cannot be opened and
    NoChannelError when no channel answers.
    """
    global _open_line
    settings = _configure.settings_for(port, first, last, log)
    library = _native.library()
    with _calls:
        if _open_line is not None:
            raise RuntimeError("a conditioner line is already open in this process; close it first")
        with _configure.configured(settings):
            status = library.InitCond(1 if reset else 0)
        if status != _native.COND_OK:
            library.KillCond()  # the port may be open with no channel found
            check(status, "InitCond")
        library.SetADCRange(adc_range)
        _open_line = Line(library, adc_range)
        return _open_line


def _serialised(method):
    @functools.wraps(method)
    def call(self, *args, **kwargs):
        with _calls:
            if self._library is None:
                raise LinkNotOpenError("the conditioner line is closed", _native.COND_ERR_NO_LINK)
            return method(self, *args, **kwargs)
    return call


class Line:
    """The open line. Use it as a context manager, or call close()."""

    def __init__(self, library, adc_range):
        self._library = library
        self._adc_range = adc_range
        self._records = {}

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def close(self):
        """Closes the serial port; the line's channels are no longer usable."""
        global _open_line
        with _calls:
            if self._library is not None:
                self._library.KillCond()
                self._library = None
                _open_line = None

    @_serialised
    def channels(self):
        """The channel numbers that have a usable conditioner."""
        return [port for port in range(_native.COND_PORT_COUNT) if self._library.CondOnChan(port, 0) == 1]

    @_serialised
    def info(self, channel):
        """What the channel offers (its gains are those of its selected input)."""
        record = self._usable_record(channel)
        info = _native.CondInfo()
        info.size = ctypes.sizeof(info)
        info.settings = ctypes.pointer(record)
        info.want = _native.ALL_SECTIONS
        check(self._library.GetCondInfo2(channel, ctypes.byref(info)), f"GetCondInfo2 for channel {channel}")
        return ChannelInfo.from_record(channel, info)

    @_serialised
    def settings(self, channel):
        """The channel's settings as last set (no device traffic)."""
        return Settings.from_record(self._record(channel))

    @_serialised
    def set(self, channel, *, gain=None, offset=None, input=None, low_pass=None, high_pass=None,
            low_pass_type=None, high_pass_type=None, ac_coupling=None, notch=None, trigger_input2=None,
            falling_edge=None, extras=None, scale=None, zero=None, units=None):
        """Sets the channel and returns its settings as the channel took them.

        Gains and stepped cut-offs snap to the nearest value the channel
        offers. A gain change rewrites `scale` and an offset change (in the
        host's units) rewrites `zero`, so that readings stay true to the
        signal. `scale`, `zero` and `units` are the host's own scaling of the
        port; the first call for a channel sends all of its settings, the
        ones not given at their defaults. `extras` maps slots (0 to 7) to
        values.
        """
        record = self._usable_record(channel)
        _write_fields(record, input=input, low_pass=low_pass, high_pass=high_pass,
                      low_pass_type=low_pass_type, high_pass_type=high_pass_type, ac_coupling=ac_coupling,
                      notch=notch, trigger_input2=trigger_input2, falling_edge=falling_edge,
                      extras=extras, scale=scale, zero=zero, units=units)
        check(self._library.SetCondChan(channel, ctypes.byref(record)), f"SetCondChan for channel {channel}")
        if gain is not None:
            check(self._library.CondGainTo(float(gain), channel, ctypes.byref(record)),
                  f"CondGainTo for channel {channel}")
        if offset is not None:
            check(self._library.CondOffsTo(float(offset), channel, ctypes.byref(record)),
                  f"CondOffsTo for channel {channel}")
        return Settings.from_record(record)

    def _record(self, channel):
        if not isinstance(channel, int) or not 0 <= channel < _native.COND_PORT_COUNT:
            raise ValueError(f"channel must be a number from 0 to {_native.COND_PORT_COUNT - 1}, not {channel!r}")
        if channel not in self._records:
            record = _native.new_settings()
            record.scale = self._adc_range / ADC_CODES  # volts at the conditioner input
            record.inUse = 1
            self._records[channel] = record
        return self._records[channel]

    def _usable_record(self, channel):
        record = self._record(channel)
        if self._library.CondOnChan(channel, 0) != 1:
            raise NoChannelError(f"channel {channel} has no usable conditioner", _native.COND_ERR_NO_CHANNEL)
        return record


FLAG_BITS = {
    "ac_coupling": _native.COND_FLAG_AC_COUPLING,
    "notch": _native.COND_FLAG_NOTCH,
    "trigger_input2": _native.COND_FLAG_TRIGGER_IN2,
    "falling_edge": _native.COND_FLAG_FALLING_EDGE,
}
RECORD_FIELDS = {
    "input": "input", "low_pass": "lowPassCutoff", "high_pass": "highPassCutoff",
    "low_pass_type": "lowPassType", "high_pass_type": "highPassType", "scale": "scale", "zero": "zero",
}


def _write_fields(record, extras, units, **fields):
    """Writes the given (not None) settings into the record, checked first."""
    given = {name: value for name, value in fields.items() if value is not None}
    for name in ("input", "low_pass_type", "high_pass_type"):
        if name in given and not 0 <= given[name] < 0x8000:
            raise ValueError(f"{name} must be an index from 0, not {given[name]!r}")
    if units is not None:
        encoded = units.encode("ascii")
        if len(encoded) > 7:
            raise ValueError(f"units take at most 7 characters, not {units!r}")
    extras = dict(extras or {})
    if any(not isinstance(slot, int) or not 0 <= slot < 8 for slot in extras):
        raise ValueError(f"extra settings are given by slot, 0 to 7: {sorted(extras)!r}")

    for name, value in given.items():
        if name in FLAG_BITS:
            record.flags = (record.flags | FLAG_BITS[name]) if value else (record.flags & ~FLAG_BITS[name])
        else:
            setattr(record, RECORD_FIELDS[name], value)
    if units is not None:
        record.units = encoded
    for slot, value in extras.items():
        record.extraValues[slot] = value
