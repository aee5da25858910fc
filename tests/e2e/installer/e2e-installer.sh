#!/usr/bin/env bash
# End-to-end test of the installer under Wine (tests/e2e/installer/CMakeLists.txt); Linux host only.
#
#   e2e-installer.sh DIR SETUP SENTRIX_REG VERSION FIRMWARE_SIM STEPS
#
# In a Wine prefix and Xvfb of its own (DIR/wine, made by tests/wine/wine-env.sh and ended by it
# on every way out): a silent installer started while another one runs refuses; "SETUP /S" installs; every file, every value of SENTRIX_REG (with
# "CurrentVersion" = VERSION), the Run entry, the shortcuts and the Uninstall entry are checked;
# the firmware simulator plays STEPS with the controller started as the Run entry names it; a
# second "SETUP /S" installs over the first while a controller runs, and must close it; then the
# uninstaller "/S" removes the suite, and nothing of it may be left: files, folders, shortcuts,
# keys, the Run entry, running programs. The user's own copy of the settings must stay.
# Prints the installer's size and the installed size.
set -euo pipefail

readonly kPipe='\\.\pipe\SentrixFirmwareSim'
readonly kProductDir='Program Files/Korvath/Sentrix'
readonly kShared64='Program Files/Common Files/Korvath Shared'
readonly kShared32='Program Files (x86)/Common Files/Korvath Shared'
readonly kMenuDir='ProgramData/Microsoft/Windows/Start Menu/Programs/Sentrix Suite'
readonly kProductKey='HKLM\SOFTWARE\KORVATH\Sentrixd'
readonly kRunKey='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
readonly kUninstallKey='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Sentrix'
readonly kDeliverables=(Sentrixd.exe Panelid.dll Tvbridge.dll Outswap.exe Sentrixset.exe Uninstall.exe)
readonly kRemovalSeconds=60
readonly kSimulatorTimeoutSeconds=90

here=$(cd "$(dirname "$0")" && pwd)
wineEnv=$here/../../wine/wine-env.sh

[[ $# -eq 6 ]] || { echo "usage: e2e-installer.sh DIR SETUP SENTRIX_REG VERSION FIRMWARE_SIM STEPS" >&2; exit 2; }
dir=$1 setup=$2 reg=$3 version=$4 simulator=$5 steps=$6
for file in "$setup" "$reg" "$simulator" "$steps"; do
    [[ -f $file ]] || { echo "e2e-installer: missing $file (build the \"installer\" target first)" >&2; exit 1; }
done
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
wineDir=$dir/wine
failures=0

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
pass() { echo "ok: $*"; }
check() { # check DESCRIPTION COMMAND...
    local what=$1
    shift
    if "$@"; then pass "$what"; else fail "$what"; fi
}

"$wineEnv" setup "$wineDir"
trap '"$wineEnv" cleanup "$wineDir"' EXIT
stateValue() { sed -n "s/^$1=//p" "$wineDir/state" | tail -n 1; }
WINEPREFIX=$(stateValue PREFIX)
DISPLAY=$(stateValue DISPLAY)
export WINEPREFIX DISPLAY
c=$WINEPREFIX/drive_c
log=$dir/wine-commands.log
: >"$log"

windowsPath() { local p=$1; echo "Z:${p//\//\\}"; }
wineQuiet() { wine "$@" </dev/null >>"$log" 2>&1; }
regQuery() { wine reg query "$@" </dev/null 2>>"$log" | tr -d '\r'; }
hasKey() { wineQuiet reg query "$1"; }

# The prefix's processes of the suite (Wine's processes of this prefix only).
suiteProcesses() {
    local pid
    for pid in /proc/[0-9]*; do
        pid=${pid#/proc/}
        tr '\0' '\n' 2>/dev/null <"/proc/$pid/environ" | grep -qxF "WINEPREFIX=$WINEPREFIX" || continue
        if tr '\0' ' ' 2>/dev/null <"/proc/$pid/cmdline" | grep -v FirmwareSim | grep -qiE 'Sentrixd|Outswap|Sentrixset|Uninstall|Au_\.exe|Sentrix-Setup'; then
            echo "$pid"
        fi
    done
}

controllerProcesses() {
    local pid
    for pid in $(suiteProcesses); do
        tr '\0' ' ' 2>/dev/null <"/proc/$pid/cmdline" | grep -v FirmwareSim | grep -qi 'Sentrixd\.exe' && echo "$pid"
    done
    return 0
}

# The value lines of Sentrix.reg, as "reg export" writes them, with the build's version.
expectedValues() {
    sed 's/\r$//' "$reg" | grep -E '^(\[|")' | sed -E "s/^\"CurrentVersion\"=\".*\"$/\"CurrentVersion\"=\"$version\"/"
}

checkRegistryData() {
    local exported=$dir/exported.reg missing=0 line
    rm -f "$exported"
    wineQuiet reg export "$kProductKey" "$(windowsPath "$exported")" /y || { fail "reg export of $kProductKey"; return; }
    iconv -f UTF-16LE -t UTF-8 "$exported" | sed 's/^\xEF\xBB\xBF//; s/\r$//' >"$exported.txt"
    while IFS= read -r line; do
        if ! grep -qixF -- "$line" "$exported.txt"; then
            echo "  not in the machine hive: $line"
            missing=1
        fi
    done < <(expectedValues)
    check "every value of Sentrix.reg is in the machine hive (64-bit view), CurrentVersion $version" test $missing -eq 0
}

checkInstalled() {
    local file
    for file in "${kDeliverables[@]}"; do
        check "installed $kProductDir/$file" test -s "$c/$kProductDir/$file"
    done
    check "installed $kShared64/TVBRIDGE.dll (64-bit)" bash -c "x86_64-w64-mingw32-objdump -f '$c/$kShared64/TVBRIDGE.dll' | grep -q 'file format pei-x86-64'"
    check "installed $kShared32/TVBRIDGE.dll (32-bit)" bash -c "x86_64-w64-mingw32-objdump -f '$c/$kShared32/TVBRIDGE.dll' | grep -q 'file format pei-i386'"
    check "shortcut of the settings program" test -s "$c/$kMenuDir/Sentrix Settings.lnk"
    check "shortcut of the output-change tool" test -s "$c/$kMenuDir/Sentrix Output Change.lnk"
    checkRegistryData
    local run
    run=$(regQuery "$kRunKey" /v Sentrixd || true)
    check "Run entry \"C:\\Program Files\\Korvath\\Sentrix\\Sentrixd.exe\" First" \
        grep -qiF '"C:\Program Files\Korvath\Sentrix\Sentrixd.exe" First' <<<"$run"
    local uninstall
    uninstall=$(regQuery "$kUninstallKey" || true)
    check "Uninstall entry: display name" grep -q 'DisplayName.*Sentrix Suite' <<<"$uninstall"
    check "Uninstall entry: version $version" grep -q "DisplayVersion.*$version" <<<"$uninstall"
    check "Uninstall entry: publisher" grep -q 'Publisher.*Korvath' <<<"$uninstall"
    check "Uninstall entry: size" grep -qE 'EstimatedSize +REG_DWORD +0x[0-9a-f]*[1-9a-f]' <<<"$uninstall"
    check "Uninstall entry: quiet removal" grep -q 'QuietUninstallString.*Uninstall.exe" /S' <<<"$uninstall"
}

runSetup() { # runSetup DESCRIPTION ARGUMENTS...
    local what=$1 status=0
    shift
    timeout --kill-after=10 120 wine "$(windowsPath "$setup")" "$@" </dev/null >>"$log" 2>&1 || status=$?
    check "$what: exit code 0 (was $status)" test $status -eq 0
}

# The controller as the Run entry names it: its folder and its argument, against the simulator.
startLikeRunEntry() {
    local run programDir
    run=$(regQuery "$kRunKey" /v Sentrixd | sed -n 's/.*REG_SZ *//p' || true)
    programDir=$(sed -E 's/^"(.*)\\Sentrixd\.exe" First$/\1/' <<<"$run")
    [[ $programDir != "$run" ]] || { fail "cannot read the Run entry: $run"; return; }
    cat >"$c/e2e-settings.reg" <<'REG'
Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\SOFTWARE\KORVATH\Sentrixd\TRACELOG]
"TraceLogFilePath"="C:\\e2e-log\\Sentrixd.log"

[HKEY_LOCAL_MACHINE\SOFTWARE\KORVATH\Sentrixd\TRACELOG\Sentrixd]
"LOG_TRACE"=dword:00000001
"LOG_FUNC"=dword:00000001

[HKEY_LOCAL_MACHINE\SOFTWARE\KORVATH\Sentrixd\Simulator]
"FirmwarePipe"="\\\\.\\pipe\\SentrixFirmwareSim"
REG
    mkdir -p "$c/e2e-log"
    wineQuiet regedit /S 'C:\e2e-settings.reg' || fail "test settings imported"
    local status=0
    timeout --kill-after=10 "$kSimulatorTimeoutSeconds" wine "$simulator" --pipe "$kPipe" \
        --script "$(windowsPath "$steps")" --programs "$programDir" --trace-log 'C:\e2e-log\Sentrixd.log' \
        </dev/null >"$dir/simulator.txt" 2>&1 || status=$?
    sed 's/^/  | /' "$dir/simulator.txt"
    check "the controller started as the Run entry says shows its main window (simulator exit $status)" test $status -eq 0
    check "the controller copied the machine-wide settings to the user's hive at its first start" \
        hasKey 'HKCU\Software\KORVATH\Sentrixd\Setting'
}

# A controller left running for the installer to close: the firmware simulator serves it and
# starts it from the installed folder as the Run entry does; startRunning waits until its start-up
# is over, stopRunning ends the simulator.
startRunning() {
    cat >"$dir/running.fws" <<'STEPS'
plug
start Sentrixd.exe First
expect window present within 5000
expect log "Leave CSentrixdDlg::OnInitDialog" within 20000
wait 60000
STEPS
    rm -f "$c/e2e-log/"*
    timeout --kill-after=10 "$kSimulatorTimeoutSeconds" wine "$simulator" --pipe "$kPipe" \
        --script "$(windowsPath "$dir/running.fws")" --programs 'C:\Program Files\Korvath\Sentrix' \
        --trace-log 'C:\e2e-log\Sentrixd.log' </dev/null >>"$dir/simulator-running.txt" 2>&1 &
    simPid=$!
    local i
    for ((i = 0; i < 300; ++i)); do
        grep -q "Leave CSentrixdDlg::OnInitDialog" "$c/e2e-log/"*.log 2>/dev/null && break
        sleep 0.1
    done
    check "the controller runs before the $1" test -n "$(controllerProcesses)"
}

stopRunning() {
    local left pid
    left=$(controllerProcesses)
    for pid in $left; do echo "  still running: $pid $(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null)"; done
    check "the $1 closed the running controller" test -z "$left"
    kill "$simPid" 2>/dev/null || true
    wait "$simPid" 2>/dev/null || true
}

upgradeWhileRunning() {
    startRunning "second installation"
    runSetup "second installation over the first, with the controller running" /S
    stopRunning "second installation"
    checkInstalled
}

uninstall() {
    local status=0 i
    timeout --kill-after=10 60 wine "$(windowsPath "$c/$kProductDir/Uninstall.exe")" /S </dev/null >>"$log" 2>&1 || status=$?
    check "silent removal: exit code 0 (was $status)" test $status -eq 0
    # The uninstaller runs from a copy in the temporary folder; wait for it to finish.
    for ((i = 0; i < kRemovalSeconds * 10; ++i)); do
        [[ -e "$c/$kProductDir/Uninstall.exe" || -n $(suiteProcesses) ]] || break
        sleep 0.1
    done
}

checkRemoved() {
    local path
    for path in "$kProductDir" "Program Files/Korvath" "$kShared64" "$kShared32" "$kMenuDir"; do
        check "removed $path" test ! -e "$c/$path"
    done
    check "removed $kProductKey" bash -c "! WINEDEBUG=-all wine reg query '$kProductKey' </dev/null >/dev/null 2>&1"
    check "removed $kUninstallKey" bash -c "! WINEDEBUG=-all wine reg query '$kUninstallKey' </dev/null >/dev/null 2>&1"
    check "removed the Run entry" bash -c "! WINEDEBUG=-all wine reg query '$kRunKey' /v Sentrixd </dev/null >/dev/null 2>&1"
    check "no program of the suite runs" test -z "$(suiteProcesses)"
    check "the user's own copy of the settings stays" hasKey 'HKCU\Software\KORVATH\Sentrixd\Setting'
}

# A second installer while one runs: the first waits in its first page (not silent); the second,
# silent, must refuse with exit code 2 and change nothing.
secondInstaller() {
    wine "$(windowsPath "$setup")" </dev/null >>"$log" 2>&1 &
    local first=$! i status=0
    for ((i = 0; i < 100; ++i)); do
        [[ -n $(suiteProcesses) ]] && break
        sleep 0.1
    done
    sleep 2
    timeout --kill-after=10 60 wine "$(windowsPath "$setup")" /S </dev/null >>"$log" 2>&1 || status=$?
    check "a second installer while one runs refuses with exit code 2 (was $status)" test $status -eq 2
    check "the refused installer installed nothing" test ! -e "$c/$kProductDir"
    kill "$first" 2>/dev/null || true
    wait "$first" 2>/dev/null || true
    local pid
    for pid in $(suiteProcesses); do kill "$pid" 2>/dev/null || true; done # only the first installer runs here
    for ((i = 0; i < 50; ++i)); do
        [[ -z $(suiteProcesses) ]] && break
        sleep 0.1
    done
}

began=$SECONDS
secondInstaller
runSetup "silent installation into a fresh prefix" /S
checkInstalled
startLikeRunEntry
upgradeWhileRunning
installedKb=$(du -sk "$c/$kProductDir" "$c/$kShared64" "$c/$kShared32" | awk '{s += $1} END {print s}')
startRunning "removal"
uninstall
stopRunning "removal"
checkRemoved

echo "installer: $(basename "$setup") $(stat -c %s "$setup") bytes; installed size ${installedKb} KB"
echo "e2e-installer: $failures failure(s) in $((SECONDS - began)) s; log of the Wine commands in $log"
[[ $failures -eq 0 ]]
