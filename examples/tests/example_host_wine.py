"""The example host under Wine against vornsim: it lists the channels, sets
a gain with the host's scaling rewritten, and opens the Windows library's
control panel."""
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "wine"))
from wine_bench import SIM_PORT, WineBench  # noqa: E402

SETTINGS = {"Port": SIM_PORT, "Dump": 0, "First": 0, "Last": 1}
CHANNEL = "Vorn222, 4 inputs, gains 1 to 1000, offset up to 5 V"


class ExampleHost(unittest.TestCase):
    def test_a_session_on_two_channels(self):
        bench = WineBench()
        self.addCleanup(bench.stop)
        bench.start()
        bench.clear_registry()
        for name, value in SETTINGS.items():
            bench.set_registry(name, value)
        simulator = bench.start_simulator({0: "df3", 1: "df1"})
        self.addCleanup(simulator.stop)

        code, output = bench.run_program(os.environ["EXAMPLE_HOST_EXE"], ["1"])
        lines = output.splitlines()
        self.assertEqual(code, 0, output)
        self.assertEqual(lines[:4], ["CONDVorn: 2 channels found", f"channel 0: {CHANNEL}", f"channel 1: {CHANNEL}",
                                     "channel 1 at gain 10: a code reads as code * 1.52588e-05 + 0 V"], output)
        # The Windows library has a panel; the example closes it after a second.
        self.assertEqual(lines[4:], ["control panel open", "control panel closed"], output)


if __name__ == "__main__":
    unittest.main()
