"""End to end under Wine: a long run of a recording host's calls.

10 000 calls, SetCondChan, CondGainChange and GetCondInfo2 in turn on three
channels, each through the real DLL over a pseudo-terminal to vornsim (a
faster line than 9600 baud: the device's timing is not what is tested; the
library's own 20 ms per channel selection stays). Every call succeeds,
every answer stays in step with the line (each GetCondInfo2 gives exactly
the channel's capabilities), and the process's handle count and private
bytes over the last thousand calls stay at those of the first thousand.
"""
import unittest

import json

from test_session import FULL_INFO, differences
from wine_bench import SIM_PORT, start_module_bench

bench = None

LINE = {0: "df3", 1: "df2", 2: "df1"}
SETTINGS = {"Port": SIM_PORT, "Dump": 0, "First": 0, "Last": 0}
FAST_LINE = {"timing": {"perCharMs": 0.05, "turnaroundMs": 0.5}}
CALLS = 10_000
WINDOW = 1_000
SAMPLE_EVERY = 100  # Wine counts no handles: the host probes its handle table
# Room for the heap of a process that makes many calls into Wine.
PRIVATE_BYTES_SLACK = 256 * 1024
SOAK_TIMEOUT_S = 540


class Soak(unittest.TestCase):
    def test_ten_thousand_calls_stay_in_step_without_leaking(self):
        bench.start_simulator(LINE, line=FAST_LINE)
        options = {"calls": CALLS, "ports": list(LINE), "window": WINDOW, "sampleEvery": SAMPLE_EVERY}
        results = bench.run_host([f"soak {json.dumps(options)}", "KillCond"], timeout=SOAK_TIMEOUT_S)
        self.assertEqual(results.errors, [])
        soak = results.lines[0]["soak"]
        handles, private = soak["handles"], soak["privateBytes"]
        print(f"\nsoak: {soak['calls']} calls in {soak['seconds']:.1f} s; handles {handles['first']} over the "
              f"first {WINDOW} calls, {handles['last']} over the last; private bytes {private['first']}, "
              f"{private['last']}")
        self.assertEqual(soak["failures"], [])
        self.assertEqual(soak["outOfStep"], 0, "a GetCondInfo2 answer differed from the first one")
        for answer in soak["answers"]:
            # The soak's record: gain 1, scale 0.001, and each channel's largest offset range is 5 V.
            expected = dict(FULL_INFO[answer["port"]], maxOffset=6553.6 * 0.001 * 5, untouched=[])
            self.assertEqual(differences(answer["info"], expected, f"port {answer['port']}"), [])
        self.assertEqual(len(soak["answers"]), 2 * len(LINE), "both inputs of every channel were asked")
        self.assertLessEqual(handles["last"][1], handles["first"][1])
        self.assertLessEqual(private["last"][1], private["first"][1] + PRIVATE_BYTES_SLACK)


def setUpModule():
    global bench
    bench = start_module_bench(unittest, SETTINGS)


if __name__ == "__main__":
    unittest.main()
