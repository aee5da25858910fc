// Helpers of the end-to-end test programs: a stand-in for the controller's main window (a hidden
// top-level window, by default class "#32770" titled "KorSentrixSuiteMain", made by the test
// program on its own thread, whose message loop records every message posted to it; other
// classes or titles make decoys that must receive nothing), and the Windows form of a path
// handed over from the build.
// Win32 only.
#pragma once

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace e2e {

struct Posted {
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    bool operator==(const Posted&) const = default;
};

class ControllerStandIn {
public:
    static constexpr const wchar_t* kControllerClass = L"#32770";
    static constexpr const wchar_t* kControllerTitle = L"KorSentrixSuiteMain";
    static constexpr const wchar_t* kDecoyClass = L"SentrixE2eDecoy"; // any class but a dialog's
    static constexpr std::chrono::milliseconds kWait{5000};

    explicit ControllerStandIn(const wchar_t* className = kControllerClass,
                               const wchar_t* title = kControllerTitle) {
        std::promise<void> made;
        std::future<void> ready = made.get_future();
        m_thread = std::thread([this, made = std::move(made), className = std::wstring(className),
                                title = std::wstring(title)]() mutable { loop(className, title, made); });
        ready.wait();
    }
    ~ControllerStandIn() {
        PostThreadMessageW(m_threadId, WM_QUIT, 0, 0);
        m_thread.join();
    }
    ControllerStandIn(const ControllerStandIn&) = delete;
    ControllerStandIn& operator=(const ControllerStandIn&) = delete;

    HWND window() const { return m_window; }

    // Every message posted to the window so far, in order; or those with one number.
    std::vector<Posted> received() const {
        std::lock_guard lock(m_mutex);
        return m_received;
    }
    std::vector<Posted> received(UINT message) const {
        std::vector<Posted> out;
        for (const Posted& p : received()) {
            if (p.message == message) {
                out.push_back(p);
            }
        }
        return out;
    }

    // Waits until `count` messages with this number have arrived; false after kWait.
    bool waitFor(UINT message, std::size_t count) const {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, kWait, [&] {
            return static_cast<std::size_t>(
                       std::count_if(m_received.begin(), m_received.end(),
                                     [&](const Posted& p) { return p.message == message; })) >= count;
        });
    }

    // Returns when everything posted to the window before this call has been read.
    bool settle() {
        const WPARAM serial = ++m_serial;
        if (PostMessageW(m_window, kMarker, serial, 0) == FALSE) {
            return false;
        }
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, kWait, [&] { return m_settled >= serial; });
    }

private:
    static constexpr UINT kMarker = WM_APP + 0x3FF0; // the stand-in's own, never recorded

    void loop(const std::wstring& className, const std::wstring& title, std::promise<void>& made) {
        m_threadId = GetCurrentThreadId();
        if (className == kDecoyClass) {
            WNDCLASSW decoy{};
            decoy.lpfnWndProc = &DefWindowProcW;
            decoy.hInstance = GetModuleHandleW(nullptr);
            decoy.lpszClassName = kDecoyClass;
            RegisterClassW(&decoy); // fails harmlessly once registered
        }
        m_window = CreateWindowExW(0, className.c_str(), title.c_str(), WS_POPUP, 0, 0, 1, 1, nullptr,
                                   nullptr, GetModuleHandleW(nullptr), nullptr);
        MSG msg{};
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE); // the thread's queue exists from here
        made.set_value();
        if (m_window == nullptr) {
            return;
        }
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            if (msg.hwnd == m_window) {
                std::lock_guard lock(m_mutex);
                if (msg.message == kMarker) {
                    m_settled = std::max(m_settled, msg.wParam);
                } else {
                    m_received.push_back(Posted{msg.message, msg.wParam, msg.lParam});
                }
                m_changed.notify_all();
            }
            DispatchMessageW(&msg);
        }
        DestroyWindow(m_window);
    }

    std::thread m_thread;
    DWORD m_threadId = 0;
    HWND m_window = nullptr;
    WPARAM m_serial = 0;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::vector<Posted> m_received;
    WPARAM m_settled = 0;
};

// A path as the build hands it over ("/work/..."), in the form Windows programs under Wine use
// ("Z:\work\..."); a Windows path stays as it is.
inline std::wstring windowsPath(const char* path) {
    std::wstring out;
    for (const char* c = path; *c != '\0'; ++c) {
        out.push_back(*c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*c)));
    }
    return path[0] == '/' ? L"Z:" + out : out;
}

} // namespace e2e
