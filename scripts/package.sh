#!/usr/bin/env bash
# Makes the two release packages, build/packages/CONDVorn-<version>-win32.zip
# and -win64.zip: for each Windows preset it builds what the packages hold
# (and nothing else: no tests, no benchmarks), then runs cpack.
set -euo pipefail
cd "$(dirname "$0")/.."

# The targets whose files the install rules put into the packages
# (cmake/Packaging.cmake and the programs' own install rules). A program
# added to the packages is added here too; cpack stops on a file that was
# not built.
release_targets=(CONDVorn vornctl import_libraries help_file)

scripts/setup.sh

for preset in win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --target "${release_targets[@]}"
  cpack --preset "$preset"
done
ls -l build/packages/*.zip
