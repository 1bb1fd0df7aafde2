"""The Windows build of vornctl under Wine, on its built-in simulator.

The build passes the program in VORNCTL_EXE and a directory of its own in
VORNCTL_WINE_DIR, where the test keeps a private Wine prefix. Output goes
to files: Wine's server would hold a pipe open after the program ends.
"""
import json
import os
import subprocess
import tempfile
import unittest

WINE = "/usr/lib/wine/wine64"
# The first run creates the prefix, which takes a while.
RUN_TIMEOUT_S = 240


def run_under_wine(*args):
    """Runs vornctl.exe; returns (exit code, stdout, stderr)."""
    directory = os.environ["VORNCTL_WINE_DIR"]
    # No .NET or HTML engine installers: the prefix needs neither.
    environment = dict(os.environ, WINEDEBUG="-all", WINEPREFIX=os.path.join(directory, "prefix"),
                       WINEDLLOVERRIDES="mscoree,mshtml=")
    with tempfile.TemporaryFile("w+") as out, tempfile.TemporaryFile("w+") as err:
        done = subprocess.run([WINE, os.environ["VORNCTL_EXE"], *args], stdin=subprocess.DEVNULL, stdout=out,
                              stderr=err, env=environment, timeout=RUN_TIMEOUT_S)
        out.seek(0)
        err.seek(0)
        return done.returncode, out.read(), err.read()


@unittest.skipUnless(os.environ.get("VORNCTL_EXE") and os.path.exists(WINE), "needs VORNCTL_EXE and wine64")
class WindowsBuildTest(unittest.TestCase):
    def test_scan_finds_the_simulated_channels(self):
        code, out, err = run_under_wine("scan", "--json")
        self.assertEqual(code, 0, err)
        scan = json.loads(out)
        self.assertGreaterEqual(scan["found"], 2)
        self.assertEqual(scan["channels"][0]["status"], "ok")

    def test_a_port_that_cannot_be_opened_says_why(self):
        code, _, err = run_under_wine("--port", "COM200", "scan")
        self.assertEqual(code, 6, err)
        self.assertRegex(err, r"cannot open serial port COM200: .+ \(error \d+\)")


if __name__ == "__main__":
    unittest.main()
