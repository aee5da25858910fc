// The component toolkit of the control menu: a rectangle in a tree of components of which only
// the root owns a real window. The root's window procedure turns window messages into the
// virtual operations below, which travel down the tree. Portable: painting goes through the
// drawing port, windows through the windowing port.
#pragma once

#include "platform/Drawing.h"
#include "platform/Windowing.h"

#include <cstdint>
#include <memory>
#include <vector>

// The ports a component tree works with.
struct GuiPorts {
    platform::Windowing& windowing;
    platform::Drawing& drawing;
};

class Component {
public:
    using MouseOperation = void (Component::*)(std::uint32_t flags, int x, int y);
    using KeyOperation = void (Component::*)(std::uint32_t key, std::uint32_t flags);
    using SysKeyOperation = bool (Component::*)(std::uint32_t key, std::uint32_t flags);

    explicit Component(GuiPorts ports);
    Component(const Component&) = delete;
    Component& operator=(const Component&) = delete;

    // The virtual operations, in their fixed order.
    virtual ~Component();                                          // 0
    virtual bool hitTest(int x, int y);                            // 1
    virtual void paint(platform::DeviceContext dc);                // 2
    virtual void onMouseMove(std::uint32_t flags, int x, int y);   // 3
    virtual void onLButtonDown(std::uint32_t flags, int x, int y); // 4
    virtual void onLButtonUp(std::uint32_t flags, int x, int y);
    virtual void onLButtonDblClk(std::uint32_t flags, int x, int y);
    virtual void onRButtonDown(std::uint32_t flags, int x, int y);
    virtual void onRButtonUp(std::uint32_t flags, int x, int y);
    virtual void onRButtonDblClk(std::uint32_t flags, int x, int y);
    virtual void onMButtonDown(std::uint32_t flags, int x, int y);
    virtual void onMButtonUp(std::uint32_t flags, int x, int y);
    virtual void onMButtonDblClk(std::uint32_t flags, int x, int y); // 12
    virtual void onMouseWheel(std::uint32_t flags, int x, int y);    // 13
    virtual void onMouseOther(std::uint32_t flags, int x, int y);    // 14
    virtual void onSize(int width, int height);                      // 15
    virtual void onClose();                                          // 16
    virtual void onDestroy();                                        // 17
    virtual void onKeyDown(std::uint32_t key, std::uint32_t flags);  // 18
    virtual void onKeyUp(std::uint32_t key, std::uint32_t flags);
    virtual void onChar(std::uint32_t key, std::uint32_t flags);
    virtual bool onSysKeyDown(std::uint32_t key, std::uint32_t flags); // 21
    virtual bool onSysKeyUp(std::uint32_t key, std::uint32_t flags);
    virtual bool onSysChar(std::uint32_t key, std::uint32_t flags);
    virtual void setBounds(int x, int y, int width, int height); // 24
    virtual bool onMessage(platform::MessageId message, platform::WParam wParam,
                           platform::LParam lParam); // 25
    virtual void reserved26();
    virtual void onTimer();                                                                   // 27
    virtual void notifyChildren(std::uintptr_t value);                                        // 28
    virtual Component* onMouseEvent(std::uintptr_t value, std::uint32_t flags, int x, int y); // 29
    virtual void reserved30();
    virtual void reserved31();

    // Appends a child: it takes this component's root for its whole subtree and its absolute
    // position from this one's; a child with a window of its own is re-parented to the root's.
    Component* addChild(std::unique_ptr<Component> child);
    void deleteChildren();
    const std::vector<std::unique_ptr<Component>>& children() const { return m_children; }

    // Starts the component's timer on the root window; its identifier is the component.
    bool startTimer(std::uint32_t periodMs);

    // The toolkit's message translation for a root component's window (see GuiWindowProcedure).
    platform::LResult translateMessage(platform::WindowHandle window, platform::MessageId message,
                                       platform::WParam wParam, platform::LParam lParam);

    platform::WindowHandle m_hWnd = 0;
    int m_nAbsX = 0;
    int m_nAbsY = 0;
    int m_nX = 0;
    int m_nY = 0;
    int m_nWidth = 0;
    int m_nHeight = 0;
    bool m_bVisible = true;
    bool m_bEnabled = true;
    bool m_bFocused = false;
    bool m_bSelected = false;
    Component* m_pRoot = this;
    Component* m_pParent = nullptr;
    Component* m_pCapture = nullptr;
    platform::TimerId m_uTimer = 0;

protected:
    // Passes a mouse operation to the topmost visible child hit at (x, y), with coordinates
    // relative to it; the child, or null when none is hit.
    Component* routeMouse(MouseOperation operation, std::uint32_t flags, int x, int y);
    // Key operations go to every focused child; system keys to the first focused child only.
    void toFocused(KeyOperation operation, std::uint32_t key, std::uint32_t flags);
    bool toFirstFocused(SysKeyOperation operation, std::uint32_t key, std::uint32_t flags);
    // The component of this subtree whose running timer has this identifier, or null.
    Component* findTimer(platform::TimerId id);
    void updateAbsolute();

    GuiPorts m_ports;
    std::vector<std::unique_ptr<Component>> m_children;
    // Where the last mouse message of the window pointed, in client coordinates.
    int m_nLastMouseX = 0;
    int m_nLastMouseY = 0;
};
