// The control menu on a real (Wine) desktop: a menu of three entries is shown through the GDI
// adapters, the screen is read back, and geometry, colours and key handling are checked on the
// pixels. Each screenshot is written as a BMP file into the working directory (the test's build
// folder) and named in the output.
// Win32 only.
#include "controller/menu/QuickMenu.h"
#include "platform/win32/Win32Drawing.h"
#include "platform/win32/Win32Windowing.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kColourTolerance = 8;
constexpr DWORD kSettleMs = 400;

// The controller's main window stand-in: records the registered messages it receives.
class OwnerClient final : public platform::WindowClient {
public:
    explicit OwnerClient(platform::Windowing& windowing) : m_windowing(windowing) {}
    std::vector<platform::MessageId> received;
    platform::LResult windowProc(platform::WindowHandle window, platform::MessageId message, platform::WParam wParam,
                                 platform::LParam lParam) override {
        if (message >= 0xC000 && message <= 0xFFFF) {
            received.push_back(message);
            return 0;
        }
        return m_windowing.defaultWindowProc(window, message, wParam, lParam);
    }

private:
    platform::Windowing& m_windowing;
};

// The whole screen, read back through GDI as 32-bit pixels.
struct Screenshot {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels; // 0x00RRGGBB, top row first

    static Screenshot take() {
        Screenshot shot;
        shot.width = GetSystemMetrics(SM_CXSCREEN);
        shot.height = GetSystemMetrics(SM_CYSCREEN);
        HDC screen = GetDC(nullptr);
        HDC memory = CreateCompatibleDC(screen);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = shot.width;
        info.bmiHeader.biHeight = -shot.height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, shot.width, shot.height, screen, 0, 0, SRCCOPY);
        GdiFlush();
        const auto* p = static_cast<const std::uint32_t*>(bits);
        shot.pixels.assign(p, p + static_cast<std::size_t>(shot.width) * shot.height);
        SelectObject(memory, old);
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);
        return shot;
    }

    std::uint32_t at(int x, int y) const {
        if (x < 0 || y < 0 || x >= width || y >= height) {
            return 0xFF000000; // off screen: matches no colour
        }
        return pixels[static_cast<std::size_t>(y) * width + x] & 0xFFFFFF;
    }

    // Writes a 32-bit BMP; returns the file's full path.
    std::string save(const char* name) const {
        char full[MAX_PATH] = {};
        GetFullPathNameA(name, MAX_PATH, full, nullptr);
        FILE* file = std::fopen(name, "wb");
        if (file == nullptr) {
            return std::string("(not written) ") + name;
        }
        const DWORD imageBytes = static_cast<DWORD>(pixels.size() * 4);
        BITMAPFILEHEADER header{};
        BITMAPINFOHEADER info{};
        header.bfType = 0x4D42;
        header.bfOffBits = sizeof(header) + sizeof(info);
        header.bfSize = header.bfOffBits + imageBytes;
        info.biSize = sizeof(info);
        info.biWidth = width;
        info.biHeight = -height;
        info.biPlanes = 1;
        info.biBitCount = 32;
        info.biCompression = BI_RGB;
        std::fwrite(&header, sizeof(header), 1, file);
        std::fwrite(&info, sizeof(info), 1, file);
        std::fwrite(pixels.data(), 4, pixels.size(), file);
        std::fclose(file);
        return full;
    }
};

// GDI's 0x00BBGGRR against the screen's 0x00RRGGBB.
::testing::AssertionResult looksLike(std::uint32_t pixel, platform::ColorRef colour, const char* what) {
    const int r = static_cast<int>((pixel >> 16) & 0xFF) - platform::redOf(colour);
    const int g = static_cast<int>((pixel >> 8) & 0xFF) - platform::greenOf(colour);
    const int b = static_cast<int>(pixel & 0xFF) - platform::blueOf(colour);
    if (std::abs(r) <= kColourTolerance && std::abs(g) <= kColourTolerance && std::abs(b) <= kColourTolerance) {
        return ::testing::AssertionSuccess();
    }
    char text[160];
    std::snprintf(text, sizeof(text), "%s: screen 0x%06X, expected RGB 0x%02X%02X%02X", what, pixel,
                  platform::redOf(colour), platform::greenOf(colour), platform::blueOf(colour));
    return ::testing::AssertionFailure() << text;
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
        const platform::ColorRef frame = selected ? QuickMenu::kSelectedFrameColor : QuickMenu::kNormalFrameColor;
        const platform::ColorRef fill = selected ? QuickMenu::kSelectedFillColor : QuickMenu::kNormalFillColor;
        const std::string which = "item " + std::to_string(index);
        EXPECT_TRUE(looksLike(shot.at(left, top + itemHeight / 2), frame, (which + " left frame").c_str()));
        EXPECT_TRUE(looksLike(shot.at(left + itemWidth - 1, top + itemHeight / 2), frame,
                              (which + " right frame").c_str()));
        EXPECT_TRUE(looksLike(shot.at(left + itemWidth / 2, top), frame, (which + " top frame").c_str()));
        EXPECT_TRUE(looksLike(shot.at(left + 3, top + 3), fill, (which + " fill").c_str()));
        EXPECT_TRUE(looksLike(shot.at(left - 2, top + itemHeight / 2), QuickMenu::kNormalFillColor,
                              (which + " background beside").c_str()));
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

    const Screenshot shot = Screenshot::take();
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
    EXPECT_FALSE(looksLike(shot.at(rect.left, rect.top + height / 2), QuickMenu::kNormalFillColor, "left edge"));
    EXPECT_FALSE(looksLike(shot.at(rect.left + 1, rect.top + 1), QuickMenu::kNormalFillColor, "corner"));
}

TEST_F(MenuScreen, ArrowKeysMoveTheHighlightAndEnterPostsTheEntry) {
    const RECT rect = windowRect();
    key(VK_DOWN);
    Screenshot shot = Screenshot::take();
    std::printf("screenshot after Down: %s\n", shot.save("menu-down.bmp").c_str());
    expectItem(shot, rect, 0, false);
    expectItem(shot, rect, 1, true);

    key(VK_UP);
    key(VK_UP); // from the first item to the last
    shot = Screenshot::take();
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
