#!/usr/bin/env python3
"""Checks the resources built into CONDVorn.dll: the control panel's dialog
100 and menu 108, and version information that carries the project's
version.

Usage: check_resources.py WINDRES DLL VERSION
"""
import re
import subprocess
import sys


def main():
    windres, dll, version = sys.argv[1:4]
    script = subprocess.run([windres, "-i", dll, "-O", "rc"], check=True, capture_output=True, text=True).stdout
    numbers = (version.split(".") + ["0"] * 4)[:4]
    wanted = {
        "dialog 100 of 297 by 201 dialog units": r"^100 DIALOGEX 0, 0, 297, 201$",
        "its caption": r'^CAPTION "Vorn controls"$',
        "menu 108": r"^108 MENU$",
        "the file version": rf"^ FILEVERSION {', '.join(numbers)}$",
        "the product version": rf"^ PRODUCTVERSION {', '.join(numbers)}$",
        "the version text": rf'VALUE "FileVersion", "{re.escape(version)}"$',
        "the original file name": r'VALUE "OriginalFilename", "CONDVorn.dll"$',
        "a file description": r'VALUE "FileDescription", "[^"]+"$',
    }
    missing = [what for what, pattern in wanted.items() if not re.search(pattern, script, re.MULTILINE)]
    for what in missing:
        print(f"{dll}: no {what}")
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main())
