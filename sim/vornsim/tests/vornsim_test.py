"""vornsim on a real pseudo-terminal: a client opens the slave path as a
serial port, talks to simulated channels, and stops the simulator; and
vornctl's profile of a simulated channel, which must reproduce it."""
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
VORNCTL = os.environ["VORNCTL"]
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


def run(program, *args):
    done = subprocess.run([program, *args], capture_output=True, text=True, timeout=30)
    return done.returncode, done.stdout, done.stderr


class PtyLine(unittest.TestCase):
    def setUp(self):
        self.work = self.enterContext(tempfile.TemporaryDirectory())

    def path(self, name, content=None):
        """A file of the test's own; with `content`, written (as JSON unless it is text)."""
        path = os.path.join(self.work, name)
        if content is not None:
            with open(path, "w") as file:
                file.write(content if isinstance(content, str) else json.dumps(content))
        return path

    def start(self, *args, stdin=subprocess.DEVNULL):
        """A running vornsim and its slave path, once it reports ready."""
        process = self.enterContext(subprocess.Popen([VORNSIM, *args], stdin=stdin, stdout=subprocess.PIPE,
                                                     stderr=subprocess.PIPE))
        self.addCleanup(process.kill)  # before the context's exit waits for it
        return process, read_pty_line(process)

    def test_exchange_record_state_and_clean_stop(self):
        link, record, state = self.path("com5"), self.path("record.jsonl"), self.path("state.json")
        process, pty = self.start("--channel", "0=df3", "--channel", f"5={os.path.join(PROFILES, 'bridge-amp.json')}",
                                  "--link", link, "--record", record, "--state", state)
        self.assertEqual(os.path.realpath(link), pty)
        port = open_port(link)
        reply, seconds = exchange(port, ";;CH0;?CH;")
        # Ten characters out, a turnaround, two back: a 9600-baud line takes ~14 ms.
        self.assertEqual(reply, "0\r")
        self.assertTrue(0.010 < seconds < 0.5, seconds)  # room for a loaded machine
        os.close(port)
        # A client that closes the port and opens it again finds the line still there.
        port = open_port(link)
        self.assertEqual(exchange(port, ";;CH5;?CH;?RV;", lines=2)[0], "5\rVorn224\r")
        self.assertEqual(exchange(port, ";;CH7;?CH;", timeout=0.1)[0], "")
        exchange(port, ";;CH5;GN3;IP2;FA1;FS2;", lines=0, timeout=0.1)
        os.close(port)

        process.send_signal(signal.SIGTERM)
        self.assertEqual((process.communicate(timeout=5)[1], process.returncode), (b"", 0))
        self.assertFalse(os.path.lexists(link))
        with open(record) as lines:
            commands = [json.loads(line) for line in lines]
        self.assertEqual([(c["ch"], c["cmd"]) for c in commands],
                         [(0, ";;CH0;"), (0, "?CH;"), (5, ";;CH5;"), (5, "?CH;"), (5, "?RV;"), (7, ";;CH7;"),
                          (7, "?CH;"), (5, ";;CH5;"), (5, "GN3;"), (5, "IP2;"), (5, "FA1;"), (5, "FS2;")])
        self.assertEqual([c["t"] for c in commands], sorted(c["t"] for c in commands))
        with open(state) as file:
            channels = json.load(file)["channels"]
        self.assertEqual({number: (c["gain"], c["input"], c["extraSelected"], c["extraValues"])
                          for number, c in channels.items()}, {"0": (1, 1, 0, {}), "5": (3, 2, 1, {"1": 2})})

    def test_line_file_faults_and_stop_at_stdin_eof(self):
        process, pty = self.start("--line", os.path.join(PROFILES, "faulty-line.json"), "--exit-on-stdin-eof",
                                  stdin=subprocess.PIPE)
        port = open_port(pty)
        reply, seconds = exchange(port, ";;CH3;?NT;")
        self.assertEqual(reply, "12\r", "a raw reply")
        self.assertGreater(seconds, 0.025, "the file's 15 ms turnaround, not the usual 2 ms")
        # A wrong channel number, a short version, a stalled reply.
        for sent, reply in ((";;CH5;?CH;", "6\r"), (";;CH6;?RV;", "Vorn22\r"), (";;CH7;?RV;", "V")):
            self.assertEqual(exchange(port, sent, timeout=0.5)[0], reply, sent)
        exchange(port, ";;CH9;?LS;", lines=0, timeout=0.1)
        self.assertEqual(exchange(port, ";;CH0;?CH;", timeout=0.15)[0], "", "the line is dead after ?LS")
        os.close(port)
        process.communicate(timeout=5)  # closes its stdin
        self.assertEqual(process.returncode, 0)

    def test_a_line_that_dies_comes_back_on_a_signal(self):
        # Noise, then silence, after the version line; SIGUSR1 revives the line.
        process, pty = self.start("--line", self.path("noisy.json", {
            "channels": [{"number": 0, "profile": "df3"}], "death": {"kind": "garbage", "afterLines": 2}}))
        port = open_port(pty)
        # Wherever a busy machine splits the reads, the noise is the line's last word.
        heard = exchange(port, ";;CH0;?CH;?RV;", lines=3)[0] + exchange(port, "?CH;", timeout=0.5)[0]
        self.assertEqual(heard, "0\rVorn222\r\ufffd\ufffd\x7f\r" + "\ufffd\ufffd\x7f" * 2)
        process.send_signal(signal.SIGUSR1)
        self.assertEqual(read_pty_line(process), pty, "ready again on the same port")
        self.assertEqual(exchange(port, "?CH;")[0], "0\r")
        os.close(port)

        # A closed line takes its port (and the link to it) away; it comes back on a new pseudo-terminal.
        link = self.path("com5")
        process, _ = self.start("--link", link, "--line", self.path("closing.json", {
            "channels": [{"number": 0, "profile": "df3"}], "death": {"kind": "close", "afterCommands": 2}}))
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
        self.assertEqual(read_pty_line(process), os.path.realpath(link), "the link points at the new pty")
        port = open_port(link)
        self.assertEqual(exchange(port, ";;CH0;?CH;")[0], "0\r")
        os.close(port)

    def test_malformed_setups_are_refused(self):
        misspelt = self.path("misspelt.json", {"channels": [{"number": 1, "profile": "df3", "faults": {"silnet": 1}}]})
        dead = self.path("dead.json", {"channels": [{"number": 1, "profile": "df3"}], "death": {"kind": "close"}})
        for args, message in ((["--line", misspelt], 'channels[0].faults: unknown key "silnet"'),
                              (["--line", self.path("empty.json", {"channels": []})], "no channel on the line"),
                              (["--line", dead], 'death: give "afterCommands" or "afterLines"'),
                              (["--channel", "1=df3", "--channel", "1=df2"], "channel 1 is already on the line"),
                              (["--channel", "1=no-such-profile"], "neither a built-in profile")):
            code, out, errors = run(VORNSIM, *args)
            self.assertEqual((code, out), (2, ""), args)
            self.assertIn(message, errors, args)

    def test_a_captured_profile_reproduces_its_channel(self):
        """Captured from the simulator and loaded into it again, a profile gives the same
        traffic on the line (the capability read's included, so the same capabilities) and itself."""
        for profile in run(VORNSIM, "--list-profiles")[1].split():
            with self.subTest(profile):
                code, captured, traffic = run(VORNCTL, "--sim", profile, "trace", "profile", "0")
                self.assertEqual(code, 0, traffic)
                path = self.path("captured.json", captured)
                self.assertEqual(run(VORNCTL, "--sim", path, "trace", "profile", "0"), (0, captured, traffic))

if __name__ == "__main__":
    unittest.main()
