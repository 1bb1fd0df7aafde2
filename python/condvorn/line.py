"""A conditioner line opened through the library: its channels, what each
offers, and their settings with the host's scaling kept true to the signal."""
from __future__ import annotations

import ctypes
import dataclasses
import functools
import threading
from typing import Any, Callable, Dict, List, Mapping, Optional, Tuple, TypeVar, Union

from . import _configure, _float32, _native, _requests
from ._port import SerialPort
from ._remembered import RememberedSettings
from .errors import LineInUseError, LinkNotOpenError, NoChannelError, check
from .records import ChannelInfo, Settings, text

ADC_CODES = 32768  # codes per ADC half range

# The library has one state per process and is not re-entrant: one line is
# open at a time, and its calls are serialised.
_calls = threading.RLock()
_open_line: Optional[Line] = None


def open(port: Union[int, str, None] = None, *, first: Optional[int] = None, last: Optional[int] = None,
         log: Optional[bool] = None, adc_range: float = 5.0, reset: bool = True, remember: bool = False) -> Line:
    """Opens the conditioner line and finds its channels.

    `port` is a serial port number, a name such as "COM5", or on Linux a
    device path such as "/dev/ttyUSB0"; None keeps the configured port.
    `first` and `last` are the channel numbers to probe (from `first`, at
    least up to `last`), `log` switches the diagnostic log ZELCOND.LOG on or
    off; None keeps the configured value. `adc_range` is the ADC's full
    scale in volts. `reset` False reuses an earlier discovery in this
    process.

    The configuration: on Linux, the values given reach libcondvorn.so as
    its environment variables (CONDVORN_PORT, CONDVORN_DEVICE,
    CONDVORN_FIRST, CONDVORN_LAST, CONDVORN_DUMP) only while it opens the
    line; the environment is then restored, and nothing is written. On
    Windows, they are written to the current user's registry
    (HKEY_CURRENT_USER\\Software\\ZEL\\ZELCond\\Vorn: Port, First, Last,
    Dump), where CONDVorn.dll reads them, and they stay: every later host
    of the DLL run by that user starts from them.

    `remember` True starts each channel from the last record applied to it
    on this port, by this binding or by vornctl in an earlier process, and
    keeps each record applied for the next, in a file per port (it needs
    `port`): <port>.json in $XDG_STATE_HOME/condvorn or
    ~/.local/state/condvorn on Linux, %LOCALAPPDATA%\\condvorn on Windows.
    A conditioner cannot report its settings, so without it the first
    set() of each channel sends every setting, those not given at their
    defaults.

    Raises LinkNotOpenError, saying why the system refused the port, when
    it cannot be opened; NoChannelError when no channel answers;
    LineInUseError while another line is open in this process.
    """
    global _open_line
    serial_port = SerialPort.named(port) if port is not None else None
    if remember and serial_port is None:
        raise ValueError("remember needs the port: the settings are remembered per port")
    settings = _configure.settings_for(serial_port, first, last, log)
    library = _native.library()
    with _calls:
        if _open_line is not None:
            raise LineInUseError(f"{_open_line.port} is open in this process; close it first")
        with _configure.configured(settings):
            status = library.InitCond(1 if reset else 0)
        if status != _native.COND_OK:
            library.KillCond()  # the port may be open with no channel found
            if status == _native.COND_ERR_NO_LINK:
                raise _open_failure(serial_port)
            check(status, "InitCond")
        library.SetADCRange(adc_range)
        _open_line = Line(library, serial_port, adc_range, remember)
        return _open_line


def _open_failure(port: Optional[SerialPort]) -> LinkNotOpenError:
    """The error for a port that the library could not open, with the system's reason."""
    if port is None:
        return LinkNotOpenError("no serial port is configured, or the configured one cannot be opened",
                                _native.COND_ERR_NO_LINK)
    reason = port.open_failure()
    if reason is None:
        return LinkNotOpenError(f"the library could not open serial port {port}", _native.COND_ERR_NO_LINK)
    code = getattr(reason, "winerror", None) or reason.errno
    error = LinkNotOpenError(f"cannot open serial port {port}: {reason.strerror} (error {code})",
                             _native.COND_ERR_NO_LINK)
    error.__cause__ = reason
    return error


Method = TypeVar("Method", bound=Callable[..., Any])


def _serialised(method: Method) -> Method:
    @functools.wraps(method)
    def call(self: Line, *args: Any, **kwargs: Any) -> Any:
        with _calls:
            if self._library is None:
                raise LinkNotOpenError(f"the conditioner line {self.port} is closed", _native.COND_ERR_NO_LINK)
            return method(self, *args, **kwargs)
    return call  # type: ignore[return-value]


class Line:
    """The open line. Use it as a context manager, or call close(). Call it
    from one thread: the library has no locks (see the package's notes)."""

    def __init__(self, library: ctypes.CDLL, port: Optional[SerialPort], adc_range: float, remember: bool):
        self._library: Optional[ctypes.CDLL] = library
        self._port = port
        self._adc_range = adc_range
        self._records: Dict[int, _native.ChanSettings] = {}
        # What each channel offers, by channel and input (gains and offsets
        # follow the input), for a record in volts at gain 1.
        self._offers: Dict[Tuple[int, int], ChannelInfo] = {}
        self._remembered = RememberedSettings(port.key, self._new_record) if remember and port else None
        self._found = self.channels()

    @property
    def port(self) -> str:
        """The port's name, as open() was given it."""
        return str(self._port) if self._port else "the configured port"

    def __repr__(self) -> str:
        if self._library is None:
            return f"<condvorn.Line {self.port}: closed>"
        remembering = ", remembering settings" if self._remembered else ""
        return f"<condvorn.Line {self.port}: channels {', '.join(map(str, self._found)) or 'none'}{remembering}>"

    def __enter__(self) -> Line:
        return self

    def __exit__(self, *exc: Any) -> None:
        self.close()

    def close(self) -> None:
        """Closes the serial port; the line's channels are no longer usable."""
        global _open_line
        with _calls:
            if self._library is not None:
                self._library.KillCond()
                self._library = None
                _open_line = None

    @_serialised
    def channels(self) -> List[int]:
        """The channel numbers that have a usable conditioner."""
        return [port for port in range(_native.COND_PORT_COUNT) if self._library.CondOnChan(port, 0) == 1]

    @_serialised
    def info(self, channel: int) -> ChannelInfo:
        """What the channel offers; its gains and largest offset (in the
        host's units) are those of its record's input. The channel is asked
        once for each input; later calls answer from what it said."""
        record = self._usable_record(channel)
        offers = self._offers_for(channel, record.input)
        return dataclasses.replace(offers, max_offset=_float32.rounded(self._largest_offset(offers, record)))

    @_serialised
    def settings(self, channel: int) -> Settings:
        """The channel's settings as last set (no device traffic)."""
        return Settings.from_record(self._record(channel))

    @_serialised
    def set(self, channel: int, *, gain: Optional[float] = None, offset: Optional[float] = None,
            input: Union[int, str, None] = None, low_pass: Union[float, str, None] = None,
            high_pass: Union[float, str, None] = None, low_pass_type: Union[int, str, None] = None,
            high_pass_type: Union[int, str, None] = None, ac_coupling: Optional[bool] = None,
            notch: Optional[bool] = None, trigger_input2: Optional[bool] = None,
            falling_edge: Optional[bool] = None, extras: Optional[Mapping[Union[int, str], Any]] = None,
            scale: Optional[float] = None, zero: Optional[float] = None, units: Optional[str] = None) -> Settings:
        """Sets the channel and returns its settings as the channel took them.

        Every value is checked against what the channel offers (info())
        before anything is sent; one it does not offer raises ValueError
        naming those it does. `input`, `low_pass_type`, `high_pass_type`,
        the keys of `extras` and the choices of a choice setting are given
        by name (as info() shows it, letter case aside) or by index.
        `low_pass` and `high_pass` are cut-offs in Hz for the record's
        characteristic, or the name of a listed mode ("off", "Rect * 10"):
        a continuous characteristic takes any within its range, a stepped
        one snaps a frequency within its list to the nearest listed. The
        switches take True or False only. A gain snaps to the nearest the
        channel offers; an offset (in the host's units) must lie within the
        largest offset of the input.

        A gain change rewrites `scale` and an offset change rewrites
        `zero`, so that readings stay true to the signal. `scale`, `zero`
        and `units` (at most 7 characters) are the host's own scaling of the
        port. The first call for a channel sends all of its settings: those
        not given at their defaults, or with open(remember=True) as last
        applied.
        """
        # The arguments given, by name: every local but these so far.
        given = {name: value for name, value in locals().items() if name not in ("self", "channel") and value is not None}
        record = self._usable_record(channel)
        request = _requests.plan(self._any_offers(channel, record), record, given)
        if request.offset is not None:
            probed = (channel, request.record.input) not in self._offers
            offers = self._offers_for(channel, request.record.input)
            try:
                _requests.check_offset(request.offset, self._largest_offset(offers, request.record),
                                       text(request.record.units), offers)
            except ValueError:
                if probed:  # asking for the input's offsets selected it
                    self._select_input(channel, record)
                raise
        self._records[channel] = record = request.record
        check(self._library.SetCondChan(channel, ctypes.byref(record)), f"SetCondChan for channel {channel}")
        if request.gain is not None:
            check(self._library.CondGainTo(request.gain, channel, ctypes.byref(record)),
                  f"CondGainTo for channel {channel}")
        if request.offset is not None:
            check(self._library.CondOffsTo(request.offset, channel, ctypes.byref(record)),
                  f"CondOffsTo for channel {channel}")
        if self._remembered:
            self._remembered.store(channel, record)
        return Settings.from_record(record)

    def _new_record(self) -> _native.ChanSettings:
        """A record as a host starts one: in volts at the conditioner's input."""
        record = _native.new_settings()
        record.scale = self._adc_range / ADC_CODES
        record.inUse = 1
        return record

    def _record(self, channel: int) -> _native.ChanSettings:
        if isinstance(channel, bool) or not isinstance(channel, int) or not 0 <= channel < _native.COND_PORT_COUNT:
            raise ValueError(f"channel must be a number from 0 to {_native.COND_PORT_COUNT - 1}, not {channel!r}")
        if channel not in self._records:
            remembered = self._remembered.record(channel) if self._remembered else None
            self._records[channel] = remembered or self._new_record()
        return self._records[channel]

    def _usable_record(self, channel: int) -> _native.ChanSettings:
        record = self._record(channel)
        if self._library.CondOnChan(channel, 0) != 1:
            raise NoChannelError(f"channel {channel} has no usable conditioner", _native.COND_ERR_NO_CHANNEL)
        return record

    def _offers_for(self, channel: int, input: int) -> ChannelInfo:
        """What the channel offers on `input` (the library takes input 2 for
        one the channel lacks), asked of the library the first time: that
        selects the input on the channel."""
        if (channel, input) not in self._offers:
            volts = self._new_record()
            volts.input = input
            info = _native.CondInfo()
            info.size = ctypes.sizeof(info)
            info.settings = ctypes.pointer(volts)
            info.want = _native.ALL_SECTIONS
            check(self._library.GetCondInfo2(channel, ctypes.byref(info)), f"GetCondInfo2 for channel {channel}")
            self._offers[channel, volts.input] = self._offers[channel, input] = ChannelInfo.from_record(channel, info)
        return self._offers[channel, input]

    def _any_offers(self, channel: int, record: _native.ChanSettings) -> ChannelInfo:
        """What the channel offers on any input: its inputs, filters and extra settings."""
        known = [offers for (number, _), offers in self._offers.items() if number == channel]
        return known[0] if known else self._offers_for(channel, record.input)

    def _select_input(self, channel: int, record: _native.ChanSettings) -> None:
        """Selects the record's input on the channel again."""
        info = _native.CondInfo()
        info.size = ctypes.sizeof(info)
        info.settings = ctypes.pointer(record)
        check(self._library.GetCondInfo2(channel, ctypes.byref(info)), f"GetCondInfo2 for channel {channel}")

    def _largest_offset(self, offers: ChannelInfo, record: _native.ChanSettings) -> float:
        """The largest offset in the record's units: `offers` has it in volts at the input."""
        return offers.max_offset * record.scale * record.gain * ADC_CODES / self._adc_range
