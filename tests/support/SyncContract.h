// The contract of the sync port (named mutexes owned by threads, events, waiting on any of
// several), stated once and run against the simulated objects natively and against the kernel
// objects under Wine. An environment type provides the ports:
//   struct Env { platform::Sync& sync(); platform::Threads& threads(); };
#pragma once

#include "platform/Sync.h"
#include "platform/Threads.h"
#include "platform/Types.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

template <typename Env> class SyncContract : public ::testing::Test {
protected:
    // WaitForMultipleObjects takes at most this many handles.
    static constexpr std::uint32_t kMaximumWaitObjects = 64;

    void SetUp() override {
        static int serial = 0;
        name = L"SentrixContractMutex." + std::to_wstring(++serial) + L"." +
               std::to_wstring(reinterpret_cast<std::uintptr_t>(this) & 0xFFFF);
    }
    void TearDown() override {
        for (const platform::SyncHandle handle : opened) {
            sync().closeHandle(handle);
        }
    }
    platform::Sync& sync() { return env.sync(); }
    platform::ErrorCode lastError() { return env.threads().lastError(); }
    platform::SyncHandle keep(platform::SyncHandle handle) {
        if (handle != 0) {
            opened.push_back(handle);
        }
        return handle;
    }
    // A wait on another thread, which owns nothing of this one's; it releases what it took
    // when asked to.
    std::uint32_t waitOnOtherThread(platform::SyncHandle handle, bool releaseAfter) {
        std::uint32_t result = platform::kWaitFailed;
        std::thread([&] {
            result = sync().waitAny(&handle, 1, 0);
            if (releaseAfter && result == platform::kWaitObject0) {
                sync().releaseMutex(handle);
            }
        }).join();
        return result;
    }

    Env env;
    std::wstring name;
    std::vector<platform::SyncHandle> opened;
};

TYPED_TEST_SUITE_P(SyncContract);

TYPED_TEST_P(SyncContract, ANamedMutexOpensOnlyWhileItExistsAndCreateReportsAnExistingOne) {
    platform::Sync& sync = this->sync();
    const std::wstring& name = this->name;
    EXPECT_EQ(sync.openMutex(name.c_str()), 0u);
    EXPECT_EQ(this->lastError(), platform::error::kFileNotFound);

    const platform::SyncHandle owner = this->keep(sync.createMutex(name.c_str(), true));
    ASSERT_NE(owner, 0u);
    EXPECT_EQ(this->lastError(), platform::error::kSuccess);
    const platform::SyncHandle second = this->keep(sync.createMutex(name.c_str(), true));
    ASSERT_NE(second, 0u);
    EXPECT_EQ(this->lastError(), platform::error::kAlreadyExists);
    const platform::SyncHandle opened = this->keep(sync.openMutex(name.c_str()));
    ASSERT_NE(opened, 0u);

    // Held by this thread (the second create asked for ownership in vain: the mutex existed):
    // another thread cannot take it until it is released once.
    EXPECT_EQ(this->waitOnOtherThread(opened, true), platform::kWaitTimeout);
    EXPECT_TRUE(sync.releaseMutex(owner));
    EXPECT_FALSE(sync.releaseMutex(owner)) << "no longer owned";
    EXPECT_EQ(this->lastError(), platform::error::kNotOwner);
    EXPECT_EQ(this->waitOnOtherThread(opened, true), platform::kWaitObject0);

    for (const platform::SyncHandle handle : {owner, second, opened}) {
        EXPECT_TRUE(sync.closeHandle(handle));
    }
    this->opened.clear();
    EXPECT_EQ(sync.openMutex(name.c_str()), 0u) << "the last handle closed: the name is gone";
}

TYPED_TEST_P(SyncContract, AMutexIsTakenAgainByItsOwnerAndReleasedOnlyByIt) {
    platform::Sync& sync = this->sync();
    const platform::SyncHandle mutex = this->keep(sync.createMutex(this->name.c_str(), false));
    ASSERT_NE(mutex, 0u);
    EXPECT_EQ(sync.waitAny(&mutex, 1, 0), platform::kWaitObject0);
    EXPECT_EQ(sync.waitAny(&mutex, 1, 0), platform::kWaitObject0) << "the owner takes it again";

    bool releasedByOther = true;
    platform::ErrorCode otherError = platform::error::kSuccess;
    std::thread([&] {
        releasedByOther = sync.releaseMutex(mutex);
        otherError = this->lastError();
    }).join();
    EXPECT_FALSE(releasedByOther);
    EXPECT_EQ(otherError, platform::error::kNotOwner);

    EXPECT_TRUE(sync.releaseMutex(mutex));
    EXPECT_EQ(this->waitOnOtherThread(mutex, true), platform::kWaitTimeout) << "taken twice, released once";
    EXPECT_TRUE(sync.releaseMutex(mutex));
    EXPECT_EQ(this->waitOnOtherThread(mutex, true), platform::kWaitObject0);
}

TYPED_TEST_P(SyncContract, AnAbandonedMutexIsTakenByTheNextWaiter) {
    platform::Sync& sync = this->sync();
    platform::SyncHandle mutex = 0;
    std::thread([&] { mutex = sync.createMutex(this->name.c_str(), true); }).join(); // ends holding it
    ASSERT_NE(mutex, 0u);
    this->keep(mutex);
    EXPECT_EQ(sync.waitAny(&mutex, 1, 1000), platform::kWaitObject0);
    EXPECT_TRUE(sync.releaseMutex(mutex));

    // A waiter already blocked when the owner ends is woken by the end.
    std::atomic<platform::SyncHandle> created{0};
    const std::wstring secondName = this->name + L".blocked";
    std::thread owner([&] {
        created = sync.createMutex(secondName.c_str(), true);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    });
    while (created == 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    platform::SyncHandle second = created;
    this->keep(second);
    EXPECT_EQ(sync.waitAny(&second, 1, 5000), platform::kWaitObject0);
    owner.join();
    EXPECT_TRUE(sync.releaseMutex(second));
}

TYPED_TEST_P(SyncContract, EventsWakeAWaitWithTheirIndexAndResetAsCreated) {
    platform::Sync& sync = this->sync();
    const platform::SyncHandle autoReset = this->keep(sync.createEvent(false, false));
    const platform::SyncHandle manualReset = this->keep(sync.createEvent(true, false));
    ASSERT_NE(autoReset, 0u);
    ASSERT_NE(manualReset, 0u);
    const platform::SyncHandle both[] = {autoReset, manualReset};

    EXPECT_EQ(sync.waitAny(both, 2, 0), platform::kWaitTimeout);
    ASSERT_TRUE(sync.setEvent(manualReset));
    EXPECT_EQ(sync.waitAny(both, 2, 0), platform::kWaitObject0 + 1);
    EXPECT_EQ(sync.waitAny(both, 2, 0), platform::kWaitObject0 + 1) << "stays set";
    ASSERT_TRUE(sync.resetEvent(manualReset));
    EXPECT_EQ(sync.waitAny(both, 2, 0), platform::kWaitTimeout);

    ASSERT_TRUE(sync.setEvent(autoReset));
    ASSERT_TRUE(sync.setEvent(manualReset));
    EXPECT_EQ(sync.waitAny(both, 2, 0), platform::kWaitObject0) << "the lowest index of those set";
    EXPECT_EQ(sync.waitAny(both, 2, 0), platform::kWaitObject0 + 1) << "the first was reset by the wait";
    ASSERT_TRUE(sync.resetEvent(manualReset));

    const platform::SyncHandle initiallySet = this->keep(sync.createEvent(true, true));
    EXPECT_EQ(sync.waitAny(&initiallySet, 1, 0), platform::kWaitObject0);

    std::thread setter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        sync.setEvent(autoReset);
    });
    EXPECT_EQ(sync.waitAny(both, 2, 5000), platform::kWaitObject0);
    setter.join();
}

TYPED_TEST_P(SyncContract, BadHandlesAndArgumentsFailWithoutWaiting) {
    platform::Sync& sync = this->sync();
    const platform::SyncHandle event = sync.createEvent(true, true);
    ASSERT_NE(event, 0u);
    EXPECT_EQ(sync.waitAny(nullptr, 1, platform::kInfinite), platform::kWaitFailed);
    EXPECT_EQ(sync.waitAny(&event, 0, platform::kInfinite), platform::kWaitFailed);
    std::vector<platform::SyncHandle> tooMany(TestFixture::kMaximumWaitObjects + 1, event);
    EXPECT_EQ(sync.waitAny(tooMany.data(), static_cast<std::uint32_t>(tooMany.size()), platform::kInfinite),
              platform::kWaitFailed);
    EXPECT_EQ(this->lastError(), platform::error::kInvalidParameter);
    std::vector<platform::SyncHandle> most(TestFixture::kMaximumWaitObjects, event);
    EXPECT_EQ(sync.waitAny(most.data(), static_cast<std::uint32_t>(most.size()), 0), platform::kWaitObject0);

    ASSERT_TRUE(sync.closeHandle(event));
    EXPECT_EQ(sync.waitAny(&event, 1, platform::kInfinite), platform::kWaitFailed);
    EXPECT_FALSE(sync.setEvent(event));
    EXPECT_FALSE(sync.resetEvent(event));
    EXPECT_FALSE(sync.closeHandle(event));
    EXPECT_FALSE(sync.releaseMutex(0));
}

REGISTER_TYPED_TEST_SUITE_P(SyncContract, ANamedMutexOpensOnlyWhileItExistsAndCreateReportsAnExistingOne,
                            AMutexIsTakenAgainByItsOwnerAndReleasedOnlyByIt,
                            AnAbandonedMutexIsTakenByTheNextWaiter,
                            EventsWakeAWaitWithTheirIndexAndResetAsCreated,
                            BadHandlesAndArgumentsFailWithoutWaiting);

} // namespace testing_support
