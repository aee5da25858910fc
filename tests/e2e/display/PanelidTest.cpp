// End-to-end test of Panelid.dll under Wine: the real library loaded with LoadLibraryW and bound
// by name as the controller binds it, answering from Wine's display configuration (one desktop
// on one display, which Wine reports as the internal panel or as another single display), with
// no graphics vendor interface installed.
// Usage: sentrix_e2e_panelid --panelid=PATH/Panelid.dll [gtest options]
// Win32 only.
#include "display/MonitorDevice.h"
#include "tests/e2e/bridge/ControllerStandIn.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

namespace {

using GetPanelidFn = std::int32_t (*)(std::uint8_t*);
using GetMonitorDeviceFn = std::int32_t (*)();
using SetMonitorDeviceFn = std::int32_t (*)(std::uint32_t);

std::wstring g_panelidPath;

template <typename F> F bindEntry(HMODULE library, LPCSTR name) {
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

class PanelidE2eTest : public ::testing::Test {
protected:
    void SetUp() override {
        library = LoadLibraryW(g_panelidPath.c_str());
        ASSERT_NE(library, nullptr) << "error " << GetLastError();
        getPanelid = bindEntry<GetPanelidFn>(library, "GetPanelid");
        getMonitorDevice = bindEntry<GetMonitorDeviceFn>(library, "GetMonitorDevice");
        setMonitorDevice = bindEntry<SetMonitorDeviceFn>(library, "SetMonitorDevice");
        ASSERT_NE(getPanelid, nullptr);
        ASSERT_NE(getMonitorDevice, nullptr);
        ASSERT_NE(setMonitorDevice, nullptr);
    }
    void TearDown() override {
        if (library != nullptr) {
            FreeLibrary(library);
        }
    }

    HMODULE library = nullptr;
    GetPanelidFn getPanelid = nullptr;
    GetMonitorDeviceFn getMonitorDevice = nullptr;
    SetMonitorDeviceFn setMonitorDevice = nullptr;
};

bool isSingleValue(std::uint32_t value) {
    return value == display::mdv::kLcd || value == display::mdv::kCrt || value == display::mdv::kDvi ||
           value == display::mdv::kHdmi || value == display::mdv::kTv;
}

TEST_F(PanelidE2eTest, TheArrangementIsReadThroughTheWindowsDisplayConfiguration) {
    const auto value = static_cast<std::uint32_t>(getMonitorDevice());
    EXPECT_TRUE(isSingleValue(value)) << std::hex << value;
    EXPECT_EQ(value & display::mdv::kInternalBits, 0u);
}

TEST_F(PanelidE2eTest, WithoutAVendorInterfaceTheEdidCannotBeReadAndNothingIsWritten) {
    std::uint8_t edid[260];
    std::memset(edid, 0xA5, sizeof(edid));
    EXPECT_EQ(getPanelid(edid), -1);
    for (std::uint8_t byte : edid) {
        ASSERT_EQ(byte, 0xA5);
    }
    EXPECT_EQ(getPanelid(nullptr), -1);
}

TEST_F(PanelidE2eTest, ASwitchIsHandledAndWhatCannotBeShownLeavesTheDesktopAsItIs) {
    const std::int32_t before = getMonitorDevice();
    // Wine's desktop has one display: the pairs name a display that is not there, and the
    // swap request has no extended arrangement to swap.
    for (std::uint32_t target : {0x2000000u, 0x80u, 0x80000000u, 0x3u}) {
        EXPECT_EQ(setMonitorDevice(target), 0) << std::hex << target;
        EXPECT_EQ(getMonitorDevice(), before) << std::hex << target;
    }
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    constexpr const char* kPathOption = "--panelid=";
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], kPathOption, std::strlen(kPathOption)) == 0) {
            g_panelidPath = e2e::windowsPath(argv[i] + std::strlen(kPathOption));
        }
    }
    if (g_panelidPath.empty()) {
        std::fprintf(stderr, "usage: %s --panelid=PATH/Panelid.dll [gtest options]\n", argv[0]);
        return 2;
    }
    return RUN_ALL_TESTS();
}
