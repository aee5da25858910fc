// Win32Libraries and Win32Shell against the system: the libraries and shell contracts.
// Win32 only.
#include "platform/win32/Win32System.h"
#include "platform/win32/Win32Threads.h"
#include "tests/support/LibrariesContract.h"
#include "tests/support/ShellContract.h"

#include <windows.h>

#include <filesystem>
#include <string>

namespace {

// The test program's own folder, where the contract's library is built.
std::wstring programFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::filesystem::path(path).parent_path().wstring();
}

class Win32LibrariesEnv {
public:
    Win32LibrariesEnv() {
        wchar_t temp[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH + 1, temp);
        m_other = std::filesystem::path(temp) /
                  (L"SentrixLibrariesContract." + std::to_wstring(GetCurrentProcessId()));
        std::filesystem::create_directories(m_other);
    }
    ~Win32LibrariesEnv() {
        std::error_code ignored;
        std::filesystem::remove_all(m_other, ignored);
    }
    Win32LibrariesEnv(const Win32LibrariesEnv&) = delete;
    Win32LibrariesEnv& operator=(const Win32LibrariesEnv&) = delete;

    platform::Libraries& libraries() { return m_libraries; }
    platform::ErrorCode lastError() { return m_threads.lastError(); }
    static std::wstring folder() { return programFolder(); }
    static std::wstring fileName() { return L"sentrixcontract.dll"; }
    static const char* entry() { return "SentrixContractEntry"; }
    std::wstring otherFolder() const { return m_other.wstring(); }

private:
    platform::win32::Win32Libraries m_libraries;
    platform::win32::Win32Threads m_threads;
    std::filesystem::path m_other;
};

class Win32ShellEnv {
public:
    platform::Shell& shell() { return m_shell; }
    platform::ErrorCode lastError() { return m_threads.lastError(); }
    static std::wstring program() { return systemFolder() + L"\\cmd.exe"; }
    static std::wstring parameters() { return L"/c exit 0"; }
    static std::wstring missing() { return systemFolder() + L"\\SentrixNoSuchProgram.exe"; }

private:
    static std::wstring systemFolder() {
        wchar_t path[MAX_PATH] = {};
        GetSystemDirectoryW(path, MAX_PATH);
        return path;
    }
    platform::win32::Win32Shell m_shell;
    platform::win32::Win32Threads m_threads;
};

} // namespace

namespace testing_support {
using Win32LibrariesEnvironments = ::testing::Types<Win32LibrariesEnv>;
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, LibrariesContract, Win32LibrariesEnvironments);
using Win32ShellEnvironments = ::testing::Types<Win32ShellEnv>;
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, ShellContract, Win32ShellEnvironments);
} // namespace testing_support
