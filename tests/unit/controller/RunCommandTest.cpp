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

// The ports a run command needs, on a simulated desktop.
struct RunPorts {
    sim::VirtualClock clock;
    sim::SimRegistry registry;
    sim::SimDesktop desktop{clock};
    sim::SimSync sync;
    sim::UiThread& thread = desktop.createUiThread(0x400, 0x1a4);
    sim::SimWindowing windowing{desktop, thread, sync};
    sim::SimShell shell{clock};
    NoFocus focus;
    RunCommand command{registry, windowing, focus, shell, 0x777};
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
    RunPorts p;
    if (c.registered != nullptr) {
        platform::RegKey key = 0;
        ASSERT_EQ(p.registry.createKey(platform::kHkeyLocalMachine, c.registered, platform::RegAccess::All,
                                       key, nullptr),
                  platform::error::kSuccess);
        p.registry.closeKey(key);
    }
    CmdInfo rule;
    ASSERT_TRUE(rule.setParam(L"A.exe /x,B.exe /y"));
    p.command.setCmdInfo(&rule);
    p.command.execute();
    ASSERT_EQ(p.shell.executes().size(), 1u);
    EXPECT_EQ(p.shell.executes()[0].file, c.file);
    EXPECT_EQ(p.shell.executes()[0].parameters, c.arguments);
    EXPECT_EQ(p.focus.activated, 0x777u);
}

INSTANTIATE_TEST_SUITE_P(
    AppPaths, RunCommandAlternatives,
    ::testing::Values(RunCase{"OnlySecondRegistered",
                              L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\B.exe", L"B.exe",
                              L"/y"},
                      RunCase{"FirstRegistered32Bit",
                              L"SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\App Paths\\A.exe",
                              L"A.exe", L"/x"},
                      RunCase{"NoneRegisteredStartsLast", nullptr, L"B.exe", L"/y"}),
    [](const auto& info) { return std::string(info.param.name); });

struct SplitCase {
    const char* name;
    const wchar_t* param;
    const wchar_t* file;
    const wchar_t* arguments;
};

class RunCommandSplit : public ::testing::TestWithParam<SplitCase> {};

// Nothing is registered: the last alternative that could be read stays chosen.
TEST_P(RunCommandSplit, ProgramAndArgumentsOfTheLastReadableAlternative) {
    const SplitCase& c = GetParam();
    RunPorts p;
    CmdInfo rule;
    ASSERT_TRUE(rule.setParam(c.param));
    p.command.setCmdInfo(&rule);
    EXPECT_EQ(p.command.setInstalledApplication(), 0);
    EXPECT_EQ(p.command.file(), c.file);
    EXPECT_EQ(p.command.arguments(), c.arguments);
}

INSTANTIATE_TEST_SUITE_P(
    Parameters, RunCommandSplit,
    ::testing::Values(SplitCase{"QuotedNameWithBlanks", L"\"C:\\Program Files\\P\\p.exe\" /full",
                                L"C:\\Program Files\\P\\p.exe", L"/full"},
                      SplitCase{"QuotedArgumentKeepsQuotesAndComma", L"B.exe \"/title=a, b\"", L"B.exe",
                                L"\"/title=a, b\""},
                      SplitCase{"ArgumentsLoseLeadingBlanksOnly", L"B.exe    /a  /b ", L"B.exe", L"/a  /b "},
                      SplitCase{"UnterminatedFirst", L"\"A.exe /x,B.exe", L"", L""},
                      SplitCase{"UnterminatedLater", L"A.exe /x,\"B.exe", L"A.exe", L"/x"},
                      SplitCase{"UnterminatedInsideArguments", L"A.exe /x,B.exe \"/y", L"A.exe", L"/x"},
                      SplitCase{"Empty", L"", L"", L""}, SplitCase{"EmptyAlternatives", L",,", L"", L""},
                      SplitCase{"OnlyBlanks", L"   ", L"", L""}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
