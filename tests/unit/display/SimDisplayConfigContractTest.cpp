// The display configuration contract against the simulated adapter.
#include "tests/unit/display/DisplayConfigContract.h"

#include "sim/SimDisplayConfig.h"

namespace {

struct SimulatedNotebook {
    static std::unique_ptr<platform::DisplayConfig> make() {
        auto config = std::make_unique<sim::SimDisplayConfig>();
        const auto panel = config->addTarget(0, 0x100, platform::dc::tech::kInternal);
        const auto tv = config->addTarget(0, 0x200, platform::dc::tech::kHdmi);
        config->arrange({{panel, 0}, {tv, 1}});
        return config;
    }
};
using Makers = ::testing::Types<SimulatedNotebook>;
INSTANTIATE_TYPED_TEST_SUITE_P(Sim, DisplayConfigContract, Makers);

} // namespace
