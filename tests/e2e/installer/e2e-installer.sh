#!/usr/bin/env bash
# End-to-end test of the installer under Wine (tests/e2e/installer/CMakeLists.txt); Linux host only.
#
#   e2e-installer.sh DIR SETUP SENTRIX_REG VERSION FIRMWARE_SIM SCENARIO FILE_HOLDER
#
# In a Wine prefix and Xvfb of its own (DIR/wine, made by tests/wine/wine-env.sh and ended by it
# on every way out): a silent installer started while another one runs refuses, and so does one
# asked for a /D= folder on a drive that does not exist; an older version (built here with
# makensis from SETUP's staged files, each marked at its end, and "CurrentVersion" 0.9.0.0) is
# installed and the firmware simulator plays SCENARIO with the controller started as the Run entry
# names it; "SETUP /S" installs over it: every file (none of the older ones left), every value of
# SENTRIX_REG (with "CurrentVersion" = VERSION), the Run entry, the shortcuts and the Uninstall
# entry are checked; a third "SETUP /S" installs over that while a controller runs, and must
# close it, and the controller's start refreshed the user's copy of the settings to VERSION; the
# older installer is run again while FILE_HOLDER keeps one file in use: it must fail with exit
# code 2 and put back the files it had replaced; then the uninstaller "/S" removes the suite, and
# nothing of it may be left: files, folders, shortcuts, keys, the Run entry, running programs.
# The user's own copy of the settings must stay. Prints the installer's size and the installed
# size.
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
readonly kOlderVersion=0.9.0.0
readonly kOlderMark=sentrix-e2e-older-version
readonly kMissingDrive='R:'

here=$(cd "$(dirname "$0")" && pwd)
wineEnv=$here/../../wine/wine-env.sh

[[ $# -eq 7 ]] || { echo "usage: e2e-installer.sh DIR SETUP SENTRIX_REG VERSION FIRMWARE_SIM STEPS FILE_HOLDER" >&2; exit 2; }
dir=$1 setup=$2 reg=$3 version=$4 simulator=$5 steps=$6 holder=$7
installerSource=$here/../../../installer
for file in "$setup" "$reg" "$simulator" "$steps" "$holder"; do
    [[ -f $file ]] || { echo "e2e-installer: missing $file (build the \"installer\" target first)" >&2; exit 1; }
done
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
wineDir=$dir/wine
failures=0

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"

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

runSetupFile() { # runSetupFile INSTALLER EXPECTED_EXIT_CODE DESCRIPTION ARGUMENTS...
    local installer=$1 expected=$2 what=$3 status=0
    shift 3
    timeout --kill-after=10 120 wine "$(windowsPath "$installer")" "$@" </dev/null >>"$log" 2>&1 || status=$?
    check "$what: exit code $expected (was $status)" test $status -eq "$expected"
}
runSetup() { # runSetup DESCRIPTION ARGUMENTS...
    local what=$1
    shift
    runSetupFile "$setup" 0 "$what" "$@"
}

# The older version's installer: the same staged files, each with a mark after its end (ignored
# by the loader), and the installation data with "CurrentVersion" = kOlderVersion.
olderSetup=$dir/older/Sentrix-Setup-$kOlderVersion.exe
buildOlder() {
    local build=$dir/older file
    rm -rf "$build"
    mkdir -p "$build"
    cp -r "$(dirname "$setup")/stage" "$build/stage"
    while IFS= read -r file; do printf '%s' "$kOlderMark" >>"$file"; done < <(find "$build/stage" -type f)
    cmake -DREG="$reg" -DOUT="$build/reg.nsh" -DVERSION="$kOlderVersion" -P "$installerSource/RegToNsis.cmake" >>"$log" 2>&1 &&
        makensis -V2 -WX -INPUTCHARSET UTF8 -DVERSION="$kOlderVersion" -DOUTFILE="$olderSetup" \
            -DSTAGE="$build/stage" -DREGNSH="$build/reg.nsh" "$installerSource/Sentrix.nsi" >>"$log" 2>&1 ||
        fail "building the older installer (makensis)"
}

isOlderFile() { grep -qaF "$kOlderMark" "$1"; }
# checkFilesOf older|current: the deliverables in the program folder and both bridge libraries.
checkFilesOf() {
    local which=$1 file path olderCount=0 total=0
    for path in "${kDeliverables[@]/#/$kProductDir/}" "$kShared64/TVBRIDGE.dll" "$kShared32/TVBRIDGE.dll"; do
        [[ $path == */Uninstall.exe ]] && continue
        file=$c/$path
        total=$((total + 1))
        [[ -f $file ]] && isOlderFile "$file" && olderCount=$((olderCount + 1))
    done
    if [[ $which == older ]]; then
        check "all $total files are the older version's" test $olderCount -eq $total
    else
        check "none of the $total files is the older version's (older: $olderCount)" test $olderCount -eq 0
    fi
}

uninstallVersion() { regQuery "$kUninstallKey" /v DisplayVersion | sed -n 's/.*REG_SZ *//p'; }
userVersion() { regQuery 'HKCU\Software\KORVATH\Sentrixd' /v CurrentVersion | sed -n 's/.*REG_SZ *//p'; }

# A silent installation asked for a folder on a drive that does not exist must refuse, not put
# the suite into the default folder.
missingDrive() {
    check "drive $kMissingDrive does not exist in the prefix" test ! -e "$WINEPREFIX/dosdevices/${kMissingDrive,,}"
    runSetupFile "$setup" 2 "silent installation into $kMissingDrive\\Sentrix (a missing drive) refuses" /S "/D=$kMissingDrive\Sentrix"
    check "the refused installation installed nothing" test ! -e "$c/$kProductDir"
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
        --scenario "$(windowsPath "$steps")" --programs "$programDir" --trace-log 'C:\e2e-log\Sentrixd.log' \
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
    cat >"$dir/running.scn" <<'STEPS'
cable plug
controller start First
expect window "#32770" KorSentrixSuiteMain within 5s
expect log "Leave CSentrixdDlg::OnInitDialog" within 20s
wait 60s
STEPS
    rm -f "$c/e2e-log/"*
    timeout --kill-after=10 "$kSimulatorTimeoutSeconds" wine "$simulator" --pipe "$kPipe" \
        --scenario "$(windowsPath "$dir/running.scn")" --programs 'C:\Program Files\Korvath\Sentrix' \
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

# The older installer over the current version while a program keeps the 64-bit bridge library
# in use (the sixth file written): it must fail and put back the five files it had replaced.
failedInstallation() {
    local held=$c/$kShared64/TVBRIDGE.dll holderPid i
    wine "$(windowsPath "$holder")" "$(windowsPath "$held")" </dev/null >>"$log" 2>&1 &
    holderPid=$!
    for ((i = 0; i < 100; ++i)); do
        [[ -e $held.held ]] && break
        sleep 0.1
    done
    check "a program keeps $kShared64/TVBRIDGE.dll in use" test -e "$held.held"
    runSetupFile "$olderSetup" 2 "an installation that cannot write a file in use fails" /S
    kill "$holderPid" 2>/dev/null || true
    wait "$holderPid" 2>/dev/null || true
    for ((i = 0; i < 50; ++i)); do
        [[ -z $(suiteProcesses) ]] && break
        sleep 0.1
    done
    rm -f "$held.held"
    checkFilesOf current
    check "the failed installation left the version $version registered" test "$(uninstallVersion)" = "$version"
}

began=$SECONDS
buildOlder
secondInstaller
missingDrive
runSetupFile "$olderSetup" 0 "silent installation of the older version $kOlderVersion into a fresh prefix" /S
checkFilesOf older
check "the older version is registered as $kOlderVersion" test "$(uninstallVersion)" = "$kOlderVersion"
startLikeRunEntry
check "the controller's first start made the user's copy of version $kOlderVersion" test "$(userVersion)" = "$kOlderVersion"
runSetup "silent installation of $version over $kOlderVersion" /S
checkInstalled
checkFilesOf current
upgradeWhileRunning
check "the controller's next start refreshed the user's copy to version $version (is $(userVersion))" test "$(userVersion)" = "$version"
failedInstallation
installedKb=$(du -sk "$c/$kProductDir" "$c/$kShared64" "$c/$kShared32" | awk '{s += $1} END {print s}')
startRunning "removal"
uninstall
stopRunning "removal"
checkRemoved

echo "installer: $(basename "$setup") $(stat -c %s "$setup") bytes; installed size ${installedKb} KB"
echo "e2e-installer: $failures failure(s) in $((SECONDS - began)) s; log of the Wine commands in $log"
[[ $failures -eq 0 ]]
