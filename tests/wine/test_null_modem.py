"""End to end under Wine, back to back: the DLL in condhost.exe on COM5
drives vornsim.exe on COM6, the two joined by socat as by a null-modem
cable; stopped with Ctrl-C, vornsim.exe writes the settings it was sent.
"""
import json
import os
import re
import time
import unittest

from test_panel import MODELESS, menu
from wine_bench import DEVICE_PORT, DISCOVERY_ATTEMPTS, SIM_PORT, call, rec, start_module_bench

bench = None
HERE = os.path.dirname(os.path.abspath(__file__))
with open(os.path.join(HERE, "..", "..", "src", "res", "zelcond.h")) as header:
    RELOAD = int(re.search(r"#define IDC_RELOAD\s+(\d+)", header.read()).group(1))
READY_TIMEOUT_S = 60
# The state's fields and the set commands that give them.
STATE_COMMANDS = {"input": "IP", "gain": "GN", "offsetRange": "OR", "offsetCode": "OF", "acCoupling": "AC",
                  "notch": "NF", "triggerInput": "TG", "triggerEdge": "TP"}


class BackToBack(unittest.TestCase):
    def setUp(self):
        bench.clear_registry()
        bench.write_ini({"Port": f"COM{SIM_PORT}", "Dump": 0, "First": 0, "Last": 2})
        self.addCleanup(bench.start_null_modem().stop)

    def start_vornsim(self, *args):
        """vornsim.exe on COM6, once it says the line is ready."""
        run = bench.start_program(os.environ["VORNSIM_EXE"], ["--port", f"COM{DEVICE_PORT}", *args])
        self.addCleanup(run.stop)
        deadline = time.monotonic() + READY_TIMEOUT_S
        while time.monotonic() < deadline and run.process.poll() is None:
            with open(run.out_path, errors="replace") as out:
                if out.read().startswith(f"port: COM{DEVICE_PORT}\n"):
                    return run
            time.sleep(0.05)
        run.stop()
        with open(run.out_path, errors="replace") as out:
            self.fail(f"vornsim.exe did not report its port: {out.read()!r}")

    def test_a_host_on_com5_drives_vornsim_exe_on_com6(self):
        record, state = bench.host_file("record.jsonl"), bench.host_file("state.json")
        # Channel 1's capability read parts the gain and offset change on channel 0 from the panel's Reload.
        found = [call("CondOnChan", port, 0) for port in (0, 1)]
        infos = [call("GetCondInfo2", port, {"want": 127}) for port in (0, 1)]
        gain, offset = call("CondGainTo", 10, 0), call("CondOffsTo", 0.5, 0)
        script = [*found, infos[0], rec(0, inUse=1, scale=0.001), gain, offset, infos[1], menu(2, MODELESS),
                  f"click {RELOAD}", "KillCondMenu 0"]
        for _ in range(DISCOVERY_ATTEMPTS):
            for path in (record, state):
                if os.path.exists(path):
                    os.remove(path)
            vornsim = self.start_vornsim("--channel", "0=df3", "--channel", "1=classic", "--record",
                                         "C:\\condvorn\\record.jsonl", "--state", "C:\\condvorn\\state.json")
            results = {line["cmd"]: line for line in bench.run_host(["InitCond 1"] + script).lines}
            vornsim.interrupt()
            self.assertEqual(vornsim.finish(), (0, f"port: COM{DEVICE_PORT}\n"), "a clean stop on Ctrl-C")
            if [results[command]["result"] for command in found] == [1, 1]:
                break  # a loaded machine can answer a probe too late: the channel is then rightly absent
        self.assertEqual(results["InitCond 1"]["result"], 0)
        self.assertEqual([results[command]["result"] for command in found], [1, 1])
        self.assertEqual([results[command]["info"]["typeText"] for command in infos], ["Vorn222", "Vorn203"])
        self.assertEqual(results[infos[0]]["info"]["gains"], [1, 2, 5, 10, 20, 50, 100, 200, 500, 1000])
        self.assertEqual((results[gain]["result"], results[gain]["rec"]["gain"]), (0, 10))
        self.assertEqual(results[offset]["result"], 0)

        with open(record) as lines:
            sent = [(line["ch"], line["cmd"], line["t"]) for line in map(json.loads, lines)]
        reload = {c[:2] for ch, c, _ in sent[max(i for i, s in enumerate(sent) if s[1] == ";;CH1;"):] if ch == 0}
        self.assertLessEqual({"IP", "GN", "OR", "OF", "LD", "HD", "AC", "NF", "TG", "TP", "FA", "FS"}, reload,
                             "Reload sends every setting")
        # Replies come at 9600 baud: the 283 bytes that df3 answers before "?NT;" take 295 ms.
        queries = [t for channel, command, t in sent if channel == 0 and command in ("?RV;", "?NT;")]
        self.assertGreater(queries[-1] - queries[-2], 295)

        with open(state) as file:
            settings = json.load(file)["channels"]["0"]
        self.assertEqual([settings[field] for field in ("gain", "offsetRange", "offsetCode")], [4, 1, 5000],
                         "gain 10 and offset 0.5: GN4; OR1; OF5000;")
        for field, command in STATE_COMMANDS.items():
            values = [int(m[1]) for m in (re.fullmatch(command + r"(-?\d+);", c) for ch, c, _ in sent if ch == 0) if m]
            self.assertEqual(settings[field], values[-1], f"{field}: the last {command} sent")

    def test_a_port_that_cannot_be_served_is_named(self):
        # Wine, unlike Windows, lets a second program open a COM port: "in use" cannot be shown here.
        for port, code, message in (("COM9", 1, "COM9: no such port"), ("COMX", 2, "--port COMX: expected a COM port")):
            exit_code, output = bench.run_program(os.environ["VORNSIM_EXE"], ["--port", port, "--channel", "0=df3"])
            self.assertEqual(exit_code, code, output)
            self.assertRegex(output, f"^vornsim: {message}")


def setUpModule():
    global bench
    bench = start_module_bench(unittest)
