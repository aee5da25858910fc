// Win32Files, Win32Clock and Win32Threads against the system: the files and clock contracts, a
// file not held open between appends, thread identifiers.
// Win32 only.
#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32Files.h"
#include "platform/win32/Win32Threads.h"
#include "tests/support/ClockContract.h"
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
        folder =
            std::filesystem::path(temp) / (L"SentrixAdapterTest." + std::to_wstring(GetCurrentProcessId()));
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
        m_folder =
            std::filesystem::path(temp) / (L"SentrixFilesContract." + std::to_wstring(GetCurrentProcessId()) +
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

struct Win32ClockEnv {
    static constexpr std::uint32_t kTickResolutionMs = 16; // the tick count moves in steps of this size
    platform::Clock& clock() { return system; }
    win32::Win32Clock system;
};

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
using Win32ClockEnvironments = ::testing::Types<Win32ClockEnv>;
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, ClockContract, Win32ClockEnvironments);
} // namespace testing_support
