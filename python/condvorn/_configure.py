"""The settings that open() gives the library, which reads them in InitCond:
the environment of libcondvorn.so on Linux (for the duration of the call),
the current user's registry for CONDVorn.dll on Windows (where they stay)."""
import contextlib
import os
from typing import Dict, Iterator, Optional, Union

from . import _native
from ._port import SerialPort

REGISTRY_KEY = r"Software\ZEL\ZELCond\Vorn"


def settings_for(port: Optional[SerialPort], first: Optional[int], last: Optional[int],
                 log: Optional[bool]) -> Dict[str, Union[int, str]]:
    """The settings to give the library; those left as None keep their configured values."""
    settings = dict(port.settings) if port is not None else {}
    for name, value in (("First", first), ("Last", last)):
        if value is not None:
            if isinstance(value, bool) or not isinstance(value, int) or not 0 <= value < _native.COND_PORT_COUNT:
                raise ValueError(f"{name.lower()} must be a channel number from 0 to {_native.COND_PORT_COUNT - 1}, "
                                 f"not {value!r}")
            settings[name] = value
    if log is not None:
        if not isinstance(log, bool):
            raise ValueError(f"log takes True or False, not {log!r}")
        settings["Dump"] = int(log)
    return settings


@contextlib.contextmanager
def configured(settings: Dict[str, Union[int, str]]) -> Iterator[None]:
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


def write_registry(settings: Dict[str, Union[int, str]]) -> None:
    """Stores the settings as the DWORD values the DLL reads."""
    import winreg

    with winreg.CreateKey(winreg.HKEY_CURRENT_USER, REGISTRY_KEY) as key:
        for name, value in settings.items():
            winreg.SetValueEx(key, name, 0, winreg.REG_DWORD, value & 0xFFFFFFFF)
