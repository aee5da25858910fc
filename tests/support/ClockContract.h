// The contract of the clock port, stated once and run against the virtual clock natively and
// against the system's clock under Wine. An environment type provides the clock and its tick
// resolution:
//   struct Env { platform::Clock& clock(); static constexpr std::uint32_t kTickResolutionMs; };
#pragma once

#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace testing_support {

// Day of the week of a Gregorian date, 0 Sunday.
inline int gregorianDayOfWeek(int year, int month, int day) {
    static const int offsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (month < 3) {
        year -= 1;
    }
    return (year + year / 4 - year / 100 + year / 400 + offsets[month - 1] + day) % 7;
}

inline std::int64_t minutesOfCivilTime(const platform::SystemTime& t) {
    // Days from a fixed epoch, good for the comparison of two nearby dates.
    const int y = t.month <= 2 ? t.year - 1 : t.year;
    const int era = y / 400;
    const int yoe = y - era * 400;
    const int mp = (t.month + 9) % 12;
    const int doy = (153 * mp + 2) / 5 + t.day - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const std::int64_t days = static_cast<std::int64_t>(era) * 146097 + doe;
    return days * 1440 + t.hour * 60 + t.minute;
}

template <typename Env> class ClockContract : public ::testing::Test {
protected:
    Env env;
};

TYPED_TEST_SUITE_P(ClockContract);

TYPED_TEST_P(ClockContract, TimesCarryConsistentFieldsAndLocalTimeIsAWholeOffsetFromUtc) {
    platform::Clock& clock = this->env.clock();
    const platform::SystemTime utc = clock.utcTime();
    const platform::SystemTime local = clock.localTime();
    for (const platform::SystemTime& time : {utc, local}) {
        EXPECT_GE(time.year, 2020);
        ASSERT_GE(time.month, 1);
        ASSERT_LE(time.month, 12);
        EXPECT_GE(time.day, 1);
        EXPECT_LE(time.day, 31);
        EXPECT_LE(time.hour, 23);
        EXPECT_LE(time.minute, 59);
        EXPECT_LE(time.second, 59);
        EXPECT_LE(time.milliseconds, 999);
        EXPECT_EQ(time.dayOfWeek, gregorianDayOfWeek(time.year, time.month, time.day));
    }
    // Time zones lie within a day of UTC and in steps of a quarter hour (the two readings may
    // straddle a minute).
    const std::int64_t offset = minutesOfCivilTime(local) - minutesOfCivilTime(utc);
    EXPECT_LE(offset < 0 ? -offset : offset, 14 * 60 + 1);
    const std::int64_t rest = ((offset % 15) + 15) % 15;
    EXPECT_TRUE(rest <= 1 || rest == 14) << offset;
}

TYPED_TEST_P(ClockContract, SleepBlocksForAboutTheTimeAskedAndTheTicksAndTheDateMoveTogether) {
    platform::Clock& clock = this->env.clock();
    constexpr std::uint32_t kSleepMs = 200;
    constexpr std::uint32_t kResolution = TypeParam::kTickResolutionMs;
    const std::uint32_t before = clock.tickCount();
    const std::int64_t minutesBefore = minutesOfCivilTime(clock.utcTime());
    clock.sleep(kSleepMs);
    const std::uint32_t elapsed = clock.tickCount() - before; // wraps as GetTickCount does
    EXPECT_GE(elapsed, kSleepMs - 2 * kResolution);
    EXPECT_LT(elapsed, 10 * kSleepMs);
    const std::int64_t minutesAfter = minutesOfCivilTime(clock.utcTime());
    EXPECT_GE(minutesAfter, minutesBefore);
    EXPECT_LE(minutesAfter - minutesBefore, 1);

    const std::uint32_t beforeZero = clock.tickCount();
    clock.sleep(0); // gives up the rest of the time slice only
    EXPECT_LT(clock.tickCount() - beforeZero, 10 * kSleepMs);
}

REGISTER_TYPED_TEST_SUITE_P(ClockContract, TimesCarryConsistentFieldsAndLocalTimeIsAWholeOffsetFromUtc,
                            SleepBlocksForAboutTheTimeAskedAndTheTicksAndTheDateMoveTogether);

} // namespace testing_support
