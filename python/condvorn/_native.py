"""The library itself, through ctypes: where it is found, the records and
constants of condvorn.h, and the prototypes of its exports.

CONDVorn.dll is loaded on Windows and libcondvorn.so elsewhere, by the
platform's library search unless the environment variable CONDVORN_LIBRARY
names the file. The library keeps one state per process, so it is loaded
once and shared.
"""
import ctypes
import os
import sys
import threading

LIBRARY_VARIABLE = "CONDVORN_LIBRARY"
ON_WINDOWS = sys.platform == "win32"

COND_PORT_COUNT = 128
CHAN_SETTINGS_SIZE = 160

# Error codes.
COND_OK = 0
COND_ERR_NO_LINK = -1
COND_ERR_NO_PORTS = -2
COND_ERR_COMMS = -3
COND_ERR_NO_CHANNEL = -4
COND_ERR_BAD_RECORD = -5
COND_ERR_BAD_PORT = -6

# ChanSettings.flags bits.
COND_FLAG_AC_COUPLING = 0x0001
COND_FLAG_NOTCH = 0x0002
COND_FLAG_TRIGGER_IN2 = 0x0004
COND_FLAG_FALLING_EDGE = 0x0008

# CondInfo.want bits.
COND_WANT_INPUTS = 0x0001
COND_WANT_GAINS = 0x0002
COND_WANT_HIGH_PASS = 0x0004
COND_WANT_LOW_PASS = 0x0008
COND_WANT_MAX_OFFSET = 0x0010
COND_WANT_TYPE_TEXT = 0x0020
COND_WANT_EXTRAS = 0x0040
COND_WANT_EXTRA_SLOTS = 0x0080
ALL_SECTIONS = (COND_WANT_INPUTS | COND_WANT_GAINS | COND_WANT_HIGH_PASS | COND_WANT_LOW_PASS
                | COND_WANT_MAX_OFFSET | COND_WANT_TYPE_TEXT | COND_WANT_EXTRAS | COND_WANT_EXTRA_SLOTS)

# DoCondMenu option bits.
COND_MENU_DEFERRED_APPLY = 0x0001
COND_MENU_MODELESS = 0x0002
COND_MENU_SCALING_LOCKED = 0x0004
COND_MENU_CLOSE_LOCKED = 0x0008
COND_MENU_CHANNEL_LOCKED = 0x0010

Name20 = ctypes.c_char * 20


class ChanSettings(ctypes.Structure):
    _fields_ = [
        ("size", ctypes.c_uint32),
        ("scale", ctypes.c_float),
        ("zero", ctypes.c_float),
        ("units", ctypes.c_char * 8),
        ("gain", ctypes.c_float),
        ("offset", ctypes.c_float),
        ("flags", ctypes.c_uint16),
        ("input", ctypes.c_int16),
        ("lowPassCutoff", ctypes.c_float),
        ("highPassCutoff", ctypes.c_float),
        ("inUse", ctypes.c_uint16),
        ("changed", ctypes.c_uint16),
        ("lowPassType", ctypes.c_int16),
        ("highPassType", ctypes.c_int16),
        ("extraValues", ctypes.c_float * 8),
        ("reserved", ctypes.c_uint8 * 80),
    ]


class InfoFilterType(ctypes.Structure):
    _fields_ = [
        ("name", Name20),
        ("kind", ctypes.c_uint8),
        ("minimum", ctypes.c_double),
        ("maximum", ctypes.c_double),
        ("cutoffCount", ctypes.c_int32),
        ("cutoffs", ctypes.c_double * 60),
    ]


class InfoExtraSetting(ctypes.Structure):
    _fields_ = [
        ("name", Name20),
        ("kind", ctypes.c_uint8),
        ("spare", ctypes.c_int32),
        ("minimum", ctypes.c_double),
        ("maximum", ctypes.c_double),
        ("choiceCount", ctypes.c_int32),
        ("choices", Name20 * 20),
    ]


class CondInfo(ctypes.Structure):
    _fields_ = [
        ("size", ctypes.c_int32),
        ("settings", ctypes.POINTER(ChanSettings)),
        ("want", ctypes.c_uint32),
        ("inputCount", ctypes.c_int32),
        ("inputNames", Name20 * 20),
        ("gainCount", ctypes.c_int32),
        ("gains", ctypes.c_float * 20),
        ("highPassTypeCount", ctypes.c_int32),
        ("highPassTypes", InfoFilterType * 20),
        ("lowPassTypeCount", ctypes.c_int32),
        ("lowPassTypes", InfoFilterType * 20),
        ("maxOffset", ctypes.c_float),
        ("typeText", ctypes.c_char * 32),
        ("extraSettingCount", ctypes.c_int32),
        ("extraSettings", InfoExtraSetting * 8),
    ]


# The layouts are the library's binary interface.
assert ctypes.sizeof(ChanSettings) == CHAN_SETTINGS_SIZE
assert ctypes.sizeof(InfoFilterType) == 528
assert ctypes.sizeof(InfoExtraSetting) == 456
assert ctypes.sizeof(CondInfo) == (25320 if ctypes.sizeof(ctypes.c_void_p) == 4 else 25328)

# The exports' calling convention: stdcall on 32-bit Windows.
FUNCTION_TYPE = ctypes.WINFUNCTYPE if ON_WINDOWS else ctypes.CFUNCTYPE
SampleProc = FUNCTION_TYPE(ctypes.c_int32, ctypes.POINTER(ctypes.c_int16), ctypes.c_int32, ctypes.c_int32)
PellProc = FUNCTION_TYPE(None)

_settings = ctypes.POINTER(ChanSettings)
_int = ctypes.c_int32
PROTOTYPES = {
    "InitCond": (_int, [_int]),
    "KillCond": (None, []),
    "GetCondType": (_int, []),
    "SetADCRange": (None, [ctypes.c_double]),
    "SetPellProc": (_int, [PellProc]),
    "SetCondChan": (_int, [_int, _settings]),
    "GetCondChan": (_int, [_int, _settings]),
    "CondOnChan": (_int, [_int, _int]),
    "CondGainTo": (_int, [ctypes.c_float, _int, _settings]),
    "CondGainChange": (_int, [_int, _int, _settings]),
    "CondOffsTo": (_int, [ctypes.c_float, _int, _settings]),
    "CondOffsChange": (_int, [_int, _int, _settings]),
    "GetCondInfo2": (_int, [_int, ctypes.POINTER(CondInfo)]),
    "DoCondMenu": (_int, [_settings, _int, SampleProc, _int, ctypes.c_void_p]),
    "KillCondMenu": (None, [_int]),
    "SetMenuScaling": (_int, [_int]),
}

_loaded = None
_loading = threading.Lock()


def library_path() -> str:
    """The file to load: $CONDVORN_LIBRARY, or the library's name for the search."""
    return os.environ.get(LIBRARY_VARIABLE) or ("CONDVorn.dll" if ON_WINDOWS else "libcondvorn.so")


def library() -> ctypes.CDLL:
    """The loaded library, its exports given their prototypes."""
    global _loaded
    with _loading:
        if _loaded is None:
            loader = ctypes.WinDLL if ON_WINDOWS else ctypes.CDLL
            path = library_path()
            try:
                loaded = loader(path)
            except OSError as error:
                from .errors import LibraryLoadError
                raise LibraryLoadError(f"cannot load the conditioner library {path!r}: {error}; "
                                       f"set {LIBRARY_VARIABLE} to its path") from error
            for name, (result, arguments) in PROTOTYPES.items():
                function = getattr(loaded, name)
                function.restype = result
                function.argtypes = arguments
            _loaded = loaded
        return _loaded


def new_settings() -> ChanSettings:
    """A record with the library's defaults: no scaling, gain 1, units " Volt"."""
    record = ChanSettings()
    record.size = CHAN_SETTINGS_SIZE
    record.units = b" Volt"
    record.gain = 1.0
    return record
