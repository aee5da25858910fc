// CNotifyCecInfoDlg: the modeless notice that tells the user whether the connected TV supports
// HDMI control, with a check box to stop that notice in future. Only OK stores the check box;
// the close box, Esc and the ten-second timer close it without storing.
// Portable.
#pragma once

#include "platform/Dialogs.h"
#include "platform/Registry.h"

#include <cstdint>
#include <functional>
#include <string>

class CNotifyCecInfoDlg final : public platform::DialogClient {
public:
    static constexpr std::uint32_t kVariantNotSupported = 0;
    static constexpr std::uint32_t kVariantSupported = 1;
    static constexpr platform::TimerId kTimerClose = 7;
    static constexpr std::uint32_t kClosePeriodMs = 10000;

    // `released` runs once the window is gone (its last message); the owner may delete the
    // dialog object in it.
    CNotifyCecInfoDlg(std::uint32_t variant, platform::Dialogs& dialogs, platform::Registry& registry,
                      std::function<void(CNotifyCecInfoDlg*)> released);
    CNotifyCecInfoDlg(const CNotifyCecInfoDlg&) = delete;
    CNotifyCecInfoDlg& operator=(const CNotifyCecInfoDlg&) = delete;

    // Makes the window modeless, without owner, from the notice's template; false when it cannot.
    bool Create();
    platform::WindowHandle window() const { return m_hWnd; }
    std::uint32_t variant() const { return m_dwVariant; }

    bool onInitDialog(platform::WindowHandle dialog) override;
    bool onCommand(platform::WindowHandle dialog, int id, int code) override;
    bool onTimer(platform::WindowHandle dialog, platform::TimerId id) override;
    void onPaint(platform::WindowHandle dialog, platform::DialogPaint& paint) override;
    void onFinalRelease(platform::WindowHandle dialog) override;

private:
    bool OnInitDialog();
    void OnOK();
    void close();
    std::wstring loadString(platform::ResourceId id);

    std::uint32_t m_dwVariant;
    platform::Dialogs& m_dialogs;
    platform::Registry& m_registry;
    std::function<void(CNotifyCecInfoDlg*)> m_released;
    platform::WindowHandle m_hWnd = 0;
    std::wstring m_strMessage;
};
