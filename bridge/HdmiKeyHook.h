// The keyboard hook procedure of the bridge library: a press of the browser-back key is reported
// to the controller as message 0x8486 (WM_HOOK_BROWSERBACK), on the key-down and on the key-up,
// and every key goes on to the next hook and the application. Only a keystroke taken from the
// queue (HC_ACTION) is reported: a program that peeks with PM_NOREMOVE runs the hook with
// HC_NOREMOVE for the same keystroke as often as it peeks, and the keystroke is still to come.
// Portable.
#pragma once

#include "platform/Windowing.h"

// The rest of the hook chain (CallNextHookEx).
class HookChain {
public:
    virtual platform::LResult callNext(int code, platform::WParam wParam, platform::LParam lParam) = 0;

protected:
    ~HookChain() = default;
};

class HdmiKeyHook {
public:
    static constexpr platform::WParam kVkBrowserBack = 0xA6;
    static constexpr int kHcAction = 0; // the keystroke has been taken from the queue
    static constexpr platform::MessageId kBrowserBackMessage = platform::wm::kApp + 0x486; // 0x8486

    HdmiKeyHook(platform::Windowing& windowing, HookChain& chain) : m_windowing(windowing), m_chain(chain) {}
    HdmiKeyHook(const HdmiKeyHook&) = delete;
    HdmiKeyHook& operator=(const HdmiKeyHook&) = delete;

    // One call of the hook procedure: the virtual key in wParam, the keystroke flags in lParam
    // (not looked at). The next hook's result, or 0 for the browser-back key.
    platform::LResult keyHookProc(int code, platform::WParam virtualKey, platform::LParam keystroke);

private:
    platform::Windowing& m_windowing;
    HookChain& m_chain;
};
