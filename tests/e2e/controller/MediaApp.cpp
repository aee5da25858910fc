// MediaApp.exe: a stand-in for the media applications that the control menu starts. Installed
// under the name of one of them (KorDVD.exe for the DVD player), it shows a full window of that
// application's window class in front, so that the controller's end-application watch finds it
// and waits for its end, and it ends by itself after eight seconds (or when closed).
// It appends "started: ARGUMENTS;" (each argument followed by one blank), then "ready;" and,
// as it ends, "ended;" to the log file named after it in the log folder beside its own folder
// (C:\e2e\bin\KorDVD.exe logs to C:\e2e\log\KorDVD.txt).
// Exit code 0, or 2 when it is installed under a name it does not know or cannot show its window.
// Like the players it stands in for it is a windowed program (GUI subsystem): started as a console
// program it would get a console window of its own, which comes up after the player's window and
// takes the foreground from it.
// Win32 only.
#include "tests/e2e/controller/TestWindow.h"

#include <string>

namespace {

constexpr UINT kLifetimeMs = 8000;
constexpr int kFailed = 2;

// The applications it stands in for: executable name and window class.
struct Application {
    const wchar_t* file;
    const wchar_t* windowClass;
};
constexpr Application kApplications[] = {
    {L"KorDVD.exe", L"KORDVDCLASS"}, {L"Avdeck.exe", L"KorAvdeck"},   {L"Netreel.exe", L"Netreel"},
    {L"PowerCinema.exe", L"koan"},   {L"WinDVD.exe", L"WinDVDClass"},
};

std::wstring g_logPath;

void append(const std::wstring& text) {
    testwindow::append(g_logPath, testwindow::narrow(text));
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return testwindow::defaultProc(window, message, wParam, lParam);
}

} // namespace

static int run(int argc, wchar_t** argv) {
    wchar_t self[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return kFailed;
    }
    const std::wstring path(self, length);
    const std::size_t slash = path.find_last_of(L'\\');
    const std::wstring folder = slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
    const std::wstring file = slash == std::wstring::npos ? path : path.substr(slash + 1);
    const std::size_t parent = folder.find_last_of(L'\\');
    const std::size_t dot = file.find_last_of(L'.');
    g_logPath = (parent == std::wstring::npos ? folder : folder.substr(0, parent)) + L"\\log\\" +
                file.substr(0, dot) + L".txt";

    const wchar_t* windowClassName = nullptr;
    for (const Application& application : kApplications) {
        if (lstrcmpiW(application.file, file.c_str()) == 0) {
            windowClassName = application.windowClass;
        }
    }
    std::wstring arguments;
    for (int i = 1; i < argc; ++i) {
        arguments += argv[i];
        arguments += L' ';
    }
    append(L"started: " + arguments + L";");
    if (windowClassName == nullptr) {
        append(L"unknown application;");
        return kFailed;
    }

    if (!testwindow::show({windowClassName, file.c_str(), WS_POPUP | WS_VISIBLE,
                           GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, windowProc,
                           static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)), kLifetimeMs})) {
        return kFailed;
    }
    append(L"ready;");
    testwindow::runMessageLoop();
    append(L"ended;");
    return 0;
}

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return run(__argc, __wargv);
}
