"""End to end under Wine: the control panel as a host opens it and a user
sees it, driven by condhost.exe with window messages over vornsim's channels."""
import functools
import math
import os
import unittest

from wine_bench import SIM_PORT, call, rec, start_module_bench

bench = None

HERE = os.path.dirname(os.path.abspath(__file__))
SIM_PROFILES = os.path.join(HERE, "..", "..", "sim", "profiles")

# One channel of each built-in profile, and two described by files: one
# with three extra settings and one with four.
PROFILES = ["df3", "df2", "df1", "df0", "classic", "old-firmware", "rectifier", "minimal", "notch60",
            os.path.join(SIM_PROFILES, "bridge-amp.json"), os.path.join(HERE, "profiles", "four-settings.json")]
ALL_PROFILES = dict(enumerate(PROFILES))
# Channels with the extended command set (trigger edge, extra settings).
EXTENDED = {"df3", "df2", "df1", "df0", "minimal", "notch60", "bridge-amp", "four-settings"}
NOTCH = {"df2": 60, "notch60": 60, "minimal": 0}

# The panel's line for most tests: df3 (two extra settings) at port 0, df1
# (none) at port 2 and df2 at port 3; port 1 does not answer.
LINE = {0: "df3", 2: "df1", 3: "df2"}

# Option bits of DoCondMenu.
DEFERRED, MODELESS, SCALING_LOCKED, CLOSE_LOCKED, CHANNEL_LOCKED = 1, 2, 4, 8, 16
CLOSED = [2, 0]

# Controls of dialog 100 and their template rectangles (dialog units).
PORT, INPUT, GAIN, OFFSET, LOW_CUTOFF, HIGH_CUTOFF, NOTCH_BOX = 113, 106, 101, 102, 103, 104, 105
GAIN_BAR, OFFSET_BAR, LOW_TYPE, HIGH_TYPE, AC_COUPLE, FALLING = 115, 114, 1025, 1026, 1019, 1033
APPLY, OK, CANCEL, HELP, TOP, BOTTOM, VOLTS, UNITS, DISPLAY_EDGE = 1023, 1, 2, 1018, 111, 112, 1014, 109, 1017
EXTRA_LABELS, EXTRA_COMBOS = [1027, 1028, 1029, 1030], [107, 108, 116, 117]
EXCITATION, BALANCE = EXTRA_COMBOS[:2]  # df3's extra settings: four choices, and a number from -100 to 100
TEMPLATE = {APPLY: (7, 184, 40, 14), OK: (49, 184, 42, 14), CANCEL: (93, 184, 39, 14),
            HELP: (135, 184, 38, 14), 107: (92, 123, 81, 292), 108: (92, 138, 81, 292)}
TEMPLATE_SIZE = (297, 201)


def mul_div(value, base, divisor):
    """Windows' MulDiv as the dialog manager uses it: rounded half away from zero."""
    return (value * base + divisor // 2) // divisor


def template_rect(panel, control):
    """A control's rectangle in the panel's client area, in pixels, as the template places it."""
    x, y, w, h = TEMPLATE[control]
    bx, by = panel["base"]
    left, top = mul_div(x, bx, 4), mul_div(y, by, 8)
    return [left, top, left + mul_div(w, bx, 4), top + mul_div(h, by, 8)]


def cutoff_item(value, off_text):
    if value > 0:
        return "%g" % value
    code = math.floor(value + 0.5)
    return {0: off_text, -1: "Rect * 1", -10: "Rect * 10", -11: "Raw * 10"}.get(code, str(code))


def nearest(values, wanted):
    """The library's snapping: the first of the nearest entries."""
    best = 0
    for i, value in enumerate(values):
        if abs(values[best] - wanted) > abs(value - wanted):
            best = i
    return best


def menu(count, options, sampler=False):
    """DoCondMenu on the host's records, with the scripted sampling routine or none."""
    return call("DoCondMenu", "host", count, "sampler" if sampler else None, options)


def mark(gain=1):
    """Port 2's gain set: its selection of channel 2 marks a new phase in line_traffic."""
    return f"CondGainTo {gain} 2"


def typing(control, text, then=None):
    """Typing a whole new text into a control, then moving the focus to `then`, if given."""
    return [f"focus {control}", f"selection {control} 0 -1", f"char {control} {text}"] + [f"focus {then}"] * bool(then)


class PanelTest(unittest.TestCase):
    def setUp(self):
        bench.clear_registry()

    def run_panel(self, script, line=LINE, screenshots=None):
        """Starts the library on a fresh line, runs the script, and returns its
        results and the commands the line received after discovery."""
        last = max(line)
        bench.write_ini({"Port": f"COM{SIM_PORT}", "Dump": 0, "First": 0, "Last": last})
        found = [call("CondOnChan", port, 0) for port in line]
        results = bench.run_on_line(line, ["InitCond 1"] + found + script, screenshots=screenshots)
        self.assertEqual([results.take(command)["result"] for command in ["InitCond 1"] + found],
                         [0] + [1] * len(found), "every channel of the line should be found")
        self.assertEqual(results.errors, [], "every command should run")
        # Discovery ends with the probe of the silent channel after the last.
        received = [command["cmd"] for command in bench.sim.commands()]
        end_probe = [f";;CH{last + 1};", "?CH;"]
        ends = [i + 2 for i in range(len(received)) if received[i:i + 2] == end_probe]
        return results, received[ends[0]:] if ends else received

    def run_checked(self, script, line=LINE, **options):
        """run_panel for a script whose entries are commands or (command,
        {path: value}, why): that command's result must hold those values,
        as "panel.controls.113.items" names them. No message box may appear."""
        results, received = self.run_panel([e if isinstance(e, str) else e[0] for e in script], line, **options)
        for command, expected, *why in (e for e in script if not isinstance(e, str)):
            line = results.take(command)
            for path, value in expected.items():
                got = functools.reduce(lambda v, key: v[int(key)] if isinstance(v, list) else v[key], path.split("."),
                                       line)
                same = math.isclose(got, value, rel_tol=1e-6) if isinstance(value, float) else got == value
                self.assertTrue(same, f"`{command}` {path} is {got!r}, expected {value!r}; {' '.join(why)}")
        self.assertEqual(results.boxes, [])
        return results, received

    def line_traffic(self):
        """(channel, command) pairs sent after discovery, split into phases
        at each selection of channel 2 (a mark), channel 2's own left out."""
        sent = [(command["ch"], command["cmd"]) for command in bench.sim.commands()]
        start = max(i for i, (_, cmd) in enumerate(sent) if cmd == ";;CH4;") + 2
        phases = [[]]
        for channel, command in sent[start:]:
            if command == ";;CH2;":
                phases.append([])
            elif channel != 2:
                phases[-1].append((channel, command))
        return phases

    def panel_of(self, results, command="panel"):
        line = results.take(command)
        self.assertTrue(line["open"], f"`{command}` should find the panel open")
        return line["panel"]

    def assertClosed(self, results, command="panel"):
        self.assertFalse(results.take(command)["open"], "the panel should be closed")


class ProfileTest(PanelTest):
    def test_every_kind_of_channel_fills_the_controls(self):
        """One panel per profile, each with only that port in use: the
        controls show what GetCondInfo2 reports of the channel, and the
        extra-setting rows the channel has."""
        script = []
        for port, profile in ALL_PROFILES.items():
            script += [rec(port, inUse=1, scale=0.001), f"GetCondInfo2 {port}", self.opened(port), "panel",
                       f"shot panel-{self.profile_name(profile)}", "KillCondMenu 0", rec(port, inUse=0)]
        results, _ = self.run_panel(script + ["pump 100"], line=ALL_PROFILES,
                                    screenshots=os.path.join(bench.work, "screenshots"))
        for port, profile in ALL_PROFILES.items():
            name = self.profile_name(profile)
            with self.subTest(name):
                info = results.take(f"GetCondInfo2 {port}")["info"]
                self.assertEqual(results.take(self.opened(port))["result"], 0)
                self.check_controls(port, name, info, self.panel_of(results))
                results.take(f"shot panel-{name}")
        self.assertEqual(results.take("pump 100")["notes"], [CLOSED] * len(PROFILES))
        self.assertEqual(results.boxes, [])

    @staticmethod
    def opened(port):
        """Odd ports open a deferred panel without a display, even ones an immediate one with."""
        return menu(len(PROFILES), MODELESS | port % 2 * DEFERRED, sampler=port % 2 == 0)

    @staticmethod
    def profile_name(profile):
        return os.path.splitext(os.path.basename(profile))[0]

    def check_controls(self, port, name, info, panel):
        controls = panel["controls"]

        def control(number):
            return controls[str(number)]

        self.assertEqual(control(PORT)["items"], [str(port)])
        self.assertEqual((control(INPUT)["items"], control(INPUT)["sel"]), (info["inputs"], 0))
        gains = info["gains"]
        self.assertEqual(control(GAIN)["items"], ["%g" % gain for gain in gains])
        self.assertEqual(control(GAIN)["sel"], nearest(gains, 1))
        for side, type_id, cutoff_id, off_text in (("lowPass", LOW_TYPE, LOW_CUTOFF, "All pass"),
                                                   ("highPass", HIGH_TYPE, HIGH_CUTOFF, "DC")):
            types = info[side]
            self.assertEqual(control(type_id)["items"], [kind["name"] for kind in types], side)
            self.assertEqual(control(type_id)["sel"], 0, side)
            self.assertEqual(control(type_id)["enabled"], len(types) > 1, f"{side}: a single type is no choice")
            items = [cutoff_item(cutoff, off_text) for cutoff in types[0]["cutoffs"]]
            cutoffs = control(cutoff_id)
            self.assertEqual(cutoffs["items"], items, side)
            stepped = types[0]["kind"] == 1
            chosen = nearest(types[0]["cutoffs"], 0) if stepped else 0
            self.assertEqual((cutoffs["sel"], cutoffs["edit"]), (chosen, items[chosen]), side)
            self.assertEqual(cutoffs["readonly"], stepped, f"{side}: a stepped list takes no typing")
        self.assertEqual(control(NOTCH_BOX)["text"], f"{NOTCH.get(name, 50)} Hz Notch")
        self.assertEqual(control(FALLING)["enabled"], name in EXTENDED)
        self.assertEqual(control(UNITS)["text"], " Volt")
        self.assertEqual((control(TOP)["text"], control(BOTTOM)["text"]), ("32.77  Volt", "-32.77  Volt"))
        self.assertEqual(control(VOLTS)["checked"], 0)
        self.assertEqual(control(OFFSET)["text"], "0")

        extras = info["extras"]
        for row, (label, combo) in enumerate(zip(EXTRA_LABELS, EXTRA_COMBOS)):
            shown = row < len(extras)
            self.assertEqual((control(label)["visible"], control(combo)["visible"]), (shown, shown), f"row {row}")
            if not shown:
                continue
            setting = extras[row]
            self.assertEqual(control(label)["text"], setting["name"])
            if setting["kind"] == 1:
                self.assertEqual(control(combo)["items"], setting["choices"])
                self.assertEqual((control(combo)["sel"], control(combo)["readonly"]), (0, True))
            else:
                self.assertEqual((control(combo)["edit"], control(combo)["readonly"]), ("0", False))

        # Each missing row takes one row distance off the window, and the
        # buttons move up with it; immediate mode puts OK where Apply is.
        shift = (4 - len(extras)) * (template_rect(panel, 108)[1] - template_rect(panel, 107)[1])
        deferred = port % 2 == 1
        self.assertEqual((control(APPLY)["visible"], control(APPLY)["enabled"]), (deferred, False), "nothing pending")
        places = (APPLY, OK, CANCEL, HELP) if deferred else (APPLY, OK, HELP)
        for button, place in zip((APPLY, OK, CANCEL, HELP)[not deferred:], places):
            left, top, right, bottom = template_rect(panel, place)
            self.assertEqual(control(button)["rect"], [left, top - shift, right, bottom - shift], button)
        bx, by = panel["base"]
        self.assertEqual(panel["client"][1], mul_div(TEMPLATE_SIZE[1], by, 8) - shift)
        if not deferred:
            self.assertEqual(panel["client"][0], mul_div(TEMPLATE_SIZE[0], bx, 4))
        else:  # without a sampling routine the window ends where the display half begins
            edge = control(DISPLAY_EDGE)["rect"][0]
            self.assertTrue(0 <= edge - panel["client"][0] <= 8, f"client {panel['client']}, edge {edge}")
            self.assertGreaterEqual(control(110)["rect"][0], panel["client"][0])


class LifecycleTest(PanelTest):
    def test_modal_panels_end_with_ok_or_cancel_and_give_their_result(self):
        """Port 1 is in use but silent, so only port 0 is listed. A modal
        panel runs the lines that follow it while it is open."""
        ac = f"click {AC_COUPLE}"
        _, received = self.run_checked([
            rec(0, inUse=1, scale=0.001), rec(1, inUse=1),
            # Immediate: a ticked box is taken when the host closes the panel as with OK.
            (menu(4, 0), {"result": 1}, "OK after a change"), ("panel", {f"panel.controls.{PORT}.items": ["0"]}),
            (menu(4, MODELESS), {"result": 0}, "a second panel is not opened"), ("GetCondChan 9", {"result": -6}),
            ac, "KillCondMenu 0", (rec(0), {"rec.flags": 1, "rec.changed": 1}),
            # Deferred: OK sends what changed.
            (menu(4, DEFERRED), {"result": 1}), ac, f"click {OK}", (rec(0), {"rec.flags": 0, "rec.changed": 1}),
            # Deferred Cancel sends nothing and gives back the saved record, with the edit's mark.
            (menu(4, DEFERRED), {"result": 0}), ac, f"click {CANCEL}", (rec(0), {"rec.flags": 0, "rec.changed": 1}),
            # Esc, and Cancel with nothing changed.
            (menu(4, 0), {"result": 0}), f"command {CANCEL}",
            ("pump 50", {"notes": []}, "modal panels do not notify the host window")])
        self.assertEqual(received.count("AC0;"), 1, "the deferred OK applies the unticked box once")
        # The last two panels only select the channel when they show it.
        self.assertEqual(received[-4:], [";;CH0;", "IP1;", ";;CH0;", "IP1;"])

    def test_a_modeless_panel_exchanges_records_and_closes_when_the_host_asks(self):
        """Ports 0 and 2 in use; port 3 answers but lies beyond the panel's
        three records."""
        _, received = self.run_checked([
            rec(0, inUse=1, scale=0.001), rec(2, inUse=1, scale=0.001), menu(3, MODELESS),
            ("GetCondChan 9", {"result": -6}), rec(3, gain=7), ("SetCondChan 3", {"result": -6}),
            ("GetCondChan 3", {"result": -6, "rec.gain": 7}, "a refused record is left as it was"),
            # A box ticked on the shown port 0 stays ticked when the host sets port 2.
            f"click {AC_COUPLE}", rec(2, gain=30, flags=2),
            ("SetCondChan 2", {"result": 0, "rec.gain": 20, "rec.flags": 2, "rec.scale": 0.001 * 30 / 20}),
            ("panel", {f"panel.controls.{PORT}.sel": 0, f"panel.controls.{AC_COUPLE}.checked": 1}),
            ("GetCondChan 0", {"rec.flags": 1, "rec.changed": 1}),
            ("GetCondChan 0", {"rec.changed": 0}, "a change is handed over once"),
            ("GetCondChan 2", {"rec.gain": 20, "rec.flags": 2, "rec.changed": 0}), "KillCondMenu 1",
            ("panel", {"open": True}, "a posted close waits for the host's message loop"),
            ("pump 300", {"notes": [[3, 0], CLOSED]}, "the tick was told as it was sent"), ("panel", {"open": False}),
            ("SetMenuScaling 1", {"result": 0}, "no panel"),
            ("GetCondChan 0", {"rec.changed": 0}, "no panel: the record is left alone"),
            (rec(0), {"rec.flags": 1}, "OK handed the records back"), (rec(2), {"rec.gain": 20})])
        self.assertIn("GN5;", received, "the host's record for port 2 went to its channel")
        self.assertEqual(received[-2:], [";;CH0;", "IP1;"], "immediate OK sends nothing")

    def test_option_bits_lock_the_controls(self):
        def scaling(enabled):
            return dict({f"panel.controls.{c}.enabled": enabled for c in (GAIN, GAIN_BAR, OFFSET_BAR)},
                        **{f"panel.controls.{OFFSET}.readonly": not enabled})

        def closing(enabled, *controls):
            return {f"panel.controls.{c}.enabled": enabled for c in controls}

        self.run_checked([
            rec(0, inUse=1), menu(4, MODELESS | SCALING_LOCKED), ("panel", scaling(False)),
            ("SetMenuScaling 1", {"result": 0}, "it was locked"), ("panel", scaling(True)),
            ("SetMenuScaling 0", {"result": 1}, "it was unlocked"), ("SetMenuScaling 0", {"result": 0}),
            ("panel", scaling(False)), "KillCondMenu 0",
            menu(4, MODELESS | CLOSE_LOCKED | CHANNEL_LOCKED), ("panel", closing(False, OK, CANCEL, PORT)),
            f"command {CANCEL}", f"command {OK}", ("panel", {"open": True}, "Esc and Enter do not close it"),
            "KillCondMenu 1", ("pump 300", {"notes": [CLOSED, CLOSED]}), ("panel", {"open": False}),
            (menu(4, CLOSE_LOCKED), {"result": 0}),
            ("panel", closing(True, OK, CANCEL), "a modal panel cannot be close-locked"), f"click {CANCEL}"])

    def test_the_place_of_a_closed_panel_is_kept_for_the_next(self):
        results, _ = self.run_checked([
            rec(0, inUse=1), rec(127, inUse=1), menu(300, MODELESS), "panel", "move 200 150", "KillCondMenu 0",
            menu(4, MODELESS, sampler=True), "panel", f"click {CANCEL}", ("pump 100", {"notes": [CLOSED, CLOSED]})])
        first, second = self.panel_of(results), self.panel_of(results)
        self.assertEqual(first["controls"][str(PORT)]["items"], ["0"], "a count above 128 reads 128 records")
        self.assertEqual(second["window"][:2], [200, 150])
        self.assertGreater(second["client"][0], first["client"][0], "with its own size")


class ControlTest(PanelTest):
    def test_typing_into_the_offset_and_the_cutoffs(self):
        # The high-pass list of df3 is stepped, the low-pass one continuous.
        def colours(back):
            return {f"{path}.{key}": value for path in ("edit", "reflected")
                    for key, value in (("text", 0), ("back", back), ("brush", True))}

        results, _ = self.run_checked([
            rec(0, inUse=1, scale=0.001), menu(4, MODELESS), f"selection {OFFSET} 0 -1",
            (f"char {OFFSET} -1.5e-3", {"text": "-1.5e-3", "beeps": 0}),
            (f"char {OFFSET} .e-x+,", {"text": "-1.5e-3", "beeps": 6}, "each refused character beeps"),
            f"selection {OFFSET} 0 -1", (f"char {OFFSET} 7", {"text": "7"}, "over a whole selection"),
            (f"char {HIGH_CUTOFF} 5", {"text": "DC"}, "a stepped list takes no typing"),
            f"selection {LOW_CUTOFF} 0 -1", (f"char {LOW_CUTOFF} 250", {"text": "250"}),
            (f"colours {LOW_CUTOFF}", colours(0xFFFFFF)), f"enable {LOW_CUTOFF} 0",
            (f"colours {LOW_CUTOFF}", colours(0xC0C0C0)),
            ("panel", {f"panel.controls.{LOW_CUTOFF}.enabled": False, f"panel.controls.{LOW_CUTOFF}.readonly": True}),
            (f"char {LOW_CUTOFF} 9", {"text": "250"}, "a disabled combo takes no typing"),
            f"enable {LOW_CUTOFF} 1", f"enable {HIGH_CUTOFF} 0", f"enable {HIGH_CUTOFF} 1",
            ("panel", {f"panel.controls.{LOW_CUTOFF}.readonly": False, f"panel.controls.{HIGH_CUTOFF}.readonly": True},
             "enabled again, a combo takes typing as before"),
            f"context {OFFSET}", ("panel", {"open": True}), "KillCondMenu 0"])
        self.assertEqual(results.menus, [["Reset calibration", "Reload Vorn"]])


def setUpModule():
    global bench
    bench = start_module_bench(unittest)
