// The command that starts an application: the first alternative of the rule's parameter
// whose program is registered under App Paths (or the last one when none is), after bringing
// the controller's window to the front so that the started program may take the foreground.
// The application launcher uses it on its own, and asks IsInstalled which items to offer.
// Portable.
#pragma once

#include "controller/ControllerServices.h"
#include "controller/commands/CommandPorts.h"

#include <string>

class RunCommand final : public Command {
public:
    static constexpr const wchar_t* kAppPathsKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";
    static constexpr const wchar_t* kAppPathsWow64Key =
        L"SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\App Paths";

    RunCommand(platform::Registry& registry, platform::Windowing& windowing, platform::InputFocus& focus,
               platform::Shell& shell, platform::WindowHandle activate);

    // 1 when the program was started.
    int execute() override;
    int setCmdInfo(const CmdInfo* rule) override;

    // Chooses the program and arguments from the rule's alternatives: 1 when the chosen one is
    // installed, 0 when none is (the last well-formed alternative stays chosen).
    int setInstalledApplication();
    // 1 when `file` is registered under App Paths (native or 32-bit view), else 0.
    int IsInstalled(const std::wstring& file);
    // Brings `window` to the front with the input of the foreground window's thread attached.
    void ActivateWnd(platform::WindowHandle window);

    const std::wstring& file() const { return m_strFile; }
    const std::wstring& arguments() const { return m_strArguments; }

private:
    bool keyExists(const wchar_t* appPaths, const std::wstring& file);

    platform::Registry& m_registry;
    platform::Windowing& m_windowing;
    platform::InputFocus& m_focus;
    platform::Shell& m_shell;
    const CmdInfo* m_pCmdInfo = nullptr;
    std::wstring m_strFile;
    std::wstring m_strArguments;
    platform::WindowHandle m_hActivateWnd = 0;
};
