"""The Python binding against libcondvorn.so and vornsim: opening a line,
what its channels offer, setting them with the host's scaling kept, and the
errors a host can meet."""
import os
import sys
import types

import pytest

import condvorn
from condvorn import _configure, _native
from condvorn import line as line_module

LINE = {0: "df3", 1: "old-firmware"}
VOLTS_PER_CODE = 5.0 / 32768


@pytest.fixture(autouse=True)
def no_line_left_open():
    yield
    if line_module._open_line is not None:
        line_module._open_line.close()


@pytest.fixture
def vornsim(simulator):
    return simulator(LINE)


def test_channels_and_what_they_offer(vornsim):
    with condvorn.open(vornsim.pty, first=0, last=1) as line:
        assert line.channels() == [0, 1]
        info = line.info(0)
    assert info.type_text == "Vorn222"
    assert info.inputs == ("Differential", "Single-ended", "Bridge", "Ground")
    assert info.gains == (1, 2, 5, 10, 20, 50, 100, 200, 500, 1000)
    assert info.low_pass == (condvorn.FilterType("Bessel", False, 1, 10000, (0, 10, 100, 1000, 10000)),
                             condvorn.FilterType("Butterworth", True, 0, 0, (0, 1, 10, 100, 1000)))
    assert [(f.name, f.stepped) for f in info.high_pass] == [("AC/DC", True), ("Butterworth", False),
                                                             ("Rectifier", True)]
    assert info.high_pass[2].cutoffs == (0, -1, -10, -11)
    assert info.extras == (condvorn.ExtraSetting("Excitation", ("Off", "2.5 V", "5 V", "10 V"), 0, 0),
                           condvorn.ExtraSetting("Bridge balance", (), -100, 100))
    # The largest offset range, 5 V, in the host's units (volts at the input).
    assert info.max_offset == pytest.approx(5.0)
    assert os.environ.get("CONDVORN_DEVICE") is None  # the settings were the library's only while it opened


def test_gain_and_offset_keep_the_scaling_true_to_the_signal(vornsim):
    with condvorn.open(vornsim.pty, first=0, last=1) as line:
        first = line.set(0, gain=30)  # snaps to 20, the nearest offered
        vornsim.take_commands()
        second = line.set(0, gain=100, offset=0.1)
    assert (first.gain, second.gain) == (20, 100)
    assert first.scale * first.gain == pytest.approx(VOLTS_PER_CODE, rel=1e-6)
    assert second.scale * second.gain == pytest.approx(VOLTS_PER_CODE, rel=1e-6)
    # The offset lands on a whole step of the finest range that holds it; zero moves with it.
    assert second.offset == pytest.approx(0.1, abs=0.5 / 32768)
    assert second.zero == pytest.approx(-second.offset)
    assert second.value(0) == second.zero
    assert vornsim.take_commands() == [";;CH0;", "IP1;", "GN7;", "OR1;", "OF0;", ";;CH0;", "IP1;", "OR1;", "OF6554;"]


def test_other_settings_are_sent_once(vornsim):
    with condvorn.open(vornsim.pty, first=0, last=1) as line:
        line.set(0)
        vornsim.take_commands()
        settings = line.set(0, input=0, low_pass_type=1, low_pass=60, ac_coupling=True, notch=True, extras={0: 2.4})
        sent = vornsim.take_commands()
        assert line.set(0, notch=True, low_pass=100) == settings  # as the channel already has them
        assert vornsim.take_commands() == []
        assert line.settings(0) == settings
    assert (settings.low_pass, settings.ac_coupling, settings.notch, settings.extras[0]) == (100, True, True, 2)
    for command in ("LD2;", "LP3;", "AC1;", "NF1;", "FA1;", "FS2;"):
        assert command in sent


def test_errors_of_the_line(vornsim, simulator):
    with pytest.raises(condvorn.LinkNotOpenError) as failure:
        condvorn.open("COM250")  # /dev/ttyS249
    assert failure.value.code == -1
    with pytest.raises(condvorn.NoChannelError):
        condvorn.open(simulator({5: "df3"}).pty, first=0, last=0)

    line = condvorn.open(vornsim.pty, first=0, last=1)
    with pytest.raises(RuntimeError):
        condvorn.open(vornsim.pty)
    for call in (lambda: line.set(3, gain=2), lambda: line.info(3)):
        with pytest.raises(condvorn.NoChannelError):
            call()
    for bad in (dict(units="too long"), dict(extras={8: 1.0}), dict(input=-1)):
        with pytest.raises(ValueError):
            line.set(0, **bad)
    with pytest.raises(ValueError):
        line.settings(128)
    line.close()
    with pytest.raises(condvorn.LinkNotOpenError):
        line.channels()
    for port in (0, "ttyUSB0", "COM"):
        with pytest.raises(ValueError):
            condvorn.open(port)


def test_on_windows_the_settings_go_to_the_registry(monkeypatch):
    stored = {}

    class Key:
        def __init__(self, root, path):
            self.where = (root, path)

        def __enter__(self):
            return self

        def __exit__(self, *exc):
            return False

    def set_value(key, name, reserved, kind, value):
        stored[name] = (key.where, kind, value)

    winreg = types.SimpleNamespace(HKEY_CURRENT_USER="HKCU", REG_DWORD=4, CreateKey=Key, SetValueEx=set_value)
    monkeypatch.setitem(sys.modules, "winreg", winreg)
    monkeypatch.setattr(_native, "ON_WINDOWS", True)
    with _configure.configured(_configure.settings_for("com5", 0, 3, True)):
        pass
    where = ("HKCU", r"Software\ZEL\ZELCond\Vorn")
    assert stored == {"Port": (where, 4, 5), "First": (where, 4, 0), "Last": (where, 4, 3), "Dump": (where, 4, 1)}
    with pytest.raises(ValueError):
        _configure.settings_for("/dev/ttyUSB0", None, None, None)
