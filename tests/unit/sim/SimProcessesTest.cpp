// The processes and thread-starter ports' contract against the simulated world, and how the
// world settles its threads.
#include "sim/SimProcesses.h"
#include "sim/SimThreads.h"
#include "tests/support/ProcessPortsContract.h"

namespace {

class SimProcessEnv {
public:
    platform::Processes& processes() { return m_processes; }
    platform::ThreadStarter& starter() { return m_starter; }
    platform::Sync& sync() { return m_sync; }
    std::uint32_t startProcess() {
        m_processes.addProcess(m_next);
        return (m_next += 4) - 4;
    }
    void endProcess(std::uint32_t process) { m_processes.endProcess(process); }
    platform::ErrorCode lastError() { return m_threads.lastError(); }

private:
    sim::SimSync m_sync;
    sim::SimThreads m_threads;
    sim::SimProcesses m_processes{m_sync};
    std::uint32_t m_next = 0x400;
    sim::SimThreadStarter m_starter{m_sync}; // last: joined first
};

TEST(SimThreadStarterTest, ItReturnsOnlyOnceTheNewThreadWaitsOrHasEnded) {
    sim::SimSync sync;
    sim::SimProcesses processes(sync);
    processes.addProcess(0x400);
    const platform::SyncHandle kept = processes.openProcess(platform::kSynchronize, 0x400);
    std::vector<int> order; // written by one thread at a time: the world settles between them
    {
        sim::SimThreadStarter starter(sync);
        const platform::SyncHandle thread = starter.startThread(
            [&] {
                order.push_back(1);
                const platform::SyncHandle process = processes.openProcess(platform::kSynchronize, 0x400);
                sync.waitAny(&process, 1, platform::kInfinite);
                order.push_back(3);
                sync.closeHandle(process);
            },
            nullptr);
        order.push_back(2);
        processes.endProcess(0x400); // returns once the thread has reacted
        order.push_back(4);
        sync.closeHandle(thread);
    }
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_FALSE(processes.running(0x400));
    EXPECT_EQ(processes.openProcess(platform::kSynchronize, 0x400), 0u)
        << "an ended process cannot be opened";
    EXPECT_EQ(sync.waitAny(&kept, 1, 0), platform::kWaitObject0)
        << "a handle kept open still tells of the end";
    EXPECT_FALSE(sync.setEvent(kept)) << "a process is no event";
    EXPECT_FALSE(sync.resetEvent(kept));
    sync.closeHandle(kept);
}

} // namespace

namespace testing_support {
using SimProcessEnvironments = ::testing::Types<SimProcessEnv>;
INSTANTIATE_TYPED_TEST_SUITE_P(Sim, ProcessPortsContract, SimProcessEnvironments);
} // namespace testing_support
