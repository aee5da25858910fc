// Output switching and the requests of the other programs: the display change confirmed and
// re-asserted by timer 4, the sound changer, the on-screen name by language and model, the
// settings reload, the bridge library's requests, the key hook and the browser-back key.
#include "tests/support/ControllerWorld.h"

#include "common/Text.h"
#include "common/Vendor.h"
#include "controller/SentrixdDlg.h"

namespace {

using testing_support::Bytes;
using testing_support::ControllerWorld;
using Route = sim::TvModel::Route;
using Output = sim::SoundOutputModel::Output;

constexpr const wchar_t* kMachineKey = L"SOFTWARE\\KORVATH\\Sentrixd";

class OutputsTest : public ControllerWorld {
protected:
    std::size_t setMonitorDeviceCalls() {
        std::size_t n = 0;
        for (const auto& call : world.peers().display().calls()) {
            n += call.entry == sim::DisplayModel::Entry::SetMonitorDevice ? 1 : 0;
        }
        return n;
    }
    std::string osdNameSent() {
        const auto names = ceccCommands(0x40);
        return names.empty() ? std::string()
                             : std::string(names.back().bytes.begin(), names.back().bytes.end());
    }
};

TEST_F(OutputsTest, ADisplayThatNeverChangesIsReassertedUpToTheRetryCountAndTheSoundStays) {
    world.registry().setDword(platform::kHkeyLocalMachine, kMachineKey, L"DisplayChangeTimeRetry", 2);
    auto& controller = startAttached();
    world.peers().display().setSwitchNeverTakesEffect(true);
    const std::size_t before = setMonitorDeviceCalls();
    world.peers().tv().switchToPc(Route::SetStreamPath);
    runFor(40000);
    EXPECT_EQ(setMonitorDeviceCalls() - before, 3u) << "once directly, twice from the timer";
    EXPECT_EQ(trace->count("Display is NOT Changed yet"), 2u);
    EXPECT_FALSE(world.desktop().timerRunning(controller.window(), CSentrixdDlg::kTimerDisplay));
    EXPECT_EQ(world.peers().sound().output(), Output::Speaker);
}

TEST_F(OutputsTest, ARunEndsAtItsTimeWhileTheDisplayIsReassertedWithoutEnd) {
    // Retry count 0 re-asserts without end, and each tick waits 3000 ms, longer than the
    // timer's period: the timer is always due again, and the run must still end at its time.
    world.registry().setDword(platform::kHkeyLocalMachine, kMachineKey, L"DisplayChangeTimeRetry", 0);
    world.registry().setDword(platform::kHkeyLocalMachine, kMachineKey, L"DisplayChangeTimeDiff", 1000);
    auto& controller = startAttached();
    world.peers().display().setSwitchNeverTakesEffect(true);
    world.peers().tv().switchToPc(Route::SetStreamPath);
    const std::uint64_t end = now() + 60000;
    EXPECT_TRUE(controller.runUntil(end));
    EXPECT_GE(now(), end);
    EXPECT_LT(now(), end + 10000) << "one handler at most runs past the end";
    EXPECT_GT(trace->count("Display is NOT Changed yet"), 10u);
    EXPECT_TRUE(world.desktop().timerRunning(controller.window(), CSentrixdDlg::kTimerDisplay));
}

TEST_F(OutputsTest, ADisconnectDuringADisplayChangeStopsIt) {
    auto& controller = startAttached();
    world.peers().display().setSwitchNeverTakesEffect(true);
    world.peers().tv().switchToPc(Route::SetStreamPath);
    runFor(5000);
    world.peers().unplugCable();
    runFor(30000);
    EXPECT_TRUE(trace->hasText("Return for HDMI disconnect"));
    EXPECT_FALSE(world.desktop().timerRunning(controller.window(), CSentrixdDlg::kTimerDisplay));
}

TEST_F(OutputsTest, AnArrangementAlreadyOnHdmiOnlyMovesTheSound) {
    world.peers().display().setArrangement(0x100);
    startAttached(30000);
    const std::size_t before = setMonitorDeviceCalls();
    world.peers().tv().switchToPc(Route::SetStreamPath);
    runFor(15000);
    EXPECT_EQ(setMonitorDeviceCalls(), before);
    EXPECT_TRUE(trace->hasText("NOT Call EDIDHelper::SetMonitorDevice()"));
    EXPECT_EQ(world.peers().sound().output(), Output::Hdmi);
}

TEST_F(OutputsTest, HotPlugHighMovesTheSoundWhenTheArrangementIncludesHdmi) {
    world.peers().display().setArrangement(0x4000000);
    startAttached();
    world.peers().unplugCable();
    runFor(500);
    world.peers().display().setArrangement(0x80);
    world.peers().plugCable();
    runFor(10000);
    EXPECT_TRUE(trace->hasText("Current MonitorDevice include HDMI"));
    EXPECT_EQ(world.peers().sound().output(), Output::Hdmi);
}

TEST_F(OutputsTest, WithoutTheSoundChangerProgramTheDisplayChangeStillHappens) {
    world.peers().shell().setSoundOutputModel(nullptr); // Tonemux.exe is not installed
    startAttached();
    world.peers().tv().switchToPc(Route::SetStreamPath);
    runFor(15000);
    EXPECT_EQ(world.peers().display().arrangement(), 0x100u);
    EXPECT_TRUE(trace->contains("ERROR ::ShellExecute()"));
    EXPECT_EQ(world.peers().shell().executes().back().file,
              L"C:\\Program Files\\Korvath\\Sentrix\\Tonemux.exe");
    EXPECT_EQ(world.peers().shell().executes().back().showCommand, platform::sw::kHide);
}

struct OsdCase {
    const wchar_t* language;
    const wchar_t* model;
    const char* name;
};
void PrintTo(const OsdCase& c, std::ostream* os) {
    *os << "language " << text::toUtf8(c.language) << ", model " << text::toUtf8(c.model);
}

class OsdNameTest : public ControllerWorld, public ::testing::WithParamInterface<OsdCase> {};

TEST_P(OsdNameTest, TheOnScreenNameFollowsLanguageAndModel) {
    world.peers().locale().setLanguage(GetParam().language);
    world.peers().wmi().setModel(std::wstring(GetParam().model));
    start();
    std::string expected = GetParam().name;
    expected.resize(14, '\0');
    const auto names = ceccCommands(0x40);
    ASSERT_EQ(names.size(), 1u);
    std::string sent(names[0].bytes.begin(), names[0].bytes.end());
    sent.resize(12); // the command's W3 to W5 carry the first 12 bytes
    EXPECT_EQ(sent, expected.substr(0, 12));
    EXPECT_TRUE(trace->hasText(std::string("Set OSD Name : ") + GetParam().name));
}

INSTANTIATE_TEST_SUITE_P(Languages, OsdNameTest,
                         ::testing::Values(OsdCase{L"0411", L"  Vireo Lumaro SX 7 ", "Vireo"},
                                           OsdCase{L"0411", L"LUMARO SX-2", "Lumaro SX"},
                                           OsdCase{L"0411", L"Book 5", "Lumaro"},
                                           OsdCase{L"0409", L"Vireo VX-7", "Korvath PC"},
                                           OsdCase{L"040C", L"Lumaro SX", "Korvath PC"}));

TEST_F(OutputsTest, NoOnScreenNameWhenTheLanguageCannotBeRead) {
    world.peers().locale().setFailing(true);
    start();
    EXPECT_TRUE(ceccCommands(0x40).empty());
}

TEST_F(OutputsTest, TheSettingsReloadResendsTheOperationModeAndRedoesTheAttach) {
    startAttached();
    world.registry().setBinary(platform::kHkeyCurrentUser, kMachineKey, L"CECCOperationMode", {0x11});
    world.registry().setDword(platform::kHkeyCurrentUser, kMachineKey, L"LauncherShowMode", 1);
    const auto notifies = ceccCommands(0x30).size();
    postRegistered(L"SENTRIXSET_CHANGED", 0);
    runFor(10000);
    ASSERT_FALSE(ceccCommands(0x07).empty());
    EXPECT_EQ(ceccCommands(0x07).back().bytes, Bytes{0x11});
    EXPECT_TRUE(trace->hasText("LauncherShowMode=1"));
    EXPECT_EQ(ceccCommands(0x30).size(), notifies + 1) << "HDMI control is on: the attach runs again";

    world.firmware().setSetting(0x154, 0);
    postRegistered(L"SENTRIXSET_CHANGED", 0);
    runFor(10000);
    EXPECT_EQ(ceccCommands(0x30).size(), notifies + 1) << "HDMI control is off: no attach";
}

TEST_F(OutputsTest, TheBridgeLibraryRequestsTurnTheTvOffMoveTheOutputAndSetEnhancedMode) {
    startAttached();
    std::uint64_t t0 = now();
    postRegistered(L"TVBRIDGEDLL_CHANGE_HDMI_OUTPUT", 256);
    runFor(20000);
    EXPECT_EQ(sentWith(0x0D, t0).size(), 1u) << "One Touch Play";
    EXPECT_EQ(world.peers().display().arrangement(), 0x100u) << "confirmed by timer 4 with target HDMI";

    t0 = now();
    postRegistered(L"TVBRIDGEDLL_CHANGE_HDMI_OUTPUT", 5);
    runFor(1000);
    EXPECT_TRUE(sentFrames(t0).empty()) << "other values move only the sound";

    t0 = now();
    postRegistered(L"TVBRIDGEDLL_USE_TV_ENHANCEMENT", 3);
    runFor(1000);
    ASSERT_EQ(sentWith(0xA0, t0).size(), 1u);
    EXPECT_EQ(sentWith(0xA0, t0)[0].bytes, (Bytes{0x40, 0xA0, 0x0A, 0x1B, 0x2C, 0x30, 0x03}));
    EXPECT_TRUE(trace->hasText("Received Message:m_uiUseTvEnhancement(pcfinemode:3)"));

    t0 = now();
    postRegistered(L"TVBRIDGEDLL_QUERY_TURN_OFF_TV", 0);
    runFor(1000);
    ASSERT_EQ(sentWith(0x9D, t0).size(), 1u);
    EXPECT_EQ(world.peers().sound().output(), Output::Speaker);
}

TEST_F(OutputsTest, SuspendWhileActiveSaysInactiveSourceButKeepsTheFlag) {
    startAttached();
    world.peers().tv().switchToPc(Route::SetStreamPath);
    runFor(15000);
    const std::uint64_t t0 = now();
    world.suspend();
    runFor(100);
    world.resume(0);
    runFor(20000);
    EXPECT_EQ(sentWith(0x9D, t0).size(), 1u);
    // Still the active source: a hot plug high does not start the attach again.
    trace->clear();
    postRegistered(L"KORVATH_TILES_NOTIFY_EVENT", 0x1581);
    runFor(100);
    EXPECT_FALSE(trace->contains("Enter CSentrixdDlg::onHotPlugDetectHigh"));
}

TEST_F(OutputsTest, AQuitTakenWhileWaitingForTheUnlockStillEndsTheController) {
    auto& controller = startAttached();
    trace->clear();
    world.lockSession();
    world.suspend();
    world.resume(0x31);
    // While the controller waits for the unlock, its thread receives a quit.
    world.clock().scheduleAfter(1000, [&controller] { controller.program().windowing.postQuitMessage(3); });
    EXPECT_FALSE(controller.runFor(5000)) << "the quit reaches the message loop";
    EXPECT_TRUE(trace->contains("Enter CSentrixdDlg::OnResume"));
    EXPECT_FALSE(trace->contains("Enter CSentrixdDlg::manageWakeup")) << "the wake-up is not run";
}

} // namespace
