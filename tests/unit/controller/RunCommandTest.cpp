// The run command's alternatives against the App Paths registrations.
#include "controller/commands/RunCommand.h"

#include "sim/SimDesktop.h"
#include "sim/SimRegistry.h"
#include "sim/SimShell.h"
#include "sim/SimSync.h"

#include <gtest/gtest.h>

namespace {

class NoFocus final : public platform::InputFocus {
public:
    std::uint32_t windowThreadProcessId(platform::WindowHandle, std::uint32_t*) override { return 0; }
    bool attachThreadInput(std::uint32_t, std::uint32_t, bool) override { return false; }
    bool setForegroundWindow(platform::WindowHandle window) override {
        activated = window;
        return true;
    }
    platform::WindowHandle activated = 0;
};

struct RunCase {
    const char* name;
    const wchar_t* registered; // App Paths key made, or null
    const wchar_t* file;
    const wchar_t* arguments;
};

class RunCommandAlternatives : public ::testing::TestWithParam<RunCase> {};

TEST_P(RunCommandAlternatives, StartsFirstInstalledOrLast) {
    const RunCase& c = GetParam();
    sim::VirtualClock clock;
    sim::SimRegistry registry;
    sim::SimDesktop desktop(clock);
    sim::SimSync sync;
    sim::UiThread& thread = desktop.createUiThread(0x400, 0x1a4);
    sim::SimWindowing windowing(desktop, thread, sync);
    sim::SimShell shell(clock);
    NoFocus focus;
    if (c.registered != nullptr) {
        platform::RegKey key = 0;
        ASSERT_EQ(registry.createKey(platform::kHkeyLocalMachine, c.registered, platform::RegAccess::All, key, nullptr),
                  platform::error::kSuccess);
        registry.closeKey(key);
    }
    CmdInfo rule;
    ASSERT_TRUE(rule.setParam(L"A.exe /x,B.exe /y"));
    RunCommand command(registry, windowing, focus, shell, 0x777);
    command.setCmdInfo(&rule);
    command.execute();
    ASSERT_EQ(shell.executes().size(), 1u);
    EXPECT_EQ(shell.executes()[0].file, c.file);
    EXPECT_EQ(shell.executes()[0].parameters, c.arguments);
    EXPECT_EQ(focus.activated, 0x777u);
}

INSTANTIATE_TEST_SUITE_P(
    AppPaths, RunCommandAlternatives,
    ::testing::Values(
        RunCase{"OnlySecondRegistered", L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\B.exe", L"B.exe", L"/y"},
        RunCase{"FirstRegistered32Bit", L"SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\App Paths\\A.exe",
                L"A.exe", L"/x"},
        RunCase{"NoneRegisteredStartsLast", nullptr, L"B.exe", L"/y"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
