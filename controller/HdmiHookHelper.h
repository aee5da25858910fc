// Binding to the bridge library's key hook: loads "TVBRIDGE.dll" from the common program
// files folder and binds the entries that install and remove the system-wide keyboard hook.
// Portable.
#pragma once

#include "platform/Libraries.h"
#include "platform/Shell.h"

#include <cstdint>

using SetKeyHookEntry = std::int32_t (*)();
using ResetKeyHookEntry = std::int32_t (*)();
using KeyHookProcEntry = std::intptr_t (*)(int code, std::uintptr_t wParam, std::intptr_t lParam);

class HdmiHookHelper {
public:
    static constexpr int kPathChars = 260;

    HdmiHookHelper(platform::Libraries& libraries, platform::Shell& shell);
    HdmiHookHelper(const HdmiHookHelper&) = delete;
    HdmiHookHelper& operator=(const HdmiHookHelper&) = delete;
    virtual ~HdmiHookHelper(); // unloads

    // 1 when the library is loaded and its entries bound (missing ones stay empty), else 0.
    int initialize();
    void uninitialize();

    // The entry's result; 0 (failure) when the entry is missing.
    int SetKeyHook();
    int ResetKeyHook();

private:
    platform::Libraries& m_libraries;
    platform::Shell& m_shell;
    platform::LibraryHandle m_hLibrary = 0;
    SetKeyHookEntry m_pSetKeyHook = nullptr;
    ResetKeyHookEntry m_pResetKeyHook = nullptr;
    KeyHookProcEntry m_pKeyHookProc = nullptr; // the hook procedure lives in the library; never called here
};
