"""The package's build backend. It needs nothing but the standard library, so
that `pip install ./python` works on a machine without a package index: the
package is pure Python (the library is loaded through ctypes at run time).
"""
import base64
import hashlib
import io
import os
import re
import tarfile
import zipfile

NAME = "condvorn"
SUMMARY = "Python binding of the CONDVorn signal-conditioner library"
REQUIRES_PYTHON = ">=3.8"
ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
FIXED_TIME = (1980, 1, 1, 0, 0, 0)  # reproducible archives


def version():
    with open(os.path.join(ROOT, NAME, "__init__.py")) as init:
        return re.search(r'^__version__ = "([^"]+)"', init.read(), re.MULTILINE).group(1)


def metadata():
    return (f"Metadata-Version: 2.1\nName: {NAME}\nVersion: {version()}\nSummary: {SUMMARY}\n"
            f"Requires-Python: {REQUIRES_PYTHON}\n")


def package_files():
    """The package's modules and its type-hint marker, as paths relative to ROOT."""
    return sorted(os.path.join(NAME, name) for name in os.listdir(os.path.join(ROOT, NAME))
                  if name.endswith(".py") or name == "py.typed")


def record_line(name, data):
    digest = base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode()
    return f"{name},sha256={digest},{len(data)}\n"


def build_wheel(wheel_directory, config_settings=None, metadata_directory=None):
    dist_info = f"{NAME}-{version()}.dist-info"
    files = [(path.replace(os.sep, "/"), read(path)) for path in package_files()]
    files += [
        (f"{dist_info}/METADATA", metadata().encode()),
        (f"{dist_info}/WHEEL",
         b"Wheel-Version: 1.0\nGenerator: condvorn_build\nRoot-Is-Purelib: true\nTag: py3-none-any\n"),
        (f"{dist_info}/top_level.txt", f"{NAME}\n".encode()),
    ]
    record = "".join(record_line(name, data) for name, data in files) + f"{dist_info}/RECORD,,\n"
    files.append((f"{dist_info}/RECORD", record.encode()))

    wheel_name = f"{NAME}-{version()}-py3-none-any.whl"
    with zipfile.ZipFile(os.path.join(wheel_directory, wheel_name), "w", zipfile.ZIP_DEFLATED) as wheel:
        for name, data in files:
            entry = zipfile.ZipInfo(name, FIXED_TIME)
            entry.external_attr = 0o644 << 16
            wheel.writestr(entry, data, zipfile.ZIP_DEFLATED)
    return wheel_name


def build_sdist(sdist_directory, config_settings=None):
    base = f"{NAME}-{version()}"
    sources = ["pyproject.toml", os.path.join("build_backend", "condvorn_build.py")] + package_files()
    files = [(path, read(path)) for path in sources] + [("PKG-INFO", metadata().encode())]
    sdist_name = f"{base}.tar.gz"
    with tarfile.open(os.path.join(sdist_directory, sdist_name), "w:gz", format=tarfile.PAX_FORMAT) as sdist:
        for name, data in files:
            entry = tarfile.TarInfo(f"{base}/{name}")
            entry.size, entry.mode = len(data), 0o644
            sdist.addfile(entry, io.BytesIO(data))
    return sdist_name


def read(path):
    with open(os.path.join(ROOT, path), "rb") as source:
        return source.read()
