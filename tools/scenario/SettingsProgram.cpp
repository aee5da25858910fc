// The settings program in a simulated world. Simulation.
#include "tools/scenario/SettingsProgram.h"

#include "settings/SentrixsetApp.h"
#include "settings/SentrixsetResource.h"

namespace scenario {
namespace {

using sim::ControlKind;
using sim::ControlTemplate;

constexpr platform::MessageId kWmSysCommand = 0x0112;
constexpr std::uint32_t kWsPopupCaption = 0x80C80000; // WS_POPUP | WS_CAPTION | WS_SYSMENU

ControlTemplate box(int id, const wchar_t* text, int x, int y) {
    ControlTemplate c;
    c.id = id;
    c.kind = ControlKind::AutoCheckBox;
    c.text = text;
    c.x = x;
    c.y = y;
    c.cx = 300 - 7 - x;
    c.cy = 10;
    return c;
}

ControlTemplate button(int id, ControlKind kind, const wchar_t* text, int x, int y) {
    ControlTemplate c;
    c.id = id;
    c.kind = kind;
    c.text = text;
    c.x = x;
    c.y = y;
    c.cx = 50;
    c.cy = 14;
    return c;
}

} // namespace

sim::ProgramResources sentrixsetResources() {
    sim::ProgramResources r;
    sim::DialogTemplate main;
    main.title = L"HDMI Control";
    main.style = kWsPopupCaption | sim::kWsVisible;
    main.cx = 300;
    main.cy = 152;
    main.font = L"MS Shell Dlg";
    main.pointSize = 8;
    main.className = settings::CSentrixsetApp::kWindowClass;
    ControlTemplate picture;
    picture.id = IDC_PICTURE;
    picture.kind = ControlKind::Picture;
    picture.image = IDB_PICTURE;
    picture.x = 7;
    picture.y = 38;
    picture.cx = 40;
    picture.cy = 40;
    main.controls = {
        picture,
        box(IDC_HDMI_CONTROL, L"Enable HDMI &Control.", 56, 38),
        box(IDC_POWER_ON_OFF, L"Allow this PC to be powered o&n and off by a TV which supports HDMI Control.",
            68, 52),
        box(IDC_POWER_OFF,
            L"Allow this PC to be powered o&ff by a TV which supports HDMI Control when the TV is powered "
            L"off.",
            80, 72),
        box(IDC_NOTIFY, L"Display a message when HDMI Control is enabled.", 56, 96),
        box(IDC_LAUNCHER, L"Show Control Menu when the display changes to HDMI.", 56, 110),
        button(platform::dlg::kIdOk, ControlKind::DefPushButton, L"OK", 189, 131),
        button(platform::dlg::kIdCancel, ControlKind::PushButton, L"Cancel", 243, 131),
    };
    r.dialogs[IDD_SENTRIXSET_DIALOG] = main;

    sim::DialogTemplate about;
    about.title = L"About Sentrix Suite";
    about.style = kWsPopupCaption;
    about.cx = 235;
    about.cy = 62;
    about.font = L"MS Shell Dlg";
    about.pointSize = 8;
    ControlTemplate name;
    name.id = IDC_PRODUCT_NAME;
    name.text = L"Sentrix Suite";
    ControlTemplate version;
    version.id = IDC_VERSION;
    about.controls = {name, version,
                      button(platform::dlg::kIdOk, ControlKind::DefPushButton, L"OK", 178, 41)};
    r.dialogs[IDD_ABOUTBOX] = about;

    r.strings = {
        {IDS_ABOUTBOX, L"&About Sentrix Suite..."},
        {IDS_CAPTION, L"HDMI Control"},
        {IDS_HDMI_CONTROL, L"Enable HDMI &Control."},
        {IDS_POWER_ON_OFF, L"Allow this PC to be powered o&n and off by a TV which supports HDMI Control."},
        {IDS_POWER_OFF,
         L"Allow this PC to be powered o&ff by a TV which supports HDMI Control when the TV is powered off."},
        {IDS_NOTIFY, L"Display a message when HDMI Control is enabled."},
        {IDS_LAUNCHER, L"Show Control Menu when the display changes to HDMI."},
    };
    // The sizes of res/BannerTile.bmp, res/BannerEnd.bmp and res/Picture.bmp.
    r.bitmaps = {{IDB_BANNER_TILE, {16, 48}}, {IDB_BANNER_END, {120, 48}}, {IDB_PICTURE, {64, 64}}};
    r.icons = {IDR_MAINFRAME};
    return r;
}

SettingsProgram::SettingsProgram(sim::SimWorld& world, std::uint32_t threadId)
    : m_world(world), m_program(world.startProgram(threadId)), m_clock(world.clock()),
      m_dialogs(world.desktop(), m_program.thread, sentrixsetResources()) {}

SettingsProgram::~SettingsProgram() {
    finish();
}

bool SettingsProgram::open() const {
    return m_window != 0;
}

std::string SettingsProgram::start() {
    if (open()) {
        return "the settings program is already open";
    }
    const settings::SentrixsetPorts ports{m_world.registry(), m_program.windowing, m_clock,
                                          m_world.firmware()};
    m_client = std::make_unique<settings::SentrixsetDlgClient>(ports, m_dialogs);
    m_window = m_dialogs.createDialog(IDD_SENTRIXSET_DIALOG, 0, *m_client);
    if (m_window == 0) {
        m_client.reset();
        return "the settings dialog could not be made";
    }
    return {};
}

std::string SettingsProgram::click(int id) {
    if (!open()) {
        return "the settings program is not open";
    }
    if (!m_dialogs.click(m_window, id)) {
        return "control " + std::to_string(id) + " cannot be clicked (missing or disabled)";
    }
    // OK and Cancel end the dialog; the program then ends.
    if (const sim::SimDesktop::WindowInfo* info = m_world.desktop().info(m_window);
        info == nullptr || !info->visible) {
        finish();
    }
    return {};
}

std::string SettingsProgram::pressOk() {
    return click(platform::dlg::kIdOk);
}

std::string SettingsProgram::pressCancel() {
    return click(platform::dlg::kIdCancel);
}

std::string SettingsProgram::openAbout() {
    if (!open()) {
        return "the settings program is not open";
    }
    bool shown = false;
    m_dialogs.onModalShown = [this, &shown](platform::WindowHandle about) {
        shown = true;
        wchar_t text[256] = {};
        const int length = m_dialogs.itemText(about, IDC_VERSION, text, 256);
        m_aboutVersion = std::wstring(text, static_cast<std::size_t>(length));
        m_dialogs.click(about, platform::dlg::kIdOk);
    };
    m_dialogs.sendMessage(m_window, kWmSysCommand, IDM_ABOUTBOX, 0);
    m_dialogs.onModalShown = nullptr;
    return shown ? std::string() : "the About dialog did not open";
}

std::optional<SettingsProgram::Box> SettingsProgram::box(int id) {
    if (!open() || m_dialogs.find(m_window) == nullptr || m_dialogs.find(m_window)->control(id) == nullptr) {
        return std::nullopt;
    }
    return Box{m_dialogs.checkState(m_window, id) == platform::kBstChecked,
               m_dialogs.isItemEnabled(m_window, id)};
}

void SettingsProgram::finish() {
    if (m_window != 0) {
        m_dialogs.destroyDialog(m_window);
        m_window = 0;
    }
    m_client.reset();
}

} // namespace scenario
