"""End to end under Wine: the library's Win32 waits on the real clock.

waitcheck.exe times the clock's pauses and the serial link's input waits
(over vornsim's pseudo-terminal) against the system's precise wall time.
No wait may end early; none may run long beyond what a loaded machine
explains; an input wait ends with the answer, not at its time; and the
millisecond tick the library reads keeps pace with the wall time to 1 ms.
"""
import json
import unittest

from wine_bench import SIM_PORT, required_path, start_module_bench

bench = None

# Room for a loaded machine: a wait that ignored its time or its input
# would be off by far more.
LATE_TOLERANCE_MS = 100
# The wall time is read a few microseconds before the tick at each end.
CLOCK_READING_MS = 0.05


class WaitsTest(unittest.TestCase):
    def test_waits_end_neither_early_nor_late_and_the_tick_keeps_pace(self):
        sim = bench.start_simulator({0: "df1"})
        self.addCleanup(sim.stop)
        code, output = bench.run_program(required_path("WAITCHECK_EXE"), [str(SIM_PORT)])
        self.assertEqual(code, 0, output)
        waits = [json.loads(line) for line in output.splitlines() if line.startswith("{")]
        self.assertEqual([w["wait"] for w in waits], ["pause"] * 4 + ["silence", "answer"])
        for wait in waits:
            with self.subTest(wait=wait["wait"], micros=wait["micros"]):
                limit_ms = wait["micros"] / 1000
                if wait["wait"] == "answer":
                    self.assertTrue(wait["result"])
                    self.assertLess(wait["ms"], LATE_TOLERANCE_MS)
                else:
                    self.assertGreaterEqual(wait["ms"], limit_ms - CLOCK_READING_MS)
                    self.assertLess(wait["ms"], limit_ms + LATE_TOLERANCE_MS)
                    self.assertEqual(wait["result"], wait["wait"] == "pause")
                self.assertLessEqual(abs(wait["ticks"] - wait["ms"]), 1 + CLOCK_READING_MS)


def setUpModule():
    global bench
    bench = start_module_bench(unittest)
