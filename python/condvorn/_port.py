"""The serial port that open() names: the library's settings for it, the
name of its file of remembered settings, and why the system will not open it."""
import os
import re
from dataclasses import dataclass
from typing import Dict, Optional, Union

from . import _native

GENERIC_READ_WRITE = 0xC0000000
OPEN_EXISTING = 3


@dataclass(frozen=True)
class SerialPort:
    """Port `number` (COM<number>), or on Linux the device at `device`."""

    number: int
    device: Optional[str] = None

    @classmethod
    def named(cls, port: Union[int, str]) -> "SerialPort":
        """A port number, a name such as "COM5", or on Linux a device path."""
        if isinstance(port, int) and not isinstance(port, bool):
            number = port
        elif isinstance(port, str) and re.fullmatch(r"(?i)com\d+", port):
            number = int(port[3:])
        elif isinstance(port, str) and port.startswith("/") and not _native.ON_WINDOWS:
            return cls(1, port)
        else:
            raise ValueError(f"not a serial port: {port!r} (give a number, a name such as 'COM5'"
                             f"{'' if _native.ON_WINDOWS else ' or a device path'})")
        if number < 1:
            raise ValueError(f"serial port numbers start at 1, not {number}")
        return cls(number)

    def __str__(self) -> str:
        return self.device or f"COM{self.number}"

    @property
    def settings(self) -> Dict[str, Union[int, str]]:
        """The "Port" setting, and on Linux "Device" (empty for a numbered port)."""
        if _native.ON_WINDOWS:
            return {"Port": self.number}
        return {"Port": self.number, "Device": self.device or ""}

    @property
    def key(self) -> str:
        """The port's name in the file name of its remembered settings: COM5,
        or the device path with "/" as "_" and no leading "_" (dev_ttyUSB0)."""
        return self.device.replace("/", "_").lstrip("_") if self.device else f"COM{self.number}"

    def open_failure(self) -> Optional[OSError]:
        """Why the system does not open the port for the library, found by
        opening it the way the library does; None when it opens now."""
        if _native.ON_WINDOWS:
            return _windows_open_failure(self.number)
        try:
            descriptor = os.open(self.device or f"/dev/ttyS{self.number - 1}", os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
        except OSError as error:
            return error
        os.close(descriptor)
        return None


def _windows_open_failure(number: int) -> Optional[OSError]:
    import ctypes
    from ctypes import wintypes

    kernel32 = ctypes.WinDLL("kernel32", use_last_error=True)
    kernel32.CreateFileW.restype = wintypes.HANDLE
    kernel32.CreateFileW.argtypes = [wintypes.LPCWSTR, wintypes.DWORD, wintypes.DWORD, ctypes.c_void_p,
                                     wintypes.DWORD, wintypes.DWORD, wintypes.HANDLE]
    handle = kernel32.CreateFileW(f"\\\\.\\COM{number}", GENERIC_READ_WRITE, 0, None, OPEN_EXISTING, 0, None)
    if handle is None or handle == wintypes.HANDLE(-1).value:
        return ctypes.WinError(ctypes.get_last_error())
    kernel32.CloseHandle(handle)
    return None
