// The parts of the steps both targets carry out alike: the registry value written through the
// registry port (with the refusal named), and the message each controller-bound step posts.
#include "tools/scenario/SharedActions.h"

#include "sim/SimRegistry.h"
#include "tools/scenario/ScenarioParser.h"

#include <gtest/gtest.h>

namespace {

using namespace scenario;

Action actionOf(const std::string& line) {
    Step step;
    ScenarioError error;
    EXPECT_EQ(parseLine(line, "a.scn", 1, step, error), LineParse::Step) << error.text();
    return step.action;
}

TEST(SharedActions, ARegistrySetWritesThroughThePortAndNamesWhatWasRefused) {
    sim::SimRegistry registry;
    EXPECT_EQ(writeRegistryValue(registry, actionOf("registry set HKLM\\SOFTWARE\\K\\New V dword 7")), "");
    const auto value = registry.getValue(platform::kHkeyLocalMachine, L"SOFTWARE\\K\\New", L"V");
    ASSERT_TRUE(value) << "the key was created";
    EXPECT_EQ(value->type, kRegDword);
    EXPECT_EQ(value->bytes, (std::vector<std::uint8_t>{7, 0, 0, 0}));

    registry.failOpen(platform::kHkeyCurrentUser, L"SOFTWARE\\Locked", platform::error::kAccessDenied);
    EXPECT_EQ(writeRegistryValue(registry, actionOf("registry set HKCU\\SOFTWARE\\Locked @ string x")),
              "the registry refuses the key SOFTWARE\\Locked");
    EXPECT_FALSE(registry.getValue(platform::kHkeyCurrentUser, L"SOFTWARE\\Locked", L""));
}

TEST(SharedActions, EachControllerBoundStepPostsItsMessageAndOtherStepsNone) {
    const auto named = controllerPost(actionOf("post QUICKMENU_NOTIFY_CLOSE_MENU 3 4"));
    ASSERT_TRUE(named);
    EXPECT_EQ(named->name, L"QUICKMENU_NOTIFY_CLOSE_MENU");
    EXPECT_EQ(named->wParam, 3u);
    EXPECT_EQ(named->lParam, 4u);
    EXPECT_EQ(named->from, Sender::Application);

    const auto numbered = controllerPost(actionOf("post 0x8485"));
    ASSERT_TRUE(numbered);
    EXPECT_TRUE(numbered->name.empty());
    EXPECT_EQ(numbered->message, 0x8485u);
    EXPECT_EQ(numbered->what, "message 0x8485");

    const auto changed = controllerPost(actionOf("settings changed"));
    ASSERT_TRUE(changed);
    EXPECT_EQ(changed->name, L"SENTRIXSET_CHANGED");
    EXPECT_EQ(changed->from, Sender::SettingsProgram);

    const auto stop = controllerPost(actionOf("controller stop"));
    ASSERT_TRUE(stop);
    EXPECT_EQ(stop->message, platform::wm::kClose);

    for (const char* line : {"output-key", "pc suspend", "bridge turn-off-tv", "tv standby"}) {
        EXPECT_FALSE(controllerPost(actionOf(line)))
            << line << " reaches the controller differently per world";
    }
}

} // namespace
