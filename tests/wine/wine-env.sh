#!/usr/bin/env bash
# The Wine environment of the win64 test programs, run by ctest as a fixture. Linux host only.
#
#   wine-env.sh setup   DIR   start a private Xvfb, copy the cached template prefix to DIR/prefix,
#                             start that prefix's wineserver and write DIR/state for wine-run.sh
#   wine-env.sh cleanup DIR   end that wineserver and that Xvfb, by their own prefix and id
#
# The template prefix is cached in ${XDG_CACHE_HOME:-$HOME/.cache}/sentrix/, one per Wine version,
# and made on first use (wineboot -i). It has Wine's window manager integration off
# (X11 Driver Managed=N, otherwise each visible window takes seconds to close) and no crash
# dialog (WineDbg ShowCrashDialog=0). Every Wine command runs with WINEDEBUG=-all and only after
# the Xvfb is up.
#
# Setup first ends whatever a previous run left behind in DIR (a killed run leaves its state
# file): the wineserver of DIR/prefix, and the Xvfb whose id and start time the state recorded.
# Nothing else is ever ended.
#
# Cleanup removes DIR/prefix unless SENTRIX_WINE_KEEP=1. Missing Debian packages (wine, wine64,
# xvfb) are installed only when SENTRIX_WINE_INSTALL=1.
set -euo pipefail

readonly kXvfbStartSeconds=15
readonly kStopSeconds=10
readonly kTemplateLockSeconds=300
readonly kPackages=(wine wine64 xvfb)

die() {
    echo "wine-env: $*" >&2
    exit 1
}

usage() { die "usage: wine-env.sh setup|cleanup DIR"; }

[[ $# -eq 2 ]] || usage
action=$1
dir=$2
state=$dir/state

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d" # no Mono or Gecko prompts, no crash debugger (see wine-run.sh)
unset WINEPREFIX DISPLAY WINEARCH || true

# --- tools ------------------------------------------------------------------------------------

missingTools() {
    local tool
    for tool in wine wineserver wineboot Xvfb; do
        command -v "$tool" >/dev/null 2>&1 || echo "$tool"
    done
}

ensureTools() {
    local missing
    missing=$(missingTools)
    [[ -z $missing ]] && return 0
    if [[ ${SENTRIX_WINE_INSTALL:-0} != 1 ]]; then
        die "missing: $(echo $missing). Install with: sudo apt-get install ${kPackages[*]}" \
            "(or set SENTRIX_WINE_INSTALL=1 to let this script do it)"
    fi
    local sudo=()
    [[ $(id -u) -eq 0 ]] || sudo=(sudo)
    echo "wine-env: installing ${kPackages[*]}"
    "${sudo[@]}" apt-get update
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${kPackages[@]}"
    missing=$(missingTools)
    [[ -z $missing ]] || die "still missing after installation: $(echo $missing)"
}

# --- state file -------------------------------------------------------------------------------

# Lines KEY=VALUE; written as each thing is started, so that a killed setup can be cleaned up.
recordState() { printf '%s=%s\n' "$1" "$2" >>"$state"; }

stateValue() {
    [[ -f $state ]] || return 0
    sed -n "s/^$1=//p" "$state" | tail -n 1
}

# Start time of a process (clock ticks since boot); together with the id it names one process.
startTime() { cut -d' ' -f22 "/proc/$1/stat" 2>/dev/null || true; }

isOurProcess() {
    local pid=$1 started=$2
    [[ -n $pid && -n $started && -e /proc/$pid ]] && [[ $(startTime "$pid") == "$started" ]]
}

waitGone() {
    local pid=$1 started=$2 i
    for ((i = 0; i < kStopSeconds * 10; ++i)); do
        isOurProcess "$pid" "$started" || return 0
        sleep 0.1
    done
    return 1
}

# Ends what the state file says this script started, and removes the state file.
endStarted() {
    [[ -f $state ]] || return 0
    local prefix pid started
    prefix=$(stateValue PREFIX)
    if [[ -n $prefix && -d $prefix ]]; then
        WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
    fi
    pid=$(stateValue XVFB_PID)
    started=$(stateValue XVFB_START)
    if isOurProcess "$pid" "$started"; then
        kill "$pid" 2>/dev/null || true
        if ! waitGone "$pid" "$started"; then
            kill -KILL "$pid" 2>/dev/null || true
            waitGone "$pid" "$started" || echo "wine-env: Xvfb $pid did not end" >&2
        fi
    fi
    rm -f "$state"
}

# --- Xvfb -------------------------------------------------------------------------------------

startXvfb() {
    local displayFile=$dir/xvfb.display pid i
    rm -f "$displayFile"
    # -displayfd: Xvfb takes the first free display and writes its number when it is ready.
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp </dev/null >"$dir/xvfb.log" 2>&1 3>"$displayFile" &
    pid=$!
    recordState XVFB_PID "$pid"
    recordState XVFB_START "$(startTime "$pid")"
    for ((i = 0; i < kXvfbStartSeconds * 10; ++i)); do
        if [[ -s $displayFile ]] && [[ $(tail -c 1 "$displayFile" | od -An -c) == *'\n'* ]]; then
            DISPLAY=:$(head -n 1 "$displayFile" | tr -dc '0-9')
            export DISPLAY
            recordState DISPLAY "$DISPLAY"
            return 0
        fi
        kill -0 "$pid" 2>/dev/null || die "Xvfb ended at start: $(cat "$dir/xvfb.log")"
        sleep 0.1
    done
    die "Xvfb gave no display within ${kXvfbStartSeconds} s"
}

# --- template prefix --------------------------------------------------------------------------

cacheRoot() { echo "${XDG_CACHE_HOME:-$HOME/.cache}/sentrix"; }

templatePath() {
    local version
    version=$(wine --version 2>/dev/null | head -n 1 | tr -c 'A-Za-z0-9.~+-' '_')
    [[ -n $version ]] || die "cannot read the Wine version"
    echo "$(cacheRoot)/wineprefix-${version}win64"
}

# Makes the template prefix when it is missing. Runs under a lock, so that two builds do not
# make it at once; a half-made template (killed run) is never used, it carries no marker.
ensureTemplate() {
    local template=$1 root work
    root=$(cacheRoot)
    mkdir -p "$root"
    exec 9>"$root/.lock"
    flock -w "$kTemplateLockSeconds" 9 || die "waited ${kTemplateLockSeconds} s for $root/.lock"
    if [[ ! -f $template/.sentrix-template ]]; then
        # Leftovers of a killed template run: that run's own prefixes, nothing else.
        for work in "$root"/.making-*; do
            [[ -d $work ]] || continue
            WINEPREFIX=$work wineserver -k >/dev/null 2>&1 || true
            rm -rf "$work"
        done
        echo "wine-env: making the Wine template prefix $template"
        local began=$SECONDS
        work=$(mktemp -d "$root/.making-XXXXXX")
        (
            export WINEPREFIX=$work WINEARCH=win64
            wineboot -i
            wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f
            wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f
            wineserver -w # the registry reaches the disk when the server ends
        ) </dev/null >>"$dir/wine.log" 2>&1 9>&- || die "making the template failed, see $dir/wine.log"
        grep -q '"Managed"="N"' "$work/user.reg" || die "the template lacks X11 Driver Managed=N"
        touch "$work/.sentrix-template"
        rm -rf "$template"
        mv "$work" "$template"
        echo "wine-env: template made in $((SECONDS - began)) s"
    fi
    flock -u 9
    exec 9>&-
}

# --- actions ----------------------------------------------------------------------------------

setup() {
    ensureTools
    mkdir -p "$dir"
    dir=$(cd "$dir" && pwd)
    state=$dir/state
    endStarted
    : >"$dir/wine.log"

    startXvfb # before the first Wine command of any fresh prefix

    local template prefix=$dir/prefix
    template=$(templatePath)
    ensureTemplate "$template"
    rm -rf "$prefix"
    cp -a "$template" "$prefix"
    recordState PREFIX "$prefix"

    # A persistent wineserver and Wine's own processes (services, the desktop), started here with
    # their output in the log. Test programs then find them running; had a test program started
    # them, they would inherit its output and ctest would wait for them to end.
    (
        export WINEPREFIX=$prefix
        wineserver -p
        wine cmd.exe /c exit
    ) </dev/null >>"$dir/wine.log" 2>&1 || die "Wine did not start in $prefix, see $dir/wine.log"
    recordState READY 1
    echo "wine-env: prefix $prefix, DISPLAY $DISPLAY"
}

cleanup() {
    [[ -d $dir ]] || return 0
    dir=$(cd "$dir" && pwd)
    state=$dir/state
    local prefix
    prefix=$(stateValue PREFIX)
    endStarted
    # The prefix is a copy of the template (hundreds of MB); kept only when asked for inspection.
    if [[ ${SENTRIX_WINE_KEEP:-0} != 1 && -n $prefix && $prefix == "$dir/prefix" ]]; then
        rm -rf "$prefix"
    fi
}

case $action in
setup) setup ;;
cleanup) cleanup ;;
*) usage ;;
esac
