#!/usr/bin/env bash
# Installs what the build and the tests need, when it is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ libgtest-dev libcli11-dev nlohmann-json3-dev python3 python3-pytest python3-venv
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64 xvfb imagemagick llvm lld locales fp-utils socat
  clang libclang-rt-14-dev
)

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# A locale whose decimal separator is a comma, for the test that numbers from
# the device are read whatever the host's locale.
if ! locale -a 2>/dev/null | grep -qix 'de_DE\.utf-\?8'; then
  echo "Generating the de_DE.UTF-8 locale"
  "${sudo_cmd[@]}" localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi
