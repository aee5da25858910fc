// HostilePoster.exe: a local program of the end-to-end runs that treats the suite's programs as
// a faulty or hostile program could, with random parameters, for a bounded time:
//   controller  posts to the controller's main window every message the controller registers,
//               its private messages 0x8483 to 0x8486 and the control menu's launcher messages;
//   settings    posts to the settings program's dialog the suite's registered messages and the
//               system messages that only the window's own life may bring (creation, destruction,
//               painting, timers, activation, mouse), then cancels the dialog, which must end;
//   bridge      calls every export of the bridge library: the requests with any values, the
//               keyboard hook procedure with any code and parameters, the hook installed and
//               removed in any order.
//   HostilePoster.exe SEED DURATION_MS [controller|settings|bridge]
// Prints the seed first, so that a failing run can be repeated. Afterwards the controller's
// window must still exist and answer a sent message, and its per-user settings (the registry
// under HKEY_CURRENT_USER\SOFTWARE\KORVATH\Sentrixd) must be as they were before.
// Messages the program's own user could send (commands, keys, closing) are left out: they do
// what a user's click does. So is WM_QUIT, which ends any thread's message loop on Windows.
// Exit code: 0 passed, 2 no controller window, 3 the window is gone, 4 it does not answer,
// 5 the settings changed, 6 bad command line, 7 no settings dialog, 8 the settings dialog is gone,
// does not answer or does not end when cancelled, 9 the bridge library or an export is missing.
// Win32 only.
#include <windows.h>
#include <shlobj.h>

#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kNoWindow = 2;
constexpr int kWindowGone = 3;
constexpr int kNotAnswering = 4;
constexpr int kSettingsChanged = 5;
constexpr int kUsage = 6;
constexpr int kNoSettingsDialog = 7;
constexpr int kSettingsDialogFailed = 8;
constexpr int kBridgeMissing = 9;
constexpr UINT kAnswerTimeoutMs = 15000;
constexpr DWORD kPostIntervalMs = 4;
constexpr DWORD kFindTimeoutMs = 10000;
constexpr DWORD kEndTimeoutMs = 10000;
constexpr const wchar_t* kSettingsKey = L"SOFTWARE\\KORVATH\\Sentrixd";
constexpr const wchar_t* kSettingsDialogClass = L"KorHDMIControlConfig";
constexpr const wchar_t* kBridgeSubPath = L"\\Korvath Shared\\TVBRIDGE.dll";

const wchar_t* const kRegisteredNames[] = {
    L"KORVATH_TILES_NOTIFY_EVENT",
    L"TVBRIDGEDLL_QUERY_TURN_OFF_TV",
    L"TVBRIDGEDLL_CHANGE_HDMI_OUTPUT",
    L"HDMIOUT_CHANGE_OUTPUT",
    L"SENTRIXSET_CHANGED",
    L"TVBRIDGEDLL_USE_TV_ENHANCEMENT",
    L"SENTRIX_CHANGESOUND",
    L"KORVATH_TILES_RELOAD_CONFIG",
    L"QUICKMENU_NOTIFY_LAUNCH_ALDER",
    L"QUICKMENU_NOTIFY_LAUNCH_BIRCH",
    L"QUICKMENU_NOTIFY_LAUNCH_CEDAR",
    L"QUICKMENU_NOTIFY_LAUNCH_POWERCINEMA",
    L"QUICKMENU_NOTIFY_LAUNCH_WINDVD",
    L"QUICKMENU_NOTIFY_LAUNCH_MEDIACENTER",
    L"QUICKMENU_NOTIFY_CLOSE_BIRCH",
    L"QUICKMENU_NOTIFY_CLOSE_MENU",
};
constexpr UINT kPrivateMessages[] = {0x8483, 0x8484, 0x8485, 0x8486};
// Remote keys whose test rules start a program (key 72 runs KeyLog.exe) or eject the disc:
// a program started by the flood would outlive the scenario.
constexpr unsigned kKeysStartingPrograms[] = {71, 72, 73};

// Every value under a key and its subkeys, by path and name: type and bytes.
using Snapshot = std::map<std::wstring, std::pair<DWORD, std::vector<BYTE>>>;

void snapshot(HKEY parent, const std::wstring& path, Snapshot& out) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(parent, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return;
    }
    DWORD subkeys = 0, longestSubkey = 0, values = 0, longestName = 0, longestData = 0;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, &longestSubkey, nullptr, &values, &longestName,
                     &longestData, nullptr, nullptr);
    std::vector<wchar_t> name(longestName + 2);
    std::vector<BYTE> data(longestData + 2);
    for (DWORD i = 0; i < values; ++i) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataLength = static_cast<DWORD>(data.size());
        DWORD type = 0;
        if (RegEnumValueW(key, i, name.data(), &nameLength, nullptr, &type, data.data(), &dataLength) ==
            ERROR_SUCCESS) {
            out[path + L"|" + std::wstring(name.data(), nameLength)] = {
                type, std::vector<BYTE>(data.begin(), data.begin() + dataLength)};
        }
    }
    std::vector<wchar_t> subkey(longestSubkey + 2);
    std::vector<std::wstring> children;
    for (DWORD i = 0; i < subkeys; ++i) {
        DWORD length = static_cast<DWORD>(subkey.size());
        if (RegEnumKeyExW(key, i, subkey.data(), &length, nullptr, nullptr, nullptr, nullptr) ==
            ERROR_SUCCESS) {
            children.emplace_back(subkey.data(), length);
        }
    }
    RegCloseKey(key);
    for (const std::wstring& child : children) {
        out[path + L"\\" + child + L"|"] = {REG_NONE, {}}; // the key itself
        snapshot(parent, path + L"\\" + child, out);
    }
}

bool startsProgram(UINT message, UINT tilesMessage, WPARAM wParam) {
    if (message != tilesMessage || (wParam & 0xFF00) != 0x1600) {
        return false;
    }
    for (unsigned key : kKeysStartingPrograms) {
        if ((wParam & 0xFF) == key) {
            return true;
        }
    }
    return false;
}

int report(const std::map<std::wstring, std::pair<DWORD, std::vector<BYTE>>>& before, const Snapshot& after) {
    int differences = 0;
    for (const auto& [name, value] : before) {
        const auto found = after.find(name);
        if (found == after.end()) {
            std::wprintf(L"hostile-poster: removed %ls\n", name.c_str());
            ++differences;
        } else if (found->second != value) {
            std::wprintf(L"hostile-poster: changed %ls\n", name.c_str());
            ++differences;
        }
    }
    for (const auto& [name, value] : after) {
        if (before.find(name) == before.end()) {
            std::wprintf(L"hostile-poster: added %ls\n", name.c_str());
            ++differences;
        }
    }
    return differences;
}

// Random parameters: small values (watch types, modes, flags), the firmware's event codes, any
// 32-bit or any 64-bit value.
class Parameters {
public:
    explicit Parameters(std::uint64_t seed) : m_random(seed) {}

    std::uint64_t next() {
        switch (m_random() % 4) {
        case 0:
            return m_random() % 16;
        case 1:
            return 0x1500 + m_random() % 0x300;
        case 2:
            return static_cast<std::uint32_t>(m_random());
        default:
            return m_random();
        }
    }
    std::uint64_t below(std::uint64_t bound) { return m_random() % bound; }

private:
    std::mt19937_64 m_random;
};

std::vector<UINT> registeredMessages() {
    std::vector<UINT> messages;
    for (const wchar_t* name : kRegisteredNames) {
        messages.push_back(RegisterWindowMessageW(name));
    }
    return messages;
}

// Calls `act` every few milliseconds until the time is up.
void flood(unsigned long durationMs, const std::function<void()>& act) {
    const ULONGLONG start = GetTickCount64();
    while (GetTickCount64() - start < durationMs) {
        act();
        Sleep(kPostIntervalMs);
    }
}

void floodController(HWND controller, Parameters& random, unsigned long durationMs) {
    std::vector<UINT> messages = registeredMessages();
    messages.insert(messages.end(), std::begin(kPrivateMessages), std::end(kPrivateMessages));
    const UINT tilesMessage = messages[0];
    unsigned long posted = 0, refused = 0;
    flood(durationMs, [&] {
        const UINT message = messages[random.below(messages.size())];
        const auto wParam = static_cast<WPARAM>(random.next());
        const auto lParam = static_cast<LPARAM>(random.next());
        if (startsProgram(message, tilesMessage, wParam)) {
            return;
        }
        (PostMessageW(controller, message, wParam, lParam) ? posted : refused) += 1; // refused: queue full
    });
    std::wprintf(L"hostile-poster: posted %lu, refused %lu\n", posted, refused);
}

HWND findWindowWithin(const wchar_t* className, DWORD timeoutMs) {
    const ULONGLONG start = GetTickCount64();
    HWND window = nullptr;
    while ((window = FindWindowW(className, nullptr)) == nullptr && GetTickCount64() - start < timeoutMs) {
        Sleep(50);
    }
    return window;
}

bool answers(HWND window) {
    DWORD_PTR answer = 0;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, kAnswerTimeoutMs, &answer) != 0;
}

int floodSettings(Parameters& random, unsigned long durationMs) {
    const HWND dialog = findWindowWithin(kSettingsDialogClass, kFindTimeoutMs);
    if (dialog == nullptr) {
        std::wprintf(L"hostile-poster: no settings dialog\n");
        return kNoSettingsDialog;
    }
    // The system messages of a window's own life; those that carry a pointer (creation,
    // WM_GETMINMAXINFO, WM_DRAWITEM, WM_NOTIFY) must be refused by PostMessage itself.
    std::vector<UINT> messages = registeredMessages();
    const UINT systemMessages[] = {
        WM_CREATE,      WM_DESTROY,        WM_NCDESTROY,     WM_INITDIALOG, WM_PAINT,       WM_ERASEBKGND,
        WM_TIMER,       WM_SIZE,           WM_MOVE,          WM_ACTIVATE,   WM_SETFOCUS,    WM_KILLFOCUS,
        WM_SHOWWINDOW,  WM_MOUSEMOVE,      WM_LBUTTONDOWN,   WM_LBUTTONUP,  WM_RBUTTONDOWN, WM_CTLCOLORDLG,
        WM_CTLCOLORBTN, WM_CTLCOLORSTATIC, WM_GETMINMAXINFO, WM_DRAWITEM,   WM_NOTIFY,      WM_SETTEXT,
    };
    messages.insert(messages.end(), std::begin(systemMessages), std::end(systemMessages));
    unsigned long posted = 0, refused = 0;
    flood(durationMs, [&] {
        const UINT message = messages[random.below(messages.size())];
        const auto wParam = static_cast<WPARAM>(random.next());
        // A WM_TIMER's lParam is the timer procedure DispatchMessage calls: that is the
        // system's message loop, not the program's, so the flood leaves it empty.
        const auto lParam = message == WM_TIMER ? 0 : static_cast<LPARAM>(random.next());
        (PostMessageW(dialog, message, wParam, lParam) ? posted : refused) += 1;
    });
    std::wprintf(L"hostile-poster: posted %lu to the settings dialog, refused %lu\n", posted, refused);

    Sleep(500);
    if (!IsWindow(dialog) || !answers(dialog)) {
        std::wprintf(L"hostile-poster: the settings dialog is gone or does not answer\n");
        return kSettingsDialogFailed;
    }
    DWORD processId = 0;
    GetWindowThreadProcessId(dialog, &processId);
    const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    const bool ended = process != nullptr && WaitForSingleObject(process, kEndTimeoutMs) == WAIT_OBJECT_0;
    if (process != nullptr) {
        CloseHandle(process);
    }
    if (!ended) {
        std::wprintf(L"hostile-poster: the settings program did not end when cancelled\n");
        return kSettingsDialogFailed;
    }
    std::wprintf(L"hostile-poster: the settings program ended when cancelled\n");
    return 0;
}

template <typename Entry> Entry entry(HMODULE library, const char* name) {
    return reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

int floodBridge(Parameters& random, unsigned long durationMs) {
    wchar_t folder[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES_COMMON, nullptr, SHGFP_TYPE_CURRENT, folder))) {
        return kBridgeMissing;
    }
    const HMODULE library = LoadLibraryW((std::wstring(folder) + kBridgeSubPath).c_str());
    if (library == nullptr) {
        std::wprintf(L"hostile-poster: no bridge library\n");
        return kBridgeMissing;
    }
    using ValueRequest = int(WINAPI*)(int);
    using Request = int(WINAPI*)();
    using Switch = BOOL(WINAPI*)();
    const auto useEnhancement = entry<ValueRequest>(library, "TVBRIDGE_UseTVEnhancement");
    const auto queryTurnOff = entry<Request>(library, "TVBRIDGE_QueryTurnOffTV");
    const auto changeOutput = entry<ValueRequest>(library, "TVBRIDGE_ChangeHDMIOutput");
    const auto hookProc = entry<HOOKPROC>(library, "HDMIHOOK_KeyHookProc");
    const auto setHook = entry<Switch>(library, "HDMIHOOK_SetKeyHook");
    const auto resetHook = entry<Switch>(library, "HDMIHOOK_ResetKeyHook");
    if (!useEnhancement || !queryTurnOff || !changeOutput || !hookProc || !setHook || !resetHook) {
        std::wprintf(L"hostile-poster: an export of the bridge library is missing\n");
        FreeLibrary(library);
        return kBridgeMissing;
    }
    unsigned long calls[6] = {};
    flood(durationMs, [&] {
        const auto which = random.below(16);
        if (which < 4) {
            useEnhancement(static_cast<int>(random.next()));
            ++calls[0];
        } else if (which < 8) {
            changeOutput(static_cast<int>(random.next()));
            ++calls[2];
        } else if (which < 12) {
            // Any hook code (negative ones go straight on), any key and keystroke flags.
            const int code = random.below(2) == 0 ? static_cast<int>(random.below(7)) - 3
                                                  : static_cast<int>(random.next());
            hookProc(code, static_cast<WPARAM>(random.below(2) == 0 ? 0xA6 : random.next()),
                     static_cast<LPARAM>(random.next()));
            ++calls[3];
        } else if (which < 14) {
            setHook();
            ++calls[4];
        } else if (which < 15) {
            resetHook();
            ++calls[5];
        } else {
            queryTurnOff();
            ++calls[1];
        }
    });
    unsigned long removed = 0;
    while (resetHook() != FALSE && removed < 100000) {
        ++removed;
    }
    FreeLibrary(library);
    std::wprintf(
        L"hostile-poster: bridge calls: enhancement %lu, turn-off %lu, output %lu, hook procedure %lu, "
        L"set %lu, reset %lu (%lu hooks left, removed)\n",
        calls[0], calls[1], calls[2], calls[3], calls[4], calls[5], removed);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3 && argc != 4) {
        return kUsage;
    }
    wchar_t* end = nullptr;
    const unsigned long long seed = std::wcstoull(argv[1], &end, 0);
    const unsigned long duration = std::wcstoul(argv[2], &end, 0);
    const std::wstring target = argc == 4 ? argv[3] : L"controller";
    if (end == argv[2] || *end != L'\0' ||
        (target != L"controller" && target != L"settings" && target != L"bridge")) {
        return kUsage;
    }
    std::wprintf(L"hostile-poster: seed %llu, %lu ms, %ls\n", seed, duration, target.c_str());
    std::fflush(stdout);

    const HWND window = FindWindowW(L"#32770", L"KorSentrixSuiteMain");
    if (window == nullptr) {
        std::wprintf(L"hostile-poster: no controller window\n");
        return kNoWindow;
    }
    Snapshot before;
    snapshot(HKEY_CURRENT_USER, kSettingsKey, before);

    Parameters random(seed);
    int result = 0;
    if (target == L"controller") {
        floodController(window, random, duration);
    } else if (target == L"settings") {
        result = floodSettings(random, duration);
    } else {
        result = floodBridge(random, duration);
    }
    if (result != 0) {
        return result;
    }

    Sleep(500);
    if (!IsWindow(window) || FindWindowW(L"#32770", L"KorSentrixSuiteMain") != window) {
        std::wprintf(L"hostile-poster: the controller window is gone\n");
        return kWindowGone;
    }
    if (!answers(window)) {
        std::wprintf(L"hostile-poster: the controller window does not answer (error %lu)\n", GetLastError());
        return kNotAnswering;
    }
    Snapshot after;
    snapshot(HKEY_CURRENT_USER, kSettingsKey, after);
    if (report(before, after) != 0) {
        return kSettingsChanged;
    }
    std::wprintf(L"hostile-poster: the controller answers, its settings are unchanged\n");
    return 0;
}
