// The trace log: configuration from the machine hive, the date-named file, the line layout,
// category switches, the prefix cut, and the lock that keeps lines whole.
#include "common/TraceLog.h"
#include "common/Trace.h"
#include "sim/SimFiles.h"
#include "sim/SimRegistry.h"
#include "sim/SimThreads.h"
#include "sim/VirtualClock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr const wchar_t* kTraceKey = L"SOFTWARE\\KORVATH\\Sentrixd\\TRACELOG";
constexpr const wchar_t* kPath = L"C:\\trace\\ctl.log";
constexpr const wchar_t* kDatedPath = L"C:\\trace\\ctl_2026127.log"; // the clock starts on 7 December 2026

class TraceLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        files.addFolder(L"C:\\trace");
        threads.bindCurrentThread(0x1a4);
        install();
    }
    void TearDown() override { TraceLog::installPorts({}); }

    void install() { TraceLog::installPorts({&registry, &clock, &files, &threads}); }

    void configure(const wchar_t* module, std::uint32_t error, std::uint32_t trace, std::uint32_t func,
                   const wchar_t* path = kPath) {
        const std::wstring key = std::wstring(kTraceKey) + L"\\" + module;
        registry.setDword(platform::kHkeyLocalMachine, key, L"LOG_ERROR", error);
        registry.setDword(platform::kHkeyLocalMachine, key, L"LOG_TRACE", trace);
        registry.setDword(platform::kHkeyLocalMachine, key, L"LOG_FUNC", func);
        if (path != nullptr) {
            registry.setString(platform::kHkeyLocalMachine, kTraceKey, L"TraceLogFilePath", path);
        }
        install();
    }

    // One statement of each category from a method scope, as the system's code writes them.
    static void logOneOfEach(TraceModule module) {
        TRACE_SCOPE(module, "Sample::method");
        TRACE_MSG(L"progress %d %ls", 7, L"wide");
        TRACE_ERROR(L"ERROR BIOS function returned:0x%04x", 0x8000u);
    }

    std::vector<std::string> lines(const wchar_t* path = kDatedPath) const {
        std::vector<std::string> out;
        const auto content = files.content(path);
        if (!content) {
            return out;
        }
        std::size_t start = 0;
        for (std::size_t end; (end = content->find("\r\n", start)) != std::string::npos; start = end + 2) {
            out.push_back(content->substr(start, end - start));
        }
        EXPECT_EQ(start, content->size()) << "the file must end with a complete CRLF line";
        return out;
    }

    sim::VirtualClock clock;
    sim::SimRegistry registry;
    sim::SimFiles files;
    sim::SimThreads threads;
};

TEST_F(TraceLogTest, WithoutConfigurationNothingIsWrittenAndNoFileCreated) {
    logOneOfEach(TraceModule::Sentrixd);
    EXPECT_TRUE(files.fileNames().empty());
    EXPECT_EQ(TraceLog::logPath(), L"");
}

TEST_F(TraceLogTest, LevelsWithoutAPathWriteNothing) {
    configure(L"Sentrixd", 1, 1, 1, nullptr);
    logOneOfEach(TraceModule::Sentrixd);
    registry.setString(platform::kHkeyLocalMachine, kTraceKey, L"TraceLogFilePath", L"");
    install();
    logOneOfEach(TraceModule::Sentrixd);
    EXPECT_TRUE(files.fileNames().empty());
}

TEST_F(TraceLogTest, LinesHaveTheThreadTimeAndPrefixLayoutWithCrlf) {
    clock.setLocalOffsetMinutes(9 * 60);
    clock.advanceTo(1234); // 09:00:01.234 UTC, 18:00:01.234 local
    configure(L"Sentrixd", 1, 1, 1);
    logOneOfEach(TraceModule::Sentrixd);
    EXPECT_EQ(TraceLog::logPath(), kDatedPath);
    const auto got = lines();
    ASSERT_EQ(got.size(), 4u);
    const std::regex stamp(
        R"(^ :TID\[0x1a4\]\[2026/12/07 18:00:01\.234\] \.\\TraceLogTest\.cpp \((\d+)\) : (.*)$)");
    std::smatch m;
    ASSERT_TRUE(std::regex_match(got[0], m, stamp)) << got[0];
    EXPECT_EQ(m[2].str(), "Enter Sample::method ");
    ASSERT_TRUE(std::regex_match(got[1], m, stamp)) << got[1];
    EXPECT_EQ(m[2].str(), "progress 7 wide");
    ASSERT_TRUE(std::regex_match(got[2], m, stamp)) << got[2];
    EXPECT_EQ(m[2].str(), "ERROR!! in Sample::method ERROR BIOS function returned:0x8000");
    ASSERT_TRUE(std::regex_match(got[3], m, stamp)) << got[3];
    EXPECT_EQ(m[2].str(), "Leave Sample::method ");
}

struct CategoryCase {
    std::uint32_t error, trace, func;
    std::vector<std::string> kinds; // which lines appear, in order
};
void PrintTo(const CategoryCase& c, std::ostream* os) {
    *os << "error " << c.error << ", trace " << c.trace << ", func " << c.func;
}

class TraceLogCategoryTest : public TraceLogTest, public ::testing::WithParamInterface<CategoryCase> {};

TEST_P(TraceLogCategoryTest, EachSwitchEnablesOnlyItsCategory) {
    const CategoryCase& c = GetParam();
    configure(L"Sentrixd", c.error, c.trace, c.func);
    logOneOfEach(TraceModule::Sentrixd);
    std::vector<std::string> kinds;
    for (const std::string& line : lines()) {
        if (line.find(": Enter ") != std::string::npos) {
            kinds.push_back("enter");
        } else if (line.find(": Leave ") != std::string::npos) {
            kinds.push_back("leave");
        } else if (line.find("ERROR!! in ") != std::string::npos) {
            kinds.push_back("error");
        } else {
            kinds.push_back("trace");
        }
    }
    EXPECT_EQ(kinds, c.kinds);
}

INSTANTIATE_TEST_SUITE_P(Switches, TraceLogCategoryTest,
                         ::testing::Values(CategoryCase{0, 0, 1, {"enter", "leave"}},
                                           CategoryCase{1, 0, 0, {"error"}}, CategoryCase{0, 1, 0, {"trace"}},
                                           CategoryCase{0, 0, 2, {"enter", "leave"}},
                                           CategoryCase{0xFFFFFFFF, 0, 0, {"error"}},
                                           CategoryCase{0, 0, 0, {}}));

TEST_F(TraceLogTest, ModulesAreSwitchedSeparately) {
    configure(L"Outswap", 1, 1, 1);
    logOneOfEach(TraceModule::Sentrixd); // off
    logOneOfEach(TraceModule::Outswap);  // on
    TraceLog::traceFormat("%s", "unknown module ");
    TraceLog::traceMessage(77, 1, L"never");
    EXPECT_EQ(lines().size(), 4u);
}

TEST_F(TraceLogTest, ValuesOfAnotherTypeAreReadAsFourBytesOrIgnored) {
    const std::wstring key = std::wstring(kTraceKey) + L"\\Sentrixd";
    registry.setString(platform::kHkeyLocalMachine, kTraceKey, L"TraceLogFilePath", kPath);
    // A one-byte binary value still enables its category; an eight-byte value does not fit and counts as 0.
    registry.setBinary(platform::kHkeyLocalMachine, key, L"LOG_TRACE", {0x01});
    registry.setValue(platform::kHkeyLocalMachine, key, L"LOG_ERROR", platform::regtype::kQword,
                      {1, 0, 0, 0, 0, 0, 0, 0});
    install();
    logOneOfEach(TraceModule::Sentrixd);
    const auto got = lines();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_NE(got[0].find("progress 7 wide"), std::string::npos);

    // A path stored as a number is no path.
    registry.setDword(platform::kHkeyLocalMachine, kTraceKey, L"TraceLogFilePath", 0x3A43);
    install();
    EXPECT_EQ(TraceLog::logPath(), L"");
}

TEST_F(TraceLogTest, LongPrefixIsCutAt1022Characters) {
    configure(L"Sentrixd", 1, 1, 1);
    const std::string longName(2000, 'x');
    TraceLog::traceFormat("%s", longName.c_str());
    TraceLog::traceMessage(1, 1, L"|tail");
    const auto got = lines();
    ASSERT_EQ(got.size(), 1u);
    const std::size_t start = got[0].find("] ") + 2;
    EXPECT_EQ(got[0].substr(start), std::string(1022, 'x') + "|tail");
}

TEST_F(TraceLogTest, PathsThatDoNotFitOrFoldersThatDoNotExistWriteNothing) {
    configure(L"Sentrixd", 1, 1, 1, (L"C:\\trace\\" + std::wstring(245, L'a') + L".log").c_str());
    EXPECT_EQ(TraceLog::logPath(), L"") << "the date suffix would push the path past 260 characters";
    configure(L"Sentrixd", 1, 1, 1, (L"C:\\" + std::wstring(300, L'b')).c_str());
    EXPECT_EQ(TraceLog::logPath(), L"");
    configure(L"Sentrixd", 1, 1, 1, L"D:\\missing\\folder\\ctl.log");
    logOneOfEach(TraceModule::Sentrixd);
    EXPECT_TRUE(files.fileNames().empty());
}

TEST_F(TraceLogTest, TheFileIsNamedAfterTheUtcStartDateForTheWholeRun) {
    platform::SystemTime lastMinute;
    lastMinute.year = 2026;
    lastMinute.month = 12;
    lastMinute.day = 31;
    lastMinute.hour = 23;
    lastMinute.minute = 59;
    clock.setStartUtc(lastMinute);
    configure(L"Sentrixd", 0, 1, 0, L"C:\\trace\\run");
    EXPECT_EQ(TraceLog::logPath(), L"C:\\trace\\run_20261231");
    logOneOfEach(TraceModule::Sentrixd);
    clock.advanceTo(2 * 60 * 1000); // past midnight
    logOneOfEach(TraceModule::Sentrixd);
    EXPECT_EQ(lines(L"C:\\trace\\run_20261231").size(), 2u);
    EXPECT_EQ(files.fileNames().size(), 1u);
}

TEST_F(TraceLogTest, ProgramsConfiguredTogetherShareOneFileWithWholeLines) {
    configure(L"Sentrixd", 1, 1, 1);
    configure(L"Outswap", 1, 1, 1);
    constexpr int kStatements = 200;
    auto worker = [](TraceModule module) {
        for (int i = 0; i < kStatements; ++i) {
            TRACE_SCOPE(module, "Worker::run");
            TRACE_MSG(L"statement %d of module %u", i, static_cast<unsigned>(module));
        }
    };
    std::thread a(worker, TraceModule::Sentrixd);
    std::thread b(worker, TraceModule::Outswap);
    a.join();
    b.join();
    const auto got = lines();
    ASSERT_EQ(got.size(), 2u * 3u * kStatements);
    const std::regex whole(R"(^ :TID\[0x[0-9a-f]+\]\[[0-9/ :.]+\] \.\\TraceLogTest\.cpp \(\d+\) : )"
                           R"((Enter Worker::run |Leave Worker::run |statement \d+ of module [14])$)");
    for (const std::string& line : got) {
        ASSERT_TRUE(std::regex_match(line, whole)) << line;
    }
}

TEST_F(TraceLogTest, AWriterWithoutItsPrefixCallDoesNotDisturbTheLock) {
    configure(L"Sentrixd", 1, 1, 1);
    TraceLog::traceMessage(1, 1, L"orphan");
    logOneOfEach(TraceModule::Sentrixd);
    EXPECT_EQ(lines().size(), 4u);
}

TEST_F(TraceLogTest, ReinstallingThePortsWhileOtherThreadsLogKeepsEveryLineWhole) {
    configure(L"Sentrixd", 1, 1, 1);
    std::atomic<bool> stop{false};
    std::atomic<int> statements{0};
    auto worker = [&] {
        while (!stop.load()) {
            TRACE_SCOPE(TraceModule::Sentrixd, "Worker::run");
            TRACE_MSG(L"statement %d", statements.fetch_add(1));
        }
    };
    std::thread a(worker);
    std::thread b(worker);
    for (int i = 0; i < 400 || statements.load() < 100; ++i) {
        if (i % 2 == 0) {
            TraceLog::installPorts({}); // logging off
        } else {
            install();
        }
        std::this_thread::yield();
    }
    stop = true;
    a.join();
    b.join();
    install();
    logOneOfEach(TraceModule::Sentrixd);

    const auto got = lines();
    ASSERT_GE(got.size(), 4u);
    EXPECT_LE(got.size(), 3u * static_cast<std::size_t>(statements.load()) + 4u);
    const std::regex whole(R"(^ :TID\[0x[0-9a-f]+\]\[[0-9/ :.]+\] \.\\TraceLogTest\.cpp \(\d+\) : )"
                           R"((Enter Worker::run |Leave Worker::run |statement \d+)$)");
    for (std::size_t i = 0; i + 4 < got.size(); ++i) { // the last four are logOneOfEach's
        ASSERT_TRUE(std::regex_match(got[i], whole)) << got[i];
    }
    EXPECT_NE(got.back().find("Leave Sample::method"), std::string::npos) << got.back();
}

} // namespace
