// The link as the user lives it: the cable going out and in, the output key in every state of
// the link, waking the PC through the TV with the session locked, suspend while active, and
// the controller without its display library or with a firmware that misbehaves.
#include "tests/support/ControllerWorld.h"

#include "controller/SentrixdDlg.h"

#include <random>

namespace {

using testing_support::Bytes;
using testing_support::ControllerWorld;
using Route = sim::TvModel::Route;

class LinkTest : public ControllerWorld {
protected:
    void makeActive() {
        world.peers().tv().switchToPc(Route::SetStreamPath);
        runFor(15000);
        ASSERT_TRUE(trace->hasText("setActiveSource(ACTIVE)"));
    }
    void tiles(std::uint32_t code) { postRegistered(L"KORVATH_TILES_NOTIFY_EVENT", code); }
    void outputKey() { postRegistered(L"HDMIOUT_CHANGE_OUTPUT", 0); }
    std::uint32_t arrangement() { return world.peers().display().arrangement(); }
};

TEST_F(LinkTest, ACableOutForLessThanTheCheckKeepsEverythingAndReplugNotifiesAgain) {
    auto& controller = startAttached();
    const auto notifies = ceccCommands(0x30).size();
    world.peers().unplugCable();
    runFor(1000);
    EXPECT_TRUE(world.desktop().timerRunning(controller.window(), CSentrixdDlg::kTimerDisconnect));
    world.peers().plugCable();
    runFor(20000);
    EXPECT_FALSE(trace->contains("HDMI is Disconnected"));
    EXPECT_FALSE(world.desktop().timerRunning(controller.window(), CSentrixdDlg::kTimerDisconnect));
    EXPECT_EQ(ceccCommands(0x30).size(), notifies + 1);
    EXPECT_EQ(ceccCommands(0x30).back().bytes, (Bytes{0x10, 0x00}));
}

TEST_F(LinkTest, ACableOutPastTheCheckMakesThePcInactiveAndForgetsTheLink) {
    startAttached();
    makeActive();
    const std::uint64_t t0 = now();
    world.peers().unplugCable();
    runFor(20000);
    EXPECT_TRUE(trace->hasText("HDMI is Disconnected"));
    EXPECT_TRUE(trace->hasText("Clear CEC status"));
    EXPECT_EQ(arrangement(), 0x1u);
    EXPECT_EQ(sentWith(0x9D, t0).size(), 1u);
    // The link is forgotten until the next attach: no address, no logical address.
    const CecCertificationStatus& status = controller().dlg()->m_cecCertStatus;
    EXPECT_EQ(status.physicalAddressHigh, 0xFF);
    EXPECT_EQ(status.physicalAddressLow, 0xFF);
    EXPECT_EQ(status.logicalAddress, 15);
    EXPECT_EQ(status.statusBit4, 0);
}

TEST_F(LinkTest, ACableOutWhileActiveIsCheckedEvenWhenItComesBackAtOnce) {
    startAttached();
    makeActive();
    world.peers().unplugCable();
    runFor(500);
    world.peers().plugCable();
    runFor(5000);
    EXPECT_TRUE(trace->hasText("HDMI is Connected"));
    EXPECT_FALSE(trace->contains("Clear CEC status"));
}

TEST_F(LinkTest, TheOutputKeyPlaysOneTouchPlayAndATogglesBack) {
    startAttached();
    const std::uint64_t t0 = now();
    outputKey();
    runFor(20000);
    const auto viewOn = sentWith(0x0D, t0);
    const auto active = sentWith(0x82, t0);
    const auto menu = sentWith(0x8E, t0);
    ASSERT_EQ(viewOn.size(), 1u);
    ASSERT_EQ(active.size(), 1u);
    ASSERT_EQ(menu.size(), 1u);
    EXPECT_EQ(active[0].time - viewOn[0].time, 2000u);
    EXPECT_EQ(menu[0].time - active[0].time, 500u);
    EXPECT_EQ(menu[0].bytes[0], 0x40);
    EXPECT_EQ(arrangement(), 0x100u);
    EXPECT_TRUE(world.peers().tv().showsPc());

    // Pressed again while the picture is on the TV: back to the notebook, no One Touch Play.
    const std::uint64_t t1 = now();
    outputKey();
    runFor(20000);
    EXPECT_TRUE(sentWith(0x0D, t1).empty());
    EXPECT_EQ(sentWith(0x9D, t1).size(), 1u);
    EXPECT_EQ(arrangement(), 0x1u);
}

TEST_F(LinkTest, TheOutputKeyWithATvWithoutCecShowsTheMessageOnceAnswered) {
    world.peers().setTvWithoutCec(true);
    startAttached(30000);
    const std::uint64_t t0 = now();
    outputKey();
    runFor(10000);
    EXPECT_TRUE(sentWith(0x0D, t0).empty());
    ASSERT_EQ(world.desktop().messageBoxes().size(), 1u);
    EXPECT_EQ(world.desktop().messageBoxes()[0].text, L"This is only effective when the PC is connected to a "
                                                      L"TV which supports HDMI Control through the HDMI "
                                                      L"cable.");
}

TEST_F(LinkTest, TheOutputKeyBeforeTheAddressIsKnownPlaysOneTouchPlayAtTheAddressResponse) {
    // The TV's EDID reaches the display library late: the first attach finds no address.
    world.peers().display().setDetectionDelay(60000);
    auto& controller = startAttached(30000);
    ASSERT_TRUE(trace->contains("Failed getPhysicalAddress()"));
    world.peers().display().setDetectionDelay(0);
    world.peers().plugCable(); // already plugged: nothing new on the wire
    controller.runFor(40000);
    const std::uint64_t t0 = now();
    outputKey();
    runFor(30000);
    EXPECT_TRUE(trace->hasText("Call onHotPlugDetectHigh()"));
    EXPECT_TRUE(trace->hasText("OneTouchPlay flag is Set"));
    EXPECT_EQ(sentWith(0x0D, t0).size(), 1u);
    EXPECT_EQ(arrangement(), 0x100u);
}

// An address whose second byte is unknown (1.0.f.f) is not the PC's whole address: neither the
// address response nor the status response plays One Touch Play with it.
TEST_F(LinkTest, AnIncompleteAddressNeverPlaysOneTouchPlayAfterAnAttachWithThePictureOnTheTv) {
    world.peers().tv().setPcAddress(0x10FF);
    world.peers().display().setArrangement(0x100);
    startAttached(30000);
    ASSERT_EQ(ceccCommands(0x30).front().bytes, (Bytes{0x10, 0xFF}));
    EXPECT_TRUE(trace->hasText("Received:CEC Certification Status"));
    EXPECT_FALSE(trace->hasText("Execute One Touch Play process"));
    EXPECT_TRUE(sentWith(0x82).empty());
}

TEST_F(LinkTest, AnIncompleteAddressNeverPlaysOneTouchPlayForTheUsersRequestAtTheStatusResponse) {
    world.peers().tv().setPcAddress(0x10FF);
    world.peers().setTvWithoutCec(true);
    startAttached(30000);
    world.peers().setTvWithoutCec(false);
    const std::uint64_t t0 = now();
    outputKey(); // the last status knows no CEC TV: the request waits for the status response
    runFor(20000);
    EXPECT_TRUE(trace->hasText("OneTouchPlay flag is Set"));
    EXPECT_TRUE(sentWith(0x0D, t0).empty());
    EXPECT_TRUE(sentWith(0x82, t0).empty());
    EXPECT_TRUE(world.desktop().messageBoxes().empty());
}

TEST_F(LinkTest, TheOutputKeyWithHdmiControlOffShowsItsMessageOnlyOnce) {
    startAttached();
    world.firmware().setSetting(0x154, 0);
    world.desktop().setMessageBoxReaction(10000);
    outputKey();
    world.clock().scheduleAfter(1000, [this] { outputKey(); }); // pressed again while the box is open
    runFor(20000);
    ASSERT_EQ(world.desktop().messageBoxes().size(), 1u);
    EXPECT_EQ(world.desktop().messageBoxes()[0].text, L"To use HDMI Control, you must enable it.");
    EXPECT_EQ(world.desktop().messageBoxes()[0].caption, L"HDMI Control");
}

TEST_F(LinkTest, ACecWakeupWithTheSessionLockedWaitsForTheUnlock) {
    startAttached();
    makeActive();
    world.lockSession();
    const std::uint64_t suspendAt = now();
    world.suspend();
    runFor(100);
    EXPECT_EQ(sentWith(0x9D, suspendAt).size(), 1u) << "suspending while active says Inactive Source";
    world.resume(0x31);
    const std::uint64_t resumedAt = now();
    world.clock().scheduleAfter(30000, [this] { world.unlockSession(); });
    runFor(60000);
    const auto active = sentWith(0x82, resumedAt);
    ASSERT_EQ(active.size(), 1u);
    EXPECT_GE(active[0].time, resumedAt + 30000) << "nothing happens before the user unlocks";
    EXPECT_TRUE(trace->hasText("Wakeup Factor is CEC"));
    EXPECT_TRUE(trace->hasText("Execute Wakeup process"));
    EXPECT_EQ(sentWith(0x8E, resumedAt).size(), 1u);
    EXPECT_EQ(arrangement(), 0x100u);
}

TEST_F(LinkTest, APcThatTheTvSwitchedOnComesUpOnTheTvAtStartUp) {
    // The replies of the start-up configuration commands are still queued when the address
    // response is awaited; they must not be taken for it.
    world.firmware().setWakeupFactor(0x31);
    startAttached(40000);
    EXPECT_TRUE(trace->hasText("Wakeup Factor is CEC"));
    EXPECT_TRUE(trace->hasText("Execute Wakeup process"));
    const auto active = sentWith(0x82);
    ASSERT_FALSE(active.empty());
    EXPECT_EQ(active[0].bytes, (Bytes{0x4F, 0x82, 0x10, 0x00}));
    EXPECT_EQ(sentWith(0x8E).size(), 1u);
    EXPECT_EQ(arrangement(), 0x100u);
    EXPECT_FALSE(trace->contains("ERROR Physical Address Unknown"));
}

TEST_F(LinkTest, AWakeupFactorReadOnlyAtTheFourthAttemptStillLeadsToTheWakeup) {
    world.firmware().failWakeupFactorReads(3);
    world.firmware().setWakeupFactor(0x31);
    startAttached(40000);
    EXPECT_TRUE(trace->hasText("Wakeup Factor is CEC"));
    EXPECT_TRUE(trace->hasText("Execute Wakeup process"));
    EXPECT_FALSE(trace->contains("ERROR HardIOHelper::getWakeupFactor()"));
}

TEST_F(LinkTest, AWakeupFactorThatCannotBeReadGivesUpAfterFourAttempts) {
    world.firmware().failWakeupFactorReads(100);
    startAttached(40000);
    EXPECT_TRUE(trace->contains("ERROR HardIOHelper::getWakeupFactor()"));
    EXPECT_EQ(trace->count("Enter HardIOHelper::getWakeupFactor"), 4u);
}

TEST_F(LinkTest, WithoutTheDisplayLibraryTheControllerRunsButCannotSwitch) {
    world.libraries().removeLibrary(L"Panelid.dll");
    auto& controller = startAttached(30000);
    EXPECT_TRUE(controller.running());
    EXPECT_TRUE(trace->hasText("Failed EDIDHelper::initialize()"));
    EXPECT_EQ(ceccCommands(0x30).front().bytes, (Bytes{0xFF, 0xFF}));
    world.peers().tv().switchToPc(Route::SetStreamPath);
    runFor(10000);
    EXPECT_TRUE(trace->contains("ERROR Physical Address Unknown"));
    EXPECT_EQ(arrangement(), 0x1u);
}

TEST_F(LinkTest, WithoutTheBridgeLibraryNoKeyHookIsInstalled) {
    world.libraries().removeLibrary(L"TVBRIDGE.dll");
    auto& controller = startAttached();
    EXPECT_TRUE(controller.running());
    EXPECT_TRUE(trace->hasText("Failed TvbridgeHelper::initialize()"));
}

TEST_F(LinkTest, AFailingCecControllerIsLoggedAndTheControllerKeepsRunning) {
    world.peers().cecc().setFailing(true);
    auto& controller = startAttached();
    EXPECT_TRUE(controller.running());
    EXPECT_TRUE(trace->contains("ERROR CecControlCommand::notifyPhysicalAddress():0xffffffff"));
    world.peers().cecc().setFailing(false);
    outputKey();
    runFor(10000);
    EXPECT_TRUE(controller.running());
}

TEST_F(LinkTest, AControllerThatNeverAnswersIsAskedAgainEveryNotifyPeriod) {
    world.peers().cecc().setNeverAnswers(true);
    startAttached(30000);
    // Timer 2 reads the (stale) address response once; from then on timer 6 repeats the
    // certification query at its start-up period until an answer comes.
    const auto queries = ceccCommands(0x31);
    ASSERT_GE(queries.size(), 4u);
    for (std::size_t i = 1; i < queries.size(); ++i) {
        EXPECT_EQ(queries[i].time - queries[i - 1].time, 5000u);
    }
    EXPECT_TRUE(trace->contains("Failed replyCECCertificationStatus():0xfffffffe"));
}

TEST_F(LinkTest, FramesOfEveryLengthWithAnyBytesNeverCrashTheController) {
    auto& controller = startAttached();
    std::mt19937 random(7);
    for (int i = 0; i < 300; ++i) {
        sim::CecFrame frame;
        frame.length = random() % 17;
        for (std::size_t b = 0; b < frame.length; ++b) {
            frame.bytes[b] = static_cast<std::uint8_t>(random());
        }
        if (i % 3 == 0 && frame.length >= 2) {
            frame.bytes[0] = 0x04; // to the PC
        }
        world.peers().cecc().receive(frame, now());
        ASSERT_TRUE(controller.runFor(random() % 4000));
    }
}

TEST_F(LinkTest, AnyEdidTheTvShowsIsReadWithoutHarm) {
    auto& controller = startAttached();
    std::mt19937 random(99);
    for (int i = 0; i < 40; ++i) {
        sim::TvModel::Edid edid{};
        for (auto& b : edid) {
            b = static_cast<std::uint8_t>(random());
        }
        if (i % 2 == 0) {
            edid[128] = 0x02; // a CEA-861 revision 3 extension with random blocks
            edid[129] = 0x03;
        }
        world.peers().tv().setEdidOverride(edid);
        world.peers().unplugCable();
        controller.runFor(500);
        world.peers().plugCable();
        ASSERT_TRUE(controller.runFor(15000));
    }
    EXPECT_TRUE(trace->contains("ERROR Invalid tag or revision"));
}

} // namespace
