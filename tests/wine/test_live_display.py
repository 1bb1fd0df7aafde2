"""End to end under Wine: the panel's live display, and vornctl's panel.

condhost.exe hands the panel a sampling routine whose codes the script
chooses, and reads the trace back from the window's pixels; vornctl.exe
opens the panel as a technician would, with condhost driving it from
another process.
"""
import math
import os
import unittest

import test_panel as panel
from test_panel import AC_COUPLE, CANCEL, CLOSED, DEFERRED, GAIN, MODELESS, OK, PORT, TOP, BOTTOM, VOLTS
from test_panel import menu
from wine_bench import DISCOVERY_ATTEMPTS, SIM_PORT, rec, start_module_bench

bench = None
DISPLAY, AVERAGE = 110, 1000
# Columns to read back: enough to find the middle of each third of the frame.
COLUMNS = " ".join(str(x) for x in range(0, 400, 5))
# A trace for the screenshot: a damped swing about a small positive level.
SWING = " ".join(str(int(4000 + 20000 * math.exp(-i / 60) * math.sin(i / 6))) for i in range(250))


def row(code, height, top=32767.0, bottom=-32768.0):
    return math.trunc((top - code) * ((height - 2) / (top - bottom))) + 1


class DisplayTest(panel.PanelTest):
    def test_the_trace_its_average_and_what_a_careless_routine_cannot_do(self):
        average = f"panel.controls.{AVERAGE}.text"
        results, _ = self.run_checked([
            rec(0, inUse=1, scale=0.001), "samples 300 32767 0 -32768", menu(4, MODELESS, sampler=True), "pump 700",
            f"pixels {DISPLAY} {COLUMNS}",
            ("panel", {average: "-32.77  Volt", f"panel.controls.{TOP}.text": "32.77  Volt",
                       f"panel.controls.{BOTTOM}.text": "-32.77  Volt"}, "the last 100 codes, in host units"),
            "sampled", f"click {VOLTS}", "pump 400", ("panel", {average: "-5 V"}, "at the input"), f"click {VOLTS}",
            "samples -5", "pump 400", ("panel", {average: "No data"}), "samples 1 1000", "pump 400",
            ("panel", {average: "1  Volt"}, "a single code"),
            # A count far beyond the buffer, with the codes at both ends of the range.
            "samples 100000 -32768 32767 -32768 32767", "pump 400",
            (f"pixels {DISPLAY} 0", {"pixels.outside": 0}, "the trace stays inside the frame"), "sampled",
            f"samples 250 {SWING}", f"focus {PORT}", "pump 600", "shot live-trace", "samplerclose",
            ("pump 701", {"notes": [CLOSED]}, "the routine closed the panel as by OK"), ("panel", {"open": False}),
            # Deferred: the pending gain of 2 shows code 16384 at the top edge.
            "samples 300 16384", menu(4, MODELESS | DEFERRED, sampler=True), f"select {GAIN} 1", "pump 700",
            f"pixels {DISPLAY} {COLUMNS}", "KillCondMenu 0", ("pump 100", {"notes": [CLOSED]})],
            screenshots=os.path.join(bench.work, "screenshots"))
        pixels = results.take(f"pixels {DISPLAY} {COLUMNS}")["pixels"]
        width, height = pixels["size"]
        third = width // 3
        for column, code in ((third // 2, 32767), (third + third // 2, 0), (2 * third + third // 2, -32768)):
            column -= column % 5
            self.assertEqual(pixels["rows"][str(column)], [row(code, height)], f"code {code} at column {column}")
        self.assertEqual(pixels["outside"], 0)
        sampled = results.take("sampled")
        self.assertEqual((sampled["channel"], sampled["max"]), (0, 500))
        self.assertGreaterEqual(sampled["calls"], 2, "four times a second")
        self.assertEqual(results.take("sampled")["max"], 500)
        pixels = results.take(f"pixels {DISPLAY} {COLUMNS}")["pixels"]
        width, height = pixels["size"]
        self.assertEqual(pixels["rows"][str(width // 2 - width // 2 % 5)], [1],
                         "twice the gain pending: 16384 reaches the top")


class VornctlPanelTest(panel.PanelTest):
    def run_vornctl_panel(self, args, line, script):
        """Runs vornctl.exe panel on a fresh line while condhost drives the
        panel it opens; returns the ports the panel lists, and vornctl's exit
        code and output. A run whose panel lacks a channel that answered its
        probe too late (see WineBench.run_on_line) is repeated."""
        for attempt in range(1, DISCOVERY_ATTEMPTS + 1):
            bench.start_simulator(line)
            vornctl = bench.start_program(os.environ["VORNCTL_EXE"], ["panel"] + args)
            self.addCleanup(vornctl.stop)
            view = bench.run_host(["attach 60000", "panel"] + script).take("panel")
            code, output = vornctl.finish()
            listed = view["panel"]["controls"][str(PORT)]["items"] if view.get("open") else None
            if listed == [str(port) for port in line] or attempt == DISCOVERY_ATTEMPTS:
                self.assertTrue(view.get("open"), f"vornctl should open the panel: {view}, {output}")
                return listed, code, output

    def test_vornctl_opens_the_panel_on_the_port_it_is_given(self):
        bench.write_ini({"Port": "COM9", "Dump": 0, "First": 0, "Last": 0})
        bench.set_registry("Port", 9)
        listed, code, output = self.run_vornctl_panel([f"COM{SIM_PORT}", "--last", "2"], {0: "df3", 2: "df1"},
                                                      [f"click {AC_COUPLE}", f"click {OK}"])
        self.assertEqual(code, 0, output)
        self.assertEqual(listed, ["0", "2"], "the port given, probed up to --last")
        self.assertIn("channel 0:", output)
        self.assertIn("AC1;", [command["cmd"] for command in bench.sim.commands()])
        self.assertEqual(bench.registry_values()["Port"], ("REG_DWORD", "0x9"), "the configured port is put back")

    def test_cancel_sends_nothing_and_says_so(self):
        bench.write_ini({"Port": f"COM{SIM_PORT}", "Dump": 0, "First": 0, "Last": 0})
        _, code, output = self.run_vornctl_panel([], {0: "df1"}, [f"click {AC_COUPLE}", f"click {CANCEL}"])
        self.assertEqual((code, output.strip()), (0, "nothing changed"))
        self.assertNotIn("AC1;", [command["cmd"] for command in bench.sim.commands()])


def setUpModule():
    global bench
    bench = panel.bench = start_module_bench(unittest)
