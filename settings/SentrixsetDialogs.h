// The settings program's dialogs on the platform's dialogs: the view the dialog logic drives,
// over one dialog window, and the code behind the main dialog (template 102) and the About
// dialog (template 100), which turn the window's messages into the logic's handlers and paint
// the banner.
// Portable.
#pragma once

#include "platform/Dialogs.h"
#include "settings/AboutDlg.h"
#include "settings/SentrixsetDlg.h"
#include "settings/SentrixsetView.h"

namespace settings {

// One dialog window seen through the platform's dialogs.
class DialogsView final : public SentrixsetView {
public:
    DialogsView(platform::Dialogs& dialogs, platform::Registry& registry)
        : m_dialogs(dialogs), m_registry(registry) {}

    void attach(platform::WindowHandle dialog) { m_dialog = dialog; }
    platform::WindowHandle window() const { return m_dialog; }

    std::wstring loadString(int id) override;
    void setCaption(const std::wstring& text) override;
    void setItemText(int id, const std::wstring& text) override;
    bool isChecked(int id) override;
    void setChecked(int id, bool checked) override;
    void enableItem(int id, bool enabled) override;
    void appendSystemMenuItem(int command, const std::wstring& text) override;
    void setIcons() override;
    void showAboutDialog() override;
    void endDialog(int result) override;

private:
    platform::Dialogs& m_dialogs;
    platform::Registry& m_registry; // for the About dialog
    platform::WindowHandle m_dialog = 0;
};

// The main dialog's window messages.
class SentrixsetDlgClient final : public platform::DialogClient {
public:
    SentrixsetDlgClient(const SentrixsetPorts& ports, platform::Dialogs& dialogs)
        : m_view(dialogs, ports.registry), m_dlg(ports, m_view) {}

    // Shows the main dialog modally; returns its result (1 OK, 2 Cancel, -1 not shown).
    std::intptr_t runModal(platform::Dialogs& dialogs);

    bool onInitDialog(platform::WindowHandle dialog) override;
    bool onCommand(platform::WindowHandle dialog, int id, int code) override;
    bool onSysCommand(platform::WindowHandle dialog, std::uint32_t command) override;
    void onPaint(platform::WindowHandle dialog, platform::DialogPaint& paint) override;
    void onDestroy(platform::WindowHandle dialog) override;

private:
    DialogsView m_view;
    CSentrixsetDlg m_dlg;
};

// The About dialog's window messages.
class AboutDlgClient final : public platform::DialogClient {
public:
    AboutDlgClient(platform::Dialogs& dialogs, platform::Registry& registry)
        : m_view(dialogs, registry), m_about(registry, m_view) {}

    bool onInitDialog(platform::WindowHandle dialog) override;
    bool onCommand(platform::WindowHandle dialog, int id, int code) override;

private:
    DialogsView m_view;
    CAboutDlg m_about;
};

} // namespace settings
