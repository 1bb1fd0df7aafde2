"""End to end under Wine: the library's rules where a host or a user meets
them at their edges, one rule per test, each over a table of cases run one
after the other in one host session."""
import unittest

import test_panel as panel
from test_panel import (BALANCE, CLOSED, DEFERRED, EXCITATION, HELP, HIGH_CUTOFF, HIGH_TYPE, INPUT, LOW_CUTOFF,
                        MODELESS, OFFSET, OK, mark, menu, typing)
from wine_bench import rec, start_module_bench

class FidelityTest(panel.PanelTest):
    def test_a_panel_without_a_usable_port_is_refused_naming_the_last_port_in_use(self):
        """Port 0 is silent: as the last port in use it is named, not taken for success."""
        cases = (([0], 0), ([0, 2], 2))
        script = []
        for ports, _ in cases:
            script += [rec(p, inUse=1) for p in ports] + [menu(4, MODELESS), "panel"]
        results, _ = self.run_panel(script, line={1: "df3"})
        for ports, named in cases:
            self.assertEqual(results.take(menu(4, MODELESS))["result"], 0)
            self.assertClosed(results)
        self.assertEqual(results.boxes, [f"Vorn for ADC port {named} not available\n"
                                         "Vorn channel not installed/available" for _, named in cases])

    def test_an_offset_beyond_a_new_inputs_limits_becomes_the_limit_and_the_zero_follows(self):
        """df3's bridge input moves gain 1 to 10: the largest offset of 0.001
        host units per code at gain 1, 32.768, becomes 3.2768."""
        modes = (DEFERRED | MODELESS, MODELESS)
        script = []
        for mode in modes:
            script += [rec(0, inUse=1, scale=0.001, offset=20, zero=0, gain=1, input=0), menu(4, mode),
                       f"select {INPUT} 2", "panel", f"click {OK}", rec(0)]
        results, received = self.run_panel(script)
        for mode in modes:
            with self.subTest(mode=mode):
                self.assertAlmostEqual(float(self.panel_of(results)["controls"][str(OFFSET)]["text"]), 3.2768, 4)
                record = results.take("rec 0")["rec"]
                self.assertAlmostEqual(record["offset"], 3.2768, places=3)
                self.assertAlmostEqual(record["zero"] + record["offset"], 20, places=4)
        self.assertIn("OF32767;", received, "the largest offset")

    def test_a_capability_read_on_another_input_makes_the_next_apply_select_the_records_input(self):
        """GetCondInfo2 with a scratch record, then SetCondChan with the
        record as last applied; port 2's gain marks the calls apart."""
        cases = ((1, ["GN1;", "IP1;"]), (0, []))
        script = [rec(0, scale=0.001), "SetCondChan 0"]
        for scratch_input, _ in cases:
            script += [rec(0, input=scratch_input), 'GetCondInfo2 0 {"want":0}', rec(0, input=0), mark(),
                       "SetCondChan 0", mark()]
        self.run_panel(script)
        for (scratch_input, applied), phase in zip(cases, self.line_traffic()[1::2]):
            setchan = [command for _, command in phase]
            with self.subTest(scratch_input=scratch_input):
                self.assertEqual(sorted(set(setchan) & {"IP1;", "GN1;"}), applied)
                self.assertEqual(setchan == [], not applied, "a record applied already sends nothing")

    def test_ok_by_enter_takes_a_typed_offset_as_its_edit_losing_the_focus_would(self):
        """A valid text is applied and the zero moves; one beyond the
        limits (32.768) is dropped and the offset stays."""
        cases = (("7", 7), ("40", 0))
        script = []
        for text, _ in cases:
            script += [rec(0, inUse=1, scale=0.001, offset=0, zero=0), menu(4, MODELESS), *typing(OFFSET, text),
                       f"command {OK}", "pump 100", rec(0)]
        results, _ = self.run_panel(script)
        for text, offset in cases:
            with self.subTest(text=text):
                record = results.take("rec 0")["rec"]
                self.assertAlmostEqual(record["offset"], offset, places=3)
                self.assertAlmostEqual(record["zero"], -record["offset"], places=6)
                self.assertEqual(record["changed"], 1 if offset else 0)
                self.assertEqual(results.take("pump 100")["notes"], [[3, 0], CLOSED] if offset else [CLOSED])

    def test_a_new_filter_types_cutoff_comes_from_the_list_it_was_chosen_from(self):
        """df3's high-pass cut-off 1 Hz is entry 2 of "AC/DC"; "Rectifier"
        lists 0, -1, -10, -11, whose nearest to 1 is 0, "DC"."""
        modes = (DEFERRED | MODELESS, MODELESS)
        script = []
        for mode in modes:
            script += [rec(0, inUse=1, highPassType=0, highPassCutoff=1), menu(4, mode), f"select {HIGH_TYPE} 2",
                       "panel", "GetCondChan 0", "KillCondMenu 0"]
        results, received = self.run_panel(script)
        for mode in modes:
            with self.subTest(mode=mode):
                cutoff = self.panel_of(results)["controls"][str(HIGH_CUTOFF)]
                self.assertEqual((cutoff["sel"], cutoff["edit"]), (0, "DC"))
                record = results.take("GetCondChan 0")["rec"]
                self.assertEqual((record["highPassType"], record["highPassCutoff"]), (2, 0))
        self.assertEqual([c for c in received if c[:2] in ("HD", "HP")], ["HD3;", "HP0;"], "immediate mode only")

    def test_a_choice_setting_without_a_selection_is_minus_one(self):
        """Its handler takes it so, as taking the controls does: sent at once
        in immediate mode."""
        modes = (MODELESS, DEFERRED | MODELESS)
        script = []
        for mode in modes:
            script += [rec(0, inUse=1, extraValues=[2, 0, 0, 0, 0, 0, 0, 0]), menu(4, mode), f"select {EXCITATION} -1",
                       "GetCondChan 0", "KillCondMenu 0"]
        results, received = self.run_panel(script)
        for mode in modes:
            with self.subTest(mode=mode):
                record = results.take("GetCondChan 0")["rec"]
                self.assertEqual((record["extraValues"][0], record["changed"]), (-1, 1))
        self.assertEqual([c for c in received if c[:2] in ("FA", "FS")], ["FA1;", "FS-1;"], "immediate mode only")

    def test_a_drop_down_list_is_as_tall_as_its_items(self):
        """df3: four choices, a number typed (no items), and a continuous
        low-pass list of five cut-offs."""
        combos = ((EXCITATION, 4), (BALANCE, 0), (LOW_CUTOFF, 5))
        results, _ = self.run_panel([rec(0, inUse=1), menu(4, MODELESS)] + [f"dropped {c}" for c, _ in combos])
        for combo, items in combos:
            with self.subTest(combo=combo):
                line = results.take(f"dropped {combo}")
                self.assertEqual((line["items"], line["dropped"]), (items, items > 0), "nothing to choose: no list")
                if items:
                    self.assertLessEqual(abs(line["height"] - items * line["itemHeight"]), 2)

    def test_help_opens_the_help_file_in_one_window_however_often_it_is_asked(self):
        results, _ = self.run_panel([rec(0, inUse=1), menu(4, MODELESS)]
                                    + [f"click {HELP}", "pump 1000", "windows"] * 2 + ["KillCondMenu 0"])
        for click in (1, 2):
            with self.subTest(click=click):
                windows = [w for w in results.take("windows")["windows"] if w["class"] == "HH Parent"]
                self.assertEqual(windows, [{"class": "HH Parent", "title": "Vorn conditioner controls"}])


def setUpModule():
    panel.bench = start_module_bench(unittest)
