"""End to end under Wine: a whole host session on a line of several kinds of channel.

condhost.exe loads the DLL, which opens COM5 (vornsim's pseudo-terminal),
finds the channels, reports their capabilities and sets and steps their
gains and offsets. Each step of a session states what it must give: its
result, the message boxes it shows, the host's record afterwards, the
capability sections it fills, and the exact commands that reach the line.
"""
import math
import sys
import unittest

from wine_bench import SIM_PORT, WineBench

bench = None

# One channel of each way of describing filters; channel 4, inside the scan
# range, does not answer.
LINE = {0: "df3", 1: "df2", 2: "df1", 3: "old-firmware"}
SILENT = 4
SETTINGS = {"Port": f"COM{SIM_PORT}", "Dump": 0, "First": 0, "Last": SILENT}


def probe(channel, answers):
    return [f";;CH{channel};", "?CH;"] + (["?RV;"] if answers else [])


DISCOVERY = [command for channel in LINE for command in probe(channel, True)] + probe(SILENT, False)
DISCOVERY_ATTEMPTS = 3

# What each profile is asked the first time one of its ports is used.
CAPABILITY_QUERIES = {
    "df3": ["?RV;", "?DF;", "?IS;", "?LD0;", "?LD1;", "?LD2;", "?HD0;", "?HD1;", "?HD2;", "?HD3;",
            "?FA0;", "?FA1;", "?FA2;", "?NT;"],
    "df2": ["?RV;", "?DF;", "?IS;", "?FA0;", "?FA1;", "?NT;"],
    "df1": ["?RV;", "?DF;", "?IS;", "?FA0;", "?NT;"],
    "old-firmware": ["?RV;", "?IS;", "?LF;", "?LS;", "?HF;", "?HS;", "?NT;"],
}


def first_use(port, input_number):
    """Selection, capability read and input selection of a port not used before."""
    return [f";;CH{port};"] + CAPABILITY_QUERIES[LINE[port]] + [f"IP{input_number};", "?GS;", "?OS;"]


def select(port, input_number=1):
    return [f";;CH{port};", f"IP{input_number};"]


def offset(range_number, code):
    return [f"OR{range_number};", f"OF{code};"]


# ---- Capabilities as GetCondInfo2 reports them ----

def stepped(name, cutoffs, minimum=0, maximum=0):
    return {"name": name, "kind": 1, "minimum": minimum, "maximum": maximum, "cutoffs": cutoffs}


def continuous(name, minimum, maximum, cutoffs):
    return {"name": name, "kind": 0, "minimum": minimum, "maximum": maximum, "cutoffs": cutoffs}


def choices(name, names):
    return {"name": name, "kind": 1, "choices": names}


def numeric(name, minimum, maximum):
    return {"name": name, "kind": 0, "minimum": minimum, "maximum": maximum}


# The library's own characteristics for channels that answer "?DF;" with 1 or 2.
STATIC_NAMES = ["2-pole B'Worth", "2-pole Bessel", "3-pole B'Worth", "3-pole Bessel"]
STATIC_LOW_PASS = [0, 1, 2, 5, 10, 20, 50, 100, 200, 500, 1000, 2000, 5000, 10000]
STATIC_HIGH_PASS = [0, 0.1, 0.2, 0.5, 1, 2, 5, 10, 20, 50, 100, 200, 500, 1000]


def static_table(cutoffs, minimum, maximum):
    return [continuous(name, minimum, maximum, cutoffs) for name in STATIC_NAMES]


CURRENT_INPUTS = ["Differential", "Single-ended", "Bridge", "Ground"]
GAINS_1_TO_1000 = [1, 2, 5, 10, 20, 50, 100, 200, 500, 1000]
DF3_EXTRAS = [choices("Excitation", ["Off", "2.5 V", "5 V", "10 V"]), numeric("Bridge balance", -100, 100)]
SECTIONS = ["inputs", "gains", "highPass", "lowPass", "maxOffset", "typeText", "extras"]
ALL_SECTIONS = 127

# Every section of each profile, for a record with gain 1 on input 1. The
# largest offset is gain x (32768 / 5 V) x scale x the largest offset range.
FULL_INFO = {
    0: {"inputs": CURRENT_INPUTS, "gains": GAINS_1_TO_1000,
        "highPass": [stepped("AC/DC", [0, 0.1, 1, 10]),
                     continuous("Butterworth", 0.01, 1000, [0, 0.01, 0.1, 1, 10, 100, 1000]),
                     stepped("Rectifier", [0, -1, -10, -11])],
        "lowPass": [continuous("Bessel", 1, 10000, [0, 10, 100, 1000, 10000]),
                    stepped("Butterworth", [0, 1, 10, 100, 1000])],
        "maxOffset": 6553.6 * 0.001 * 5, "typeText": "Vorn222", "extras": DF3_EXTRAS},
    # df2: both static tables, every entry widened to 0.01 to 10000 Hz.
    1: {"inputs": CURRENT_INPUTS, "gains": GAINS_1_TO_1000,
        "highPass": static_table(STATIC_HIGH_PASS, 0.01, 10000),
        "lowPass": static_table(STATIC_LOW_PASS, 0.01, 10000),
        "maxOffset": 6553.6 * 0.001 * 5, "typeText": "Vorn222",
        "extras": [choices("Excitation", ["Off", "5 V", "10 V"])]},
    2: {"inputs": CURRENT_INPUTS, "gains": GAINS_1_TO_1000,
        "highPass": static_table(STATIC_HIGH_PASS, 0.01, 1000),
        "lowPass": static_table(STATIC_LOW_PASS, 1, 10000),
        "maxOffset": 6553.6 * 0.002 * 5, "typeText": "Vorn222", "extras": []},
    # Version 30 level 3: one stepped characteristic per side, "off" first.
    3: {"inputs": ["Input 1", "Input 2"], "gains": [1, 10, 100, 1000],
        "highPass": [stepped("1-pole", [0, 0.1, 1, 10], 0.1, 10)],
        "lowPass": [stepped("2-pole Bessel", [0, 1, 10, 100, 1000], 1, 1000)],
        "maxOffset": 6553.6 * 0.001 * 10, "typeText": "Vorn301", "extras": []},
}


def sections(want, **filled):
    """The info a GetCondInfo2 call gives: the wanted sections, and the rest untouched."""
    info = dict(filled)
    info["untouched"] = [name for bit, name in enumerate(SECTIONS) if not want & (1 << bit)]
    return info


# ---- Message boxes ----

PORT_NOT_INSTALLED = "Vorn for ADC port {} not available\nVorn channel not installed/available"
PORT_WITHOUT_LINK = "Vorn for ADC port {} not available\nCannot open comm port for Vorn communications"
WRONG_SIZE = ("Conditioner support DLL is invalid or DLL version is too old\n"
              "Error code for failure is unknown : 0")

# The host commands that pass the port's record to the library.
RECORD_COMMANDS = {"setchan", "gainto", "gainchange", "offsto", "offschange", "info"}

DEFAULT_RECORD = {"size": 160, "scale": 0, "zero": 0, "units": " Volt", "gain": 1, "offset": 0,
                  "flags": 0, "input": 0, "lowPassCutoff": 0, "highPassCutoff": 0, "inUse": 0,
                  "changed": 0, "lowPassType": 0, "highPassType": 0, "extraValues": [0] * 8}


def differences(actual, expected, path):
    """What differs, as texts "path is A, expected B"; numbers agree to 1e-5
    (records hold single-precision values)."""
    if isinstance(expected, dict) and isinstance(actual, dict):
        found = [f"{path}.{key} is missing, expected {expected[key]!r}" for key in expected if key not in actual]
        found += [f"{path}.{key} is {actual[key]!r}, expected nothing" for key in actual if key not in expected]
        for key in expected.keys() & actual.keys():
            found += differences(actual[key], expected[key], f"{path}.{key}")
        return found
    if isinstance(expected, list) and isinstance(actual, list) and len(expected) == len(actual):
        return [text for i, (a, e) in enumerate(zip(actual, expected))
                for text in differences(a, e, f"{path}[{i}]")]
    numbers = (int, float)
    if (isinstance(expected, numbers) and isinstance(actual, numbers) and not isinstance(actual, bool)
            and math.isclose(actual, expected, rel_tol=1e-5, abs_tol=1e-12)):
        return []
    return [] if actual == expected else [f"{path} is {actual!r}, expected {expected!r}"]


class Session:
    """A host script and, step by step, what each step must give. The
    expected host records follow every edit and every change a step makes."""

    def __init__(self):
        self.steps = []
        self.records = {}

    def record(self, port):
        return self.records.setdefault(port, dict(DEFAULT_RECORD, extraValues=[0] * 8))

    def edit(self, port, extra_values=None, **fields):
        """The host sets fields of its record: "rec PORT FIELD=VALUE..."."""
        words = [f"{name}={value}" for name, value in fields.items()]
        words += [f"extraValues.{slot}={value}" for slot, value in (extra_values or {}).items()]
        record = self.record(port)
        record.update(fields)
        for slot, value in (extra_values or {}).items():
            record["extraValues"][slot] = value
        self.steps.append({"cmd": f"rec {port} " + " ".join(words), "sent": [],
                           "rec": dict(record, extraValues=list(record["extraValues"]))})

    def call(self, command, result=0, sent=(), boxes=(), info=None, **changes):
        """An export call; `changes` are the fields that it must change in the
        host's record of the port, for the commands that take one."""
        words = command.split()
        step = {"cmd": command, "result": result, "sent": list(sent), "boxes": list(boxes)}
        if words[0] in RECORD_COMMANDS:
            record = self.record(int(words[1]))
            record.update(changes)
            step["rec"] = dict(record, extraValues=list(record["extraValues"]))
        if info is not None:
            step["info"] = info
        self.steps.append(step)


class SessionTest(unittest.TestCase):
    def setUp(self):
        bench.clear_registry()
        bench.write_ini(SETTINGS)
        self.sim = None
        self.addCleanup(lambda: self.sim and self.sim.stop())

    def run_host_on_fresh_line(self, script):
        """Runs the script on a new simulated line; returns the host's result
        lines and the commands the line received.

        A probed channel has 30 ms to start its answer. On a loaded machine
        the simulator can miss that, and the library then rightly treats the
        channel as absent, which spoils the rest of the session; such a run
        is repeated, and the last one stands whatever its discovery gave."""
        for attempt in range(1, DISCOVERY_ATTEMPTS + 1):
            if self.sim is not None:
                self.sim.stop()
            self.sim = bench.start_simulator(LINE)
            lines = bench.run_host(script)
            received = [command["cmd"] for command in self.sim.commands()]
            if received[:len(DISCOVERY)] == DISCOVERY or attempt == DISCOVERY_ATTEMPTS:
                return lines, received
            sys.stderr.write(f"\nrun {attempt}: a channel answered its probe too late; running again\n")

    def run_session(self, session):
        """Runs the session's script in one host and checks every step."""
        lines, received = self.run_host_on_fresh_line([step["cmd"] for step in session.steps])
        outcomes, boxes = [], []
        for line in lines:
            if "box" in line:
                boxes.append(line["box"])
            else:
                outcomes.append((line, boxes))
                boxes = []
        self.assertEqual([line["cmd"] for line, _ in outcomes], [step["cmd"] for step in session.steps],
                         "the host should answer every command of the script once, in order")
        self.assertEqual(boxes, [], "no message box should appear after the last command")
        for step, (line, shown) in zip(session.steps, outcomes):
            with self.subTest(step["cmd"]):
                self.check_step(step, line, shown)
        self.check_commands(session.steps, received)

    def check_step(self, step, line, shown):
        command = step["cmd"]
        self.assertNotIn("error", line, f"`{command}` should run")
        if "result" in step:
            self.assertEqual(line.get("result"), step["result"], f"`{command}` should return {step['result']}")
            self.assertEqual(shown, step["boxes"], f"`{command}` should show exactly these message boxes")
        if "rec" in step:
            found = differences(line["rec"], step["rec"], f"after `{command}` the record")
            self.assertFalse(found, "\n".join(found))
        if "info" in step:
            found = differences(line["info"], step["info"], f"after `{command}` the info")
            self.assertFalse(found, "\n".join(found))

    def check_commands(self, steps, received):
        """The line must carry each step's commands, in order, and nothing else."""
        position = 0
        for step in steps:
            expected = step["sent"]
            got = received[position:position + len(expected)]
            self.assertEqual(got, expected,
                             f"`{step['cmd']}` should send {expected}; from there the line received "
                             f"{received[position:position + len(expected) + 4]}")
            position += len(expected)
        self.assertEqual(received[position:], [], "nothing should reach the line after the last step")

    def test_capabilities_of_every_kind_of_channel(self):
        session = Session()
        for port, scale in ((0, 0.001), (1, 0.001), (2, 0.002), (3, 0.001)):
            session.edit(port, scale=scale)
        session.call("init 1", sent=DISCOVERY)
        for port in LINE:
            session.call(f"info {port} {ALL_SECTIONS}", sent=first_use(port, 1),
                         info=sections(ALL_SECTIONS, **FULL_INFO[port]))
        # A wrong size: nothing sent, nothing written, no message box.
        session.call("info 0 0 100", result=-5, info=sections(0))
        # Clear bits leave their sections as the host set them.
        session.call("info 0 32", sent=select(0), info=sections(32, typeText="Vorn222"))
        # The gains and offset ranges follow the record's input: the bridge
        # input has its own gains and a largest range of 0.5.
        session.edit(0, input=2)
        session.call("info 0 82", sent=select(0, 3) + ["?GS;", "?OS;"],
                     info=sections(82, gains=[10, 100, 1000, 10000], maxOffset=6553.6 * 0.001 * 0.5,
                                   extras=DF3_EXTRAS))
        self.run_session(session)

    def test_settings_session(self):
        session = Session()
        session.edit(0, scale=0.001, zero=0.5)
        session.edit(3, scale=0.001)
        session.call("init 1", sent=DISCOVERY)

        # Port 0 (df3, gains 1 2 5 ... 1000, offset ranges 0.5 and 5): with
        # scale x gain at 0.001 an offset code is worth 0.0001 host units in
        # the 0.5 range and 0.001 in the 5 range, whatever the gain.
        session.call("gainto 0 8", sent=first_use(0, 1) + ["GN4;"] + offset(1, 0), gain=10, scale=1e-4)
        session.call("offsto 0 0.01", sent=select(0) + offset(1, 100), offset=0.01, zero=0.49)
        # A tenth of the largest offset, 10 x 6553.6 x 1e-4 x 5, is 3.2768.
        session.call("offschange 0 1", sent=select(0) + offset(2, 3287), offset=3.287, zero=-2.787)
        session.call("offschange 0 0", sent=select(0) + offset(1, 102), offset=0.0102, zero=0.4898)
        # 10 x 2.5 = 25 -> 20; 20 x 0.4 = 8 -> 10; 10 x 0.4 = 4 -> 5. Each
        # gain re-sends the offset, whose code stays.
        session.call("gainchange 0 1", sent=select(0) + ["GN5;"] + offset(1, 102), gain=20, scale=5e-5)
        session.call("gainchange 0 0", sent=select(0) + ["GN4;"] + offset(1, 102), gain=10, scale=1e-4)
        session.call("gainchange 0 0", sent=select(0) + ["GN3;"] + offset(1, 102), gain=5, scale=2e-4)
        session.call("gainto 0 5000", sent=select(0) + ["GN10;"] + offset(1, 102), gain=1000, scale=1e-6)

        # Port 3 (old firmware, gains 1 10 100 1000): 30 is nearer to 10.
        session.call("gainto 3 30", sent=first_use(3, 1) + ["GN2;"] + offset(1, 0), gain=10, scale=1e-4)

        # Whole records: everything is sent once, input 2 first with its
        # lists; the second time nothing at all is sent.
        session.edit(1, scale=0.001, gain=100, offset=0.2, flags=3, input=1, lowPassType=1,
                     lowPassCutoff=150, highPassCutoff=1, changed=1, extra_values={0: 2})
        session.call("setchan 1", changed=0, sent=(
            [";;CH1;"] + CAPABILITY_QUERIES["df2"] + ["IP2;", "?GS;", "?OS;", "IP2;"]
            + ["GN7;"] + offset(1, 20) + ["GN7;"] + offset(1, 20)
            + ["LD2;", "LO150;", "HD1;", "HO1;", "AC1;", "NF1;", "TG1;", "TP1;", "FA1;", "FS2;"]))
        # Old firmware: stepped cut-offs snap to the list, and no
        # characteristic, trigger-edge or extra setting commands exist.
        session.edit(3, scale=0.001, gain=1000, offset=-2, flags=12, input=1, lowPassCutoff=60,
                     highPassCutoff=0.5, changed=1)
        session.call("setchan 3", changed=0, lowPassCutoff=100, highPassCutoff=0.1, sent=(
            select(3, 2) + ["?GS;", "?OS;", "IP2;"] + ["GN4;"] + offset(1, -10) + ["GN4;"] + offset(1, -10)
            + ["LP3;", "HP1;", "AC0;", "NF0;", "TG2;"]))
        session.call("setchan 1")
        session.call("setchan 3")
        # Beyond the largest range (10, a code worth 0.2 host units there):
        # that range at its lowest code.
        session.call("offsto 3 -100000", sent=select(3, 2) + offset(2, -32768), offset=-65536, zero=65534)

        # The silent port: the gain export reports it; a whole record folds
        # the conditioner out, keeping scale x gain and zero + offset.
        session.edit(SILENT, scale=0.001, zero=1, gain=10, offset=2)
        session.call(f"gainto {SILENT} 5", result=-4, boxes=[PORT_NOT_INSTALLED.format(SILENT)])
        session.call(f"setchan {SILENT}", scale=0.01, zero=3, gain=1, offset=0)

        session.edit(2, size=100)
        session.call("gainto 2 2", result=-5, boxes=[WRONG_SIZE])

        # KillCond closes the line; InitCond(0) reopens it without probing,
        # and what was learnt and applied still stands.
        session.call("kill", result=None)
        session.call("gainto 0 2", result=-1, boxes=[PORT_WITHOUT_LINK.format(0)])
        # With the port closed GetCondInfo2 answers from what is known.
        session.call("info 0 34", info=sections(34, gains=FULL_INFO[0]["gains"], typeText="Vorn222"))
        session.call("init 0")
        session.call("setchan 1")
        # 1000 x 0.4 = 400 -> 500.
        session.call("gainchange 0 0", sent=select(0) + ["GN9;"] + offset(1, 102), gain=500, scale=2e-6)
        self.run_session(session)


def setUpModule():
    global bench
    bench = WineBench()
    unittest.addModuleCleanup(bench.stop)
    bench.start()


if __name__ == "__main__":
    unittest.main()
