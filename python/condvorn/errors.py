"""The library's failures as Python exceptions: every one is a CondError.
A request that the channel cannot take is refused with ValueError before
anything is sent."""
from typing import Dict, Optional, Type

from . import _native


class CondError(Exception):
    """A call into the conditioner library failed; `code` is its result (None
    for a failure that is not one of the library's codes)."""

    code: Optional[int] = None
    meaning = "the library reported an error"

    def __init__(self, message: str, code: Optional[int] = None):
        super().__init__(message)
        if code is not None:
            self.code = code


class LibraryLoadError(CondError):
    meaning = "the conditioner library cannot be loaded"


class LineInUseError(CondError):
    meaning = "a conditioner line is already open in this process (the library has one state per process)"


class LinkNotOpenError(CondError):
    code = _native.COND_ERR_NO_LINK
    meaning = "the serial link is not open (no port configured, or it cannot be opened)"


class NoPortsError(CondError):
    code = _native.COND_ERR_NO_PORTS
    meaning = "no ADC ports in use"


class CommsError(CondError):
    code = _native.COND_ERR_COMMS
    meaning = "communications failure while probing the channel"


class NoChannelError(CondError):
    code = _native.COND_ERR_NO_CHANNEL
    meaning = "no usable conditioner channel (not installed, not answering, or an unknown version)"


class RecordSizeError(CondError):
    code = _native.COND_ERR_BAD_RECORD
    meaning = "a record of the wrong size: the library and this binding do not match"


class PortRangeError(CondError):
    code = _native.COND_ERR_BAD_PORT
    meaning = "port number outside the table"


ERRORS: Dict[int, Type[CondError]] = {
    error.code: error for error in
    (LinkNotOpenError, NoPortsError, CommsError, NoChannelError, RecordSizeError, PortRangeError)}


def error_for(code: int, what: str) -> CondError:
    """The exception for a failed call's result `code`; `what` says what was done."""
    error = ERRORS.get(code, CondError)
    return error(f"{what}: {error.meaning} (code {code})", code)


def check(code: int, what: str) -> None:
    """Raises the exception for `code` unless it is 0."""
    if code != _native.COND_OK:
        raise error_for(code, what)
