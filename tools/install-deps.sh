#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the benchmarks need.
# Safe to run again: it only installs what is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang googletest
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine64 wine xvfb xauth xdotool liblnk-utils imagemagick
  wixl msitools osslsigncode openssl zip unzip
)

SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
updated=0
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
install_missing() {
  local missing=()
  for p in "$@"; do installed "$p" || missing+=("$p"); done
  [ ${#missing[@]} -gt 0 ] || return 0
  echo "Installing: ${missing[*]}"
  if [ "$updated" -eq 0 ]; then $SUDO apt-get update -qq; updated=1; fi
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

install_missing "${packages[@]}"

# The sanitizer and libFuzzer runtimes must be those of the clang just installed, whatever its
# version on this Debian release: libclang-rt-dev follows the default clang as "clang" does.
# Releases without it ship the runtimes in a dependency of clang itself.
if ! installed libclang-rt-dev; then
  if [ "$updated" -eq 0 ]; then $SUDO apt-get update -qq; updated=1; fi
  if apt-cache show libclang-rt-dev >/dev/null 2>&1; then install_missing libclang-rt-dev; fi
fi
