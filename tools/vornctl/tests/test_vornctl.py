"""Command-line tests of vornctl on its built-in simulator, and on vornsim's
pseudo-terminal where a real port matters.

The build passes the programs' paths in VORNCTL and VORNSIM. The tests learn
the simulated channels from vornctl itself (scan and info), so they hold
whatever profiles the simulator has built in.
"""
import json
import os
import pty
import re
import subprocess
import tempfile
import unittest

VORNCTL = os.environ.get("VORNCTL")
VORNSIM = os.environ.get("VORNSIM")
RUN_TIMEOUT_S = 60


def vornctl(*args, cwd=None, env=None):
    """Runs vornctl; returns (exit code, stdout, stderr)."""
    done = subprocess.run([VORNCTL, *args], capture_output=True, text=True, timeout=RUN_TIMEOUT_S, cwd=cwd,
                          env=dict(os.environ, **(env or {})))
    return done.returncode, done.stdout, done.stderr


def vornctl_json(*args, env=None):
    code, out, err = vornctl(*args, "--json", env=env)
    if code != 0:
        raise AssertionError(f"vornctl {' '.join(args)} --json exited {code}: {err}")
    return json.loads(out)


def found_channels():
    """scan --json's entries of the channels on the default simulated line."""
    return [c for c in vornctl_json("scan")["channels"] if c["status"] == "ok"]


@unittest.skipUnless(VORNCTL, "VORNCTL is not set; run through ctest")
class ScanTest(unittest.TestCase):
    def test_scan_lists_each_channel_as_info_describes_it(self):
        scan = vornctl_json("scan")
        found = [c for c in scan["channels"] if c["status"] == "ok"]
        self.assertGreaterEqual(len(found), 2)
        self.assertEqual(scan["found"], len(found))
        self.assertEqual([c["channel"] for c in found], list(range(len(found))))
        self.assertEqual(scan["channels"][-1], {"channel": len(found), "status": "no answer", "replies": []})
        for channel in found:
            self.assertRegex(channel["type"], r"^Vorn[ 0-9]{2}\d$")
            described = {key: value for key, value in channel.items() if key != "status"}
            self.assertEqual(described, vornctl_json("info", str(channel["channel"])))

        code, out, _ = vornctl("scan")
        self.assertEqual(code, 0)
        self.assertRegex(out, r"\n\s+0  ok\s+Vorn")
        self.assertIn(f"No answer from: {len(found)}\n", out)
        self.assertIn(f"{len(found)} channels found.", out)
        self.assertNotIn("\r", out)  # not a terminal: no progress line

    def test_progress_counts_the_probes_on_a_terminal(self):
        controller, terminal = pty.openpty()
        try:
            with subprocess.Popen([VORNCTL, "scan", "--first", "2", "--last", "5"], stdout=terminal,
                                  stderr=subprocess.DEVNULL) as run:
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
        self.assertIn("\rscanning: channel 3 (2 of 4)", text)
        self.assertRegex(text, r"\r +\rLine: ")  # wiped before the table

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
        code, out, _ = self.run_with_profile(dict(self.BENCH, version="Vorn22"), "scan", "--json")
        report = json.loads(out)
        self.assertEqual((report["exitCode"], report["found"]), (7, 0))
        self.assertEqual(report["channels"][0]["replies"], ["2", "Vorn22"])


@unittest.skipUnless(VORNCTL, "VORNCTL is not set; run through ctest")
class InfoTest(unittest.TestCase):
    # Which gains an input offers is shown by info --input, and checked through set (SetTest).
    def test_the_scale_sets_the_offset_reach(self):
        summary = next(c for c in found_channels() if c["maxOffset"] > 0)
        doubled = vornctl_json("--scale", repr(10 / 32768), "info", str(summary["channel"]))
        self.assertAlmostEqual(doubled["maxOffset"], 2 * summary["maxOffset"], places=3)


@unittest.skipUnless(VORNCTL, "VORNCTL is not set; run through ctest")
class SetTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.channels = found_channels()
        cls.info = max(cls.channels, key=lambda c: (len(c["extras"]), len(c["gains"])))
        cls.channel = str(cls.info["channel"])

    def test_round_trip_and_rescaling(self):
        info = self.info
        words = [f"gain={info['gains'][1] * 1.5:g}", f"offset={info['maxOffset'] / 4:g}", "coupling=ac",
                 "notch=on", "trigger=2", "edge=falling", f"input={info['inputs'][0]}"]
        expected = {e["name"]: e["choices"][-1] if e["kind"] == "choices" else (e["minimum"] + e["maximum"]) / 2
                    for e in info["extras"]}
        result = vornctl_json("set", self.channel, *words, *[f"{k}={v}" for k, v in expected.items()])
        took, before, after = result["took"], result["record"]["before"], result["record"]["after"]

        self.assertIn(took["gain"], info["gains"])
        self.assertNotEqual(took["gain"], info["gains"][1] * 1.5)
        self.assertEqual((took["coupling"], took["notch"], took["trigger"], took["edge"]), ("ac", "on", 2, "falling"))
        self.assertEqual({name: took[name] for name in expected}, expected)
        # The library keeps the host's readings true: scale x gain and zero + offset stay.
        self.assertAlmostEqual(after["scale"] * after["gain"], before["scale"] * before["gain"], delta=1e-9)
        self.assertAlmostEqual(after["zero"] + after["offset"], before["zero"] + before["offset"], places=5)
        self.assertAlmostEqual(took["offset"], info["maxOffset"] / 4, delta=info["maxOffset"] / 1000)
        # What the channel took, given back, is taken unchanged.
        again = vornctl_json("set", self.channel, *[f"{key}={value}" for key, value in took.items()])
        self.assertEqual(again["took"], took)

        code, out, _ = vornctl("set", self.channel, f"gain={info['gains'][1] * 1.5:g}")
        self.assertEqual(code, 0, out)
        self.assertRegex(out, rf"gain\s+{info['gains'][1]:g}\s+{info['gains'][1] * 1.5:g}\s+\(nearest of ")
        self.assertRegex(out, r"scale\s+\S+ -> \S+")

    def test_gain_is_taken_from_the_requested_inputs_gains(self):
        for info in self.channels:
            for index in range(1, len(info["inputs"])):
                gains = vornctl_json("info", str(info["channel"]), "--input", info["inputs"][index])["gains"]
                if len(gains) < 2 or gains == info["gains"]:
                    continue
                request = (gains[0] + gains[1]) / 2 + 0.01
                result = vornctl_json("set", str(info["channel"]), f"input={index}", f"gain={request}")
                self.assertEqual((result["took"]["input"], result["took"]["gain"]), (info["inputs"][index], gains[1]))
                return
        self.fail("no simulated channel has inputs with different gains")

    def test_cutoffs_snap_on_stepped_filters_and_are_refused_outside_continuous_ones(self):
        stepped = continuous = None
        for info in self.channels:
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


@unittest.skipUnless(VORNCTL and VORNSIM, "VORNCTL and VORNSIM are not set; run through ctest")
class SerialPortTest(unittest.TestCase):
    def test_set_starts_from_what_the_last_run_applied_on_the_port(self):
        with subprocess.Popen([VORNSIM, "--channel", "0=df3"], stdout=subprocess.PIPE, text=True) as sim, \
                tempfile.TemporaryDirectory() as state:
            try:
                port = sim.stdout.readline().removeprefix("pty: ").strip()  # printed once the line is ready

                def took(*args):
                    result = vornctl_json("--port", port, "set", "0", *args, env={"XDG_STATE_HOME": state})
                    return result["startedFrom"], result["took"]["gain"], result["took"]["coupling"]

                self.assertEqual(took("gain=10"), ("defaults", 10, "dc"))
                self.assertEqual(took("coupling=ac"), ("remembered", 10, "ac"))
                self.assertEqual(took("notch=on", "--fresh"), ("defaults", 1, "dc"))
                remembered = os.path.join(state, "condvorn", port.lstrip("/").replace("/", "_") + ".json")
                with open(remembered, encoding="utf-8") as file:
                    record = json.load(file)["channels"]["0"]
                self.assertEqual((record["gain"], record["flags"], len(record["extraValues"])), (1, 2, 8))
                self.assertEqual(record["scale"], 0.00015258789)  # the shortest text of the float

                with open(remembered, "w", encoding="utf-8") as file:
                    file.write('{"version": 7}')
                code, _, err = vornctl("--port", port, "set", "0", "gain=2", env={"XDG_STATE_HOME": state})
                self.assertEqual(code, 0, err)
                self.assertIn(f"ignoring the remembered settings in {remembered}", err)
                self.assertEqual(took("edge=falling")[:2], ("remembered", 2))
            finally:
                sim.terminate()


@unittest.skipUnless(VORNCTL, "VORNCTL is not set; run through ctest")
class ErrorTest(unittest.TestCase):
    def test_each_error_has_its_exit_code_and_a_message_to_act_on(self):
        found = found_channels()
        channels = len(found)
        ranged_channel, ranged = next((str(c["channel"]), e) for c in found for e in c["extras"] if e["kind"] == "range")
        for args, code, *fragments in [
            (["frobnicate"], 2, 'unknown command "frobnicate"', "scan info set demo"),
            (["set", "0", "gain"], 2, "expected key=value"),
            (["trace"], 2, "trace needs a command"),
            (["--port", "COM3", "scan"], 2, "Linux names serial ports /dev/tty", "/dev/ttyS2 is COM3"),
            (["--port", "/dev/ttyS0", "--sim", "scan"], 2, "give --port or --sim, not both"),
            (["info", "200"], 3, "channels are 0 to 127"),
            (["info", str(channels)], 3, f"channel {channels} was not found", "channels found: 0 1"),
            (["set", "0", "colour=blue"], 4, 'no setting "colour"', "keys: input gain offset"),
            (["set", "0", "input=nowhere"], 5, "input=nowhere", f"0 {found[0]['inputs'][0]}"),
            (["set", "0", "gain=loud"], 5, "not a number"),
            (["set", "0", "notch=maybe"], 5, "expected off or on"),
            (["set", ranged_channel, f"{ranged['name']}={ranged['maximum'] + 1:g}"], 5,
             f"from {ranged['minimum']:g} to {ranged['maximum']:g}"),
            (["set", "0", "Gain=2", "gain=3"], 2, "gain is given twice"),
            (["--port", "/nonexistent/tty", "scan"], 6, "/nonexistent/tty", "No such file or directory"),
            (["--first", str(channels + 1), "scan"], 7, "no channel answered"),
            (["--sim", "/nonexistent/profile.json", "scan"], 2, "not a built-in profile"),
            (["panel", "/dev/ttyUSB0"], 2, "the control panel is a Windows feature"),
            (["--port", "/dev/ttyUSB0", "demo"], 2, "demo runs on the simulator only"),
        ]:
            got, out, err = vornctl(*args)
            self.assertEqual(got, code, f"vornctl {' '.join(args)}: {out}{err}")
            for fragment in fragments:
                self.assertIn(fragment, err)
            self.assertNotIn("internal error", err)

    def test_with_json_an_error_is_also_a_json_object_on_standard_output(self):
        for args, code in [(["frobnicate", "--json"], 2), (["info", "200", "--json"], 3),
                           (["set", "0", "colour=blue", "--json"], 4), (["--first", "100", "scan", "--json"], 7)]:
            got, out, err = vornctl(*args)
            self.assertEqual(got, code, err)
            report = json.loads(out)
            self.assertEqual((report["error"], report["exitCode"]), (err.strip().removeprefix("vornctl: "), code))


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

    def test_the_log_goes_where_it_says_and_never_into_the_current_directory(self):
        with tempfile.TemporaryDirectory() as current, tempfile.TemporaryDirectory() as state:
            for args, path in [(["--log"], os.path.join(state, "condvorn", "ZELCOND.LOG")),
                               (["--log", os.path.join(state, "bench.log")], os.path.join(state, "bench.log"))]:
                code, _, err = vornctl(*args, "scan", cwd=current, env={"XDG_STATE_HOME": state})
                self.assertEqual(code, 0, err)
                self.assertIn(f"diagnostic log of the initialisation: {path}\n", err)
                with open(path, encoding="ascii") as log:
                    self.assertIn("Beginning initialisation", log.read())
            self.assertEqual(os.listdir(current), [])


@unittest.skipUnless(VORNCTL, "VORNCTL is not set; run through ctest")
class HelpAndDemoTest(unittest.TestCase):
    def test_global_help_lists_the_options_exit_codes_and_profiles(self):
        code, out, _ = vornctl("--help")
        self.assertEqual(code, 0)
        self.assertEqual(re.findall(r"^  (\d)  ", out, re.M), [str(n) for n in range(8)])
        self.assertRegex(out, r"Built-in profiles: \S+")
        self.assertRegex(out, r"\n  --port NAME +Serial port to use, e\.g\. \S+ \(not with --sim\)\n")

    def test_each_command_shows_its_own_help(self):
        for args, usage, fragments in [
            (["scan"], "scan [OPTIONS]", ["--json"]),
            (["info"], "info [OPTIONS] CH", ["--input"]),
            (["set"], "set [OPTIONS] CH KEY=VALUE...", ["--fresh", "What set starts from", "--fresh starts from"]),
            (["trace"], "trace [OPTIONS] COMMAND [ARGUMENTS...]", ["COMMAND is any other command"]),
            (["trace", "set"], "set [OPTIONS] CH KEY=VALUE...", ["Keys: input gain"]),
        ]:
            code, out, _ = vornctl(*args, "--help")
            self.assertEqual(code, 0)
            self.assertIn(f"\nUsage: vornctl [GLOBAL OPTIONS] {usage}\n", out)
            for fragment in fragments + ["vornctl --help lists them"]:
                self.assertIn(fragment, out)
            self.assertNotIn("Exit codes", out)

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
