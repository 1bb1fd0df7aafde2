"""End to end under Wine: the line dies in the middle of an exchange, over a
real pseudo-terminal, and comes back.

vornsim stops answering, closes the line, or sends noise and falls silent,
after a chosen number of commands or reply lines: during a first capability
read, during a scan of every channel number, and during a SetCondChan that
changes everything. Each call returns within twice the time its time-outs
allow, with its documented result; the library then probes again at the
next InitCond, so that once the line is back, KillCond and InitCond(0) find
the channels and the calls give the right answers.
"""
import unittest

from test_session import FULL_INFO, differences
from wine_bench import FIRST_CHAR, LIST, PROBE_REPLY, REPLY, SELECTION, SIM_PORT, WIRE, call, start_module_bench

bench = None

LINE = {0: "df3", 1: "df1", 2: "old-firmware"}
SETTINGS = {"Port": SIM_PORT, "Dump": 0, "First": 0, "Last": 0}
INFO = {"settings": {"scale": 0.001}}

# Discovery of channels 0 to 2 and the silent 3: three commands and two reply
# lines for each channel found, two commands for the silent one.
DISCOVERY_COMMANDS, DISCOVERY_LINES = 11, 6
# The first use of df3 on its first input: selection, fourteen capability
# queries, the input, the gain and offset-range lists.
FIRST_USE_COMMANDS = 18

# SetCondChan with a new input and everything else new.
WANTED = {"scale": 0.001, "input": 1, "gain": 10, "offset": 0.002, "lowPassCutoff": 100, "flags": 3,
          "extraValues": [0, 2]}
FULL_APPLY = ["IP2;", "GN4;", "AC1;", "NF1;", "FA1;"]

REVIVE = "wait revive"
# The probes after the recovery let the bench repeat a run in which a loaded
# machine made a channel answer its probe too late.
RECOVERY = [call("KillCond"), call("InitCond", 0)] + [call("CondOnChan", port, 0) for port in LINE]


class LineFaults(unittest.TestCase):
    def run_dying_line(self, death, script, last=0):
        """Runs the script on a line that dies as `death` says and comes back
        at the script's wait; returns the results, and the commands the line
        received after it came back."""
        bench.set_registry("Last", last)
        revived_at = []

        def revive(_):
            revived_at.append(len(bench.sim.commands()))
            bench.sim.revive()

        results = bench.run_on_line(LINE, script, line={"death": death}, on_wait=revive)
        self.assertEqual(results.errors, [])
        return results.lines, [command["cmd"] for command in bench.sim.commands()[revived_at[-1]:]]

    def assert_within(self, result, budget_ms, what):
        print(f"\n{what}: {result['ms']:.0f} ms (processor {result['cpuMs']:.0f} ms), budget {budget_ms:.0f} ms")
        self.assertLessEqual(result["ms"], 2 * budget_ms, what)

    def assert_full_capabilities(self, result):
        self.assertEqual(result["result"], 0)
        expected = dict(FULL_INFO[0], untouched=[])
        self.assertEqual(differences(result["info"], expected, "info"), [])

    def test_the_line_falls_silent_during_a_first_capability_read(self):
        # The input list breaks off after its count and one name.
        death = {"kind": "silence", "afterLines": DISCOVERY_LINES + 4}
        script = [call("InitCond", 1)] + [call("CondOnChan", port, 0) for port in LINE] + [
            call("GetCondInfo2", 0, INFO), REVIVE, *RECOVERY, call("GetCondInfo2", 0, INFO)]
        results, after = self.run_dying_line(death, script)
        # The input list, the filter, extra-setting and notch queries, then
        # the gain and offset-range lists all time out.
        self.assertEqual(results[4]["result"], 0)
        self.assert_within(results[4], SELECTION + 3 * LIST + 4 * REPLY + WIRE, "capability read on a silent line")
        self.assertEqual(results[7]["result"], 0)
        self.assertIn("?CH;", after, "the next InitCond probes again")
        self.assert_full_capabilities(results[-1])
        print(f"recovery: KillCond + InitCond(0) {results[6]['ms'] + results[7]['ms']:.0f} ms, "
              f"first GetCondInfo2 {results[-1]['ms']:.0f} ms")

    def test_noise_then_silence_during_a_scan_of_every_channel_number(self):
        # The first selection goes through; noise answers the first probe.
        death = {"kind": "garbage", "afterCommands": 1}
        script = [call("InitCond", 1), REVIVE, *RECOVERY, call("GetCondInfo2", 0, INFO)]
        results, after = self.run_dying_line(death, script, last=127)
        self.assertEqual(results[0]["result"], -4)
        # Each number is selected and waited for; the noise may pass for a
        # channel number, and leave a reply that never ends.
        self.assert_within(results[0], 128 * (SELECTION + FIRST_CHAR) + PROBE_REPLY + REPLY + WIRE,
                           "scan of 0 to 127 on a dying line")
        self.assertEqual(results[3]["result"], 0)
        self.assertEqual(after.count("?CH;"), 128, "the next InitCond probes every number again")
        self.assert_within(results[3], 3 * (SELECTION + FIRST_CHAR + PROBE_REPLY + REPLY) +
                           125 * (SELECTION + FIRST_CHAR), "scan of 0 to 127 once the line is back")
        self.assert_full_capabilities(results[-1])

    def test_the_line_closes_during_a_full_set_cond_chan(self):
        # The line takes the selection and the new input, then goes away.
        death = {"kind": "close", "afterCommands": DISCOVERY_COMMANDS + FIRST_USE_COMMANDS + 2}
        script = [call("InitCond", 1)] + [call("CondOnChan", port, 0) for port in LINE] + [
            call("GetCondInfo2", 0, INFO), call("SetCondChan", 0, WANTED), REVIVE, *RECOVERY,
            call("SetCondChan", 0, WANTED), call("GetCondInfo2", 0, {"want": 2, "settings": WANTED})]
        results, after = self.run_dying_line(death, script)
        self.assert_full_capabilities(results[4])
        self.assertEqual(results[5]["result"], 0)
        # The new input's gain and offset-range lists cannot be read.
        self.assert_within(results[5], SELECTION + 2 * LIST + WIRE, "SetCondChan on a closed line")
        self.assertEqual(results[8]["result"], 0)
        self.assertIn("?CH;", after, "the next InitCond probes again")
        self.assertEqual(results[-2]["result"], 0)
        self.assertLessEqual(set(FULL_APPLY), set(after), "the whole record is sent again")
        self.assertEqual(results[-2]["rec"]["gain"], 10)
        self.assertEqual(results[-1]["info"]["gains"], FULL_INFO[0]["gains"])


def setUpModule():
    global bench
    bench = start_module_bench(unittest, SETTINGS)


if __name__ == "__main__":
    unittest.main()
