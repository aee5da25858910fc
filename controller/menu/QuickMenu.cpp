// The control menu: resources, layout, painting, keys and its window. Portable.
#include "controller/menu/QuickMenu.h"

#include "common/Trace.h"
#include "controller/menu/GuiMessages.h"
#include "controller/menu/QuickMenuItem.h"

#include <algorithm>

#define MENU_SCOPE(name) TRACE_SCOPE(TraceModule::Sentrixd, name)

namespace {

constexpr int kFontWeightNormal = 400;

platform::FontSpec menuFont() {
    platform::FontSpec spec;
    spec.face = QuickMenu::kFontFace;
    spec.height = QuickMenu::kFontHeight;
    spec.weight = kFontWeightNormal;
    spec.charSet = QuickMenu::kFontCharSet;
    spec.quality = platform::kClearTypeQuality;
    return spec;
}

bool keyDown(platform::Drawing& drawing, int virtualKey) {
    return drawing.keyState(virtualKey) < 0;
}

int clampExtent(long long value) {
    return static_cast<int>(std::clamp<long long>(value, 0, QuickMenu::kMaximumExtent));
}

} // namespace

QuickMenu::QuickMenu(GuiPorts ports) : Component(ports) {
    platform::Drawing& drawing = m_ports.drawing;
    m_bVisible = false;
    m_hNormalPen = drawing.createPen(platform::kPsInsideFrame, 1, kNormalFrameColor);
    m_hSelectedPen = drawing.createPen(platform::kPsInsideFrame, 1, kSelectedFrameColor);
    m_hNormalBrush = drawing.createSolidBrush(kNormalFillColor);
    m_hSelectedBrush = drawing.createSolidBrush(kSelectedFillColor);
    m_pNormalFont = std::make_unique<FontObject>(drawing, menuFont(), kTextColor);
    m_pSelectedFont = std::make_unique<FontObject>(drawing, menuFont(), kTextColor);
}

QuickMenu::~QuickMenu() {
    deleteChildren();
    if (m_hWnd != 0) {
        m_ports.windowing.destroyWindow(m_hWnd);
        m_hWnd = 0;
    }
    GuiWindowProcedure::instance().forget(*this);
    for (const platform::GdiObject object :
         {m_hNormalPen, m_hSelectedPen, m_hNormalBrush, m_hSelectedBrush}) {
        if (object != 0) {
            m_ports.drawing.deleteObject(object);
        }
    }
    m_pNormalFont.reset();
    m_pSelectedFont.reset();
}

bool QuickMenu::create(platform::WindowHandle owner) {
    MENU_SCOPE("QuickMenu::create");
    if (m_hWnd != 0) {
        return true;
    }
    GuiWindowProcedure& procedure = GuiWindowProcedure::instance();
    if (!procedure.registerClass(m_ports.windowing)) {
        TRACE_ERROR(L"ERROR RegisterClassEx()");
        return false;
    }
    m_hOwner = owner;
    const platform::WindowHandle window =
        procedure.createWindow(m_ports.windowing, *this, L"QuickMenu", platform::kWsPopup, owner);
    if (window == 0) {
        TRACE_ERROR(L"ERROR CreateWindowEx()");
        return false;
    }
    m_hWnd = window;
    return true;
}

void QuickMenu::clearItems() {
    MENU_SCOPE("QuickMenu::clearItems");
    deleteChildren();
    m_entries.clear();
}

void QuickMenu::setTitle(const std::wstring& title) {
    MENU_SCOPE("QuickMenu::setTitle");
    m_strTitle = title;
}

void QuickMenu::addItem(const std::wstring& label, platform::MessageId message) {
    MENU_SCOPE("QuickMenu::addItem");
    m_entries.push_back(Entry{label, message, 0, 0});
}

void QuickMenu::measureText(int& width, int& height) {
    MENU_SCOPE("QuickMenu::measureText");
    platform::Drawing& drawing = m_ports.drawing;
    platform::Rect united{};
    const platform::DeviceContext dc = drawing.createCompatibleDC(0);
    if (dc == 0) {
        TRACE_MSG(L"measureText: no device context");
        width = 0;
        height = 0;
        return;
    }
    const platform::GdiObject oldFont = drawing.selectObject(dc, m_pNormalFont->m_hFont);
    for (const Entry& entry : m_entries) {
        platform::Rect rect{};
        drawing.drawText(dc, entry.text.c_str(), -1, rect,
                         platform::dt::kCalcRect | platform::dt::kSingleLine);
        united.left = std::min(united.left, rect.left);
        united.top = std::min(united.top, rect.top);
        united.right = std::max(united.right, rect.right);
        united.bottom = std::max(united.bottom, rect.bottom);
    }
    if (oldFont != 0) {
        drawing.selectObject(dc, oldFont);
    }
    drawing.deleteDC(dc);
    width = united.width();
    height = united.height();
}

void QuickMenu::itemSize(int textWidth, int textHeight, int& width, int& height) {
    width = clampExtent(static_cast<long long>(textWidth) + kPaddingLeft + kPaddingRight);
    width = std::max(width, m_nMinWidth - kMarginLeft - kMarginRight);
    height = clampExtent(static_cast<long long>(textHeight) + kPaddingBottom + kPaddingTop);
}

void QuickMenu::layoutItems() {
    MENU_SCOPE("QuickMenu::layoutItems");
    int textWidth = 0;
    int textHeight = 0;
    measureText(textWidth, textHeight);
    int itemWidth = 0;
    int itemHeight = 0;
    itemSize(textWidth, textHeight, itemWidth, itemHeight);
    itemWidth = std::max(itemWidth, kMinimumItemWidth);

    deleteChildren();
    const int x = kMarginLeft + kItemIndent;
    long long y = kMarginTop + kTitleHeight;
    for (const Entry& entry : m_entries) {
        auto item = std::make_unique<QuickMenuItem>(m_ports);
        item->m_pText = &entry.text;
        item->m_pNormalFont = m_pNormalFont.get();
        item->m_pSelectedFont = m_pSelectedFont.get();
        item->m_hNormalPen = m_hNormalPen;
        item->m_hSelectedPen = m_hSelectedPen;
        item->m_hNormalBrush = m_hNormalBrush;
        item->m_hSelectedBrush = m_hSelectedBrush;
        item->m_uFormat = m_uFormat;
        Component* added = addChild(std::move(item));
        added->setBounds(x, clampExtent(y), itemWidth, itemHeight);
        y += itemHeight;
    }

    m_nWidth = clampExtent(static_cast<long long>(itemWidth) + kFrameRight + kMarginRight + kMarginLeft);
    m_nHeight = clampExtent(y + kMarginBottom + kFrameBottom);
    if (m_hWnd == 0) {
        return;
    }
    m_ports.windowing.setWindowPos(m_hWnd, 0, 0, 0, m_nWidth, m_nHeight,
                                   platform::kSwpNoMove | platform::kSwpNoZOrder | platform::kSwpNoActivate);
    const platform::GdiObject region =
        m_ports.drawing.createRoundRectRgn(1, 1, m_nWidth, m_nHeight, kCornerEllipse, kCornerEllipse);
    if (region == 0) {
        TRACE_MSG(L"no window region: the menu stays rectangular");
        return;
    }
    if (!m_ports.drawing.setWindowRgn(m_hWnd, region, true)) {
        m_ports.drawing.deleteObject(region); // not taken by the window
        TRACE_MSG(L"no window region: the menu stays rectangular");
    }
}

void QuickMenu::centerOnScreen() {
    MENU_SCOPE("QuickMenu::centerOnScreen");
    const int screenWidth = m_ports.drawing.systemMetric(platform::kSmCxFullScreen);
    const int screenHeight = m_ports.drawing.systemMetric(platform::kSmCyFullScreen);
    // A menu larger than the screen keeps its top-left corner, where its first item and the
    // start of each label are, on the screen.
    m_nWindowX = std::max(0, screenWidth / 2 - m_nWidth / 2);
    m_nWindowY = std::max(0, screenHeight / 2 - m_nHeight / 2);
    if (m_hWnd != 0) {
        m_ports.windowing.setWindowPos(m_hWnd, platform::kHwndTopmost, m_nWindowX, m_nWindowY, 0, 0,
                                       platform::kSwpNoSize | platform::kSwpNoActivate);
    }
}

void QuickMenu::show() {
    MENU_SCOPE("QuickMenu::show");
    if (m_hWnd == 0) {
        TRACE_ERROR(L"ERROR no window");
        return;
    }
    layoutItems();
    centerOnScreen();
    m_ports.windowing.showWindow(m_hWnd, platform::kSwShow);
    m_bVisible = true;
    select(m_children.empty() ? -1 : 0);
}

void QuickMenu::hide() {
    MENU_SCOPE("QuickMenu::hide");
    if (m_hWnd != 0) {
        m_ports.windowing.showWindow(m_hWnd, platform::sw::kHide);
    }
    m_bVisible = false;
}

int QuickMenu::selectedIndex() const {
    for (int i = static_cast<int>(m_children.size()) - 1; i >= 0; --i) {
        if (m_children[static_cast<std::size_t>(i)]->m_bSelected) {
            return i;
        }
    }
    return -1;
}

void QuickMenu::select(int index) {
    for (std::size_t i = 0; i < m_children.size(); ++i) {
        m_children[i]->m_bSelected = static_cast<int>(i) == index;
    }
}

void QuickMenu::paint(platform::DeviceContext dc) {
    platform::Drawing& drawing = m_ports.drawing;
    const platform::DeviceContext memory = drawing.createCompatibleDC(dc);
    if (memory == 0) {
        return;
    }
    const platform::GdiObject bitmap = drawing.createCompatibleBitmap(dc, m_nWidth, m_nHeight);
    if (bitmap == 0) {
        drawing.deleteDC(memory);
        return;
    }
    const platform::GdiObject oldBitmap = drawing.selectObject(memory, bitmap);
    drawing.fillRect(memory, platform::Rect{0, 0, m_nWidth, m_nHeight}, m_hNormalBrush);

    const platform::GdiObject oldFont = drawing.selectObject(memory, m_pNormalFont->m_hFont);
    const int oldMode = drawing.setBkMode(memory, platform::kBkTransparent);
    const platform::ColorRef oldColor = drawing.setTextColor(memory, kTextColor);
    platform::Rect title = kTitleRect;
    title.right = m_nWidth;
    drawing.drawText(memory, m_strTitle.c_str(), -1, title, m_uFormat);
    drawing.setTextColor(memory, oldColor);
    drawing.setBkMode(memory, oldMode);
    if (oldFont != 0) {
        drawing.selectObject(memory, oldFont);
    }

    Component::paint(memory);
    drawing.bitBlt(dc, 0, 0, m_nWidth, m_nHeight, memory, 0, 0, platform::kSrcCopy);

    if (oldBitmap != 0) {
        drawing.selectObject(memory, oldBitmap);
    }
    drawing.deleteObject(bitmap);
    drawing.deleteDC(memory);
}

void QuickMenu::routeCaptured(MouseOperation operation, std::uint32_t flags, int x, int y) {
    (m_pCapture->*operation)(flags, x - m_pCapture->m_nAbsX, y - m_pCapture->m_nAbsY);
}

// Mouse operations: the capture holder first, else the component's routing to the hit child.
#define QUICKMENU_MOUSE(name)                                                                                \
    void QuickMenu::name(std::uint32_t flags, int x, int y) {                                                \
        if (m_pCapture != nullptr) {                                                                         \
            routeCaptured(&Component::name, flags, x, y);                                                    \
            return;                                                                                          \
        }                                                                                                    \
        Component::name(flags, x, y);                                                                        \
    }
QUICKMENU_MOUSE(onMouseMove)
QUICKMENU_MOUSE(onLButtonDown)
QUICKMENU_MOUSE(onLButtonUp)
QUICKMENU_MOUSE(onLButtonDblClk)
QUICKMENU_MOUSE(onRButtonDown)
QUICKMENU_MOUSE(onRButtonUp)
QUICKMENU_MOUSE(onRButtonDblClk)
QUICKMENU_MOUSE(onMButtonDown)
QUICKMENU_MOUSE(onMButtonUp)
QUICKMENU_MOUSE(onMButtonDblClk)
#undef QUICKMENU_MOUSE

void QuickMenu::onClose() {
    hide();
}

void QuickMenu::onKeyDown(std::uint32_t key, std::uint32_t) {
    platform::Drawing& drawing = m_ports.drawing;
    if (keyDown(drawing, platform::vk::kLButton) || keyDown(drawing, platform::vk::kRButton)) {
        return;
    }
    if (key >= platform::vk::kShift && key <= platform::vk::kMenu) {
        return;
    }
    if (keyDown(drawing, platform::vk::kShift) || keyDown(drawing, platform::vk::kControl) ||
        keyDown(drawing, platform::vk::kMenu)) {
        hide();
        return;
    }
    const int count = static_cast<int>(m_children.size());
    const int previous = selectedIndex();
    switch (key) {
    case platform::vk::kReturn: {
        if (previous < 0) {
            return;
        }
        hide();
        if (static_cast<std::size_t>(previous) < m_entries.size()) {
            const Entry& entry = m_entries[static_cast<std::size_t>(previous)];
            m_ports.windowing.postMessage(m_hOwner, entry.message, entry.wParam, entry.lParam);
        }
        return;
    }
    case platform::vk::kLeft:
    case platform::vk::kUp:
        select(count == 0 ? -1 : (previous <= 0 ? count - 1 : previous - 1));
        break;
    case platform::vk::kRight:
    case platform::vk::kDown:
        select(count == 0 ? -1 : (previous < 0 || previous >= count - 1 ? 0 : previous + 1));
        break;
    default:
        hide();
        return;
    }
    if (m_hWnd != 0) {
        m_ports.drawing.invalidateRect(m_hWnd, nullptr, false);
    }
}

void QuickMenu::reserved32() {}

platform::LResult QuickMenu::windowProc(platform::WindowHandle window, platform::MessageId message,
                                        platform::WParam wParam, platform::LParam lParam) {
    if (message == gui::msg::kActivate && gui::lowWord(wParam) == 0) {
        return 0; // losing activation leaves the menu open
    }
    if (message == gui::msg::kGetMinMaxInfo) {
        if (auto* size = reinterpret_cast<platform::MinTrackSize*>(lParam)) {
            size->width = m_nWidth;
            size->height = m_nHeight;
        }
        return 0;
    }
    return translateMessage(window, message, wParam, lParam);
}

std::unique_ptr<ControlMenu> QuickMenuFactory::createControlMenu() {
    return std::make_unique<QuickMenu>(GuiPorts{m_windowing, m_drawing});
}
