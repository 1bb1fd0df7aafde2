"""condvorn.h in a host's build: it compiles under every C and C++ standard
with each compiler a host may use (gcc, clang, and mingw-w64 for both
Windows architectures); its layout checks still stop a compile whose
records come out at other sizes; its version is the project's."""
import concurrent.futures
import os
import re
import subprocess
import unittest

ENV = os.environ
HOST = '#include "condvorn.h"\nint main(void) { return COND_PORT_COUNT == 128 ? 0 : 1; }\n'
# Records packed without padding: InfoFilterType, for one, is then 521 bytes.
PACKED_HOST = "#pragma pack(1)\n" + HOST
STANDARDS = {"c": ["c89", "c99", "c11", "c17"], "c++": ["c++98", "c++11", "c++14", "c++17", "c++20"]}
HOST_COMPILERS = {"c": ["gcc", "clang"], "c++": ["g++", "clang++"]}
# The Windows branch and both Windows layouts, under a standard with and one
# without static assertions (windows.h is slow to read: no more than that).
WINDOWS_STANDARDS = ["c89", "c11", "c++98", "c++11"]
WINDOWS_COMPILERS = {"c": ["x86_64-w64-mingw32-gcc", "i686-w64-mingw32-gcc"],
                     "c++": ["x86_64-w64-mingw32-g++", "i686-w64-mingw32-g++"]}


def compile_host(compiler, language, standard, source, *options):
    args = [compiler, "-x", language, f"-std={standard}", "-pedantic-errors", "-Wall", "-Wextra", "-Werror",
            "-I", ENV["SOURCE_INCLUDE"], "-I", ENV["GENERATED_INCLUDE"], *options, "-"]
    return subprocess.run(args, input=source, capture_output=True, text=True)


class Header(unittest.TestCase):
    def test_every_standard_and_compiler(self):
        cases = [(compiler, language, standard, source)
                 for language, standards in STANDARDS.items() for standard in standards
                 for compiler in HOST_COMPILERS[language] for source in (HOST, PACKED_HOST)]
        cases += [(compiler, language, standard, HOST) for language, standards in STANDARDS.items()
                  for standard in standards if standard in WINDOWS_STANDARDS for compiler in WINDOWS_COMPILERS[language]]
        with concurrent.futures.ThreadPoolExecutor(max_workers=os.cpu_count()) as pool:
            results = pool.map(lambda case: compile_host(*case, "-fsyntax-only", "-DWIN32_LEAN_AND_MEAN"), cases)
        for (compiler, language, standard, source), result in zip(cases, results):
            with self.subTest(compiler=compiler, standard=standard, packed=source is PACKED_HOST):
                if source is HOST:
                    self.assertEqual(result.returncode, 0, result.stderr)
                else:
                    self.assertNotEqual(result.returncode, 0)
                    self.assertRegex(result.stderr, "InfoFilterType has the wrong size|condvorn_layout_of_InfoFilterType")

    def test_the_version_is_the_projects(self):
        macros = compile_host("gcc", "c", "c89", HOST, "-E", "-dM").stdout
        version = dict(re.findall(r"#define CONDVORN_VERSION_(\w+) (\S+)", macros))
        major, minor, patch = (ENV["PROJECT_VERSION"].split(".") + ["0"])[:3]
        self.assertEqual(version, {"MAJOR": major, "MINOR": minor, "PATCH": patch,
                                   "STRING": f'"{ENV["PROJECT_VERSION"]}"'})


if __name__ == "__main__":
    unittest.main()
