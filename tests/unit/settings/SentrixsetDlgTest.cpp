// The settings program's dialogs over a simulated world: what the boxes show at start for the
// firmware's and the store's answers, the dependency rule, what OK writes and posts, Cancel,
// About's version text and the banner's geometry.
#include "settings/SentrixsetDlg.h"
#include "settings/AboutDlg.h"
#include "settings/SentrixsetResource.h"
#include "sim/SimWorld.h"
#include "tests/support/TraceCapture.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

using settings::CSentrixsetDlg;
namespace regtype = platform::regtype;

constexpr const wchar_t* kKey = L"SOFTWARE\\KORVATH\\Sentrixd";

// The dialog on the screen as the logic drives it: check and enabled state per box.
class ScreenDialog final : public settings::SentrixsetView {
public:
    std::map<int, bool> checked;
    std::map<int, bool> enabled;
    std::map<int, std::wstring> texts;
    std::wstring caption;
    std::vector<std::wstring> menuItems;
    std::wstring aboutString = L"&About Sentrix Suite...";
    int result = 0;
    int aboutShown = 0;

    std::wstring loadString(int id) override {
        return id == IDS_ABOUTBOX ? aboutString : L"s" + std::to_wstring(id);
    }
    void setCaption(const std::wstring& text) override { caption = text; }
    void setItemText(int id, const std::wstring& text) override { texts[id] = text; }
    bool isChecked(int id) override { return checked[id]; }
    void setChecked(int id, bool value) override { checked[id] = value; }
    void enableItem(int id, bool value) override { enabled[id] = value; }
    void appendSystemMenuItem(int, const std::wstring& text) override { menuItems.push_back(text); }
    void setIcons() override {}
    void showAboutDialog() override { ++aboutShown; }
    void endDialog(int r) override { result = r; }

    bool isEnabled(int id) { return !enabled.count(id) || enabled[id]; }
    // A click toggles an enabled box; the dialog then hears of it.
    void click(CSentrixsetDlg& dlg, int id) {
        ASSERT_TRUE(isEnabled(id)) << id;
        checked[id] = !checked[id];
        dlg.OnBnClicked(id);
    }
};

// A controller window that counts SENTRIXSET_CHANGED.
class ControllerWindow final : public platform::WindowClient {
public:
    platform::MessageId changed = 0;
    int received = 0;
    platform::LResult windowProc(platform::WindowHandle, platform::MessageId message, platform::WParam wParam,
                                 platform::LParam lParam) override {
        if (message == changed && wParam == 0 && lParam == 0) {
            ++received;
        }
        return 0;
    }
};

class SentrixsetDlgTest : public ::testing::Test {
protected:
    sim::SimWorld world;
    testing_support::TraceCapture trace{world.registry(), world.clock(), world.files(), world.threads()};
    sim::SimWorld::Program& program = world.startProgram(0x50);
    ScreenDialog view;
    settings::SentrixsetPorts ports{world.registry(), program.windowing, world.clock(), world.firmware()};

    void SetUp() override {
        world.firmware().setSetting(fw::kSettingHdmiControl, 1);
        world.firmware().setSetting(fw::kSettingPowerByTv, 1);
        setBinary(L"CECCOperationMode", {0x1F});
        setDword(L"NotifyNotShowCecKorvath", 0);
        setDword(L"NotifyNotShowNotSupport", 0);
        setDword(L"LauncherShowMode", 1);
    }

    void setDword(const wchar_t* name, std::uint32_t v) {
        const std::uint8_t b[4] = {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16),
                                   std::uint8_t(v >> 24)};
        set(name, regtype::kDword, std::vector<std::uint8_t>(b, b + 4));
    }
    void setBinary(const wchar_t* name, std::vector<std::uint8_t> bytes) {
        set(name, regtype::kBinary, bytes);
    }
    void set(const wchar_t* name, std::uint32_t type, const std::vector<std::uint8_t>& bytes,
             bool machine = false) {
        platform::RegKey key = 0;
        ASSERT_EQ(
            world.registry().createKey(machine ? platform::kHkeyLocalMachine : platform::kHkeyCurrentUser,
                                       kKey, platform::RegAccess::All, key, nullptr),
            0u);
        world.registry().setValue(key, name, type, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
        world.registry().closeKey(key);
    }
    std::vector<std::uint8_t> value(const wchar_t* name, std::uint32_t* typeOut = nullptr) {
        platform::RegKey key = 0;
        if (world.registry().openKey(platform::kHkeyCurrentUser, kKey, platform::RegAccess::Read, key) != 0) {
            return {};
        }
        std::uint8_t data[64] = {};
        std::uint32_t size = sizeof data;
        std::uint32_t type = 0;
        const auto rc = world.registry().queryValue(key, name, &type, data, &size);
        world.registry().closeKey(key);
        if (typeOut) {
            *typeOut = type;
        }
        return rc == 0 ? std::vector<std::uint8_t>(data, data + size) : std::vector<std::uint8_t>{};
    }
    std::uint32_t dword(const wchar_t* name) {
        const auto v = value(name);
        return v.size() == 4 ? v[0] | v[1] << 8 | v[2] << 16 | std::uint32_t(v[3]) << 24 : 0xDEADu;
    }
    // The firmware requests since `from`: function code and setting (and value for writes).
    std::vector<std::vector<std::uint32_t>> firmwareCalls(std::size_t from = 0) {
        std::vector<std::vector<std::uint32_t>> out;
        const auto& calls = world.firmware().calls();
        for (std::size_t i = from; i < calls.size(); ++i) {
            const FirmwareRecord& r = calls[i].request;
            if (r.w0 == fw::kWriteSetting) {
                out.push_back({r.w0, r.w1, r.w2});
            } else if (r.w0 == fw::kReadSetting) {
                out.push_back({r.w0, r.w1});
            } else {
                out.push_back({r.w0});
            }
        }
        return out;
    }
    std::size_t writes(std::size_t from) {
        std::size_t n = 0;
        for (const auto& c : firmwareCalls(from)) {
            n += c[0] == fw::kWriteSetting;
        }
        return n;
    }
    ControllerWindow controller;
    sim::SimWorld::Program* controllerProgram = nullptr;
    void startController() {
        controllerProgram = &world.startProgram(0x60);
        controller.changed = controllerProgram->windowing.registerMessage(L"SENTRIXSET_CHANGED");
        ASSERT_NE(controllerProgram->windowing.createDialogWindow(L"KorSentrixSuiteMain", controller), 0u);
    }
    int controllerReceived() {
        world.runFor(*controllerProgram, 0);
        return controller.received;
    }
};

TEST_F(SentrixsetDlgTest, StartShowsTheSettingsAndReadsEachFirmwareSettingInItsOwnSession) {
    CSentrixsetDlg dlg(ports, view);
    ASSERT_TRUE(dlg.OnInitDialog());
    const std::vector<std::vector<std::uint32_t>> expected = {
        {fw::kOpenSession}, {fw::kReadSetting, 0x154}, {fw::kCloseSession},
        {fw::kOpenSession}, {fw::kReadSetting, 0x155}, {fw::kCloseSession}};
    EXPECT_EQ(firmwareCalls(), expected);
    for (int id : {IDC_HDMI_CONTROL, IDC_POWER_ON_OFF, IDC_POWER_OFF, IDC_NOTIFY, IDC_LAUNCHER}) {
        EXPECT_TRUE(view.checked[id]) << id;
        EXPECT_TRUE(view.isEnabled(id)) << id;
    }
    EXPECT_EQ(view.caption, L"s102");
    EXPECT_EQ(view.texts[IDC_POWER_OFF], L"s105");
    EXPECT_EQ(view.texts[IDC_LAUNCHER], L"s108");
    EXPECT_EQ(view.menuItems, std::vector<std::wstring>{L"&About Sentrix Suite..."});
    EXPECT_TRUE(trace.contains(".\\SentrixsetDlg.cpp (132) : Enter CSentrixsetDlg::OnInitDialog"));
}

TEST_F(SentrixsetDlgTest, AnEmptyAboutStringAddsNoMenuItem) {
    view.aboutString.clear();
    CSentrixsetDlg dlg(ports, view);
    dlg.OnInitDialog();
    EXPECT_TRUE(view.menuItems.empty());
}

// Firmware answers for setting 0x154: status, W2 -> box checked, box enabled.
struct FirmwareAnswer {
    std::uint32_t status;
    std::uint32_t w2;
    bool checked;
    bool enabled;
};

class SettingsFirmwareAnswerTest : public SentrixsetDlgTest,
                                   public ::testing::WithParamInterface<FirmwareAnswer> {};

TEST_P(SettingsFirmwareAnswerTest, TheHdmiControlBoxFollowsTheReply) {
    const FirmwareAnswer a = GetParam();
    world.firmware().setSetting(fw::kSettingHdmiControl, a.w2);
    if (a.status != 0) {
        world.firmware().injectStatus(fw::kReadSetting, a.status);
    }
    CSentrixsetDlg dlg(ports, view);
    dlg.OnInitDialog();
    EXPECT_EQ(view.checked[IDC_HDMI_CONTROL], a.checked);
    EXPECT_EQ(view.isEnabled(IDC_HDMI_CONTROL), a.enabled);
    // Boxes 1010 and 1011 depend on 1007.
    EXPECT_EQ(view.isEnabled(IDC_POWER_ON_OFF), a.checked);
    EXPECT_EQ(view.isEnabled(IDC_POWER_OFF), a.checked);

    // Unchanged boxes write nothing on OK, whatever the reply was.
    const std::size_t before = world.firmware().calls().size();
    dlg.OnOK();
    EXPECT_EQ(writes(before), 0u);
}

INSTANTIATE_TEST_SUITE_P(Replies, SettingsFirmwareAnswerTest,
                         ::testing::Values(FirmwareAnswer{0, 1, true, true},
                                           FirmwareAnswer{0, 0, false, true},
                                           FirmwareAnswer{0, 0x80, true, true}, // any nonzero W2 is on
                                           FirmwareAnswer{0, 0xFFFFFFFF, true, true},
                                           FirmwareAnswer{0x8000, 1, false, false}, // bit 15: failed, off
                                           FirmwareAnswer{0x8020, 1, false, false}));

TEST_F(SentrixsetDlgTest, AFailedReadOf0x155KeepsItsBoxDisabledThoughHdmiControlIsOn) {
    world.firmware().injectStatus(fw::kReadSetting, 0, 1); // 0x154 answers normally
    world.firmware().injectStatus(fw::kReadSetting, 0x8000, 1);
    CSentrixsetDlg dlg(ports, view);
    dlg.OnInitDialog();
    EXPECT_FALSE(view.checked[IDC_POWER_ON_OFF]);
    EXPECT_FALSE(view.isEnabled(IDC_POWER_ON_OFF));
    view.click(dlg, IDC_HDMI_CONTROL);
    view.click(dlg, IDC_HDMI_CONTROL);
    EXPECT_FALSE(view.isEnabled(IDC_POWER_ON_OFF));
}

TEST_F(SentrixsetDlgTest, WithoutTheDeviceTheFirmwareBoxesAreDisabledAndTheStoreBoxesShowTheStore) {
    world.firmware().setDevicePresent(false);
    setDword(L"NotifyNotShowCecKorvath", 1);
    CSentrixsetDlg dlg(ports, view);
    dlg.OnInitDialog();
    for (int id : {IDC_HDMI_CONTROL, IDC_POWER_ON_OFF, IDC_POWER_OFF}) {
        EXPECT_FALSE(view.isEnabled(id)) << id;
        EXPECT_FALSE(view.checked[id]) << id;
    }
    EXPECT_FALSE(view.checked[IDC_NOTIFY]);
    EXPECT_TRUE(view.checked[IDC_LAUNCHER]);
    EXPECT_TRUE(trace.contains(
        ".\\SentrixsetDlg.cpp (172) : ERROR!! in CSentrixsetDlg::OnInitDialog ERROR HardIO::initialize()"));

    // OK without changes keeps the stored notices and posts nothing.
    startController();
    setDword(L"NotifyNotShowCecKorvath", 0);
    setDword(L"NotifyNotShowNotSupport", 0);
    view.checked[IDC_NOTIFY] = true;
    dlg.OnOK();
    EXPECT_EQ(dword(L"NotifyNotShowCecKorvath"), 0u);
    EXPECT_EQ(dword(L"LauncherShowMode"), 1u);
    EXPECT_EQ(controllerReceived(), 0);
    EXPECT_TRUE(world.firmware().calls().empty());
}

TEST_F(SentrixsetDlgTest, WithoutTheDeviceOkLeavesTheStoredNoticesOn) {
    world.firmware().setDevicePresent(false);
    CSentrixsetDlg dlg(ports, view);
    dlg.OnInitDialog();
    dlg.OnOK();
    EXPECT_EQ(dword(L"NotifyNotShowCecKorvath"), 0u);
    EXPECT_EQ(dword(L"NotifyNotShowNotSupport"), 0u);
}

TEST_F(SentrixsetDlgTest, TheDependencyRuleFollowsClicksWithoutChangingCheckStates) {
    CSentrixsetDlg dlg(ports, view);
    dlg.OnInitDialog();
    view.click(dlg, IDC_HDMI_CONTROL);
    EXPECT_FALSE(view.isEnabled(IDC_POWER_ON_OFF));
    EXPECT_FALSE(view.isEnabled(IDC_POWER_OFF));
    EXPECT_TRUE(view.checked[IDC_POWER_ON_OFF]);
    EXPECT_TRUE(view.checked[IDC_POWER_OFF]);

    view.click(dlg, IDC_HDMI_CONTROL);
    view.click(dlg, IDC_POWER_ON_OFF);
    EXPECT_TRUE(view.isEnabled(IDC_POWER_ON_OFF));
    EXPECT_FALSE(view.isEnabled(IDC_POWER_OFF));

    // Only 1007 changed: only 0x154 is written, in its own session, and the controller hears.
    view.click(dlg, IDC_POWER_ON_OFF);
    view.click(dlg, IDC_HDMI_CONTROL);
    startController();
    const std::size_t before = world.firmware().calls().size();
    const std::uint64_t t0 = world.clock().now();
    dlg.OnOK();
    const std::vector<std::vector<std::uint32_t>> expected = {
        {fw::kOpenSession}, {fw::kWriteSetting, 0x154, 0}, {fw::kCloseSession}};
    EXPECT_EQ(firmwareCalls(before), expected);
    EXPECT_EQ(world.firmware().setting(fw::kSettingHdmiControl), 0u);
    EXPECT_EQ(world.firmware().setting(fw::kSettingPowerByTv), 1u);
    EXPECT_EQ(value(L"CECCOperationMode"), std::vector<std::uint8_t>{0x1F});
    EXPECT_EQ(world.clock().now() - t0, 1000u);
    EXPECT_EQ(controllerReceived(), 1);
    EXPECT_EQ(view.result, 1);
}

TEST_F(SentrixsetDlgTest, OkWithoutChangesPostsNothingAndWritesNoFirmwareSetting) {
    startController();
    CSentrixsetDlg dlg(ports, view);
    dlg.OnInitDialog();
    const std::size_t before = world.firmware().calls().size();
    const std::uint64_t t0 = world.clock().now();
    dlg.OnOK();
    EXPECT_TRUE(firmwareCalls(before).empty());
    EXPECT_EQ(world.clock().now(), t0);
    EXPECT_EQ(controllerReceived(), 0);
    EXPECT_EQ(dword(L"NotifyNotShowCecKorvath"), 0u); // written again as 0
}

TEST_F(SentrixsetDlgTest, ThePowerOffBitIsFlippedInTheByteAsReadAndOtherBitsAreKept) {
    setBinary(L"CECCOperationMode", {0x35});
    CSentrixsetDlg dlg(ports, view);
    dlg.OnInitDialog();
    ASSERT_TRUE(view.checked[IDC_POWER_OFF]);
    view.click(dlg, IDC_POWER_OFF);
    dlg.OnOK();
    std::uint32_t type = 0;
    EXPECT_EQ(value(L"CECCOperationMode", &type), std::vector<std::uint8_t>{0x25});
    EXPECT_EQ(type, regtype::kBinary);
}

// "CECCOperationMode" that cannot be the mode: the box is off and checking it writes 0x1F.
struct BadMode {
    std::uint32_t type;
    std::vector<std::uint8_t> bytes;
};

class SettingsOperationModeTest : public SentrixsetDlgTest, public ::testing::WithParamInterface<BadMode> {};

TEST_P(SettingsOperationModeTest, CountsAsUnreadAndKeepsTheInitialByte) {
    set(L"CECCOperationMode", GetParam().type, GetParam().bytes);
    CSentrixsetDlg dlg(ports, view);
    dlg.OnInitDialog();
    EXPECT_FALSE(view.checked[IDC_POWER_OFF]);
    view.click(dlg, IDC_POWER_OFF);
    dlg.OnOK();
    EXPECT_EQ(value(L"CECCOperationMode"), std::vector<std::uint8_t>{0x1F});
}

INSTANTIATE_TEST_SUITE_P(Values, SettingsOperationModeTest,
                         ::testing::Values(BadMode{regtype::kDword, {0x10, 0, 0, 0}},
                                           BadMode{regtype::kBinary, {0x10, 0x10}},
                                           BadMode{regtype::kBinary, {}}, BadMode{regtype::kSz, {0x10, 0}}));

TEST_F(SentrixsetDlgTest, ChangingTheMenuBoxWritesADwordAndPostsEvenWithoutController) {
    CSentrixsetDlg dlg(ports, view);
    dlg.OnInitDialog();
    view.click(dlg, IDC_LAUNCHER);
    const std::uint64_t t0 = world.clock().now();
    dlg.OnOK();
    EXPECT_EQ(dword(L"LauncherShowMode"), 0u);
    EXPECT_EQ(world.clock().now(), t0); // no controller: no wait
    EXPECT_TRUE(trace.contains("Sentrixd is not running"));
}

// The notice box on OK: box state, stored values before -> stored values after; whether OK posts.
struct NoticeCase {
    bool startCec, startNotSupport; // stored at start
    bool click;                     // the user clicks box 1009
    std::uint32_t cec, notSupport;  // stored just before OK
    std::uint32_t afterCec, afterNotSupport;
};

class SettingsNoticeTest : public SentrixsetDlgTest, public ::testing::WithParamInterface<NoticeCase> {};

TEST_P(SettingsNoticeTest, OkWritesTheNoticeValuesAndPostsNothingForThem) {
    const NoticeCase c = GetParam();
    setDword(L"NotifyNotShowCecKorvath", c.startCec);
    setDword(L"NotifyNotShowNotSupport", c.startNotSupport);
    startController();
    CSentrixsetDlg dlg(ports, view);
    dlg.OnInitDialog();
    if (c.click) {
        view.click(dlg, IDC_NOTIFY);
    }
    setDword(L"NotifyNotShowCecKorvath", c.cec);
    setDword(L"NotifyNotShowNotSupport", c.notSupport);
    dlg.OnOK();
    EXPECT_EQ(dword(L"NotifyNotShowCecKorvath"), c.afterCec);
    EXPECT_EQ(dword(L"NotifyNotShowNotSupport"), c.afterNotSupport);
    EXPECT_EQ(controllerReceived(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SettingsNoticeTest,
    ::testing::Values(NoticeCase{false, false, true, 0, 0, 1, 1},    // switched off: both 1
                      NoticeCase{false, false, true, 0, 7, 0, 7},    // off, one already nonzero: unchanged
                      NoticeCase{true, false, true, 1, 0, 0, 0},     // switched on: both 0
                      NoticeCase{true, true, false, 2, 3, 2, 3},     // stays off: unchanged
                      NoticeCase{false, false, false, 5, 0, 0, 0})); // stays on: both 0 again

TEST_F(SentrixsetDlgTest, NoticeValuesOfTheWrongTypeCountAsZero) {
    set(L"NotifyNotShowCecKorvath", regtype::kBinary, {1, 0, 0, 0});
    set(L"NotifyNotShowNotSupport", regtype::kDword, {1, 0});
    set(L"LauncherShowMode", regtype::kSz, {'1', 0});
    CSentrixsetDlg dlg(ports, view);
    dlg.OnInitDialog();
    EXPECT_TRUE(view.checked[IDC_NOTIFY]);
    EXPECT_FALSE(view.checked[IDC_LAUNCHER]);
}

TEST_F(SentrixsetDlgTest, CancelWritesNothingAndTheAboutCommandOpensAbout) {
    startController();
    CSentrixsetDlg dlg(ports, view);
    dlg.OnInitDialog();
    view.click(dlg, IDC_HDMI_CONTROL);
    view.click(dlg, IDC_NOTIFY);
    EXPECT_TRUE(dlg.OnSysCommand(IDM_ABOUTBOX));
    EXPECT_FALSE(dlg.OnSysCommand(0xF060)); // SC_CLOSE: the standard handling
    EXPECT_EQ(view.aboutShown, 1);
    const std::size_t before = world.firmware().calls().size();
    dlg.OnCancel();
    EXPECT_EQ(view.result, 2);
    EXPECT_EQ(world.firmware().calls().size(), before);
    EXPECT_EQ(dword(L"NotifyNotShowCecKorvath"), 0u);
    EXPECT_EQ(controllerReceived(), 0);
}

// "CurrentVersion" in the machine hive: type and bytes -> text shown.
struct VersionCase {
    std::uint32_t type;
    std::vector<std::uint8_t> bytes;
    std::wstring shown;
};

std::vector<std::uint8_t> utf16(const std::wstring& s, std::size_t padTo = 0, bool terminate = true) {
    std::vector<std::uint8_t> out;
    for (wchar_t c : s) {
        out.push_back(static_cast<std::uint8_t>(c));
        out.push_back(0);
    }
    while (out.size() < padTo) {
        out.push_back('x');
        out.push_back(0);
    }
    if (terminate) {
        out.push_back(0);
        out.push_back(0);
    }
    return out;
}

class SettingsAboutVersionTest : public SentrixsetDlgTest,
                                 public ::testing::WithParamInterface<VersionCase> {};

TEST_P(SettingsAboutVersionTest, ShowsTheVersionText) {
    set(L"CurrentVersion", GetParam().type, GetParam().bytes, true);
    settings::CAboutDlg about(world.registry(), view);
    about.OnInitDialog();
    EXPECT_EQ(view.texts[IDC_VERSION], GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Values, SettingsAboutVersionTest,
    ::testing::Values(VersionCase{regtype::kSz, utf16(L"1.2.3"), L"1.2.3"},
                      VersionCase{regtype::kExpandSz, utf16(L"2.0"), L"2.0"},
                      // 128 bytes without a terminator: all 64 characters, nothing past them
                      VersionCase{regtype::kSz, utf16(L"", 128, false), std::wstring(64, L'x')},
                      VersionCase{regtype::kSz, utf16(L"", 128), L""}, // 130 bytes: too long
                      VersionCase{regtype::kDword, {1, 0, 0, 0}, L""},
                      VersionCase{regtype::kBinary, utf16(L"1.0"), L""}));

TEST_F(SentrixsetDlgTest, AMissingVersionIsEmpty) {
    settings::CAboutDlg about(world.registry(), view);
    about.OnInitDialog();
    EXPECT_EQ(view.texts.at(IDC_VERSION), L"");
}

// Client width, tile width, end width -> tile positions, end position.
struct BannerCase {
    int client, tile, end;
    std::vector<int> tiles;
    int endX;
};

class SettingsBannerTest : public ::testing::TestWithParam<BannerCase> {};

TEST_P(SettingsBannerTest, TilesRunLeftOfTheEndPiece) {
    const BannerCase c = GetParam();
    const settings::BannerLayout layout = CSentrixsetDlg::bannerLayout(c.client, c.tile, c.end);
    EXPECT_EQ(layout.tileX, c.tiles);
    EXPECT_EQ(layout.endX, c.endX);
}

INSTANTIATE_TEST_SUITE_P(Widths, SettingsBannerTest,
                         ::testing::Values(BannerCase{100, 30, 40, {0, 30}, 60}, // 60 is not left of 60
                                           BannerCase{101, 30, 40, {0, 30, 60}, 61},
                                           BannerCase{40, 30, 40, {}, 0}, BannerCase{20, 30, 40, {}, -20},
                                           BannerCase{100, 0, 40, {}, 60}));

} // namespace
