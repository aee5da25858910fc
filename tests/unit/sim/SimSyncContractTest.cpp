// The sync contract against the simulated objects.
#include "sim/SimSync.h"
#include "sim/SimThreads.h"
#include "tests/support/SyncContract.h"

namespace testing_support {
namespace {

struct SimSyncEnv {
    platform::Sync& sync() { return objects; }
    platform::Threads& threads() { return simThreads; }
    sim::SimSync objects;
    sim::SimThreads simThreads;
};

using SimSyncEnvs = ::testing::Types<SimSyncEnv>;
INSTANTIATE_TYPED_TEST_SUITE_P(Sim, SyncContract, SimSyncEnvs);

} // namespace
} // namespace testing_support
