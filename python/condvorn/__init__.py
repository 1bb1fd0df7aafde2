"""Python binding of the CONDVorn conditioner library.

    import condvorn

    with condvorn.open("/dev/ttyUSB0") as line:
        for channel in line.channels():
            print(channel, line.info(channel).type_text)
        settings = line.set(0, gain=10, offset=0.5)
        print(settings.gain, settings.scale, settings.zero)

It loads CONDVorn.dll on Windows and libcondvorn.so on Linux (or the file
named by the environment variable CONDVORN_LIBRARY) through ctypes.
"""
from .errors import (CommsError, CondError, LinkNotOpenError, NoChannelError, NoPortsError, PortRangeError,
                     RecordSizeError)
from .line import Line, open
from .records import ChannelInfo, ExtraSetting, FilterType, Settings

__version__ = "1.0.0"

__all__ = [
    "open", "Line", "Settings", "ChannelInfo", "FilterType", "ExtraSetting", "CondError", "LinkNotOpenError",
    "NoPortsError", "CommsError", "NoChannelError", "RecordSizeError", "PortRangeError",
]
