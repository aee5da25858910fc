// The keyboard of the simulated world and the key hook of the bridge library "TVBRIDGE.dll":
//   HDMIHOOK_SetKeyHook     std::int32_t(): installs a hook and keeps its handle; returns 1.
//   HDMIHOOK_ResetKeyHook   std::int32_t(): removes the hook whose handle is kept; 1 when there
//                           was one, else 0.
//   HDMIHOOK_KeyHookProc    std::intptr_t(int code, std::uintptr_t wParam, std::intptr_t lParam):
//                           the hook procedure (bound, never called, by the controller).
// As on Windows, installing twice installs two hooks and keeps only the second handle, so one
// hook stays for good and every key transition runs the procedure once per installed hook.
// pressKey(vk) is a key-down and a key-up transition, each recorded; the hook procedure posts
// message 0x8486 (wParam 0, lParam 0) to the window of class "#32770" titled
// "KorSentrixSuiteMain" for each transition of VK 0xA6 (browser back), as the program that has
// the keyboard (the foreground window's, or the default input process) and lets every key
// through. Other keys post nothing, and neither do calls with a code other than HC_ACTION (0).
// The entries act on the one active SimKeyboard of the process (the one most recently
// constructed or activated and not yet destroyed); without one, they return 0.
// As the keyboard input port (SendInput), every batch is recorded whole with the window that had
// the focus (the foreground window) and its class, and each of its events is a key transition
// as above, in the order of the batch. An empty batch inserts nothing and answers 0.
// Simulation.
#pragma once

#include "platform/KeyboardInput.h"
#include "platform/Libraries.h"
#include "sim/SimDesktop.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace sim {

class SimKeyboard final : public platform::KeyboardInput {
public:
    static constexpr std::uint8_t kVkBrowserBack = 0xA6;
    static constexpr platform::MessageId kBrowserBackMessage = 0x8486;
    static constexpr std::uint32_t kDefaultInputProcessId = 0x5F0;

    using SetKeyHookFn = std::int32_t (*)();
    using ResetKeyHookFn = std::int32_t (*)();
    using KeyHookProcFn = std::intptr_t (*)(int code, std::uintptr_t wParam, std::intptr_t lParam);

    struct Transition {
        std::uint64_t time = 0;
        std::uint8_t vk = 0;
        bool down = false;
        int posts = 0; // messages the hooks posted for it
    };
    // One SendInput call as a person at the screen sees it.
    struct InputBatch {
        std::uint64_t time = 0;
        platform::WindowHandle focus = 0; // the foreground window then (0: none)
        std::wstring focusClass;
        std::vector<platform::KeyEvent> events;
    };

    SimKeyboard(VirtualClock& clock, SimDesktop& desktop);
    ~SimKeyboard() override;
    SimKeyboard(const SimKeyboard&) = delete;
    SimKeyboard& operator=(const SimKeyboard&) = delete;

    void activate();
    // The three hook entries by name, as the bridge library exports them.
    static std::map<std::string, platform::EntryPoint> entries();

    void pressKey(std::uint8_t vk);
    void keyDown(std::uint8_t vk);
    void keyUp(std::uint8_t vk);

    int installedHooks() const { return m_hooks; }
    bool hookInstalled() const { return m_hooks > 0; }
    const std::vector<Transition>& transitions() const { return m_transitions; }
    const std::vector<InputBatch>& inputBatches() const { return m_batches; }
    // Forgets what was recorded so far, so that a long run keeps its memory flat; the state stays.
    void clearRecords() {
        m_transitions.clear();
        m_batches.clear();
    }

    // platform::KeyboardInput
    std::uint32_t sendInput(const platform::KeyEvent* events, std::uint32_t count) override;

    // The entries' behaviour.
    std::int32_t setKeyHook();
    std::int32_t resetKeyHook();
    std::intptr_t keyHookProc(int code, std::uintptr_t wParam, std::intptr_t lParam);

private:
    static std::int32_t trampolineSetKeyHook();
    static std::int32_t trampolineResetKeyHook();
    static std::intptr_t trampolineKeyHookProc(int code, std::uintptr_t wParam, std::intptr_t lParam);

    void transition(std::uint8_t vk, bool down);

    VirtualClock& m_clock;
    SimDesktop& m_desktop;
    int m_hooks = 0;
    bool m_handleKept = false;
    int m_postsOfTransition = 0;
    std::vector<Transition> m_transitions;
    std::vector<InputBatch> m_batches;
};

} // namespace sim
