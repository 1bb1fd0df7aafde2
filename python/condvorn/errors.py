"""The library's error codes as Python exceptions."""
from . import _native


class CondError(Exception):
    """A call into the conditioner library failed; `code` is its result."""

    code = None
    meaning = "the library reported an error"

    def __init__(self, message, code=None):
        super().__init__(message)
        if code is not None:
            self.code = code


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


ERRORS = {error.code: error for error in
          (LinkNotOpenError, NoPortsError, CommsError, NoChannelError, RecordSizeError, PortRangeError)}


def error_for(code, what):
    """The exception for a failed call's result `code`; `what` says what was done."""
    error = ERRORS.get(code, CondError)
    return error(f"{what}: {error.meaning} (code {code})", code)


def check(code, what):
    """Raises the exception for `code` unless it is 0."""
    if code != _native.COND_OK:
        raise error_for(code, what)
