// The simulated keyboard and key hook. Simulation.
#include "sim/SimKeyboard.h"

#include "common/ControllerIdentity.h"

#include <atomic>

namespace sim {
namespace {

std::atomic<SimKeyboard*> g_active{nullptr};

constexpr std::intptr_t kKeyDownFlags = 0x00000001; // repeat count 1
constexpr std::intptr_t kKeyUpFlags =
    std::intptr_t{0x40000000} | std::intptr_t{0x80000000} | 1; // previous state, transition

} // namespace

SimKeyboard::SimKeyboard(VirtualClock& clock, SimDesktop& desktop) : m_clock(clock), m_desktop(desktop) {
    activate();
}

SimKeyboard::~SimKeyboard() {
    SimKeyboard* self = this;
    g_active.compare_exchange_strong(self, nullptr);
}

void SimKeyboard::activate() {
    g_active.store(this);
}

std::map<std::string, platform::EntryPoint> SimKeyboard::entries() {
    return {
        {"HDMIHOOK_SetKeyHook", reinterpret_cast<platform::EntryPoint>(&SimKeyboard::trampolineSetKeyHook)},
        {"HDMIHOOK_ResetKeyHook",
         reinterpret_cast<platform::EntryPoint>(&SimKeyboard::trampolineResetKeyHook)},
        {"HDMIHOOK_KeyHookProc", reinterpret_cast<platform::EntryPoint>(&SimKeyboard::trampolineKeyHookProc)},
    };
}

std::int32_t SimKeyboard::trampolineSetKeyHook() {
    SimKeyboard* keyboard = g_active.load();
    return keyboard != nullptr ? keyboard->setKeyHook() : 0;
}

std::int32_t SimKeyboard::trampolineResetKeyHook() {
    SimKeyboard* keyboard = g_active.load();
    return keyboard != nullptr ? keyboard->resetKeyHook() : 0;
}

std::intptr_t SimKeyboard::trampolineKeyHookProc(int code, std::uintptr_t wParam, std::intptr_t lParam) {
    SimKeyboard* keyboard = g_active.load();
    return keyboard != nullptr ? keyboard->keyHookProc(code, wParam, lParam) : 0;
}

std::int32_t SimKeyboard::setKeyHook() {
    ++m_hooks;
    m_handleKept = true;
    return 1;
}

std::int32_t SimKeyboard::resetKeyHook() {
    if (!m_handleKept) {
        return 0;
    }
    m_handleKept = false;
    --m_hooks;
    return 1;
}

std::intptr_t SimKeyboard::keyHookProc(int code, std::uintptr_t wParam, std::intptr_t) {
    if (code != 0 || wParam != kVkBrowserBack) {
        return 0; // the next hook's answer: let the key through (HC_NOREMOVE, 3, is a mere peek)
    }
    const platform::WindowHandle window = m_desktop.find(kControllerWindowClass, kControllerWindowTitle);
    if (window != 0) {
        const platform::WindowHandle foreground = m_desktop.foreground();
        const SimDesktop::WindowInfo* info = foreground != 0 ? m_desktop.info(foreground) : nullptr;
        const std::uint32_t process = info != nullptr ? info->processId : kDefaultInputProcessId;
        if (m_desktop.post(window, kBrowserBackMessage, 0, 0, process)) {
            ++m_postsOfTransition;
        }
    }
    return 0;
}

void SimKeyboard::transition(std::uint8_t vk, bool down) {
    m_postsOfTransition = 0;
    for (int i = 0; i < m_hooks; ++i) {
        keyHookProc(0, vk, down ? kKeyDownFlags : kKeyUpFlags);
    }
    m_transitions.push_back(Transition{m_clock.now(), vk, down, m_postsOfTransition});
}

std::uint32_t SimKeyboard::sendInput(const platform::KeyEvent* events, std::uint32_t count) {
    if (events == nullptr || count == 0) {
        return 0;
    }
    InputBatch batch;
    batch.time = m_clock.now();
    batch.focus = m_desktop.foreground();
    if (const SimDesktop::WindowInfo* info = batch.focus != 0 ? m_desktop.info(batch.focus) : nullptr) {
        batch.focusClass = info->className;
    }
    batch.events.assign(events, events + count);
    m_batches.push_back(batch);
    for (const platform::KeyEvent& event : batch.events) {
        transition(static_cast<std::uint8_t>(event.virtualKey),
                   (event.flags & platform::kKeyEventKeyUp) == 0);
    }
    return count;
}

void SimKeyboard::pressKey(std::uint8_t vk) {
    keyDown(vk);
    keyUp(vk);
}

void SimKeyboard::keyDown(std::uint8_t vk) {
    transition(vk, true);
}

void SimKeyboard::keyUp(std::uint8_t vk) {
    transition(vk, false);
}

} // namespace sim
