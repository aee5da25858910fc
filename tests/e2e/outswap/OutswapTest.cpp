// End-to-end tests of Outswap.exe under Wine: the real program started with CreateProcessW while a
// stand-in for the controller's window (or only look-alikes) exists, its exit code, the message
// it posts, its trace log line when the machine hive switches the log on, and its resources. The
// failure that a real system cannot be made to produce (a message name that cannot be
// registered) is played against the simulated desktop.
// Usage: sentrix_e2e_outswap --outswap=PATH/Outswap.exe [gtest options]
// Win32 only.
#include "outswap/Outswap.h"
#include "sim/SimDesktop.h"
#include "sim/SimSync.h"
#include "tests/e2e/bridge/ControllerStandIn.h"
#include "tests/support/TraceCapture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <string>
#include <vector>

using e2e::ControllerStandIn;
using e2e::Posted;

namespace {

constexpr DWORD kRunTimeoutMs = 30000;
constexpr const wchar_t* kTraceKey = L"SOFTWARE\\KORVATH\\Sentrixd\\TRACELOG";

std::wstring g_outswapPath;

struct ProgramRun {
    bool started = false;
    bool ended = false;
    DWORD exitCode = 0xFFFFFFFF;
    DWORD threadId = 0;
};

// Starts the program with the given command-line arguments and waits for its end.
ProgramRun runOutswap(const std::wstring& arguments = L"") {
    ProgramRun run;
    std::wstring commandLine = L"\"" + g_outswapPath + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(g_outswapPath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process)) {
        return run;
    }
    run.started = true;
    run.threadId = process.dwThreadId;
    if (WaitForSingleObject(process.hProcess, kRunTimeoutMs) == WAIT_OBJECT_0) {
        run.ended = true;
        GetExitCodeProcess(process.hProcess, &run.exitCode);
    } else {
        TerminateProcess(process.hProcess, 1);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return run;
}

// Values set under HKEY_LOCAL_MACHINE for one test. Afterwards the keys it had to create are
// deleted with everything in them, and the values it set in keys that were there before.
class MachineValues {
public:
    MachineValues() = default;
    ~MachineValues() {
        for (auto it = m_createdKeys.rbegin(); it != m_createdKeys.rend(); ++it) {
            RegDeleteTreeW(HKEY_LOCAL_MACHINE, it->c_str());
        }
        for (const auto& [key, name] : m_valuesInOldKeys) {
            RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), name.c_str());
        }
    }
    MachineValues(const MachineValues&) = delete;
    MachineValues& operator=(const MachineValues&) = delete;

    bool setDword(const std::wstring& key, const wchar_t* name, DWORD value) {
        return set(key, name, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    }
    bool setString(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
        return set(key, name, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }

private:
    bool created(const std::wstring& path) const {
        for (const std::wstring& key : m_createdKeys) {
            if (path == key || path.rfind(key + L"\\", 0) == 0) {
                return true;
            }
        }
        return false;
    }

    bool set(const std::wstring& keyPath, const wchar_t* name, DWORD type, const BYTE* data, DWORD size) {
        // Level by level, so that the first level that did not exist is known.
        HKEY key = nullptr;
        for (std::size_t end = 0; end != std::wstring::npos;) {
            end = keyPath.find(L'\\', end + 1);
            const std::wstring path = keyPath.substr(0, end);
            if (key != nullptr) {
                RegCloseKey(key);
            }
            DWORD disposition = 0;
            if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                &key, &disposition) != ERROR_SUCCESS) {
                return false;
            }
            if (disposition == REG_CREATED_NEW_KEY && !created(path)) {
                m_createdKeys.push_back(path);
            }
        }
        if (!created(keyPath)) {
            m_valuesInOldKeys.emplace_back(keyPath, name);
        }
        const bool done = RegSetValueExW(key, name, 0, type, data, size) == ERROR_SUCCESS;
        RegCloseKey(key);
        return done;
    }

    std::vector<std::wstring> m_createdKeys;
    std::vector<std::pair<std::wstring, std::wstring>> m_valuesInOldKeys;
};

bool machineKeyExists(const wchar_t* path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

// "[YYYY/MM/DD hh:mm:ss.mmm]" as the trace log stamps its lines, so that stamps compare as text.
std::string stamp(const SYSTEMTIME& t) {
    char text[32] = {};
    std::snprintf(text, sizeof(text), "[%04d/%02d/%02d %02d:%02d:%02d.%03d]", t.wYear, t.wMonth, t.wDay,
                  t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
    return text;
}

// "_YYYYMD", the log file's date suffix (UTC, no padding).
std::wstring dateSuffix(const SYSTEMTIME& utc) {
    return L"_" + std::to_wstring(utc.wYear) + std::to_wstring(utc.wMonth) + std::to_wstring(utc.wDay);
}

std::string readFile(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class OutswapTest : public ::testing::Test {
protected:
    const UINT changeOutputMessage = RegisterWindowMessageW(L"HDMIOUT_CHANGE_OUTPUT");
};

TEST_F(OutswapTest, PostsOneChangeOutputMessageToTheControllerAndExitsWithZero) {
    ControllerStandIn controller;
    const ProgramRun run = runOutswap();
    ASSERT_TRUE(run.started);
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exitCode, 0u);
    ASSERT_TRUE(controller.settle());
    EXPECT_EQ(controller.received(), (std::vector<Posted>{{changeOutputMessage, 0, 0}}));
}

TEST_F(OutswapTest, EveryRunPostsOnceWhateverTheCommandLine) {
    ControllerStandIn controller;
    EXPECT_EQ(runOutswap().exitCode, 0u);
    EXPECT_EQ(runOutswap(L"exit /HDMI First").exitCode, 0u);
    ASSERT_TRUE(controller.settle());
    EXPECT_EQ(controller.received(), std::vector<Posted>(2, Posted{changeOutputMessage, 0, 0}));
}

TEST_F(OutswapTest, WithoutTheControllerExitsWithZeroAndPostsNothing) {
    // Windows that match the class or the title alone are not the controller's.
    ControllerStandIn otherTitle(ControllerStandIn::kControllerClass, L"KorSentrixSuiteMain2");
    ControllerStandIn otherClass(ControllerStandIn::kDecoyClass, ControllerStandIn::kControllerTitle);
    const ProgramRun run = runOutswap();
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exitCode, 0u);
    ASSERT_TRUE(otherTitle.settle());
    ASSERT_TRUE(otherClass.settle());
    EXPECT_TRUE(otherTitle.received().empty());
    EXPECT_TRUE(otherClass.received().empty());
}

TEST_F(OutswapTest, WritesItsEnterLineAloneToTheConfiguredTraceLog) {
    wchar_t temp[MAX_PATH] = {};
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    const std::wstring folder =
        std::wstring(temp) + L"sentrix-e2e-outswap-" + std::to_wstring(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    const bool traceKeyExisted = machineKeyExists(kTraceKey);
    {
        MachineValues values;
        ASSERT_TRUE(values.setDword(std::wstring(kTraceKey) + L"\\Outswap", L"LOG_FUNC", 1));
        ASSERT_TRUE(values.setDword(std::wstring(kTraceKey) + L"\\Outswap", L"LOG_ERROR", 1));
        ASSERT_TRUE(values.setString(kTraceKey, L"TraceLogFilePath", folder + L"\\outswap.log"));

        ControllerStandIn controller;
        SYSTEMTIME utcBefore{}, localBefore{}, utcAfter{}, localAfter{};
        GetSystemTime(&utcBefore);
        GetLocalTime(&localBefore);
        const ProgramRun run = runOutswap();
        GetLocalTime(&localAfter);
        GetSystemTime(&utcAfter);
        ASSERT_TRUE(run.ended);
        EXPECT_EQ(run.exitCode, 0u);
        ASSERT_TRUE(controller.settle());
        EXPECT_EQ(controller.received().size(), 1u);

        std::wstring file = folder + L"\\outswap" + dateSuffix(utcBefore) + L".log";
        if (GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES) {
            file = folder + L"\\outswap" + dateSuffix(utcAfter) + L".log"; // the run crossed midnight
        }
        const std::string content = readFile(file);
        std::smatch line;
        ASSERT_TRUE(
            std::regex_match(content, line,
                             std::regex(R"( :TID\[0x([0-9a-f]+)\](\[[0-9/]{10} [0-9:]{8}\.[0-9]{3}\]) )"
                                        R"(\.\\Outswap\.cpp \(16\) : Enter wWinMain \r\n)")))
            << "log file content: '" << content << "'";
        EXPECT_EQ(std::stoul(line[1].str(), nullptr, 16), run.threadId);
        EXPECT_GE(line[2].str(), stamp(localBefore));
        EXPECT_LE(line[2].str(), stamp(localAfter));
        DeleteFileW(file.c_str());
    }
    RemoveDirectoryW(folder.c_str());
    EXPECT_EQ(machineKeyExists(kTraceKey), traceKeyExisted) << "not cleaned up";
}

BOOL CALLBACK collectType(HMODULE, LPWSTR type, LONG_PTR types) {
    if (IS_INTRESOURCE(type)) {
        reinterpret_cast<std::set<ULONG_PTR>*>(types)->insert(reinterpret_cast<ULONG_PTR>(type));
    }
    return TRUE;
}

TEST_F(OutswapTest, CarriesAnIconAVersionBlockAndAnAsInvokerManifestOnly) {
    const HMODULE image = LoadLibraryExW(g_outswapPath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(image, nullptr);
    std::set<ULONG_PTR> types;
    EnumResourceTypesW(image, &collectType, reinterpret_cast<LONG_PTR>(&types));
    EXPECT_EQ(types, (std::set<ULONG_PTR>{
                         reinterpret_cast<ULONG_PTR>(RT_ICON), reinterpret_cast<ULONG_PTR>(RT_GROUP_ICON),
                         reinterpret_cast<ULONG_PTR>(RT_VERSION), reinterpret_cast<ULONG_PTR>(RT_MANIFEST)}));

    const HRSRC manifest = FindResourceW(image, MAKEINTRESOURCEW(1), RT_MANIFEST);
    ASSERT_NE(manifest, nullptr);
    const auto* text = static_cast<const char*>(LockResource(LoadResource(image, manifest)));
    ASSERT_NE(text, nullptr);
    const std::string xml(text, SizeofResource(image, manifest));
    EXPECT_TRUE(std::regex_search(xml, std::regex(R"(<requestedExecutionLevel\s+level="asInvoker")"))) << xml;

    // The icon loads at both sizes it is drawn for.
    for (const int size : {16, 32}) {
        const HANDLE icon = LoadImageW(image, MAKEINTRESOURCEW(101), IMAGE_ICON, size, size, 0);
        EXPECT_NE(icon, nullptr) << size;
        if (icon != nullptr) {
            DestroyIcon(static_cast<HICON>(icon));
        }
    }
    FreeLibrary(image);
}

// A message name that cannot be registered: the error line after the entry line, nothing posted,
// exit code 0.
TEST(OutswapRunTest, AnUnregistrableMessageLogsItsErrorAndPostsNothing) {
    testing_support::TraceCapture trace;
    sim::VirtualClock clock;
    sim::SimDesktop desktop{clock};
    sim::SimSync sync;
    sim::UiThread& thread = desktop.createUiThread(0x100, 0x104);
    sim::SimWindowing windowing{desktop, thread, sync};
    sim::SimDesktop::WindowInfo controller;
    controller.className = L"#32770";
    controller.title = L"KorSentrixSuiteMain";
    desktop.addModelWindow(controller, [](const platform::Message&) {});
    desktop.failRegistration(L"HDMIOUT_CHANGE_OUTPUT");

    EXPECT_EQ(Outswap(windowing).run(), 0);
    EXPECT_EQ(trace.lines(), (std::vector<std::string>{".\\Outswap.cpp (16) : Enter wWinMain ",
                                                       ".\\Outswap.cpp (21) : ERROR!! in wWinMain ERROR "
                                                       "RegisterWindowMessage()"}));
    EXPECT_TRUE(desktop.posts().empty());
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    constexpr const char* kPathOption = "--outswap=";
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], kPathOption, std::strlen(kPathOption)) == 0) {
            g_outswapPath = e2e::windowsPath(argv[i] + std::strlen(kPathOption));
        }
    }
    if (g_outswapPath.empty()) {
        std::fprintf(stderr, "usage: %s --outswap=PATH/Outswap.exe [gtest options]\n", argv[0]);
        return 2;
    }
    return RUN_ALL_TESTS();
}
