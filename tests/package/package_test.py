"""The release package of a Windows build: made with cpack, unpacked, its
files listed, and its interface checked: the DLL exports what the header
declares, both import libraries link every declared function to those
exports, the example host builds from the package alone, and the API
reference covers every export and constant."""
import os
import re
import shutil
import subprocess
import unittest
import zipfile

ENV = os.environ
FILES = ["bin/CONDVorn.dll", "bin/vornctl.exe", "include/condvorn.h", "include/condvorn_version.h", "lib/condvorn.def",
         "lib/libCONDVorn.dll.a", "lib/CONDVorn.lib", "doc/api.md", "examples/host.c", "README.md", "CHANGELOG.md",
         "LICENSE", "bin/vornsim.exe"]


def run(args, cwd=None):
    result = subprocess.run(args, cwd=cwd, stdin=subprocess.DEVNULL, capture_output=True, text=True)
    if result.returncode != 0:
        raise AssertionError(f"{' '.join(args)} failed:\n{result.stdout}\n{result.stderr}")
    return result.stdout


def pe_table(path, title):
    """The names listed in one table of `objdump -p`."""
    dump = run([ENV["OBJDUMP"], "-p", path])
    if title == "exports":
        table = dump.split("[Ordinal/Name Pointer] Table", 1)[1]
        return re.findall(r"^\s*\[\s*\d+\]\s+(\S+)$", table, re.MULTILINE)
    imports = dump.split("DLL Name: CONDVorn.dll", 1)[1].split("DLL Name:", 1)[0]
    return re.findall(r"^\s+[0-9a-f]+\s+\d+\s+(\w+)$", imports, re.MULTILINE)


class ReleasePackage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = ENV["PACKAGE_WORK_DIR"]
        shutil.rmtree(cls.work, ignore_errors=True)
        run([ENV["CPACK"], "--config", ENV["CPACK_CONFIG"], "-B", cls.work])
        with zipfile.ZipFile(os.path.join(cls.work, ENV["PACKAGE_NAME"] + ".zip")) as package:
            cls.names = sorted(name for name in package.namelist() if not name.endswith("/"))
            package.extractall(cls.work)
        cls.root = os.path.join(cls.work, ENV["PACKAGE_NAME"])
        with open(cls.path("include/condvorn.h")) as header:
            cls.header = header.read()
        cls.declared = sorted(re.findall(r"WINAPI\s+(\w+)\s*\(", cls.header))

    @classmethod
    def path(cls, name):
        return os.path.join(cls.root, name)

    def test_the_package_holds_the_release_files(self):
        wanted = FILES + (["bin/zelcond.chm"] if os.path.exists(ENV["HELP_FILE"]) else [])
        self.assertEqual(self.names, sorted(f"{ENV['PACKAGE_NAME']}/{name}" for name in wanted))
        with open(self.path("CHANGELOG.md")) as changelog:
            latest = re.search(r"^## (\S+)", changelog.read(), re.MULTILINE).group(1)
        self.assertIn(f"-{latest}-", ENV["PACKAGE_NAME"], "the change log's latest entry is this version")

    def test_the_dll_exports_what_the_header_declares(self):
        self.assertEqual(len(self.declared), 16)
        self.assertEqual(sorted(pe_table(self.path("bin/CONDVorn.dll"), "exports")), self.declared)
        with open(self.path("lib/condvorn.def")) as definition:
            self.assertEqual(sorted(definition.read().split("EXPORTS", 1)[1].split()), self.declared)

    def test_both_import_libraries_link_every_declared_function(self):
        probe = os.path.join(self.work, "probe.c")
        with open(probe, "w") as source:
            source.write('#include "condvorn.h"\nvoid (*const probe[])(void) = {\n')
            source.write("".join(f"  (void (*)(void)){name},\n" for name in self.declared) + "};\n")
        include = "-I" + self.path("include")
        run([ENV["CC"], "-c", include, probe, "-o", os.path.join(self.work, "probe.o")])
        gnu = os.path.join(self.work, "probe-gnu.dll")
        run([ENV["CC"], "-shared", "-nostdlib", os.path.join(self.work, "probe.o"), self.path("lib/libCONDVorn.dll.a"),
             "-o", gnu])
        microsoft = os.path.join(self.work, "probe-microsoft.dll")
        run([ENV["LLD_LINK"], "/dll", "/noentry", "/nodefaultlib", "/safeseh:no", f"/machine:{ENV['LLD_MACHINE']}",
             os.path.join(self.work, "probe.o"), self.path("lib/CONDVorn.lib"), f"/out:{microsoft}"])
        for linked in (gnu, microsoft):
            self.assertEqual(sorted(pe_table(linked, "imports")), self.declared, linked)

    def test_the_example_host_builds_from_the_package(self):
        host = os.path.join(self.work, "host.exe")
        run([ENV["CC"], self.path("examples/host.c"), "-I" + self.path("include"), "-L" + self.path("lib"),
             "-lCONDVorn", "-luser32", "-o", host])
        used = pe_table(host, "imports")
        self.assertTrue({"InitCond", "CondGainTo", "DoCondMenu", "KillCond"} <= set(used), used)

    def test_the_api_reference_covers_every_export_and_constant(self):
        with open(self.path("doc/api.md")) as reference:
            text = reference.read()
        headings = re.findall(r"^### `(\w+)`$", text, re.MULTILINE)
        self.assertEqual(sorted(headings), self.declared)
        constants = re.findall(r"#define (COND_\w+)", self.header)
        self.assertEqual([name for name in constants if f"`{name}`" not in text], [])


if __name__ == "__main__":
    unittest.main()
