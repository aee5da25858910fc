// The contract of the processes and thread-starter ports, with the Sync port's waits on the
// handles they give, stated once and run against the simulated adapters natively and the Win32
// adapters under Wine. An environment type provides the ports and a process the test may end:
//   struct Env {
//       platform::Processes& processes(); platform::ThreadStarter& starter(); platform::Sync& sync();
//       std::uint32_t startProcess();           // a running process of the test's own
//       void endProcess(std::uint32_t process); // ends it
//       platform::ErrorCode lastError();
//   };
#pragma once

#include "platform/Processes.h"
#include "platform/Sync.h"
#include "platform/ThreadStarter.h"

#include <gtest/gtest.h>

#include <atomic>

namespace testing_support {

inline constexpr std::uint32_t kContractWaitMs = 10000; // a bound for waits that must succeed

template <typename Env> class ProcessPortsContract : public ::testing::Test {
protected:
    Env env;
};

TYPED_TEST_SUITE_P(ProcessPortsContract);

TYPED_TEST_P(ProcessPortsContract, AnOpenedProcessIsSignalledOnceItHasEndedAndOnlyThen) {
    const std::uint32_t process = this->env.startProcess();
    const platform::SyncHandle handle = this->env.processes().openProcess(platform::kSynchronize, process);
    ASSERT_NE(handle, 0u);
    EXPECT_EQ(this->env.sync().waitAny(&handle, 1, 0), platform::kWaitTimeout);
    this->env.endProcess(process);
    EXPECT_EQ(this->env.sync().waitAny(&handle, 1, kContractWaitMs), platform::kWaitObject0);
    EXPECT_EQ(this->env.sync().waitAny(&handle, 1, 0), platform::kWaitObject0) << "it stays signalled";
    EXPECT_TRUE(this->env.sync().closeHandle(handle));
}

TYPED_TEST_P(ProcessPortsContract, AnIdentifierOfNoProcessCannotBeOpened) {
    for (std::uint32_t process : {0u, 0x7FFFFFF0u}) {
        EXPECT_EQ(this->env.processes().openProcess(platform::kSynchronize, process), 0u) << process;
        EXPECT_EQ(this->env.lastError(), platform::error::kInvalidParameter) << process;
    }
}

TYPED_TEST_P(ProcessPortsContract, WaitingForAProcessOrAnEventTellsWhichCameFirst) {
    const std::uint32_t process = this->env.startProcess();
    const platform::SyncHandle handles[2] = {
        this->env.processes().openProcess(platform::kSynchronize, process),
        this->env.sync().createEvent(true, false)};
    ASSERT_NE(handles[0], 0u);
    ASSERT_NE(handles[1], 0u);
    EXPECT_EQ(this->env.sync().waitAny(handles, 2, 0), platform::kWaitTimeout);
    this->env.sync().setEvent(handles[1]);
    EXPECT_EQ(this->env.sync().waitAny(handles, 2, 0), platform::kWaitObject0 + 1);
    this->env.endProcess(process);
    EXPECT_EQ(this->env.sync().waitAny(handles, 2, kContractWaitMs), platform::kWaitObject0)
        << "of two signalled handles the first is reported";
    for (platform::SyncHandle handle : handles) {
        this->env.sync().closeHandle(handle);
    }
}

TYPED_TEST_P(ProcessPortsContract, AThreadRunsItsBodyAndItsHandleIsSignalledWhenTheBodyReturns) {
    platform::Sync& sync = this->env.sync();
    const platform::SyncHandle go = sync.createEvent(true, false);
    std::atomic<int> steps{0};
    std::uint32_t id = 0;
    const platform::SyncHandle thread = this->env.starter().startThread(
        [&sync, &steps, go] {
            steps = 1;
            sync.waitAny(&go, 1, platform::kInfinite);
            steps = 2;
        },
        &id);
    ASSERT_NE(thread, 0u);
    EXPECT_NE(id, 0u);
    EXPECT_EQ(sync.waitAny(&thread, 1, 0), platform::kWaitTimeout) << "the body waits for the event";
    sync.setEvent(go);
    ASSERT_EQ(sync.waitAny(&thread, 1, kContractWaitMs), platform::kWaitObject0);
    EXPECT_EQ(steps.load(), 2);
    EXPECT_TRUE(sync.closeHandle(thread));
    sync.closeHandle(go);
}

REGISTER_TYPED_TEST_SUITE_P(ProcessPortsContract, AnOpenedProcessIsSignalledOnceItHasEndedAndOnlyThen,
                            AnIdentifierOfNoProcessCannotBeOpened,
                            WaitingForAProcessOrAnEventTellsWhichCameFirst,
                            AThreadRunsItsBodyAndItsHandleIsSignalledWhenTheBodyReturns);

} // namespace testing_support
