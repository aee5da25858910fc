// BridgeClient.exe: an application of the end-to-end runs that asks the controller for a TV
// action through the bridge library, as media players do. It loads
// "<common program files>\Korvath Shared\TVBRIDGE.dll", binds one request by name and calls it:
//   BridgeClient.exe query-turn-off-tv
//   BridgeClient.exe change-hdmi-output VALUE
//   BridgeClient.exe use-tv-enhancement VALUE
// Exit code: the request's result (1: posted or nobody to post to, 0: not registered), or
// 100 library missing, 101 entry missing, 102 bad command line.
// Win32 only.
#include <windows.h>
#include <shlobj.h>

#include <cwchar>
#include <string>

namespace {

constexpr int kLibraryMissing = 100;
constexpr int kEntryMissing = 101;
constexpr int kUsage = 102;
constexpr const wchar_t* kLibrarySubPath = L"\\Korvath Shared\\TVBRIDGE.dll";

using ValueRequest = int(WINAPI*)(int);
using Request = int(WINAPI*)();

bool parseValue(const wchar_t* text, int& value) {
    wchar_t* end = nullptr;
    const long parsed = std::wcstol(text, &end, 0);
    if (end == text || *end != L'\0') {
        return false;
    }
    value = static_cast<int>(parsed);
    return true;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        return kUsage;
    }
    const std::wstring command = argv[1];
    int value = 0;
    const char* entry = nullptr;
    if (command == L"query-turn-off-tv" && argc == 2) {
        entry = "TVBRIDGE_QueryTurnOffTV";
    } else if (command == L"change-hdmi-output" && argc == 3 && parseValue(argv[2], value)) {
        entry = "TVBRIDGE_ChangeHDMIOutput";
    } else if (command == L"use-tv-enhancement" && argc == 3 && parseValue(argv[2], value)) {
        entry = "TVBRIDGE_UseTVEnhancement";
    } else {
        return kUsage;
    }

    wchar_t folder[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES_COMMON, nullptr, SHGFP_TYPE_CURRENT, folder))) {
        return kLibraryMissing;
    }
    const std::wstring path = std::wstring(folder) + kLibrarySubPath;
    const HMODULE library = LoadLibraryW(path.c_str());
    if (library == nullptr) {
        return kLibraryMissing;
    }
    const FARPROC address = GetProcAddress(library, entry);
    int result = kEntryMissing;
    if (address != nullptr) {
        if (command == L"query-turn-off-tv") {
            result = reinterpret_cast<Request>(reinterpret_cast<void*>(address))();
        } else {
            result = reinterpret_cast<ValueRequest>(reinterpret_cast<void*>(address))(value);
        }
    }
    FreeLibrary(library);
    return result;
}
