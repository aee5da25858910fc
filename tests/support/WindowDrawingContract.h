// The contract of the windowing port's windows of registered classes and of the drawing port,
// stated once and run against the simulated adapters natively and the Win32 adapters under Wine.
// An environment type provides the ports and a way to let posted messages arrive:
//   struct Env {
//       platform::Windowing& windowing(); platform::Drawing& drawing();
//       void dispatchPosted();   // dispatches every message waiting in the thread's queue
//   };
#pragma once

#include "platform/Drawing.h"
#include "platform/Windowing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace testing_support {

// A class procedure that records what reaches it.
class RecordingProcedure final : public platform::WindowClient {
public:
    struct Call {
        platform::WindowHandle window;
        platform::MessageId message;
        platform::WParam wParam;
        platform::LParam lParam;
    };
    std::vector<Call> calls;
    platform::Windowing* windowing = nullptr;

    platform::LResult windowProc(platform::WindowHandle window, platform::MessageId message,
                                 platform::WParam wParam, platform::LParam lParam) override {
        calls.push_back(Call{window, message, wParam, lParam});
        return windowing != nullptr ? windowing->defaultWindowProc(window, message, wParam, lParam) : 0;
    }
    int count(platform::MessageId message) const {
        int n = 0;
        for (const Call& call : calls) {
            n += call.message == message ? 1 : 0;
        }
        return n;
    }
};

inline constexpr platform::MessageId kContractCreate = 0x0001;
inline constexpr platform::MessageId kContractDestroy = 0x0002;
inline constexpr std::uintptr_t kContractParameter = 0x5A5A1234;

template <typename Env> class WindowDrawingContract : public ::testing::Test {
protected:
    void SetUp() override {
        procedure.windowing = &env.windowing();
        // Classes live as long as the process: each test registers one of its own.
        static int serial = 0;
        className = L"SentrixContractClass" + std::to_wstring(++serial);
        ASSERT_TRUE(env.windowing().registerWindowClass(className.c_str(), 0x0B, procedure));
    }
    void TearDown() override {
        for (platform::WindowHandle window : windows) {
            env.windowing().destroyWindow(window);
        }
    }
    platform::WindowHandle popup() {
        const platform::WindowHandle window = env.windowing().createWindow(
            className.c_str(), L"Contract", platform::kWsPopup, 0, kContractParameter);
        if (window != 0) {
            windows.push_back(window);
        }
        return window;
    }

    Env env;
    RecordingProcedure procedure;
    std::wstring className;
    std::vector<platform::WindowHandle> windows;
};

TYPED_TEST_SUITE_P(WindowDrawingContract);

TYPED_TEST_P(WindowDrawingContract, AClassIsRegisteredOnceAndItsProcedureSeesTheCreation) {
    EXPECT_FALSE(this->env.windowing().registerWindowClass(this->className.c_str(), 0x0B, this->procedure));
    const platform::WindowHandle window = this->popup();
    ASSERT_NE(window, 0u);
    ASSERT_EQ(this->procedure.count(kContractCreate), 1);
    for (const auto& call : this->procedure.calls) {
        if (call.message == kContractCreate) {
            EXPECT_EQ(call.window, window);
            EXPECT_EQ(static_cast<std::uintptr_t>(call.lParam), kContractParameter);
        }
    }
    EXPECT_EQ(this->env.windowing().createWindow(L"SentrixNoSuchClass", L"", platform::kWsPopup, 0, 0), 0u);
}

TYPED_TEST_P(WindowDrawingContract, PostedCreationAndDestructionNeverReachTheProcedure) {
    const platform::WindowHandle window = this->popup();
    ASSERT_NE(window, 0u);
    this->env.windowing().postMessage(window, kContractCreate, 0, 0x1234);
    this->env.windowing().postMessage(window, kContractDestroy, 0, 0);
    this->env.dispatchPosted();
    EXPECT_EQ(this->procedure.count(kContractCreate), 1);
    EXPECT_EQ(this->procedure.count(kContractDestroy), 0);
    EXPECT_TRUE(this->env.windowing().destroyWindow(window));
    this->windows.clear();
    EXPECT_EQ(this->procedure.count(kContractDestroy), 1);
}

TYPED_TEST_P(WindowDrawingContract, APopupIsPlacedShownAndMadeTopmost) {
    platform::Windowing& windowing = this->env.windowing();
    const platform::WindowHandle window = this->popup();
    ASSERT_NE(window, 0u);
    platform::WindowState state;
    ASSERT_TRUE(windowing.windowState(window, state));
    EXPECT_FALSE(state.visible);
    EXPECT_FALSE(state.topmost);

    EXPECT_TRUE(windowing.setWindowPos(
        window, 0, 0, 0, 214, 266, platform::kSwpNoMove | platform::kSwpNoZOrder | platform::kSwpNoActivate));
    EXPECT_TRUE(windowing.setWindowPos(window, platform::kHwndTopmost, 40, 30, 0, 0,
                                       platform::kSwpNoSize | platform::kSwpNoActivate));
    ASSERT_TRUE(windowing.windowState(window, state));
    EXPECT_EQ(state.x, 40);
    EXPECT_EQ(state.y, 30);
    EXPECT_EQ(state.width, 214);
    EXPECT_EQ(state.height, 266);
    EXPECT_TRUE(state.topmost);

    EXPECT_FALSE(windowing.showWindow(window, platform::kSwShow)) << "was hidden";
    EXPECT_TRUE(windowing.showWindow(window, platform::sw::kHide)) << "was visible";
    ASSERT_TRUE(windowing.windowState(window, state));
    EXPECT_FALSE(state.visible);

    EXPECT_FALSE(windowing.windowState(0xDEAD0, state));
    EXPECT_FALSE(windowing.setWindowPos(0xDEAD0, 0, 0, 0, 1, 1, 0));
}

TYPED_TEST_P(WindowDrawingContract, AWindowTakesARegionAndNoWindowLeavesItToTheCaller) {
    platform::Drawing& drawing = this->env.drawing();
    const platform::WindowHandle window = this->popup();
    ASSERT_NE(window, 0u);
    const platform::GdiObject region = drawing.createRoundRectRgn(1, 1, 214, 266, 10, 10);
    ASSERT_NE(region, 0u);
    EXPECT_TRUE(drawing.setWindowRgn(window, region, true)); // the system owns it now

    const platform::GdiObject spare = drawing.createRoundRectRgn(0, 0, 10, 10, 4, 4);
    EXPECT_FALSE(drawing.setWindowRgn(0xDEAD0, spare, true));
    EXPECT_TRUE(drawing.deleteObject(spare)) << "still the caller's";
}

TYPED_TEST_P(WindowDrawingContract, SingleLineTextIsMeasuredWithTheSelectedFont) {
    platform::Drawing& drawing = this->env.drawing();
    const platform::DeviceContext dc = drawing.createCompatibleDC(0);
    ASSERT_NE(dc, 0u);
    platform::FontSpec spec;
    spec.face = L"MS Sans Serif";
    spec.height = 42;
    const platform::GdiObject font = drawing.createFont(spec);
    const platform::GdiObject old = drawing.selectObject(dc, font);
    EXPECT_NE(old, 0u);

    platform::Rect shortRect{}, longRect{};
    const std::uint32_t format = platform::dt::kCalcRect | platform::dt::kSingleLine;
    const int height = drawing.drawText(dc, L"Birch", -1, shortRect, format);
    drawing.drawText(dc, L"Birch Birch Birch", -1, longRect, format);
    EXPECT_GT(height, 0);
    EXPECT_EQ(shortRect.left, 0);
    EXPECT_EQ(shortRect.top, 0);
    EXPECT_GT(shortRect.right, 0);
    EXPECT_EQ(shortRect.bottom, height);
    EXPECT_GE(height, 42) << "a 42-pixel font is at least 42 high";
    EXPECT_GT(longRect.right, 2 * shortRect.right);
    EXPECT_EQ(longRect.bottom, shortRect.bottom);

    EXPECT_EQ(drawing.selectObject(dc, old), font);
    EXPECT_TRUE(drawing.deleteObject(font));
    EXPECT_TRUE(drawing.deleteDC(dc));
}

TYPED_TEST_P(WindowDrawingContract, MemoryDeviceContextsKeepTheirObjectsAndOrigins) {
    platform::Drawing& drawing = this->env.drawing();
    const platform::DeviceContext dc = drawing.createCompatibleDC(0);
    ASSERT_NE(dc, 0u);
    const platform::GdiObject bitmap = drawing.createCompatibleBitmap(dc, 20, 10);
    ASSERT_NE(bitmap, 0u);
    const platform::GdiObject oldBitmap = drawing.selectObject(dc, bitmap);
    EXPECT_NE(oldBitmap, 0u);
    const platform::GdiObject pen = drawing.createPen(platform::kPsInsideFrame, 1, platform::rgb(1, 2, 3));
    const platform::GdiObject brush = drawing.createSolidBrush(platform::rgb(4, 5, 6));
    const platform::GdiObject oldPen = drawing.selectObject(dc, pen);
    const platform::GdiObject oldBrush = drawing.selectObject(dc, brush);
    EXPECT_EQ(drawing.selectObject(dc, pen), pen);

    platform::Point previous{9, 9};
    EXPECT_TRUE(drawing.setViewportOrg(dc, 6, 75, &previous));
    EXPECT_EQ(previous, (platform::Point{0, 0}));
    EXPECT_TRUE(drawing.setViewportOrg(dc, 0, 0, &previous));
    EXPECT_EQ(previous, (platform::Point{6, 75}));
    EXPECT_EQ(drawing.setBkMode(dc, platform::kBkTransparent), platform::kBkOpaque);
    EXPECT_EQ(drawing.setTextColor(dc, platform::rgb(0xFF, 0xFF, 0xFF)), platform::rgb(0, 0, 0));
    EXPECT_TRUE(drawing.rectangle(dc, 0, 0, 20, 10));
    EXPECT_TRUE(drawing.fillRect(dc, platform::Rect{0, 0, 5, 5}, brush));

    drawing.selectObject(dc, oldPen);
    drawing.selectObject(dc, oldBrush);
    drawing.selectObject(dc, oldBitmap);
    EXPECT_TRUE(drawing.deleteObject(pen));
    EXPECT_TRUE(drawing.deleteObject(brush));
    EXPECT_TRUE(drawing.deleteObject(bitmap));
    EXPECT_TRUE(drawing.deleteDC(dc));
    EXPECT_FALSE(drawing.deleteDC(dc)) << "already gone";
}

TYPED_TEST_P(WindowDrawingContract, KeysAreUpAndTheScreenHasASize) {
    platform::Drawing& drawing = this->env.drawing();
    EXPECT_GE(drawing.keyState(platform::vk::kShift), 0);
    EXPECT_GT(drawing.systemMetric(platform::kSmCxFullScreen), 0);
    EXPECT_GT(drawing.systemMetric(platform::kSmCyFullScreen), 0);
}

REGISTER_TYPED_TEST_SUITE_P(WindowDrawingContract, AClassIsRegisteredOnceAndItsProcedureSeesTheCreation,
                            PostedCreationAndDestructionNeverReachTheProcedure,
                            APopupIsPlacedShownAndMadeTopmost,
                            AWindowTakesARegionAndNoWindowLeavesItToTheCaller,
                            SingleLineTextIsMeasuredWithTheSelectedFont,
                            MemoryDeviceContextsKeepTheirObjectsAndOrigins, KeysAreUpAndTheScreenHasASize);

} // namespace testing_support
