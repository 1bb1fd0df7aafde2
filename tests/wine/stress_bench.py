"""Runs stresshost.exe on the Wine bench: a script of JSON commands, the
test's part of the host's waits, and the results, each call's message boxes
with it.

A script is a list of dicts (see stresshost/main.cpp); call() makes the one
that calls an export. A {"wait": NAME} command pauses the host until the
test's `on_wait(NAME)` has returned.
"""
import json
import os

from wine_bench import HOST_DIR, GrowingFile, required_path, start_module_bench

STRESSHOST_TIMEOUT_S = 170

# ---- Time budgets, in ms: the waits that a call can meet ----
CHAR_MS = 1.0417                  # one character at 9600 baud
SELECTION = 7 * CHAR_MS + 20      # a selection's text drained, then the pause
FIRST_CHAR = 30                   # a probed channel's first character
PROBE_REPLY = 100                 # the rest of its reply
REPLY = 1000                      # any other reply line
LIST = 3 * (REPLY + 100)          # a list tried three times, with a pause after each try
WIRE = 200                        # the bytes that still cross the line


def call(export, *args):
    return {"call": export, "args": list(args)}


class WaitAnswerer:
    """Answers the host's {"waiting": NAME} lines: on_wait(NAME), then NAME.done."""

    def __init__(self, bench, results, on_wait):
        self.bench = bench
        self.results = GrowingFile(results)
        self.on_wait = on_wait

    def poll(self):
        for line in self.results.new_lines():
            if "waiting" in line:
                self.on_wait(line["waiting"])
                open(self.bench.host_file(line["waiting"] + ".done"), "w").close()


def start_configured_bench(unittest, settings):
    """A started bench for a test module, with the library's settings in
    the registry and no zelcond.ini."""
    bench = start_module_bench(unittest)
    bench.clear_registry()
    bench.write_ini(None)
    for name, value in settings.items():
        bench.set_registry(name, value)
    return bench


def run_stresshost(bench, commands, on_wait=None, timeout=STRESSHOST_TIMEOUT_S):
    """The result of each command, in order; a call's message boxes are in its "boxes"."""
    with open(bench.host_file("stress.jsonl"), "w", newline="\r\n") as script:
        script.write("".join(json.dumps(command) + "\n" for command in commands))
    results = bench.host_file("stress-results.jsonl")
    if os.path.exists(results):
        os.remove(results)
    answerer = WaitAnswerer(bench, results, on_wait or (lambda name: None))
    windows_dir = "C:\\" + HOST_DIR + "\\"
    code, output = bench.run_program(required_path("STRESSHOST_EXE"),
                                     [windows_dir + "stress.jsonl", windows_dir + "stress-results.jsonl"],
                                     timeout=timeout, while_running=answerer.poll)
    written = ""
    if os.path.exists(results):
        with open(results) as lines:
            written = lines.read()
    if code != 0:
        raise RuntimeError(f"stresshost exited with {code}: {written}{output}")
    outcomes, boxes = [], []
    for line in written.splitlines():
        result = json.loads(line)
        if "box" in result:
            boxes.append(result["box"])
        elif "waiting" not in result:
            result["boxes"], boxes = boxes, []
            outcomes.append(result)
    if boxes:
        raise AssertionError(f"message boxes after the last command: {boxes}")
    return outcomes
