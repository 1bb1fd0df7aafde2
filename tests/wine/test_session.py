"""End to end under Wine: whole host sessions on a line of several kinds of
channel. Each step states its result, its message boxes, the host's record
afterwards, the capability sections it fills, and the exact commands that
reach the line.
"""
import math
import unittest

from wine_bench import SIM_PORT, call, rec, start_module_bench

bench = None

# One channel of each way of describing filters; channel 4, inside the scan
# range, does not answer.
LINE = {0: "df3", 1: "df2", 2: "df1", 3: "old-firmware"}
SILENT = 4
SETTINGS = {"Port": f"COM{SIM_PORT}", "Dump": 0, "First": 0, "Last": SILENT}


def probe(channel, answers):
    return [f";;CH{channel};", "?CH;"] + (["?RV;"] if answers else [])


DISCOVERY = [command for channel in LINE for command in probe(channel, True)] + probe(SILENT, False)

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

# The exports that take the port's record, and where their port argument stands.
PORT_ARGUMENT = {"SetCondChan": 0, "GetCondInfo2": 0, "CondGainTo": 1, "CondGainChange": 1, "CondOffsTo": 1,
                 "CondOffsChange": 1}

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
    """A host script and what each step must give; the expected host records
    follow every edit and change."""

    def __init__(self):
        self.steps = []
        self.records = {}

    def record(self, port):
        return self.records.setdefault(port, dict(DEFAULT_RECORD, extraValues=[0] * 8))

    def expect_record(self, step, port, changes):
        record = self.record(port)
        extra = changes.pop("extraValues", [])
        record.update(changes)
        record["extraValues"][:len(extra)] = extra
        step["rec"] = dict(record, extraValues=list(record["extraValues"]))
        self.steps.append(step)

    def edit(self, port, **fields):
        """The host sets fields of its record."""
        self.expect_record({"cmd": rec(port, **fields), "sent": []}, port, dict(fields))

    def start(self):
        """InitCond(1) finds every channel of the line."""
        self.call("InitCond", 1, sent=DISCOVERY)
        for port in LINE:
            self.call("CondOnChan", port, 0, result=1)

    def call(self, export, *args, result=0, sent=(), boxes=(), info=None, **changes):
        """An export call; `changes` are the fields that it must change in the
        host's record of the port, for the exports that take one."""
        step = {"cmd": call(export, *args), "result": result, "sent": list(sent), "boxes": list(boxes)}
        if info is not None:
            step["info"] = info
        if export not in PORT_ARGUMENT:
            self.steps.append(step)
        else:
            self.expect_record(step, args[PORT_ARGUMENT[export]], changes)


class SessionTest(unittest.TestCase):
    def setUp(self):
        bench.clear_registry()
        bench.write_ini(SETTINGS)

    def run_session(self, session):
        results = bench.run_on_line(LINE, [step["cmd"] for step in session.steps])
        received = [command["cmd"] for command in bench.sim.commands()]
        self.assertEqual([line["cmd"] for line in results.lines], [step["cmd"] for step in session.steps],
                         "the host should answer every command of the script once, in order")
        self.assertEqual(results.late_boxes, [], "no message box should appear after the last command")
        for step, line in zip(session.steps, results.lines):
            with self.subTest(step["cmd"]):
                self.assertNotIn("error", line)
                if "result" in step:
                    self.assertEqual((line.get("result"), line["boxes"]), (step["result"], step["boxes"]))
                for part in ("rec", "info"):
                    found = differences(line.get(part), step[part], part) if part in step else []
                    self.assertFalse(found, "\n".join(found))
        # The line must carry each step's commands, in order, and nothing else.
        position = 0
        for step in session.steps:
            got = received[position:position + len(step["sent"])]
            self.assertEqual(got, step["sent"], f"`{step['cmd']}`; from there the line received "
                                                f"{received[position:position + len(step['sent']) + 4]}")
            position += len(step["sent"])
        self.assertEqual(received[position:], [], "nothing should reach the line after the last step")

    def test_capabilities_of_every_kind_of_channel(self):
        session = Session()
        for port, scale in ((0, 0.001), (1, 0.001), (2, 0.002), (3, 0.001)):
            session.edit(port, scale=scale)
        session.start()
        for port in LINE:
            session.call("GetCondInfo2", port, sent=first_use(port, 1), info=sections(ALL_SECTIONS, **FULL_INFO[port]))
        # A wrong size: nothing sent, nothing written, no message box.
        session.call("GetCondInfo2", 0, {"want": 0, "size": 100}, result=-5, info=sections(0))
        # Clear bits leave their sections as the host set them.
        session.call("GetCondInfo2", 0, {"want": 32}, sent=select(0), info=sections(32, typeText="Vorn222"))
        # The gains and offset ranges follow the record's input: the bridge
        # input has its own gains and a largest range of 0.5.
        session.edit(0, input=2)
        session.call("GetCondInfo2", 0, {"want": 82}, sent=select(0, 3) + ["?GS;", "?OS;"],
                     info=sections(82, gains=[10, 100, 1000, 10000], maxOffset=6553.6 * 0.001 * 0.5,
                                   extras=DF3_EXTRAS))
        self.run_session(session)

    def test_settings_session(self):
        session = Session()
        session.edit(0, scale=0.001, zero=0.5)
        session.edit(3, scale=0.001)
        session.start()

        # Port 0 (df3, gains 1 2 5 ... 1000, offset ranges 0.5 and 5): with
        # scale x gain at 0.001 an offset code is worth 0.0001 host units in
        # the 0.5 range and 0.001 in the 5 range, whatever the gain.
        session.call("CondGainTo", 8, 0, sent=first_use(0, 1) + ["GN4;"] + offset(1, 0), gain=10, scale=1e-4)
        session.call("CondOffsTo", 0.01, 0, sent=select(0) + offset(1, 100), offset=0.01, zero=0.49)
        # A tenth of the largest offset, 10 x 6553.6 x 1e-4 x 5, is 3.2768.
        session.call("CondOffsChange", 1, 0, sent=select(0) + offset(2, 3287), offset=3.287, zero=-2.787)
        session.call("CondOffsChange", 0, 0, sent=select(0) + offset(1, 102), offset=0.0102, zero=0.4898)
        # 10 x 2.5 = 25 -> 20; 20 x 0.4 = 8 -> 10; 10 x 0.4 = 4 -> 5. Each
        # gain re-sends the offset, whose code stays.
        for up, gain, code in ((1, 20, 5), (0, 10, 4), (0, 5, 3)):
            session.call("CondGainChange", up, 0, sent=select(0) + [f"GN{code};"] + offset(1, 102), gain=gain,
                         scale=0.001 / gain)
        session.call("CondGainTo", 5000, 0, sent=select(0) + ["GN10;"] + offset(1, 102), gain=1000, scale=1e-6)

        # Port 3 (old firmware, gains 1 10 100 1000): 30 is nearer to 10.
        session.call("CondGainTo", 30, 3, sent=first_use(3, 1) + ["GN2;"] + offset(1, 0), gain=10, scale=1e-4)

        # Whole records: everything is sent once, input 2 first with its
        # lists; the second time nothing at all is sent.
        session.edit(1, scale=0.001, gain=100, offset=0.2, flags=3, input=1, lowPassType=1,
                     lowPassCutoff=150, highPassCutoff=1, changed=1, extraValues=[2])
        session.call("SetCondChan", 1, changed=0, sent=(
            [";;CH1;"] + CAPABILITY_QUERIES["df2"] + ["IP2;", "?GS;", "?OS;", "IP2;"]
            + ["GN7;"] + offset(1, 20) + ["GN7;"] + offset(1, 20)
            + ["LD2;", "LO150;", "HD1;", "HO1;", "AC1;", "NF1;", "TG1;", "TP1;", "FA1;", "FS2;"]))
        # Old firmware: stepped cut-offs snap to the list, and no
        # characteristic, trigger-edge or extra setting commands exist.
        session.edit(3, scale=0.001, gain=1000, offset=-2, flags=12, input=1, lowPassCutoff=60,
                     highPassCutoff=0.5, changed=1)
        session.call("SetCondChan", 3, changed=0, lowPassCutoff=100, highPassCutoff=0.1, sent=(
            select(3, 2) + ["?GS;", "?OS;", "IP2;"] + ["GN4;"] + offset(1, -10) + ["GN4;"] + offset(1, -10)
            + ["LP3;", "HP1;", "AC0;", "NF0;", "TG2;"]))
        session.call("SetCondChan", 1)
        session.call("SetCondChan", 3)
        # Beyond the largest range (10, a code worth 0.2 host units there):
        # that range at its lowest code.
        session.call("CondOffsTo", -100000, 3, sent=select(3, 2) + offset(2, -32768), offset=-65536, zero=65534)

        # The silent port: the gain export reports it; a whole record folds
        # the conditioner out, keeping scale x gain and zero + offset.
        session.edit(SILENT, scale=0.001, zero=1, gain=10, offset=2)
        session.call("CondGainTo", 5, SILENT, result=-4, boxes=[PORT_NOT_INSTALLED.format(SILENT)])
        session.call("SetCondChan", SILENT, scale=0.01, zero=3, gain=1, offset=0)

        session.edit(2, size=100)
        session.call("CondGainTo", 2, 2, result=-5, boxes=[WRONG_SIZE])

        # KillCond closes the line; InitCond(0) reopens it without probing,
        # and what was learnt and applied still stands.
        session.call("KillCond", result=None)
        session.call("CondGainTo", 2, 0, result=-1, boxes=[PORT_WITHOUT_LINK.format(0)])
        # With the port closed GetCondInfo2 answers from what is known.
        session.call("GetCondInfo2", 0, {"want": 34}, info=sections(34, gains=FULL_INFO[0]["gains"],
                                                                     typeText="Vorn222"))
        session.call("InitCond", 0)
        session.call("SetCondChan", 1)
        # 1000 x 0.4 = 400 -> 500.
        session.call("CondGainChange", 0, 0, sent=select(0) + ["GN9;"] + offset(1, 102), gain=500, scale=2e-6)
        self.run_session(session)


def setUpModule():
    global bench
    bench = start_module_bench(unittest)
