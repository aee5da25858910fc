// The control menu: the root component of a frameless, rounded pop-up window with a title and
// one item per entry, driven by the arrow keys and Enter. Choosing an item hides the menu and
// posts the entry's message to the owner window. Portable.
#pragma once

#include "controller/launcher/ControlMenu.h"
#include "controller/menu/Component.h"
#include "controller/menu/FontObject.h"
#include "controller/menu/GuiWindowProcedure.h"

#include <memory>
#include <string>
#include <vector>

class QuickMenu final : public Component, public ControlMenu, public GuiWindowOwner {
public:
    struct Entry {
        std::wstring text;
        platform::MessageId message = 0;
        platform::WParam wParam = 0;
        platform::LParam lParam = 0;
    };

    // Fixed layout numbers, in pixels.
    static constexpr int kMarginTop = 1;
    static constexpr int kMarginBottom = 1;
    static constexpr int kMarginLeft = 1;
    static constexpr int kMarginRight = 1;
    static constexpr int kPaddingTop = 2;
    static constexpr int kPaddingBottom = 10;
    static constexpr int kPaddingLeft = 10;
    static constexpr int kPaddingRight = 10;
    static constexpr int kMinimumWidth = 100;
    static constexpr int kMinimumItemWidth = 202;
    static constexpr int kItemIndent = 5;   // from the left margin to the items
    static constexpr int kTitleHeight = 74; // from the top margin to the first item
    static constexpr int kFrameRight = 10;  // between the items and the right margin
    static constexpr int kFrameBottom = 10; // between the last item and the bottom margin
    static constexpr int kCornerEllipse = 10;
    static constexpr platform::Rect kTitleRect{0, 10, 0, 60}; // right: the menu's width
    static constexpr std::uint32_t kTextFormat =
        platform::dt::kCenter | platform::dt::kVCenter | platform::dt::kSingleLine; // 37
    // No window may be larger than this; wider texts are cut.
    static constexpr int kMaximumExtent = 0x7FFF;

    static constexpr platform::ColorRef kNormalFrameColor = platform::rgb(0x1C, 0x5A, 0x83);
    static constexpr platform::ColorRef kSelectedFrameColor = platform::rgb(0x31, 0x6A, 0xC5);
    static constexpr platform::ColorRef kNormalFillColor = platform::rgb(0x0E, 0x2B, 0x3E);
    static constexpr platform::ColorRef kSelectedFillColor = platform::rgb(0xE7, 0x71, 0x08);
    static constexpr platform::ColorRef kTextColor = platform::rgb(0xFF, 0xFF, 0xFF);
    static constexpr int kFontHeight = 42;
    static constexpr const wchar_t* kFontFace = L"MS Sans Serif";
    static constexpr std::uint8_t kFontCharSet = 128;

    explicit QuickMenu(GuiPorts ports);
    ~QuickMenu() override; // 0

    // Component operations the menu overrides.
    void paint(platform::DeviceContext dc) override; // 2
    void onMouseMove(std::uint32_t flags, int x, int y) override;
    void onLButtonDown(std::uint32_t flags, int x, int y) override;
    void onLButtonUp(std::uint32_t flags, int x, int y) override;
    void onLButtonDblClk(std::uint32_t flags, int x, int y) override;
    void onRButtonDown(std::uint32_t flags, int x, int y) override;
    void onRButtonUp(std::uint32_t flags, int x, int y) override;
    void onRButtonDblClk(std::uint32_t flags, int x, int y) override;
    void onMButtonDown(std::uint32_t flags, int x, int y) override;
    void onMButtonUp(std::uint32_t flags, int x, int y) override;
    void onMButtonDblClk(std::uint32_t flags, int x, int y) override;
    void onClose() override;                                         // 16
    void onKeyDown(std::uint32_t key, std::uint32_t flags) override; // 18

    // The menu's own operations, after the component's.
    virtual void reserved32();
    platform::LResult windowProc(platform::WindowHandle window, platform::MessageId message,
                                 platform::WParam wParam,
                                 platform::LParam lParam) override;                // 33
    virtual void measureText(int& width, int& height);                             // 34
    virtual void itemSize(int textWidth, int textHeight, int& width, int& height); // 35
    virtual void centerOnScreen();                                                 // 36

    // The launcher's view.
    bool create(platform::WindowHandle owner) override;
    platform::WindowHandle window() const override { return m_hWnd; }
    void clearItems() override;
    void setTitle(const std::wstring& title) override;
    void addItem(const std::wstring& label, platform::MessageId message) override;
    void show() override;
    void hide() override;
    bool isVisible() const override { return m_bVisible; }

    void layoutItems();
    const std::vector<Entry>& entries() const { return m_entries; }
    const std::wstring& title() const { return m_strTitle; }
    // The index of the selected item (the last one whose flag is set), -1 for none.
    int selectedIndex() const;

private:
    // Mouse input goes to the child holding the capture, if any, else as for any component.
    void routeCaptured(MouseOperation operation, std::uint32_t flags, int x, int y);
    void select(int index);

    platform::WindowHandle m_hOwner = 0;
    std::vector<Entry> m_entries;
    std::wstring m_strTitle;
    std::unique_ptr<FontObject> m_pNormalFont;
    std::unique_ptr<FontObject> m_pSelectedFont;
    platform::GdiObject m_hNormalPen = 0;
    platform::GdiObject m_hSelectedPen = 0;
    platform::GdiObject m_hNormalBrush = 0;
    platform::GdiObject m_hSelectedBrush = 0;
    std::uint32_t m_uFormat = kTextFormat;
    int m_nMinWidth = kMinimumWidth;
    // Where centerOnScreen placed the window.
    int m_nWindowX = 0;
    int m_nWindowY = 0;
};

// Makes QuickMenu objects for the launcher from the windowing and drawing ports.
class QuickMenuFactory final : public ControlMenuFactory {
public:
    QuickMenuFactory(platform::Windowing& windowing, platform::Drawing& drawing)
        : m_windowing(windowing), m_drawing(drawing) {}
    std::unique_ptr<ControlMenu> createControlMenu() override;

private:
    platform::Windowing& m_windowing;
    platform::Drawing& m_drawing;
};
