#!/usr/bin/env python3
"""Checks that CONDVorn.dll exports exactly the names of the module
definition file's EXPORTS section, undecorated, as hosts look them up.

Usage: check_exports.py OBJDUMP DLL DEF
"""
import re
import subprocess
import sys


def main():
    objdump, dll, definition = sys.argv[1:4]
    with open(definition) as lines:
        words = [line.split(";")[0].split() for line in lines]
    names = [w[0] for w in words if w]
    wanted = set(names[names.index("EXPORTS") + 1:]) if "EXPORTS" in names else set()
    dump = subprocess.run([objdump, "-p", dll], check=True, capture_output=True, text=True).stdout
    table = dump.partition("[Ordinal/Name Pointer] Table")[2]
    exported = re.findall(r"^\s*\[\s*\d+\]\s+(\S+)", table.split("\n\n")[0], re.MULTILINE)
    if not wanted or set(exported) != wanted:
        print(f"{dll}: exports {sorted(exported)}, {definition} lists {sorted(wanted)}")
        return 1
    print(f"{dll}: {len(exported)} exports, all undecorated: {' '.join(exported)}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
