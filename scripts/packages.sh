#!/usr/bin/env bash
# Installs the Debian packages a part of the build needs, when any is missing.
#   scripts/packages.sh native    compiler, CMake, Ninja, GoogleTest, Google Benchmark
#   scripts/packages.sh windows   mingw-w64 cross compilers, Wine, Xvfb, NSIS (the installer)
#   scripts/packages.sh fuzz      clang with its sanitizer and libFuzzer runtimes (the fuzz preset)
#   scripts/packages.sh format    clang-format (the formatting check)
set -euo pipefail

native=(g++ cmake ninja-build googletest libgtest-dev libgmock-dev libbenchmark-dev)
windows=(g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine wine64 xvfb x11-apps nsis)
fuzz=(clang libclang-rt-dev)
format=(clang-format)

wanted=()
for group in "$@"; do
  case "$group" in
    native) wanted+=("${native[@]}") ;;
    windows) wanted+=("${windows[@]}") ;;
    fuzz) wanted+=("${fuzz[@]}") ;;
    format) wanted+=("${format[@]}") ;;
    *) echo "packages.sh: unknown group '$group' (native, windows, fuzz, format)" >&2; exit 2 ;;
  esac
done

missing=()
for package in "${wanted[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
as_root=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "packages.sh: need root or sudo to install ${missing[*]}" >&2; exit 1; }
  as_root=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq "${missing[@]}"
