"""Fixtures of the Linux library's and the binding's tests: vornsim on a
pseudo-terminal, and an environment in which only the test configures the
library. The build passes CONDVORN_LIBRARY (libcondvorn.so) and VORNSIM."""
import json
import os
import select
import subprocess
import sys
import time

import pytest

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

RECORD_SETTLE_S = 0.1
SIMULATOR_NICENESS = -10
# The library's own variables; CONDVORN_LIBRARY names the library under test.
SETTING_VARIABLES = ["CONDVORN_" + name for name in ("PORT", "DUMP", "FIRST", "LAST", "DEVICE", "CONFIG")]


def answer_promptly():
    """In vornsim before it starts: as a real conditioner would, it answers
    whatever else the computer is busy with (where it may, as root)."""
    try:
        os.nice(SIMULATOR_NICENESS)
    except PermissionError:
        pass


class Simulator:
    """A running vornsim: `pty` is its line's device path."""

    def __init__(self, channels, directory):
        self.record_path = os.path.join(directory, "vornsim-record.jsonl")
        args = [os.environ["VORNSIM"], "--record", self.record_path]
        for number, profile in channels.items():
            args += ["--channel", f"{number}={profile}"]
        self.process = subprocess.Popen(args, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                        preexec_fn=answer_promptly)
        ready, _, _ = select.select([self.process.stdout], [], [], 10)
        line = self.process.stdout.readline().decode() if ready else ""
        if not line.startswith("pty: "):
            self.stop()
            raise RuntimeError(f"vornsim did not report its pty: {line!r}")
        self.pty = line[len("pty: "):].strip()

    def take_commands(self):
        """The command texts the line has received since the last call, once
        they have stopped arriving."""
        size = -1
        while size != self._record_size():
            size = self._record_size()
            time.sleep(RECORD_SETTLE_S)
        with open(self.record_path, "r+") as record:
            commands = [json.loads(line)["cmd"] for line in record if line.strip()]
            record.truncate(0)
        return commands

    def _record_size(self):
        return os.path.getsize(self.record_path) if os.path.exists(self.record_path) else 0

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.process.stdout.close()


@pytest.fixture
def simulator(tmp_path):
    """Starts vornsim with {channel number: profile name}."""
    started = []

    def start(channels):
        started.append(Simulator(channels, str(tmp_path)))
        return started[-1]

    yield start
    for running in started:
        running.stop()


@pytest.fixture(autouse=True)
def own_configuration(tmp_path, monkeypatch):
    """No configuration but the test's: the library's variables cleared, and
    the configuration file and remembered settings in the test's directory."""
    for variable in SETTING_VARIABLES:
        monkeypatch.delenv(variable, raising=False)
    monkeypatch.setenv("XDG_CONFIG_HOME", str(tmp_path / "config"))
    monkeypatch.setenv("XDG_STATE_HOME", str(tmp_path / "state"))
    monkeypatch.chdir(tmp_path)
