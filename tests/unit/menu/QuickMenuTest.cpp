// The control menu on the simulated desktop: window, layout, keys and painting.
#include "tests/unit/menu/MenuWorld.h"

#include <gtest/gtest.h>

namespace {

using menutest::MenuWorld;
using sim::SimDrawing;

const std::vector<std::wstring> kThree{L"Birch", L"Cedar", L"Close"};

// --- window and layout --------------------------------------------------------------------------

TEST(QuickMenuWindow, CreateMakesAnOwnedPopupOfTheToolkitClass) {
    MenuWorld w;
    ASSERT_TRUE(w.menu->create(w.owner));
    const auto& info = w.info();
    EXPECT_EQ(info.className, L"GuiLib_WindowClass");
    EXPECT_EQ(info.title, L"QuickMenu");
    EXPECT_EQ(info.style, platform::kWsPopup);
    EXPECT_EQ(info.owner, w.owner);
    EXPECT_FALSE(info.visible);
    EXPECT_FALSE(w.menu->isVisible());
    const auto* windowClass = w.desktop.findClass(100, L"guilib_windowclass");
    ASSERT_NE(windowClass, nullptr);
    EXPECT_EQ(windowClass->style, 0x0Bu);

    // A second menu of the same program reuses the class.
    QuickMenu second(GuiPorts{w.counting, w.drawing});
    EXPECT_TRUE(second.create(w.owner));
    EXPECT_NE(second.window(), w.menu->window());
}

TEST(QuickMenuWindow, WithoutAWindowNothingIsShown) {
    MenuWorld w;
    EXPECT_FALSE(w.menu->create(0xBAD0)); // no such owner
    EXPECT_EQ(w.menu->window(), 0u);
    w.menu->addItem(L"Birch", 1);
    w.menu->show();
    EXPECT_FALSE(w.menu->isVisible());
    w.key(platform::vk::kReturn);
    EXPECT_TRUE(w.ownerPosts().empty());
}

struct LayoutCase {
    const char* name;
    std::vector<std::wstring> labels;
    int width;
    int height;
    std::vector<int> itemTops;
    int itemWidth;
};

class QuickMenuLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(QuickMenuLayout, ItemsAndWindowFollowTheLongestLabel) {
    const LayoutCase& c = GetParam();
    MenuWorld w;
    w.fill(c.labels);
    w.menu->show();

    ASSERT_EQ(w.menu->children().size(), c.itemTops.size());
    for (std::size_t i = 0; i < c.itemTops.size(); ++i) {
        const Component& item = *w.menu->children()[i];
        EXPECT_EQ(item.m_nAbsX, 6) << i;
        EXPECT_EQ(item.m_nAbsY, c.itemTops[i]) << i;
        EXPECT_EQ(item.m_nWidth, c.itemWidth) << i;
        EXPECT_EQ(item.m_nHeight, SimDrawing::lineHeight(42) + 12) << i;
    }
    const auto& info = w.placed();
    EXPECT_TRUE(w.info().visible);
    EXPECT_EQ(info.width, c.width);
    EXPECT_EQ(info.height, c.height);
    EXPECT_EQ(info.x, std::max(0, SimDrawing::kFullScreenWidth / 2 - c.width / 2));
    EXPECT_EQ(info.y, std::max(0, SimDrawing::kFullScreenHeight / 2 - c.height / 2));
    EXPECT_TRUE(info.topmost);
    ASSERT_TRUE(info.region.has_value());
    EXPECT_EQ(info.region->left, 1);
    EXPECT_EQ(info.region->top, 1);
    EXPECT_EQ(info.region->right, c.width);
    EXPECT_EQ(info.region->bottom, c.height);
    EXPECT_EQ(info.region->ellipseWidth, 10);
    EXPECT_EQ(info.region->ellipseHeight, 10);
}

INSTANTIATE_TEST_SUITE_P(Labels, QuickMenuLayout,
                         ::testing::Values(LayoutCase{"ShortLabels", kThree, 214, 266, {75, 135, 195}, 202},
                                           LayoutCase{"OneLongLabel",
                                                      {L"A", L"Windows Media Center"},
                                                      20 * 20 + 20 + 12,
                                                      75 + 120 + 11,
                                                      {75, 135},
                                                      20 * 20 + 20},
                                           LayoutCase{"NoItems", {}, 214, 86, {}, 202},
                                           // Wider than the screen and than any window can be: cut to the
                                           // largest extent, placed at the screen's left edge.
                                           LayoutCase{"TooWideForTheScreen",
                                                      {std::wstring(3000, L'W')},
                                                      QuickMenu::kMaximumExtent,
                                                      75 + 60 + 11,
                                                      {75},
                                                      QuickMenu::kMaximumExtent}),
                         [](const auto& info) { return info.param.name; });

TEST(QuickMenuWindow, ShowingAgainRebuildsTheItemsFromTheEntries) {
    MenuWorld w;
    w.fill(kThree);
    w.menu->show();
    w.menu->hide();
    EXPECT_FALSE(w.info().visible);
    w.menu->clearItems();
    w.menu->addItem(L"Only", 7);
    w.menu->show();
    ASSERT_EQ(w.menu->children().size(), 1u);
    EXPECT_EQ(w.placed().height, 75 + 60 + 11);
    EXPECT_EQ(w.menu->selectedIndex(), 0);
}

TEST(QuickMenuWindow, ARegionThatCannotBeMadeLeavesTheWindowRectangular) {
    MenuWorld w;
    w.drawing.failRegions(true);
    w.fill(kThree);
    w.menu->show();
    EXPECT_FALSE(w.placed().region.has_value());
    EXPECT_TRUE(w.info().visible);
    EXPECT_EQ(w.placed().width, 214);
}

TEST(QuickMenuWindow, DestroyingTheMenuFreesEveryResourceAndItsWindow) {
    MenuWorld w;
    const std::size_t before = w.drawing.liveObjects();
    auto menu = std::make_unique<QuickMenu>(GuiPorts{w.counting, w.drawing});
    EXPECT_EQ(w.drawing.liveObjects(), before + 6); // two pens, two brushes, two fonts
    menu->create(w.owner);
    menu->addItem(L"Birch", 1);
    menu->show();
    const platform::WindowHandle window = menu->window();
    menu.reset();
    EXPECT_EQ(w.drawing.liveObjects(), before);
    EXPECT_FALSE(w.desktop.isWindow(window));
    EXPECT_EQ(GuiWindowProcedure::instance().find(window), nullptr);
    EXPECT_TRUE(w.drawing.misuses().empty());
}

// --- keys -----------------------------------------------------------------------------------------

struct KeyCase {
    const char* name;
    int startAt; // selected item before the key; -1 for none
    std::vector<int> held;
    platform::WParam key;
    int selected; // afterwards
    bool visible;
    int posted; // index of the entry whose message reached the owner; -1 for none
};

class QuickMenuKeys : public ::testing::TestWithParam<KeyCase> {};

TEST_P(QuickMenuKeys, KeyMovesHidesOrChooses) {
    const KeyCase& c = GetParam();
    MenuWorld w;
    w.fill(kThree);
    w.menu->show();
    for (std::size_t i = 0; i < w.menu->children().size(); ++i) {
        w.menu->children()[i]->m_bSelected = static_cast<int>(i) == c.startAt;
    }
    for (int held : c.held) {
        w.drawing.setKeyDown(held, true);
    }

    w.key(c.key);

    EXPECT_EQ(w.menu->selectedIndex(), c.selected);
    EXPECT_EQ(w.menu->isVisible(), c.visible);
    EXPECT_EQ(w.info().visible, c.visible);
    const auto posts = w.ownerPosts();
    if (c.posted < 0) {
        EXPECT_TRUE(posts.empty());
    } else {
        ASSERT_EQ(posts.size(), 1u);
        EXPECT_EQ(posts[0].message, MenuWorld::kFirstMessage + static_cast<platform::MessageId>(c.posted));
        EXPECT_EQ(posts[0].wParam, 0u);
        EXPECT_EQ(posts[0].lParam, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Keys, QuickMenuKeys,
    ::testing::Values(
        KeyCase{"UpOnFirstSelectsLast", 0, {}, platform::vk::kUp, 2, true, -1},
        KeyCase{"LeftOnFirstSelectsLast", 0, {}, platform::vk::kLeft, 2, true, -1},
        KeyCase{"UpMovesBack", 2, {}, platform::vk::kUp, 1, true, -1},
        KeyCase{"UpWithoutSelectionSelectsLast", -1, {}, platform::vk::kUp, 2, true, -1},
        KeyCase{"DownOnLastSelectsFirst", 2, {}, platform::vk::kDown, 0, true, -1},
        KeyCase{"RightMovesOn", 0, {}, platform::vk::kRight, 1, true, -1},
        KeyCase{"DownWithoutSelectionSelectsFirst", -1, {}, platform::vk::kDown, 0, true, -1},
        KeyCase{"EnterPostsTheSelectedEntry", 1, {}, platform::vk::kReturn, 1, false, 1},
        KeyCase{"EnterWithNothingSelectedDoesNothing", -1, {}, platform::vk::kReturn, -1, true, -1},
        KeyCase{"ShiftDownHidesWithoutMoving", 0, {platform::vk::kShift}, platform::vk::kDown, 0, false, -1},
        KeyCase{
            "CtrlEnterHidesWithoutPosting", 1, {platform::vk::kControl}, platform::vk::kReturn, 1, false, -1},
        KeyCase{"AltUpHides", 1, {platform::vk::kMenu}, platform::vk::kUp, 1, false, -1},
        KeyCase{"ShiftItselfIsIgnored", 1, {platform::vk::kShift}, platform::vk::kShift, 1, true, -1},
        KeyCase{"EscapeHides", 1, {}, platform::vk::kEscape, 1, false, -1},
        KeyCase{"SpaceHides", 1, {}, platform::vk::kSpace, 1, false, -1},
        KeyCase{"DigitHides", 1, {}, L'5', 1, false, -1},
        KeyCase{"KeysWhileTheLeftButtonIsDownAreIgnored",
                1,
                {platform::vk::kLButton},
                platform::vk::kEscape,
                1,
                true,
                -1},
        KeyCase{"KeysWhileTheRightButtonIsDownAreIgnored",
                1,
                {platform::vk::kRButton},
                platform::vk::kReturn,
                1,
                true,
                -1}),
    [](const auto& info) { return info.param.name; });

TEST(QuickMenuKeys, ArrowsWithoutItemsSelectNothingAndEnterStaysOpen) {
    MenuWorld w;
    w.fill({});
    w.menu->show();
    w.key(platform::vk::kDown);
    w.key(platform::vk::kUp);
    EXPECT_EQ(w.menu->selectedIndex(), -1);
    w.key(platform::vk::kReturn);
    EXPECT_TRUE(w.menu->isVisible());
    EXPECT_TRUE(w.ownerPosts().empty());
}

TEST(QuickMenuKeys, MovingTheSelectionAsksForARepaint) {
    MenuWorld w;
    w.fill(kThree);
    w.menu->show();
    EXPECT_FALSE(w.drawing.needsPaint(w.menu->window()));
    w.key(platform::vk::kDown);
    EXPECT_TRUE(w.drawing.needsPaint(w.menu->window()));
}

TEST(QuickMenuKeys, TheMenuStaysOpenWhenAnotherWindowIsActivatedUntilAKeyReachesIt) {
    MenuWorld w;
    w.fill(kThree);
    w.menu->show();
    const int defaults = w.counting.defaultCalls;
    EXPECT_EQ(w.send(gui::msg::kActivate, 0, 0), 0); // WA_INACTIVE
    EXPECT_EQ(w.counting.defaultCalls, defaults);
    EXPECT_TRUE(w.info().visible);
    w.key(platform::vk::kEscape);
    EXPECT_FALSE(w.info().visible);
}

} // namespace
