"""The settings that open() gives the library, which reads them in InitCond:
the environment of libcondvorn.so on Linux (for the duration of the call),
the current user's registry for CONDVorn.dll on Windows (where they stay)."""
import contextlib
import os
import re

from . import _native

REGISTRY_KEY = r"Software\ZEL\ZELCond\Vorn"


def port_settings(port):
    """The "Port" (and, for a device path, "Device") settings for `port`: a
    port number, a name such as "COM5", or on Linux a device path."""
    if isinstance(port, int) and not isinstance(port, bool):
        number = port
    elif isinstance(port, str) and re.fullmatch(r"(?i)com\d+", port):
        number = int(port[3:])
    elif isinstance(port, str) and port.startswith("/") and not _native.ON_WINDOWS:
        return {"Port": 1, "Device": port}
    else:
        raise ValueError(f"not a serial port: {port!r} (give a number, a name such as 'COM5'"
                         f"{'' if _native.ON_WINDOWS else ' or a device path'})")
    if number < 1:
        raise ValueError(f"serial port numbers start at 1, not {number}")
    # A numbered port has no device of its own.
    return {"Port": number} if _native.ON_WINDOWS else {"Port": number, "Device": ""}


def settings_for(port, first, last, log):
    """The settings to give the library; those left as None keep their configured values."""
    settings = port_settings(port) if port is not None else {}
    for name, value in (("First", first), ("Last", last)):
        if value is not None:
            if not 0 <= int(value) < _native.COND_PORT_COUNT:
                raise ValueError(f"{name.lower()} must be a channel number from 0 to {_native.COND_PORT_COUNT - 1}")
            settings[name] = int(value)
    if log is not None:
        settings["Dump"] = int(bool(log))
    return settings


@contextlib.contextmanager
def configured(settings):
    """The library sees `settings` inside the block."""
    if _native.ON_WINDOWS:
        write_registry(settings)
        yield
        return
    saved = {}
    for name, value in settings.items():
        variable = "CONDVORN_" + name.upper()
        saved[variable] = os.environ.get(variable)
        os.environ[variable] = str(value)
    try:
        yield
    finally:
        for variable, value in saved.items():
            if value is None:
                del os.environ[variable]
            else:
                os.environ[variable] = value


def write_registry(settings):
    """Stores the settings as the DWORD values the DLL reads."""
    import winreg

    with winreg.CreateKey(winreg.HKEY_CURRENT_USER, REGISTRY_KEY) as key:
        for name, value in settings.items():
            winreg.SetValueEx(key, name, 0, winreg.REG_DWORD, value & 0xFFFFFFFF)
