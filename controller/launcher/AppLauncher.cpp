// The application launcher. Portable.
#include "controller/launcher/AppLauncher.h"

#include "common/Bytes.h"
#include "common/Text.h"
#include "common/Trace.h"
#include "controller/CmdInfo.h"
#include "controller/StringTable.h"
#include "controller/commands/RunCommand.h"

#include <algorithm>
#include <cwchar>

#define LAUNCHER_SCOPE(name) TRACE_SCOPE(TraceModule::Sentrixd, name)

namespace {

// The built-in items of kinds 1 to 6, by kind.
struct BuiltIn {
    const wchar_t* message;
    const wchar_t* command;
    const wchar_t* label;
    const wchar_t* program; // offered only when registered under App Paths; null: always
};
constexpr BuiltIn kBuiltIns[] = {
    {L"QUICKMENU_NOTIFY_LAUNCH_ALDER", L"Avdeck.exe /navi3", L"Vireo AV Center", L"Avdeck.exe"},
    {L"QUICKMENU_NOTIFY_LAUNCH_BIRCH", L"KorDVD.exe /F", L"KORVATH DVD PLAYER", L"KorDVD.exe"},
    {L"QUICKMENU_NOTIFY_LAUNCH_CEDAR", L"Netreel.exe FullScreen", L"KORVATH Net Movie Player",
     L"Netreel.exe"},
    {L"QUICKMENU_NOTIFY_LAUNCH_POWERCINEMA", L"PowerCinema.exe /F", L"PowerCinema for KORVATH",
     L"PowerCinema.exe"},
    {L"QUICKMENU_NOTIFY_LAUNCH_WINDVD", L"WinDVD.exe /fullscreen", L"WinDVD BD for KORVATH", L"WinDVD.exe"},
    {L"QUICKMENU_NOTIFY_LAUNCH_MEDIACENTER", L"", L"Windows Media Center", nullptr},
};
constexpr const wchar_t* kCloseBirchMessage = L"QUICKMENU_NOTIFY_CLOSE_BIRCH";
constexpr const wchar_t* kCloseMenuMessage = L"QUICKMENU_NOTIFY_CLOSE_MENU";
constexpr const wchar_t* kBirchProgram = L"KorDVD.exe";
constexpr std::uint32_t kFolderChars = 260;

// Copies `text` into a fixed array; the caller has checked that it fits.
template <std::size_t N> void copyText(wchar_t (&array)[N], const std::wstring& text) {
    const std::size_t n = std::min(text.size(), N - 1);
    std::copy(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n), array);
    array[n] = L'\0';
}

using platform::readDword;

// A REG_SZ of at most `maxUnits` UTF-16 units (terminator not counted). Longer or wrongly
// typed data is refused; data without a terminator ends where the data ends.
bool readText(platform::Registry& registry, platform::RegKey key, const wchar_t* name, std::size_t maxUnits,
              std::wstring& value) {
    std::vector<std::uint8_t> data((maxUnits + 1) * 2);
    std::uint32_t size = static_cast<std::uint32_t>(data.size());
    std::uint32_t type = 0;
    if (registry.queryValue(key, name, &type, data.data(), &size) != platform::error::kSuccess ||
        type != platform::regtype::kSz) {
        return false;
    }
    std::wstring text = text::fromUtf16Le(data.data(), std::min<std::size_t>(size, data.size()));
    if (text::utf16Length(text) > maxUnits) {
        return false;
    }
    value = std::move(text);
    return true;
}

} // namespace

std::vector<std::wstring> AppLauncher::builtInLabels() {
    std::vector<std::wstring> labels;
    for (const BuiltIn& builtIn : kBuiltIns) {
        labels.emplace_back(builtIn.label);
    }
    return labels;
}

AppLauncher::AppLauncher(const LauncherPorts& ports, ControlMenuFactory& menus)
    : m_ports(ports), m_menus(menus) {}

AppLauncher::~AppLauncher() = default;

bool AppLauncher::initialize(platform::WindowHandle owner) {
    LAUNCHER_SCOPE("AppLauncher::initialize");
    if (!m_items.empty() || m_pQuickMenu != nullptr) {
        uninitialize(); // a second start-up begins afresh
    }
    m_hOwner = owner;
    for (std::int32_t kind = LauncherItemInfo::kAlder; kind <= LauncherItemInfo::kMediaCenter; ++kind) {
        m_uiLaunch[kind - 1] = m_ports.windowing.registerMessage(kBuiltIns[kind - 1].message);
    }
    m_uiCloseBirch = m_ports.windowing.registerMessage(kCloseBirchMessage);
    m_uiCloseMenu = m_ports.windowing.registerMessage(kCloseMenuMessage);

    m_pQuickMenu = m_menus.createControlMenu();
    if (m_pQuickMenu == nullptr) {
        TRACE_ERROR(L"ERROR Create QuickMenu instance");
        return false;
    }
    if (!m_pQuickMenu->create(owner)) {
        TRACE_ERROR(L"ERROR Create QuickMenu window");
    }

    platform::ScopedRegKey key(m_ports.registry);
    if (m_ports.registry.openKey(platform::kHkeyCurrentUser, kLauncherKey, platform::RegAccess::Read,
                                 key.out()) != platform::error::kSuccess) {
        TRACE_ERROR(L"ERROR RegOpenKey()");
        return false;
    }
    std::uint32_t mediaCenter = 0;
    if (!readDword(m_ports.registry, key, kMediaCenterValue, mediaCenter)) {
        TRACE_ERROR(L"ERROR RegQueryValueEx()");
        return false;
    }
    m_bMediaCenter = mediaCenter == 1;
    key.reset();
    createLauncherItemInfoList();
    return true;
}

void AppLauncher::uninitialize() {
    LAUNCHER_SCOPE("AppLauncher::uninitialize");
    m_items.clear();
    m_pQuickMenu.reset();
}

std::unique_ptr<LauncherItemInfo> AppLauncher::makeItem(std::int32_t kind, platform::MessageId message,
                                                        const std::wstring& label,
                                                        const std::wstring& command,
                                                        const std::wstring& className) {
    auto item = std::make_unique<LauncherItemInfo>();
    item->m_nSpecial = kind;
    item->m_uMessage = message;
    copyText(item->m_szDisplayName, label);
    copyText(item->m_szCommand, command);
    copyText(item->m_szClassName, className);
    return item;
}

bool AppLauncher::readSubKey(const wchar_t* name) {
    LAUNCHER_SCOPE("AppLauncher::readSubKey");
    const std::wstring path = std::wstring(kLauncherKey) + L"\\" + name;
    platform::ScopedRegKey key(m_ports.registry);
    if (m_ports.registry.openKey(platform::kHkeyCurrentUser, path.c_str(), platform::RegAccess::Read,
                                 key.out()) != platform::error::kSuccess) {
        TRACE_ERROR(L"ERROR RegOpenKeyEx()");
        return false;
    }
    bool ok = true;
    std::uint32_t special = 0;
    if (!readDword(m_ports.registry, key, kSpecialValue, special)) {
        TRACE_ERROR(L"ERROR RegQueryValueEx()");
        ok = false;
    } else if (special >= static_cast<std::uint32_t>(LauncherItemInfo::kAlder) &&
               special <= static_cast<std::uint32_t>(LauncherItemInfo::kMediaCenter)) {
        const auto kind = static_cast<std::int32_t>(special);
        const BuiltIn& builtIn = kBuiltIns[kind - 1];
        const platform::MessageId message = m_uiLaunch[kind - 1];
        if (message != 0 && (kind != LauncherItemInfo::kMediaCenter || m_bMediaCenter)) {
            m_items.push_back(makeItem(kind, message, builtIn.label, builtIn.command, L""));
        }
    } else if (special == static_cast<std::uint32_t>(LauncherItemInfo::kCustom)) {
        std::wstring label;
        std::wstring command;
        if (!readText(m_ports.registry, key, kDisplayNameValue, LauncherItemInfo::kDisplayNameChars - 1,
                      label) ||
            !readText(m_ports.registry, key, kCmdParamValue, LauncherItemInfo::kCommandChars - 1, command)) {
            TRACE_ERROR(L"ERROR RegQueryValueEx()");
            ok = false;
        } else {
            const platform::MessageId message = m_ports.windowing.registerMessage(label.c_str());
            if (message == 0) {
                TRACE_ERROR(L"ERROR RegisterWindowMessage(%ls)", label.c_str());
            } else {
                m_items.push_back(makeItem(LauncherItemInfo::kCustom, message, label, command, L""));
            }
        }
    }
    return ok;
}

std::int32_t AppLauncher::createLauncherItemInfoList() {
    LAUNCHER_SCOPE("AppLauncher::createLauncherItemInfoList");
    platform::ScopedRegKey key(m_ports.registry);
    if (m_ports.registry.openKey(platform::kHkeyCurrentUser, kLauncherKey, platform::RegAccess::Read,
                                 key.out()) != platform::error::kSuccess) {
        TRACE_ERROR(L"ERROR RegOpenKeyEx()");
        return 0;
    }
    for (std::uint32_t index = 0;; ++index) {
        wchar_t name[kSubKeyNameChars] = {};
        std::uint32_t nameChars = kSubKeyNameChars;
        const platform::ErrorCode result = m_ports.registry.enumKey(key, index, name, &nameChars);
        if (result == platform::error::kNoMoreItems) {
            break;
        }
        if (result != platform::error::kSuccess) {
            // a name over 63 characters among them
            TRACE_ERROR(L"ERROR RegEnumKeyEx()");
            return kErrorList;
        }
        name[kSubKeyNameChars - 1] = L'\0';
        if (!readSubKey(name)) {
            return kErrorList;
        }
    }

    if (m_uiCloseBirch != 0) {
        std::wstring birch;
        for (const auto& item : m_items) {
            if (item->m_nSpecial == LauncherItemInfo::kBirch) {
                birch = item->m_szDisplayName;
            }
        }
        const std::wstring label = std::wstring(strings::kClose) + L" " + birch + L" " + strings::kBlank;
        m_items.push_back(
            makeItem(LauncherItemInfo::kCloseBirch, m_uiCloseBirch, label, L"", kBirchWindowClass));
    }
    if (m_uiCloseMenu != 0) {
        m_items.push_back(
            makeItem(LauncherItemInfo::kCloseMenu, m_uiCloseMenu, strings::kCloseThisMenu, L"", L""));
    }
    return 1;
}

bool AppLauncher::isAppLauncherMessage(platform::MessageId message) const {
    return message != 0 && std::any_of(m_items.begin(), m_items.end(),
                                       [message](const auto& item) { return item->m_uMessage == message; });
}

const LauncherItemInfo* AppLauncher::getLauncherItemInfo(platform::MessageId message) const {
    LAUNCHER_SCOPE("AppLauncher::getLauncherItemInfo");
    if (message != 0) {
        for (const auto& item : m_items) {
            if (item->m_uMessage == message) {
                return item.get();
            }
        }
    }
    TRACE_ERROR(L"ERROR Item Not Exist");
    return nullptr;
}

bool AppLauncher::offered(const LauncherItemInfo& item) {
    RunCommand probe(m_ports.registry, m_ports.windowing, m_ports.focus, m_ports.shell, 0);
    switch (item.m_nSpecial) {
    case LauncherItemInfo::kCustom:
    case LauncherItemInfo::kMediaCenter:
        return true;
    case LauncherItemInfo::kCedar: {
        if (probe.IsInstalled(kBuiltIns[item.m_nSpecial - 1].program) != 1) {
            return false;
        }
        platform::ScopedRegKey key(m_ports.registry);
        if (m_ports.registry.openKey(platform::kHkeyLocalMachine, kCedarKey, platform::RegAccess::Read,
                                     key.out()) != platform::error::kSuccess) {
            return false;
        }
        std::uint32_t activated = 0;
        const bool read = readDword(m_ports.registry, key, kActivatedValue, activated);
        return read && activated == 1;
    }
    case LauncherItemInfo::kAlder:
    case LauncherItemInfo::kBirch:
    case LauncherItemInfo::kPowerCinema:
    case LauncherItemInfo::kWinDvd:
        return probe.IsInstalled(kBuiltIns[item.m_nSpecial - 1].program) == 1;
    case LauncherItemInfo::kCloseBirch:
        return probe.IsInstalled(kBirchProgram) == 1 &&
               m_ports.windowing.findWindow(item.m_szClassName, nullptr) != 0;
    default:
        return false; // the closing entry is appended by showAppLauncher itself
    }
}

int AppLauncher::showAppLauncher() {
    LAUNCHER_SCOPE("AppLauncher::showAppLauncher");
    if (m_pQuickMenu == nullptr) {
        TRACE_ERROR(L"ERROR Invalid Parameters");
        return 0;
    }
    m_pQuickMenu->clearItems();
    m_pQuickMenu->setTitle(strings::kControlMenu);
    int added = 0;
    for (const auto& item : m_items) {
        if (offered(*item)) {
            m_pQuickMenu->addItem(item->m_szDisplayName, item->m_uMessage);
            ++added;
        }
    }
    if (added == 0) {
        TRACE_ERROR(L"ERROR No Item Exist");
        return 0;
    }
    m_pQuickMenu->addItem(strings::kCloseThisMenu, m_uiCloseMenu);
    ActivateWnd(m_pQuickMenu->window());
    m_pQuickMenu->show();
    return 1;
}

void AppLauncher::ActivateWnd(platform::WindowHandle window) {
    LAUNCHER_SCOPE("AppLauncher::ActivateWnd");
    RunCommand(m_ports.registry, m_ports.windowing, m_ports.focus, m_ports.shell, 0).ActivateWnd(window);
}

int AppLauncher::runCommand(const LauncherItemInfo& item) {
    LAUNCHER_SCOPE("AppLauncher::runCommand");
    CmdInfo rule;
    if (!rule.setParam(item.m_szCommand)) {
        TRACE_ERROR(L"ERROR Command too long [%ls]", item.m_szCommand);
        return 0;
    }
    RunCommand command(m_ports.registry, m_ports.windowing, m_ports.focus, m_ports.shell, m_hOwner);
    command.setCmdInfo(&rule);
    return command.execute();
}

int AppLauncher::startMediaCenter() {
    LAUNCHER_SCOPE("AppLauncher::startMediaCenter");
    wchar_t folder[kFolderChars] = {};
    if (!m_ports.shell.windowsFolder(folder, kFolderChars)) {
        TRACE_ERROR(L"ERROR SHGetFolderPath");
        return 0;
    }
    folder[kFolderChars - 1] = L'\0';
    const std::wstring program = std::wstring(folder) + kMediaCenterProgram;
    ActivateWnd(m_hOwner);
    if (!m_ports.shell.shellExecute(program.c_str(), kMediaCenterArguments, platform::sw::kShowNormal)) {
        TRACE_ERROR(L"ERROR ShellExecute()");
        return 0;
    }
    return 1;
}

int AppLauncher::execute(platform::MessageId message) {
    LAUNCHER_SCOPE("AppLauncher::execute");
    const LauncherItemInfo* item = getLauncherItemInfo(message);
    if (item == nullptr) {
        TRACE_ERROR(L"ERROR getLauncherItemInfo()");
        return 0;
    }
    switch (item->m_nSpecial) {
    case LauncherItemInfo::kMediaCenter:
        return startMediaCenter();
    case LauncherItemInfo::kCloseBirch: {
        const platform::WindowHandle player = m_ports.windowing.findWindow(item->m_szClassName, nullptr);
        if (player != 0) {
            return m_ports.windowing.postMessage(player, platform::wm::kClose, 0, 0) ? 1 : 0;
        }
        return runCommand(*item); // nothing to start: fails
    }
    case LauncherItemInfo::kCloseMenu:
        if (m_pQuickMenu != nullptr) {
            m_pQuickMenu->hide();
        }
        return 1;
    default:
        return runCommand(*item);
    }
}
