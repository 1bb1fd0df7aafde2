#!/usr/bin/env python3
"""Checks the export table of CONDVorn.dll against the module definition file.

Usage: check_exports.py OBJDUMP DLL DEF

Every name in the EXPORTS section must be exported by exactly that name
(undecorated, as hosts look it up), and the DLL must export nothing else.
"""
import re
import subprocess
import sys


def def_exports(path):
    names = []
    in_exports = False
    with open(path) as definition:
        for line in definition:
            words = line.split(";")[0].split()
            if not words:
                continue
            if words[0].upper() in ("LIBRARY", "EXPORTS"):
                in_exports = words[0].upper() == "EXPORTS"
            elif in_exports:
                names.append(words[0])
    return names


def dll_exports(objdump, dll):
    dump = subprocess.run([objdump, "-p", dll], check=True, capture_output=True, text=True).stdout
    table = dump.split("[Ordinal/Name Pointer] Table", 1)
    if len(table) < 2:
        return []
    names = []
    for line in table[1].splitlines()[1:]:
        entry = re.match(r"\s*\[\s*\d+\]\s+(\S+)", line)
        if not entry:
            break
        names.append(entry.group(1))
    return names


def main():
    objdump, dll, definition = sys.argv[1:4]
    wanted = def_exports(definition)
    exported = dll_exports(objdump, dll)
    missing = sorted(set(wanted) - set(exported))
    extra = sorted(set(exported) - set(wanted))
    if not wanted:
        print(f"no exports listed in {definition}")
        return 1
    if missing or extra:
        print(f"{dll}: missing exports {missing}, unexpected exports {extra}")
        return 1
    print(f"{dll}: {len(exported)} exports, all undecorated: {' '.join(exported)}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
