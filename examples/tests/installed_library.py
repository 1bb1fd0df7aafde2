"""The Linux library as a program outside the project finds it: installed
into a fresh prefix, the example host built against the installed tree
through pkg-config and through the CMake package, and each build run (with
no port configured, it reports the library's answer)."""
import os
import subprocess
import tempfile
import unittest

ENV = os.environ
NO_PORT = "InitCond failed with -1: no serial port configured, or it cannot be opened\n"


def run(args, **options):
    result = subprocess.run(args, capture_output=True, text=True, **options)
    if result.returncode != 0:
        raise AssertionError(f"{' '.join(args)} failed:\n{result.stdout}\n{result.stderr}")
    return result.stdout


class InstalledLibrary(unittest.TestCase):
    def test_the_example_builds_through_pkg_config_and_the_cmake_package(self):
        work = tempfile.mkdtemp(prefix="condvorn-install-")
        self.addCleanup(subprocess.run, ["rm", "-rf", work])
        prefix = os.path.join(work, "prefix")
        run([ENV["CMAKE"], "--install", ENV["BUILD_DIR"], "--prefix", prefix])
        libdir = os.path.join(prefix, ENV["LIBDIR"])
        source = os.path.join(ENV["EXAMPLES_DIR"], "host.c")

        flags = run(["pkg-config", "--cflags", "--libs", "condvorn"],
                    env=dict(ENV, PKG_CONFIG_PATH=os.path.join(libdir, "pkgconfig"))).split()
        by_pkg_config = os.path.join(work, "host-pkg-config")
        run([ENV["CC"], source, *flags, "-o", by_pkg_config])

        build = os.path.join(work, "build")
        run([ENV["CMAKE"], "-S", ENV["EXAMPLES_DIR"], "-B", build, "-G", "Ninja", f"-DCMAKE_PREFIX_PATH={prefix}",
             f"-DCMAKE_C_COMPILER={ENV['CC']}"])
        run([ENV["CMAKE"], "--build", build])

        host_env = dict(ENV, CONDVORN_PORT="None", CONDVORN_CONFIG=os.path.join(work, "none.ini"),
                        LD_PRELOAD=ENV["HOST_PRELOAD"])
        # CMake gives its build the library's directory as run path; pkg-config does not.
        for host, search in ((by_pkg_config, {"LD_LIBRARY_PATH": libdir}), (os.path.join(build, "host"), {})):
            with self.subTest(host=host):
                result = subprocess.run([host], capture_output=True, text=True, env=dict(host_env, **search), cwd=work)
                self.assertEqual((result.returncode, result.stdout), (1, NO_PORT), result.stderr)


if __name__ == "__main__":
    unittest.main()
