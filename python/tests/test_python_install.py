"""`pip install ./python` needs no package index and installs the type
hints, and the README's example then talks to vornsim through the library."""
import os
import re
import subprocess
import sys

SOURCE_DIR = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SANITIZER_VARIABLES = ("LD_PRELOAD", "ASAN_OPTIONS")


def readme_example():
    """The Python block of the README's section on the binding."""
    with open(os.path.join(SOURCE_DIR, "README.md")) as readme:
        section = readme.read().split("## The Python binding", 1)[1]
    return re.search(r"```python\n(.*?)```", section, re.DOTALL).group(1)


def run(args, env):
    result = subprocess.run(args, env=env, stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=120)
    assert result.returncode == 0, f"{args} failed:\n{result.stdout}\n{result.stderr}"
    return result.stdout


def test_offline_install_then_the_readme_example(simulator, tmp_path):
    # pip and venv run without the sanitizer runtime; only the example loads the library.
    plain = {name: value for name, value in os.environ.items() if name not in SANITIZER_VARIABLES}
    venv = tmp_path / "venv"
    run([os.environ.get("TEST_PYTHON", sys.executable), "-m", "venv", str(venv)], plain)
    run([str(venv / "bin" / "pip"), "install", os.path.join(SOURCE_DIR, "python")],
        dict(plain, PIP_NO_INDEX="1", PIP_DISABLE_PIP_VERSION_CHECK="1"))
    assert list(venv.glob("lib/python*/site-packages/condvorn/py.typed")), "the type hints' marker"

    example = tmp_path / "example.py"
    example.write_text(readme_example())
    line = simulator({0: "df3", 1: "df1"})
    output = run([str(venv / "bin" / "python"), str(example), line.pty], dict(os.environ)).splitlines()
    assert output[:2] == ["channel 0: Vorn222, inputs Differential, Single-ended, Bridge, Ground",
                          "channel 1: Vorn222, inputs Differential, Single-ended, Bridge, Ground"]
    assert output[2].startswith("gain 10, offset 0.5000 V")
