// What a user sees: the TV and the PC following each other. The TV switches to the PC, routes
// away, goes to standby, asks for the menu; the PC announces itself and moves its picture and
// sound; the notice after start-up; the user's output key in every state of the link.
#include "tests/support/ControllerWorld.h"

#include "common/Vendor.h"
#include "controller/SentrixdDlg.h"

namespace {

using testing_support::Bytes;
using testing_support::ControllerWorld;
using Route = sim::TvModel::Route;
using Output = sim::SoundOutputModel::Output;

constexpr const wchar_t* kUserKey = L"SOFTWARE\\KORVATH\\Sentrixd";

class TvAndPcTest : public ControllerWorld {
protected:
    std::uint32_t arrangement() { return world.peers().display().arrangement(); }
    Output sound() { return world.peers().sound().output(); }
};

TEST_F(TvAndPcTest, TheTvSwitchingToThePcGetsActiveSourceMenuStatusThePictureAndThenTheSound) {
    startAttached();
    ASSERT_EQ(arrangement(), 0x1u);
    const std::uint64_t t0 = now();
    world.peers().tv().switchToPc(Route::SetStreamPath);
    runFor(15000);

    const auto active = sentWith(0x82, t0);
    const auto menu = sentWith(0x8E, t0);
    ASSERT_EQ(active.size(), 1u);
    ASSERT_EQ(menu.size(), 1u);
    EXPECT_EQ(active[0].bytes, (Bytes{0x4F, 0x82, 0x10, 0x00}));
    EXPECT_EQ(menu[0].bytes, (Bytes{0x40, 0x8E, 0x00}));
    EXPECT_EQ(menu[0].time - active[0].time, 500u);
    EXPECT_EQ(arrangement(), 0x100u);
    EXPECT_TRUE(trace->hasText("Display is Changed"));
    EXPECT_EQ(sound(), Output::Hdmi);
    ASSERT_FALSE(world.peers().shell().executes().empty());
    EXPECT_EQ(world.peers().shell().executes().back().parameters, L"/HDMI");
    EXPECT_TRUE(world.peers().tv().showsPc());
    EXPECT_TRUE(trace->hasText("setActiveSource(ACTIVE)"));
    // The display is kept on when the TV switches to the PC.
    EXPECT_FALSE(world.peers().session().executionStateCalls().empty());
}

TEST_F(TvAndPcTest, TheSoundFollowsByMessageWhenTheSoundChangerRuns) {
    world.peers().sound().startRunning();
    startAttached();
    world.peers().tv().switchToPc(Route::SetStreamPath);
    runFor(15000);
    EXPECT_EQ(sound(), Output::Hdmi);
    EXPECT_TRUE(world.peers().sound().starts().empty()) << "no program is started when its window exists";
    ASSERT_FALSE(world.peers().sound().messages().empty());
    EXPECT_EQ(world.peers().sound().messages().back().wParam, 1u);
}

TEST_F(TvAndPcTest, RoutingAwayStandbyAndAnotherActiveSourceBringThePictureBack) {
    struct Case {
        const char* name;
        std::function<void(sim::TvModel&)> action;
    };
    const Case cases[] = {
        {"routing change to 2.0.0.0", [](sim::TvModel& tv) { tv.switchTo(0x2000, Route::RoutingChange); }},
        {"standby", [](sim::TvModel& tv) { tv.standby(); }},
        {"active source of another device",
         [](sim::TvModel& tv) {
             tv.sendRaw(sim::makeFrame(3, 0xF, 0x82, {0x30, 0x00}));
         }},
    };
    startAttached();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        world.peers().tv().switchToPc(Route::SetStreamPath);
        runFor(15000);
        ASSERT_EQ(arrangement(), 0x100u);
        const std::uint64_t t0 = now();
        c.action(world.peers().tv());
        runFor(15000);
        EXPECT_EQ(arrangement(), 0x1u);
        EXPECT_EQ(sound(), Output::Speaker);
        const auto inactive = sentWith(0x9D, t0);
        ASSERT_EQ(inactive.size(), 1u);
        EXPECT_EQ(inactive[0].bytes, (Bytes{0x40, 0x9D, 0x10, 0x00}));
    }
}

TEST_F(TvAndPcTest, RoutingWithinThePcsBranchOrTowardsItFollowsTheFirstByteRule) {
    startAttached();
    const std::uint64_t t0 = now();
    world.peers().tv().sendRaw(sim::makeFrame(0, 0xF, 0x80, {0x10, 0x00, 0x10, 0x10})); // 1.0.0.0 -> 1.0.1.0
    runFor(10000);
    EXPECT_TRUE(sentFrames(t0).empty());
    EXPECT_EQ(arrangement(), 0x1u);
    world.peers().tv().sendRaw(sim::makeFrame(0, 0xF, 0x80, {0x20, 0x00, 0x10, 0x00})); // 2.0.0.0 -> 1.0.0.0
    runFor(15000);
    EXPECT_EQ(arrangement(), 0x100u) << "routed to the PC";
    EXPECT_TRUE(sentWith(0x82, t0).empty()) << "without launcher mode nothing is announced";
    EXPECT_TRUE(trace->hasText("Issue SetStreamPath"));
}

TEST_F(TvAndPcTest, ASetStreamPathForAnotherAddressChangesNothing) {
    startAttached();
    const std::uint64_t t0 = now();
    world.peers().tv().switchTo(0x2000, Route::SetStreamPath);
    runFor(10000);
    EXPECT_TRUE(sentFrames(t0).empty());
    EXPECT_TRUE(trace->contains("ERROR Invalid Physical Address"));
    EXPECT_EQ(arrangement(), 0x1u);
}

TEST_F(TvAndPcTest, OnlyThreeMenuRequestsAnnounceTheActiveSourceUntilTheCounterIsCleared) {
    startAttached();
    const std::uint64_t t0 = now();
    for (int i = 0; i < 4; ++i) {
        world.peers().tv().sendMenuRequest(0x02);
        runFor(3000);
    }
    EXPECT_EQ(sentWith(0x82, t0).size(), 3u);
    const auto menu = sentWith(0x8E, t0);
    ASSERT_EQ(menu.size(), 4u);
    EXPECT_EQ(menu[0].bytes, (Bytes{0x40, 0x8E, 0x00})) << "answered to the TV, the initiator";

    // A broadcast menu request is ignored; one from an unregistered device is answered to the TV.
    const std::uint64_t t1 = now();
    world.peers().tv().sendRaw(sim::makeFrame(0, 0xF, 0x8D, {0x00}));
    world.peers().tv().sendRaw(sim::makeFrame(0xF, 4, 0x8D, {0x00}));
    runFor(5000);
    const auto later = sentWith(0x8E, t1);
    ASSERT_EQ(later.size(), 1u);
    EXPECT_EQ(later[0].bytes[0], 0x40);
}

TEST_F(TvAndPcTest, DeckAndTunerRequestsBecomeMediaCommandsOrAborts) {
    startAttached();
    const std::uint64_t t0 = now();
    auto& tv = world.peers().tv();
    const std::size_t posts = world.desktop().posts().size();
    tv.sendPlay(0x24);
    tv.sendPlay(0x05);
    tv.sendDeckControl(0x03);
    tv.sendTunerStepIncrement();
    tv.sendGiveDeckStatus(0x02);
    tv.sendGiveDeckStatus(0x01);
    tv.sendGiveTunerDeviceStatus(0x07);
    const std::uint8_t service[] = {0x01, 0x02, 0x03, 0x04};
    tv.sendSelectDigitalService(service);
    runFor(5000);
    std::vector<platform::LParam> commands;
    for (std::size_t i = posts; i < world.desktop().posts().size(); ++i) {
        if (world.desktop().posts()[i].message == platform::wm::kAppCommand) {
            commands.push_back(world.desktop().posts()[i].lParam);
        }
    }
    EXPECT_EQ(commands, (std::vector<platform::LParam>{0x2E0000, 0x0D0000, 0x330000}));
    EXPECT_TRUE(trace->hasText("Received <Play>:Not Support"));
    const auto aborts = sentWith(0x00, t0);
    ASSERT_EQ(aborts.size(), 3u);
    EXPECT_EQ(aborts[0].bytes, (Bytes{0x40, 0x00, 0x1A, 0x01}));
    EXPECT_EQ(aborts[1].bytes, (Bytes{0x40, 0x00, 0x08, 0x03}));
    EXPECT_EQ(aborts[2].bytes, (Bytes{0x40, 0x00, 0x93, 0x03}));
}

TEST_F(TvAndPcTest, GiveOsdNameIsAnsweredWithTheModelFamilyName) {
    startAttached();
    world.peers().tv().sendGiveOsdName();
    runFor(3000);
    EXPECT_EQ(world.peers().tv().pcOsdName(), std::optional<std::string>("Vireo"));
}

struct NoticeCase {
    const char* name;
    std::uint32_t tvVendor;
    bool speaksCec;
    std::uint32_t notShowCecKorvath;
    std::uint32_t notShowNotSupport;
    std::optional<int> variant; // the notice shown, if any
};
void PrintTo(const NoticeCase& c, std::ostream* os) {
    *os << c.name;
}

class NoticeTest : public TvAndPcTest, public ::testing::WithParamInterface<NoticeCase> {};

TEST_P(NoticeTest, TheNoticeAfterStartupTellsWhetherTheTvSupportsHdmiControl) {
    const NoticeCase& c = GetParam();
    world.peers().tv().setVendorId(c.tvVendor);
    world.peers().setTvWithoutCec(!c.speaksCec);
    world.registry().setDword(platform::kHkeyLocalMachine, kUserKey, L"NotifyNotShowCecKorvath",
                              c.notShowCecKorvath);
    world.registry().setDword(platform::kHkeyLocalMachine, kUserKey, L"NotifyNotShowNotSupport",
                              c.notShowNotSupport);
    auto& controller = startAttached(30000);
    if (c.variant) {
        ASSERT_EQ(controller.noticesShown().size(), 1u);
        EXPECT_EQ(controller.noticesShown()[0].variant, *c.variant);
    } else {
        EXPECT_TRUE(controller.noticesShown().empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Tvs, NoticeTest,
    ::testing::Values(NoticeCase{"maker", kKorvathVendorId, true, 0, 0, 1},
                      NoticeCase{"maker suppressed", kKorvathVendorId, true, 1, 0, std::nullopt},
                      NoticeCase{"other vendor", 0x00E091, true, 0, 0, 0},
                      NoticeCase{"other vendor suppressed", 0x00E091, true, 0, 1, std::nullopt},
                      NoticeCase{"no CEC", kKorvathVendorId, false, 0, 0, 0},
                      NoticeCase{"no CEC suppressed", kKorvathVendorId, false, 0, 1, std::nullopt}),
    [](const ::testing::TestParamInfo<NoticeCase>& info) {
        std::string name = info.param.name;
        for (char& ch : name) {
            ch = std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
        }
        return name;
    });

TEST_F(TvAndPcTest, AHotPlugDuringStartupAsksForOneNoticeOnly) {
    world.peers().tv().setVendorId(kKorvathVendorId);
    world.peers().plugCable(); // hot plug high arrives while the controller is starting up
    auto& controller = start();
    controller.runFor(20000);
    ASSERT_TRUE(trace->hasText("Received HPD High Event"));
    ASSERT_EQ(controller.noticesShown().size(), 1u);
    EXPECT_EQ(controller.noticesShown()[0].variant, 1);
    // Polled from the last dialog read on, the notice is reported once.
    std::size_t next = 0;
    const auto polled = controller.noticesShownFrom(next);
    ASSERT_EQ(polled.size(), 1u);
    EXPECT_EQ(polled[0].window, controller.noticesShown()[0].window);
    EXPECT_EQ(next, controller.dialogs().dialogs().size());
    EXPECT_TRUE(controller.noticesShownFrom(next).empty());
}

TEST_F(TvAndPcTest, LauncherModePostsNoNoticeAndRoutingAnnouncesThePc) {
    world.registry().setDword(platform::kHkeyLocalMachine, kUserKey, L"LauncherShowMode", 1);
    auto& controller = startAttached(30000);
    EXPECT_TRUE(controller.noticesShown().empty());
    const std::uint64_t t0 = now();
    world.peers().tv().switchToPc(Route::RoutingChange);
    runFor(15000);
    EXPECT_EQ(sentWith(0x82, t0).size(), 1u);
    EXPECT_EQ(sentWith(0x8E, t0).size(), 1u);
    ASSERT_TRUE(trace->contains("ERROR No Item Exist")) << "the launcher is asked when the PC becomes active";
    ASSERT_EQ(world.desktop().messageBoxes().size(), 1u) << "it had nothing to show";
    EXPECT_EQ(world.desktop().messageBoxes()[0].text, L"No application found for this operation.");
}

} // namespace
