// The control menu on a real (Wine) desktop: a menu of three entries is shown through the GDI
// adapters, the screen is read back, and geometry, colours and key handling are checked on the
// pixels. Each screenshot is written as a BMP file into the working directory (the test's build
// folder) and named in the output.
// Win32 only.
#include "controller/menu/QuickMenu.h"
#include "platform/win32/Win32Drawing.h"
#include "platform/win32/Win32Windowing.h"
#include "tools/firmware-sim/win32/Win32ScreenImage.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr DWORD kSettleMs = 400;

// The controller's main window stand-in: records the registered messages it receives.
class OwnerClient final : public platform::WindowClient {
public:
    explicit OwnerClient(platform::Windowing& windowing) : m_windowing(windowing) {}
    std::vector<platform::MessageId> received;
    platform::LResult windowProc(platform::WindowHandle window, platform::MessageId message,
                                 platform::WParam wParam, platform::LParam lParam) override {
        if (message >= 0xC000 && message <= 0xFFFF) {
            received.push_back(message);
            return 0;
        }
        return m_windowing.defaultWindowProc(window, message, wParam, lParam);
    }

private:
    platform::Windowing& m_windowing;
};

using fwsim::ScreenImage;
using Screenshot = ScreenImage;

// GDI's 0x00BBGGRR against the screen's 0x00RRGGBB.
::testing::AssertionResult looksLike(std::uint32_t pixel, platform::ColorRef colour, const char* what) {
    if (fwsim::looksLike(pixel, colour)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << what << ": " << fwsim::colourMismatch(pixel, colour);
}

void pump(platform::Windowing& windowing, DWORD forMs) {
    const DWORD end = GetTickCount() + forMs;
    while (static_cast<LONG>(end - GetTickCount()) > 0) {
        platform::Message message;
        while (windowing.peekMessage(message)) {
            windowing.dispatchMessage(message);
        }
        Sleep(10);
    }
}

class MenuScreen : public ::testing::Test {
protected:
    void SetUp() override {
        owner = windowing.createDialogWindow(L"KorSentrixSuiteMain", ownerClient);
        ASSERT_NE(owner, 0u);
        menu = factory.createControlMenu();
        ASSERT_NE(menu, nullptr);
        ASSERT_TRUE(menu->create(owner));
        menu->setTitle(L"Control Menu");
        for (const wchar_t* name : {L"QUICKMENU_NOTIFY_LAUNCH_BIRCH", L"QUICKMENU_NOTIFY_LAUNCH_CEDAR",
                                    L"QUICKMENU_NOTIFY_CLOSE_MENU"}) {
            messages.push_back(windowing.registerMessage(name));
        }
        // Labels short enough for the narrowest menu whatever font the system substitutes.
        menu->addItem(L"TV", messages[0]);
        menu->addItem(L"DVD", messages[1]);
        menu->addItem(L"Off", messages[2]);
        menu->show();
        pump(windowing, kSettleMs);
    }
    void TearDown() override {
        menu.reset();
        if (owner != 0) {
            windowing.destroyWindow(owner);
        }
    }

    RECT windowRect() const {
        RECT rect{};
        GetWindowRect(reinterpret_cast<HWND>(menu->window()), &rect);
        return rect;
    }

    void key(WPARAM virtualKey) {
        PostMessageW(reinterpret_cast<HWND>(menu->window()), WM_KEYDOWN, virtualKey, 1);
        pump(windowing, kSettleMs);
    }

    // Checks item `index` of the menu at `rect` on the screenshot: its frame and its fill.
    void expectItem(const Screenshot& shot, const RECT& rect, int index, bool selected) {
        const int itemHeight = (rect.bottom - rect.top - 86) / 3;
        const int itemWidth = rect.right - rect.left - 12;
        const int left = rect.left + 6;
        const int top = rect.top + 75 + index * itemHeight;
        for (const std::string& fault :
             fwsim::menuItemFaults(shot, left, top, itemWidth, itemHeight, index, selected)) {
            ADD_FAILURE() << fault;
        }
    }

    platform::win32::Win32Windowing windowing;
    platform::win32::Win32Drawing drawing;
    QuickMenuFactory factory{windowing, drawing};
    OwnerClient ownerClient{windowing};
    platform::WindowHandle owner = 0;
    std::unique_ptr<ControlMenu> menu;
    std::vector<platform::MessageId> messages;
};

TEST_F(MenuScreen, ShownMenuIsCentredFramedAndFilled) {
    const RECT rect = windowRect();
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    EXPECT_EQ(width, 214) << "short labels give the narrowest menu";
    EXPECT_EQ((height - 86) % 3, 0) << "three items of one height";
    EXPECT_EQ(rect.left, GetSystemMetrics(SM_CXFULLSCREEN) / 2 - width / 2);
    EXPECT_EQ(rect.top, GetSystemMetrics(SM_CYFULLSCREEN) / 2 - height / 2);
    HWND hwnd = reinterpret_cast<HWND>(menu->window());
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_NE(GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);

    const Screenshot shot = Screenshot::capture();
    std::printf("screenshot of the shown menu: %s\n", shot.save("menu-shown.bmp").c_str());

    expectItem(shot, rect, 0, true);
    expectItem(shot, rect, 1, false);
    expectItem(shot, rect, 2, false);

    // The title band: the background colour with white text in it.
    int white = 0;
    for (int y = rect.top + 10; y < rect.top + 60; ++y) {
        for (int x = rect.left + 1; x < rect.right; ++x) {
            white += looksLike(shot.at(x, y), platform::rgb(0xFF, 0xFF, 0xFF), "") ? 1 : 0;
        }
    }
    EXPECT_GT(white, 20) << "the title's white text";
    EXPECT_TRUE(looksLike(shot.at(rect.left + 3, rect.top + 65), QuickMenu::kNormalFillColor, "title band"));
    // The region leaves out the window's first row and column and rounds the corners.
    EXPECT_FALSE(
        looksLike(shot.at(rect.left, rect.top + height / 2), QuickMenu::kNormalFillColor, "left edge"));
    EXPECT_FALSE(looksLike(shot.at(rect.left + 1, rect.top + 1), QuickMenu::kNormalFillColor, "corner"));
}

TEST_F(MenuScreen, ArrowKeysMoveTheHighlightAndEnterPostsTheEntry) {
    const RECT rect = windowRect();
    key(VK_DOWN);
    Screenshot shot = Screenshot::capture();
    std::printf("screenshot after Down: %s\n", shot.save("menu-down.bmp").c_str());
    expectItem(shot, rect, 0, false);
    expectItem(shot, rect, 1, true);

    key(VK_UP);
    key(VK_UP); // from the first item to the last
    shot = Screenshot::capture();
    std::printf("screenshot after Up, Up: %s\n", shot.save("menu-up-up.bmp").c_str());
    expectItem(shot, rect, 0, false);
    expectItem(shot, rect, 2, true);

    key(VK_UP);
    EXPECT_TRUE(ownerClient.received.empty());
    key(VK_RETURN);
    EXPECT_FALSE(IsWindowVisible(reinterpret_cast<HWND>(menu->window())));
    EXPECT_FALSE(menu->isVisible());
    ASSERT_EQ(ownerClient.received.size(), 1u);
    EXPECT_EQ(ownerClient.received[0], messages[1]);
}

TEST_F(MenuScreen, EscapeHidesWithoutPosting) {
    key(VK_ESCAPE);
    EXPECT_FALSE(IsWindowVisible(reinterpret_cast<HWND>(menu->window())));
    EXPECT_TRUE(ownerClient.received.empty());
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
