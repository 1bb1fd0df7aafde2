"""End to end under Wine: every export with hostile arguments (null and
wrong-size records in guarded memory, ports outside the table, NaN, infinite,
huge and negative-zero values, broken CondInfo records and panel requests),
before InitCond, with the line open, with a modeless panel open, and after
KillCond. Each call must give its documented result and message boxes,
fault nowhere, touch nothing outside its records, and return within twice
the time its time-outs allow. Restarting the library leaves no handle behind.
"""
import math
import unittest
from typing import NamedTuple

from wine_bench import FIRST_CHAR, LIST, PROBE_REPLY, REPLY, SELECTION, SIM_PORT, call, start_module_bench

bench = None

LINE = {0: "df3", 1: "df1", 2: "old-firmware"}
SETTINGS = {"Port": SIM_PORT, "Dump": 0, "First": 0, "Last": 0}
PRESENT, SILENT = 0, 3  # channel 3 is probed, since 0 to 2 answer, and is silent

INT_MIN = -2 ** 31
BAD_PORTS = [-1, 128, 1_000_000, INT_MIN]
GOOD = {"scale": 0.001, "zero": 1, "gain": 2, "offset": 0.001}
BAD_RECORDS = [None, {"size": 0}, {"size": 159}, {"size": 161}, {"size": 0xFFFFFFFF},
               {"bytes": 100, "size": 100}, {"bytes": 4, "size": 4}]
HOSTILE_VALUES = ["nan", "inf", "-inf", 1e30, "-0"]
# 25320 bytes: a CondInfo of the 32-bit layout, which the 64-bit library must refuse.
BAD_INFOS = [None, {"size": 0}, {"size": 25320}, {"bytes": 100, "size": 100}, {"settings": None},
             {"settings": {"bytes": 100, "size": 100}}, {"settings": {"size": 0}}]
MODELESS = 2
STATES = ["before", "open", "panel", "after"]
RESTARTS = 30  # InitCond(0) twice, KillCond between

# ---- Message boxes ----

LINK_CLOSED = "Cannot open comm port for Vorn communications"
UNKNOWN_0 = "Error code for failure is unknown : 0"


def second_line(state):
    """The second line that linkStatus gives: the link is open only in these states."""
    return UNKNOWN_0 if state in ("open", "panel") else LINK_CLOSED


def wrong_size(state):
    return "Conditioner support DLL is invalid or DLL version is too old\n" + second_line(state)


def port_unusable(port, state):
    status = "Vorn channel not installed/available" if state in ("open", "panel") else LINK_CLOSED
    return f"Vorn for ADC port {port} not available\n{status}"


HARDWARE = "Vorn hardware not available\n" + LINK_CLOSED
NO_PORTS = "No ADC ports in use\n" + UNKNOWN_0

# ---- Time budgets (ms), from the waits that a call can meet ----

# A channel whose capabilities are known: a change of input reads two lists.
KNOWN_CHANNEL = SELECTION + 2 * LIST
# A first touch, or a silent channel: the version, three lists and three
# single queries of an older channel (the most a channel can be asked),
# then the gain and offset-range lists.
FIRST_TOUCH = SELECTION + 4 * REPLY + 5 * LIST
# Discovery of channels 0 to 3: each may answer its number but not its version.
DISCOVERY = 4 * (SELECTION + FIRST_CHAR + PROBE_REPLY + REPLY)
# Opening the port again, without a discovery.
PORT_OPEN = 100  # Wine takes up to 0.2 s: within twice this and the slack
SLACK_MS = 250
BOX_MS = 1500  # the host's watcher finds a box and closes it


class Expect(NamedTuple):
    result: object = None         # None for exports that return nothing
    boxes: tuple = ()
    unchanged: bool = True        # the host's memory is left as it was
    finite: bool = False          # the record's values are all finite afterwards
    budget_ms: float = 0
    info: dict = None             # sections of the CondInfo afterwards


def usable(state):
    return state in ("open", "panel")


def gate(state, port, budget=KNOWN_CHANNEL, finite=True):
    """A gain or offset export on a port: through the gate, or refused with a box."""
    if usable(state) and port == PRESENT:
        return Expect(0, unchanged=False, finite=finite, budget_ms=budget)
    return Expect(-1 if not usable(state) else -4, (port_unusable(port, state),))


# ---- The cases: (command, expectation) for one state ----

GAIN_OFFSET = [("CondGainTo", 2), ("CondGainChange", 1), ("CondOffsTo", 0.5), ("CondOffsChange", 1)]


def record_refusals(state):
    for record in BAD_RECORDS:
        yield call("SetCondChan", PRESENT, record), Expect(-5)
        yield call("GetCondChan", PRESENT, record), Expect(-5)
        for export, value in GAIN_OFFSET:
            yield call(export, value, PRESENT, record), Expect(-5, (wrong_size(state),))


def port_refusals(state):
    for port in BAD_PORTS:
        yield call("SetCondChan", port, GOOD), Expect(-6)
        # Without a panel there is no table to check the port against.
        yield call("GetCondChan", port, GOOD), Expect(-6 if state == "panel" else 0)
        for export, value in GAIN_OFFSET:
            yield call(export, value, port, GOOD), Expect(-6)
        yield call("CondOnChan", port, 1), Expect(0)
        yield call("GetCondInfo2", port, {"settings": GOOD}), Expect(-6)


def hostile_values(state):
    for value in HOSTILE_VALUES:
        yield call("CondGainTo", value, PRESENT, GOOD), gate(state, PRESENT)
        # An offset that no finite code can set leaves the record as it is.
        offset = gate(state, PRESENT)
        if offset.result == 0 and value in ("nan", "inf", "-inf"):
            offset = offset._replace(unchanged=True)
        yield call("CondOffsTo", value, PRESENT, GOOD), offset
        for field in ("gain", "offset", "scale"):
            record = dict(GOOD, **{field: value})
            # A scale that cannot follow the gain leaves the record as it is.
            kept = field in ("gain", "scale") and value in ("nan", "inf", "-inf")
            stepped = gate(state, PRESENT, finite=False)
            if stepped.result == 0:
                stepped = stepped._replace(unchanged=kept)
            yield call("CondGainChange", 1, PRESENT, record), stepped
            # A port without a usable conditioner is folded out of the record.
            yield (call("SetCondChan", PRESENT, record),
                   Expect(0, unchanged=None, budget_ms=KNOWN_CHANNEL if usable(state) else 0))


def unusable_port(state):
    yield call("CondGainTo", 2, SILENT, GOOD), gate(state, SILENT)
    yield call("CondOnChan", SILENT, 1), Expect(0, (port_unusable(SILENT, state),))
    yield call("CondOnChan", SILENT, 0), Expect(0)
    yield (call("CondOnChan", PRESENT, 1),
           Expect(1) if usable(state) else Expect(0, (port_unusable(PRESENT, state),)))
    yield call("SetCondChan", SILENT, GOOD), Expect(0, unchanged=False, finite=True)


def info_refusals(state):
    for info in BAD_INFOS:
        yield call("GetCondInfo2", PRESENT, info), Expect(-5)


def small_exports(state):
    for volts in [0, -5, "nan", "inf", "-inf", "-0"]:
        yield call("SetADCRange", volts), Expect()
    # The range refused: the largest offset is still that of 5 V (for the
    # record's gain 2 and scale 0.001, and df3's 5 V offset range); nothing
    # is known of the channel before the first InitCond.
    budget = KNOWN_CHANNEL if usable(state) else 0
    max_offset = 0 if state == "before" else 2 * 6553.6 * 0.001 * 5
    yield (call("GetCondInfo2", PRESENT, {"want": 16, "settings": GOOD}),
           Expect(0, unchanged=False, budget_ms=budget, info={"maxOffset": max_offset}))
    yield call("GetCondType"), Expect(1)
    yield call("SetPellProc", None), Expect(0)
    yield call("SetPellProc", "proc"), Expect(0)
    if state != "panel":
        yield call("KillCondMenu", 0), Expect()
        yield call("KillCondMenu", 1), Expect()
        yield call("SetMenuScaling", 0), Expect(0)


def menu_records(count, in_use=(0, 1, 2), **changes):
    records = [dict(GOOD, inUse=1 if port in in_use else 0) for port in range(count)]
    for port, record in changes.items():
        records[int(port[1:])] = record
    return {"records": records}


def menu_refusals(state):
    def refused(box):
        if state == "panel":
            return Expect(0)  # the open panel comes to the front instead
        return Expect(0, (HARDWARE if not usable(state) else box,))

    yield call("DoCondMenu", None, 3, None, MODELESS, "host"), refused(wrong_size(state))
    for count in [0, -1, 0x10000, -0x7FFF0000]:
        yield call("DoCondMenu", menu_records(3), count, None, MODELESS, "host"), refused(NO_PORTS)
    yield (call("DoCondMenu", menu_records(3, r1={"bytes": 160, "size": 100}), 3, None, MODELESS, "host"),
           refused(wrong_size(state)))
    yield call("DoCondMenu", menu_records(3, in_use=()), 3, "sampler", MODELESS, 0x1234), refused(NO_PORTS)
    yield (call("DoCondMenu", menu_records(5, in_use=(SILENT,)), 5, None, MODELESS, None),
           refused(port_unusable(SILENT, state)))


CASES = [record_refusals, port_refusals, hostile_values, unusable_port, info_refusals, small_exports, menu_refusals]


def cases(state):
    return [case for make in CASES for case in make(state)]


# Discovery found every channel of the line.
FOUND = [call("CondOnChan", port, 0) for port in LINE]

# The panel opened on 128 records with a count of 200: the library reads
# exactly 128 (the 129th would lie in the guard page).
OPEN_PANEL = call("DoCondMenu", menu_records(128), 200, "sampler", MODELESS, "host")


def script():
    """The whole run: (command, expectation, state) from load to after KillCond."""
    steps = [(command, expect, "before") for command, expect in cases("before")]

    def add(state, command, expect):
        steps.append((command, expect, state))

    # KillCond with nothing started has nothing to close.
    add("before", call("KillCond"), Expect())

    add("open", call("InitCond", 1), Expect(0, budget_ms=DISCOVERY))
    steps.extend((command, Expect(1), "open") for command in FOUND)
    add("open", call("GetCondInfo2", PRESENT, {"settings": GOOD}), Expect(0, unchanged=False, budget_ms=FIRST_TOUCH))
    steps.extend((command, expect, "open") for command, expect in cases("open"))
    # InitCond twice: the second probes again; InitCond(0) then keeps the channels.
    add("open", call("InitCond", 1), Expect(0, budget_ms=DISCOVERY))
    add("open", call("InitCond", 0), Expect(0, budget_ms=PORT_OPEN))
    add("open", call("CondOnChan", PRESENT, 0), Expect(1))
    # Any reset other than 0 asks for a full discovery.
    for reset in (-1, INT_MIN, 2):
        add("open", call("InitCond", reset), Expect(0, budget_ms=DISCOVERY))
    steps.extend((command, Expect(1), "open") for command in FOUND)
    # A silent channel is asked all the same: it costs its time-outs.
    add("open", call("GetCondInfo2", SILENT, {"settings": GOOD}), Expect(0, unchanged=False, budget_ms=FIRST_TOUCH))

    add("panel", OPEN_PANEL, Expect(0, unchanged=None, budget_ms=KNOWN_CHANNEL))
    add("panel", call("SetMenuScaling", 1), Expect(1))
    steps.extend((command, expect, "panel") for command, expect in cases("panel"))
    # The panel's working record of port 127, as the array gave it.
    add("panel", call("GetCondChan", 127, {"gain": 7}), Expect(0, unchanged=False, finite=True))
    add("panel", call("GetCondChan", 128, GOOD), Expect(-6))
    # The line reopened under an open panel, which goes on showing its port.
    add("panel", call("InitCond", 0), Expect(0, budget_ms=PORT_OPEN))
    add("panel", call("GetCondChan", PRESENT, GOOD), Expect(0, unchanged=False, finite=True))
    add("panel", call("KillCondMenu", 1), Expect())
    add("panel", call("SetMenuScaling", 1), Expect(0))

    # KillCond closes a panel; twice, it does nothing more.
    add("after", OPEN_PANEL, Expect(0, unchanged=None, budget_ms=KNOWN_CHANNEL))
    add("after", call("KillCond"), Expect(unchanged=None))
    add("after", call("SetMenuScaling", 1), Expect(0))
    add("after", call("KillCond"), Expect())
    steps.extend((command, expect, "after") for command, expect in cases("after"))
    # Started again after KillCond: the channels of the earlier discovery.
    add("after", call("InitCond", 0), Expect(0, budget_ms=PORT_OPEN))
    steps.extend((command, Expect(1), "after") for command in FOUND)
    return steps


def finite_record(record):
    return all(isinstance(value, (int, float)) and math.isfinite(value)
               for key, value in record.items() if key not in ("units", "extraValues")) and \
        all(math.isfinite(value) for value in record["extraValues"])


class AbuseMatrix(unittest.TestCase):
    def test_every_export_with_hostile_arguments_in_every_state(self):
        steps = script()
        # Each call is followed by the host's message loop, guarded as well.
        results = bench.run_on_line(LINE, [line for command, _, _ in steps for line in (command, "pump 0")],
                                    timeout=170).lines
        self.assertEqual(len(results), 2 * len(steps), results[-1:])

        failures = []
        worst, slowest = 0.0, None
        for (command, expect, state), outcome, pump in zip(steps, results[::2], results[1::2]):
            problems = self.problems(outcome, expect) + [pump[key] for key in ("fault", "error") if key in pump]
            limit = 2 * expect.budget_ms + SLACK_MS + BOX_MS * len(expect.boxes)
            if outcome.get("ms", 0) / limit > worst:
                worst, slowest = outcome.get("ms", 0) / limit, f"[{state}] {command}"
            if outcome.get("ms", math.inf) > limit:
                problems.append(f"took {outcome.get('ms')} ms, more than {limit:.0f}")
            if problems:
                failures.append(f"[{state}] {command}: {'; '.join(problems)}")
        print(f"\nabuse matrix: {len(steps)} calls in {len(STATES)} states, "
              f"{sum(len(e.boxes) for _, e, _ in steps)} message boxes, {len(failures)} failures; "
              f"slowest call at {100 * worst:.0f} % of its limit ({slowest})")
        self.assertEqual(failures, [], "\n" + "\n".join(failures))

    def test_starting_and_stopping_over_and_over_holds_on_to_nothing(self):
        bench.start_simulator(LINE)
        restarts = ["InitCond 1", "resources"] + ["InitCond 0", "KillCond", "InitCond 0"] * RESTARTS
        results = bench.run_host(restarts + ["resources", "KillCond"]).lines
        self.assertEqual({result["result"] for result in results if result["cmd"].startswith("InitCond")}, {0})
        before, after = results[1]["resources"], results[-2]["resources"]
        print(f"\n{RESTARTS} restarts: handles {before['handles']} -> {after['handles']}, "
              f"private bytes {before['privateBytes']} -> {after['privateBytes']}")
        self.assertEqual(after["handles"], before["handles"])

    def problems(self, outcome, expect):
        if "error" in outcome:
            return [f"the host could not run it: {outcome['error']}"]
        found = []
        if outcome["result"] != expect.result:
            found.append(f"gave {outcome['result']}, documented {expect.result}")
        if "fault" in outcome:
            found.append(outcome["fault"])
        if outcome["outside"]:
            found.append("wrote before a record")
        if tuple(outcome["boxes"]) != expect.boxes:
            found.append(f"showed {outcome['boxes']}, documented {list(expect.boxes)}")
        if expect.unchanged is not None and (outcome["changed"] == []) != expect.unchanged:
            found.append("left the host's memory as it was" if expect.unchanged is False
                         else f"changed the host's memory (arguments {outcome['changed']})")
        if expect.finite and not finite_record(outcome["rec"]):
            found.append(f"wrote a value that is not finite: {outcome['rec']}")
        for section, value in (expect.info or {}).items():
            if not math.isclose(outcome["info"][section], value, rel_tol=1e-6):
                found.append(f"gave {section} {outcome['info'][section]}, expected {value}")
        return found


def setUpModule():
    global bench
    bench = start_module_bench(unittest, SETTINGS)
