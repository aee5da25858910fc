// Remote keys that act, in the simulated world: which command of a rule runs when several
// command bits are set, the media keys of one TV brand, the rule's delay in virtual time, the
// disc eject with and without a drive, and the run command against App Paths.
#include "tests/support/ControllerWorld.h"

#include "controller/SentrixdDlg.h"
#include "platform/Registry.h"

#include <cwchar>
#include <random>

namespace {

using testing_support::ControllerWorld;

constexpr const wchar_t* kMachineRules = L"SOFTWARE\\KORVATH\\Sentrixd\\Setting";
constexpr std::uint32_t kMediaWindowStyle = 0x48C04172;

class CommandTest : public ControllerWorld {
protected:
    // A machine-wide rule, copied to the user at the controller's first start.
    void rule(const std::wstring& name, const std::wstring& text) {
        ASSERT_EQ(world.registry().setString(platform::kHkeyLocalMachine, kMachineRules, name, text),
                  platform::error::kSuccess);
    }
    void key(std::uint8_t code) {
        world.peers().remoteKey(code);
        runFor(10);
    }
    std::size_t batches() { return world.peers().keyboard().inputBatches().size(); }
    std::size_t starts() {
        std::size_t n = 0;
        for (const auto& e : world.peers().shell().executes()) {
            n += e.file.find(L"Tonemux") == std::wstring::npos ? 1 : 0;
        }
        return n;
    }
    std::size_t mediaWindows() { return world.peers().media().created().size(); }
    std::size_t menus() { return menusShown(); }
};

struct PrecedenceCase {
    const char* name;
    const wchar_t* command; // m_dwCommand as written in the rule
    std::size_t batches, starts, mediaWindows, ejects, menus;
    bool returnFalse;
};

class CommandPrecedence : public CommandTest, public ::testing::WithParamInterface<PrecedenceCase> {};

TEST_P(CommandPrecedence, OneCommandRunsForAnyCombinationOfBits) {
    const PrecedenceCase& c = GetParam();
    world.peers().media().setDrive(true, true);
    // "0D" is the Enter key to the key command and a program that is not installed to the run command.
    rule(L"Probe", std::wstring(L"0,70,0,,0,") + c.command + L",0D");
    launcherKey();
    launcherItem(L"Notes", 0, L"Notes", L"notepad.exe");
    startAttached();
    trace->clear();
    key(0x70);
    EXPECT_EQ(batches(), c.batches);
    EXPECT_EQ(starts(), c.starts);
    EXPECT_EQ(mediaWindows(), c.mediaWindows);
    EXPECT_EQ(world.peers().media().ejects().size(), c.ejects);
    EXPECT_EQ(menus(), c.menus);
    EXPECT_EQ(trace->hasText("Failed to executeCommand():0x4000ff05"), c.returnFalse);
    EXPECT_EQ(trace->hasText("Return TRUE"), !c.returnFalse && c.menus == 0);
    EXPECT_TRUE(controller().running());
}

INSTANTIATE_TEST_SUITE_P(Bits, CommandPrecedence,
                         ::testing::Values(PrecedenceCase{"None", L"0", 0, 0, 0, 0, 0, true},
                                           PrecedenceCase{"UnknownBitOnly", L"1000", 0, 0, 0, 0, 0, true},
                                           PrecedenceCase{"Run", L"100", 0, 1, 0, 0, 0, true},
                                           PrecedenceCase{"Key", L"200", 1, 0, 0, 0, 0, false},
                                           PrecedenceCase{"KeyOverRun", L"300", 1, 0, 0, 0, 0, false},
                                           PrecedenceCase{"EjectExactly", L"801", 0, 0, 1, 1, 0, false},
                                           PrecedenceCase{"OtherWithoutLowBit", L"800", 0, 0, 0, 0, 0, false},
                                           PrecedenceCase{"OtherOverKeyAndRun", L"B01", 0, 0, 0, 0, 0, false},
                                           PrecedenceCase{"MenuOverAll", L"F01", 0, 0, 0, 0, 1, false},
                                           PrecedenceCase{"MenuWithLowBit", L"401", 0, 0, 0, 0, 1, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CommandTest, KeyRuleTypesItsChordIntoTheForegroundWindow) {
    rule(L"Copy", L"0,71,0,,0,200,11&43");
    startAttached();
    const platform::WindowHandle editor = world.bringToFront(L"Editor");
    key(0x71);
    const auto& batches = world.peers().keyboard().inputBatches();
    ASSERT_EQ(batches.size(), 1u);
    EXPECT_EQ(batches[0].focus, editor);
    ASSERT_EQ(batches[0].events.size(), 4u);
    const std::uint16_t vks[] = {0x11, 0x43, 0x11, 0x43};
    const std::uint32_t flags[] = {0, 0, platform::kKeyEventKeyUp, platform::kKeyEventKeyUp};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(batches[0].events[i].virtualKey, vks[i]) << i;
        EXPECT_EQ(batches[0].events[i].flags, flags[i]) << i;
    }
}

TEST_F(CommandTest, TheSameKeyActsByTheApplicationInFront) {
    rule(L"Deck", L"0,72,401,\"KorAvdeck,,\",0,200,20");
    rule(L"Other", L"0,72,0,,0,200,0D");
    startAttached();
    world.bringToFront(L"KorAvdeckMain");
    key(0x72);
    world.bringToFront(L"Notepad");
    key(0x72);
    const auto& batches = world.peers().keyboard().inputBatches();
    ASSERT_EQ(batches.size(), 2u);
    EXPECT_EQ(batches[0].focusClass, L"KorAvdeckMain");
    EXPECT_EQ(batches[0].events[0].virtualKey, 0x20);
    EXPECT_EQ(batches[1].focusClass, L"Notepad");
    EXPECT_EQ(batches[1].events[0].virtualKey, 0x0D);
}

TEST_F(CommandTest, TheRuleDelayBlocksForItsMillisecondsOfVirtualTime) {
    rule(L"Late", L"0,73,0,,1F4,200,0D");
    startAttached();
    const std::uint64_t pressed = now();
    world.peers().remoteKey(0x73);
    runFor(1000);
    ASSERT_EQ(batches(), 1u);
    // The event service delivers at once; the command waits 500 ms on the controller's thread.
    EXPECT_EQ(world.peers().keyboard().inputBatches()[0].time, pressed + 500);
}

struct VendorKeyCase {
    std::uint8_t key;
    platform::LParam lParam;
};

class VendorMediaKeys : public CommandTest, public ::testing::WithParamInterface<VendorKeyCase> {
protected:
    void shadowingRule() {
        wchar_t text[40];
        std::swprintf(text, 40, L"0,%02X,0,,0,200,0D", static_cast<unsigned>(GetParam().key));
        rule(L"Shadowed", text);
    }
};

TEST_P(VendorMediaKeys, OfTheBrandBroadcastAnApplicationCommandInsteadOfTheRule) {
    shadowingRule();
    world.peers().tv().setVendorId(0x008045);
    startAttached();
    key(GetParam().key);
    EXPECT_EQ(batches(), 0u);
    const auto& post = world.desktop().posts().back();
    EXPECT_EQ(post.to, platform::kBroadcastWindow);
    EXPECT_EQ(post.message, platform::wm::kAppCommand);
    EXPECT_EQ(post.wParam, 0u);
    EXPECT_EQ(post.lParam, GetParam().lParam);
}

TEST_P(VendorMediaKeys, OfAnotherBrandRunTheRule) {
    shadowingRule();
    world.peers().tv().setVendorId(0x008046);
    startAttached();
    const std::size_t posts = world.desktop().posts().size();
    key(GetParam().key);
    EXPECT_EQ(batches(), 1u);
    for (std::size_t i = posts; i < world.desktop().posts().size(); ++i) {
        EXPECT_NE(world.desktop().posts()[i].message, platform::wm::kAppCommand);
    }
}

INSTANTIATE_TEST_SUITE_P(Keys, VendorMediaKeys,
                         ::testing::Values(VendorKeyCase{0xE4, 0x000E0000}, VendorKeyCase{0xE5, 0x000D0000},
                                           VendorKeyCase{0xE6, 0x00310000}, VendorKeyCase{0xE7, 0x00320000}));

struct EjectCase {
    const char* name;
    bool present, ejectable;
    std::size_t ejects;
};

class EjectMedia : public CommandTest, public ::testing::WithParamInterface<EjectCase> {};

TEST_P(EjectMedia, OpensTheDriveInAQuietMediaWindowAndClosesIt) {
    const EjectCase& c = GetParam();
    world.peers().media().setDrive(c.present, c.ejectable);
    rule(L"Eject", L"0,74,0,,0,801,");
    startAttached();
    key(0x74);
    const auto& created = world.peers().media().created();
    ASSERT_EQ(created.size(), 1u);
    EXPECT_EQ(created[0].style, kMediaWindowStyle);
    EXPECT_EQ(created[0].parent, controller().window());
    EXPECT_EQ(world.peers().media().openWindows(), 0u);
    EXPECT_EQ(world.peers().media().ejects().size(), c.ejects);
    EXPECT_EQ(world.peers().media().errorDialogs(), 0);
    EXPECT_TRUE(world.desktop().messageBoxes().empty());
    EXPECT_TRUE(trace->hasText("Return TRUE"));
    EXPECT_TRUE(controller().running());
}

INSTANTIATE_TEST_SUITE_P(Drives, EjectMedia,
                         ::testing::Values(EjectCase{"Ejectable", true, true, 1},
                                           EjectCase{"Locked", true, false, 0},
                                           EjectCase{"NoDrive", false, true, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CommandTest, RunRuleStartsTheFirstRegisteredAlternativeWithItsArguments) {
    world.installApplication(L"B.exe", L"BWindow");
    rule(L"Run", L"0,75,0,,0,100,\"A.exe /x,B.exe /y\"");
    startAttached();
    key(0x75);
    const auto& executes = world.peers().shell().executes();
    ASSERT_FALSE(executes.empty());
    EXPECT_EQ(executes.back().file, L"B.exe");
    EXPECT_EQ(executes.back().parameters, L"/y");
    EXPECT_EQ(executes.back().showCommand, platform::sw::kShowNormal);
    EXPECT_TRUE(executes.back().started);
    const sim::SimDesktop::WindowInfo* front = world.desktop().info(world.desktop().foreground());
    ASSERT_NE(front, nullptr);
    EXPECT_EQ(front->className, L"BWindow");
    // The controller's window was brought to the front with the input attached, and detached again.
    EXPECT_TRUE(world.peers().focus().attached().empty());
    EXPECT_GE(world.peers().focus().foregroundRequests(), 1);
}

TEST_F(CommandTest, RunRuleWithNothingRegisteredTriesTheLastAlternative) {
    rule(L"Run", L"0,76,0,,0,100,\"A.exe /x,B.exe /y\"");
    startAttached();
    key(0x76);
    const auto& executes = world.peers().shell().executes();
    ASSERT_FALSE(executes.empty());
    EXPECT_EQ(executes.back().file, L"B.exe");
    EXPECT_FALSE(executes.back().started);
    EXPECT_TRUE(trace->contains("ERROR ShellExecute()"));
    EXPECT_TRUE(trace->hasText("Failed to executeCommand():0x4000ff05"));
}

// Rule parameters and flags of any content: the controller answers every key and keeps running.
TEST_F(CommandTest, AnyParameterAndFlagsLeaveTheControllerRunning) {
    std::mt19937 random(11);
    const std::wstring alphabet = L"0123456789ABCDEFGHIJ&|,\" /x";
    const wchar_t* commands[] = {L"0", L"100", L"200", L"300", L"800", L"801", L"900", L"FFFFFFFF", L"zz"};
    for (int i = 0; i < 40; ++i) {
        std::wstring param;
        const int length = static_cast<int>(random() % 400);
        for (int k = 0; k < length; ++k) {
            param.push_back(alphabet[random() % alphabet.size()]);
        }
        rule(L"Random" + std::to_wstring(i), L"0," + std::to_wstring(10 + i % 9) + L",0,,0," +
                                                 commands[random() % std::size(commands)] + L",\"" + param +
                                                 L"\"");
    }
    world.peers().media().setDrive(true, true);
    startAttached();
    for (std::uint8_t code = 10; code < 19; ++code) {
        key(code);
    }
    EXPECT_TRUE(controller().running());
    for (const auto& batch : world.peers().keyboard().inputBatches()) {
        for (const auto& event : batch.events) {
            EXPECT_GE(event.virtualKey, 1);
            EXPECT_LE(event.virtualKey, 0xFE);
        }
    }
}

} // namespace
