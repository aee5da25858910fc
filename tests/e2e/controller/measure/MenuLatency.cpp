// MenuLatency.exe: how quickly the real controller's control menu answers, seen from the screen.
//   MenuLatency.exe OUTFILE SAMPLES
// For each sample it asks the controller for the menu as a remote key does (the firmware event
// 0x1609, the root-menu key of the installed rules, posted to the controller's window the way
// the event service posts it) and waits until the menu's first item is on the screen in the
// selected colour: "show" (event posted -> menu on screen, including the dispatch, the
// launcher's rebuild of the menu, its layout and the first paint). Then it posts Down to the
// menu's window and waits until the second item is highlighted on the screen: "key" (key
// reaching the menu -> its repaint done). Esc hides the menu. Then it posts WM_END_APPLICATION
// (as a watch does when the DVD player ends), on which the controller calls showAppLauncher at
// once, and waits for the menu again: "launcher" (showAppLauncher -> menu on screen, without the
// display query that the root-menu key's rule makes first). Esc hides the menu before the next
// sample. For that message to show the menu, it sets "LauncherShowMode" 1 in the user's
// settings and tells the controller to reload them before the first sample.
// Each sample is appended to OUTFILE as it is taken ("sample N: show ... ms, key ... ms"; the
// first one warms up and is not counted), then the results as lines "RESULT show_p50_ms=..." and
// so on.
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
constexpr UINT kEndApplication = 0x8485;
constexpr WPARAM kBirchWatch = 2;
constexpr DWORD kReloadMs = 2000;
constexpr int kItemLeft = QuickMenu::kMarginLeft + QuickMenu::kItemIndent;
constexpr int kItemTop = QuickMenu::kMarginTop + QuickMenu::kTitleHeight;

LARGE_INTEGER g_frequency;

double nowMs() {
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(g_frequency.QuadPart);
}

// The screen's device context, kept for the whole run: one pixel read is then one request to
// the display, so that polling the screen costs little against what is measured.
HDC g_screen = nullptr;

std::uint32_t screenPixel(int x, int y) {
    const COLORREF pixel = GetPixel(g_screen, x, y);
    if (pixel == CLR_INVALID) {
        return 0xFF000000;
    }
    return (static_cast<std::uint32_t>(GetRValue(pixel)) << 16) |
           (static_cast<std::uint32_t>(GetGValue(pixel)) << 8) | GetBValue(pixel);
}

HWND menuWindow() {
    return FindWindowW(L"GuiLib_WindowClass", L"QuickMenu");
}

// The items' height on the screen: from the first item's top frame to its bottom frame, just
// inside the left frame, read from one picture of the screen; 0 while it cannot be seen.
int itemHeightOnScreen(const RECT& menu) {
    const fwsim::ScreenImage shot = fwsim::ScreenImage::capture();
    const int x = menu.left + kItemLeft + 2;
    const int top = menu.top + kItemTop;
    for (int y = top + 1; y < menu.bottom; ++y) {
        const std::uint32_t pixel = shot.at(x, y);
        if (fwsim::looksLike(pixel, QuickMenu::kNormalFrameColor) ||
            fwsim::looksLike(pixel, QuickMenu::kSelectedFrameColor)) {
            return y - top + 1;
        }
    }
    return 0;
}

// Waits until the item (0 first) of the visible menu shows the selected fill; the time it took
// from `since`, or a negative number when it did not within the limit. `height` is the items'
// height, found on the screen the first time (0: not known yet); the menu shows the same
// entries every time, so later samples only read one pixel per look.
double waitForHighlight(int item, double since, int& height) {
    while (nowMs() - since < kGiveUpMs) {
        HWND menu = menuWindow();
        RECT rect{};
        if (menu != nullptr && IsWindowVisible(menu) && GetWindowRect(menu, &rect)) {
            if (height == 0) {
                height = itemHeightOnScreen(rect);
            }
            const int x = rect.left + kItemLeft + 3;
            const int y = rect.top + kItemTop + item * height + 3;
            if (height > 0 && fwsim::looksLike(screenPixel(x, y), QuickMenu::kSelectedFillColor)) {
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

// "LauncherShowMode" 1 in the user's settings, which the controller reads again on
// "SENTRIXSET_CHANGED".
bool showLauncherOnEnd(HWND controller) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"SOFTWARE\\KORVATH\\Sentrixd", 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const DWORD one = 1;
    const bool written = RegSetValueExW(key, L"LauncherShowMode", 0, REG_DWORD,
                                        reinterpret_cast<const BYTE*>(&one), sizeof(one)) == ERROR_SUCCESS;
    RegCloseKey(key);
    if (!written || !PostMessageW(controller, RegisterWindowMessageW(L"SENTRIXSET_CHANGED"), 0, 0)) {
        return false;
    }
    Sleep(kReloadMs);
    return true;
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
    g_screen = GetDC(nullptr);
    std::vector<double> shows;
    std::vector<double> keys;
    std::vector<double> launchers;
    int status = 0;
    HWND first = FindWindowW(L"#32770", L"KorSentrixSuiteMain");
    if (first == nullptr || !showLauncherOnEnd(first)) {
        std::fprintf(out, "the controller's settings cannot be changed\r\n");
        status = kFailed;
    }
    int height = 0;
    // Sample 0 warms up (the first showing loads the fonts, and the items' height is found on
    // the screen); it is printed but not counted.
    for (int i = 0; i <= count && status == 0; ++i) {
        HWND controller = FindWindowW(L"#32770", L"KorSentrixSuiteMain");
        if (controller == nullptr) {
            std::fprintf(out, "no controller window\r\n");
            status = kFailed;
            break;
        }
        double start = nowMs();
        PostMessageW(controller, tiles, kRootMenuKeyEvent, 0);
        const double shown = waitForHighlight(0, start, height);
        start = nowMs();
        HWND menu = menuWindow();
        PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 1);
        const double moved = waitForHighlight(1, start, height);
        PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 1);
        const bool hidden = waitHidden(nowMs());
        start = nowMs();
        PostMessageW(controller, kEndApplication, kBirchWatch, 0);
        const double launcher = hidden ? waitForHighlight(0, start, height) : -1;
        PostMessageW(menuWindow(), WM_KEYDOWN, VK_ESCAPE, 1);
        if (shown < 0 || moved < 0 || launcher < 0 || !waitHidden(nowMs())) {
            std::fprintf(
                out, "sample %d: the menu did not answer (show %.1f ms, key %.1f ms, launcher %.1f ms)\r\n",
                i, shown, moved, launcher);
            status = kFailed;
            break;
        }
        std::fprintf(out, "sample %d: show %.2f ms, key %.2f ms, launcher %.2f ms%s\r\n", i, shown, moved,
                     launcher, i == 0 ? " (warm-up)" : "");
        std::fflush(out);
        if (i > 0) {
            shows.push_back(shown);
            keys.push_back(moved);
            launchers.push_back(launcher);
        }
        Sleep(kBetweenSamplesMs);
    }
    if (!shows.empty()) {
        std::fprintf(out, "RESULT samples=%d\r\n%s%s%s", static_cast<int>(shows.size()),
                     summary("show", shows).c_str(), summary("key", keys).c_str(),
                     summary("launcher", launchers).c_str());
    }
    std::fclose(out);
    ReleaseDC(nullptr, g_screen);
    return status;
}
