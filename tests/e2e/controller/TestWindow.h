// What the end-to-end runs' test windows (KeyLog.exe, MediaApp.exe) share: appending to their
// log file, one top-level window shown in front that closes itself after its lifetime, and the
// message loop until it is gone.
// Win32 only.
#pragma once

#include <windows.h>

#include <string>

namespace testwindow {

inline constexpr UINT_PTR kEndTimer = 1;

inline std::string narrow(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) {
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), size,
                            nullptr, nullptr);
    }
    return out;
}

// Appends the bytes to the file, which others may read and write meanwhile; a file that cannot
// be opened is left alone.
inline void append(const std::wstring& path, const std::string& bytes) {
    const HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

// The messages every test window answers alike: its end timer destroys it, and its destruction
// ends the message loop. Anything else goes to the default procedure.
inline LRESULT defaultProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
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

struct WindowSpec {
    const wchar_t* className;
    const wchar_t* title;
    DWORD style;
    int width;
    int height;
    WNDPROC procedure;
    HBRUSH background; // nullptr: the application paints nothing
    UINT lifetimeMs;
};

// Registers the class, shows the window at the screen's top left, brings it to the front with
// the focus and starts its end timer; false when the class or the window cannot be made.
inline bool show(const WindowSpec& spec) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = spec.procedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = spec.className;
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = spec.background;
    if (RegisterClassW(&windowClass) == 0) {
        return false;
    }
    const HWND window = CreateWindowExW(0, spec.className, spec.title, spec.style, 0, 0, spec.width,
                                        spec.height, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        return false;
    }
    SetForegroundWindow(window);
    SetFocus(window);
    SetTimer(window, kEndTimer, spec.lifetimeMs, nullptr);
    return true;
}

inline void runMessageLoop() {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

} // namespace testwindow
