// The toolkit's window procedure: its window map and the translation of window messages, hostile
// ones included, and the menu's painting into the simulated drawing port.
#include "tests/unit/menu/MenuWorld.h"

#include <gtest/gtest.h>

namespace {

using menutest::MenuWorld;
using sim::SimDrawing;

const std::vector<std::wstring> kThree{L"Birch", L"Cedar", L"Close"};

// --- message translation ----------------------------------------------------------------------

struct SysCharCase {
    wchar_t character;
    bool swallowed;
};

TEST(GuiWindowProcedure, SysCharOfTheAcceleratorCharactersIsSwallowed) {
    const SysCharCase cases[] = {{L'0', true},  {L'1', true},  {L'2', true}, {L'A', true}, {L'D', true},
                                 {L'P', true},  {L'a', true},  {L'd', true}, {L'p', true}, {L'3', false},
                                 {L'B', false}, {L'x', false}, {L' ', false}};
    MenuWorld w;
    w.fill(kThree);
    for (const SysCharCase& c : cases) {
        const int before = w.counting.defaultCalls;
        EXPECT_EQ(w.send(gui::msg::kSysChar, c.character, 0), 0);
        EXPECT_EQ(w.counting.defaultCalls - before, c.swallowed ? 0 : 1) << static_cast<char>(c.character);
    }
    // System keys reach no component of the menu: the standard procedure gets them.
    const int before = w.counting.defaultCalls;
    w.send(gui::msg::kSysKeyDown, platform::vk::kMenu, 0);
    w.send(gui::msg::kSysKeyUp, platform::vk::kMenu, 0);
    EXPECT_EQ(w.counting.defaultCalls - before, 2);
}

TEST(GuiWindowProcedure, ActivationAndUnknownMessagesGoToTheStandardProcedure) {
    MenuWorld w;
    w.fill(kThree);
    int before = w.counting.defaultCalls;
    w.send(gui::msg::kActivate, 1, 0); // WA_ACTIVE
    w.send(0x0400, 1, 2);              // WM_USER: no component takes it
    EXPECT_EQ(w.counting.defaultCalls - before, 2);
    before = w.counting.defaultCalls;
    EXPECT_EQ(w.send(gui::msg::kKeyUp, platform::vk::kDown, 0), 0);
    EXPECT_EQ(w.send(gui::msg::kChar, L'x', 0), 0);
    EXPECT_EQ(w.counting.defaultCalls, before);
}

TEST(GuiWindowProcedure, CloseHidesTheMenu) {
    MenuWorld w;
    w.fill(kThree);
    w.menu->show();
    EXPECT_EQ(w.send(gui::msg::kClose), 0);
    EXPECT_FALSE(w.menu->isVisible());
    EXPECT_FALSE(w.info().visible);
}

TEST(GuiWindowProcedure, MinimumTrackingSizeIsTheCurrentSize) {
    MenuWorld w;
    w.fill(kThree);
    w.menu->show();
    platform::MinTrackSize size{1, 1};
    EXPECT_EQ(w.send(gui::msg::kGetMinMaxInfo, 0, reinterpret_cast<platform::LParam>(&size)), 0);
    EXPECT_EQ(size.width, 214);
    EXPECT_EQ(size.height, 266);
    EXPECT_EQ(w.send(gui::msg::kGetMinMaxInfo, 0, 0), 0); // no record: nothing written
}

TEST(GuiWindowProcedure, MouseInputReachesTheItemsButChangesNothing) {
    MenuWorld w;
    w.fill(kThree);
    w.menu->show();
    auto at = [](int x, int y) { return static_cast<platform::LParam>((y << 16) | (x & 0xFFFF)); };
    for (platform::MessageId message = gui::msg::kMouseMove; message <= gui::msg::kMButtonDblClk; ++message) {
        EXPECT_EQ(w.send(message, 0, at(50, 140)), 0);
        EXPECT_EQ(w.send(message, 0, at(-5, 30000)), 0);
    }
    EXPECT_EQ(w.send(gui::msg::kMouseWheel, 0x00780000, at(500, 300)), 0);
    EXPECT_EQ(w.menu->selectedIndex(), 0);
    EXPECT_TRUE(w.menu->isVisible());
    EXPECT_TRUE(w.ownerPosts().empty());
}

TEST(GuiWindowProcedure, TheWindowLeavesTheMapAfterItsDestroyIsHandled) {
    MenuWorld w;
    w.fill(kThree);
    const platform::WindowHandle window = w.menu->window();
    EXPECT_EQ(GuiWindowProcedure::instance().find(window), w.menu.get());
    w.windowing.destroyWindow(window); // the system's WM_DESTROY reaches the menu
    EXPECT_EQ(GuiWindowProcedure::instance().find(window), nullptr);

    // From now on its messages are the standard procedure's.
    const int before = w.counting.defaultCalls;
    GuiWindowProcedure::instance().windowProc(window, gui::msg::kKeyDown, platform::vk::kDown, 0);
    EXPECT_EQ(w.counting.defaultCalls - before, 1);
}

TEST(GuiWindowProcedure, HostileMessagesPlantNothingAndReachNothing) {
    MenuWorld w;
    w.fill(kThree);
    w.menu->show();
    GuiWindowProcedure& procedure = GuiWindowProcedure::instance();
    const std::size_t mapped = procedure.size();

    // A WM_CREATE that is no window's creation, with an arbitrary "component".
    procedure.windowProc(0x7777, gui::msg::kCreate, 0, static_cast<platform::LParam>(0x12345678));
    procedure.windowProc(w.menu->window(), gui::msg::kCreate, 0, static_cast<platform::LParam>(0x12345678));
    EXPECT_EQ(procedure.size(), mapped);
    EXPECT_EQ(procedure.find(0x7777), nullptr);
    EXPECT_EQ(procedure.find(w.menu->window()), w.menu.get());

    // A timer message naming no component's timer, a paint with a made-up device context.
    w.drawing.clearOps();
    EXPECT_EQ(w.send(gui::msg::kTimer, 0xDEADBEEF, 0), 0);
    EXPECT_EQ(w.send(gui::msg::kPaint, 0xBAD0BAD0, 0), 0);
    EXPECT_TRUE(w.drawing.ops().empty());

    // Posted creation and destruction messages never reach the procedure.
    w.windowing.postMessage(w.menu->window(), gui::msg::kDestroy, 0, 0);
    w.windowing.postMessage(w.menu->window(), gui::msg::kCreate, 0, 0x12345678);
    w.windowing.dispatchReady();
    EXPECT_EQ(procedure.find(w.menu->window()), w.menu.get());

    // Messages for windows that are not in the map go to the standard procedure.
    const int before = w.counting.defaultCalls;
    procedure.windowProc(0x4242, gui::msg::kPaint, 0, 0);
    EXPECT_EQ(w.counting.defaultCalls - before, 1);
}

// --- painting -------------------------------------------------------------------------------------

class QuickMenuPaint : public ::testing::Test {
protected:
    void SetUp() override {
        w.fill(kThree);
        w.menu->show();
        w.key(platform::vk::kDown); // the second item is the selected one
        w.drawing.clearOps();
    }

    std::vector<SimDrawing::Op> opsOf(SimDrawing::OpKind kind) const {
        std::vector<SimDrawing::Op> out;
        for (const auto& op : w.drawing.ops()) {
            if (op.kind == kind) {
                out.push_back(op);
            }
        }
        return out;
    }

    MenuWorld w;
};

TEST_F(QuickMenuPaint, PaintsBackgroundTitleAndItemsOffScreenThenCopiesThem) {
    const std::size_t objects = w.drawing.liveObjects();
    const std::size_t dcs = w.drawing.liveDeviceContexts();
    EXPECT_EQ(w.send(gui::msg::kPaint), 0);
    EXPECT_EQ(w.drawing.paintCount(w.menu->window()), 1);

    const auto& ops = w.drawing.ops();
    ASSERT_FALSE(ops.empty());
    EXPECT_EQ(ops.front().kind, SimDrawing::OpKind::FillRect);
    EXPECT_TRUE(ops.front().memoryDc);
    EXPECT_EQ(ops.front().rect, (platform::Rect{0, 0, 214, 266}));
    EXPECT_EQ(ops.front().fill, QuickMenu::kNormalFillColor);

    const auto texts = opsOf(SimDrawing::OpKind::Text);
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[0].text, L"Control Menu");
    EXPECT_EQ(texts[0].rect, (platform::Rect{0, 10, 214, 60}));
    for (const auto& text : texts) {
        EXPECT_EQ(text.format, 37u);
        EXPECT_EQ(text.textColor, platform::rgb(0xFF, 0xFF, 0xFF));
        EXPECT_EQ(text.bkMode, platform::kBkTransparent);
        EXPECT_EQ(text.fontFace, L"MS Sans Serif");
        EXPECT_EQ(text.fontHeight, 42);
    }

    const auto frames = opsOf(SimDrawing::OpKind::Rectangle);
    ASSERT_EQ(frames.size(), 3u);
    const int tops[] = {75, 135, 195};
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const bool selected = i == 1;
        EXPECT_EQ(frames[i].viewport, (platform::Point{6, tops[i]})) << i;
        EXPECT_EQ(frames[i].rect, (platform::Rect{6, tops[i], 208, tops[i] + 60})) << i;
        EXPECT_EQ(frames[i].penStyle, platform::kPsInsideFrame);
        EXPECT_EQ(frames[i].penWidth, 1);
        EXPECT_EQ(frames[i].frame, selected ? QuickMenu::kSelectedFrameColor : QuickMenu::kNormalFrameColor)
            << i;
        EXPECT_EQ(frames[i].fill, selected ? QuickMenu::kSelectedFillColor : QuickMenu::kNormalFillColor)
            << i;
        EXPECT_EQ(texts[i + 1].text, kThree[i]);
        EXPECT_EQ(texts[i + 1].rect, frames[i].rect);
    }

    const auto copies = opsOf(SimDrawing::OpKind::BitBlt);
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_FALSE(copies[0].memoryDc);
    EXPECT_EQ(copies[0].window, w.menu->window());
    EXPECT_EQ(copies[0].rect, (platform::Rect{0, 0, 214, 266}));
    EXPECT_EQ(copies[0].format, platform::kSrcCopy);
    EXPECT_EQ(ops.back().kind, SimDrawing::OpKind::BitBlt);

    EXPECT_EQ(w.drawing.liveObjects(), objects);
    EXPECT_EQ(w.drawing.liveDeviceContexts(), dcs);
    EXPECT_TRUE(w.drawing.misuses().empty());
}

TEST_F(QuickMenuPaint, PaintsIntoTheDeviceContextItIsGiven) {
    const platform::DeviceContext target = w.drawing.createCompatibleDC(0);
    EXPECT_EQ(w.send(gui::msg::kPaint, target, 0), 0);
    EXPECT_EQ(w.drawing.paintCount(w.menu->window()), 0);
    const auto copies = opsOf(SimDrawing::OpKind::BitBlt);
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(copies[0].dc, target);
    // The items' origins are restored: the title of the next paint is at the window's origin.
    w.drawing.clearOps();
    w.send(gui::msg::kPaint, target, 0);
    EXPECT_EQ(opsOf(SimDrawing::OpKind::Text).front().viewport, (platform::Point{0, 0}));
    w.drawing.deleteDC(target);
}

TEST_F(QuickMenuPaint, WithoutAMemoryDeviceContextNothingIsDrawn) {
    w.drawing.failMemoryDcs(true);
    EXPECT_EQ(w.send(gui::msg::kPaint), 0);
    EXPECT_TRUE(w.drawing.ops().empty());
    EXPECT_TRUE(w.drawing.misuses().empty());
}

} // namespace
