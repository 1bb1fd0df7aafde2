#!/usr/bin/env python3
"""Fails when the 32-bit library's objects compute with the x87 unit.

Usage: check_sse_arithmetic.py OBJDUMP OBJECTS...   (each a CMake list: ";" between)

The 32-bit library is built to compute with SSE2, as the 64-bit one does, so
that both round float and double alike and the tests of the one prove the
other. x87 loads and stores are expected (the 32-bit calling convention
returns floating-point results in st(0)), and so are fabs and fchs, which
only change the sign bit; arithmetic, comparisons and functions computed on
the x87 stack are not.
"""
import re
import subprocess
import sys

X87_COMPUTING = re.compile(
    r"\t(f(i?(add|sub|subr|mul|div|divr)|(add|sub|subr|mul|div|divr)p"
    r"|u?com[ip]?p?|u?compp|icomp?|tst|sqrt|rndint|prem1?|scale|xtract"
    r"|sin|cos|sincos|ptan|patan|2xm1|yl2x|yl2xp1))( |$)")


def x87_lines(objdump, path):
    dump = subprocess.run([objdump, "-d", "-M", "intel", "--no-show-raw-insn", path],
                          check=True, capture_output=True, text=True).stdout
    function = "?"
    found = []
    for line in dump.splitlines():
        symbol = re.match(r"[0-9a-f]+ <(.+)>:$", line)
        if symbol:
            function = symbol.group(1)
        elif X87_COMPUTING.search(line):
            found.append(f"{function}: {line.strip()}")
    return found


def main():
    objects = [path for arg in sys.argv[2:] for path in arg.split(";") if path]
    failures = [path for path in objects if x87_lines(sys.argv[1], path)]
    for path in failures:
        print(f"{path}: x87 arithmetic\n  " + "\n  ".join(x87_lines(sys.argv[1], path)))
    print(f"{len(objects)} objects checked, {len(failures)} with x87 arithmetic")
    return 1 if failures or not objects else 0


if __name__ == "__main__":
    sys.exit(main())
