#!/usr/bin/env bash
# End-to-end runs of the real controller under Wine, against the firmware simulator. Run by ctest
# (tests/e2e/controller/CMakeLists.txt); Linux host only.
#
#   e2e-controller.sh setup   DIR SENTRIXD OUTSWAP TVBRIDGE PANELID NVAPI BRIDGE_CLIENT KEYLOG SENTRIX_REG [SENTRIXSET SETTINGS_DRIVER [MEDIA_APP [TEST_PROGRAM...]]]
#       A Wine prefix and Xvfb of its own in DIR/wine (tests/wine/wine-env.sh: the cached
#       template, X11 Driver Managed=N, WINEDEBUG=-all, Xvfb before the first Wine command), with
#       the product installed: Sentrixd.exe and Outswap.exe in C:\Program Files\Korvath\Sentrix,
#       the display library Panelid.dll beside Sentrixd.exe, the 64-bit bridge library as
#       C:\Program Files\Common Files\Korvath Shared\TVBRIDGE.dll, the test NVIDIA interface
#       library NVAPI as nvapi64.dll in the system folder (where the driver puts it; the
#       controller loads libraries from its own folder and the system folder only), the
#       Windows version that Wine reports to Sentrixd.exe set to Vista (6.0, so that the
#       display library switches through the NVIDIA interface rather than through the display
#       configuration, which Wine answers for its own screen), the installation data imported
#       with "regedit /S" as Windows would, and the test settings of the machine hive: the trace
#       log of the controller and of the settings program on (TRACELOG), the firmware simulator's pipe (FirmwarePipe), the
#       test window KeyLog.exe in C:\e2e\bin registered under App Paths, and the remote-key rules
#       of the tests: key 71 sends Ctrl+C, key 72 runs the first installed of
#       "Missing.exe /a" and "KeyLog.exe C:\e2e\log\run.txt --from-rule", key 73 ejects the disc.
#       Given, the settings program goes beside the controller and its test user SettingsDriver.exe
#       into C:\e2e\bin. Given, the stand-in media application goes into C:\e2e\bin as KorDVD.exe
#       (registered under App Paths only for the scenarios that ask for it, see run), and so do
#       any further test programs given.
#   e2e-controller.sh run     DIR SCENARIO FIRMWARE_SIM
#       Plays one scenario file of the scenario language (*.scn, tools/scenario/README.md),
#       played by the simulator's real-time target: the user's copy of
#       the settings is removed and the log folder emptied, the simulator plays the steps (it
#       starts and ends the programs), and the trace
#       log, the simulator's output and the decoded bus record are kept in DIR/artifacts/NAME,
#       with a screenshot of the display when the scenario fails (xwd or ImageMagick's import
#       when present). Whatever of the scenario still runs afterwards fails the scenario. Every
#       scenario ends with this prefix's server ended (wineserver -k) and its persistent server
#       started again, so that nothing a scenario leaves in the server reaches the next one: Wine
#       keeps the global hooks of a thread that has ended (Windows removes them with the thread),
#       and the hooks the hostile bridge calls orphan would report every later key press again.
#       The simulator's display hardware is the NVIDIA notebook on Windows 6.0 (display machine
#       nvidia-vista), which the installed nvapi64.dll reaches over the pipe.
#       A header line "#! no-firmware-pipe" runs the scenario without the FirmwarePipe setting
#       (the simulator then serves the pipe by name). A header line "#! planted-display-library"
#       moves the installed Panelid.dll away for the scenario and plants copies of it in a folder
#       on PATH (WINEPATH) and in the current folder the simulator runs in. A header line
#       "#! media-app" registers C:\e2e\bin\KorDVD.exe under App Paths for the scenario, so that
#       the control menu offers the DVD player. A header line "#! intel-graphics" registers the
#       test Intel driver object C:\e2e\bin\igfxsim.dll (a test program given to setup) under
#       its programmatic identifier "IgfxExt.CUIExternal" for the scenario, for a scenario whose
#       display machine has Intel graphics. A header line "#! amd-graphics" puts the test AMD
#       libraries atiadlxx.dll and atipdl64.dll (test programs given to setup) in the system folder
#       in place of nvapi64.dll for the scenario, for a display machine with AMD graphics. The
#       simulator keeps its screenshots (BMP) of the control menu and the notice in
#       DIR/artifacts/NAME.
#   e2e-controller.sh cleanup DIR
#       Ends the prefix's wineserver and the Xvfb by their ids, removes the prefix; the artifacts
#       stay.
set -euo pipefail

readonly kPipe='\\.\pipe\SentrixFirmwareSim'
readonly kProductDir='Program Files/Korvath/Sentrix'
readonly kSharedDir='Program Files/Common Files/Korvath Shared'
readonly kTestDir='e2e'
readonly kSimulatorTimeoutSeconds=110
readonly kPrograms=(Sentrixd.exe Outswap.exe BridgeClient.exe KeyLog.exe FirmwareSim.exe Sentrixset.exe SettingsDriver.exe
    KorDVD.exe HostilePoster.exe)
readonly kMediaAppPaths='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\KorDVD.exe'
readonly kIntelClassId='{6C1E2A47-5D0B-4F3A-9E61-2B7D8C4F1A90}' # the test object's class (IgfxSimMain.cpp)
readonly kIntelProgId='HKLM\SOFTWARE\Classes\IgfxExt.CUIExternal'
readonly kIntelClass="HKLM\SOFTWARE\Classes\CLSID\\$kIntelClassId"

here=$(cd "$(dirname "$0")" && pwd)
wineEnv=$here/../../wine/wine-env.sh

die() {
    echo "e2e-controller: $*" >&2
    exit 1
}

[[ $# -ge 2 ]] || die "usage: e2e-controller.sh setup|run|cleanup DIR ..."
action=$1
dir=$2
shift 2
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
wineDir=$dir/wine

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"

stateValue() { sed -n "s/^$1=//p" "$wineDir/state" 2>/dev/null | tail -n 1; }

# The Wine environment that setup made; dies when it is gone.
useWine() {
    [[ $(stateValue READY) == 1 ]] || die "no Wine environment in $wineDir: run the e2e_controller_setup test first"
    WINEPREFIX=$(stateValue PREFIX)
    DISPLAY=$(stateValue DISPLAY)
    export WINEPREFIX DISPLAY
    kill -0 "$(stateValue XVFB_PID)" 2>/dev/null || die "the Xvfb of $wineDir is gone"
}

# A Linux path as Wine's drive Z: shows it.
windowsPath() { local p=$1; echo "Z:${p//\//\\}"; }

# Runs a Wine command with its output in the log, never on the caller's output (a Wine server
# started by it would keep that open).
wineQuiet() { wine "$@" </dev/null >>"$dir/wine-commands.log" 2>&1; }

# The ids of the scenario's programs still running in this prefix.
leftovers() {
    local pid name
    for pid in /proc/[0-9]*; do
        pid=${pid#/proc/}
        [[ $(readlink "/proc/$pid/exe" 2>/dev/null) == *wine* ]] || continue # Wine's processes only
        tr '\0' '\n' 2>/dev/null <"/proc/$pid/environ" | grep -qxF "WINEPREFIX=$WINEPREFIX" || continue
        for name in "${kPrograms[@]}"; do
            if tr '\0' ' ' 2>/dev/null <"/proc/$pid/cmdline" | grep -qiF "$name"; then
                echo "$pid:$name"
            fi
        done
    done
}

# Ends everything in this prefix and starts its persistent server again, as the setup did.
restartWine() {
    wineserver -k >/dev/null 2>&1 || true
    (
        wineserver -p
        wine cmd.exe /c exit
    ) </dev/null >>"$dir/wine-commands.log" 2>&1 || die "Wine did not start again in $WINEPREFIX"
}

screenshot() {
    local out=$1
    if command -v xwd >/dev/null 2>&1; then
        xwd -root -display "$DISPLAY" -out "$out.xwd" 2>/dev/null && echo "screenshot: $out.xwd" && return 0
    fi
    if command -v import >/dev/null 2>&1; then
        import -display "$DISPLAY" -window root "$out.png" 2>/dev/null && echo "screenshot: $out.png" && return 0
    fi
    echo "screenshot: skipped (neither xwd nor import is installed)"
}

setup() {
    [[ $# -eq 8 || $# -ge 10 ]] ||
        die "usage: e2e-controller.sh setup DIR SENTRIXD OUTSWAP TVBRIDGE PANELID NVAPI BRIDGE_CLIENT KEYLOG SENTRIX_REG [SENTRIXSET SETTINGS_DRIVER [MEDIA_APP [TEST_PROGRAM...]]]"
    local sentrixd=$1 outswap=$2 tvbridge=$3 panelid=$4 nvapi=$5 bridgeClient=$6 keyLog=$7 reg=$8 file
    local sentrixset=${9:-} settingsDriver=${10:-} mediaApp=${11:-}
    local testPrograms=("${@:12}")
    for file in "$@"; do
        [[ -f $file ]] || die "missing $file"
    done
    local began=$SECONDS
    "$wineEnv" setup "$wineDir"
    useWine
    : >"$dir/wine-commands.log"
    local c=$WINEPREFIX/drive_c
    mkdir -p "$c/$kProductDir" "$c/$kSharedDir" "$c/$kTestDir/bin" "$c/$kTestDir/log"
    cp "$sentrixd" "$outswap" "$c/$kProductDir/"
    cp "$panelid" "$c/$kProductDir/Panelid.dll"
    cp "$nvapi" "$c/windows/system32/nvapi64.dll"
    cp "$tvbridge" "$c/$kSharedDir/TVBRIDGE.dll"
    cp "$bridgeClient" "$keyLog" "$c/$kTestDir/bin/"
    if [[ -n $sentrixset ]]; then
        cp "$sentrixset" "$c/$kProductDir/"
        cp "$settingsDriver" "$c/$kTestDir/bin/"
    fi
    if [[ -n $mediaApp ]]; then
        cp "$mediaApp" "$c/$kTestDir/bin/KorDVD.exe"
    fi
    [[ ${#testPrograms[@]} -eq 0 ]] || cp "${testPrograms[@]}" "$c/$kTestDir/bin/"
    cp "$reg" "$c/$kTestDir/Sentrix.reg"
    cat >"$c/$kTestDir/e2e-settings.reg" <<'EOF'
Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\SOFTWARE\KORVATH\Sentrixd\TRACELOG]
"TraceLogFilePath"="C:\\e2e\\log\\Sentrixd.log"

[HKEY_LOCAL_MACHINE\SOFTWARE\KORVATH\Sentrixd\TRACELOG\Sentrixd]
"LOG_ERROR"=dword:00000001
"LOG_TRACE"=dword:00000001
"LOG_FUNC"=dword:00000001

[HKEY_LOCAL_MACHINE\SOFTWARE\KORVATH\Sentrixd\TRACELOG\Sentrixset]
"LOG_ERROR"=dword:00000001
"LOG_TRACE"=dword:00000001
"LOG_FUNC"=dword:00000001

[HKEY_LOCAL_MACHINE\SOFTWARE\KORVATH\Sentrixd\Simulator]
"FirmwarePipe"="\\\\.\\pipe\\SentrixFirmwareSim"

[HKEY_LOCAL_MACHINE\SOFTWARE\KORVATH\Sentrixd\Launcher]
"MediaCenter"=dword:00000000

[HKEY_LOCAL_MACHINE\SOFTWARE\KORVATH\Sentrixd\Launcher\DVD Player]
"Special"=dword:00000002

[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\KeyLog.exe]
@="C:\\e2e\\bin\\KeyLog.exe"

[HKEY_CURRENT_USER\Software\Wine\AppDefaults\Sentrixd.exe]
"Version"="vista"

[HKEY_LOCAL_MACHINE\SOFTWARE\KORVATH\Sentrixd\Setting]
"E2eCopy"="0,71,0,,0,200,11&43"
"E2eRun"="0,72,0,,0,100,\"Missing.exe /a,KeyLog.exe C:\\e2e\\log\\run.txt --from-rule\""
"E2eEject"="0,73,0,,0,801,"
EOF
    wineQuiet regedit /S 'C:\e2e\Sentrix.reg' || die "regedit could not import Sentrix.reg, see $dir/wine-commands.log"
    wineQuiet regedit /S 'C:\e2e\e2e-settings.reg' || die "regedit could not import the test settings"
    wineQuiet reg query 'HKLM\SOFTWARE\KORVATH\Sentrixd\Simulator' /v FirmwarePipe ||
        die "the FirmwarePipe setting is not in the machine hive"
    echo "e2e-controller: installed in $WINEPREFIX in $((SECONDS - began)) s"
}

run() {
    [[ $# -eq 2 ]] || die "usage: e2e-controller.sh run DIR SCENARIO FIRMWARE_SIM"
    local scenario=$1 simulator=$2
    [[ -f $scenario ]] || die "missing scenario $scenario"
    [[ -f $simulator ]] || die "missing $simulator"
    useWine
    local name began=$SECONDS
    name=$(basename "$scenario")
    name=${name%.*}
    local artifacts=$dir/artifacts/$name c=$WINEPREFIX/drive_c
    rm -rf "$artifacts"
    mkdir -p "$artifacts"
    rm -f "$c/$kTestDir/log/"*

    # A freshly installed machine: no user copy of the settings yet.
    wineQuiet reg delete 'HKCU\Software\KORVATH' /f || true
    local withoutPipe=0
    if grep -qx '#! no-firmware-pipe' "$scenario"; then
        withoutPipe=1
        wineQuiet reg delete 'HKLM\SOFTWARE\KORVATH\Sentrixd\Simulator' /v FirmwarePipe /f ||
            die "cannot remove the FirmwarePipe setting"
    fi

    local planted=0 runIn=$PWD
    if grep -qx '#! planted-display-library' "$scenario"; then
        planted=1
        mkdir -p "$c/$kTestDir/planted-path" "$c/$kTestDir/planted-cwd"
        cp "$c/$kProductDir/Panelid.dll" "$c/$kTestDir/planted-path/Panelid.dll"
        cp "$c/$kProductDir/Panelid.dll" "$c/$kTestDir/planted-cwd/Panelid.dll"
        mv "$c/$kProductDir/Panelid.dll" "$c/$kTestDir/Panelid.dll.installed"
        runIn=$c/$kTestDir/planted-cwd
    fi

    local mediaApp=0
    if grep -qx '#! media-app' "$scenario"; then
        mediaApp=1
        wineQuiet reg add "$kMediaAppPaths" /ve /d 'C:\e2e\bin\KorDVD.exe' /f ||
            die "cannot register KorDVD.exe under App Paths"
    fi

    local amd=0 system=$c/windows/system32
    if grep -qx '#! amd-graphics' "$scenario"; then
        amd=1
        mv "$system/nvapi64.dll" "$c/$kTestDir/nvapi64.dll.installed" &&
            cp "$c/$kTestDir/bin/atiadlxx.dll" "$c/$kTestDir/bin/atipdl64.dll" "$system/" ||
            die "cannot put the test AMD libraries in place of nvapi64.dll"
    fi

    local intel=0
    if grep -qx '#! intel-graphics' "$scenario"; then
        intel=1
        wineQuiet reg add "$kIntelProgId\\CLSID" /ve /d "$kIntelClassId" /f &&
            wineQuiet reg add "$kIntelClass\\InprocServer32" /ve /d 'C:\e2e\bin\igfxsim.dll' /f &&
            wineQuiet reg add "$kIntelClass\\InprocServer32" /v ThreadingModel /d Both /f ||
            die "cannot register the test Intel driver object"
    fi

    echo "e2e-controller: scenario $name"
    local status=0
    (
    cd "$runIn"
    if [[ $planted -eq 1 ]]; then
        export WINEPATH='C:\e2e\planted-path'
    fi
    exec timeout --kill-after=10 "$kSimulatorTimeoutSeconds" wine "$simulator" \
        --pipe "$kPipe" \
        --display-machine nvidia-vista \
        --scenario "$(windowsPath "$scenario")" \
        --programs "C:\\$(echo "$kProductDir" | tr / '\\');C:\\$kTestDir\\bin" \
        --trace-log 'C:\e2e\log\Sentrixd.log' \
        --timeline "$(windowsPath "$artifacts/bus.txt")" \
        --pictures "$(windowsPath "$artifacts")" \
        </dev/null >"$artifacts/simulator.txt" 2>&1
    ) || status=$?
    cat "$artifacts/simulator.txt"
    [[ $status -ne 124 && $status -ne 137 ]] || echo "e2e-controller: the simulator did not end within ${kSimulatorTimeoutSeconds} s"

    cp "$c/$kTestDir/log/"* "$artifacts/" 2>/dev/null || true
    if [[ -s $artifacts/bus.txt ]]; then
        echo "---- bus record ($artifacts/bus.txt)"
        cat "$artifacts/bus.txt"
    fi

    local left
    left=$(leftovers)
    if [[ -n $left ]]; then
        echo "e2e-controller: still running after the scenario: $(echo $left); ending this prefix's processes"
        [[ $status -ne 0 ]] || status=1
    fi
    if [[ $status -ne 0 ]]; then
        screenshot "$artifacts/screen"
    fi
    restartWine
    if [[ $planted -eq 1 ]]; then
        mv "$c/$kTestDir/Panelid.dll.installed" "$c/$kProductDir/Panelid.dll"
        rm -rf "$c/$kTestDir/planted-path" "$c/$kTestDir/planted-cwd"
    fi
    if [[ $mediaApp -eq 1 ]]; then
        wineQuiet reg delete "$kMediaAppPaths" /f || die "cannot remove KorDVD.exe from App Paths"
    fi
    if [[ $amd -eq 1 ]]; then
        rm -f "$system/atiadlxx.dll" "$system/atipdl64.dll"
        mv "$c/$kTestDir/nvapi64.dll.installed" "$system/nvapi64.dll" || die "cannot restore nvapi64.dll"
    fi
    if [[ $intel -eq 1 ]]; then
        wineQuiet reg delete "$kIntelProgId" /f && wineQuiet reg delete "$kIntelClass" /f ||
            die "cannot remove the test Intel driver object's registration"
    fi
    if [[ $withoutPipe -eq 1 ]]; then
        wineQuiet regedit /S 'C:\e2e\e2e-settings.reg' || die "cannot restore the FirmwarePipe setting"
    fi
    echo "e2e-controller: scenario $name $([[ $status -eq 0 ]] && echo passed || echo FAILED) in $((SECONDS - began)) s;" \
        "artifacts in $artifacts"
    return "$status"
}

cleanup() {
    "$wineEnv" cleanup "$wineDir"
}

case $action in
setup) setup "$@" ;;
run) run "$@" ;;
cleanup) cleanup ;;
*) die "unknown action $action" ;;
esac
