"""vornsim on a real pseudo-terminal: a client opens the slave path as a
serial port, talks to simulated channels, and stops the simulator."""
import json
import os
import select
import signal
import subprocess
import tempfile
import time
import tty
import unittest

VORNSIM = os.environ["VORNSIM"]
PROFILES = os.environ["VORNSIM_PROFILES"]


def open_port(path):
    fd = os.open(path, os.O_RDWR | os.O_NOCTTY)
    tty.setraw(fd)
    return fd


def exchange(fd, text, lines=1, timeout=1.0):
    """Writes `text`, reads `lines` reply lines; returns them and the seconds taken."""
    started = time.monotonic()
    os.write(fd, text.encode())
    reply = b""
    while reply.count(b"\r") < lines:
        left = started + timeout - time.monotonic()
        if left <= 0 or not select.select([fd], [], [], left)[0]:
            break
        reply += os.read(fd, 256)
    return reply.decode(errors="replace"), time.monotonic() - started


def read_pty_line(process):
    """The slave path of the next "pty: PATH" line that vornsim prints."""
    ready, _, _ = select.select([process.stdout], [], [], 5)
    line = process.stdout.readline().decode() if ready else ""
    if not line.startswith("pty: "):
        raise AssertionError(f"no pty line: {line!r}")
    return line[len("pty: "):].strip()


def finish(process):
    if process.poll() is None:
        process.kill()
        process.wait()
    for stream in (process.stdin, process.stdout, process.stderr):
        if stream:
            stream.close()


class PtyLine(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.TemporaryDirectory()
        self.addCleanup(self.work.cleanup)

    def path(self, name):
        return os.path.join(self.work.name, name)

    def start(self, *args, stdin=subprocess.DEVNULL):
        """A running vornsim and its slave path, once it reports ready."""
        process = subprocess.Popen([VORNSIM, *args], stdin=stdin, stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE)
        self.addCleanup(finish, process)
        return process, read_pty_line(process)

    def test_exchange_record_state_and_clean_stop(self):
        link, record, state = self.path("com5"), self.path("record.jsonl"), self.path("state.json")
        profile = os.path.join(PROFILES, "bridge-amp.json")
        process, pty = self.start("--channel", "0=df3", "--channel", f"5={profile}", "--link", link,
                             "--record", record, "--state", state)
        self.assertEqual(os.path.realpath(link), pty)

        port = open_port(link)
        reply, seconds = exchange(port, ";;CH0;?CH;")
        self.assertEqual(reply, "0\r")
        # Ten characters out, a turnaround, two back: a 9600-baud line takes ~14 ms.
        self.assertGreater(seconds, 0.010)
        self.assertLess(seconds, 0.5)  # room for a loaded machine
        self.assertEqual(exchange(port, "?RV;")[0], "Vorn222\r")
        os.close(port)

        # A client that closes the port and opens it again finds the line still there.
        port = open_port(link)
        self.assertEqual(exchange(port, ";;CH5;?CH;?RV;", lines=2)[0], "5\rVorn224\r")
        self.assertEqual(exchange(port, ";;CH7;?CH;", timeout=0.1)[0], "")
        exchange(port, ";;CH5;GN3;IP2;FA1;FS2;", lines=0, timeout=0.1)
        os.close(port)

        process.send_signal(signal.SIGTERM)
        _, errors = process.communicate(timeout=5)
        self.assertEqual((process.returncode, errors), (0, b""))
        self.assertFalse(os.path.lexists(link))

        with open(record) as lines:
            commands = [json.loads(line) for line in lines]
        self.assertEqual([(c["ch"], c["cmd"]) for c in commands],
                         [(0, ";;CH0;"), (0, "?CH;"), (0, "?RV;"), (5, ";;CH5;"), (5, "?CH;"), (5, "?RV;"),
                          (7, ";;CH7;"), (7, "?CH;"), (5, ";;CH5;"), (5, "GN3;"), (5, "IP2;"), (5, "FA1;"),
                          (5, "FS2;")])
        times = [c["t"] for c in commands]
        self.assertEqual(times, sorted(times))

        with open(state) as file:
            channels = json.load(file)["channels"]
        self.assertEqual(sorted(channels), ["0", "5"])
        self.assertEqual((channels["0"]["gain"], channels["0"]["input"]), (1, 1))
        self.assertEqual((channels["5"]["gain"], channels["5"]["input"], channels["5"]["extraSelected"]),
                         (3, 2, 1))
        self.assertEqual(channels["5"]["extraValues"], {"1": 2})

    def test_line_file_faults_and_stop_at_stdin_eof(self):
        process, pty = self.start("--line", os.path.join(PROFILES, "faulty-line.json"), "--exit-on-stdin-eof",
                             stdin=subprocess.PIPE)
        port = open_port(pty)
        reply, seconds = exchange(port, ";;CH3;?NT;")
        self.assertEqual(reply, "12\r")
        self.assertGreater(seconds, 0.025)  # the file's 15 ms turnaround, not the usual 2 ms
        self.assertEqual(exchange(port, ";;CH5;?CH;")[0], "6\r")
        self.assertEqual(exchange(port, ";;CH6;?RV;")[0], "Vorn22\r")
        self.assertEqual(exchange(port, ";;CH7;?RV;", timeout=0.5)[0], "V")
        exchange(port, ";;CH9;?LS;", lines=0, timeout=0.1)
        self.assertEqual(exchange(port, ";;CH0;?CH;", timeout=0.15)[0], "")  # the line is dead now
        os.close(port)

        process.communicate(timeout=5)  # closes its stdin
        self.assertEqual(process.returncode, 0)

    def line_file(self, content):
        path = self.path("line.json")
        with open(path, "w") as file:
            json.dump(content, file)
        return path

    def test_a_line_that_dies_comes_back_on_a_signal(self):
        # Noise, then silence, after the version line; SIGUSR1 revives the line.
        noisy = self.line_file({"channels": [{"number": 0, "profile": "df3"}],
                                "death": {"kind": "garbage", "afterLines": 2}})
        process, pty = self.start("--line", noisy)
        port = open_port(pty)
        self.assertEqual(exchange(port, ";;CH0;?CH;?RV;", lines=3)[0], "0\rVorn222\r\ufffd\ufffd\x7f\r")
        self.assertEqual(exchange(port, "?CH;", timeout=0.5)[0], "\ufffd\ufffd\x7f" * 2)
        process.send_signal(signal.SIGUSR1)
        self.assertEqual(read_pty_line(process), pty, "ready again on the same port")
        self.assertEqual(exchange(port, "?CH;")[0], "0\r")
        os.close(port)

        # A closed line takes its port (and the link to it) away; it comes
        # back on a new pseudo-terminal.
        link = self.path("com5")
        closing = self.line_file({"channels": [{"number": 0, "profile": "df3"}],
                                  "death": {"kind": "close", "afterCommands": 2}})
        process, _ = self.start("--line", closing, "--link", link)
        port = open_port(link)
        self.assertEqual(exchange(port, ";;CH0;?CH;")[0], "0\r")
        os.write(port, b"?RV;")
        self.assertEqual(select.select([port], [], [], 2)[0], [port], "the closed line hangs up")
        self.assertEqual(os.read(port, 16), b"")
        with self.assertRaises(OSError):
            os.write(port, b"?CH;")
        os.close(port)
        self.assertFalse(os.path.lexists(link))
        process.send_signal(signal.SIGUSR1)
        revived = read_pty_line(process)
        self.assertEqual(os.path.realpath(link), revived)
        port = open_port(link)
        self.assertEqual(exchange(port, ";;CH0;?CH;")[0], "0\r")
        os.close(port)

    def test_malformed_setups_are_refused(self):
        def run(*args):
            done = subprocess.run([VORNSIM, *args], capture_output=True, text=True, timeout=5)
            return done.returncode, done.stdout, done.stderr

        line_file = self.line_file
        misspelt = line_file({"channels": [{"number": 1, "profile": "df3", "faults": {"silnet": True}}]})
        returncode, stdout, stderr = run("--line", misspelt)
        self.assertEqual((returncode, stdout), (2, ""))
        self.assertIn('channels[0].faults: unknown key "silnet"', stderr)

        self.assertEqual(run("--line", line_file({"channels": []}))[0], 2)
        dead = line_file({"channels": [{"number": 1, "profile": "df3"}], "death": {"kind": "close"}})
        self.assertIn('death: give "afterCommands" or "afterLines"', run("--line", dead)[2])
        self.assertEqual(run("--channel", "1=df3", "--channel", "1=df2")[0], 2)
        self.assertEqual(run("--channel", "1=no-such-profile")[0], 2)


if __name__ == "__main__":
    unittest.main()
