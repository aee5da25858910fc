// The controller in the simulated world, driven by the input: registry values of any type and
// size under its keys before it starts, then a bounded list of events (ControllerHarness.h),
// each followed by a wait of at most ten seconds of virtual time. Nothing may crash, read out
// of bounds, leak or hang.
#include "tests/fuzz/ControllerHarness.h"

namespace {
constexpr int kMaxEvents = 48;
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    fuzzing::controller::ControllerRun run(input);
    run.start(input);
    for (int i = 0; i < kMaxEvents && input.remaining_bytes() > 0 && run.running(); ++i) {
        run.play(input);
    }
    return 0;
}
