// HostilePoster.exe: a local program of the end-to-end runs that posts the controller's own
// messages with random parameters to its main window, as a faulty or hostile program could:
// every message the controller registers, its private messages 0x8483 to 0x8486 and the
// control menu's launcher messages.
//   HostilePoster.exe SEED DURATION_MS
// Prints the seed first, so that a failing run can be repeated. Afterwards the controller's
// window must still exist and answer a sent message, and its per-user settings (the registry
// under HKEY_CURRENT_USER\SOFTWARE\KORVATH\Sentrixd) must be as they were before.
// Exit code: 0 passed, 2 no controller window, 3 the window is gone, 4 it does not answer,
// 5 the settings changed, 6 bad command line.
// Win32 only.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cwchar>
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
constexpr UINT kAnswerTimeoutMs = 15000;
constexpr DWORD kPostIntervalMs = 4;
constexpr const wchar_t* kSettingsKey = L"SOFTWARE\\KORVATH\\Sentrixd";

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

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        return kUsage;
    }
    wchar_t* end = nullptr;
    const unsigned long long seed = std::wcstoull(argv[1], &end, 0);
    const unsigned long duration = std::wcstoul(argv[2], &end, 0);
    if (end == argv[2] || *end != L'\0') {
        return kUsage;
    }
    std::wprintf(L"hostile-poster: seed %llu, %lu ms\n", seed, duration);
    std::fflush(stdout);

    const HWND window = FindWindowW(L"#32770", L"KorSentrixSuiteMain");
    if (window == nullptr) {
        std::wprintf(L"hostile-poster: no controller window\n");
        return kNoWindow;
    }
    Snapshot before;
    snapshot(HKEY_CURRENT_USER, kSettingsKey, before);

    std::vector<UINT> messages;
    for (const wchar_t* name : kRegisteredNames) {
        messages.push_back(RegisterWindowMessageW(name));
    }
    messages.insert(messages.end(), std::begin(kPrivateMessages), std::end(kPrivateMessages));
    const UINT tilesMessage = messages[0];

    std::mt19937_64 random(seed);
    const auto parameter = [&random]() -> std::uint64_t {
        switch (random() % 4) {
        case 0:
            return random() % 16; // small values: watch types, modes, flags
        case 1:
            return 0x1500 + random() % 0x300; // event codes of the firmware
        case 2:
            return static_cast<std::uint32_t>(random());
        default:
            return random();
        }
    };
    unsigned long posted = 0, refused = 0;
    const ULONGLONG start = GetTickCount64();
    while (GetTickCount64() - start < duration) {
        const UINT message = messages[random() % messages.size()];
        const auto wParam = static_cast<WPARAM>(parameter());
        const auto lParam = static_cast<LPARAM>(parameter());
        if (startsProgram(message, tilesMessage, wParam)) {
            continue;
        }
        if (PostMessageW(window, message, wParam, lParam)) {
            ++posted;
        } else {
            ++refused; // the queue is full
        }
        Sleep(kPostIntervalMs);
    }
    std::wprintf(L"hostile-poster: posted %lu, refused %lu\n", posted, refused);

    Sleep(500);
    if (!IsWindow(window) || FindWindowW(L"#32770", L"KorSentrixSuiteMain") != window) {
        std::wprintf(L"hostile-poster: the controller window is gone\n");
        return kWindowGone;
    }
    DWORD_PTR answer = 0;
    if (SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, kAnswerTimeoutMs, &answer) == 0) {
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
