// SettingsDriver.exe: the settings program's user in the end-to-end runs.
//   SettingsDriver.exe SENTRIXSET REPORT STEP...
// Starts SENTRIXSET, waits for its dialog (window class "KorHDMIControlConfig"), plays the
// steps and writes what it saw into REPORT, one line per step:
//   state ID        "box ID checked|unchecked enabled|disabled" (BM_GETCHECK, IsWindowEnabled)
//   click ID        BM_CLICK on the control, as a mouse click
//   shot FILE       the dialog's part of the screen as a 24-bit BMP (BitBlt from the screen)
//   reg NAME        the value NAME of HKCU\SOFTWARE\KORVATH\Sentrixd: "reg NAME TYPE HEX BYTES"
//                   or "reg NAME missing"
//   ok | cancel     presses the button and waits for the program to end: "ended CODE"
// Exit code 0 when every step could be played, 1 when one could not, 2 for a bad command line.
// Win32 only.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr DWORD kDialogWaitMs = 15000;
constexpr DWORD kEndWaitMs = 15000;
constexpr int kUsage = 2;

FILE* g_report = nullptr;

void report(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vfprintf(g_report, format, args);
    va_end(args);
    std::fputc('\n', g_report);
    std::fflush(g_report);
}

HWND waitForDialog(DWORD processId) {
    for (DWORD waited = 0; waited < kDialogWaitMs; waited += 100) {
        HWND window = nullptr;
        while ((window = FindWindowExW(nullptr, window, L"KorHDMIControlConfig", nullptr)) != nullptr) {
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == processId && IsWindowVisible(window)) {
                return window;
            }
        }
        Sleep(100);
    }
    return nullptr;
}

bool saveShot(HWND dialog, const std::wstring& path) {
    RECT r = {};
    if (!GetWindowRect(dialog, &r)) {
        return false;
    }
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height; // bottom-up, as BMP files store rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool saved = false;
    if (bitmap != nullptr) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
        GdiFlush();
        SelectObject(memory, old);
        const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
        const DWORD imageSize = stride * static_cast<DWORD>(height);
        BITMAPFILEHEADER file = {};
        file.bfType = 0x4D42;
        file.bfOffBits = sizeof file + sizeof info.bmiHeader;
        file.bfSize = file.bfOffBits + imageSize;
        info.bmiHeader.biSizeImage = imageSize;
        FILE* out = _wfopen(path.c_str(), L"wb");
        if (out != nullptr) {
            saved = std::fwrite(&file, sizeof file, 1, out) == 1 &&
                    std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out) == 1 &&
                    std::fwrite(bits, imageSize, 1, out) == 1;
            std::fclose(out);
        }
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return saved;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: SettingsDriver.exe SENTRIXSET REPORT STEP...\n");
        return kUsage;
    }
    g_report = _wfopen(argv[2], L"w");
    if (g_report == nullptr) {
        return kUsage;
    }
    std::wstring commandLine = L"\"" + std::wstring(argv[1]) + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(argv[1], commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        report("cannot start: %lu", GetLastError());
        return 1;
    }
    CloseHandle(process.hThread);
    HWND dialog = waitForDialog(process.dwProcessId);
    if (dialog == nullptr) {
        report("no dialog");
        TerminateProcess(process.hProcess, 1);
        CloseHandle(process.hProcess);
        return 1;
    }
    report("dialog open");
    int status = 0;
    for (int i = 3; i < argc; ++i) {
        const std::wstring step = argv[i];
        const bool hasArgument = i + 1 < argc;
        if ((step == L"state" || step == L"click") && hasArgument) {
            const int id = _wtoi(argv[++i]);
            HWND control = GetDlgItem(dialog, id);
            if (control == nullptr) {
                report("no control %d", id);
                status = 1;
                continue;
            }
            if (step == L"click") {
                SendMessageW(control, BM_CLICK, 0, 0);
                report("clicked %d", id);
            } else {
                const LRESULT check = SendMessageW(control, BM_GETCHECK, 0, 0);
                report("box %d %s %s", id, check == BST_CHECKED ? "checked" : "unchecked",
                       IsWindowEnabled(control) ? "enabled" : "disabled");
            }
        } else if (step == L"shot" && hasArgument) {
            Sleep(500); // let the dialog finish painting
            const bool saved = saveShot(dialog, argv[++i]);
            report(saved ? "shot saved" : "shot failed");
            status = saved ? status : 1;
        } else if (step == L"reg" && hasArgument) {
            const wchar_t* name = argv[++i];
            BYTE data[64] = {};
            DWORD size = sizeof data;
            DWORD type = 0;
            const LONG rc = RegGetValueW(HKEY_CURRENT_USER, L"SOFTWARE\\KORVATH\\Sentrixd", name,
                                         RRF_RT_ANY | RRF_NOEXPAND, &type, data, &size);
            std::string line = "reg " + std::string(name, name + wcslen(name));
            if (rc != ERROR_SUCCESS) {
                line += " missing";
            } else {
                char text[8];
                std::snprintf(text, sizeof text, " %lu", type);
                line += text;
                for (DWORD b = 0; b < size; ++b) {
                    std::snprintf(text, sizeof text, " %02x", data[b]);
                    line += text;
                }
            }
            report("%s", line.c_str());
        } else if (step == L"ok" || step == L"cancel") {
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(step == L"ok" ? IDOK : IDCANCEL, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(dialog, step == L"ok" ? IDOK : IDCANCEL)));
            DWORD code = STILL_ACTIVE;
            if (WaitForSingleObject(process.hProcess, kEndWaitMs) == WAIT_OBJECT_0 &&
                GetExitCodeProcess(process.hProcess, &code)) {
                report("ended %lu", code);
            } else {
                report("did not end");
                status = 1;
            }
        } else {
            report("bad step");
            status = 1;
        }
    }
    if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process.hProcess, 1);
    }
    CloseHandle(process.hProcess);
    std::fclose(g_report);
    return status;
}
