// A simulated notebook for the display library's tests: an internal panel, an HDMI TV, a DVI
// and a DisplayPort monitor and two analog outputs on one adapter behind the Windows display
// configuration, the firmware with its HDMI status, the device classes, the registry and the
// display modes.
#pragma once

#include "display/Panelid.h"
#include "sim/SimDeviceSetupClasses.h"
#include "sim/SimDisplayConfig.h"
#include "sim/SimDisplaySettings.h"
#include "sim/SimFirmware.h"
#include "sim/SimOsVersion.h"
#include "sim/SimRegistry.h"
#include "sim/VirtualClock.h"

#include <gtest/gtest.h>

namespace displaytest {

namespace tech = platform::dc::tech;

// A vendor back-end whose answers the test sets, recording what it was asked.
class FakeVendor final : public display::VendorBackend {
public:
    bool isPresent = false;
    std::int32_t edidResult = 1;
    std::uint32_t value = 0x1;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> switches;
    int edidReads = 0;
    std::uint32_t lastHdmiStatus = 0;

    bool present() override { return isPresent; }
    std::int32_t readEdid(std::uint8_t* edid256, std::uint32_t hdmiStatus) override {
        ++edidReads;
        lastHdmiStatus = hdmiStatus;
        edid256[0] = 0x00;
        edid256[1] = 0xFF;
        return edidResult;
    }
    std::uint32_t currentValue() override { return value; }
    void switchTo(std::uint32_t target, std::uint32_t current) override {
        switches.emplace_back(target, current);
    }
};

class PanelidTest : public ::testing::Test {
protected:
    PanelidTest() : firmware(clock) {
        lcd = config.addTarget(0, 0x100, tech::kInternal);
        hdmi = config.addTarget(0, 0x200, tech::kHdmi);
        dvi = config.addTarget(0, 0x300, tech::kDvi, false);
        dp = config.addTarget(0, 0x400, tech::kDisplayPortExternal, false);
        crtA = config.addTarget(0, 0x500, tech::kHd15, false);
        crtB = config.addTarget(0, 0x501, tech::kHd15, false);
        config.arrange({{lcd, 0}});
        firmware.setHdmiConnected(true);
    }

    display::Panelid library() {
        return display::Panelid(
            display::PanelidPorts{devices, os, config, settings, registry, clock, firmware},
            display::VendorBackends{&intel, &nvidia, &amdFirst, &amdSecond});
    }
    std::uint32_t current() { return static_cast<std::uint32_t>(library().getMonitorDevice()); }
    std::int32_t set(std::uint32_t value) { return library().setMonitorDevice(value); }

    sim::VirtualClock clock;
    sim::SimDisplayConfig config;
    sim::SimDisplaySettings settings;
    sim::SimRegistry registry;
    sim::SimDeviceSetupClasses devices;
    sim::SimOsVersion os;
    sim::SimFirmware firmware;
    FakeVendor intel;
    FakeVendor nvidia;
    FakeVendor amdFirst;
    FakeVendor amdSecond;
    std::size_t lcd = 0, hdmi = 0, dvi = 0, dp = 0, crtA = 0, crtB = 0;
};

} // namespace displaytest
