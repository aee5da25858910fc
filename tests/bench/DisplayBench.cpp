// The display library's operations in the simulated world, on the machine with the Windows
// display configuration only (the only back-end built so far): reading the arrangement,
// switching between two arrangements, and GetPanelid, which finds no vendor interface.
#include "display/Panelid.h"
#include "sim/SimDeviceSetupClasses.h"
#include "sim/SimDisplayConfig.h"
#include "sim/SimDisplaySettings.h"
#include "sim/SimFirmware.h"
#include "sim/SimOsVersion.h"
#include "sim/SimRegistry.h"
#include "sim/VirtualClock.h"

#include <benchmark/benchmark.h>

namespace {

struct Notebook {
    Notebook() : firmware(clock) {
        panel = config.addTarget(0, 0x100, platform::dc::tech::kInternal);
        tv = config.addTarget(0, 0x200, platform::dc::tech::kHdmi);
        config.setDriverModel(0, 1105);
        config.arrange({{panel, 0}, {tv, 1}});
        firmware.setHdmiConnected(true);
    }
    display::Panelid library() {
        return display::Panelid(display::PanelidPorts{devices, os, config, settings, registry, clock, firmware},
                                display::VendorBackends{});
    }
    sim::VirtualClock clock;
    sim::SimDisplayConfig config;
    sim::SimDisplaySettings settings;
    sim::SimRegistry registry;
    sim::SimDeviceSetupClasses devices;
    sim::SimOsVersion os;
    sim::SimFirmware firmware;
    std::size_t panel = 0;
    std::size_t tv = 0;
};

void BM_GetMonitorDeviceDisplayConfig(benchmark::State& state) {
    Notebook notebook;
    for (auto _ : state) {
        benchmark::DoNotOptimize(notebook.library().getMonitorDevice());
    }
}
BENCHMARK(BM_GetMonitorDeviceDisplayConfig);

void BM_SetMonitorDeviceDisplayConfig(benchmark::State& state) {
    Notebook notebook;
    std::uint32_t target = 0x4000000;
    for (auto _ : state) {
        benchmark::DoNotOptimize(notebook.library().setMonitorDevice(target));
        target = target == 0x4000000 ? 0x2000000 : 0x4000000;
    }
}
BENCHMARK(BM_SetMonitorDeviceDisplayConfig);

void BM_GetPanelidWithoutVendor(benchmark::State& state) {
    Notebook notebook;
    std::uint8_t edid[display::kEdidBufferSize] = {};
    for (auto _ : state) {
        benchmark::DoNotOptimize(notebook.library().getPanelid(edid));
    }
}
BENCHMARK(BM_GetPanelidWithoutVendor);

} // namespace
