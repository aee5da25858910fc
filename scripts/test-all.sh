#!/usr/bin/env bash
# Checks that the C++ sources follow .clang-format, then builds every preset and runs every
# test: the native suite (unit and scenario tests, scenario files through the simulator tool),
# the same suite with address and undefined-behaviour sanitizers and with the thread sanitizer,
# 20 seconds of every fuzz target (clang), the win64 build with its test program and the
# end-to-end runs of the real programs under Wine, and the 32-bit bridge library. Installs
# missing Debian packages first.
# Exits non-zero when anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/packages.sh native windows fuzz format

step() { printf '\n==== %s\n' "$*"; }

step "format: every C++ file follows .clang-format"
scripts/check-format.sh

step "native: build and test"
cmake --preset native
cmake --build --preset native
ctest --preset native

step "native-asan: build and test"
cmake --preset native-asan
cmake --build --preset native-asan
ctest --preset native-asan

step "native-tsan: build and test"
cmake --preset native-tsan
cmake --build --preset native-tsan
ctest --preset native-tsan

step "fuzz: build and a short run of every target"
scripts/fuzz.sh --smoke 20

step "win32: the 32-bit bridge library"
cmake --preset win32
cmake --build --preset win32

step "win64: build, tests under Wine, end-to-end runs"
cmake --preset win64
cmake --build --preset win64
cmake --build --preset win64 --target installer # with the 32-bit bridge library of the win32 build
ctest --preset win64

step "all tests passed"
