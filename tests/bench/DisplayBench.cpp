// The display library's three operations in the simulated world, once per back-end: the
// notebook with the Windows display configuration only, with each graphics vendor on Windows 10
// (the display configuration switches, the vendor interface reads the EDID), and with the
// vendors whose own interface also reads and switches the arrangement on Vista. The waits the
// library makes (between the NVIDIA retries, the settings store's SleepTime) pass in virtual time
// and so are not part of the figures.
#include "display/Panelid.h"
#include "sim/DisplayMachine.h"
#include "sim/SimFirmware.h"
#include "sim/TvModel.h"
#include "sim/VirtualClock.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace {

using Graphics = sim::DisplayMachine::Graphics;

// A notebook with its HDMI TV connected, on the given graphics and Windows version.
struct Notebook {
    Notebook(Graphics graphics, bool vista) : machine(clock, firmware, graphics, vista) {
        firmware.setHdmiConnected(true);
        machine.setHdmiConnected(true, sim::TvModel::buildEdid(0x1000));
        machine.arrange(0x100);
    }
    sim::VirtualClock clock;
    sim::SimFirmware firmware{clock};
    sim::DisplayMachine machine;
};

Graphics graphicsOf(const benchmark::State& state) {
    return static_cast<Graphics>(state.range(0));
}
bool vistaOf(const benchmark::State& state) {
    return state.range(1) != 0;
}

// A figure counts only for the path that succeeds: a back-end that fails early would be fast.
bool succeeds(benchmark::State& state, std::int32_t result, std::int32_t expected) {
    if (result != expected) {
        state.SkipWithError("the operation did not succeed on this back-end");
        return false;
    }
    return true;
}

void BM_GetMonitorDevice(benchmark::State& state) {
    Notebook notebook(graphicsOf(state), vistaOf(state));
    if (!succeeds(state, notebook.machine.getMonitorDevice(), 0x100)) {
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(notebook.machine.getMonitorDevice());
    }
}

// Alternates between the internal panel alone and the panel extended by the TV, so every call
// switches (an arrangement every back-end reaches directly).
void BM_SetMonitorDevice(benchmark::State& state) {
    Notebook notebook(graphicsOf(state), vistaOf(state));
    if (!succeeds(state, notebook.machine.setMonitorDevice(0x2000000), 0) ||
        !succeeds(state, notebook.machine.getMonitorDevice(), 0x2000000)) {
        return;
    }
    std::uint32_t target = 0x100;
    for (auto _ : state) {
        benchmark::DoNotOptimize(notebook.machine.setMonitorDevice(target));
        target = target == 0x2000000 ? 0x100 : 0x2000000;
    }
}

void BM_GetPanelid(benchmark::State& state) {
    Notebook notebook(graphicsOf(state), vistaOf(state));
    std::uint8_t edid[display::kEdidBufferSize] = {};
    // 0 and 1 both read the EDID (1: the driver has the HDMI output active).
    const std::int32_t first = notebook.machine.getPanelid(edid);
    if (!succeeds(state, first == 1 ? 0 : first, 0)) {
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(notebook.machine.getPanelid(edid));
    }
}

// The machines as (graphics, Vista): the display configuration alone (switching only), the
// four vendor interfaces beside it, and the three vendors that switch by themselves on Vista.
void vendorsOn(benchmark::internal::Benchmark* bench, bool vista) {
    const auto vendors = vista ? std::vector<Graphics>{Graphics::AmdSecond, Graphics::Intel, Graphics::Nvidia}
                               : std::vector<Graphics>{Graphics::AmdFirst, Graphics::AmdSecond,
                                                       Graphics::Intel, Graphics::Nvidia};
    for (const Graphics graphics : vendors) {
        bench->Args({static_cast<std::int64_t>(graphics), vista ? 1 : 0});
    }
}
void edidBackends(benchmark::internal::Benchmark* bench) {
    bench->ArgNames({"graphics", "vista"});
    vendorsOn(bench, false);
    vendorsOn(bench, true);
}
void switchingBackends(benchmark::internal::Benchmark* bench) {
    edidBackends(bench);
    bench->Args({static_cast<std::int64_t>(Graphics::None), 0});
}

BENCHMARK(BM_GetMonitorDevice)->Apply(switchingBackends);
BENCHMARK(BM_SetMonitorDevice)->Apply(switchingBackends);
BENCHMARK(BM_GetPanelid)->Apply(edidBackends);

} // namespace
