"""Command-line tests of vornctl on its built-in simulator.

The build passes the program's path in VORNCTL. The tests learn the
simulated channels from vornctl itself (scan and info), so they hold
whatever profiles the simulator has built in.
"""
import json
import os
import pty
import re
import subprocess
import tempfile
import threading
import tty
import unittest

VORNCTL = os.environ.get("VORNCTL")
RUN_TIMEOUT_S = 60


def vornctl(*args, cwd=None):
    """Runs vornctl; returns (exit code, stdout, stderr)."""
    done = subprocess.run([VORNCTL, *args], capture_output=True, text=True, timeout=RUN_TIMEOUT_S, cwd=cwd)
    return done.returncode, done.stdout, done.stderr


def found_channels():
    """The channels on the default simulated line, as scan --json lists them."""
    return [c for c in vornctl_json("scan")["channels"] if c["status"] == "ok"]


def infos():
    """info --json of every channel on the default simulated line."""
    return [vornctl_json("info", str(c["channel"])) for c in found_channels()]


def vornctl_json(*args):
    code, out, err = vornctl(*args, "--json")
    if code != 0:
        raise AssertionError(f"vornctl {' '.join(args)} --json exited {code}: {err}")
    return json.loads(out)


@unittest.skipUnless(VORNCTL, "VORNCTL is not set; run through ctest")
class ScanTest(unittest.TestCase):
    def test_default_line_holds_channels_from_zero_and_ends_at_a_silent_one(self):
        scan = vornctl_json("scan")
        found = [c for c in scan["channels"] if c["status"] == "ok"]
        self.assertGreaterEqual(len(found), 2)
        self.assertEqual(scan["found"], len(found))
        self.assertEqual([c["channel"] for c in found], list(range(len(found))))
        self.assertEqual(scan["channels"][-1], {"channel": len(found), "status": "no answer", "replies": []})
        for channel in found:
            self.assertRegex(channel["type"], r"^Vorn[ 0-9]{2}\d$")
            self.assertGreaterEqual(channel["inputs"], 1)

        code, out, _ = vornctl("scan")
        self.assertEqual(code, 0)
        self.assertIn("channel  status", out)
        self.assertRegex(out, r"\n\s+0  ok\s+Vorn")
        self.assertIn(f"No answer from: {len(found)}\n", out)
        self.assertIn(f"{len(found)} channels found.", out)
        # Not a terminal: no progress line.
        self.assertNotIn("\r", out)

    def test_progress_line_only_on_a_terminal(self):
        controller, terminal = pty.openpty()
        try:
            with subprocess.Popen([VORNCTL, "scan", "--last", "3"], stdout=terminal, stderr=subprocess.DEVNULL) as run:
                os.close(terminal)
                shown = b""
                while True:
                    try:
                        chunk = os.read(controller, 4096)
                    except OSError:  # the terminal closes with the program
                        break
                    if not chunk:
                        break
                    shown += chunk
                self.assertEqual(run.wait(RUN_TIMEOUT_S), 0)
        finally:
            os.close(controller)
        text = shown.decode()
        self.assertIn("\rscanning: channel 3", text)
        # Wiped before the table.
        self.assertRegex(text, r"\r +\rLine: ")

    def test_a_profile_puts_one_channel_at_first(self):
        names = re.search(r"Built-in profiles:(.*)", vornctl("--help")[1]).group(1).split()
        scan = vornctl_json("--sim", names[-1], "--first", "5", "scan")
        self.assertEqual([(c["channel"], c["status"]) for c in scan["channels"]], [(5, "ok"), (6, "no answer")])


@unittest.skipUnless(VORNCTL, "VORNCTL is not set; run through ctest")
class ProfileFileTest(unittest.TestCase):
    """A channel described by a profile file, at channel 2 (--first)."""

    BENCH = {
        "name": "bench", "version": "Vorn222", "digitalFilters": 3,
        "inputs": [{"name": "Strain", "gains": [1, 4, 16], "offsetRanges": [1]}],
        "lowPass": [{"name": "Sharp", "cutoffs": [0, 30, 300]}],
        "highPass": [{"name": "Plain", "cutoffs": [0, 1]}],
        "extras": [{"name": "Shunt", "slot": 5, "choiceNames": ["Out", "In"]},
                   {"name": "Trim", "slot": 2, "choices": False, "minimum": 0, "maximum": 8}],
    }

    def run_with_profile(self, profile, *args):
        with tempfile.TemporaryDirectory() as directory:
            path = os.path.join(directory, "bench.json")
            with open(path, "w", encoding="utf-8") as file:
                json.dump(profile, file)
            return vornctl("--sim", path, "--first", "2", *args)

    def test_extra_settings_land_in_the_slots_the_channel_names(self):
        code, out, err = self.run_with_profile(self.BENCH, "trace", "set", "2", "shunt=In", "Trim=6.5", "--json")
        self.assertEqual(code, 0, err)
        result = json.loads(out)
        self.assertEqual((result["took"]["Shunt"], result["took"]["Trim"]), ("In", 6.5))
        self.assertEqual(result["record"]["after"]["extraValues"], [0, 0, 6.5, 0, 0, 1, 0, 0])
        self.assertRegex(err, r"-> FA1;\n[^\n]*-> FS1;\n")
        self.assertRegex(err, r"-> FA2;\n[^\n]*-> FS6.5;\n")

    def test_a_channel_with_a_bad_version_is_shown_as_rejected(self):
        code, out, err = self.run_with_profile(dict(self.BENCH, version="Vorn22"), "scan")
        self.assertEqual(code, 7, err)
        self.assertRegex(out, r'\n\s+2  rejected\s+replied "2" "Vorn22"\n')
        self.assertIn("no channel answered", err)


@unittest.skipUnless(VORNCTL, "VORNCTL is not set; run through ctest")
class SerialPortTest(unittest.TestCase):
    def test_a_real_port_carries_the_probe_and_its_reply(self):
        """A pseudo-terminal as the port, with a device that answers "?CH;" with another number."""
        device, port = pty.openpty()
        tty.setraw(port)
        heard = []

        def answer():
            received = b""
            while b"?CH;" not in received:
                try:
                    chunk = os.read(device, 64)
                except OSError:
                    return
                if not chunk:
                    return
                received += chunk
            heard.append(received)
            os.write(device, b"5\r")

        listener = threading.Thread(target=answer, daemon=True)
        listener.start()
        try:
            code, out, err = vornctl("--port", os.ttyname(port), "trace", "scan")
        finally:
            os.close(port)
            os.close(device)
            listener.join(5)
        self.assertEqual(code, 7, err)
        self.assertEqual(heard, [b";;CH0;?CH;"])
        self.assertIn("-> ?CH;", err)
        self.assertIn("<- 5\n", err)
        self.assertRegex(out, r'\n\s+0  rejected\s+replied "5"\n')


@unittest.skipUnless(VORNCTL, "VORNCTL is not set; run through ctest")
class InfoTest(unittest.TestCase):
    def test_info_agrees_with_the_scan_summary(self):
        for summary, info in zip(found_channels(), infos()):
            self.assertEqual(info["channel"], summary["channel"])
            self.assertEqual(info["type"], summary["type"])
            self.assertEqual((len(info["inputs"]), len(info["gains"]), len(info["lowPass"]), len(info["highPass"]),
                              len(info["extras"])),
                             (summary["inputs"], summary["gains"], summary["lowPassTypes"], summary["highPassTypes"],
                              summary["extras"]))
            for extra in info["extras"]:
                self.assertIn(extra["slot"], range(8))
            for filter_type in info["lowPass"] + info["highPass"]:
                if filter_type["kind"] == "continuous":
                    self.assertLess(filter_type["minimum"], filter_type["maximum"])

    def test_input_chooses_the_gains_and_scale_the_offset_reach(self):
        for info in infos():
            channel = str(info["channel"])
            for index in range(1, len(info["inputs"])):
                other = vornctl_json("info", channel, "--input", info["inputs"][index])
                if other["gains"] != info["gains"]:
                    self.assertEqual(other["input"], index)
                    break
            else:
                continue
            if info["maxOffset"] > 0:
                doubled = vornctl_json("--scale", repr(10 / 32768), "info", channel)
                self.assertAlmostEqual(doubled["maxOffset"], 2 * info["maxOffset"], places=3)
                return
        self.fail("no simulated channel has inputs with different gains and an offset range")


@unittest.skipUnless(VORNCTL, "VORNCTL is not set; run through ctest")
class SetTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        found = [c for c in vornctl_json("scan")["channels"] if c["status"] == "ok"]
        richest = max(found, key=lambda c: (c["extras"], c["gains"]))
        cls.channel = str(richest["channel"])
        cls.info = vornctl_json("info", cls.channel)

    def requests(self):
        """Settings that exercise every kind of key the channel has."""
        info = self.info
        words = [f"gain={info['gains'][1] * 1.5:g}", f"offset={info['maxOffset'] / 4:g}", "coupling=ac",
                 "notch=on", "trigger=2", "edge=falling", f"input={info['inputs'][0]}"]
        for extra in info["extras"]:
            value = extra["choices"][-1] if extra["kind"] == "choices" else (extra["minimum"] + extra["maximum"]) / 2
            words.append(f"{extra['name']}={value}")
        return words

    def test_round_trip_and_rescaling(self):
        result = vornctl_json("set", self.channel, *self.requests())
        took, before, after = result["took"], result["record"]["before"], result["record"]["after"]

        self.assertIn(took["gain"], self.info["gains"])
        self.assertNotEqual(took["gain"], self.info["gains"][1] * 1.5)
        self.assertEqual((took["coupling"], took["notch"], took["trigger"], took["edge"]), ("ac", "on", 2, "falling"))
        for extra in self.info["extras"]:
            expected = extra["choices"][-1] if extra["kind"] == "choices" else (extra["minimum"] + extra["maximum"]) / 2
            self.assertEqual(took[extra["name"]], expected)
        # The library keeps the host's readings true: scale x gain and zero + offset stay.
        self.assertAlmostEqual(after["scale"] * after["gain"], before["scale"] * before["gain"], delta=1e-9)
        self.assertAlmostEqual(after["zero"] + after["offset"], before["zero"] + before["offset"], places=5)
        self.assertAlmostEqual(took["offset"], self.info["maxOffset"] / 4, delta=self.info["maxOffset"] / 1000)

        # What the channel took, given back, is taken unchanged.
        again = vornctl_json("set", self.channel, *[f"{key}={value}" for key, value in took.items()])
        self.assertEqual(again["took"], took)

    def test_extra_settings_reach_the_channel_by_their_own_numbers(self):
        words, sent = [], []
        for index, extra in enumerate(self.info["extras"]):
            if extra["kind"] == "choices":
                words.append(f"{extra['name']}={extra['choices'][-1]}")
                sent.append((index, f"FS{len(extra['choices']) - 1};"))
            else:
                words.append(f"{extra['name']}={extra['maximum']:g}")
                sent.append((index, f"FS{extra['maximum']:g};"))
        if not words:
            self.skipTest("the channel has no extra settings")
        code, _, err = vornctl("trace", "set", self.channel, *words)
        self.assertEqual(code, 0, err)
        for index, command in sent:
            self.assertRegex(err, rf"-> FA{index + 1};\n[^\n]*-> {re.escape(command)}\n")

    def test_gain_is_taken_from_the_requested_inputs_gains(self):
        for info in infos():
            for index in range(1, len(info["inputs"])):
                gains = vornctl_json("info", str(info["channel"]), "--input", str(index))["gains"]
                if len(gains) < 2 or gains == info["gains"]:
                    continue
                request = (gains[0] + gains[1]) / 2 + 0.01
                result = vornctl_json("set", str(info["channel"]), f"input={index}", f"gain={request}")
                self.assertEqual(result["took"]["input"], info["inputs"][index])
                self.assertEqual(result["took"]["gain"], gains[1])
                return
        self.fail("no simulated channel has inputs with different gains")

    def test_cutoffs_snap_on_stepped_filters_and_are_refused_outside_continuous_ones(self):
        stepped = continuous = None
        for info in infos():
            for index, filter_type in enumerate(info["lowPass"]):
                cutoffs = sorted(c for c in filter_type["cutoffs"] if c > 0)
                if filter_type["kind"] == "stepped" and len(cutoffs) >= 2 and not stepped:
                    stepped = (info["channel"], index, cutoffs)
                if filter_type["kind"] == "continuous" and filter_type["minimum"] > 0 and not continuous:
                    continuous = (info["channel"], index, filter_type)
        channel, index, cutoffs = stepped
        request = cutoffs[0] + (cutoffs[1] - cutoffs[0]) * 0.9
        took = vornctl_json("set", str(channel), f"lowpass-type={index}", f"lowpass={request}")["took"]
        self.assertEqual(took["lowpass"], cutoffs[1])

        channel, index, filter_type = continuous
        code, _, err = vornctl("set", str(channel), f"lowpass-type={index}", f"lowpass={filter_type['minimum'] / 2}")
        self.assertEqual(code, 5)
        self.assertIn(f"takes {filter_type['minimum']:g} to {filter_type['maximum']:g} Hz", err)
        took = vornctl_json("set", str(channel), f"lowpass-type={index}", "lowpass=off")["took"]
        self.assertEqual(took["lowpass"], 0)

    def test_text_shows_requested_and_taken_and_the_scaling(self):
        requested = self.info["gains"][1] * 1.5
        code, out, _ = vornctl("set", self.channel, f"gain={requested:g}")
        self.assertEqual(code, 0, out)
        self.assertRegex(out, rf"gain\s+{self.info['gains'][1]:g}\s+{requested:g}\s+\(nearest of ")
        self.assertRegex(out, r"scale\s+\S+ -> \S+")


@unittest.skipUnless(VORNCTL, "VORNCTL is not set; run through ctest")
class ErrorTest(unittest.TestCase):
    def assertFails(self, args, code, *fragments):
        got, out, err = vornctl(*args)
        self.assertEqual(got, code, f"vornctl {' '.join(args)}: {out}{err}")
        for fragment in fragments:
            self.assertIn(fragment, err)
        self.assertNotIn("internal error", err)

    def test_each_error_has_its_exit_code_and_a_message_to_act_on(self):
        channels = len([c for c in vornctl_json("scan")["channels"] if c["status"] == "ok"])
        info = vornctl_json("info", "0")
        self.assertFails(["frobnicate"], 2, 'unknown command "frobnicate"', "scan info set trace demo")
        self.assertFails(["set", "0", "gain"], 2, "expected key=value")
        self.assertFails(["trace"], 2, "trace needs a command")
        self.assertFails(["info", "200"], 3, "channels are 0 to 127")
        self.assertFails(["info", str(channels)], 3, f"channel {channels} was not found", "channels found: 0 1")
        self.assertFails(["set", "0", "colour=blue"], 4, 'no setting "colour"', "keys: input gain offset")
        self.assertFails(["set", "0", "input=nowhere"], 5, "input=nowhere", f"0 {info['inputs'][0]}")
        self.assertFails(["set", "0", "gain=loud"], 5, "not a number")
        self.assertFails(["set", "0", "notch=maybe"], 5, "expected off or on")
        self.assertFails(["set", "0", "Gain=2", "gain=3"], 2, "gain is given twice")
        self.assertFails(["--port", "/nonexistent/tty", "scan"], 6, "/nonexistent/tty", "No such file or directory")
        self.assertFails(["--first", str(channels + 1), "scan"], 7, "no channel answered")
        self.assertFails(["--sim", "/nonexistent/profile.json", "scan"], 2, "not a built-in profile")
        self.assertFails(["panel", "/dev/ttyUSB0"], 2, "the control panel is a Windows feature")
        self.assertFails(["--sim", "df3", "panel"], 2, "leave out --sim")

    def test_values_outside_a_range_are_refused_with_the_range(self):
        scan = vornctl_json("scan")["channels"]
        for channel in (c["channel"] for c in scan if c["status"] == "ok"):
            info = vornctl_json("info", str(channel))
            ranged = [e for e in info["extras"] if e["kind"] == "range"]
            if ranged:
                extra = ranged[0]
                self.assertFails(["set", str(channel), f"{extra['name']}={extra['maximum'] + 1:g}"], 5,
                                 f"from {extra['minimum']:g} to {extra['maximum']:g}")
                return
        self.skipTest("no simulated channel has a numeric extra setting")


@unittest.skipUnless(VORNCTL, "VORNCTL is not set; run through ctest")
class TraceAndLogTest(unittest.TestCase):
    def test_trace_goes_to_stderr_and_leaves_json_clean(self):
        code, out, err = vornctl("trace", "info", "0", "--json")
        self.assertEqual(code, 0, err)
        self.assertEqual(json.loads(out)["channel"], 0)
        self.assertRegex(err, r"\d+\.\d{3} ms  -> ;;CH0;\n")
        self.assertRegex(err, r"\d+\.\d{3} ms  <- Vorn")
        stamps = [float(s) for s in re.findall(r"^\s*(\d+\.\d+) ms", err, re.M)]
        self.assertEqual(stamps, sorted(stamps))

    def test_log_says_where_it_is(self):
        with tempfile.TemporaryDirectory() as directory:
            code, _, err = vornctl("--log", "scan", cwd=directory)
            self.assertEqual(code, 0, err)
            path = re.search(r"diagnostic log of the initialisation: (.+)", err).group(1)
            with open(path, encoding="ascii") as log:
                self.assertIn("Beginning initialisation", log.read())


@unittest.skipUnless(VORNCTL, "VORNCTL is not set; run through ctest")
class HelpAndDemoTest(unittest.TestCase):
    def test_help_lists_every_exit_code_and_the_profiles(self):
        code, out, _ = vornctl("--help")
        self.assertEqual(code, 0)
        self.assertEqual(re.findall(r"^  (\d)  ", out, re.M), [str(n) for n in range(8)])
        self.assertRegex(out, r"Built-in profiles: \S+")

    def test_demo_runs_every_step(self):
        code, out, err = vornctl("demo")
        self.assertEqual(code, 0, err)
        for heading in ("1. Scan the line", "2. What each channel offers", "3. Settings", "Next"):
            self.assertIn(heading, out)
        self.assertIn("The host's record (* changed)", out)
        self.assertIn("(exit code 5)", out)
        self.assertEqual(err, "")


if __name__ == "__main__":
    unittest.main()
