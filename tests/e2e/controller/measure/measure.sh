#!/usr/bin/env bash
# Measurements of the real controller under Wine against the firmware simulator; run by hand,
# not by ctest (the numbers depend on the machine):
#   tests/e2e/controller/measure/measure.sh BUILD_DIR [latency|idle|menu]   (a win64 build, e.g. build/win64;
#                                                                            all measurements unless one is named)
# 1. latency: event 0x1501 posted -> first frame requested, p50/p99 over 200 samples, with the
#    trace log off (as installed) and on (every line written);
# 2. idle: processor time of Sentrixd.exe over 30 s after its start-up, seen from Windows
#    (GetProcessTimes by the simulator) and from Linux (/proc of the Wine process: utime+stime
#    and the scheduler's run time of all its threads), and its memory (working set, RSS);
# 3. menu: the control menu on the screen (MenuLatency.exe): from the root-menu key's event to
#    the menu on screen, from Down reaching the menu to its repaint, and from showAppLauncher
#    (WM_END_APPLICATION) to the menu on screen, p50/p99 over 20 samples (the goal is one frame,
#    16 ms), with the trace log off and on; each sample is in artifacts/menu/menu-latency.txt.
# It makes its own Wine prefix and Xvfb in BUILD_DIR/e2e/measure and removes them at the end.
# Linux host only.
set -euo pipefail

[[ $# -ge 1 && $# -le 2 ]] || { echo "usage: measure.sh BUILD_DIR [latency|idle|menu]" >&2; exit 2; }
build=$(cd "$1" && pwd)
what=${2:-all}
here=$(cd "$(dirname "$0")" && pwd)
source=$(cd "$here/../../../.." && pwd)
e2e=$here/../e2e-controller.sh
dir=$build/e2e/measure
simulator=$build/tools/firmware-sim/FirmwareSim.exe

cleanup() { "$e2e" cleanup "$dir" >/dev/null 2>&1 || true; }
trap cleanup EXIT

"$e2e" setup "$dir" "$build/controller/Sentrixd.exe" "$build/outswap/Outswap.exe" "$build/bridge/Tvbridge.dll" \
    "$build/display/Panelid.dll" "$build/tools/firmware-sim/nvapi64.dll" "$build/tests/e2e/controller/BridgeClient.exe" \
    "$build/tests/e2e/controller/KeyLog.exe" "$source/installer/Sentrix.reg" "$build/settings/Sentrixset.exe" "$build/tests/e2e/controller/SettingsDriver.exe" \
    "$build/tests/e2e/controller/MediaApp.exe" >/dev/null

state=$dir/wine/state
value() { sed -n "s/^$1=//p" "$state" | tail -n 1; }
export WINEPREFIX DISPLAY WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
WINEPREFIX=$(value PREFIX)
DISPLAY=$(value DISPLAY)
cp "$build/tests/e2e/controller/measure/MenuLatency.exe" "$WINEPREFIX/drive_c/e2e/bin/"

traceLog() { # on|off
    local level=0
    [[ $1 == on ]] && level=1
    for name in LOG_ERROR LOG_TRACE LOG_FUNC; do
        wine reg add 'HKLM\SOFTWARE\KORVATH\Sentrixd\TRACELOG\Sentrixd' /v "$name" /t REG_DWORD /d "$level" /f \
            </dev/null >/dev/null 2>&1
    done
}

# The measurements' results: "RESULT name=value" lines of a test program, and the lines
# "[   time] result   name=value" of the simulator's timeline.
results() { sed -n -e 's/^RESULT /  /p' -e 's/^\[[ 0-9.]*\] result  *\(.*\)$/  \1/p' "$1"; }

for log in off on; do
    [[ $what == all || $what == latency ]] || break
    echo "== latency, trace log $log"
    traceLog "$log"
    "$e2e" run "$dir" "$here/latency.scn" "$simulator" >"$dir/latency-$log.txt" 2>&1 ||
        { echo "the latency run failed"; cat "$dir/latency-$log.txt"; exit 1; }
    results "$dir/artifacts/latency/simulator.txt"
done

# The Wine process of Sentrixd.exe in this prefix (the one started last, should an earlier one
# still be on its way out).
controllerPid() {
    local pid found='' latest=-1 started
    for pid in /proc/[0-9]*; do
        pid=${pid#/proc/}
        [[ $(readlink "/proc/$pid/exe" 2>/dev/null) == *wine* ]] || continue # Wine's processes only
        tr '\0' '\n' 2>/dev/null <"/proc/$pid/environ" | grep -qxF "WINEPREFIX=$WINEPREFIX" || continue
        tr '\0' ' ' 2>/dev/null <"/proc/$pid/cmdline" | grep -qiF Sentrixd.exe || continue
        started=$(cut -d' ' -f22 "/proc/$pid/stat" 2>/dev/null) || continue
        if [[ -n $started && $started -gt $latest ]]; then
            latest=$started
            found=$pid
        fi
    done
    [[ -n $found ]] && echo "$found"
}
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }               # utime + stime, clock ticks
runNs() { cat /proc/"$1"/task/*/schedstat | awk '{s += $1} END {print s}'; } # all threads, ns
waitFor() { # pattern file seconds
    local i
    for ((i = 0; i < $3 * 10; ++i)); do
        grep -q "$1" "$2" 2>/dev/null && return 0
        sleep 0.1
    done
    return 1
}

for log in off on; do
    [[ $what == all || $what == idle ]] || break
    echo "== idle 30 s after start-up, trace log $log"
    traceLog "$log"
    output=$dir/artifacts/idle/simulator.txt # written as the simulator goes
    rm -f "$output"
    "$e2e" run "$dir" "$here/idle.scn" "$simulator" >"$dir/idle-$log.txt" 2>&1 &
    runner=$!
    waitFor 'measure idle' "$output" 60 || { echo "the idle run did not reach its measurement"; wait $runner; exit 1; }
    pid=$(controllerPid) || { echo "no Sentrixd.exe process"; wait $runner; exit 1; }
    echo "  linux_pid=$pid ($(tr '\0' ' ' <"/proc/$pid/cmdline"))"
    t0=$(ticks "$pid"); n0=$(runNs "$pid"); threads=$(ls /proc/"$pid"/task | wc -l)
    waitFor 'result  *idle_Sentrixd.exe_ms=' "$output" 60 || { echo "the idle measurement did not end"; wait $runner; exit 1; }
    t1=$(ticks "$pid"); n1=$(runNs "$pid"); rss=$(awk '/^VmRSS/ {print $2}' "/proc/$pid/status")
    wait $runner || { echo "the idle run failed"; cat "$dir/idle-$log.txt"; exit 1; }
    results "$output"
    hz=$(getconf CLK_TCK)
    echo "  linux_utime_stime_ms=$(( (t1 - t0) * 1000 / hz ))"
    echo "  linux_run_time_all_threads_ms=$(awk -v a="$n0" -v b="$n1" 'BEGIN {printf "%.3f", (b - a) / 1e6}')"
    echo "  linux_threads=$threads"
    echo "  linux_rss_kb=$rss"
done

for log in off on; do
    [[ $what == all || $what == menu ]] || break
    echo "== control menu on the screen, trace log $log"
    traceLog "$log"
    "$e2e" run "$dir" "$here/menu.scn" "$simulator" >"$dir/menu-$log.txt" 2>&1 ||
        { echo "the menu run failed"; cat "$dir/menu-$log.txt"; exit 1; }
    results "$dir/artifacts/menu/menu-latency.txt"
done
