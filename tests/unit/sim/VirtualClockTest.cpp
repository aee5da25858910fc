// The virtual clock: action order, sleeping through actions, and the calendar.
#include "sim/VirtualClock.h"
#include "tests/support/ClockContract.h"

#include <gtest/gtest.h>

#include <vector>

TEST(VirtualClock, ActionsRunAtTheirTimeInScheduleOrderForTies) {
    sim::VirtualClock clock;
    std::vector<std::pair<int, std::uint64_t>> ran;
    clock.scheduleAt(300, [&] { ran.push_back({3, clock.now()}); });
    clock.scheduleAt(100, [&] { ran.push_back({1, clock.now()}); });
    clock.scheduleAt(100, [&] { ran.push_back({2, clock.now()}); });
    const auto cancelled = clock.scheduleAt(200, [&] { ran.push_back({9, clock.now()}); });
    EXPECT_TRUE(clock.cancel(cancelled));
    clock.sleep(299);
    EXPECT_EQ(ran, (std::vector<std::pair<int, std::uint64_t>>{{1, 100}, {2, 100}}));
    EXPECT_EQ(clock.now(), 299u);
    clock.sleep(1);
    ASSERT_EQ(ran.size(), 3u);
    EXPECT_EQ(ran[2], (std::pair<int, std::uint64_t>{3, 300}));
    EXPECT_FALSE(clock.hasPending());
}

TEST(VirtualClock, ActionsScheduledByActionsRunInTheSameAdvance) {
    sim::VirtualClock clock;
    std::vector<std::uint64_t> times;
    clock.scheduleAt(10, [&] {
        times.push_back(clock.now());
        clock.scheduleAfter(5, [&] { times.push_back(clock.now()); });
        clock.scheduleAt(0, [&] { times.push_back(clock.now()); }); // the past means now
    });
    clock.advanceTo(100);
    EXPECT_EQ(times, (std::vector<std::uint64_t>{10, 10, 15}));
}

TEST(VirtualClock, WallClockFollowsVirtualTimeAcrossTheYearEnd) {
    sim::VirtualClock clock;
    platform::SystemTime start;
    start.year = 2026;
    start.month = 12;
    start.day = 31;
    start.hour = 23;
    start.minute = 59;
    start.second = 59;
    start.milliseconds = 500;
    clock.setStartUtc(start);
    clock.setLocalOffsetMinutes(-5 * 60);
    const auto tick0 = clock.tickCount();
    clock.sleep(700);
    const platform::SystemTime utc = clock.utcTime();
    EXPECT_EQ(utc.year, 2027);
    EXPECT_EQ(utc.month, 1);
    EXPECT_EQ(utc.day, 1);
    EXPECT_EQ(utc.hour, 0);
    EXPECT_EQ(utc.milliseconds, 200);
    EXPECT_EQ(utc.dayOfWeek, 5); // a Friday
    const platform::SystemTime local = clock.localTime();
    EXPECT_EQ(local.year, 2026);
    EXPECT_EQ(local.hour, 19);
    EXPECT_EQ(clock.tickCount() - tick0, 700u);
    EXPECT_EQ(sim::VirtualClock::toEpochMs(sim::VirtualClock::fromEpochMs(951782400000)),
              951782400000); // 2000-02-29
}

namespace testing_support {
namespace {

// The virtual clock at its default start and in time zones east and west of UTC.
template <int OffsetMinutes> struct VirtualClockEnv {
    static constexpr std::uint32_t kTickResolutionMs = 1;
    VirtualClockEnv() { virtualClock.setLocalOffsetMinutes(OffsetMinutes); }
    platform::Clock& clock() { return virtualClock; }
    sim::VirtualClock virtualClock;
};

using VirtualClockEnvs = ::testing::Types<VirtualClockEnv<0>, VirtualClockEnv<330>, VirtualClockEnv<-600>>;
INSTANTIATE_TYPED_TEST_SUITE_P(Sim, ClockContract, VirtualClockEnvs);

} // namespace
} // namespace testing_support
