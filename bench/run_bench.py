#!/usr/bin/env python3
"""Runs the benchmark and prints its table: each exchange's protocol time
against the wire's floor, on the virtual clock, in real time natively, and
as the 64-bit DLL under Wine, with the processor share of the calling
process in real time. scripts/bench.sh builds what it needs and calls it.

    run_bench.py --vornbench PATH --vornsim PATH --json OUT
                 [--dll PATH --benchhost PATH --wine-dir DIR]
"""
import argparse
import json
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "wine"))
from wine_bench import SIM_PORT, WineBench, read_line, stop_process  # noqa: E402

WINE_RUN_TIMEOUT_S = 300
# The shortest call whose processor share the table shows. Natively the
# kernel counts processor time exactly; Wine reports it in 10 ms clock ticks,
# sampled, so only calls of a second or more (or sums of calls) say much.
CPU_SHARE_MIN_MS = {"native": 100, "wine": 1000}
CAPABILITY_READ = "capability read"


class Vornsim:
    """vornsim serving one run's line, optionally linked as a COM port."""

    def __init__(self, executable, run, work, link=None):
        line = {"channels": [{"number": channel["number"], "profile": channel["profile"],
                              "faults": {"silent": channel["silent"]}} for channel in run["channels"]]}
        self.line_file = os.path.join(work, "line.json")
        with open(self.line_file, "w") as out:
            json.dump(line, out)
        args = [executable, "--line", self.line_file] + (["--link", link] if link else [])
        self.process = subprocess.Popen(args, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE)
        reported = read_line(self.process.stdout, 10)
        if not reported or not reported.startswith("pty: "):
            self.stop()
            raise RuntimeError(f"vornsim did not report its pty: {reported!r}")
        self.pty = reported[len("pty: "):].strip()

    def stop(self):
        stop_process(self.process)
        self.process.stdout.close()


def run_json(args):
    return json.loads(subprocess.run(args, check=True, stdout=subprocess.PIPE, text=True).stdout)


def native_runs(options, plan, work):
    rows = []
    for index, run in enumerate(plan):
        sim = Vornsim(options.vornsim, run, work)
        try:
            rows += run_json([options.vornbench, "realtime", str(index), sim.pty])
        finally:
            sim.stop()
    return rows


def wine_runs(options, plan):
    os.environ.update(CONDVORN_DLL=options.dll, CONDHOST_EXE=options.benchhost,
                      VORNSIM_EXECUTABLE=options.vornsim, CONDVORN_WINE_DIR=options.wine_dir)
    bench = WineBench()
    rows = []
    try:
        bench.start()
        for index, run in enumerate(plan):
            link = os.path.join(bench.prefix, "dosdevices", f"com{SIM_PORT}")
            sim = Vornsim(options.vornsim, run, options.wine_dir, link)
            try:
                steps = [step["step"] for step in run["steps"]]
                output = bench.host_file("bench.jsonl")
                code, text = bench.run_program(
                    options.benchhost, ["bench.jsonl", str(SIM_PORT), str(run["first"]), str(run["last"])] + steps,
                    timeout=WINE_RUN_TIMEOUT_S)
                if code != 0:
                    raise RuntimeError(f"benchhost exited with {code}: {text}")
                with open(output) as lines:
                    results = [json.loads(line) for line in lines]
            finally:
                sim.stop()
            for step, result in zip(run["steps"], results):
                if step["name"]:
                    rows.append(dict(result, run=index, name=step["name"]))
    finally:
        bench.stop()
    return rows


def timing(protocol_ms, floor_ms, cpu_ms=None, label=None):
    result = {"protocolMs": protocol_ms, "ratio": protocol_ms / floor_ms if floor_ms > 0 else None}
    if cpu_ms is not None:
        shown = protocol_ms >= CPU_SHARE_MIN_MS[label]
        result.update(cpuMs=cpu_ms, cpuShare=cpu_ms / protocol_ms if shown else None)
    return result


def merge(virtual, native, wine):
    """One entry per exchange, the real-time results beside the virtual ones."""
    table = []
    for position, row in enumerate(virtual):
        floor_ms = row["floorMs"]
        entry = {"name": row["name"], "step": row["step"], "wire": row["wire"], "floorMs": floor_ms,
                 "virtual": timing(row["protocolMs"], floor_ms)}
        for label, rows, key in (("native", native, "protocolMs"), ("wine", wine, "wallMs")):
            if not rows:
                continue
            real = rows[position]
            entry[label] = timing(real[key], floor_ms, real["cpuMs"], label)
            if "wire" in real and real["wire"] != row["wire"]:
                entry[label]["trafficDiffers"] = real["wire"]
        table.append(entry)
    return table + [summed(f"all {CAPABILITY_READ}s", [e for e in table if e["name"].startswith(CAPABILITY_READ)])]


def summed(name, entries):
    """One entry for several exchanges: their sums."""
    floor_ms = sum(entry["floorMs"] for entry in entries)
    wire = {key: sum(entry["wire"][key] for entry in entries) for key in entries[0]["wire"]}
    total = {"name": name, "step": None, "wire": wire, "floorMs": floor_ms,
             "virtual": timing(sum(entry["virtual"]["protocolMs"] for entry in entries), floor_ms)}
    for label in ("native", "wine"):
        if label in entries[0]:
            total[label] = timing(sum(entry[label]["protocolMs"] for entry in entries), floor_ms,
                                  sum(entry[label]["cpuMs"] for entry in entries), label)
    return total


def print_table(table):
    columns = [("virtual", False), ("native", True), ("wine", True)]
    head = f"{'exchange':44} {'out':>5} {'in':>5} {'floor ms':>9}"
    for label, with_cpu in columns:
        head += f" {label + ' ms':>11} {'×floor':>6}" + (f" {'CPU':>5}" if with_cpu else "")
    print(head)
    for entry in table:
        line = f"{entry['name']:44} {entry['wire']['bytesOut']:5} {entry['wire']['bytesIn']:5} {entry['floorMs']:9.1f}"
        for label, with_cpu in columns:
            result = entry.get(label)
            if result is None:
                line += f" {'-':>11} {'-':>6}" + (f" {'-':>5}" if with_cpu else "")
                continue
            line += f" {result['protocolMs']:11.1f} " + (f"{result['ratio']:6.3f}" if result["ratio"] else f"{'-':>6}")
            if with_cpu:
                share = result["cpuShare"]
                line += f" {100 * share:4.1f}%" if share is not None else f" {'-':>5}"
            if "trafficDiffers" in result:
                line += "  (traffic differs from the virtual run)"
        print(line)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--vornbench", required=True)
    parser.add_argument("--vornsim", required=True)
    parser.add_argument("--json", required=True, help="where the results go")
    parser.add_argument("--dll", help="the 64-bit CONDVorn.dll; with --benchhost, also run under Wine")
    parser.add_argument("--benchhost")
    parser.add_argument("--wine-dir", help="the Wine prefix's working directory")
    options = parser.parse_args()

    load_before = os.getloadavg()
    plan = run_json([options.vornbench, "plan"])
    virtual = run_json([options.vornbench, "virtual"])
    with tempfile.TemporaryDirectory() as work:
        native = native_runs(options, plan, work)
    wine = wine_runs(options, plan) if options.dll and options.benchhost else []
    table = merge(virtual, native, wine)
    load_after = os.getloadavg()

    print_table(table)
    print(f"load average (1 min) {load_before[0]:.2f} before, {load_after[0]:.2f} after, on {os.cpu_count()} cores")
    with open(options.json, "w") as out:
        json.dump({"loadAverage": {"before": load_before, "after": load_after}, "cores": os.cpu_count(),
                   "exchanges": table}, out, indent=1)


if __name__ == "__main__":
    main()
