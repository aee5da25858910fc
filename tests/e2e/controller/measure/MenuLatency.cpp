// MenuLatency.exe: how quickly the real controller's control menu answers, seen from the screen.
//   MenuLatency.exe OUTFILE SAMPLES
// For each sample it asks the controller for the menu as a remote key does (the firmware event
// 0x1609, the root-menu key of the installed rules, posted to the controller's window the way
// the event service posts it) and waits until the menu's first item is on the screen in the
// selected colour: "show" (event posted -> menu on screen, including the dispatch, the
// launcher's rebuild of the menu, its layout and the first paint). Then it posts Down to the
// menu's window and waits until the second item is highlighted on the screen: "key" (key
// reaching the menu -> its repaint done). Esc hides the menu before the next sample.
// The results are appended to OUTFILE as lines "RESULT show_p50_ms=..." and so on.
// Exit code 0, 1 when the menu did not answer in time, 2 for a bad command line.
// Win32 only.
#include "controller/menu/QuickMenu.h"
#include "tools/firmware-sim/win32/Win32ScreenImage.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kUsage = 2;
constexpr int kFailed = 1;
constexpr WPARAM kRootMenuKeyEvent = 0x1609;
constexpr double kGiveUpMs = 5000;
constexpr DWORD kBetweenSamplesMs = 100;
constexpr int kItemLeft = QuickMenu::kMarginLeft + QuickMenu::kItemIndent;
constexpr int kItemTop = QuickMenu::kMarginTop + QuickMenu::kTitleHeight;

LARGE_INTEGER g_frequency;

double nowMs() {
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(g_frequency.QuadPart);
}

std::uint32_t screenPixel(int x, int y) {
    HDC screen = GetDC(nullptr);
    const COLORREF pixel = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    if (pixel == CLR_INVALID) {
        return 0xFF000000;
    }
    return (static_cast<std::uint32_t>(GetRValue(pixel)) << 16) |
           (static_cast<std::uint32_t>(GetGValue(pixel)) << 8) | GetBValue(pixel);
}

HWND menuWindow() {
    return FindWindowW(L"GuiLib_WindowClass", L"QuickMenu");
}

// Waits until the item (0 first) of the visible menu shows the selected fill; the time it took
// from `since`, or a negative number when it did not within the limit.
double waitForHighlight(int item, double since) {
    while (nowMs() - since < kGiveUpMs) {
        HWND menu = menuWindow();
        RECT rect{};
        if (menu != nullptr && IsWindowVisible(menu) && GetWindowRect(menu, &rect)) {
            // The items' height: from the first item's top frame to its bottom frame, just
            // inside the left frame.
            const int x = rect.left + kItemLeft + 3;
            const int top = rect.top + kItemTop;
            int height = 0;
            for (int y = top + 1; y < rect.bottom && height == 0; ++y) {
                const std::uint32_t pixel = screenPixel(rect.left + kItemLeft + 2, y);
                if (fwsim::looksLike(pixel, QuickMenu::kNormalFrameColor) ||
                    fwsim::looksLike(pixel, QuickMenu::kSelectedFrameColor)) {
                    height = y - top + 1;
                }
            }
            if (height > 0 &&
                fwsim::looksLike(screenPixel(x, top + item * height + 3), QuickMenu::kSelectedFillColor)) {
                return nowMs() - since;
            }
        }
        Sleep(0);
    }
    return -1;
}

bool waitHidden(double since) {
    while (nowMs() - since < kGiveUpMs) {
        HWND menu = menuWindow();
        if (menu == nullptr || !IsWindowVisible(menu)) {
            return true;
        }
        Sleep(1);
    }
    return false;
}

std::string summary(const char* name, std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    const auto at = [&](double share) {
        return samples[std::min(samples.size() - 1,
                                static_cast<std::size_t>(share * static_cast<double>(samples.size())))];
    };
    char text[200];
    std::snprintf(text, sizeof(text),
                  "RESULT %s_p50_ms=%.2f\r\nRESULT %s_p99_ms=%.2f\r\nRESULT %s_max_ms=%.2f\r\n", name,
                  at(0.5), name, at(0.99), name, samples.back());
    return text;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        return kUsage;
    }
    const int count = _wtoi(argv[2]);
    if (count <= 0) {
        return kUsage;
    }
    QueryPerformanceFrequency(&g_frequency);
    FILE* out = _wfopen(argv[1], L"ab");
    if (out == nullptr) {
        return kUsage;
    }
    const UINT tiles = RegisterWindowMessageW(L"KORVATH_TILES_NOTIFY_EVENT");
    std::vector<double> shows;
    std::vector<double> keys;
    int status = 0;
    for (int i = 0; i < count && status == 0; ++i) {
        HWND controller = FindWindowW(L"#32770", L"KorSentrixSuiteMain");
        if (controller == nullptr) {
            std::fprintf(out, "no controller window\r\n");
            status = kFailed;
            break;
        }
        double start = nowMs();
        PostMessageW(controller, tiles, kRootMenuKeyEvent, 0);
        const double shown = waitForHighlight(0, start);
        start = nowMs();
        HWND menu = menuWindow();
        PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 1);
        const double moved = waitForHighlight(1, start);
        PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 1);
        if (shown < 0 || moved < 0 || !waitHidden(nowMs())) {
            std::fprintf(out, "sample %d: the menu did not answer (show %.1f ms, key %.1f ms)\r\n", i, shown,
                         moved);
            status = kFailed;
            break;
        }
        shows.push_back(shown);
        keys.push_back(moved);
        Sleep(kBetweenSamplesMs);
    }
    if (!shows.empty()) {
        std::fprintf(out, "RESULT samples=%d\r\n%s%s", static_cast<int>(shows.size()),
                     summary("show", shows).c_str(), summary("key", keys).c_str());
    }
    std::fclose(out);
    return status;
}
