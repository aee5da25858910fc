// Entry points of Tvbridge.dll, the application bridge library (64-bit and 32-bit builds): DllMain,
// the exported functions and the per-process hook handle. Each export hands over to the portable
// classes with the real windowing port; no exception leaves an export.
// Win32 only.
#include "bridge/Tvbridge.h"

#include "bridge/HdmiKeyHook.h"
#include "bridge/TvbridgeApp.h"
#include "bridge/TvbridgeRequests.h"
#include "platform/win32/Win32Windowing.h"

#include <atomic>

namespace {

CTvbridgeApp theApp;
HMODULE g_hModule = nullptr; // this library, from DllMain
// The hook this process installed; zero before, and in every process that has the library only
// for running the hook procedure.
std::atomic<HHOOK> g_hKeyHook{nullptr};

class Win32HookChain final : public HookChain {
public:
    platform::LResult callNext(int code, platform::WParam wParam, platform::LParam lParam) override {
        m_result = CallNextHookEx(g_hKeyHook.load(), code, wParam, lParam);
        m_passedOn = true;
        return m_result;
    }
    bool passedOn() const { return m_passedOn; }
    LRESULT result() const { return m_result; }

private:
    bool m_passedOn = false;
    LRESULT m_result = 0;
};

// A request with the real windowing port; 0 (as a failed registration) if anything throws.
template <typename Request> int request(Request&& call) {
    try {
        platform::win32::Win32Windowing windowing;
        TvbridgeRequests requests(windowing);
        return call(requests);
    } catch (...) {
        return TvbridgeRequests::kNotRegistered;
    }
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID /*reserved*/) {
    try {
        switch (reason) {
        case DLL_PROCESS_ATTACH:
            g_hModule = module;
            return theApp.InitInstance() ? TRUE : FALSE;
        case DLL_PROCESS_DETACH:
            theApp.ExitInstance();
            return TRUE;
        default:
            return TRUE;
        }
    } catch (...) {
        return FALSE;
    }
}

extern "C" int WINAPI TVBRIDGE_UseTVEnhancement(int value) {
    return request([value](TvbridgeRequests& requests) { return requests.useTvEnhancement(value); });
}

extern "C" int WINAPI TVBRIDGE_QueryTurnOffTV() {
    return request([](TvbridgeRequests& requests) { return requests.queryTurnOffTv(); });
}

extern "C" int WINAPI TVBRIDGE_ChangeHDMIOutput(int output) {
    return request([output](TvbridgeRequests& requests) { return requests.changeHdmiOutput(output); });
}

extern "C" LRESULT CALLBACK HDMIHOOK_KeyHookProc(int code, WPARAM wParam, LPARAM lParam) {
    Win32HookChain chain;
    try {
        platform::win32::Win32Windowing windowing;
        return HdmiKeyHook(windowing, chain).keyHookProc(code, wParam, lParam);
    } catch (...) {
        // Never swallow a key because of a fault here.
        return chain.passedOn() ? chain.result() : CallNextHookEx(g_hKeyHook.load(), code, wParam, lParam);
    }
}

extern "C" BOOL WINAPI HDMIHOOK_SetKeyHook() {
    // Installing again replaces the kept handle; the earlier hook stays until this process ends.
    const HHOOK hook = SetWindowsHookExW(WH_KEYBOARD, &HDMIHOOK_KeyHookProc, g_hModule, 0);
    g_hKeyHook.store(hook);
    return hook != nullptr ? TRUE : FALSE;
}

extern "C" BOOL WINAPI HDMIHOOK_ResetKeyHook() {
    const BOOL removed = UnhookWindowsHookEx(g_hKeyHook.load());
    if (removed != FALSE) {
        g_hKeyHook.store(nullptr); // a later handle with the same value is not ours to remove
    }
    return removed;
}
