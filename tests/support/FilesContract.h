// The contract of the files port, stated once and run against the simulated file system
// natively and the Win32 files under Wine: appends concatenate bytes unchanged, names compare
// without case and take either separator, and a missing folder is never created. An environment
// type provides the port and a scratch folder that exists and is empty:
//   struct Env {
//       platform::Files& files();
//       std::wstring folder();                                     // no separator at the end
//       std::optional<std::string> content(const std::wstring& path); // null: no such file
//       bool folderExists(const std::wstring& path);
//   };
#pragma once

#include "platform/Files.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace testing_support {

template <typename Env> class FilesContract : public ::testing::Test {
protected:
    std::wstring in(const wchar_t* name) { return env.folder() + L"\\" + name; }
    Env env;
};

TYPED_TEST_SUITE_P(FilesContract);

TYPED_TEST_P(FilesContract, AppendsConcatenateBytesUnchanged) {
    const std::wstring log = this->in(L"trace_2024.log");
    const std::string first = "first line\r\n";
    const std::string second("bin\0\xFF\n\r\n", 8); // no text-mode translation, zero byte kept
    ASSERT_TRUE(this->env.files().append(log.c_str(), first.data(), first.size()));
    ASSERT_TRUE(this->env.files().append(log.c_str(), second.data(), second.size()));
    EXPECT_EQ(this->env.content(log), std::optional<std::string>(first + second));

    ASSERT_TRUE(this->env.files().append(log.c_str(), nullptr, 0)); // opens and closes, adds nothing
    EXPECT_EQ(this->env.content(log), std::optional<std::string>(first + second));
    const std::wstring empty = this->in(L"empty.log");
    ASSERT_TRUE(this->env.files().append(empty.c_str(), nullptr, 0));
    EXPECT_EQ(this->env.content(empty), std::optional<std::string>(""))
        << "an empty append still creates the file";
}

TYPED_TEST_P(FilesContract, NamesCompareWithoutCaseAndTakeEitherSeparator) {
    const std::wstring log = this->in(L"Trace.log");
    ASSERT_TRUE(this->env.files().append(log.c_str(), "a", 1));
    const std::wstring upper = this->in(L"TRACE.LOG");
    ASSERT_TRUE(this->env.files().append(upper.c_str(), "b", 1));
    std::wstring slashed = this->in(L"trace.log");
    slashed[this->env.folder().size()] = L'/';
    ASSERT_TRUE(this->env.files().append(slashed.c_str(), "c", 1));
    EXPECT_EQ(this->env.content(log), std::optional<std::string>("abc")) << "one file under three spellings";
}

TYPED_TEST_P(FilesContract, AMissingFolderIsNotCreatedAndBadArgumentsFail) {
    const std::wstring absent = this->in(L"absent");
    const std::wstring missing = absent + L"\\trace.log";
    EXPECT_FALSE(this->env.files().append(missing.c_str(), "x", 1));
    EXPECT_FALSE(this->env.folderExists(absent));
    EXPECT_FALSE(this->env.content(missing));
    EXPECT_FALSE(this->env.files().append(nullptr, "x", 1));
    EXPECT_FALSE(this->env.files().append(L"", "x", 1));
    const std::wstring noData = this->in(L"nodata.log");
    EXPECT_FALSE(this->env.files().append(noData.c_str(), nullptr, 4));
    EXPECT_FALSE(this->env.content(noData)) << "refused before the file is made";
}

REGISTER_TYPED_TEST_SUITE_P(FilesContract, AppendsConcatenateBytesUnchanged,
                            NamesCompareWithoutCaseAndTakeEitherSeparator,
                            AMissingFolderIsNotCreatedAndBadArgumentsFail);

} // namespace testing_support
