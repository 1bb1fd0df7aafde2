"""A bench for running condhost.exe under Wine against simulated channels.

The bench owns one private Wine prefix per build directory (made once, then
reused), a persistent wineserver and an Xvfb display, so that message boxes
really appear. A test starts vornsim, whose pseudo-terminal the prefix sees
as COM5, or joins COM5 to COM6 by a null modem (socat), and runs the host
with a script (see condhost/script_session.h). Every process the bench starts
is stopped by its pid. The build passes its products through the environment
(CONDVORN_DLL, CONDHOST_EXE, VORNSIM_EXECUTABLE, CONDVORN_WINE_DIR, ...).
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
SETTINGS_KEY = r"HKCU\Software\ZEL\ZELCond\Vorn"
HOST_DIR = "condvorn"  # C:\condvorn in the prefix
SIM_PORT = 5           # the prefix's COM5 is vornsim's pseudo-terminal
DEVICE_PORT = 6        # a null modem's other end (start_null_modem)
# Windows inside one virtual desktop: without a window manager, Wine waits
# about 2 s for each top-level window to go away.
VIRTUAL_DESKTOP = [(r"HKCU\Software\Wine\Explorer", "Desktop", "Default"),
                   (r"HKCU\Software\Wine\Explorer\Desktops", "Default", "1024x768")]
PR_SET_PDEATHSIG, PR_SET_CHILD_SUBREAPER = 1, 36
PREFIX_READY_MARK = "condvorn-prefix-ready"
WINE_RUN_TIMEOUT_S = 60
HOST_RUN_TIMEOUT_S = 120  # a host script may open many panels
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


def start(args, out, piped=False, **options):
    """A process that ends when the bench does; its output goes to the file
    `out`, or with `piped` its errors, and its output to a pipe."""
    def die_with_parent():
        ctypes.CDLL(None).prctl(PR_SET_PDEATHSIG, signal.SIGTERM, 0, 0, 0)
    with open(out, "wb") as out_file:
        return subprocess.Popen(args, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE if piped else out_file,
                                stderr=out_file if piped else subprocess.STDOUT, preexec_fn=die_with_parent,
                                **options)


def stop_adopted_processes(exclude):
    """Ends and collects every child but the Popen objects in `exclude`.
    Wine starts its helpers (services, explorer, drivers) as daemons: with the
    bench as their subreaper (see WineBench.start) they are its children."""
    kept = {process.pid for process in exclude if process is not None}
    for entry in os.listdir("/proc"):
        try:
            with open(f"/proc/{entry}/stat") as stat:
                parent = int(stat.read().rsplit(")", 1)[1].split()[1])  # after the command: state, ppid
            if parent == os.getpid() and int(entry) not in kept:
                os.kill(int(entry), signal.SIGKILL)
                os.waitpid(int(entry), 0)
        except (OSError, ValueError, IndexError):
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

    def __init__(self, args, record, errors):
        self.record_path, self.errors = record, errors
        self.process = start(args, errors, piped=True)
        self.pty = self._ready_pty()

    def _ready_pty(self):
        """The path of the "pty: PATH" line that vornsim prints when the line is ready."""
        line = read_line(self.process.stdout, 10)
        if not line or not line.startswith("pty: "):
            self.stop()
            with open(self.errors, errors="replace") as error_file:
                raise RuntimeError(f"vornsim did not report its pty: {line!r}, its errors: {error_file.read()!r}")
        return line[len("pty: "):].strip()

    def revive(self):
        """Brings a dead line back and waits until it is ready."""
        self.process.send_signal(signal.SIGUSR1)
        self.pty = self._ready_pty()

    def commands(self):
        """The commands the line received, in order: dicts with t, ch, cmd;
        once the record has stopped growing, so that those in transit count."""
        size = -1
        while size != self._record_size():
            size = self._record_size()
            time.sleep(0.2)
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
        self.process = start(args, out_path, env=env, cwd=cwd)

    def finish(self, timeout=WINE_RUN_TIMEOUT_S, while_running=None):
        """Its exit code and output; a run that does not end in time is stopped
        and fails. `while_running` is called every few milliseconds till it ends."""
        deadline = time.monotonic() + timeout
        try:
            while self.process.poll() is None:
                if time.monotonic() > deadline:
                    raise RuntimeError(f"{self.process.args} did not finish within {timeout} s")
                if while_running is not None:
                    while_running()
                time.sleep(POLL_INTERVAL_S)
        finally:
            self.stop()  # a failing `while_running` leaves nothing running
        with open(self.out_path, errors="replace") as out:
            return self.process.returncode, out.read()

    def interrupt(self):
        """Ctrl-C: Wine hands SIGINT to the program's console control handlers."""
        self.process.send_signal(signal.SIGINT)

    def stop(self):
        stop_process(self.process)


def new_lines(path, read):
    """The JSON lines complete in the file past `read` bytes, and the bytes read now."""
    if not os.path.exists(path):
        return [], read
    with open(path, "rb") as lines:
        lines.seek(read)
        text = lines.read()
    complete = text[:text.rfind(b"\n") + 1]
    return [json.loads(line) for line in complete.decode().splitlines()], read + len(complete)


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
        self.host_dir = os.path.join(self.prefix, "drive_c", HOST_DIR)
        self.xvfb = self.server = self.env = self.sim = None
        self.runs = 0

    # ---- Start and stop ----

    def start(self):
        """Display, server and prefix. Call stop() even when this fails."""
        if not os.access(self.vornsim, os.X_OK):
            raise RuntimeError(f"vornsim not found at {self.vornsim}: build it with "
                               "'cmake --build --preset native --target vornsim' or set the "
                               "VORNSIM_EXECUTABLE cache variable")
        libc = ctypes.CDLL(None, use_errno=True)
        if libc.prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0) != 0:
            raise OSError(ctypes.get_errno(), "prctl(PR_SET_CHILD_SUBREAPER)")
        os.makedirs(self.work, exist_ok=True)
        fresh_prefix = not os.path.exists(os.path.join(self.prefix, PREFIX_READY_MARK))
        if fresh_prefix and os.path.exists(self.prefix):
            shutil.rmtree(self.prefix)  # an interrupted creation
        os.makedirs(self.prefix, exist_ok=True)
        self.env = dict(os.environ, WINEPREFIX=self.prefix, WINEDEBUG="-all", DISPLAY=self._start_display(),
                        WINESERVER=WINESERVER, WINEDLLOVERRIDES="mscoree,mshtml=")
        self._start_server()
        if fresh_prefix:
            self._wine(["wineboot", "-i"], timeout=120)
            for key, name, value in VIRTUAL_DESKTOP:
                self._reg(["add", key, "/v", name, "/d", value, "/f"])
            open(os.path.join(self.prefix, PREFIX_READY_MARK), "w").close()
            # The desktop that wineboot started has no window manager: a new server starts one.
            self._stop_server()
            self._start_server()
        os.makedirs(self.host_dir, exist_ok=True)
        # The help file, when the build made one, beside the DLL as shipped.
        help_file = os.path.join(os.path.dirname(self.dll), "zelcond.chm")
        for product in [self.dll, self.host] + [help_file] * os.path.exists(help_file):
            shutil.copy(product, self.host_dir)

    def stop(self):
        if self.sim is not None:
            self.sim.stop()
        self._stop_server()
        stop_adopted_processes(exclude=[self.xvfb])
        stop_process(self.xvfb)

    def _start_server(self):
        self.server = start([WINESERVER, "-f", "-p"], os.devnull, env=self.env)

    def _stop_server(self):
        if self.server is not None and self.server.poll() is None:
            # The server ends every process of the prefix, then itself; stop() ends whatever is left.
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
                self.xvfb = start(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24",
                                   "-nolisten", "tcp"], os.devnull, pass_fds=[write_end])
            finally:
                os.close(write_end)
            number = read_line(numbers, 20)
        if not number:
            raise RuntimeError("Xvfb did not report a display")
        return ":" + number.strip()

    def _start_wine(self, args, cwd=None):
        """A Wine program started; its output goes to a file, never to a pipe (the server would inherit it)."""
        self.runs += 1
        return BackgroundRun([WINE] + args, self.env, cwd, os.path.join(self.work, f"wine-{self.runs}.out"))

    def _wine(self, args, timeout=WINE_RUN_TIMEOUT_S, cwd=None, while_running=None):
        """Runs a Wine program to its end; returns its exit code and output."""
        return self._start_wine(args, cwd).finish(timeout, while_running)

    # ---- The prefix ----

    def host_file(self, name):
        return os.path.join(self.host_dir, name)

    def write_ini(self, entries):
        """The [General] section of zelcond.ini in the Windows directory, or no file."""
        path = os.path.join(self.prefix, "drive_c", "windows", "zelcond.ini")
        if entries is None:
            if os.path.exists(path):
                os.remove(path)
            return
        with open(path, "w", newline="\r\n") as ini:
            ini.write("".join(["[General]\n"] + [f"{name}={value}\n" for name, value in entries.items()]))

    def _reg(self, args):
        code, output = self._wine(["reg"] + args)
        if code != 0:
            raise RuntimeError(f"reg {' '.join(args)} failed: {output}")

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
        words = [line.split() for line in output.splitlines()] if code == 0 else []
        return {w[0]: (w[1], w[2]) for w in words if len(w) == 3 and w[1].startswith("REG_")}

    # ---- Runs ----

    def install_program(self, program):
        """Copies a Windows program beside the DLL; returns its Windows path."""
        shutil.copy(program, self.host_dir)
        return "C:\\" + HOST_DIR + "\\" + os.path.basename(program)

    def run_program(self, program, args=()):
        """Runs a Windows program beside the DLL; returns its exit code and output."""
        return self._wine([self.install_program(program)] + list(args), cwd=self.host_dir)

    def start_program(self, program, args=()):
        """Starts a Windows program beside the DLL, while the caller goes on. Returns a BackgroundRun."""
        return self._start_wine([self.install_program(program)] + list(args), self.host_dir)

    def start_simulator(self, channels, line=None):
        """vornsim with {channel number: profile name}, linked as COM5 in place
        of the one before; `line` adds the rest of a line file (such as its
        timing or its death)."""
        if self.sim is not None:
            self.sim.stop()
            self.sim = None
        record = os.path.join(self.work, "vornsim-record.jsonl")
        if os.path.exists(record):
            os.remove(record)
        args = [self.vornsim, "--link", os.path.join(self.prefix, "dosdevices", f"com{SIM_PORT}"), "--record", record]
        for number, profile in channels.items():
            args += ["--channel", f"{number}={profile}"]
        if line is not None:
            args += ["--line", os.path.join(self.work, "vornsim-line.json")]
            with open(args[-1], "w") as file:
                json.dump(dict({"channels": []}, **line), file)
        self.sim = Simulator(args, record, os.path.join(self.work, "vornsim.err"))
        return self.sim

    def start_null_modem(self, ports=(SIM_PORT, DEVICE_PORT)):
        """The prefix's two COM ports joined back to back by socat, as by a
        null-modem cable. Returns its BackgroundRun; socat removes the links when stopped."""
        links = [os.path.join(self.prefix, "dosdevices", f"com{port}") for port in ports]
        for link in filter(os.path.lexists, links):
            os.remove(link)
        errors = os.path.join(self.work, "socat.err")
        socat = BackgroundRun(["socat", "-d", "-d"] + [f"pty,raw,echo=0,link={link}" for link in links], None, None,
                              errors)
        deadline = time.monotonic() + 10
        while not all(map(os.path.lexists, links)):
            if time.monotonic() > deadline or socat.process.poll() is not None:
                socat.stop()
                raise RuntimeError(f"socat did not make the ports {links}: see {errors}")
            time.sleep(POLL_INTERVAL_S)
        return socat

    def run_host(self, lines, screenshots=None, load_stack_kib=None, on_wait=None, timeout=HOST_RUN_TIMEOUT_S):
        """Runs a script; returns its Results.

        Each {"waiting": NAME} line of the results is answered with a PNG of
        its "window" rectangle, when it gives one, as NAME.png in the
        directory `screenshots`, then with on_wait(NAME), then with the file
        NAME.done that the host waits for. With load_stack_kib the host loads
        the library on a thread with a stack of that size."""
        with open(self.host_file("script.txt"), "w", newline="\r\n") as script:
            script.write("\n".join(lines) + "\n")
        results = self.host_file("results.jsonl")
        if os.path.exists(results):
            os.remove(results)
        read = 0

        def answer_waits():
            nonlocal read
            lines, read = new_lines(results, read)
            for line in (line for line in lines if "waiting" in line):
                if "window" in line:
                    if screenshots is None:
                        raise RuntimeError("the script asks for a screenshot, but none was expected")
                    os.makedirs(screenshots, exist_ok=True)
                    self.screenshot(line["window"], os.path.join(screenshots, line["waiting"] + ".png"))
                if on_wait is not None:
                    on_wait(line["waiting"])
                open(self.host_file(line["waiting"] + ".done"), "w").close()

        windows_dir = "C:\\" + HOST_DIR + "\\"
        options = [] if load_stack_kib is None else ["--load-stack", str(load_stack_kib)]
        code, output = self._wine([windows_dir + "condhost.exe"] + options +
                                  [windows_dir + "script.txt", windows_dir + "results.jsonl"],
                                  timeout=timeout, cwd=self.host_dir, while_running=answer_waits)
        if code != 0:
            written = open(results).read() if os.path.exists(results) else ""
            raise RuntimeError(f"condhost exited with {code}: {written}{output}")
        return Results(new_lines(results, 0)[0])

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
            if name == "found" and not found(Results(new_lines(self.host_file("results.jsonl"), 0)[0])):
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

    def screenshot(self, window, path):
        """The window's rectangle [l, t, r, b] on the display, as a PNG (ImageMagick's import)."""
        left, top, right, bottom = window
        subprocess.run(["import", "-display", self.env["DISPLAY"], "-window", "root",
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
