#!/usr/bin/env bash
# Runs one program of the win64 build under Wine, in the environment that wine-env.sh setup
# prepared (its prefix and its Xvfb display). CMake uses it as the cross-compiling emulator, so
# ctest runs a test program as: wine-run.sh PROGRAM.exe [ARGUMENTS...]
# The environment is read from $SENTRIX_WINE_DIR/state, or else from <build dir>/wine/state, the
# build dir being the nearest folder above the program that holds CMakeCache.txt.
# Linux host only.
set -euo pipefail

die() {
    echo "wine-run: $*" >&2
    exit 1
}

[[ $# -ge 1 ]] || die "usage: wine-run.sh PROGRAM.exe [ARGUMENTS...]"
program=$1
shift

dir=${SENTRIX_WINE_DIR:-}
if [[ -z $dir ]]; then
    build=$(cd "$(dirname "$program")" && pwd)
    while [[ $build != / && ! -f $build/CMakeCache.txt ]]; do
        build=$(dirname "$build")
    done
    [[ -f $build/CMakeCache.txt ]] || die "$program is not inside a build tree; set SENTRIX_WINE_DIR"
    dir=$build/wine
fi
state=$dir/state

value() { sed -n "s/^$1=//p" "$state" | tail -n 1; }

[[ -f $state && $(value READY) == 1 ]] ||
    die "no Wine environment in $dir: run the tests through ctest, or first: tests/wine/wine-env.sh setup $dir"
pid=$(value XVFB_PID)
kill -0 "$pid" 2>/dev/null || die "the Xvfb of $dir (id $pid) is gone: run wine-env.sh setup again"

export WINEPREFIX DISPLAY
WINEPREFIX=$(value PREFIX)
DISPLAY=$(value DISPLAY)
export WINEDEBUG=-all
# No Mono or Gecko prompts, and no crash debugger: with winedbg a program that crashes ends with
# exit code 0 after its dump, so a crashed test would pass; without it the crash fails the run.
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
exec wine "$program" "$@"
