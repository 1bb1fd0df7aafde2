"""Python binding of the CONDVorn conditioner library.

    import condvorn

    with condvorn.open("/dev/ttyUSB0") as line:
        for channel in line.channels():
            print(channel, line.info(channel).type_text)
        settings = line.set(0, gain=10, offset=0.5, input="Bridge")
        print(settings.gain, settings.scale, settings.zero)

It loads CONDVorn.dll on Windows and libcondvorn.so on Linux (or the file
named by the environment variable CONDVORN_LIBRARY) through ctypes.

Every failure of the library raises a CondError; a setting that the channel
does not offer raises ValueError before anything is sent.

Threads: the library has no locks and one state per process. Make every
call from one thread (on Windows, the thread whose message loop runs a
control panel the host opened). The binding holds a lock around each call,
so calls from other threads wait rather than interleave their commands on
the line (which would send a setting to the channel another call selected,
or give a reply to the wrong call).
"""
from .errors import (CommsError, CondError, LibraryLoadError, LineInUseError, LinkNotOpenError, NoChannelError,
                     NoPortsError, PortRangeError, RecordSizeError)
from .line import Line, open
from .records import CUTOFF_MODES, ChannelInfo, ExtraSetting, FilterType, Settings

__version__ = "1.0.0"

__all__ = [
    "open", "Line", "Settings", "ChannelInfo", "FilterType", "ExtraSetting", "CUTOFF_MODES", "CondError",
    "LibraryLoadError", "LineInUseError", "LinkNotOpenError", "NoPortsError", "CommsError", "NoChannelError",
    "RecordSizeError", "PortRangeError",
]
