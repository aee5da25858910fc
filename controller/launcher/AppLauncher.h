// The application launcher: reads its items from the per-user "Launcher" key once, offers in
// the control menu those whose application is installed (or, for closing the DVD player,
// running) each time the menu is asked for, and acts on the message of the item the user chose:
// starting an application, Windows Media Center, closing the DVD player or the menu.
// Portable.
#pragma once

#include "controller/ControllerServices.h"
#include "controller/launcher/ControlMenu.h"
#include "controller/launcher/LauncherItemInfo.h"
#include "platform/InputFocus.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The ports the launcher runs on.
struct LauncherPorts {
    platform::Registry& registry;
    platform::Windowing& windowing;
    platform::InputFocus& focus;
    platform::Shell& shell;
};

class AppLauncher final : public LauncherService {
public:
    static constexpr const wchar_t* kLauncherKey = L"SOFTWARE\\KORVATH\\Sentrixd\\Launcher";
    static constexpr const wchar_t* kMediaCenterValue = L"MediaCenter";
    static constexpr const wchar_t* kSpecialValue = L"Special";
    static constexpr const wchar_t* kDisplayNameValue = L"DisplayName";
    static constexpr const wchar_t* kCmdParamValue = L"CmdParam";
    static constexpr const wchar_t* kCedarKey = L"SOFTWARE\\KORVATH\\NetreelApplication\\Other";
    static constexpr const wchar_t* kActivatedValue = L"Activated";
    static constexpr const wchar_t* kBirchWindowClass = L"KORDVDCLASS";
    static constexpr const wchar_t* kMediaCenterProgram = L"\\ehome\\ehshell.exe";
    static constexpr const wchar_t* kMediaCenterArguments = L"/directmedia:general";
    static constexpr std::size_t kSubKeyNameChars = 64; // a name of up to 63 characters, terminated
    static constexpr std::int32_t kErrorList = static_cast<std::int32_t>(0x80000101);

    AppLauncher(const LauncherPorts& ports, ControlMenuFactory& menus);
    ~AppLauncher() override;
    AppLauncher(const AppLauncher&) = delete;
    AppLauncher& operator=(const AppLauncher&) = delete;

    // LauncherService
    bool initialize(platform::WindowHandle owner) override;
    void uninitialize() override;
    bool isAppLauncherMessage(platform::MessageId message) const override;
    int execute(platform::MessageId message) override;
    int showAppLauncher() override;

    // The labels of the built-in items of kinds 1 to 6, in kind order.
    static std::vector<std::wstring> builtInLabels();

    const LauncherItemInfo* getLauncherItemInfo(platform::MessageId message) const;
    std::int32_t createLauncherItemInfoList();
    void ActivateWnd(platform::WindowHandle window);

    const std::vector<std::unique_ptr<LauncherItemInfo>>& items() const { return m_items; }
    ControlMenu* menu() const { return m_pQuickMenu.get(); }

private:
    std::unique_ptr<LauncherItemInfo> makeItem(std::int32_t kind, platform::MessageId message,
                                               const std::wstring& label, const std::wstring& command,
                                               const std::wstring& className);
    // Reads the item of one subkey into the list; false when the list must stop.
    bool readSubKey(const wchar_t* name);
    bool offered(const LauncherItemInfo& item);
    int runCommand(const LauncherItemInfo& item);
    int startMediaCenter();

    LauncherPorts m_ports;
    ControlMenuFactory& m_menus;
    platform::WindowHandle m_hOwner = 0;
    std::vector<std::unique_ptr<LauncherItemInfo>> m_items;
    std::unique_ptr<ControlMenu> m_pQuickMenu;
    bool m_bMediaCenter = false;

    platform::MessageId m_uiLaunch[LauncherItemInfo::kMediaCenter] = {}; // kinds 1 to 6
    platform::MessageId m_uiCloseBirch = 0;
    platform::MessageId m_uiCloseMenu = 0;
};
