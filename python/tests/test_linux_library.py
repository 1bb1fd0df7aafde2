"""libcondvorn.so through ctypes: what it exports, where it takes its
settings from, where its log goes, and what its panel exports do without a
panel."""
import ctypes
import os
import re
import subprocess

import pytest

from condvorn import _native

SOURCE_DIR = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
HEADER = os.path.join(SOURCE_DIR, "include", "condvorn.h")
MODULE_DEFINITION = os.path.join(SOURCE_DIR, "src", "api", "condvorn.def")
LINE = {0: "df3", 1: "df1"}
NO_LINK = _native.COND_ERR_NO_LINK


def probes(*channels):
    return [command for channel in channels for command in (f";;CH{channel};", "?CH;", "?RV;")]


@pytest.fixture
def library():
    loaded = _native.library()
    yield loaded
    loaded.KillCond()


def write_file(path, entries):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as ini:
        ini.write("[General]\n" + "".join(f"{name}={value}\n" for name, value in entries.items()))


def record(in_use=1):
    settings = _native.new_settings()
    settings.inUse = in_use
    return settings


def test_exports_and_constants_are_those_of_the_module_definition_and_the_header():
    with open(MODULE_DEFINITION) as definition:
        names = set(definition.read().split("EXPORTS", 1)[1].split())
    symbols = subprocess.run(["nm", "-D", "--defined-only", os.environ["CONDVORN_LIBRARY"]], check=True,
                             capture_output=True, text=True).stdout
    assert {line.split()[-1] for line in symbols.splitlines() if line.split()[-2] == "T"} == names
    assert set(_native.PROTOTYPES) == names
    with open(HEADER) as header:
        defines = dict(re.findall(r"#define (COND_[A-Z0-9_]+)\s+\(?(-?(?:0x)?[0-9A-Fa-f]+)\)?", header.read()))
    shared = [name for name in defines if not name.startswith("COND_NOTIFY_")]
    assert {name: int(defines[name], 0) for name in shared} == {name: getattr(_native, name) for name in shared}


def test_every_init_reads_the_environment_over_the_file(library, simulator, monkeypatch, tmp_path):
    line = simulator(LINE)
    pty = line.pty
    user_file = os.path.join(os.environ["XDG_CONFIG_HOME"], "condvorn", "zelcond.ini")
    lab_file = str(tmp_path / "lab.ini")
    cases = [  # (files, environment, InitCond's result, the first probes)
        ({user_file: {"Port": "None"}}, {}, NO_LINK, []),
        ({user_file: {"Port": "COM1", "Device": pty, "First": 0, "Last": 2}}, {}, 0,
         probes(0, 1) + [";;CH2;", "?CH;"]),
        ({user_file: {"Port": "None", "First": 5}}, {"CONDVORN_PORT": "COM1", "CONDVORN_DEVICE": pty,
                                                     "CONDVORN_FIRST": "1"}, 0, probes(1)),
        *[({}, {"CONDVORN_PORT": port}, 0, probes(1)) for port in ("1", "7")],  # the device is named
        *[({}, {"CONDVORN_PORT": off}, NO_LINK, []) for off in ("none", "-1", "0")],
        # Another file, named by CONDVORN_CONFIG; an empty variable cancels its entry.
        ({lab_file: {"Port": "COM250", "Device": pty, "First": 1}},
         {"CONDVORN_CONFIG": lab_file, "CONDVORN_PORT": None, "CONDVORN_FIRST": None, "CONDVORN_DEVICE": None},
         0, probes(1)),
        ({}, {"CONDVORN_DEVICE": ""}, NO_LINK, []),  # port 250 is /dev/ttyS249 then
    ]
    for files, environment, result, probed in cases:
        for path, entries in files.items():
            write_file(path, entries)
        for variable, value in environment.items():
            monkeypatch.setenv(variable, value) if value is not None else monkeypatch.delenv(variable)
        assert library.InitCond(1) == result, environment
        assert line.take_commands()[:len(probed)] == probed, environment
        library.KillCond()


def test_the_log_is_written_in_the_current_directory(library, simulator, monkeypatch, tmp_path):
    monkeypatch.setenv("CONDVORN_DEVICE", simulator(LINE).pty)
    monkeypatch.setenv("CONDVORN_DUMP", "1")
    assert library.InitCond(1) == 0
    with open(tmp_path / "ZELCOND.LOG", newline="") as log:
        lines = log.read().split("\r\n")
    assert lines[:2] == ["Beginning initialisation/setup process for Vorn support",
                         "About to open serial port 1 for use with Vorns"]
    assert "Found Vorn channel 1 OK" in lines


def test_panel_exports_open_no_panel_and_reports_go_to_standard_error(library, simulator, monkeypatch, capfd):
    line = simulator(LINE)
    monkeypatch.setenv("CONDVORN_DEVICE", line.pty)
    records = (_native.ChanSettings * 2)(record(), record(in_use=0))
    fetched, wrong_size = record(), record()
    fetched.gain, wrong_size.size = 7.0, 100
    calls = [  # (call, its result, what it wrote to standard error)
        (lambda: library.DoCondMenu(records, 2, _native.SampleProc(), 0, None), 0,
         "Vorn hardware not available\nCannot open comm port for Vorn communications\n"),
        (lambda: library.InitCond(1), 0, ""),
        (lambda: len(line.take_commands()) > 0, True, ""),  # the probes
        (lambda: library.DoCondMenu(records, 2, _native.SampleProc(), 0, None), 0, ""),
        (lambda: library.DoCondMenu(records, 2, _native.SampleProc(), _native.COND_MENU_MODELESS, None), 0, ""),
        (lambda: library.SetMenuScaling(1), 0, ""),
        (lambda: library.KillCondMenu(0), None, ""),
        # No panel: the record is left as it was.
        (lambda: library.GetCondChan(0, ctypes.byref(fetched)) or fetched.gain, 7.0, ""),
        (line.take_commands, [], ""),
        (lambda: library.CondGainTo(10.0, 0, ctypes.byref(wrong_size)), _native.COND_ERR_BAD_RECORD,
         "Conditioner support DLL is invalid or DLL version is too old\nError code for failure is unknown : 0\n"),
    ]
    for call, result, error in calls:
        assert (call(), capfd.readouterr().err) == (result, error)
