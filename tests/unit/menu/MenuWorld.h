// A simulated desktop with the controller's main window and a control menu owned by it, for the
// menu's tests. The menu's windowing port counts the calls of the standard window procedure.
#pragma once

#include "controller/menu/GuiMessages.h"
#include "controller/menu/QuickMenu.h"
#include "sim/SimDesktop.h"
#include "sim/SimDrawing.h"
#include "sim/SimSync.h"

#include <memory>
#include <string>
#include <vector>

namespace menutest {

// The simulated windowing port, counting the messages handed to the standard procedure.
class CountingWindowing final : public platform::Windowing {
public:
    explicit CountingWindowing(sim::SimWindowing& inner) : m_inner(inner) {}
    int defaultCalls = 0;

    platform::MessageId registerMessage(const wchar_t* n) override { return m_inner.registerMessage(n); }
    platform::WindowHandle findWindow(const wchar_t* c, const wchar_t* t) override {
        return m_inner.findWindow(c, t);
    }
    bool postMessage(platform::WindowHandle w, platform::MessageId m, platform::WParam wp,
                     platform::LParam lp) override {
        return m_inner.postMessage(w, m, wp, lp);
    }
    platform::TimerId setTimer(platform::WindowHandle w, platform::TimerId id, std::uint32_t p) override {
        return m_inner.setTimer(w, id, p);
    }
    bool killTimer(platform::WindowHandle w, platform::TimerId id) override {
        return m_inner.killTimer(w, id);
    }
    platform::WindowHandle createDialogWindow(const wchar_t* t, platform::WindowClient& c) override {
        return m_inner.createDialogWindow(t, c);
    }
    platform::LResult defaultWindowProc(platform::WindowHandle w, platform::MessageId m, platform::WParam wp,
                                        platform::LParam lp) override {
        ++defaultCalls;
        return m_inner.defaultWindowProc(w, m, wp, lp);
    }
    bool destroyWindow(platform::WindowHandle w) override { return m_inner.destroyWindow(w); }
    bool showWindow(platform::WindowHandle w, int c) override { return m_inner.showWindow(w, c); }
    int getMessage(platform::Message& m) override { return m_inner.getMessage(m); }
    bool peekMessage(platform::Message& m) override { return m_inner.peekMessage(m); }
    void dispatchMessage(const platform::Message& m) override { m_inner.dispatchMessage(m); }
    void postQuitMessage(int c) override { m_inner.postQuitMessage(c); }
    std::uint32_t waitForEventOrInput(platform::SyncHandle e, std::uint32_t t) override {
        return m_inner.waitForEventOrInput(e, t);
    }
    int messageBox(platform::WindowHandle o, const wchar_t* t, const wchar_t* c, std::uint32_t f) override {
        return m_inner.messageBox(o, t, c, f);
    }
    platform::WindowHandle foregroundWindow() override { return m_inner.foregroundWindow(); }
    platform::WindowHandle parentWindow(platform::WindowHandle w) override { return m_inner.parentWindow(w); }
    int className(platform::WindowHandle w, wchar_t* b, int c) override { return m_inner.className(w, b, c); }
    std::uint32_t windowStyle(platform::WindowHandle w) override { return m_inner.windowStyle(w); }
    bool registerWindowClass(const wchar_t* n, std::uint32_t s, platform::WindowClient& p) override {
        return m_inner.registerWindowClass(n, s, p);
    }
    platform::WindowHandle createWindow(const wchar_t* c, const wchar_t* t, std::uint32_t s,
                                        platform::WindowHandle o, std::uintptr_t p) override {
        return m_inner.createWindow(c, t, s, o, p);
    }
    bool setWindowPos(platform::WindowHandle w, platform::WindowHandle a, int x, int y, int cx, int cy,
                      std::uint32_t f) override {
        return m_inner.setWindowPos(w, a, x, y, cx, cy, f);
    }
    bool windowState(platform::WindowHandle w, platform::WindowState& s) override {
        return m_inner.windowState(w, s);
    }

private:
    sim::SimWindowing& m_inner;
};

// The owner: the controller's hidden main window, which only records what it receives.
class OwnerClient final : public platform::WindowClient {
public:
    platform::LResult windowProc(platform::WindowHandle, platform::MessageId, platform::WParam,
                                 platform::LParam) override {
        return 0;
    }
};

struct MenuWorld {
    static constexpr platform::MessageId kFirstMessage = 0xC100;

    MenuWorld() {
        owner = windowing.createDialogWindow(L"KorSentrixSuiteMain", ownerClient);
        menu = std::make_unique<QuickMenu>(GuiPorts{counting, drawing});
    }

    // Creates the window and fills the menu with the labels (messages kFirstMessage + index).
    void fill(const std::vector<std::wstring>& labels) {
        menu->create(owner);
        menu->setTitle(L"Control Menu");
        for (std::size_t i = 0; i < labels.size(); ++i) {
            menu->addItem(labels[i], kFirstMessage + static_cast<platform::MessageId>(i));
        }
    }

    platform::LResult send(platform::MessageId message, platform::WParam wParam = 0,
                           platform::LParam lParam = 0) {
        return GuiWindowProcedure::instance().windowProc(menu->window(), message, wParam, lParam);
    }
    void key(platform::WParam virtualKey) { send(gui::msg::kKeyDown, virtualKey, 0); }

    const sim::SimDesktop::WindowInfo& info() const { return *desktop.info(menu->window()); }
    const sim::SimDesktop::Placement& placed() const { return *desktop.placement(menu->window()); }
    // Messages posted to the owner window.
    std::vector<sim::SimDesktop::PostRecord> ownerPosts() const {
        std::vector<sim::SimDesktop::PostRecord> out;
        for (const auto& post : desktop.posts()) {
            if (post.to == owner) {
                out.push_back(post);
            }
        }
        return out;
    }

    sim::VirtualClock clock;
    sim::SimDesktop desktop{clock};
    sim::SimSync sync;
    sim::UiThread& thread = desktop.createUiThread(100, 0x1a4);
    sim::SimWindowing windowing{desktop, thread, sync};
    CountingWindowing counting{windowing};
    sim::SimDrawing drawing{desktop};
    OwnerClient ownerClient;
    platform::WindowHandle owner = 0;
    std::unique_ptr<QuickMenu> menu;
};

} // namespace menutest
