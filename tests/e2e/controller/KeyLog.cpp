// KeyLog.exe: a test window of the end-to-end runs that logs what it receives.
//   KeyLog.exe LOGFILE [ARGUMENT...]
// Appends "started: ARGUMENTS;" (the arguments after LOGFILE, each followed by one blank, as the
// program received them), shows a top-level window, brings it to the front, appends "ready;",
// and then "VK down;" or "VK up;" (two upper-case hex digits) for every key message its window
// receives, system keys included. It ends by itself after ten seconds, or when closed.
// Exit code 0, or 2 for a bad command line or a log file that cannot be written.
// Win32 only.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

constexpr UINT_PTR kEndTimer = 1;
constexpr UINT kLifetimeMs = 10000;
constexpr int kUsage = 2;

std::wstring g_logPath;

void append(const std::string& text) {
    const HANDLE file = CreateFileW(g_logPath.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

std::string narrow(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) {
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), size,
                            nullptr, nullptr);
    }
    return out;
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
    case WM_TIMER:
        if (wParam == kEndTimer) {
            DestroyWindow(window);
        }
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
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
    append("started: " + narrow(arguments) + ";");

    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"SentrixKeyLog";
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    if (RegisterClassW(&windowClass) == 0) {
        return kUsage;
    }
    const HWND window = CreateWindowExW(0, L"SentrixKeyLog", L"KeyLog", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                                        0, 320, 200, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        return kUsage;
    }
    SetForegroundWindow(window);
    SetFocus(window);
    SetTimer(window, kEndTimer, kLifetimeMs, nullptr);
    append("ready;");
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
