// The control menu's layout and one paint into the simulated drawing port.
#include "tests/unit/menu/MenuWorld.h"

#include <benchmark/benchmark.h>

namespace {

void fillEight(menutest::MenuWorld& world) {
    world.fill({L"Alder", L"Birch", L"Cedar", L"PowerCinema", L"WinDVD", L"Windows Media Center",
                L"Close Birch", L"Close this menu."});
}

void BM_MenuLayoutItems(benchmark::State& state) {
    menutest::MenuWorld world;
    fillEight(world);
    for (auto _ : state) {
        world.menu->layoutItems();
        benchmark::DoNotOptimize(world.menu->m_nHeight);
    }
}
BENCHMARK(BM_MenuLayoutItems);

void BM_MenuPaint(benchmark::State& state) {
    menutest::MenuWorld world;
    fillEight(world);
    world.menu->show();
    for (auto _ : state) {
        world.send(gui::msg::kPaint);
        world.drawing.clearOps();
    }
}
BENCHMARK(BM_MenuPaint);

} // namespace
