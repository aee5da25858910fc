// The simulated loader and shell against the libraries and shell contracts.
#include "sim/SimLibraries.h"
#include "sim/SimShell.h"
#include "sim/SimThreads.h"
#include "sim/VirtualClock.h"
#include "tests/support/LibrariesContract.h"
#include "tests/support/ShellContract.h"

namespace {

void exported() {}

class SimLibrariesEnv {
public:
    SimLibrariesEnv() {
        m_libraries.addLibrary(folder() + L"\\" + fileName(), {{entry(), platform::EntryPoint{&exported}}});
    }
    platform::Libraries& libraries() { return m_libraries; }
    platform::ErrorCode lastError() { return m_threads.lastError(); }
    static std::wstring folder() { return L"C:\\Program Files\\Korvath\\Sentrix"; }
    static std::wstring fileName() { return L"panelid.dll"; }
    static const char* entry() { return "GetPanelid"; }
    static std::wstring otherFolder() { return L"C:\\Users\\Sentrix\\Downloads"; }

private:
    sim::VirtualClock m_clock;
    sim::SimLibraries m_libraries{m_clock};
    sim::SimThreads m_threads;
};

class SimShellEnv {
public:
    SimShellEnv() {
        m_shell.addProgram(program(),
                           [this](const std::wstring& parameters) { m_started.push_back(parameters); });
    }
    ~SimShellEnv() {
        for (const std::wstring& started : m_started) {
            EXPECT_EQ(started, parameters()) << "the program is started with what it was given";
        }
    }
    SimShellEnv(const SimShellEnv&) = delete;
    SimShellEnv& operator=(const SimShellEnv&) = delete;

    platform::Shell& shell() { return m_shell; }
    platform::ErrorCode lastError() { return m_threads.lastError(); }
    static std::wstring program() { return L"C:\\Windows\\system32\\cmd.exe"; }
    static std::wstring parameters() { return L"/c exit 0"; }
    static std::wstring missing() { return L"C:\\Windows\\system32\\SentrixNoSuchProgram.exe"; }

private:
    sim::VirtualClock m_clock;
    sim::SimShell m_shell{m_clock};
    sim::SimThreads m_threads;
    std::vector<std::wstring> m_started;
};

} // namespace

namespace testing_support {
using SimLibrariesEnvironments = ::testing::Types<SimLibrariesEnv>;
INSTANTIATE_TYPED_TEST_SUITE_P(Sim, LibrariesContract, SimLibrariesEnvironments);
using SimShellEnvironments = ::testing::Types<SimShellEnv>;
INSTANTIATE_TYPED_TEST_SUITE_P(Sim, ShellContract, SimShellEnvironments);
} // namespace testing_support
