"""End to end under Wine: starting and stopping the library on a simulated line.

The DLL runs in condhost.exe, reads its settings from the prefix's registry
and zelcond.ini, opens COM5 (vornsim's pseudo-terminal) and probes channels.
"""
import os
import unittest

from wine_bench import SIM_PORT, call, start_module_bench

bench = None
NO_LOG = "Unable to create diagnostic log file for signal conditioner"


def lines(*texts):
    """Log file contents: each line ends with CR LF."""
    return "".join(text + "\r\n" for text in texts)


def probe(channel):
    return [f";;CH{channel};", "?CH;"]


class DiscoveryTest(unittest.TestCase):
    def setUp(self):
        bench.clear_registry()
        bench.write_ini(None)
        self.log = bench.host_file("ZELCOND.LOG")
        if os.path.isdir(self.log):
            os.rmdir(self.log)
        elif os.path.exists(self.log):
            os.remove(self.log)

    def read_log(self):
        with open(self.log, newline="") as log:
            return log.read()

    def outcomes(self, results):
        """(command, result) for each command but the host's own, with ("box",
        text) before it for each message box it showed."""
        self.assertEqual(results.errors, [])
        self.assertLessEqual(results.captions, {"CONDVorn"}, "the library's boxes carry its name")
        return [item for line in results.lines if not line["cmd"].startswith("wait")
                for item in [("box", box) for box in line["boxes"]] + [(line["cmd"], line.get("result"))]]

    def test_init_discovers_logs_stores_settings_and_reopens_without_probing(self):
        bench.start_simulator({2: "df1", 3: "df1"})
        bench.write_ini({"Port": f"COM{SIM_PORT}", "Dump": 1, "First": 0, "Last": 3})
        script = ["GetCondType", "InitCond 0", "wait log", "KillCond", "GetCondType", "InitCond 0", "wait log",
                  "InitCond 0", "KillCond"]  # the last InitCond opens the open port again
        logs = []
        results = bench.run_host(script, on_wait=lambda _: logs.append(self.read_log()))
        self.assertEqual(self.outcomes(results), [(command, {"GetCondType": 1, "KillCond": None}.get(command, 0))
                                                  for command in script if command != "wait log"])
        # First 0, Last 3, channels 2 and 3 answering: 0 to 3 are probed,
        # then 4, which is silent, ends the scan. After KillCond the
        # discovery stands: the port reopens and nothing more is sent.
        self.assertEqual([command["cmd"] for command in bench.sim.commands()],
                         probe(0) + probe(1) + probe(2) + ["?RV;"] + probe(3) + ["?RV;"] + probe(4))
        start = ["Beginning initialisation/setup process for Vorn support",
                 f"About to open serial port {SIM_PORT} for use with Vorns"]
        found = [f"Timed out waiting for response for Vorn channel {n}" for n in (0, 1)] + \
            [f"Found Vorn channel {n} OK" for n in (2, 3)] + ["Timed out waiting for response for Vorn channel 4"]
        self.assertEqual(logs, [lines(*start, *found), lines(*start)])
        self.assertEqual(self.read_log(), lines(*start), "the log lies in the host program's directory")
        # The settings read from zelcond.ini now stand in the registry.
        self.assertEqual(bench.registry_values(), {
            "Port": ("REG_DWORD", hex(SIM_PORT)), "Dump": ("REG_DWORD", "0x1"),
            "First": ("REG_DWORD", "0x0"), "Last": ("REG_DWORD", "0x3")})

    def test_a_thread_with_a_small_stack_loads_the_library(self):
        # A host may load the library on any of its threads: its start-up
        # must fit a small stack. The exports then run on the host's main
        # thread, whose stack is 1 MiB.
        bench.write_ini({"Port": f"COM{SIM_PORT}"})
        results = bench.run_on_line({0: "df1"}, ["GetCondType", "InitCond 1", "CondOnChan 0 0", "KillCond"],
                                    load_stack_kib=256)
        self.assertEqual(self.outcomes(results), [("GetCondType", 1), ("InitCond 1", 0), ("CondOnChan 0 0", 1),
                                                  ("KillCond", None)])

    def test_a_port_or_a_log_that_cannot_be_opened(self):
        # A directory in the log's place: the log cannot be created, which
        # InitCond reports in a message box before it carries on; every other
        # call gives its usual result, also one whose failure would be logged.
        os.mkdir(self.log)
        self.addCleanup(os.rmdir, self.log)  # the prefix is shared
        bench.write_ini({"Port": "none", "Dump": 1})
        bench.set_registry("Port", SIM_PORT)
        line = {"channels": [{"number": 1, "profile": "df1",  # its gain list fails once
                              "faults": {"lists": {"GS": {"kind": "announceZero", "times": 1}}}}]}
        # The prefix has no COM9; without Port in the registry, "none" comes from the file.
        changes = {"port9": ("Port", 9), "noport": ("Port", None), "nodump": ("Dump", 0)}
        results = bench.run_on_line({0: "df3", 2: "old-firmware"}, [
            "InitCond 1", "CondOnChan 0 0", "CondOnChan 2 0", "GetCondInfo2 1", call("CondGainTo", 5, 1),
            "SetCondChan 1", "wait port9", "InitCond 1", "wait noport", "InitCond 0", "wait nodump", "InitCond 1"],
            line=line, on_wait=lambda name: bench.set_registry(*changes[name]))
        self.assertEqual(self.outcomes(results), [
            ("box", NO_LOG), ("InitCond 1", 0), ("CondOnChan 0 0", 1), ("CondOnChan 2 0", 1), ("GetCondInfo2 1", 0),
            ("CondGainTo 5 1", 0), ("SetCondChan 1", 0), ("box", NO_LOG), ("InitCond 1", -1), ("box", NO_LOG),
            ("InitCond 0", -1), ("InitCond 1", -1)])
        self.assertEqual(results.take("CondGainTo 5 1")["rec"]["gain"], 5)
        self.assertEqual(bench.registry_values()["Port"], ("REG_DWORD", "0xffffffff"))


def setUpModule():
    global bench
    bench = start_module_bench(unittest)
