// The windows-of-registered-classes and drawing contract against the simulated adapters.
#include "tests/support/WindowDrawingContract.h"
#include "sim/SimDesktop.h"
#include "sim/SimDrawing.h"
#include "sim/SimSync.h"

namespace testing_support {
namespace {

struct SimWindowDrawingEnv {
    platform::Windowing& windowing() { return sim; }
    platform::Drawing& drawing() { return draw; }
    void dispatchPosted() { sim.dispatchReady(); }

    sim::VirtualClock clock;
    sim::SimDesktop desktop{clock};
    sim::SimSync sync;
    sim::UiThread& thread = desktop.createUiThread(100, 0x1a4);
    sim::SimWindowing sim{desktop, thread, sync};
    sim::SimDrawing draw{desktop};
};

using SimWindowDrawingEnvs = ::testing::Types<SimWindowDrawingEnv>;
INSTANTIATE_TYPED_TEST_SUITE_P(Sim, WindowDrawingContract, SimWindowDrawingEnvs);

} // namespace
} // namespace testing_support
