// End-to-end test of Panelid.dll with the test graphics vendor libraries under Wine: the real
// library, loaded and bound by name as the controller does, reads the TV's EDID and switches
// the desktop through a vendor interface whose hardware is the firmware simulator's, served in
// this process over a pipe of its own (the machine-hive setting "FirmwarePipe" names it for
// the test libraries). What the library sent reaches the simulated interface, which records it
// and checks each record's version; the test reads that record.
// Wine reports Windows 6.0 to this program (the ctest fixture sets its version to Vista), so the
// display library cannot use the Windows display configuration and switches through the vendor
// interface, as on a notebook of that generation.
// Usage: sentrix_e2e_panelid_vendors --panelid=PATH/Panelid.dll --nvapi=PATH/nvapi64.dll
//        --atipdl=PATH/atipdl64.dll --igfx=PATH/igfxsim.dll --adl=PATH/atiadlxx.dll [gtest options]
// Win32 only.
#include "display/MonitorDevice.h"
#include "platform/NvidiaDisplayInterface.h"
#include "platform/win32/Win32SimulatorPipe.h"
#include "sim/SimAmdDisplayLibrary.h"
#include "sim/SimAmdSecondDisplay.h"
#include "sim/SimIntelDisplay.h"
#include "sim/SimNvidiaDisplay.h"
#include "tests/e2e/bridge/ControllerStandIn.h"
#include "tools/firmware-sim/SimulatedHardware.h"
#include "tools/firmware-sim/win32/Win32PipeServer.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

namespace nv = platform::nv;
namespace sim_pipe = platform::win32::simulator_pipe;

using GetPanelidFn = std::int32_t (*)(std::uint8_t*);
using GetMonitorDeviceFn = std::int32_t (*)();
using SetMonitorDeviceFn = std::int32_t (*)(std::uint32_t);

constexpr const wchar_t* kPipe = L"\\\\.\\pipe\\SentrixPanelidVendorTest";

std::wstring g_panelidPath;
std::wstring g_nvapiPath;
std::wstring g_atipdlPath;
std::wstring g_igfxPath;
std::wstring g_adlPath;

template <typename F> F bindEntry(HMODULE library, LPCSTR name) {
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

// The machine-hive setting that names the pipe, there for the test's lifetime.
class PipeSetting {
public:
    PipeSetting() {
        HKEY key = nullptr;
        if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, sim_pipe::kSettingKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                            &key, nullptr) == ERROR_SUCCESS) {
            const std::wstring name = kPipe;
            m_set = RegSetValueExW(key, sim_pipe::kSettingValue, 0, REG_SZ,
                                   reinterpret_cast<const BYTE*>(name.c_str()),
                                   static_cast<DWORD>((name.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
            RegCloseKey(key);
        }
    }
    ~PipeSetting() {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, sim_pipe::kSettingKey, 0, KEY_SET_VALUE, &key) ==
            ERROR_SUCCESS) {
            RegDeleteValueW(key, sim_pipe::kSettingValue);
            RegCloseKey(key);
        }
    }
    bool set() const { return m_set; }

private:
    bool m_set = false;
};

class PanelidVendorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(setting.set());
        std::string error;
        ASSERT_TRUE(server.start(error)) << error;
        hardware.driver().start();
        library = LoadLibraryW(g_panelidPath.c_str());
        ASSERT_NE(library, nullptr) << "error " << GetLastError();
        getPanelid = bindEntry<GetPanelidFn>(library, "GetPanelid");
        getMonitorDevice = bindEntry<GetMonitorDeviceFn>(library, "GetMonitorDevice");
        setMonitorDevice = bindEntry<SetMonitorDeviceFn>(library, "SetMonitorDevice");
        ASSERT_TRUE(getPanelid != nullptr && getMonitorDevice != nullptr && setMonitorDevice != nullptr);
    }
    void TearDown() override {
        if (library != nullptr) {
            FreeLibrary(library);
        }
        for (HMODULE loaded : vendors) {
            FreeLibrary(loaded);
        }
        server.stop();
        hardware.driver().stop();
    }

    // The test vendor library, loaded before the display library asks for it by name, so that
    // its load finds this one (the test libraries are not on the search path).
    void loadVendor(const std::wstring& path) {
        HMODULE vendor = LoadLibraryW(path.c_str());
        ASSERT_NE(vendor, nullptr) << "error " << GetLastError();
        vendors.push_back(vendor);
    }
    // The simulated notebook of Windows 6.0 with the graphics of `kind`, the TV on the HDMI
    // cable and detected at once.
    void notebookWithTv(sim::DisplayModel::MachineKind kind) {
        hardware.driver().withWorld([&] {
            sim::DisplayModel& display = hardware.peers().display();
            display.setMachineKind(kind, hardware.firmware());
            display.setDetectionDelay(0);
            hardware.peers().plugCable();
        });
    }
    void nvidiaNotebookWithTv() { notebookWithTv(sim::DisplayModel::MachineKind::NvidiaVista); }
    std::vector<platform::AtipdlConfigurationEx> amdConfigurations() {
        return hardware.driver().withWorld([&] {
            sim::SimAmdSecondDisplay* pdl = hardware.peers().display().amdSecondInterface();
            return pdl != nullptr ? pdl->configurations() : std::vector<platform::AtipdlConfigurationEx>{};
        });
    }
    sim::TvModel::Edid tvEdid() {
        return hardware.driver().withWorld([&] { return hardware.peers().tv().edid(); });
    }
    std::vector<sim::SimNvidiaDisplay::SetViewCall> views() {
        return hardware.driver().withWorld([&] {
            sim::SimNvidiaDisplay* nvidia = hardware.peers().display().nvidiaInterface();
            return nvidia != nullptr ? nvidia->setViewCalls()
                                     : std::vector<sim::SimNvidiaDisplay::SetViewCall>{};
        });
    }
    std::uint32_t arrangement() {
        return hardware.driver().withWorld([&] { return hardware.peers().display().arrangement(); });
    }

    PipeSetting setting;
    fwsim::SimulatedHardware hardware;
    fwsim::Win32PipeServer server{kPipe, hardware};
    std::vector<HMODULE> vendors;
    HMODULE library = nullptr;
    GetPanelidFn getPanelid = nullptr;
    GetMonitorDeviceFn getMonitorDevice = nullptr;
    SetMonitorDeviceFn setMonitorDevice = nullptr;
};

TEST_F(PanelidVendorTest, NvidiaTheEdidOfTheHdmiOutputIsReadThroughTheInterface) {
    loadVendor(g_nvapiPath);
    std::uint8_t edid[256] = {};
    EXPECT_EQ(getPanelid(edid), -1)
        << "no NVIDIA graphics on the simulated machine: the interface finds no device";

    nvidiaNotebookWithTv();
    std::memset(edid, 0, sizeof edid);
    EXPECT_EQ(getPanelid(edid), 0) << "connected, not in use";
    EXPECT_EQ(std::memcmp(edid, tvEdid().data(), sizeof edid), 0);
}

TEST_F(PanelidVendorTest, NvidiaSwitchesReachTheInterfaceWithTheViewRecords) {
    loadVendor(g_nvapiPath);
    nvidiaNotebookWithTv();
    EXPECT_EQ(getMonitorDevice(), static_cast<std::int32_t>(display::mdv::kLcd));

    EXPECT_EQ(setMonitorDevice(display::mdv::kHdmi), 0);
    EXPECT_EQ(arrangement(), display::mdv::kHdmi);
    std::vector<sim::SimNvidiaDisplay::SetViewCall> calls = views();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].masks, std::vector<std::uint32_t>{nv::output::kDigitalFirst});
    EXPECT_EQ(calls[0].mode, nv::view::kStandard);
    EXPECT_EQ(calls[0].result, nv::kOk) << "a record of the interface's version and size";
    EXPECT_EQ(getMonitorDevice(), static_cast<std::int32_t>(display::mdv::kHdmi));
    std::uint8_t edid[256] = {};
    EXPECT_EQ(getPanelid(edid), 1) << "the HDMI display is in use";

    // An extended desktop: the primary alone first, then both in dual view, primary flag on the first.
    EXPECT_EQ(setMonitorDevice(display::mdv::kLcdPrimaryHdmi), 0);
    EXPECT_EQ(arrangement(), display::mdv::kLcdPrimaryHdmi);
    calls = views();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[1].masks, std::vector<std::uint32_t>{nv::output::kPanel});
    EXPECT_EQ(calls[1].mode, nv::view::kStandard);
    EXPECT_EQ(calls[2].masks, (std::vector<std::uint32_t>{nv::output::kPanel, nv::output::kDigitalFirst}));
    EXPECT_EQ(calls[2].primary, (std::vector<bool>{true, false}));
    EXPECT_EQ(calls[2].mode, nv::view::kDualView);
    EXPECT_EQ(calls[2].result, nv::kOk);

    EXPECT_EQ(setMonitorDevice(display::mdv::kLcd), 0);
    EXPECT_EQ(arrangement(), display::mdv::kLcd);
    calls = views();
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[3].masks, std::vector<std::uint32_t>{nv::output::kPanel});
    EXPECT_EQ(getMonitorDevice(), static_cast<std::int32_t>(display::mdv::kLcd));
}

TEST_F(PanelidVendorTest, SecondAmdInterfaceReadsTheEdidAndSwitchesWithConfigurationRecords) {
    loadVendor(g_atipdlPath);
    notebookWithTv(sim::DisplayModel::MachineKind::AmdSecondVista);
    std::uint8_t edid[256] = {};
    EXPECT_EQ(getPanelid(edid), 0) << "connected, not in use";
    EXPECT_EQ(std::memcmp(edid, tvEdid().data(), sizeof edid), 0) << "both blocks";
    EXPECT_EQ(getMonitorDevice(), static_cast<std::int32_t>(display::mdv::kLcd));

    struct Switch {
        std::uint32_t target;
        std::uint32_t mode;
        std::uint32_t first;
        std::uint32_t second;
        std::uint32_t count;
    };
    // Display bits: the panel 0x1, the HDMI display 0x2. No driver file in the test machine:
    // not an old driver, so the extended mode is 5.
    const Switch switches[] = {
        {display::mdv::kHdmi, platform::atipdl::kModeSingle, 0x2, 0, 1},
        {display::mdv::kLcdPrimaryHdmi, platform::atipdl::kModeExtended, 0x1, 0x2, 2},
        {display::mdv::kLcdHdmiClone, platform::atipdl::kModeClone, 0x1, 0x2, 2},
        {display::mdv::kLcd, platform::atipdl::kModeSingle, 0x1, 0, 1},
    };
    for (const Switch& s : switches) {
        SCOPED_TRACE(s.target);
        const std::size_t before = amdConfigurations().size();
        EXPECT_EQ(setMonitorDevice(s.target), 0);
        EXPECT_EQ(arrangement(), s.target);
        EXPECT_EQ(getMonitorDevice(), static_cast<std::int32_t>(s.target));
        const auto sent = amdConfigurations();
        ASSERT_EQ(sent.size(), before + 1);
        const platform::AtipdlConfigurationEx& record = sent.back();
        EXPECT_EQ(record.size, sizeof(platform::AtipdlConfigurationEx));
        EXPECT_EQ(record.mode, s.mode);
        EXPECT_EQ(record.firstDisplay, s.first);
        EXPECT_EQ(record.secondDisplay, s.second);
        EXPECT_EQ(record.displayCount, s.count);
    }
}

// An AMD notebook with both interfaces: the first reads the EDID (the 288-byte record, block 0),
// the second switches; the first one's mapped bit follows the arrangement.
TEST_F(PanelidVendorTest, FirstAmdInterfaceReadsTheEdidWhileTheSecondSwitches) {
    loadVendor(g_adlPath);
    std::uint8_t edid[256] = {};
    EXPECT_EQ(getPanelid(edid), -3) << "no AMD graphics on the simulated machine: no context";

    loadVendor(g_atipdlPath);
    notebookWithTv(sim::DisplayModel::MachineKind::AmdVista);
    std::memset(edid, 0, sizeof edid);
    EXPECT_EQ(getPanelid(edid), 0) << "connected, not mapped";
    EXPECT_EQ(std::memcmp(edid, tvEdid().data(), sizeof edid), 0);
    const auto reads = [&] {
        return hardware.driver().withWorld([&] {
            sim::SimAmdDisplayLibrary* adl = hardware.peers().display().amdFirstInterface();
            return adl != nullptr ? adl->edidReads() : std::vector<platform::AdlDisplayEdidData>{};
        });
    };
    std::vector<platform::AdlDisplayEdidData> sent = reads();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].size, 288);
    EXPECT_EQ(sent[0].blockIndex, 0);
    EXPECT_EQ(sent[0].flag, 0);

    EXPECT_EQ(setMonitorDevice(display::mdv::kHdmi), 0);
    EXPECT_EQ(arrangement(), display::mdv::kHdmi);
    EXPECT_EQ(amdConfigurations().size(), 1u) << "switched through the second interface";
    std::memset(edid, 0, sizeof edid);
    EXPECT_EQ(getPanelid(edid), 1) << "mapped while the desktop uses it";
    EXPECT_EQ(std::memcmp(edid, tvEdid().data(), sizeof edid), 0);
    EXPECT_EQ(reads().size(), 2u);

    EXPECT_EQ(setMonitorDevice(display::mdv::kLcd), 0);
    EXPECT_EQ(arrangement(), display::mdv::kLcd);
    EXPECT_EQ(getPanelid(edid), 0);
}

// The test class of the Intel driver's object, registered under the driver's programmatic
// identifier for the test's lifetime (machine-wide classes, where COM looks under Wine).
class IntelClassRegistration {
public:
    explicit IntelClassRegistration(const std::wstring& server) {
        m_ok = setDefault(L"Software\\Classes\\IgfxExt.CUIExternal\\CLSID", kIgfxClassId) &&
               setDefault(std::wstring(L"Software\\Classes\\CLSID\\") + kIgfxClassId + L"\\InprocServer32",
                          server) &&
               setValue(std::wstring(L"Software\\Classes\\CLSID\\") + kIgfxClassId + L"\\InprocServer32",
                        L"ThreadingModel", L"Both");
    }
    ~IntelClassRegistration() {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Classes\\IgfxExt.CUIExternal");
        RegDeleteTreeW(HKEY_LOCAL_MACHINE,
                       (std::wstring(L"Software\\Classes\\CLSID\\") + kIgfxClassId).c_str());
    }
    bool ok() const { return m_ok; }

private:
    static constexpr const wchar_t* kIgfxClassId = L"{6C1E2A47-5D0B-4F3A-9E61-2B7D8C4F1A90}";

    static bool setValue(const std::wstring& path, const wchar_t* name, const std::wstring& value) {
        HKEY key = nullptr;
        if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                            nullptr) != ERROR_SUCCESS) {
            return false;
        }
        const bool set =
            RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                           static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
        RegCloseKey(key);
        return set;
    }
    static bool setDefault(const std::wstring& path, const std::wstring& value) {
        return setValue(path, nullptr, value);
    }

    bool m_ok = false;
};

// The Intel driver's object reads both EDID blocks of the HDMI device through the EDID
// interface, and a switch to HDMI and back sends one configuration record each, which the test
// library forwards as the display library laid it out.
TEST_F(PanelidVendorTest, IntelReadsTheEdidAndSwitchesWithConfigurationRecords) {
    IntelClassRegistration registration(g_igfxPath);
    ASSERT_TRUE(registration.ok());
    notebookWithTv(sim::DisplayModel::MachineKind::IntelVista);
    std::uint8_t edid[256] = {};
    EXPECT_EQ(getPanelid(edid), 0) << "connected, not in use";
    EXPECT_EQ(std::memcmp(edid, tvEdid().data(), sizeof edid), 0) << "both blocks";
    EXPECT_EQ(getMonitorDevice(), static_cast<std::int32_t>(display::mdv::kLcd));

    // The device identifiers of the simulated machine: its targets' identifiers.
    constexpr std::uint32_t kPanelId = 0x100;
    constexpr std::uint32_t kHdmiId = 0x200;
    const auto reads = hardware.driver().withWorld([&] {
        sim::SimIntelDisplay* igfx = hardware.peers().display().intelInterface();
        return igfx != nullptr ? igfx->edidReads() : std::vector<platform::IntelEdidRequest>{};
    });
    ASSERT_EQ(reads.size(), 2u);
    for (std::uint32_t block = 0; block < 2; ++block) {
        EXPECT_EQ(reads[block].deviceId, kHdmiId);
        EXPECT_EQ(reads[block].block, block);
        EXPECT_EQ(reads[block].reserved, 0u);
    }

    EXPECT_EQ(setMonitorDevice(display::mdv::kHdmi), 0);
    EXPECT_EQ(arrangement(), display::mdv::kHdmi);
    EXPECT_EQ(getMonitorDevice(), static_cast<std::int32_t>(display::mdv::kHdmi));
    EXPECT_EQ(getPanelid(edid), 1) << "the HDMI display is in use";
    EXPECT_EQ(setMonitorDevice(display::mdv::kLcd), 0);
    EXPECT_EQ(arrangement(), display::mdv::kLcd);

    const auto records = hardware.driver().withWorld([&] {
        sim::SimIntelDisplay* igfx = hardware.peers().display().intelInterface();
        return igfx != nullptr ? igfx->records() : std::vector<platform::IntelConfigRecord>{};
    });
    ASSERT_EQ(records.size(), 2u);
    const std::uint32_t devices[] = {kHdmiId, kPanelId};
    for (std::size_t i = 0; i < records.size(); ++i) {
        SCOPED_TRACE(i);
        std::uint8_t bytes[sizeof(platform::IntelConfigRecord)];
        std::memcpy(bytes, &records[i], sizeof bytes);
        const auto word = [&](std::size_t at) {
            std::uint32_t value = 0;
            std::memcpy(&value, bytes + at, sizeof value);
            return value;
        };
        EXPECT_EQ(word(0), 120u) << "size";
        const std::u16string display1 = platform::igfx::kDisplay1;
        std::u16string name(40, u'\0');
        std::memcpy(name.data(), bytes + 4, 80);
        EXPECT_EQ(name.substr(0, display1.size() + 1), display1 + u'\0') << "the name, terminated";
        EXPECT_EQ(name.find_first_not_of(u'\0', display1.size()), std::u16string::npos) << "zeros after it";
        EXPECT_EQ(word(84), platform::igfx::kModeSingle);
        EXPECT_EQ(word(88), 0u) << "no second device";
        EXPECT_EQ(word(92), 1u);
        EXPECT_EQ(word(96), devices[i]);
        for (std::size_t at = 100; at < sizeof bytes; at += 4) {
            EXPECT_EQ(word(at), 0u) << "byte " << at;
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const auto option = [](const char* arg, const char* name, std::wstring& value) {
        if (std::strncmp(arg, name, std::strlen(name)) == 0) {
            value = e2e::windowsPath(arg + std::strlen(name));
        }
    };
    for (int i = 1; i < argc; ++i) {
        option(argv[i], "--panelid=", g_panelidPath);
        option(argv[i], "--nvapi=", g_nvapiPath);
        option(argv[i], "--atipdl=", g_atipdlPath);
        option(argv[i], "--igfx=", g_igfxPath);
        option(argv[i], "--adl=", g_adlPath);
    }
    if (g_panelidPath.empty() || g_nvapiPath.empty() || g_atipdlPath.empty() || g_igfxPath.empty() ||
        g_adlPath.empty()) {
        std::fprintf(stderr,
                     "usage: %s --panelid=PATH --nvapi=PATH/nvapi64.dll --atipdl=PATH/atipdl64.dll "
                     "--igfx=PATH/igfxsim.dll --adl=PATH/atiadlxx.dll"
                     " [gtest options]\n",
                     argv[0]);
        return 2;
    }
    return RUN_ALL_TESTS();
}
