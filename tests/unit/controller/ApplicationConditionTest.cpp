// The window condition of a rule against the simulated desktop: each check, their order and
// combination, the condition text, class-name containment and the stand-alone foreground
// question.
#include "controller/ApplicationCondition.h"
#include "controller/Context.h"

#include "sim/SimDesktop.h"
#include "sim/SimSync.h"
#include "tests/support/TraceCapture.h"

#include <gtest/gtest.h>

#include "common/Text.h"
#include <string>

namespace {

using Info = sim::SimDesktop::WindowInfo;

class ApplicationConditionTest : public ::testing::Test {
protected:
    platform::WindowHandle window(const std::wstring& className, const std::wstring& title = L"",
                                  std::uint32_t style = 0, platform::WindowHandle parent = 0,
                                  platform::WindowHandle owner = 0) {
        return desktop.addModelWindow(Info{className, title, style, parent, 7, true, owner}, nullptr);
    }
    int match(std::uint32_t flags, const std::wstring& conditionText) {
        rule.m_dwCondition = flags;
        EXPECT_TRUE(rule.setCondition(conditionText));
        ApplicationCondition condition(windowing);
        EXPECT_EQ(condition.setCmdInfo(&rule), Condition::kSuccess);
        return condition.isMatch();
    }

    testing_support::TraceCapture trace;
    sim::VirtualClock clock;
    sim::SimDesktop desktop{clock};
    sim::SimSync sync;
    sim::UiThread& thread = desktop.createUiThread(100, 0x1a4);
    sim::SimWindowing windowing{desktop, thread, sync};
    CmdInfo rule;
};

TEST_F(ApplicationConditionTest, ForegroundAndParentChecks) {
    EXPECT_EQ(match(0, L""), 1) << "no flags: always applies, even with no window at all";
    EXPECT_EQ(match(0x401, L"Avdeck,,"), 0);
    EXPECT_TRUE(trace.contains("ERROR!! in ApplicationCondition::isTopmost ERROR Forground is NULL"));
    EXPECT_TRUE(trace.contains("ERROR!! in ApplicationCondition::isMatch ERROR Condition is Unmatch"));

    const platform::WindowHandle player = window(L"KorAvdeck");
    desktop.setForeground(player);
    EXPECT_EQ(match(0x401, L"Avdeck,,"), 1);
    EXPECT_EQ(match(0x401, L"Netreel"), 0);
    EXPECT_EQ(match(0x400, L"Avdeck"), 0) << "the gate alone checks nothing, so nothing holds";
    EXPECT_EQ(match(0x402, L"Avdeck"), 0);
    EXPECT_TRUE(trace.contains("ERROR!! in ApplicationCondition::isParentTopmost ERROR Parent is NULL"));

    // The foreground window is top-level: its parent is the owner of a pop-up window.
    constexpr std::uint32_t kPopup = 0x80000000;
    desktop.setForeground(window(L"#32770", L"Settings", kPopup, 0, player));
    EXPECT_EQ(match(0x402, L"Avdeck"), 1);
    EXPECT_EQ(match(0x403, L"Avdeck"), 1) << "the checks combine by OR";
    EXPECT_EQ(match(0x401, L"Avdeck"), 0);

    desktop.setForeground(window(L"Overlapped", L"", 0, 0, player));
    EXPECT_EQ(match(0x402, L"Avdeck"), 0) << "an owned window without WS_POPUP has no parent";

    // A child window cannot be the foreground window: its top-level ancestor is.
    desktop.setForeground(window(L"Edit", L"", 0, window(L"Pane", L"", 0, player)));
    EXPECT_EQ(match(0x401, L"Avdeck"), 1);
    EXPECT_EQ(match(0x402, L"Avdeck"), 0);
}

TEST_F(ApplicationConditionTest, WindowExistenceAndStyleChecks) {
    EXPECT_EQ(match(0x404, L",,"), 0);
    EXPECT_TRUE(trace.contains("ERROR!! in ApplicationCondition::isFound ERROR Not Find Window"));
    window(L"Other", L"Desk");
    EXPECT_EQ(match(0x404, L",,"), 1) << "empty class and title: any top-level window";

    window(L"KorAvdeck", L"My, Movie", platform::kWsMaximize);
    window(L"Netreel", L"", platform::kWsMinimize);
    EXPECT_EQ(match(0x404, L"KorAvdeck,\"My, Movie\",extra"), 1);
    EXPECT_EQ(match(0x404, L"KorAvdeck,Other title"), 0);
    EXPECT_EQ(match(0x404, L"\"\",Desk"), 1) << "title only: the empty class written as a quoted field";
    EXPECT_EQ(match(0x404, L",Desk"), 0) << "a leading separator is skipped: Desk is the class name";
    EXPECT_EQ(match(0x410, L"KorAvdeck"), 1);
    EXPECT_EQ(match(0x420, L"KorAvdeck"), 0);
    EXPECT_EQ(match(0x420, L"Netreel"), 1);
    EXPECT_EQ(match(0x410, L"Missing"), 0);
    EXPECT_TRUE(trace.contains("ERROR!! in ApplicationCondition::getWindowStyle ERROR Not Find Window"));
    EXPECT_EQ(match(0x434, L"Netreel"), 1) << "exists holds first";
}

TEST_F(ApplicationConditionTest, MissingRuleOrUnterminatedConditionText) {
    ApplicationCondition condition(windowing);
    EXPECT_EQ(condition.isMatch(), 0);
    EXPECT_EQ(condition.setCmdInfo(nullptr), Condition::kErrorNoCmdInfo);
    EXPECT_EQ(trace.count("ERROR Invalid Parameters"), 2u);

    rule.m_dwCondition = 0x401;
    ASSERT_TRUE(rule.setCondition(L"\"KorAvdeck,,"));
    EXPECT_EQ(condition.setCmdInfo(&rule), Context::kErrorUnterminated);
    EXPECT_TRUE(trace.contains(
        "ERROR!! in ApplicationCondition::setCmdInfo ERROR Context::getNextToken():0x80000201"));
}

struct Containment {
    std::wstring foregroundClass;
    std::wstring name;
    bool found;
};
void PrintTo(const Containment& c, std::ostream* os) {
    *os << text::toUtf8(c.foregroundClass) << " contains " << text::toUtf8(c.name);
}

class ApplicationConditionTopmostAppTest : public ApplicationConditionTest,
                                           public ::testing::WithParamInterface<Containment> {};

TEST_P(ApplicationConditionTopmostAppTest, FindsTheForegroundWindowWhenItsClassContainsTheName) {
    const platform::WindowHandle foreground = window(GetParam().foregroundClass);
    desktop.setForeground(foreground);
    ApplicationCondition condition(windowing);
    EXPECT_EQ(condition.isTopmostApp(GetParam().name), GetParam().found ? foreground : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Names, ApplicationConditionTopmostAppTest,
    ::testing::Values(Containment{L"KorAvdeck", L"Avdeck", true},
                      Containment{L"KorAvdeck", L"KORAVDECK", true},
                      Containment{L"KorAvdeck", L"korAvdeck", false}, // first character must match exactly
                      Containment{L"xAVDECKx", L"Avdeck", true}, Containment{L"xaVDECK", L"Avdeck", false},
                      Containment{L"KorAvdec", L"Avdeck", false}, Containment{L"KorAvdeck", L"", false},
                      Containment{L"WinDVDClass", L"WinDVDClass", true},
                      Containment{std::wstring(256, L'x') + L"Avdeck", L"Avdeck",
                                  false})); // past 256 characters

TEST_F(ApplicationConditionTest, TopmostAppTracesWhatItCompares) {
    ApplicationCondition condition(windowing);
    EXPECT_EQ(condition.isTopmostApp(L"KORDVDCLASS"), 0u);
    EXPECT_TRUE(trace.contains(") : Forground is NULL"));
    desktop.setForeground(window(L"KorAvdeck"));
    EXPECT_EQ(condition.isTopmostApp(L"KORDVDCLASS"), 0u);
    EXPECT_TRUE(
        trace.contains(") : Foreground ClassName is [KorAvdeck] / Specified ClassName is [KORDVDCLASS]"));
}

} // namespace
