// The notice on the simulated desktop: what it shows for each variant, what each way of closing
// it stores, its header band, hostile messages, and the release of every notice object.
#include "controller/SentrixdResources.h"
#include "controller/notice/NotifyBand.h"
#include "controller/notice/NotifyCecInfoDialogs.h"
#include "sim/SimDialogs.h"
#include "sim/SimWorld.h"
#include "tools/simrun/ControllerResources.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

using sim::SimDialogs;

constexpr const wchar_t* kProductKey = L"SOFTWARE\\KORVATH\\Sentrixd";
constexpr std::uint32_t kProcess = 0x5A0;
constexpr std::uint32_t kOtherProcess = 0x5B0;

const wchar_t* valueName(int variant) {
    return variant == 1 ? L"NotifyNotShowCecKorvath" : L"NotifyNotShowNotSupport";
}

class NoticeDialogTest : public ::testing::Test {
protected:
    NoticeDialogTest() {
        platform::RegKey key = 0;
        world.registry().createKey(platform::kHkeyCurrentUser, kProductKey, platform::RegAccess::Write, key,
                                   nullptr);
        world.registry().closeKey(key);
    }

    SimDialogs::Dialog& show(int variant) {
        notices.showNotifyCecInfo(variant);
        SimDialogs::Dialog* dialog = dialogs.openDialog(IDD_NOTIFY_CEC_INFO);
        EXPECT_NE(dialog, nullptr);
        return *dialog;
    }
    std::optional<std::uint32_t> stored(int variant) {
        const auto value =
            world.registry().getValue(platform::kHkeyCurrentUser, kProductKey, valueName(variant));
        if (!value || value->type != platform::regtype::kDword || value->bytes.size() != 4) {
            return std::nullopt;
        }
        return value->bytes[0] | value->bytes[1] << 8 | value->bytes[2] << 16 |
               static_cast<std::uint32_t>(value->bytes[3]) << 24;
    }
    bool post(platform::WindowHandle window, platform::MessageId message, platform::WParam wParam,
              platform::LParam lParam) {
        return world.desktop().post(window, message, wParam, lParam, kOtherProcess);
    }
    // Lets `ms` of virtual time pass, dispatching the thread's messages as they come due.
    void runFor(std::uint64_t ms) {
        const std::uint64_t until = world.clock().now() + ms;
        for (;;) {
            platform::Message message;
            while (world.desktop().takeMessage(thread, message)) {
                world.desktop().dispatch(message);
            }
            const std::optional<std::uint64_t> next = world.desktop().nextWakeTime(thread);
            if (!next || *next > until || *next <= world.clock().now()) {
                break;
            }
            world.clock().advanceTo(*next);
        }
        world.clock().advanceTo(until);
    }

    sim::SimWorld world;
    sim::UiThread& thread = world.desktop().createUiThread(kProcess, 0x5A4);
    SimDialogs dialogs{world.desktop(), thread, simrun::controllerResources()};
    NotifyCecInfoDialogs notices{dialogs, world.registry()};
};

class NoticeVariant : public NoticeDialogTest, public ::testing::WithParamInterface<int> {};

TEST_P(NoticeVariant, ShowsItsTextTitleIconAndCheckBoxAndRunsItsTenSecondTimer) {
    const int variant = GetParam();
    SimDialogs::Dialog& dialog = show(variant);
    EXPECT_EQ(dialog.title, L"HDMI Control");
    EXPECT_EQ(dialog.control(IDC_NOTIFY_MESSAGE)->text,
              variant == 1 ? TEXT_TV_SUPPORTS : TEXT_TV_NOT_SUPPORTED);
    EXPECT_EQ(dialog.control(IDC_NOTIFY_DONT_SHOW)->text, L"Do not display this message in the future.");
    EXPECT_EQ(dialog.control(IDC_NOTIFY_DONT_SHOW)->check, platform::kBstUnchecked);
    EXPECT_EQ(dialog.icon, static_cast<platform::ResourceId>(IDR_MAINFRAME));
    EXPECT_TRUE(world.desktop().info(dialog.window)->visible);
    EXPECT_EQ(world.desktop().info(dialog.window)->owner, 0u);
    EXPECT_EQ(world.desktop().timerPeriod(dialog.window, 7), std::optional<std::uint32_t>(10000));
    EXPECT_EQ(notices.lastNotice()->variant(), static_cast<std::uint32_t>(variant));
}

INSTANTIATE_TEST_SUITE_P(Variants, NoticeVariant, ::testing::Values(0, 1));

enum class Close { Ok, CloseBox, Escape, Timer, HostileTimer };

struct AnswerCase {
    const char* name;
    int variant;
    bool check;
    Close close;
    std::optional<std::uint32_t> stored;
};

class NoticeAnswerTest : public NoticeDialogTest, public ::testing::WithParamInterface<AnswerCase> {};

TEST_P(NoticeAnswerTest, OnlyOkStoresTheCheckBoxUnderTheVariantsValue) {
    const AnswerCase& c = GetParam();
    SimDialogs::Dialog& dialog = show(c.variant);
    const platform::WindowHandle window = dialog.window;
    if (c.check) {
        ASSERT_TRUE(dialogs.click(window, IDC_NOTIFY_DONT_SHOW));
    }
    switch (c.close) {
    case Close::Ok:
        ASSERT_TRUE(dialogs.click(window, platform::dlg::kIdOk));
        break;
    case Close::CloseBox:
        dialogs.clickCloseBox(window);
        runFor(1);
        break;
    case Close::Escape:
        dialogs.pressEscape(window);
        break;
    case Close::Timer:
        runFor(9999);
        EXPECT_TRUE(dialogs.isDialog(window)) << "open until the tenth second";
        runFor(1);
        break;
    case Close::HostileTimer:
        post(window, platform::wm::kTimer, 0xDEAD, 0x1234);
        runFor(1);
        break;
    }
    EXPECT_FALSE(dialogs.isDialog(window));
    EXPECT_EQ(stored(c.variant), c.stored);
    EXPECT_EQ(stored(1 - c.variant), std::nullopt) << "the other variant's value is left alone";
    EXPECT_EQ(notices.openCount(), 0u);
    EXPECT_EQ(notices.lastNotice(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, NoticeAnswerTest,
    ::testing::Values(AnswerCase{"SupportedCheckedOk", 1, true, Close::Ok, 1u},
                      AnswerCase{"SupportedUncheckedOk", 1, false, Close::Ok, 0u},
                      AnswerCase{"NotSupportedCheckedOk", 0, true, Close::Ok, 1u},
                      AnswerCase{"NotSupportedUncheckedOk", 0, false, Close::Ok, 0u},
                      AnswerCase{"CheckedCloseBox", 1, true, Close::CloseBox, std::nullopt},
                      AnswerCase{"CheckedEscape", 0, true, Close::Escape, std::nullopt},
                      AnswerCase{"CheckedTimer", 1, true, Close::Timer, std::nullopt},
                      AnswerCase{"AnyTimerMessage", 0, true, Close::HostileTimer, std::nullopt}),
    [](const ::testing::TestParamInfo<AnswerCase>& info) { return std::string(info.param.name); });

TEST_F(NoticeDialogTest, OkWithoutTheProductKeyStoresNothingAndStillCloses) {
    world.registry().deleteKey(platform::kHkeyCurrentUser, kProductKey);
    SimDialogs::Dialog& dialog = show(1);
    dialogs.click(dialog.window, IDC_NOTIFY_DONT_SHOW);
    dialogs.click(dialog.window, platform::dlg::kIdOk);
    EXPECT_FALSE(dialogs.isDialog(dialog.window));
    EXPECT_FALSE(
        world.registry().getValue(platform::kHkeyCurrentUser, kProductKey, valueName(1)).has_value());
}

TEST_F(NoticeDialogTest, CommandsThatAreNoClickOfOkOrCancelLeaveItOpenAndStoreNothing) {
    SimDialogs::Dialog& dialog = show(0);
    dialogs.click(dialog.window, IDC_NOTIFY_DONT_SHOW);
    post(dialog.window, platform::wm::kCommand, 0x12340001, 0); // IDOK with a notification that is no click
    post(dialog.window, platform::wm::kCommand, 0xFFFFFFFF, -1);
    post(dialog.window, platform::wm::kCommand, IDC_NOTIFY_DONT_SHOW, 0);
    post(dialog.window, platform::wm::kInitDialog, 0, 0);
    post(dialog.window, platform::wm::kPaint, 0x55, 0x66);
    runFor(1);
    EXPECT_TRUE(dialogs.isDialog(dialog.window));
    EXPECT_EQ(stored(0), std::nullopt);
    EXPECT_EQ(dialog.control(IDC_NOTIFY_DONT_SHOW)->check, platform::kBstChecked);
}

TEST_F(NoticeDialogTest, EveryNoticeIsANewDialogReleasedOnceItsWindowIsGone) {
    for (int i = 0; i < 40; ++i) {
        notices.showNotifyCecInfo(i % 2);
        runFor(i % 5 == 0 ? 10000 : 1000); // some close on their timer before the next comes
    }
    EXPECT_GT(notices.openCount(), 1u) << "notices one after another are open together";
    const CNotifyCecInfoDlg* newest = notices.lastNotice();
    ASSERT_NE(newest, nullptr);
    EXPECT_EQ(newest->window(), dialogs.openDialog(IDD_NOTIFY_CEC_INFO)->window);
    runFor(10000);
    EXPECT_EQ(notices.openCount(), 0u);
    EXPECT_EQ(notices.lastNotice(), nullptr);
    EXPECT_EQ(dialogs.dialogs().size(), 40u);

    notices.showNotifyCecInfo(1);
    notices.showNotifyCecInfo(0);
    EXPECT_EQ(notices.openCount(), 2u); // released by the owner's end (the leak checker watches)
}

TEST_F(NoticeDialogTest, WithoutItsTemplateNoNoticeIsMadeAndNothingIsHeld) {
    sim::ProgramResources resources = simrun::controllerResources();
    resources.dialogs.clear();
    SimDialogs bare(world.desktop(), thread, resources);
    NotifyCecInfoDialogs withoutTemplate(bare, world.registry());
    withoutTemplate.showNotifyCecInfo(1);
    EXPECT_EQ(withoutTemplate.openCount(), 0u);
    EXPECT_EQ(withoutTemplate.lastNotice(), nullptr);
}

struct BandCase {
    int width;
    int tiles;
    int endX;
};

class NoticeBand : public ::testing::TestWithParam<BandCase> {};

TEST_P(NoticeBand, TilesFromTheLeftUpToTheEndPieceWhichEndsAtTheRightEdge) {
    const BandCase& c = GetParam();
    const std::vector<notice::BandPiece> pieces = notice::notifyBandLayout(c.width, 1, 65);
    ASSERT_EQ(pieces.size(), static_cast<std::size_t>(c.tiles) + 1);
    for (int i = 0; i < c.tiles; ++i) {
        EXPECT_EQ(pieces[i].bitmap, static_cast<platform::ResourceId>(IDB_NOTIFY_BAND_TILE));
        EXPECT_EQ(pieces[i].x, i);
    }
    EXPECT_EQ(pieces.back().bitmap, static_cast<platform::ResourceId>(IDB_NOTIFY_BAND_END));
    EXPECT_EQ(pieces.back().x, c.endX);
}

INSTANTIATE_TEST_SUITE_P(Widths, NoticeBand,
                         ::testing::Values(BandCase{423, 358, 358}, BandCase{66, 1, 1}, BandCase{65, 0, 0},
                                           BandCase{64, 0, -1}, BandCase{20, 0, -45}, BandCase{0, 0, -65}));

TEST(NoticeBandTiles, AWiderTileStepsByItsWidthAndOneWithoutWidthIsNotRepeated) {
    const auto wide = notice::notifyBandLayout(100, 10, 65);
    ASSERT_EQ(wide.size(), 5u); // 0, 10, 20, 30, then the end at 35
    EXPECT_EQ(wide[3].x, 30);
    EXPECT_EQ(wide[4].x, 35);
    EXPECT_EQ(notice::notifyBandLayout(100, 0, 65).size(), 1u);
}

TEST_F(NoticeDialogTest, PaintingDrawsTheBandAlongTheTopAndANarrowWindowOnlyTheEndPiece) {
    SimDialogs::Dialog& dialog = show(1);
    dialogs.paint(dialog.window);
    ASSERT_EQ(dialog.lastPaint.size(), static_cast<std::size_t>(dialog.clientWidth - 65 + 1));
    EXPECT_EQ(dialog.lastPaint.front().x, 0);
    EXPECT_EQ(dialog.lastPaint.back().bitmap, static_cast<platform::ResourceId>(IDB_NOTIFY_BAND_END));
    EXPECT_EQ(dialog.lastPaint.back().x, dialog.clientWidth - 65);
    for (const SimDialogs::Draw& draw : dialog.lastPaint) {
        EXPECT_EQ(draw.y, 0);
    }

    dialogs.resizeClient(dialog.window, 40, 30);
    dialogs.paint(dialog.window);
    ASSERT_EQ(dialog.lastPaint.size(), 1u);
    EXPECT_EQ(dialog.lastPaint[0].bitmap, static_cast<platform::ResourceId>(IDB_NOTIFY_BAND_END));
    EXPECT_EQ(dialog.lastPaint[0].x, -25);
}

TEST_F(NoticeDialogTest, ABandBitmapThatCannotBeLoadedStopsTheBand) {
    sim::ProgramResources resources = simrun::controllerResources();
    resources.bitmaps.erase(IDB_NOTIFY_BAND_TILE);
    SimDialogs program(world.desktop(), thread, resources);
    NotifyCecInfoDialogs owner(program, world.registry());
    owner.showNotifyCecInfo(0);
    SimDialogs::Dialog* dialog = program.openDialog(IDD_NOTIFY_CEC_INFO);
    ASSERT_NE(dialog, nullptr);
    program.paint(dialog->window);
    EXPECT_TRUE(dialog->lastPaint.empty());
}

} // namespace
