#!/usr/bin/env bash
# The main job: builds the native preset and plays the default scenario ("living room") in the
# simulated world, printing its decoded timeline. Extra arguments go to the simulator tool
# (for example --trace to interleave the controller's trace log). Installs missing Debian
# packages first.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/packages.sh native
cmake --preset native >/dev/null
cmake --build --preset native --target sentrix-sim
exec build/native/tools/sentrix-sim/sentrix-sim run living-room "$@"
