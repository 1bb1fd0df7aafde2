"""End to end under Wine: starting and stopping the library on a simulated line.

The DLL runs in condhost.exe, reads its settings from the prefix's registry
and zelcond.ini, opens COM5 (vornsim's pseudo-terminal) and probes channels.
"""
import os
import unittest

from wine_bench import SIM_PORT, WineBench

bench = None


def setUpModule():
    global bench
    bench = WineBench()
    unittest.addModuleCleanup(bench.stop)
    bench.start()


def lines(*texts):
    """Log file contents: each line ends with CR LF."""
    return "".join(text + "\r\n" for text in texts)


class DiscoveryTest(unittest.TestCase):
    def setUp(self):
        bench.clear_registry()
        bench.write_ini(None)
        log = bench.host_file("ZELCOND.LOG")
        if os.path.isdir(log):
            os.rmdir(log)
        elif os.path.exists(log):
            os.remove(log)

    def run_script(self, script, **host_options):
        """Runs the script. Returns the outcomes in order: (command, result)
        for each command, with None for the exports that return nothing, and
        ("box", text) for each message box; and the texts that the file
        commands read."""
        outcomes = []
        files = []
        for line in bench.run_host(script, **host_options):
            if "box" in line:
                self.assertEqual(line["caption"], "CONDVorn", "the library's boxes carry its name")
                outcomes.append(("box", line["box"]))
                continue
            self.assertNotIn("error", line)
            if line["cmd"].startswith("file "):
                files.append(line["text"])
            elif not line["cmd"].startswith("reg"):
                outcomes.append((line["cmd"], line.get("result")))
        return outcomes, files

    def test_init_discovers_logs_stores_settings_and_reopens_without_probing(self):
        sim = bench.start_simulator({2: "df1", 3: "df1"})
        self.addCleanup(sim.stop)
        bench.write_ini({"Port": f"COM{SIM_PORT}", "Dump": 1, "First": 0, "Last": 3})

        outcomes, logs = self.run_script([
            "type",
            "init 0",
            "file ZELCOND.LOG",
            "kill",
            "type",
            "init 0",
            "file ZELCOND.LOG",
            "init 0",  # again without KillCond: the port opens again
            "kill",
        ])

        self.assertEqual(outcomes, [("type", 1), ("init 0", 0), ("kill", None), ("type", 1),
                                    ("init 0", 0), ("init 0", 0), ("kill", None)])
        # First 0, Last 3, channels 2 and 3 answering: 0 to 3 are probed,
        # then 4, which is silent, ends the scan. After KillCond the
        # discovery stands: the port reopens and nothing more is sent.
        probe = lambda channel: [f";;CH{channel};", "?CH;"]
        self.assertEqual([command["cmd"] for command in sim.commands()],
                         probe(0) + probe(1) + probe(2) + ["?RV;"] + probe(3) + ["?RV;"] + probe(4))

        start = ["Beginning initialisation/setup process for Vorn support",
                 f"About to open serial port {SIM_PORT} for use with Vorns"]
        self.assertEqual(logs, [
            lines(*start,
                  "Timed out waiting for response for Vorn channel 0",
                  "Timed out waiting for response for Vorn channel 1",
                  "Found Vorn channel 2 OK",
                  "Found Vorn channel 3 OK",
                  "Timed out waiting for response for Vorn channel 4"),
            lines(*start)])
        # The log lies in the host program's directory.
        with open(bench.host_file("ZELCOND.LOG"), newline="") as log:
            self.assertEqual(log.read(), lines(*start))

        # The settings read from zelcond.ini now stand in the registry.
        self.assertEqual(bench.registry_values(), {
            "Port": ("REG_DWORD", hex(SIM_PORT)), "Dump": ("REG_DWORD", "0x1"),
            "First": ("REG_DWORD", "0x0"), "Last": ("REG_DWORD", "0x3")})

    def test_a_thread_with_a_small_stack_loads_the_library(self):
        # A host may load the library on any of its threads: its start-up
        # must fit a small stack. The exports then run on the host's main
        # thread, whose stack is 1 MiB.
        sim = bench.start_simulator({0: "df1"})
        self.addCleanup(sim.stop)
        bench.write_ini({"Port": f"COM{SIM_PORT}"})

        outcomes, _ = self.run_script(["type", "init 1", "onchan 0 0", "kill"], load_stack_kib=256)

        self.assertEqual(outcomes, [("type", 1), ("init 1", 0), ("onchan 0 0", 1), ("kill", None)])

    def test_ports_that_cannot_be_opened(self):
        # A directory in the log's place: the log cannot be created, which
        # InitCond reports in a message box before it carries on.
        os.mkdir(bench.host_file("ZELCOND.LOG"))
        self.addCleanup(os.rmdir, bench.host_file("ZELCOND.LOG"))  # the prefix is shared
        bench.write_ini({"Port": "none", "Dump": 1})
        bench.set_registry("Port", 9)  # the prefix has no COM9

        outcomes, _ = self.run_script([
            "init 1",
            "regdel Port",  # now "none" from the file
            "init 0",
            "regset Dump 0",
            "init 1",
        ])

        no_log = ("box", "Unable to create diagnostic log file for signal conditioner")
        self.assertEqual(outcomes, [no_log, ("init 1", -1), no_log, ("init 0", -1), ("init 1", -1)])
        self.assertEqual(bench.registry_values()["Port"], ("REG_DWORD", "0xffffffff"))


if __name__ == "__main__":
    unittest.main()
