"""A bench for running condhost.exe under Wine against simulated channels.

The bench owns one private Wine prefix per build directory (created once
with wineboot, then reused), a persistent wineserver and an Xvfb display
(so that message boxes really appear and the host's watcher can answer
them). Each test starts the vornsim program, whose pseudo-terminal the
prefix sees as COM5 (one at a time), writes the library's settings, and
runs the host with a script (see condhost/script_session.h); or it joins
COM5 to COM6 by a null modem (socat) and serves COM6 with a Windows
program. Every process the bench starts is stopped by its pid.

The build passes its products through the environment: CONDVORN_DLL,
CONDHOST_EXE, VORNSIM_EXECUTABLE and CONDVORN_WINE_DIR (the bench's
working directory).
"""
import ctypes
import json
import os
import select
import shutil
import signal
import subprocess
import sys
import time

WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver64"
XVFB = "Xvfb"
IMPORT = "import"  # ImageMagick

SETTINGS_KEY = r"HKCU\Software\ZEL\ZELCond\Vorn"

HOST_DIR = "condvorn"  # C:\condvorn in the prefix
HELP_FILE = "zelcond.chm"
SIM_PORT = 5           # the prefix's COM5 is vornsim's pseudo-terminal
DEVICE_PORT = 6        # a null modem's other end (start_null_modem)

VIRTUAL_DESKTOP = [(r"HKCU\Software\Wine\Explorer", "Desktop", "Default"),
                   (r"HKCU\Software\Wine\Explorer\Desktops", "Default", "1024x768")]

PR_SET_PDEATHSIG = 1
PR_SET_CHILD_SUBREAPER = 36
PREFIX_READY_MARK = "condvorn-prefix-ready"
WINE_RUN_TIMEOUT_S = 60
HOST_RUN_TIMEOUT_S = 120  # a host script may open many panels
RECORD_SETTLE_S = 0.2
POLL_INTERVAL_S = 0.02
DISCOVERY_ATTEMPTS = 3

# ---- Time budgets, in ms: the waits that a call can meet ----
CHAR_MS = 1.0417                  # one character at 9600 baud
SELECTION = 7 * CHAR_MS + 20      # a selection's text drained, then the pause
FIRST_CHAR = 30                   # a probed channel's first character
PROBE_REPLY = 100                 # the rest of its reply
REPLY = 1000                      # any other reply line
LIST = 3 * (REPLY + 100)          # a list tried three times, with a pause after each try
WIRE = 200                        # the bytes that still cross the line


def call(export, *args):
    """A script line that calls an export: its arguments as JSON words."""
    return " ".join([export] + [json.dumps(arg, separators=(",", ":")) for arg in args])


def rec(port, **fields):
    """A script line that sets fields of the host's record of a port and prints it."""
    return f"rec {port} {json.dumps(fields, separators=(',', ':'))}" if fields else f"rec {port}"


def required_path(variable):
    path = os.environ.get(variable)
    if not path:
        raise RuntimeError(f"{variable} is not set; run the Wine tests through ctest")
    return path


def stop_process(process, timeout=5):
    """Ends a process that the bench started: SIGTERM, then SIGKILL."""
    if process is None or process.poll() is not None:
        return
    process.send_signal(signal.SIGTERM)
    try:
        process.wait(timeout)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()


def die_with_parent():
    """In a child before it runs its program: end it if the bench dies."""
    ctypes.CDLL(None).prctl(PR_SET_PDEATHSIG, signal.SIGTERM, 0, 0, 0)


def adopt_orphans():
    """Makes this process the reaper of its orphaned descendants.

    Wine starts its helper processes (services, explorer, device drivers) as
    daemons; adopted, they stay visible as our children, so that the bench
    can stop them by pid and collect them."""
    libc = ctypes.CDLL(None, use_errno=True)
    if libc.prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0) != 0:
        raise OSError(ctypes.get_errno(), "prctl(PR_SET_CHILD_SUBREAPER)")


def child_pids():
    children = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat") as stat:
                # The fields after the parenthesised command: state, ppid, ...
                fields = stat.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        if int(fields[1]) == os.getpid():
            children.append(int(entry))
    return children


def stop_adopted_processes(exclude):
    """Ends and collects every child but the Popen objects in `exclude`."""
    kept = {process.pid for process in exclude if process is not None}
    for pid in child_pids():
        if pid in kept:
            continue
        try:
            os.kill(pid, signal.SIGKILL)
            os.waitpid(pid, 0)
        except (ProcessLookupError, ChildProcessError):
            pass


def read_line(stream, timeout):
    """One line from a pipe, or None when none is complete in time."""
    deadline = time.monotonic() + timeout
    line = b""
    while not line.endswith(b"\n"):
        left = deadline - time.monotonic()
        if left <= 0 or not select.select([stream], [], [], left)[0]:
            return None
        chunk = os.read(stream.fileno(), 1)
        if not chunk:
            return None
        line += chunk
    return line.decode()


class Simulator:
    """A running vornsim, its line linked as the prefix's COM5."""

    def __init__(self, executable, channels, link, record, errors, line_file=None):
        args = [executable, "--link", link, "--record", record]
        for number, profile in channels.items():
            args += ["--channel", f"{number}={profile}"]
        if line_file is not None:
            args += ["--line", line_file]
        self.record_path = record
        self.errors = errors
        with open(errors, "wb") as error_file:
            self.process = subprocess.Popen(args, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                            stderr=error_file, preexec_fn=die_with_parent)
        self.pty = self._ready_pty()

    def _ready_pty(self):
        """The path of the "pty: PATH" line that vornsim prints when the line is ready."""
        line = read_line(self.process.stdout, 10)
        if not line or not line.startswith("pty: "):
            self.stop()
            with open(self.errors, errors="replace") as error_file:
                raise RuntimeError(f"vornsim did not report its pty: {line!r}, "
                                   f"its errors: {error_file.read()!r}")
        return line[len("pty: "):].strip()

    def revive(self):
        """Brings a dead line back and waits until it is ready."""
        self.process.send_signal(signal.SIGUSR1)
        self.pty = self._ready_pty()

    def commands(self):
        """The commands the line received, in order: dicts with t, ch, cmd.

        Waits until the record has stopped growing, so that commands still
        in transit when the host exited are included."""
        size = -1
        while size != self._record_size():
            size = self._record_size()
            time.sleep(RECORD_SETTLE_S)
        if size == 0:
            return []
        with open(self.record_path) as record:
            return [json.loads(line) for line in record if line.strip()]

    def _record_size(self):
        return os.path.getsize(self.record_path) if os.path.exists(self.record_path) else 0

    def stop(self):
        stop_process(self.process)
        self.process.stdout.close()


class BackgroundRun:
    """A Wine program running beside the bench's other runs; its output goes to a file."""

    def __init__(self, args, env, cwd, out_path):
        self.out_path = out_path
        with open(out_path, "wb") as out:
            self.process = subprocess.Popen(args, env=env, cwd=cwd, stdin=subprocess.DEVNULL, stdout=out,
                                            stderr=subprocess.STDOUT, preexec_fn=die_with_parent)

    def finish(self, timeout=WINE_RUN_TIMEOUT_S):
        """Its exit code and output; a run that does not end in time is stopped and fails."""
        try:
            code = self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            stop_process(self.process)
            raise RuntimeError(f"{self.process.args} did not finish within {timeout} s")
        with open(self.out_path, errors="replace") as out:
            return code, out.read()

    def interrupt(self):
        """Ctrl-C: Wine hands SIGINT to the program's console control handlers."""
        self.process.send_signal(signal.SIGINT)

    def stop(self):
        stop_process(self.process)


class NullModem:
    """Two pseudo-terminals joined back to back by socat, linked as two COM
    ports of a prefix: what one port sends, the other receives, as over a
    null-modem cable."""

    def __init__(self, links, errors):
        for link in links:
            if os.path.lexists(link):
                os.remove(link)
        with open(errors, "wb") as error_file:
            self.process = subprocess.Popen(["socat", "-d", "-d"] + [f"pty,raw,echo=0,link={link}" for link in links],
                                            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=error_file,
                                            preexec_fn=die_with_parent)
        deadline = time.monotonic() + 10
        while not all(os.path.lexists(link) for link in links):
            if time.monotonic() > deadline or self.process.poll() is not None:
                self.stop()
                raise RuntimeError(f"socat did not make the ports {links}: see {errors}")
            time.sleep(POLL_INTERVAL_S)

    def stop(self):
        stop_process(self.process)  # socat removes its links


class GrowingFile:
    """The JSON lines that a running program appends to a file, each once it is complete."""

    def __init__(self, path):
        self.path = path
        self.read = 0

    def new_lines(self):
        if not os.path.exists(self.path):
            return []
        with open(self.path, "rb") as lines:
            lines.seek(self.read)
            text = lines.read()
        complete = text[:text.rfind(b"\n") + 1]
        self.read += len(complete)
        return [json.loads(line) for line in complete.decode().splitlines()]


class WaitAnswerer:
    """Answers a running host's waits: for each {"waiting": NAME} line of its
    results, a screenshot of its "window" rectangle as NAME.png in
    `screenshots` when it gives one, then on_wait(NAME), then NAME.done in
    the host's directory, which the host waits for."""

    def __init__(self, bench, results, screenshots, on_wait):
        self.bench = bench
        self.results = GrowingFile(results)
        self.screenshots = screenshots
        self.on_wait = on_wait

    def poll(self):
        for line in self.results.new_lines():
            if "waiting" not in line:
                continue
            if "window" in line:
                if self.screenshots is None:
                    raise RuntimeError("the script asks for a screenshot, but none was expected")
                os.makedirs(self.screenshots, exist_ok=True)
                self.bench.screenshot(line["window"], os.path.join(self.screenshots, line["waiting"] + ".png"))
            if self.on_wait is not None:
                self.on_wait(line["waiting"])
            open(self.bench.host_file(line["waiting"] + ".done"), "w").close()


class ProbeMissed(Exception):
    """A channel of the line answered its probe too late."""


class Results:
    """A script's results: one dict per command, in order, with the message
    boxes it showed as "boxes"; pop-up menus apart. A modal panel's own
    result comes after the lines that ran while it was open, so results are
    taken by their command."""

    def __init__(self, lines):
        self.lines, self.menus, self.captions, boxes = [], [], set(), []
        self.errors = [line["error"] for line in lines if "error" in line]
        for line in lines:
            if "box" in line:
                boxes.append(line["box"])
                self.captions.add(line["caption"])
            elif "menu" in line:
                self.menus.append(line["menu"])
            elif "cmd" in line:
                line["boxes"], boxes = boxes, []
                self.lines.append(line)
        self.late_boxes = boxes  # shown after the last command
        self.boxes = [box for line in self.lines for box in line["boxes"]] + boxes

    def take(self, command):
        for i, line in enumerate(self.lines):
            if line["cmd"] == command:
                return self.lines.pop(i)
        raise AssertionError(f"no result for `{command}`")


class WineBench:
    def __init__(self):
        self.dll = required_path("CONDVORN_DLL")
        self.host = required_path("CONDHOST_EXE")
        self.vornsim = required_path("VORNSIM_EXECUTABLE")
        self.work = os.path.abspath(required_path("CONDVORN_WINE_DIR"))
        self.prefix = os.path.join(self.work, "prefix")
        self.xvfb = None
        self.server = None
        self.env = None
        self.runs = 0
        self.sim = None

    # ---- Start and stop ----

    def start(self):
        """Display, server and prefix. Call stop() even when this fails."""
        if not os.access(self.vornsim, os.X_OK):
            raise RuntimeError(f"vornsim not found at {self.vornsim}: build it with "
                               "'cmake --build --preset native --target vornsim' or set the "
                               "VORNSIM_EXECUTABLE cache variable")
        adopt_orphans()
        os.makedirs(self.work, exist_ok=True)
        fresh_prefix = not os.path.exists(os.path.join(self.prefix, PREFIX_READY_MARK))
        if fresh_prefix and os.path.exists(self.prefix):
            shutil.rmtree(self.prefix)  # an interrupted creation
        os.makedirs(self.prefix, exist_ok=True)
        display = self._start_display()
        self.env = dict(os.environ, WINEPREFIX=self.prefix, WINEDEBUG="-all", DISPLAY=display,
                        WINESERVER=WINESERVER, WINEDLLOVERRIDES="mscoree,mshtml=")
        self._start_server()
        if fresh_prefix:
            self._wine(["wineboot", "-i"], timeout=120)
            # Windows inside one virtual desktop: without a window manager,
            # Wine waits about 2 s for each top-level window to go away. The
            # desktop that wineboot started has none: a new server starts one.
            for key, name, value in VIRTUAL_DESKTOP:
                self._reg(["add", key, "/v", name, "/d", value, "/f"])
            open(os.path.join(self.prefix, PREFIX_READY_MARK), "w").close()
            self._stop_server()
            self._start_server()
        os.makedirs(self.host_dir(), exist_ok=True)
        shutil.copy(self.dll, self.host_dir())
        shutil.copy(self.host, self.host_dir())
        # The help file, when the build made one, beside the DLL as shipped.
        help_file = os.path.join(os.path.dirname(self.dll), HELP_FILE)
        if os.path.exists(help_file):
            shutil.copy(help_file, self.host_dir())

    def stop(self):
        if self.sim is not None:
            self.sim.stop()
        self._stop_server()
        stop_adopted_processes(exclude=[self.xvfb])
        stop_process(self.xvfb)

    def _start_server(self):
        self.server = subprocess.Popen([WINESERVER, "-f", "-p"], env=self.env, stdin=subprocess.DEVNULL,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                       preexec_fn=die_with_parent)

    def _stop_server(self):
        if self.server is not None and self.server.poll() is None:
            # The server ends every process of the prefix, then itself;
            # whatever is left is ended by stop().
            try:
                subprocess.run([WINESERVER, "-k"], env=self.env, stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=20)
            except subprocess.TimeoutExpired:
                pass
        stop_process(self.server, timeout=10)

    def _start_display(self):
        """Xvfb on a display number it chooses itself; returns ":N"."""
        read_end, write_end = os.pipe()
        with os.fdopen(read_end, "rb", buffering=0) as numbers:
            try:
                self.xvfb = subprocess.Popen(
                    [XVFB, "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                    pass_fds=[write_end], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                    stderr=subprocess.DEVNULL, preexec_fn=die_with_parent)
            finally:
                os.close(write_end)
            number = read_line(numbers, 20)
        if not number:
            raise RuntimeError("Xvfb did not report a display")
        return ":" + number.strip()

    def _wine(self, args, timeout=WINE_RUN_TIMEOUT_S, cwd=None, while_running=None):
        """Runs a Wine program; its output goes to files, never to a pipe.
        `while_running` is called every few milliseconds until it ends."""
        self.runs += 1
        out_path = os.path.join(self.work, f"wine-{self.runs}.out")
        with open(out_path, "wb") as out:
            process = subprocess.Popen([WINE] + args, env=self.env, cwd=cwd, stdin=subprocess.DEVNULL,
                                       stdout=out, stderr=subprocess.STDOUT)
            deadline = time.monotonic() + timeout
            try:
                while process.poll() is None:
                    if time.monotonic() > deadline:
                        raise subprocess.TimeoutExpired(args, timeout)
                    if while_running is not None:
                        while_running()
                    time.sleep(POLL_INTERVAL_S)
                code = process.returncode
            except subprocess.TimeoutExpired:
                stop_process(process)
                raise RuntimeError(f"wine {' '.join(args)} did not finish within {timeout} s")
            except BaseException:
                stop_process(process)  # a failing `while_running` leaves nothing running
                raise
        with open(out_path, errors="replace") as out:
            return code, out.read()

    # ---- The prefix ----

    def host_dir(self):
        return os.path.join(self.prefix, "drive_c", HOST_DIR)

    def host_file(self, name):
        return os.path.join(self.host_dir(), name)

    def write_ini(self, entries):
        """The [General] section of zelcond.ini in the Windows directory, or no file."""
        path = os.path.join(self.prefix, "drive_c", "windows", "zelcond.ini")
        if entries is None:
            if os.path.exists(path):
                os.remove(path)
            return
        with open(path, "w", newline="\r\n") as ini:
            ini.write("[General]\n")
            for name, value in entries.items():
                ini.write(f"{name}={value}\n")

    def _reg(self, args):
        code, output = self._wine(["reg"] + args)
        if code != 0:
            raise RuntimeError(f"reg {' '.join(args)} failed: {output}")
        return output

    def clear_registry(self):
        """Removes the library's settings, so that they come from zelcond.ini."""
        self._wine(["reg", "delete", SETTINGS_KEY, "/f"])  # fails when already absent

    def set_registry(self, name, value):
        """One of the library's settings; None removes it."""
        if value is None:
            self._reg(["delete", SETTINGS_KEY, "/v", name, "/f"])
        else:
            self._reg(["add", SETTINGS_KEY, "/v", name, "/t", "REG_DWORD", "/d", str(value), "/f"])

    def registry_values(self):
        """The settings key as {name: (type, value)}; empty when it is absent."""
        code, output = self._wine(["reg", "query", SETTINGS_KEY])
        values = {}
        if code != 0:
            return values
        for line in output.splitlines():
            words = line.split()
            if len(words) == 3 and words[1].startswith("REG_"):
                values[words[0]] = (words[1], words[2])
        return values

    # ---- Runs ----

    def install_program(self, program):
        """Copies a Windows program beside the DLL; returns its Windows path."""
        shutil.copy(program, self.host_dir())
        return "C:\\" + HOST_DIR + "\\" + os.path.basename(program)

    def run_program(self, program, args=(), timeout=WINE_RUN_TIMEOUT_S, while_running=None):
        """Runs a Windows program beside the DLL; returns its exit code and output."""
        return self._wine([self.install_program(program)] + list(args), timeout=timeout, cwd=self.host_dir(),
                          while_running=while_running)

    def start_program(self, program, args=()):
        """Copies a Windows program beside the DLL and starts it there, while
        the caller goes on (a host run, say). Returns a BackgroundRun."""
        self.runs += 1
        return BackgroundRun([WINE, self.install_program(program)] + list(args), self.env, self.host_dir(),
                             os.path.join(self.work, f"wine-{self.runs}.out"))

    def start_simulator(self, channels, line=None):
        """vornsim with {channel number: profile name}, linked as COM5 in place
        of the one before; `line` adds the rest of a line file (such as its
        timing or its death)."""
        if self.sim is not None:
            self.sim.stop()
            self.sim = None
        link = os.path.join(self.prefix, "dosdevices", f"com{SIM_PORT}")
        record = os.path.join(self.work, "vornsim-record.jsonl")
        if os.path.exists(record):
            os.remove(record)
        line_file = None
        if line is not None:
            line_file = os.path.join(self.work, "vornsim-line.json")
            with open(line_file, "w") as file:
                json.dump(dict({"channels": []}, **line), file)
        self.sim = Simulator(self.vornsim, channels, link, record, os.path.join(self.work, "vornsim.err"), line_file)
        return self.sim

    def start_null_modem(self, ports=(SIM_PORT, DEVICE_PORT)):
        """The prefix's two COM ports joined by a null-modem cable; stop() it."""
        links = [os.path.join(self.prefix, "dosdevices", f"com{port}") for port in ports]
        return NullModem(links, os.path.join(self.work, "socat.err"))

    def run_host(self, lines, screenshots=None, load_stack_kib=None, on_wait=None, timeout=HOST_RUN_TIMEOUT_S):
        """Runs a script; returns its Results.

        A script's "shot NAME" is answered with a PNG of the window it names,
        NAME.png in the directory `screenshots`; its "wait NAME" with
        on_wait(NAME). With load_stack_kib the host loads the library on a
        thread with a stack of that size."""
        with open(self.host_file("script.txt"), "w", newline="\r\n") as script:
            script.write("\n".join(lines) + "\n")
        results = self.host_file("results.jsonl")
        if os.path.exists(results):
            os.remove(results)
        windows_dir = "C:\\" + HOST_DIR + "\\"
        watcher = WaitAnswerer(self, results, screenshots, on_wait)
        options = [] if load_stack_kib is None else ["--load-stack", str(load_stack_kib)]
        code, output = self._wine([windows_dir + "condhost.exe"] + options +
                                  [windows_dir + "script.txt", windows_dir + "results.jsonl"],
                                  timeout=timeout, cwd=self.host_dir(), while_running=watcher.poll)
        if code != 0:
            written = open(results).read() if os.path.exists(results) else ""
            raise RuntimeError(f"condhost exited with {code}: {written}{output}")
        with open(results) as lines_out:
            return Results([json.loads(line) for line in lines_out])

    def run_on_line(self, channels, script, line=None, **host_options):
        """Runs the script on a fresh simulated line; returns its Results.

        A probed channel has 30 ms to start its answer; on a loaded machine
        the simulator can miss that, and the library then rightly takes the
        channel as absent. A run in which a "CondOnChan P 0" of a channel of
        the line gave 0 is repeated; the last one stands whatever it gave. A
        script's "wait found" ends such a run there and then."""
        probes = {call("CondOnChan", port, 0) for port in channels}

        def found(results):
            return all(r.get("result") == 1 for r in results.lines if r["cmd"] in probes)

        def on_wait(name):
            if name == "found" and not found(Results(GrowingFile(self.host_file("results.jsonl")).new_lines())):
                raise ProbeMissed()
            if host_options.get("on_wait"):
                host_options["on_wait"](name)

        for attempt in range(1, DISCOVERY_ATTEMPTS + 1):
            self.start_simulator(channels, line)
            try:
                results = self.run_host(script, **dict(host_options, on_wait=on_wait))
                if found(results) or attempt == DISCOVERY_ATTEMPTS:
                    return results
            except ProbeMissed:
                if attempt == DISCOVERY_ATTEMPTS:
                    raise AssertionError(f"a channel answered its probe too late in all {attempt} runs")
            sys.stderr.write(f"\nrun {attempt}: a channel answered its probe too late\n")

    def host_sizes(self):
        """The host's sizeof(ChanSettings) and sizeof(CondInfo)."""
        return self.run_host(["sizes"]).lines[0]

    def screenshot(self, window, path):
        """The window's rectangle [l, t, r, b] on the display, as a PNG."""
        left, top, right, bottom = window
        subprocess.run([IMPORT, "-display", self.env["DISPLAY"], "-window", "root",
                        "-crop", f"{right - left}x{bottom - top}+{left}+{top}", "+repage", path],
                       check=True, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, timeout=30)


def start_module_bench(unittest, settings=None):
    """A started bench for a test module, stopped when the module is done;
    with `settings`, those of the library in the registry and no zelcond.ini."""
    bench = WineBench()
    unittest.addModuleCleanup(bench.stop)
    bench.start()
    if settings is not None:
        bench.clear_registry()
        bench.write_ini(None)
        for name, value in settings.items():
            bench.set_registry(name, value)
    return bench
