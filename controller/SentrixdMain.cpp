// Entry point of Sentrixd.exe: the real Windows ports, the trace log, and the controller
// process. Win32 only.
#include "common/TraceLog.h"
#include "controller/SentrixdApp.h"
#include "controller/commands/CommandObjects.h"
#include "controller/launcher/AppLauncher.h"
#include "controller/menu/QuickMenu.h"
#include "controller/notice/NotifyCecInfoDialogs.h"
#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32Dialogs.h"
#include "platform/win32/Win32Drawing.h"
#include "platform/win32/Win32Files.h"
#include "platform/win32/Win32FirmwareTransport.h"
#include "platform/win32/Win32Input.h"
#include "platform/win32/Win32Processes.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32Sync.h"
#include "platform/win32/Win32System.h"
#include "platform/win32/Win32Threads.h"
#include "platform/win32/Win32Windowing.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
    using namespace platform::win32;
    Win32Registry registry;
    Win32Windowing windowing;
    Win32Sync sync;
    Win32Clock clock;
    Win32FirmwareTransport firmware;
    Win32Libraries libraries;
    Win32Shell shell;
    Win32Session session;
    Win32Locale locale;
    Win32Wmi wmi;
    Win32Threads threads;
    Win32Files files;
    Win32KeyboardInput keyboard;
    Win32InputFocus focus;
    Win32MediaControl media;
    Win32Processes processes;
    Win32ThreadStarter threadStarter;
    Win32Dialogs dialogs;
    Win32Drawing drawing;

    TraceLog::setProgramModule(TraceModule::Sentrixd);
    TraceLog::installPorts({&registry, &clock, &files, &threads});

    QuickMenuFactory menus(windowing, drawing);
    AppLauncher launcher(LauncherPorts{registry, windowing, focus, shell}, menus);
    CommandObjects commands(CommandPorts{registry, windowing, shell, keyboard, focus, media});
    NotifyCecInfoDialogs notifications(dialogs, registry);
    ControllerPorts ports{registry, windowing, sync, clock,   firmware, libraries, shell,
                          session,  locale,    wmi,  threads, focus,    processes, threadStarter};
    ControllerServices services{launcher, commands, notifications};

    CSentrixdApp app(ports, services);
    int exitCode = 0;
    if (app.InitInstance(commandLine != nullptr ? commandLine : L"")) {
        exitCode = app.Run();
    }
    app.ExitInstance();
    TraceLog::installPorts({});
    return exitCode;
}
