// The settings program's application object: initialises the common controls, registers the
// dialog's own window class "KorHDMIControlConfig" as a copy of the standard dialog class,
// shows the main dialog modally and reports that no message loop is to run.
// Portable.
#pragma once

#include <cstdint>

namespace settings {

// The program's start-up operations on the window system.
class SentrixsetShell {
public:
    virtual ~SentrixsetShell() = default;
    // InitCommonControlsEx with these class bits.
    virtual bool initCommonControls(std::uint32_t classes) = 0;
    // Registers `className` as a copy of the standard dialog class "#32770".
    virtual bool registerDialogClass(const wchar_t* className) = 0;
    // Shows the main dialog modally; returns its result.
    virtual int runMainDialog() = 0;
};

class CSentrixsetApp {
public:
    static constexpr std::uint32_t kAllCommonControls = 0xFF;
    static constexpr const wchar_t* kWindowClass = L"KorHDMIControlConfig";

    explicit CSentrixsetApp(SentrixsetShell& shell) : m_shell(shell) {}
    CSentrixsetApp(const CSentrixsetApp&) = delete;
    CSentrixsetApp& operator=(const CSentrixsetApp&) = delete;

    // Always false: the program ends when the dialog closes.
    bool InitInstance();

private:
    SentrixsetShell& m_shell;
};

} // namespace settings
