// Win32Sync against the kernel objects: named mutex open/create semantics and ownership across
// threads, events with waitAny, and bad wait arguments.
// Win32 only.
#include "platform/win32/Win32Sync.h"
#include "platform/win32/Win32Threads.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

using namespace platform;

namespace {

class Win32SyncTest : public ::testing::Test {
protected:
    void SetUp() override {
        static int serial = 0;
        name = L"SentrixAdapterTestMutex." + std::to_wstring(GetCurrentProcessId()) + L"." + std::to_wstring(++serial);
    }
    void TearDown() override {
        for (SyncHandle handle : opened) {
            sync.closeHandle(handle);
        }
    }
    SyncHandle keep(SyncHandle handle) {
        if (handle != 0) {
            opened.push_back(handle);
        }
        return handle;
    }
    // waitAny on another thread, which owns nothing of this one's.
    std::uint32_t waitOnOtherThread(SyncHandle handle, bool releaseAfter) {
        std::uint32_t result = kWaitFailed;
        std::thread([&] {
            result = sync.waitAny(&handle, 1, 0);
            if (releaseAfter && result == kWaitObject0) {
                sync.releaseMutex(handle);
            }
        }).join();
        return result;
    }

    win32::Win32Sync sync;
    win32::Win32Threads threads;
    std::wstring name;
    std::vector<SyncHandle> opened;
};

TEST_F(Win32SyncTest, NamedMutexOpensOnlyWhenItExistsAndCreateReportsAnExistingOne) {
    EXPECT_EQ(sync.openMutex(name.c_str()), 0u);
    EXPECT_EQ(threads.lastError(), error::kFileNotFound);

    const SyncHandle owner = keep(sync.createMutex(name.c_str(), true));
    ASSERT_NE(owner, 0u);
    EXPECT_EQ(threads.lastError(), error::kSuccess);
    const SyncHandle second = keep(sync.createMutex(name.c_str(), false));
    ASSERT_NE(second, 0u);
    EXPECT_EQ(threads.lastError(), error::kAlreadyExists);
    const SyncHandle opened = keep(sync.openMutex(name.c_str()));
    ASSERT_NE(opened, 0u);

    // Held by this thread: another thread cannot take it until it is released.
    EXPECT_EQ(waitOnOtherThread(opened, true), kWaitTimeout);
    EXPECT_TRUE(sync.releaseMutex(owner));
    EXPECT_FALSE(sync.releaseMutex(owner)); // no longer owned
    EXPECT_EQ(waitOnOtherThread(opened, true), kWaitObject0);

    for (SyncHandle handle : {owner, second, opened}) {
        EXPECT_TRUE(sync.closeHandle(handle));
    }
    this->opened.clear();
    EXPECT_EQ(sync.openMutex(name.c_str()), 0u); // the last handle closed: the name is gone
}

TEST_F(Win32SyncTest, AbandonedMutexIsTakenByTheWaiter) {
    SyncHandle mutex = 0;
    std::thread([&] { mutex = sync.createMutex(name.c_str(), true); }).join(); // ends holding it
    ASSERT_NE(mutex, 0u);
    keep(mutex);
    EXPECT_EQ(sync.waitAny(&mutex, 1, 1000), kWaitObject0);
    EXPECT_TRUE(sync.releaseMutex(mutex));
}

TEST_F(Win32SyncTest, EventsWakeWaitAnyWithTheirIndexAndResetAsCreated) {
    const SyncHandle autoReset = keep(sync.createEvent(false, false));
    const SyncHandle manualReset = keep(sync.createEvent(true, false));
    ASSERT_NE(autoReset, 0u);
    ASSERT_NE(manualReset, 0u);
    const SyncHandle both[] = {autoReset, manualReset};

    EXPECT_EQ(sync.waitAny(both, 2, 0), kWaitTimeout);
    ASSERT_TRUE(sync.setEvent(manualReset));
    EXPECT_EQ(sync.waitAny(both, 2, 0), kWaitObject0 + 1);
    EXPECT_EQ(sync.waitAny(both, 2, 0), kWaitObject0 + 1); // stays set
    ASSERT_TRUE(sync.resetEvent(manualReset));
    EXPECT_EQ(sync.waitAny(both, 2, 0), kWaitTimeout);

    ASSERT_TRUE(sync.setEvent(autoReset));
    EXPECT_EQ(sync.waitAny(both, 2, 0), kWaitObject0);
    EXPECT_EQ(sync.waitAny(both, 2, 0), kWaitTimeout); // reset by the wait

    const SyncHandle initiallySet = keep(sync.createEvent(true, true));
    EXPECT_EQ(sync.waitAny(&initiallySet, 1, 0), kWaitObject0);

    std::thread setter([&] {
        Sleep(30);
        sync.setEvent(autoReset);
    });
    EXPECT_EQ(sync.waitAny(both, 2, 5000), kWaitObject0);
    setter.join();
}

TEST_F(Win32SyncTest, BadHandlesAndArgumentsFailWithoutWaiting) {
    const SyncHandle event = sync.createEvent(true, true);
    ASSERT_NE(event, 0u);
    EXPECT_EQ(sync.waitAny(nullptr, 1, kInfinite), kWaitFailed);
    EXPECT_EQ(sync.waitAny(&event, 0, kInfinite), kWaitFailed);
    std::vector<SyncHandle> tooMany(MAXIMUM_WAIT_OBJECTS + 1, event);
    EXPECT_EQ(sync.waitAny(tooMany.data(), static_cast<std::uint32_t>(tooMany.size()), kInfinite), kWaitFailed);
    EXPECT_EQ(threads.lastError(), error::kInvalidParameter);

    ASSERT_TRUE(sync.closeHandle(event));
    EXPECT_EQ(sync.waitAny(&event, 1, kInfinite), kWaitFailed);
    EXPECT_FALSE(sync.setEvent(event));
    EXPECT_FALSE(sync.closeHandle(event));
    EXPECT_FALSE(sync.releaseMutex(0));
}

} // namespace
