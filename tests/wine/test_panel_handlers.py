"""End to end under Wine: what each control of the panel sends, on which
channel, and what the records hold and the host window is told, in
immediate and in deferred mode."""
import unittest

import test_panel as panel
from test_panel import (AC_COUPLE, APPLY, BALANCE, CANCEL, CLOSED, DEFERRED, EXCITATION, FALLING, GAIN, GAIN_BAR,
                        HIGH_CUTOFF, HIGH_TYPE, INPUT, LOW_CUTOFF, LOW_TYPE, MODELESS, NOTCH_BOX, OFFSET, OFFSET_BAR,
                        OK, mark, menu, typing)
from wine_bench import rec, start_module_bench

CHANGED_0 = [3, 0]
RESET, RELOAD, TRIGGER_2 = 1022, 1031, 1024
SB_LINEUP, SB_LINEDOWN, SB_PAGEUP = 0, 1, 2


def typed(control, text):
    return typing(control, text, then=AC_COUPLE)


class HandlerTest(panel.PanelTest):
    def test_immediate_mode_sends_each_change_at_once_and_posts_it(self):
        self.run_checked([
            rec(0, inUse=1, scale=0.001), rec(2, inUse=1, scale=0.001), menu(4, MODELESS),
            f"click {AC_COUPLE}", f"click {NOTCH_BOX}", f"click {TRIGGER_2}", f"click {FALLING}",
            f"select {LOW_TYPE} 1", f"select {LOW_CUTOFF} 3", f"select {HIGH_TYPE} 1", *typed(HIGH_CUTOFF, "5e9"),
            ("panel", {f"panel.controls.{HIGH_CUTOFF}.edit": "1000"}, "5e9 is beyond 1000 Hz: the limit stands in"),
            f"focus {HIGH_CUTOFF}", f"focus {AC_COUPLE}",
            f"select {EXCITATION} 2", *typed(BALANCE, "50"), *typed(BALANCE, "50"),
            ("pump 50", {"notes": [CHANGED_0] * 10}), mark(10),
            # Port 2 was addressed last: the panel's next change goes to port 0 all the same.
            f"click {AC_COUPLE}", f"select {INPUT} 2", f"select {GAIN} 1", f"select {GAIN} 1",
            ("GetCondChan 0", {"rec.flags": 14, "rec.input": 2, "rec.gain": 100, "rec.changed": 1,
                               "rec.scale": 0.001 / 10 * 10 / 100, "rec.lowPassType": 1, "rec.lowPassCutoff": 100,
                               "rec.highPassType": 1, "rec.highPassCutoff": 1000,
                               "rec.extraValues": [2, 0, 0, 50, 0, 0, 0, 0]}, "scale follows the gain"),
            ("panel", {f"panel.controls.{GAIN}.items": ["10", "100", "1000", "10000"],
                       f"panel.controls.{GAIN}.sel": 1}),
            "KillCondMenu 0", ("pump 100", {"notes": [CHANGED_0] * 4 + [CLOSED]}),
            (rec(0), {"rec.changed": 0}, "GetCondChan took the mark")], line={0: "df3", 2: "df1", 3: "df2"})

        first, second = self.line_traffic()[:2]
        self.assertTrue(all(channel == 0 for channel, _ in first + second), "every change goes to port 0")
        commands = [command for _, command in first]
        opened = commands.index("?OS;") + 1
        show = [";;CH0;", "IP1;"]  # a new filter type's cut-off list is shown afresh
        self.assertEqual(commands[opened:], ["AC1;", "NF1;", "TG2;", "TP0;", "LD2;", "LP0;", *show, "LD2;", "LP3;",
                                             "HD2;", "HO0;", *show, "HD2;", "HO1000;", "FA1;", "FS2;", "FA2;", "FS50;"],
                         "the corrected cut-off waits for the combo's next change; 50 typed again sends nothing")
        commands = [command for _, command in second]
        self.assertEqual(commands[:3], [";;CH0;", "IP1;", "AC0;"], "port 0 is addressed again before its change")
        self.assertEqual(commands[3:6], ["IP3;", "?GS;", "?OS;"], "the bridge input has its own lists")
        self.assertEqual([c for c in commands if c.startswith("GN")], ["GN1;", "GN2;", "GN2;"],
                         "the new input's nearest gain, then 100 twice: the same gain is sent again")

    def test_a_discovery_under_an_open_panel_leaves_its_next_change_on_its_channel(self):
        """A host may start the library afresh while the panel is open. The
        discovery addresses every channel it probes, so the panel's next
        change must first address the channel it shows again."""
        results, _ = self.run_panel([rec(0, inUse=1), rec(2, inUse=1), menu(4, MODELESS), "InitCond 1",
                                     f"click {AC_COUPLE}", "KillCondMenu 0"], line={0: "df3", 2: "df1"})
        self.assertEqual(results.take("InitCond 1")["result"], 0)
        sent = [(command["ch"], command["cmd"]) for command in panel.bench.sim.commands()]
        end = max(i for i, (_, cmd) in enumerate(sent) if cmd == "?CH;")
        self.assertEqual(sent[end][0], 3, "the second discovery ends on silent channel 3")
        after = sent[end + 1:]
        self.assertEqual(after[0], (0, ";;CH0;"), "the panel addresses its channel again")
        self.assertIn((0, "AC1;"), after, "the coupling goes to the channel the panel shows")

    def test_deferred_mode_sends_on_apply_and_cancel_sends_nothing(self):
        self.run_checked([
            rec(0, inUse=1, scale=0.001, offset=1), menu(4, DEFERRED | MODELESS), *typed(OFFSET, "0.0001"),
            ("panel", {f"panel.controls.{OFFSET}.text": "0.0001", f"panel.controls.{APPLY}.enabled": True},
             "the typed text stays"),
            f"click {AC_COUPLE}", f"select {GAIN} 6", ("pump 50", {"notes": []}, "nothing is told before Apply"),
            ("panel", {f"panel.controls.{APPLY}.enabled": True}), mark(5), "onchange getchan",
            f"click {APPLY}", ("pump 50", {"notes": [CHANGED_0]}, "Apply sends the note, once"),
            (rec(0), {"rec.flags": 1, "rec.gain": 100, "rec.changed": 1, "rec.offset": 0, "rec.zero": 1.0},
             "the host fetched the applied record while it was told; a tiny offset is none, the zero took it over"),
            ("panel", {f"panel.controls.{APPLY}.enabled": False, "panel.focus": OK}), mark(10),
            f"click {RESET}", ("GetCondChan 0", {"rec.units": "mV", "rec.scale": 1000 * 5 / 32768 / 100, "rec.zero": 0},
                                "volts at the input, at gain 100; the offset in volts at the input: none"),
            mark(20), f"click {RELOAD}", mark(50), f"click {NOTCH_BOX}", f"click {CANCEL}",
            ("pump 100", {"notes": [CLOSED]}), (rec(0), {"rec.flags": 1, "rec.units": " Volt"}, "as last applied")])
        before_apply, apply, reset, reload, cancel = self.line_traffic()
        self.assertTrue(all(c.startswith("?") or c in (";;CH0;", "IP1;") for _, c in before_apply),
                        f"deferred edits send nothing: {before_apply}")
        for command in ("AC1;", "GN7;"):
            self.assertIn((0, command), apply)
        self.assertEqual([c for _, c in reset], [";;CH0;", "IP1;", "OR1;", "OF0;", ";;CH0;", "IP1;"],
                         "port 0 addressed again, the offset sent whatever the mode, the port shown again")
        for command in ("IP1;", "GN7;", "AC1;", "NF0;", "TG1;", "TP1;", "FA1;", "FA2;"):
            self.assertIn((0, command), reload, f"{command}: Reload sends every setting")
        self.assertEqual(cancel, [], "Cancel in deferred mode sends nothing")

    def test_a_deferred_input_change_applies_with_the_scale_of_its_gain(self):
        """df3's bridge input offers gains 10 to 10000: gain 1 becomes 10,
        and the host's scale must be the one for gain 10 when it is applied."""
        self.run_checked([
            rec(0, inUse=1, scale=0.001), menu(4, DEFERRED | MODELESS), f"select {INPUT} 2", mark(5),
            f"click {APPLY}", ("GetCondChan 0", {"rec.input": 2, "rec.gain": 10, "rec.scale": 0.0001},
                               "scale x gain stays 0.001"), "KillCondMenu 0", "pump 100"])
        applied = [c for _, c in self.line_traffic()[1]]
        self.assertEqual(applied[:2], [";;CH0;", "IP3;"])
        self.assertEqual({c for c in applied if c.startswith("GN")}, {"GN1;"}, "gain 10 of the bridge input")

    def test_offset_entry_and_the_scroll_bars(self):
        """df3's differential input at gain 1 with 0.001 host units per code:
        the largest offset is 32.768, a scroll step 1.6384, tiny 0.0004."""
        results, _ = self.run_panel([
            rec(0, inUse=1, scale=0.001), menu(4, MODELESS),
            *typed(OFFSET, "7"), "GetCondChan 0", *typed(OFFSET, "40"), "panel", *typed(OFFSET, "32.768001"), "GetCondChan 0",
            *typed(OFFSET, "0.0001"), "GetCondChan 0", mark(10),
            f"scroll {OFFSET_BAR} {SB_PAGEUP}", *[f"scroll {OFFSET_BAR} {SB_LINEUP}"] * 3, "panel", "GetCondChan 0",
            *[f"scroll {OFFSET_BAR} {SB_LINEUP}"] * 20, "GetCondChan 0", f"scroll {OFFSET_BAR} {SB_LINEDOWN}",
            f"select {GAIN} 9", mark(20), f"scroll {GAIN_BAR} {SB_LINEUP}", mark(50),
            f"scroll {GAIN_BAR} {SB_LINEDOWN}", "panel", mark(100), f"click {CANCEL}", "pump 100", rec(0)])
        record = results.take("GetCondChan 0")["rec"]
        self.assertAlmostEqual(record["offset"], 7, places=3)
        self.assertAlmostEqual(record["zero"], -record["offset"], places=6, msg="the zero absorbs the offset")
        self.assertEqual(self.panel_of(results)["controls"][str(OFFSET)]["text"], "7",
                         "40 is beyond the limits: the offset is shown again")
        self.assertAlmostEqual(results.take("GetCondChan 0")["rec"]["offset"], 32.768, places=2,
                               msg="within the tolerance of the limit")
        record = results.take("GetCondChan 0")["rec"]
        self.assertEqual((record["offset"], record["zero"]), (0, 0), "a tiny offset is exactly none")

        shown = self.panel_of(results)["controls"][str(OFFSET)]["text"]
        self.assertEqual(shown, "4.92", "three steps of 1.6384, shown to 0.01: four decimals below the decade of 32.768")
        record = results.take("GetCondChan 0")["rec"]
        self.assertAlmostEqual(record["offset"], 3 * 1.6384, places=3)
        self.assertAlmostEqual(record["zero"], -record["offset"], places=6)
        self.assertAlmostEqual(results.take("GetCondChan 0")["rec"]["offset"], 32.768, delta=0.82,
                               msg="clamped to the largest offset, in whole steps")

        _, scrolled, at_end, stepped_down, cancelled = self.line_traffic()
        offsets = [c for _, c in scrolled if c.startswith("OF")]
        # One step is 0.25 V at the input: 16384 codes of the 0.5 V range; 0.5 V
        # is that range's top code; 0.75 V needs the 5 V range.
        self.assertEqual(offsets[:3], ["OF16384;", "OF32767;", "OF4915;"],
                         "the page click does nothing; each line click is one step")
        self.assertEqual(at_end, [], "the gain bar does not wrap past the last gain")
        self.assertIn((0, "GN9;"), stepped_down, "the down arrow takes the gain before")
        self.assertEqual(self.panel_of(results)["controls"][str(GAIN)]["sel"], 8)

        for command in ("GN1;", "OF0;", "AC0;", "IP1;"):
            self.assertIn((0, command), cancelled, f"{command}: Cancel sends the saved settings again")
        notes = results.take("pump 100")["notes"]
        self.assertEqual(notes[-1], CLOSED)
        self.assertTrue(all(note == CHANGED_0 for note in notes[:-1]), "each offset and gain sent was posted")
        record = results.take(rec(0))["rec"]
        self.assertEqual((record["gain"], record["offset"], record["zero"], record["changed"]), (1, 0, 0, 0))
        self.assertAlmostEqual(record["scale"], 0.001, places=9)
        self.assertEqual(results.boxes, [])


def setUpModule():
    panel.bench = start_module_bench(unittest)
