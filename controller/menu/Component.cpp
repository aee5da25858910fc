// The component toolkit: tree, default operations and message translation. Portable.
#include "controller/menu/Component.h"

#include "controller/menu/GuiMessages.h"

namespace {

// WM_SYSCHAR characters that are swallowed even when no component takes them, so that the
// system's menu accelerators never act on the pop-up.
bool isSwallowedSysChar(platform::WParam key) {
    switch (key) {
    case L'0':
    case L'1':
    case L'2':
    case L'A':
    case L'D':
    case L'P':
    case L'a':
    case L'd':
    case L'p':
        return true;
    default:
        return false;
    }
}

} // namespace

Component::Component(GuiPorts ports) : m_ports(ports) {}

Component::~Component() {
    if (m_uTimer != 0 && m_pRoot != nullptr && m_pRoot->m_hWnd != 0) {
        m_ports.windowing.killTimer(m_pRoot->m_hWnd, m_uTimer);
    }
    m_children.clear();
}

bool Component::hitTest(int x, int y) {
    return x >= 0 && x < m_nWidth && y >= 0 && y < m_nHeight;
}

void Component::paint(platform::DeviceContext dc) {
    for (const auto& child : m_children) {
        if (!child->m_bVisible) {
            continue;
        }
        platform::Point previous;
        const bool moved = m_ports.drawing.setViewportOrg(dc, child->m_nAbsX, child->m_nAbsY, &previous);
        child->paint(dc);
        if (moved) {
            m_ports.drawing.setViewportOrg(dc, previous.x, previous.y, nullptr);
        }
    }
}

void Component::onMouseMove(std::uint32_t flags, int x, int y) {
    for (auto it = m_children.rbegin(); it != m_children.rend(); ++it) {
        Component& child = **it;
        if (child.m_bVisible) {
            child.onMouseMove(flags, x - child.m_nX, y - child.m_nY);
        }
    }
}

Component* Component::routeMouse(MouseOperation operation, std::uint32_t flags, int x, int y) {
    for (auto it = m_children.rbegin(); it != m_children.rend(); ++it) {
        Component& child = **it;
        const int childX = x - child.m_nX;
        const int childY = y - child.m_nY;
        if (child.m_bVisible && child.hitTest(childX, childY)) {
            (child.*operation)(flags, childX, childY);
            return &child;
        }
    }
    return nullptr;
}

void Component::onLButtonDown(std::uint32_t f, int x, int y) {
    routeMouse(&Component::onLButtonDown, f, x, y);
}
void Component::onLButtonUp(std::uint32_t f, int x, int y) {
    routeMouse(&Component::onLButtonUp, f, x, y);
}
void Component::onLButtonDblClk(std::uint32_t f, int x, int y) {
    routeMouse(&Component::onLButtonDblClk, f, x, y);
}
void Component::onRButtonDown(std::uint32_t f, int x, int y) {
    routeMouse(&Component::onRButtonDown, f, x, y);
}
void Component::onRButtonUp(std::uint32_t f, int x, int y) {
    routeMouse(&Component::onRButtonUp, f, x, y);
}
void Component::onRButtonDblClk(std::uint32_t f, int x, int y) {
    routeMouse(&Component::onRButtonDblClk, f, x, y);
}
void Component::onMButtonDown(std::uint32_t f, int x, int y) {
    routeMouse(&Component::onMButtonDown, f, x, y);
}
void Component::onMButtonUp(std::uint32_t f, int x, int y) {
    routeMouse(&Component::onMButtonUp, f, x, y);
}
void Component::onMButtonDblClk(std::uint32_t f, int x, int y) {
    routeMouse(&Component::onMButtonDblClk, f, x, y);
}
void Component::onMouseWheel(std::uint32_t f, int x, int y) {
    routeMouse(&Component::onMouseWheel, f, x, y);
}
void Component::onMouseOther(std::uint32_t f, int x, int y) {
    routeMouse(&Component::onMouseOther, f, x, y);
}

void Component::onSize(int, int) {}

void Component::onClose() {
    for (const auto& child : m_children) {
        child->onClose();
    }
}

void Component::onDestroy() {}

void Component::toFocused(KeyOperation operation, std::uint32_t key, std::uint32_t flags) {
    for (const auto& child : m_children) {
        if (child->m_bFocused) {
            ((*child).*operation)(key, flags);
        }
    }
}

bool Component::toFirstFocused(SysKeyOperation operation, std::uint32_t key, std::uint32_t flags) {
    for (const auto& child : m_children) {
        if (child->m_bFocused) {
            return ((*child).*operation)(key, flags);
        }
    }
    return false;
}

void Component::onKeyDown(std::uint32_t key, std::uint32_t flags) {
    toFocused(&Component::onKeyDown, key, flags);
}
void Component::onKeyUp(std::uint32_t key, std::uint32_t flags) {
    toFocused(&Component::onKeyUp, key, flags);
}
void Component::onChar(std::uint32_t key, std::uint32_t flags) {
    toFocused(&Component::onChar, key, flags);
}
bool Component::onSysKeyDown(std::uint32_t key, std::uint32_t flags) {
    return toFirstFocused(&Component::onSysKeyDown, key, flags);
}
bool Component::onSysKeyUp(std::uint32_t key, std::uint32_t flags) {
    return toFirstFocused(&Component::onSysKeyUp, key, flags);
}
bool Component::onSysChar(std::uint32_t key, std::uint32_t flags) {
    return toFirstFocused(&Component::onSysChar, key, flags);
}

void Component::updateAbsolute() {
    if (m_pParent == nullptr) {
        m_nAbsX = 0; // a root's children are placed in its window's client area
        m_nAbsY = 0;
    } else {
        m_nAbsX = m_pParent->m_nAbsX + m_nX;
        m_nAbsY = m_pParent->m_nAbsY + m_nY;
    }
    for (const auto& child : m_children) {
        child->updateAbsolute();
    }
}

void Component::setBounds(int x, int y, int width, int height) {
    m_nX = x;
    m_nY = y;
    m_nWidth = width;
    m_nHeight = height;
    updateAbsolute();
    if (m_hWnd != 0) {
        // The toolkit's windows are frameless pop-ups: the client size is the window size.
        m_ports.windowing.setWindowPos(m_hWnd, 0, x, y, width, height,
                                       platform::kSwpNoZOrder | platform::kSwpNoActivate);
    }
}

bool Component::onMessage(platform::MessageId message, platform::WParam wParam, platform::LParam lParam) {
    for (const auto& child : m_children) {
        if (child->onMessage(message, wParam, lParam)) {
            return true;
        }
    }
    return false;
}

void Component::reserved26() {}
void Component::onTimer() {}

void Component::notifyChildren(std::uintptr_t value) {
    for (const auto& child : m_children) {
        if (child->m_bVisible) {
            child->notifyChildren(value);
        }
    }
}

Component* Component::onMouseEvent(std::uintptr_t value, std::uint32_t flags, int x, int y) {
    for (auto it = m_children.rbegin(); it != m_children.rend(); ++it) {
        Component& child = **it;
        const int childX = x - child.m_nX;
        const int childY = y - child.m_nY;
        if (child.m_bVisible && child.hitTest(childX, childY)) {
            return child.onMouseEvent(value, flags, childX, childY);
        }
    }
    return nullptr;
}

void Component::reserved30() {}
void Component::reserved31() {}

namespace {
void setRoot(Component& component, Component* root) {
    component.m_pRoot = root;
    for (const auto& child : component.children()) {
        setRoot(*child, root);
    }
}
} // namespace

Component* Component::addChild(std::unique_ptr<Component> child) {
    if (child == nullptr) {
        return nullptr;
    }
    Component* added = child.get();
    added->m_pParent = this;
    setRoot(*added, m_pRoot);
    added->updateAbsolute();
    m_children.push_back(std::move(child));
    return added;
}

void Component::deleteChildren() {
    if (m_pCapture != nullptr) {
        m_pCapture = nullptr;
    }
    m_children.clear();
}

bool Component::startTimer(std::uint32_t periodMs) {
    if (m_pRoot == nullptr || m_pRoot->m_hWnd == 0) {
        return false;
    }
    const auto id = reinterpret_cast<platform::TimerId>(this);
    m_uTimer = m_ports.windowing.setTimer(m_pRoot->m_hWnd, id, periodMs);
    return m_uTimer != 0;
}

Component* Component::findTimer(platform::TimerId id) {
    if (id != 0 && m_uTimer == id) {
        return this;
    }
    for (const auto& child : m_children) {
        if (Component* found = child->findTimer(id)) {
            return found;
        }
    }
    return nullptr;
}

platform::LResult Component::translateMessage(platform::WindowHandle window, platform::MessageId message,
                                              platform::WParam wParam, platform::LParam lParam) {
    const auto lp = static_cast<std::uintptr_t>(lParam);
    const auto flags = static_cast<std::uint32_t>(wParam);
    const auto key = static_cast<std::uint32_t>(wParam);
    const auto keyFlags = static_cast<std::uint32_t>(lp);
    const int x = gui::lowWordSigned(lp);
    const int y = gui::highWordSigned(lp);

    MouseOperation mouse = nullptr;
    switch (message) {
    case gui::msg::kDestroy:
        onDestroy();
        return 0;
    case gui::msg::kSize:
        onSize(static_cast<int>(gui::lowWord(lp)), static_cast<int>(gui::highWord(lp)));
        return 0;
    case gui::msg::kKillFocus:
        if (m_pCapture != nullptr) {
            // No component of this toolkit takes the system's mouse capture, so there is none to
            // release; the holder learns that the button is up where the mouse was last seen.
            Component* holder = m_pCapture;
            m_pCapture = nullptr;
            holder->onLButtonUp(0, m_nLastMouseX - holder->m_nAbsX, m_nLastMouseY - holder->m_nAbsY);
        }
        return m_ports.windowing.defaultWindowProc(window, message, wParam, lParam);
    case gui::msg::kPaint:
        if (wParam != 0) {
            paint(static_cast<platform::DeviceContext>(wParam));
        } else {
            platform::Rect area;
            const platform::DeviceContext dc = m_ports.drawing.beginPaint(window, area);
            if (dc != 0) {
                paint(dc);
                m_ports.drawing.endPaint(window);
            }
        }
        return 0;
    case gui::msg::kClose:
        onClose();
        return 0;
    case gui::msg::kKeyDown:
        onKeyDown(key, keyFlags);
        return 0;
    case gui::msg::kKeyUp:
        onKeyUp(key, keyFlags);
        return 0;
    case gui::msg::kChar:
        onChar(key, keyFlags);
        return 0;
    case gui::msg::kSysKeyDown:
        if (onSysKeyDown(key, keyFlags)) {
            return 0;
        }
        return m_ports.windowing.defaultWindowProc(window, message, wParam, lParam);
    case gui::msg::kSysKeyUp:
        if (onSysKeyUp(key, keyFlags)) {
            return 0;
        }
        return m_ports.windowing.defaultWindowProc(window, message, wParam, lParam);
    case gui::msg::kSysChar:
        if (onSysChar(key, keyFlags) || isSwallowedSysChar(wParam)) {
            return 0;
        }
        return m_ports.windowing.defaultWindowProc(window, message, wParam, lParam);
    case gui::msg::kTimer:
        // The identifier is the component whose timer fired; it is looked up in the tree rather
        // than trusted, so a WM_TIMER posted by another program cannot name arbitrary memory.
        if (Component* component = findTimer(static_cast<platform::TimerId>(wParam))) {
            component->onTimer();
        }
        return 0;
    case gui::msg::kMouseMove:
        m_nLastMouseX = x;
        m_nLastMouseY = y;
        onMouseMove(flags, x, y);
        return 0;
    case gui::msg::kLButtonDown:
        mouse = &Component::onLButtonDown;
        break;
    case gui::msg::kLButtonUp:
        mouse = &Component::onLButtonUp;
        break;
    case gui::msg::kLButtonDblClk:
        mouse = &Component::onLButtonDblClk;
        break;
    case gui::msg::kRButtonDown:
        mouse = &Component::onRButtonDown;
        break;
    case gui::msg::kRButtonUp:
        mouse = &Component::onRButtonUp;
        break;
    case gui::msg::kRButtonDblClk:
        mouse = &Component::onRButtonDblClk;
        break;
    case gui::msg::kMButtonDown:
        mouse = &Component::onMButtonDown;
        break;
    case gui::msg::kMButtonUp:
        mouse = &Component::onMButtonUp;
        break;
    case gui::msg::kMButtonDblClk:
        mouse = &Component::onMButtonDblClk;
        break;
    case gui::msg::kMouseWheel: {
        // The wheel message carries a screen position; the frameless window's client area
        // starts at its window position.
        platform::WindowState state;
        int originX = 0;
        int originY = 0;
        if (m_ports.windowing.windowState(window, state)) {
            originX = state.x;
            originY = state.y;
        }
        onMouseWheel(flags, x - originX, y - originY);
        return 0;
    }
    default:
        if (onMessage(message, wParam, lParam)) {
            return 0;
        }
        return m_ports.windowing.defaultWindowProc(window, message, wParam, lParam);
    }
    m_nLastMouseX = x;
    m_nLastMouseY = y;
    (this->*mouse)(flags, x, y);
    return 0;
}
