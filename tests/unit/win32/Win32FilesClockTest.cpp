// Win32Files, Win32Clock and Win32Threads against the system: appending bytes unchanged, the
// folder rule, the clock's fields and sleep, thread identifiers.
// Win32 only.
#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32Files.h"
#include "platform/win32/Win32Threads.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

using namespace platform;

namespace {

class Win32FilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH + 1] = {};
        ASSERT_NE(GetTempPathW(MAX_PATH + 1, temp), 0u);
        folder = std::filesystem::path(temp) / (L"SentrixAdapterTest." + std::to_wstring(GetCurrentProcessId()));
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    static std::string contents(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    win32::Win32Files files;
    std::filesystem::path folder;
};

TEST_F(Win32FilesTest, AppendsConcatenateBytesUnchanged) {
    const std::filesystem::path log = folder / L"trace_2024.log";
    const std::string first = "first line\r\n";
    const std::string second("bin\0\xFF\n\r\n", 8); // no text-mode translation, zero byte kept
    ASSERT_TRUE(files.append(log.c_str(), first.data(), first.size()));
    ASSERT_TRUE(files.append(log.c_str(), second.data(), second.size()));
    EXPECT_EQ(contents(log), first + second);

    ASSERT_TRUE(files.append(log.c_str(), nullptr, 0)); // opens and closes, adds nothing
    EXPECT_EQ(contents(log), first + second);
}

TEST_F(Win32FilesTest, FileIsClosedBetweenAppends) {
    const std::filesystem::path log = folder / L"closed.log";
    ASSERT_TRUE(files.append(log.c_str(), "x", 1));
    // Nothing holds the file open: it can be removed at once.
    std::error_code error;
    EXPECT_TRUE(std::filesystem::remove(log, error)) << error.message();
}

TEST_F(Win32FilesTest, MissingFolderIsNotCreated) {
    const std::filesystem::path missing = folder / L"absent" / L"trace.log";
    EXPECT_FALSE(files.append(missing.c_str(), "x", 1));
    EXPECT_FALSE(std::filesystem::exists(folder / L"absent"));
    EXPECT_FALSE(files.append(nullptr, "x", 1));
    EXPECT_FALSE(files.append(L"", "x", 1));
    EXPECT_FALSE(files.append((folder / L"nodata.log").c_str(), nullptr, 4));
}

// Day of the week of a Gregorian date, 0 Sunday.
int dayOfWeek(int year, int month, int day) {
    static const int offsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (month < 3) {
        year -= 1;
    }
    return (year + year / 4 - year / 100 + year / 400 + offsets[month - 1] + day) % 7;
}

TEST(Win32Clock, TimesCarryConsistentFields) {
    win32::Win32Clock clock;
    for (const SystemTime& time : {clock.utcTime(), clock.localTime()}) {
        EXPECT_GE(time.year, 2020);
        ASSERT_GE(time.month, 1);
        ASSERT_LE(time.month, 12);
        EXPECT_GE(time.day, 1);
        EXPECT_LE(time.day, 31);
        EXPECT_LE(time.hour, 23);
        EXPECT_LE(time.minute, 59);
        EXPECT_LE(time.second, 59);
        EXPECT_LE(time.milliseconds, 999);
        EXPECT_EQ(time.dayOfWeek, dayOfWeek(time.year, time.month, time.day));
    }
}

TEST(Win32Clock, SleepBlocksForAboutTheTimeAsked) {
    win32::Win32Clock clock;
    constexpr std::uint32_t kSleepMs = 200;
    constexpr std::uint32_t kTickResolutionMs = 16; // the tick count moves in steps of this size
    const std::uint32_t before = clock.tickCount();
    clock.sleep(kSleepMs);
    const std::uint32_t elapsed = clock.tickCount() - before;
    EXPECT_GE(elapsed, kSleepMs - 2 * kTickResolutionMs);
    EXPECT_LT(elapsed, 10 * kSleepMs);
}

TEST(Win32Threads, ThreadIdentifiersDifferPerThread) {
    win32::Win32Threads threads;
    const std::uint32_t mine = threads.currentThreadId();
    EXPECT_EQ(threads.currentThreadId(), mine);
    std::uint32_t other = mine;
    std::thread([&] { other = threads.currentThreadId(); }).join();
    EXPECT_NE(other, mine);
    EXPECT_NE(other, 0u);
}

} // namespace
