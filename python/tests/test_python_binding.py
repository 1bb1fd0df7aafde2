"""The Python binding against libcondvorn.so and vornsim: what a line offers
and how it shows, requests checked against the channel before anything is
sent, the host's scaling kept, every failure a CondError, and settings
remembered from one process to the next."""
import dataclasses
import json
import os
import re
import subprocess
import sys
import types

import pytest

import condvorn
from condvorn import _configure, _native, _port, _remembered
from condvorn import line as line_module

LINE = {0: "df3", 1: "old-firmware"}
VOLTS_PER_CODE = 5.0 / 32768
PACKAGE_DIR = os.path.dirname(os.path.dirname(os.path.abspath(condvorn.__file__)))


@pytest.fixture(autouse=True)
def no_line_left_open():
    yield
    if line_module._open_line is not None:
        line_module._open_line.close()


@pytest.fixture
def vornsim(simulator):
    return simulator(LINE)


@pytest.fixture
def line(vornsim):
    with condvorn.open(vornsim.pty, first=0, last=1) as opened:
        yield opened


def test_what_the_channels_offer_as_their_reprs_show_it(line, vornsim):
    info = line.info(0)
    shown = [
        (repr(line), f"<condvorn.Line {vornsim.pty}: channels 0, 1>"),
        (info.low_pass[0], "FilterType(name='Bessel', stepped=False, minimum=1.0, maximum=10000.0, "
                           "cutoffs=(0.0, 10.0, 100.0, 1000.0, 10000.0))"),
        (info.extras, "(ExtraSetting(name='Excitation', slot=0, choices=('Off', '2.5 V', '5 V', '10 V'), "
                      "minimum=0.0, maximum=0.0), ExtraSetting(name='Bridge balance', slot=3, choices=(), "
                      "minimum=-100.0, maximum=100.0))"),
        (line.set(0, gain=10, scale=0.1, extras={"Bridge balance": 0.1}),
         "Settings(scale=0.01, zero=0.0, units=' Volt', gain=10.0, offset=0.0, input=0, low_pass=0.0, "
         "high_pass=0.0, low_pass_type=0, high_pass_type=0, ac_coupling=False, notch=False, trigger_input2=False, "
         "falling_edge=False, extras=(0.0, 0.0, 0.0, 0.1, 0.0, 0.0, 0.0, 0.0))"),
        # The largest offset in the host's units: 5 V at the input, 0.1 a code at gain 1 (a float32 0.01 at 10).
        (dataclasses.replace(line.info(0), low_pass=(), high_pass=(), extras=()),
         "ChannelInfo(channel=0, type_text='Vorn222', inputs=('Differential', 'Single-ended', 'Bridge', 'Ground'), "
         "input=0, gains=(1.0, 2.0, 5.0, 10.0, 20.0, 50.0, 100.0, 200.0, 500.0, 1000.0), low_pass=(), high_pass=(), "
         "max_offset=3276.7998, extras=())"),
    ]
    line.close()
    shown.append((repr(line), f"<condvorn.Line {vornsim.pty}: closed>"))
    assert [value if isinstance(value, str) else repr(value) for value, _ in shown] == [text for _, text in shown]


def test_gain_and_offset_keep_the_scaling_true_to_the_signal(line, vornsim):
    first = line.set(0, gain=30)  # snaps to 20, the nearest offered
    vornsim.take_commands()
    second = line.set(0, gain=100, offset=0.1)
    assert (first.gain, second.gain) == (20, 100)
    assert first.scale * first.gain == pytest.approx(VOLTS_PER_CODE, rel=1e-6)
    assert second.scale * second.gain == pytest.approx(VOLTS_PER_CODE, rel=1e-6)
    # The offset lands on a whole step of the finest range that holds it; zero moves with it.
    assert second.offset == pytest.approx(0.1, abs=0.5 / 32768)
    assert second.value(0) == second.zero == pytest.approx(-second.offset)
    assert vornsim.take_commands() == [";;CH0;", "IP1;", "GN7;", "OR1;", "OF0;", ";;CH0;", "IP1;", "OR1;", "OF6554;"]


def test_names_and_indexes_ask_the_same_and_it_is_sent_once(line, vornsim):
    line.set(0)
    vornsim.take_commands()
    by_name = line.set(0, input="single-ended", low_pass_type="Butterworth", low_pass=60, high_pass_type="Rectifier",
                       high_pass="Rect * 10", extras={"Excitation": "5 V", "bridge balance": -12.5}, notch=True)
    sent = vornsim.take_commands()
    assert line.set(0, input=1, low_pass_type=1, low_pass=100, high_pass_type=2, high_pass=-10,
                    extras={0: 2, 1: -12.5}, notch=True) == by_name == line.settings(0)
    assert vornsim.take_commands() == []
    assert (by_name.input, by_name.low_pass, by_name.high_pass, by_name.extras[0], by_name.extras[3]) == \
        (1, 100, -10, 2, -12.5)
    assert {"IP2;", "LD2;", "LP3;", "HD3;", "HP2;", "NF1;", "FA1;", "FS2;", "FA2;"} <= set(sent)


# A request the channel cannot take, and what the refusal names.
REFUSED = [
    (dict(input=9), "0 'Differential', 1 'Single-ended', 2 'Bridge', 3 'Ground'"),
    (dict(low_pass_type="Chebyshev"), "channel 0's low-pass characteristics are 0 'Bessel', 1 'Butterworth'"),
    (dict(low_pass=20000), "Bessel takes 1 to 10000 Hz or one of off, 10, 100, 1000, 10000"),
    (dict(high_pass_type=2, high_pass=5), "Rectifier takes one of off, Rect * 1, Rect * 10, Raw * 10"),
    (dict(notch="no"), "notch takes True or False, not 'no'"),
    (dict(extras={7: 1}), "channel 0's extra settings are 0 'Excitation', 1 'Bridge balance'"),
    (dict(extras={"Excitation": "12 V"}), "0 'Off', 1 '2.5 V', 2 '5 V', 3 '10 V'"),
    (dict(extras={"Bridge balance": 101}), "a number from -100 to 100"),
    (dict(gain=0), "a gain is above 0"),
    (dict(offset=5.5), "reaches offsets from -5 to 5 Volt on input 'Differential'"),
    (dict(input="Bridge", offset=1), "reaches offsets from -0.5 to 0.5 Volt on input 'Bridge'"),
    (dict(units="too long"), "units take at most 7 ASCII characters"),
    (dict(scale="1"), "scale must be a finite number, not '1'"),
]


def test_what_the_channel_lacks_is_refused_before_any_setting_is_sent(line, vornsim):
    before = line.set(0)
    vornsim.take_commands()
    for request, named in REFUSED:
        with pytest.raises(ValueError, match=re.escape(named)):
            line.set(0, **request)
    assert line.settings(0) == before
    # Only the offsets of the bridge input were asked for, and the record's input selected again.
    asked = vornsim.take_commands()
    assert asked == [";;CH0;", "IP3;", "?GS;", "?OS;", ";;CH0;", "IP1;", "?GS;", "?OS;"], asked


def test_every_failure_of_the_library_is_a_cond_error(vornsim, simulator, tmp_path, monkeypatch):
    def fail(*failures):
        for call, error, message in failures:
            with pytest.raises(error, match=re.escape(message)) as failed:
                call()
            assert isinstance(failed.value, condvorn.CondError)

    fail((lambda: condvorn.open("/dev/no-such-tty"), condvorn.LinkNotOpenError,
          "cannot open serial port /dev/no-such-tty: No such file or directory (error 2)"),
         (lambda: condvorn.open(str(tmp_path)), condvorn.LinkNotOpenError, "Is a directory (error 21)"),
         (lambda: condvorn.open("COM250"), condvorn.LinkNotOpenError, "cannot open serial port COM250: No such file"),
         (lambda: condvorn.open(simulator({5: "df3"}).pty, first=0, last=0), condvorn.NoChannelError, "InitCond"))
    line = condvorn.open(vornsim.pty, first=0, last=1)
    fail((lambda: condvorn.open(vornsim.pty), condvorn.LineInUseError, f"{vornsim.pty} is open in this process"),
         (lambda: line.set(3, gain=2), condvorn.NoChannelError, "channel 3 has no usable conditioner"),
         (lambda: line.info(3), condvorn.NoChannelError, "channel 3"),
         (lambda: line.close() or line.channels(), condvorn.LinkNotOpenError, f"line {vornsim.pty} is closed"))
    monkeypatch.setattr(_native, "_loaded", None)
    monkeypatch.setenv(_native.LIBRARY_VARIABLE, "/no")
    fail((condvorn.open, condvorn.LibraryLoadError, "cannot load the conditioner library '/no'"))
    for port in (0, "ttyUSB0", "COM"):
        with pytest.raises(ValueError):
            condvorn.open(port)


REMEMBERING = """
import sys, condvorn
with condvorn.open(sys.argv[1], first=0, last=0, remember=sys.argv[2] == "remember") as line:
    settings = line.set(0, **eval(sys.argv[3]))
print(settings.gain, settings.ac_coupling, settings.extras[0])
"""


def test_remembered_settings_carry_over_to_the_next_process(simulator, tmp_path):
    pty = simulator({0: "df3"}).pty
    state = tmp_path / "state" / "condvorn" / (pty.replace("/", "_").lstrip("_") + ".json")
    steps = [  # (remember, request, what the process took, what the state file holds before it)
        ("remember", dict(gain=10, extras={"Excitation": "5 V"}), "10.0 False 2.0", None),
        ("remember", dict(ac_coupling=True), "10.0 True 2.0", None),
        ("fresh", dict(ac_coupling=True), "1.0 True 0.0", None),
        ("remember", {}, "10.0 True 2.0", None),
        ("remember", dict(gain=5), "5.0 False 0.0", "not a record"),  # ignored with a warning, then written anew
    ]
    for remember, request, taken, written in steps:
        if written:
            state.write_text(written)
        run = subprocess.run([sys.executable, "-c", REMEMBERING, pty, remember, repr(request)], capture_output=True,
                             text=True, env=dict(os.environ, PYTHONPATH=PACKAGE_DIR), timeout=60)
        assert (run.stdout.strip(), "is ignored" in run.stderr) == (taken, bool(written)), run.stderr
    kept = json.loads(state.read_text())
    assert kept["version"] == 1 and list(kept["channels"]) == ["0"]
    assert {name: kept["channels"]["0"][name] for name in ("gain", "scale", "flags", "input", "units")} == \
        {"gain": 5.0, "scale": 3.0517578e-05, "flags": 0, "input": 0, "units": " Volt"}  # the float32's shortest text


def test_on_windows_the_settings_go_to_the_registry_and_the_state_file_has_a_verbatim_path(monkeypatch):
    registry = {}

    class Key(types.SimpleNamespace):
        def __enter__(self):
            return self

        def __exit__(self, *exception):
            registry[self.path] = self.values

    winreg = types.SimpleNamespace(HKEY_CURRENT_USER="HKCU", REG_DWORD=4,
                                   CreateKey=lambda root, path: Key(path=(root, path), values={}),
                                   SetValueEx=lambda key, name, _, kind, value: key.values.update({name: (kind, value)}))
    monkeypatch.setitem(sys.modules, "winreg", winreg)
    monkeypatch.setattr(_native, "ON_WINDOWS", True)
    port = _port.SerialPort.named("com5")
    environment = dict(os.environ)
    with _configure.configured(_configure.settings_for(port, 0, 3, True)):
        assert os.environ == environment  # the DLL reads the registry only
    assert registry == {("HKCU", r"Software\ZEL\ZELCond\Vorn"): {
        "Port": (4, 5), "First": (4, 0), "Last": (4, 3), "Dump": (4, 1)}}
    with pytest.raises(ValueError, match="such as 'COM5'\\)"):
        _port.SerialPort.named("/dev/ttyUSB0")
    # Windows would take an ordinary path ending in COM5.json for the port itself.
    monkeypatch.setenv("USERPROFILE", r"C:\Users\lab")
    for local_app_data in (r"C:\Users\lab\AppData\Local", "C:/Users/lab/AppData/Local/", None):
        monkeypatch.setenv("LOCALAPPDATA", local_app_data) if local_app_data else monkeypatch.delenv("LOCALAPPDATA")
        assert _remembered.state_file(port.key) == r"\\?\C:\Users\lab\AppData\Local\condvorn\COM5.json"
