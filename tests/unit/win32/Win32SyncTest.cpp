// The sync contract against the kernel objects.
// Win32 only.
#include "platform/win32/Win32Sync.h"
#include "platform/win32/Win32Threads.h"
#include "tests/support/SyncContract.h"

using namespace platform;

namespace {

struct Win32SyncEnv {
    Sync& sync() { return kernel; }
    Threads& threads() { return winThreads; }
    win32::Win32Sync kernel;
    win32::Win32Threads winThreads;
};

} // namespace

namespace testing_support {
using Win32SyncEnvs = ::testing::Types<Win32SyncEnv>;
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, SyncContract, Win32SyncEnvs);
} // namespace testing_support
