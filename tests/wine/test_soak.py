"""End to end under Wine: 10 000 calls of a recording host (SetCondChan,
CondGainChange and GetCondInfo2 in turn on three channels, over a line
faster than 9600 baud; the library's 20 ms per selection stays) all succeed
and stay in step with the line, and the handles and private bytes over the
last thousand calls stay at those of the first thousand.
"""
import unittest

from test_session import FULL_INFO, differences
from wine_bench import SIM_PORT, call, rec, start_module_bench

bench = None

LINE = {0: "df3", 1: "df2", 2: "df1"}
SETTINGS = {"Port": SIM_PORT, "Dump": 0, "First": 0, "Last": 0}
FAST_LINE = {"timing": {"perCharMs": 0.05, "turnaroundMs": 0.5}}
CALLS = 10_000
WINDOW = 1_000
RECORD = {"scale": 0.001, "inUse": 1}
# The handles and private bytes are sampled once per block of 5 x 18 calls
# (Wine counts no handles: the host probes its handle table).
ROUNDS_PER_BLOCK = 5
# Room for the heap of a process that makes many calls into Wine.
PRIVATE_BYTES_SLACK = 256 * 1024
SOAK_TIMEOUT_S = 540


def soak_script():
    """Each SetCondChan moves the offset, so that something is sent; each
    CondGainChange steps the gain up and the next one down; each GetCondInfo2
    asks for the other of the first two inputs, so that the lists are read again."""
    round_ = []
    for step in (0, 1):
        for port in LINE:
            round_ += [rec(port, offset=0.01 * (step + 1)), call("SetCondChan", port),
                       call("CondGainChange", 1 - step, port),
                       call("GetCondInfo2", port, {"settings": dict(RECORD, input=step)})]
    block = round_ * ROUNDS_PER_BLOCK + ["resources"]
    start = [rec(port, **RECORD) for port in LINE] + ["InitCond 1"] + [call("CondOnChan", port, 0) for port in LINE]
    return start + ["wait found", f"repeat {CALLS // (18 * ROUNDS_PER_BLOCK) + 1} {len(block)}"] + block + ["KillCond"]


class Soak(unittest.TestCase):
    def test_ten_thousand_calls_stay_in_step_without_leaking(self):
        results = bench.run_on_line(LINE, soak_script(), line=FAST_LINE, timeout=SOAK_TIMEOUT_S)
        self.assertEqual(results.errors, [])
        repeated = results.lines[2 * len(LINE) + 2:-2]
        calls = [line for line in repeated if "ms" in line]
        samples = [line["resources"] for line in repeated if "resources" in line]
        self.assertGreaterEqual(len(calls), CALLS)
        self.assertEqual([line["cmd"] for line in calls if line["result"] != 0], [])
        # The record asked: gain 1, scale 0.001, and each channel's largest offset range is 5 V.
        for line in calls[2::3]:
            expected = dict(FULL_INFO[int(line["cmd"].split()[1])], maxOffset=6553.6 * 0.001 * 5, untouched=[])
            self.assertEqual(differences(line["info"], expected, line["cmd"]), [])
        window = WINDOW // (18 * ROUNDS_PER_BLOCK)
        spans = {key: [(min(s[key] for s in part), max(s[key] for s in part)) for part in (samples[:window],
                                                                                            samples[-window:])]
                 for key in ("handles", "privateBytes")}
        print(f"\nsoak: {len(calls)} calls in {sum(line['ms'] for line in calls) / 1000:.1f} s; handles "
              f"{spans['handles']} over the first and the last {WINDOW} calls; private bytes {spans['privateBytes']}")
        (_, handles_first), (_, handles_last) = spans["handles"]
        (_, private_first), (_, private_last) = spans["privateBytes"]
        self.assertLessEqual(handles_last, handles_first)
        self.assertLessEqual(private_last, private_first + PRIVATE_BYTES_SLACK)


def setUpModule():
    global bench
    bench = start_module_bench(unittest, SETTINGS)
