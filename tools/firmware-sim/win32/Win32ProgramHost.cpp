// The firmware simulator's program host. Win32 only.
#include "tools/firmware-sim/win32/Win32ProgramHost.h"

#include "common/Text.h"

#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <thread>

namespace fwsim {

namespace {

constexpr const wchar_t* kKeyTargetClass = L"SentrixFirmwareSimKeyTarget";
constexpr const wchar_t* kKeyTargetTitle = L"Firmware simulator key target";
constexpr DWORD kKeyTargetStartMs = 5000;
constexpr DWORD kKeySeenMs = 2000;
constexpr DWORD kPollMs = 10;

std::string lastErrorText(const char* what) {
    return std::string(what) + " failed, error " + std::to_string(GetLastError());
}

// A command-line argument quoted as the C runtime splits it again.
std::wstring quote(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) {
        return argument;
    }
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"') {
            out.append(backslashes * 2 + 1, L'\\');
        } else {
            out.append(backslashes, L'\\');
        }
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\');
    out += L'"';
    return out;
}

std::uint64_t toMicroseconds(const FILETIME& time) {
    ULARGE_INTEGER value;
    value.LowPart = time.dwLowDateTime;
    value.HighPart = time.dwHighDateTime;
    return value.QuadPart / 10;
}

Win32ProgramHost* g_keyHost = nullptr; // the one host whose key target window exists

LRESULT CALLBACK keyTargetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if ((message == WM_KEYDOWN || message == WM_KEYUP || message == WM_SYSKEYDOWN ||
         message == WM_SYSKEYUP) &&
        g_keyHost != nullptr) {
        g_keyHost->keySeen(message, wParam);
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

struct CloseRequest {
    DWORD processId;
};

BOOL CALLBACK closeWindowsOf(HWND window, LPARAM parameter) {
    const auto* request = reinterpret_cast<const CloseRequest*>(parameter);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId == request->processId) {
        PostMessageW(window, WM_CLOSE, 0, 0);
    }
    return TRUE;
}

} // namespace

Win32ProgramHost::Win32ProgramHost(std::vector<std::wstring> folders) : m_folders(std::move(folders)) {}

Win32ProgramHost::~Win32ProgramHost() {
    endAll();
    const DWORD threadId = m_keyThreadId.load();
    if (threadId != 0) {
        PostThreadMessageW(threadId, WM_QUIT, 0, 0);
    }
    if (m_keyThread.joinable()) {
        m_keyThread.join();
    }
    g_keyHost = nullptr;
}

std::wstring Win32ProgramHost::key(const std::wstring& program) {
    const std::size_t slash = program.find_last_of(L"\\/");
    std::wstring name = slash == std::wstring::npos ? program : program.substr(slash + 1);
    for (wchar_t& c : name) {
        c = text::toLowerAscii(c);
    }
    return name;
}

std::wstring Win32ProgramHost::resolve(const std::wstring& program) const {
    if (program.find_first_of(L"\\/:") != std::wstring::npos) {
        return program;
    }
    for (const std::wstring& folder : m_folders) {
        const std::wstring path = folder + L"\\" + program;
        if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
            return path;
        }
    }
    return {};
}

bool Win32ProgramHost::launch(const std::wstring& program, const std::vector<std::wstring>& arguments,
                              Started& started, std::string& error) {
    const std::wstring path = resolve(program);
    if (path.empty()) {
        error = "program " + text::toUtf8(program) + " not found in the program folders";
        return false;
    }
    std::wstring commandLine = quote(path);
    for (const std::wstring& argument : arguments) {
        commandLine += L" " + quote(argument);
    }
    std::wstring folder =
        path.substr(0, path.find_last_of(L"\\/") == std::wstring::npos ? 0 : path.find_last_of(L"\\/"));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       folder.empty() ? nullptr : folder.c_str(), &startup, &info) == FALSE) {
        error = lastErrorText(("CreateProcess of " + text::toUtf8(path)).c_str());
        return false;
    }
    CloseHandle(info.hThread);
    started.process = info.hProcess;
    started.processId = info.dwProcessId;
    return true;
}

bool Win32ProgramHost::start(const std::wstring& program, const std::vector<std::wstring>& arguments,
                             std::string& error) {
    Started started;
    if (!launch(program, arguments, started, error)) {
        return false;
    }
    const std::wstring name = key(program);
    const auto it = m_started.find(name);
    if (it != m_started.end()) {
        m_retired.push_back(it->second);
    }
    m_started[name] = started;
    return true;
}

std::optional<std::uint32_t> Win32ProgramHost::run(const std::wstring& program,
                                                   const std::vector<std::wstring>& arguments,
                                                   std::uint32_t timeoutMs, std::string& error) {
    Started started;
    if (!launch(program, arguments, started, error)) {
        return std::nullopt;
    }
    const HANDLE process = started.process;
    std::optional<std::uint32_t> result;
    if (WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0) {
        DWORD code = 0;
        if (GetExitCodeProcess(process, &code) != FALSE) {
            result = code;
        } else {
            error = lastErrorText("GetExitCodeProcess");
        }
    } else {
        error = text::toUtf8(program) + " did not end within " + std::to_string(timeoutMs) + " ms; ended";
        TerminateProcess(process, 1);
        WaitForSingleObject(process, kCloseWaitMs);
    }
    CloseHandle(process);
    return result;
}

std::optional<bool> Win32ProgramHost::running(const std::wstring& program) {
    const auto it = m_started.find(key(program));
    if (it == m_started.end()) {
        return std::nullopt;
    }
    return WaitForSingleObject(it->second.process, 0) == WAIT_TIMEOUT;
}

std::optional<ProgramHost::Usage> Win32ProgramHost::usage(const std::wstring& program) {
    const auto it = m_started.find(key(program));
    if (it == m_started.end()) {
        return std::nullopt;
    }
    FILETIME created{};
    FILETIME exited{};
    FILETIME kernel{};
    FILETIME user{};
    if (GetProcessTimes(it->second.process, &created, &exited, &kernel, &user) == FALSE) {
        return std::nullopt;
    }
    Usage usage;
    usage.cpuMicroseconds = toMicroseconds(kernel) + toMicroseconds(user);
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(it->second.process, &memory, sizeof memory) != FALSE) {
        usage.workingSetBytes = memory.WorkingSetSize;
        usage.peakWorkingSetBytes = memory.PeakWorkingSetSize;
    }
    return usage;
}

void Win32ProgramHost::keySeen(unsigned message, std::uintptr_t virtualKey) {
    m_lastKey = virtualKey;
    if (message == WM_KEYDOWN || message == WM_SYSKEYDOWN) {
        ++m_keysDown;
    } else {
        ++m_keysUp;
    }
}

void Win32ProgramHost::keyTargetThread() {
    m_keyThreadId = GetCurrentThreadId();
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = keyTargetProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kKeyTargetClass;
    RegisterClassW(&windowClass);
    const HWND window = CreateWindowExW(0, kKeyTargetClass, kKeyTargetTitle, WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                        10, 10, 320, 120, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (window == nullptr) {
        m_keyWindowFailed = true;
        return;
    }
    ShowWindow(window, SW_SHOWNORMAL);
    SetForegroundWindow(window);
    SetFocus(window);
    m_keyWindow = window;
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    DestroyWindow(window);
}

bool Win32ProgramHost::ensureKeyTarget(std::string& error) {
    const std::lock_guard<std::mutex> guard(m_keyLock);
    if (!m_keyThread.joinable()) {
        g_keyHost = this;
        m_keyThread = std::thread([this] { keyTargetThread(); });
    }
    for (DWORD waited = 0; m_keyWindow.load() == nullptr && waited < kKeyTargetStartMs; waited += kPollMs) {
        if (m_keyWindowFailed) {
            break;
        }
        Sleep(kPollMs);
    }
    if (m_keyWindow.load() == nullptr) {
        error = "the key target window could not be made";
        return false;
    }
    return true;
}

bool Win32ProgramHost::pressKey(std::uint8_t virtualKey, std::string& error) {
    if (!ensureKeyTarget(error)) {
        return false;
    }
    const HWND window = static_cast<HWND>(m_keyWindow.load());
    SetForegroundWindow(window);
    const unsigned upBefore = m_keysUp;
    INPUT inputs[2] = {};
    for (INPUT& input : inputs) {
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = virtualKey;
    }
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    if (SendInput(2, inputs, sizeof(INPUT)) != 2) {
        error = lastErrorText("SendInput");
        return false;
    }
    // The key has arrived when the window has read its key-up; the keyboard hooks of the
    // system ran in that read.
    for (DWORD waited = 0; m_keysUp == upBefore && waited < kKeySeenMs; waited += kPollMs) {
        Sleep(kPollMs);
    }
    if (m_keysUp == upBefore) {
        error = "the key did not reach the simulator's window (foreground: another window?)";
        return false;
    }
    return true;
}

void Win32ProgramHost::endAll() {
    std::vector<Started> all = m_retired;
    for (const auto& [name, started] : m_started) {
        all.push_back(started);
    }
    m_started.clear();
    m_retired.clear();
    for (const Started& started : all) {
        if (WaitForSingleObject(started.process, 0) == WAIT_TIMEOUT) {
            CloseRequest request{started.processId};
            EnumWindows(closeWindowsOf, reinterpret_cast<LPARAM>(&request));
        }
    }
    for (const Started& started : all) {
        if (WaitForSingleObject(started.process, kCloseWaitMs) == WAIT_TIMEOUT) {
            TerminateProcess(started.process, 1);
            WaitForSingleObject(started.process, kCloseWaitMs);
        }
        CloseHandle(started.process);
    }
}

} // namespace fwsim
