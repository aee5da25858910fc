// The processes and thread-starter ports' contract against OpenProcess, CreateThread and
// WaitForMultipleObjects (under Wine on Linux). The process the test ends is a suspended copy
// of the test program. Win32 only.
#include "platform/win32/Win32Processes.h"
#include "platform/win32/Win32Sync.h"
#include "tests/support/ProcessPortsContract.h"

#include <windows.h>

#include <map>

namespace {

class Win32ProcessEnv {
public:
    ~Win32ProcessEnv() {
        for (const auto& [id, process] : m_children) {
            TerminateProcess(process, 0);
            CloseHandle(process);
        }
    }
    platform::Processes& processes() { return m_processes; }
    platform::ThreadStarter& starter() { return m_starter; }
    platform::Sync& sync() { return m_sync; }
    std::uint32_t startProcess() {
        wchar_t path[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, path, MAX_PATH);
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION info = {};
        if (!CreateProcessW(path, nullptr, nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr,
                            &startup, &info)) {
            ADD_FAILURE() << "CreateProcessW failed: " << GetLastError();
            return 0;
        }
        CloseHandle(info.hThread);
        m_children[info.dwProcessId] = info.hProcess;
        return info.dwProcessId;
    }
    void endProcess(std::uint32_t process) {
        const auto it = m_children.find(process);
        if (it != m_children.end()) {
            TerminateProcess(it->second, 0);
            WaitForSingleObject(it->second, INFINITE);
            CloseHandle(it->second);
            m_children.erase(it);
        }
    }
    platform::ErrorCode lastError() { return GetLastError(); }

private:
    platform::win32::Win32Processes m_processes;
    platform::win32::Win32ThreadStarter m_starter;
    platform::win32::Win32Sync m_sync;
    std::map<std::uint32_t, HANDLE> m_children;
};

} // namespace

namespace testing_support {
using Win32ProcessEnvironments = ::testing::Types<Win32ProcessEnv>;
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, ProcessPortsContract, Win32ProcessEnvironments);
} // namespace testing_support
