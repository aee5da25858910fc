#!/usr/bin/env bash
# The long soak: one million random events (SENTRIX_SOAK_EVENTS, or the first argument) played
# into one controller in the simulated world, built with the address, leak and undefined-behaviour
# sanitizers; open handles and loaded libraries must stay as they were after the first 10,000
# events, memory in use besides the world's files is printed after every 10,000 and must stay within
# a small bound of what it was then, and LeakSanitizer checks the end. The test suite plays a short
# variant of the same test (20,000 events).
set -euo pipefail
cd "$(dirname "$0")/.."
events=${1:-${SENTRIX_SOAK_EVENTS:-1000000}}

scripts/packages.sh native
cmake --preset native-asan >/dev/null
cmake --build --preset native-asan --target sentrix_tests
SENTRIX_SOAK_EVENTS=$events ASAN_OPTIONS=detect_leaks=1 nice -n 10 \
  build/native-asan/tests/sentrix_tests --gtest_filter='Soak.*'
