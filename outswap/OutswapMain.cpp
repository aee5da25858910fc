// Entry point of Outswap.exe, the output-change tool: the real Windows ports, the trace log under
// module "Outswap", and the tool. The command line is ignored and the exit code is always 0.
// Win32 only.
#include "common/TraceLog.h"
#include "outswap/Outswap.h"
#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32Files.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32Threads.h"
#include "platform/win32/Win32Windowing.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    try {
        using namespace platform::win32;
        Win32Registry registry;
        Win32Clock clock;
        Win32Files files;
        Win32Threads threads;
        Win32Windowing windowing;

        TraceLog::setProgramModule(TraceModule::Outswap);
        TraceLog::installPorts({&registry, &clock, &files, &threads});
        Outswap(windowing).run();
        TraceLog::installPorts({});
    } catch (...) {
        // Nothing to report to: the tool ends as it always does.
    }
    return Outswap::kExitCode;
}
