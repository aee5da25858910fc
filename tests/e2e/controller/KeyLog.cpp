// KeyLog.exe: a test window of the end-to-end runs that logs what it receives.
//   KeyLog.exe LOGFILE [ARGUMENT...]
// Appends "started: ARGUMENTS;" (the arguments after LOGFILE, each followed by one blank, as the
// program received them), shows a top-level window, brings it to the front, appends "ready;",
// and then "VK down;" or "VK up;" (two upper-case hex digits) for every key message its window
// receives, system keys included. It ends by itself after ten seconds, or when closed.
// Exit code 0, or 2 for a bad command line or a log file that cannot be written.
// Win32 only.
#include "tests/e2e/controller/TestWindow.h"

#include <cstdio>
#include <string>

namespace {

constexpr UINT kLifetimeMs = 10000;
constexpr int kUsage = 2;

std::wstring g_logPath;

void append(const std::string& text) {
    testwindow::append(g_logPath, text);
}

void logKey(WPARAM vk, bool down) {
    char text[16];
    std::snprintf(text, sizeof text, "%02X %s;", static_cast<unsigned>(vk & 0xFF), down ? "down" : "up");
    append(text);
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        logKey(wParam, true);
        return 0;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        logKey(wParam, false);
        return 0;
    default:
        return testwindow::defaultProc(window, message, wParam, lParam);
    }
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        return kUsage;
    }
    g_logPath = argv[1];
    std::wstring arguments;
    for (int i = 2; i < argc; ++i) {
        arguments += argv[i];
        arguments += L' ';
    }
    append("started: " + testwindow::narrow(arguments) + ";");
    if (!testwindow::show({L"SentrixKeyLog", L"KeyLog", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 320, 200,
                           windowProc, nullptr, kLifetimeMs})) {
        return kUsage;
    }
    append("ready;");
    testwindow::runMessageLoop();
    return 0;
}
