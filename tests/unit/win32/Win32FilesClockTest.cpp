// Win32Files, Win32Clock and Win32Threads against the system: the files contract, a file not
// held open between appends, the clock's fields and sleep, thread identifiers.
// Win32 only.
#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32Files.h"
#include "platform/win32/Win32Threads.h"
#include "tests/support/FilesContract.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
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

    win32::Win32Files files;
    std::filesystem::path folder;
};

class Win32FilesEnv {
public:
    Win32FilesEnv() {
        wchar_t temp[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH + 1, temp);
        static int serial = 0;
        m_folder = std::filesystem::path(temp) / (L"SentrixFilesContract." + std::to_wstring(GetCurrentProcessId()) +
                                                  L"." + std::to_wstring(++serial));
        std::filesystem::remove_all(m_folder);
        std::filesystem::create_directories(m_folder);
    }
    ~Win32FilesEnv() {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
    Win32FilesEnv(const Win32FilesEnv&) = delete;
    Win32FilesEnv& operator=(const Win32FilesEnv&) = delete;

    platform::Files& files() { return m_files; }
    std::wstring folder() { return m_folder.wstring(); }
    std::optional<std::string> content(const std::wstring& path) {
        if (!std::filesystem::is_regular_file(path)) {
            return std::nullopt;
        }
        std::ifstream in(std::filesystem::path(path), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    bool folderExists(const std::wstring& path) { return std::filesystem::is_directory(path); }

private:
    win32::Win32Files m_files;
    std::filesystem::path m_folder;
};

TEST_F(Win32FilesTest, FileIsClosedBetweenAppends) {
    const std::filesystem::path log = folder / L"closed.log";
    ASSERT_TRUE(files.append(log.c_str(), "x", 1));
    // Nothing holds the file open: it can be removed at once.
    std::error_code error;
    EXPECT_TRUE(std::filesystem::remove(log, error)) << error.message();
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

namespace testing_support {
using Win32FilesEnvironments = ::testing::Types<Win32FilesEnv>;
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, FilesContract, Win32FilesEnvironments);
} // namespace testing_support
