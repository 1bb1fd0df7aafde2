#!/usr/bin/env bash
# Makes the two release packages, build/packages/CONDVorn-<version>-win32.zip
# and -win64.zip: for each Windows preset it builds what the packages hold
# (and nothing else: no tests, no benchmarks), then runs cpack. The two
# presets run side by side, so that one's configuring and packing overlap
# the other's compiling.
set -euo pipefail
cd "$(dirname "$0")/.."

# The targets whose files the install rules put into the packages
# (cmake/Packaging.cmake and the programs' own install rules). A program
# added to the packages is added here too; cpack stops on a file that was
# not built.
release_targets=(CONDVorn vornctl vornsim import_libraries help_file)
presets=(win32 win64)

scripts/setup.sh

package() {
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1" --target "${release_targets[@]}"
  cpack --preset "$1"
}

mkdir -p build
pids=()
for preset in "${presets[@]}"; do
  package "$preset" >"build/package-$preset.log" 2>&1 &
  pids+=($!)
done
status=0
for i in "${!presets[@]}"; do
  if ! wait "${pids[$i]}"; then
    cat "build/package-${presets[$i]}.log"
    echo "package.sh: the ${presets[$i]} package failed" >&2
    status=1
  fi
done
[ "$status" -eq 0 ] || exit "$status"
ls -l build/packages/*.zip
