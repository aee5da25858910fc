// The firmware simulator's eyes on the screen under Windows. Win32 only.
#include "tools/firmware-sim/win32/Win32ScreenObserver.h"

#include "common/Text.h"
#include "controller/StringTable.h"
#include "controller/launcher/AppLauncher.h"
#include "controller/menu/GuiWindowProcedure.h"
#include "controller/menu/QuickMenu.h"
#include "platform/win32/Win32Drawing.h"
#include "platform/win32/Win32Windowing.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace fwsim {

namespace {

constexpr const wchar_t* kMenuTitle = L"QuickMenu";
constexpr const wchar_t* kDialogClass = L"#32770";
constexpr const wchar_t* kControllerFile = L"Sentrixd.exe";
// The menu's window leaves out its first row and column (its region starts at 1, 1), and its
// first item starts this far from the window's top-left corner.
constexpr int kItemLeft = QuickMenu::kMarginLeft + QuickMenu::kItemIndent;
constexpr int kItemTop = QuickMenu::kMarginTop + QuickMenu::kTitleHeight;
constexpr int kBelowItems = QuickMenu::kMarginBottom + QuickMenu::kFrameBottom;
constexpr int kBesideItems = QuickMenu::kMarginLeft + QuickMenu::kFrameRight + QuickMenu::kMarginRight; // 12
// A recognised label: at most this share of its text's pixels may differ (blending at the
// glyphs' edges), in thousandths.
constexpr int kInkMismatchPerMille = 5;
constexpr int kInkTolerance = 24;
constexpr DWORD kMessageTimeoutMs = 5000;

// The notice's dialog template (dialog units) and the bitmaps of its header band.
constexpr int kNoticeWidthDlu = 282;
constexpr int kNoticeHeightDlu = 85;
struct TemplateControl {
    int id;
    int x, y, width, height;
};
constexpr TemplateControl kNoticeControls[] = {
    {IDOK, 225, 63, 50, 14}, {1006, 63, 22, 204, 23}, {1007, 23, 59, 197, 10}};
constexpr int kMessageControl = 1006;
constexpr int kCheckBoxControl = 1007;
constexpr int kBandTileBitmap = 132;
constexpr int kBandEndBitmap = 133;

std::string format(const char* pattern, int a, int b = 0, int c = 0, int d = 0) {
    char text[200];
    std::snprintf(text, sizeof(text), pattern, a, b, c, d);
    return text;
}

bool frameColoured(std::uint32_t pixel) {
    return looksLike(pixel, QuickMenu::kNormalFrameColor) || looksLike(pixel, QuickMenu::kSelectedFrameColor);
}

bool similar(std::uint32_t a, std::uint32_t b, int tolerance) {
    for (int shift = 0; shift <= 16; shift += 8) {
        const int difference = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
        if (std::abs(difference) > tolerance) {
            return false;
        }
    }
    return (a & 0xFF000000) == 0 && (b & 0xFF000000) == 0;
}

// The executable of the process that owns a window, as a full path; empty when unknown.
std::wstring ownerProgram(HWND window) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (process == nullptr) {
        return {};
    }
    wchar_t path[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    const bool known = QueryFullProcessImageNameW(process, 0, path, &size) != 0;
    CloseHandle(process);
    return known ? std::wstring(path, size) : std::wstring();
}

bool ownedByController(HWND window) {
    const std::wstring program = ownerProgram(window);
    const std::size_t slash = program.find_last_of(L"\\/");
    const std::wstring file = slash == std::wstring::npos ? program : program.substr(slash + 1);
    return lstrcmpiW(file.c_str(), kControllerFile) == 0;
}

// The controller's top-level window of this class and title, or null.
HWND controllerWindow(const wchar_t* className, const wchar_t* title) {
    for (HWND window = FindWindowExW(nullptr, nullptr, className, title); window != nullptr;
         window = FindWindowExW(nullptr, window, className, title)) {
        if (ownedByController(window)) {
            return window;
        }
    }
    return nullptr;
}

std::wstring windowText(HWND window) {
    wchar_t text[1024] = {};
    DWORD_PTR copied = 0;
    if (window == nullptr ||
        SendMessageTimeoutW(window, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text),
                            SMTO_ABORTIFHUNG, kMessageTimeoutMs, &copied) == 0) {
        return {};
    }
    return std::wstring(text, std::min<std::size_t>(copied, std::size(text) - 1));
}

// A picture drawn by the menu's own code: the menu with one entry and the menu's title,
// windowless, with the entry selected or not.
struct Reference {
    ScreenImage image;
    int itemWidth = 0;
    int itemHeight = 0;
};

Reference drawReference(platform::Windowing& windowing, platform::Drawing& drawing, const std::wstring& label,
                        bool selected) {
    Reference reference;
    QuickMenu menu(GuiPorts{windowing, drawing});
    menu.setTitle(strings::kControlMenu);
    menu.addItem(label, 0);
    menu.layoutItems();
    if (menu.children().empty() || menu.m_nWidth <= 0 || menu.m_nHeight <= 0) {
        return reference;
    }
    menu.children()[0]->m_bSelected = selected;
    reference.itemWidth = menu.children()[0]->m_nWidth;
    reference.itemHeight = menu.children()[0]->m_nHeight;

    reference.image = ScreenImage::painted(menu.m_nWidth, menu.m_nHeight,
                                           [&menu](platform::DeviceContext dc) { menu.paint(dc); });
    return reference;
}

// Whether the text in a band of the screen (left, top, width, height; background `fill`) is
// the text of the reference's band (refLeft, refTop, refWidth; same height), both centred.
bool sameInk(const ScreenImage& shot, int left, int top, int width, int height, const ScreenImage& reference,
             int refLeft, int refTop, int refWidth, std::uint32_t fill) {
    if (refWidth > width || reference.width < refLeft + refWidth || reference.height < refTop + height) {
        return false;
    }
    const int centred = left + (width - refWidth) / 2;
    for (int offset = -1; offset <= 1; ++offset) {
        const int shift = centred + offset - refLeft;
        int compared = 0;
        int differing = 0;
        for (int y = 0; y < height; ++y) {
            for (int x = left; x < left + width; ++x) {
                const int rx = x - shift;
                const std::uint32_t seen = shot.at(x, top + y);
                const std::uint32_t wanted =
                    rx >= refLeft && rx < refLeft + refWidth ? reference.at(rx, refTop + y) : fill;
                ++compared;
                differing += similar(seen, wanted, kInkTolerance) ? 0 : 1;
            }
        }
        if (compared > 0 && differing * 1000 <= compared * kInkMismatchPerMille) {
            return true;
        }
    }
    return false;
}

std::uint32_t screenColour(platform::ColorRef colour) {
    return (static_cast<std::uint32_t>(platform::redOf(colour)) << 16) |
           (static_cast<std::uint32_t>(platform::greenOf(colour)) << 8) | platform::blueOf(colour);
}

// The pixels of a bitmap resource of a module as 0x00RRGGBB, top row first.
ScreenImage bitmapResource(HMODULE module, int id) {
    ScreenImage image;
    HBITMAP bitmap = static_cast<HBITMAP>(LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, 0));
    if (bitmap == nullptr) {
        return image;
    }
    BITMAP header{};
    GetObjectW(bitmap, sizeof(header), &header);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = header.bmWidth;
    info.bmiHeader.biHeight = -header.bmHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(header.bmWidth) * header.bmHeight);
    HDC screen = GetDC(nullptr);
    if (!pixels.empty() && GetDIBits(screen, bitmap, 0, static_cast<UINT>(header.bmHeight), pixels.data(),
                                     &info, DIB_RGB_COLORS) == header.bmHeight) {
        image.width = header.bmWidth;
        image.height = header.bmHeight;
        for (std::uint32_t& pixel : pixels) {
            pixel &= 0xFFFFFF;
        }
        image.pixels = std::move(pixels);
    }
    ReleaseDC(nullptr, screen);
    DeleteObject(bitmap);
    return image;
}

// Faults of a bitmap expected at (left, top) of the screen.
void checkBitmapAt(const ScreenImage& shot, const ScreenImage& bitmap, int left, int top, const char* what,
                   std::vector<std::string>& faults) {
    if (bitmap.pixels.empty()) {
        faults.push_back(std::string("the controller's bitmap for the ") + what + " cannot be read");
        return;
    }
    int differing = 0;
    for (int y = 0; y < bitmap.height; ++y) {
        for (int x = 0; x < bitmap.width; ++x) {
            differing += similar(shot.at(left + x, top + y), bitmap.at(x, y), kScreenColourTolerance) ? 0 : 1;
        }
    }
    if (differing > 0) {
        faults.push_back(
            std::string("the ") + what +
            format(" differs from its bitmap in %d of %d pixels", differing, bitmap.width * bitmap.height));
    }
}

} // namespace

Win32ScreenObserver::Win32ScreenObserver(std::string pictureFolder)
    : m_pictureFolder(std::move(pictureFolder)) {}

Win32ScreenObserver::~Win32ScreenObserver() = default;

std::string Win32ScreenObserver::keepPicture(const ScreenImage& shot, const char* what) {
    if (m_pictureFolder.empty() || shot.pixels.empty()) {
        return {};
    }
    char name[64];
    std::snprintf(name, sizeof(name), "\\screen-%02d-%s.bmp", ++m_pictures, what);
    return shot.save(m_pictureFolder + name);
}

std::vector<std::wstring> Win32ScreenObserver::menuLabels() const {
    std::vector<std::wstring> labels = AppLauncher::builtInLabels();
    labels.emplace_back(strings::kCloseThisMenu);
    // The custom items' display names in the user's copy of the Launcher key.
    HKEY launcher = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, AppLauncher::kLauncherKey, 0, KEY_READ, &launcher) !=
        ERROR_SUCCESS) {
        return labels;
    }
    wchar_t name[AppLauncher::kSubKeyNameChars] = {};
    for (DWORD index = 0;; ++index) {
        DWORD nameChars = static_cast<DWORD>(std::size(name));
        if (RegEnumKeyExW(launcher, index, name, &nameChars, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        wchar_t label[256] = {};
        DWORD bytes = sizeof(label) - sizeof(wchar_t);
        DWORD type = 0;
        if (RegGetValueW(launcher, name, AppLauncher::kDisplayNameValue, RRF_RT_REG_SZ, &type, label,
                         &bytes) == ERROR_SUCCESS) {
            labels.emplace_back(label);
        }
    }
    RegCloseKey(launcher);
    return labels;
}

std::optional<ScreenObserver::MenuSight> Win32ScreenObserver::controlMenu() {
    HWND window = controllerWindow(kGuiWindowClass, kMenuTitle);
    if (window == nullptr) {
        return std::nullopt;
    }
    MenuSight sight;
    sight.visible = IsWindowVisible(window) != 0;
    if (!sight.visible) {
        return sight;
    }
    RECT rect{};
    GetWindowRect(window, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    const ScreenImage shot = ScreenImage::capture();
    sight.picture = keepPicture(shot, "menu");
    std::vector<std::string>& faults = sight.faults;

    // Its place: in the middle of the screen, above the other windows.
    const int centredX = std::max(0, GetSystemMetrics(SM_CXFULLSCREEN) / 2 - width / 2);
    const int centredY = std::max(0, GetSystemMetrics(SM_CYFULLSCREEN) / 2 - height / 2);
    if (rect.left != centredX || rect.top != centredY) {
        faults.push_back(format("the menu is at (%d, %d), not centred at (%d, %d)", rect.left, rect.top,
                                centredX, centredY));
    }
    if ((GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) == 0) {
        faults.push_back("the menu is not topmost");
    }
    const int itemWidth = width - kBesideItems;
    if (itemWidth < QuickMenu::kMinimumItemWidth) {
        faults.push_back(
            format("the menu is %d pixels wide; its items would be %d wide, at least %d expected", width,
                   itemWidth, QuickMenu::kMinimumItemWidth));
    }

    // Its items: framed rectangles one below the other from (6, 75). Just inside the left
    // frame, where no label reaches, only the frames' rows differ from the fill.
    const int probeX = rect.left + kItemLeft + 2;
    const int firstTop = rect.top + kItemTop;
    if (!frameColoured(shot.at(probeX, firstTop))) {
        faults.push_back("no item frame at (6, 75): " +
                         colourMismatch(shot.at(probeX, firstTop), QuickMenu::kNormalFrameColor));
        return sight;
    }
    int itemHeight = 0;
    for (int y = firstTop + 1; y < rect.bottom; ++y) {
        if (frameColoured(shot.at(probeX, y))) {
            itemHeight = y - firstTop + 1;
            break;
        }
    }
    const int itemsHeight = height - kItemTop - kBelowItems;
    if (itemHeight <= 2 || itemsHeight % itemHeight != 0) {
        faults.push_back(format("the items (%d pixels high together) are not of one height (the first is %d)",
                                itemsHeight, itemHeight));
        return sight;
    }
    const int count = itemsHeight / itemHeight;
    platform::win32::Win32Windowing windowing;
    platform::win32::Win32Drawing drawing;
    const std::vector<std::wstring> labels = menuLabels();
    int selectedCount = 0;
    for (int index = 0; index < count; ++index) {
        const int left = rect.left + kItemLeft;
        const int top = firstTop + index * itemHeight;
        const bool selected = looksLike(shot.at(left + 3, top + 3), QuickMenu::kSelectedFillColor);
        if (selected) {
            sight.selected = index;
            ++selectedCount;
        }
        const std::vector<std::string> itemFaults =
            menuItemFaults(shot, left, top, itemWidth, itemHeight, index, selected);
        faults.insert(faults.end(), itemFaults.begin(), itemFaults.end());

        std::wstring recognised = L"(unrecognised)";
        for (const std::wstring& label : labels) {
            const Reference reference = drawReference(windowing, drawing, label, selected);
            if (reference.itemHeight == itemHeight &&
                sameInk(
                    shot, left + 1, top + 1, itemWidth - 2, itemHeight - 2, reference.image, kItemLeft + 1,
                    kItemTop + 1, reference.itemWidth - 2,
                    screenColour(selected ? QuickMenu::kSelectedFillColor : QuickMenu::kNormalFillColor))) {
                recognised = label;
                break;
            }
        }
        sight.entries.push_back(recognised);
    }
    if (selectedCount > 1) {
        faults.push_back(format("%d items are highlighted at once", selectedCount));
    }

    // The title band: "Control Menu" in white on the background, centred in (0, 10) to
    // (width, 60), and plain background below it down to the items.
    const Reference title = drawReference(windowing, drawing, strings::kCloseThisMenu, false);
    const int bandTop = QuickMenu::kTitleRect.top;
    const int bandHeight = QuickMenu::kTitleRect.bottom - QuickMenu::kTitleRect.top;
    if (!sameInk(shot, rect.left + 1, rect.top + bandTop, width - 2, bandHeight, title.image, 1, bandTop,
                 title.image.width - 2, screenColour(QuickMenu::kNormalFillColor))) {
        faults.push_back("the title band does not show \"" + text::toUtf8(strings::kControlMenu) +
                         "\" in white, centred");
    }
    for (int y = rect.top + QuickMenu::kTitleRect.bottom; y < firstTop; ++y) {
        if (!looksLike(shot.at(rect.left + 3, y), QuickMenu::kNormalFillColor)) {
            faults.push_back(format("below the title, row %d: not the background", y - rect.top));
            break;
        }
    }
    return sight;
}

std::optional<ScreenObserver::NoticeSight> Win32ScreenObserver::notice() {
    HWND dialog = controllerWindow(kDialogClass, strings::kCaption);
    if (dialog == nullptr || !IsWindowVisible(dialog)) {
        if (!m_lastNotice) {
            return std::nullopt;
        }
        NoticeSight closed = *m_lastNotice;
        closed.open = false;
        closed.faults.clear();
        closed.picture.clear();
        return closed;
    }
    NoticeSight sight;
    sight.open = true;
    sight.title = windowText(dialog);
    sight.message = windowText(GetDlgItem(dialog, kMessageControl));
    sight.checkBoxText = windowText(GetDlgItem(dialog, kCheckBoxControl));
    DWORD_PTR state = 0;
    SendMessageTimeoutW(GetDlgItem(dialog, kCheckBoxControl), BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG,
                        kMessageTimeoutMs, &state);
    sight.checked = state == BST_CHECKED;
    std::vector<std::string>& faults = sight.faults;

    const ScreenImage shot = ScreenImage::capture();
    sight.picture = keepPicture(shot, "notice");
    const std::wstring ok = windowText(GetDlgItem(dialog, IDOK));
    if (ok != L"OK") {
        faults.push_back("the OK button reads \"" + text::toUtf8(ok) + "\"");
    }

    // Its size and its controls' places: the template's dialog units, for one pair of base
    // units that gives the client area its size.
    RECT client{};
    GetClientRect(dialog, &client);
    int unitX = 0;
    int unitY = 0;
    for (int x = 4; x <= 32 && unitX == 0; ++x) {
        unitX = MulDiv(kNoticeWidthDlu, x, 4) == client.right ? x : 0;
    }
    for (int y = 8; y <= 64 && unitY == 0; ++y) {
        unitY = MulDiv(kNoticeHeightDlu, y, 8) == client.bottom ? y : 0;
    }
    if (unitX == 0 || unitY == 0) {
        faults.push_back(format("the client area is %d x %d pixels, not %d x %d dialog units", client.right,
                                client.bottom, kNoticeWidthDlu, kNoticeHeightDlu));
    } else {
        for (const TemplateControl& control : kNoticeControls) {
            HWND child = GetDlgItem(dialog, control.id);
            RECT seen{};
            if (child == nullptr || !GetWindowRect(child, &seen)) {
                faults.push_back(format("control %d is missing", control.id));
                continue;
            }
            MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&seen), 2);
            const RECT wanted{MulDiv(control.x, unitX, 4), MulDiv(control.y, unitY, 8),
                              MulDiv(control.x + control.width, unitX, 4),
                              MulDiv(control.y + control.height, unitY, 8)};
            if (std::abs(seen.left - wanted.left) > 1 || std::abs(seen.top - wanted.top) > 1 ||
                std::abs(seen.right - wanted.right) > 1 || std::abs(seen.bottom - wanted.bottom) > 1) {
                faults.push_back(format("control %d is at (%d, %d)", control.id, seen.left, seen.top) +
                                 format(" to (%d, %d)", seen.right, seen.bottom) +
                                 format(", expected (%d, %d)", wanted.left, wanted.top) +
                                 format(" to (%d, %d)", wanted.right, wanted.bottom));
            }
        }
    }

    // Its place: centred in the work area of its monitor, as a dialog of the class library
    // without owner is.
    RECT frame{};
    GetWindowRect(dialog, &frame);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (GetMonitorInfoW(MonitorFromWindow(dialog, MONITOR_DEFAULTTOPRIMARY), &monitor) != FALSE) {
        const RECT& work = monitor.rcWork;
        const LONG centredX = (work.left + work.right) / 2 - (frame.right - frame.left) / 2;
        const LONG centredY = (work.top + work.bottom) / 2 - (frame.bottom - frame.top) / 2;
        if (std::abs(frame.left - centredX) > 1 || std::abs(frame.top - centredY) > 1) {
            faults.push_back(
                format("the notice is at (%d, %d), ", static_cast<int>(frame.left),
                       static_cast<int>(frame.top)) +
                format("not centred at (%d, %d)", static_cast<int>(centredX), static_cast<int>(centredY)));
        }
    }

    // The header band: the controller's tile bitmap from the left edge, its end bitmap at the
    // right edge, as the controller's own resources hold them.
    POINT origin{0, 0};
    ClientToScreen(dialog, &origin);
    const std::wstring program = ownerProgram(dialog);
    HMODULE module = program.empty()
                         ? nullptr
                         : LoadLibraryExW(program.c_str(), nullptr,
                                          LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (module == nullptr) {
        faults.push_back("the controller's resources cannot be read");
    } else {
        const ScreenImage tile = bitmapResource(module, kBandTileBitmap);
        const ScreenImage end = bitmapResource(module, kBandEndBitmap);
        checkBitmapAt(shot, tile, origin.x, origin.y, "band's first tile", faults);
        if (!tile.pixels.empty() && client.right > end.width + tile.width) {
            checkBitmapAt(shot, tile, origin.x + (client.right - end.width) / 2, origin.y,
                          "band's middle tile", faults);
        }
        checkBitmapAt(shot, end, origin.x + client.right - end.width, origin.y, "band's end", faults);
        FreeLibrary(module);
    }
    m_lastNotice = sight;
    return sight;
}

std::string Win32ScreenObserver::pressMenuKey(unsigned virtualKey) {
    HWND window = controllerWindow(kGuiWindowClass, kMenuTitle);
    if (window == nullptr || !IsWindowVisible(window)) {
        return "no control menu is shown";
    }
    if (!PostMessageW(window, WM_KEYDOWN, virtualKey, 1) ||
        !PostMessageW(window, WM_KEYUP, virtualKey, static_cast<LPARAM>(0xC0000001))) {
        return "the key cannot be posted to the control menu";
    }
    return {};
}

std::string Win32ScreenObserver::clickNotice(int controlId) {
    HWND dialog = controllerWindow(kDialogClass, strings::kCaption);
    if (dialog == nullptr || !IsWindowVisible(dialog)) {
        return "no notice is open";
    }
    if (controlId == 0) {
        return PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0) ? std::string()
                                                                : "the close box cannot be clicked";
    }
    if (controlId == IDCANCEL) {
        // What Esc in a dialog becomes.
        return PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0)
                   ? std::string()
                   : "Esc cannot be pressed";
    }
    HWND control = GetDlgItem(dialog, controlId);
    if (control == nullptr) {
        return "the notice has no control " + std::to_string(controlId);
    }
    DWORD_PTR result = 0;
    if (SendMessageTimeoutW(control, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &result) == 0) {
        return "the notice did not take the click on control " + std::to_string(controlId);
    }
    return {};
}

} // namespace fwsim
