// The contract of the libraries port, stated once and run against the simulated loader natively
// and against LoadLibraryW/GetProcAddress/FreeLibrary under Wine: what a missing library, a
// missing entry and a library in another folder give, that one library has one handle however
// it is spelled, and that every load counts a reference that free releases. (Restricting the
// search path is left out: it would last for the rest of the test program.) An environment
// type provides the port, the last error and one library it has:
//   struct Env {
//       platform::Libraries& libraries();
//       platform::ErrorCode lastError();
//       std::wstring folder();     // where the library lies, no separator at the end
//       std::wstring fileName();   // its file name, "name.dll", lower case
//       const char* entry();       // an entry it exports
//       std::wstring otherFolder(); // a folder that exists and does not hold it
//   };
#pragma once

#include "platform/Libraries.h"
#include "platform/Types.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <string>

namespace testing_support {

inline constexpr platform::ErrorCode kModNotFound = 126;  // ERROR_MOD_NOT_FOUND
inline constexpr platform::ErrorCode kProcNotFound = 127; // ERROR_PROC_NOT_FOUND

template <typename Env> class LibrariesContract : public ::testing::Test {
protected:
    platform::Libraries& libraries() { return env.libraries(); }
    std::wstring fullPath() { return env.folder() + L"\\" + env.fileName(); }
    Env env;
};

TYPED_TEST_SUITE_P(LibrariesContract);

TYPED_TEST_P(LibrariesContract, AMissingLibraryOrEntryIsReportedAsSuch) {
    const std::wstring missing = this->env.folder() + L"\\SentrixNoSuchLibrary.dll";
    EXPECT_EQ(this->libraries().load(missing.c_str()), 0u);
    EXPECT_EQ(this->env.lastError(), kModNotFound);
    EXPECT_EQ(this->libraries().load(L"SentrixNoSuchLibrary.dll"), 0u);
    EXPECT_EQ(this->env.lastError(), kModNotFound);

    const std::wstring path = this->fullPath();
    const platform::LibraryHandle library = this->libraries().load(path.c_str());
    ASSERT_NE(library, 0u);
    EXPECT_NE(this->libraries().bind(library, this->env.entry()), nullptr);
    EXPECT_EQ(this->libraries().bind(library, "SentrixNoSuchEntry"), nullptr);
    EXPECT_EQ(this->env.lastError(), kProcNotFound);
    EXPECT_TRUE(this->libraries().free(library));
}

TYPED_TEST_P(LibrariesContract, OneLibraryHasOneHandleHoweverItIsSpelled) {
    const std::wstring path = this->fullPath();
    const platform::LibraryHandle library = this->libraries().load(path.c_str());
    ASSERT_NE(library, 0u);

    std::wstring upper = path;
    std::transform(upper.begin(), upper.end(), upper.begin(), [](wchar_t c) { return std::towupper(c); });
    std::wstring slashed = path;
    slashed[this->env.folder().size()] = L'/';
    const std::wstring withoutExtension = path.substr(0, path.size() - 4); // ".dll" is added
    for (const std::wstring& spelling : {upper, slashed, withoutExtension, this->env.fileName()}) {
        const platform::LibraryHandle again = this->libraries().load(spelling.c_str());
        EXPECT_EQ(again, library) << std::string(spelling.begin(), spelling.end());
        EXPECT_TRUE(this->libraries().free(again));
    }
    EXPECT_TRUE(this->libraries().free(library));
}

TYPED_TEST_P(LibrariesContract, AFullPathFindsTheLibraryOnlyInThatFolder) {
    const std::wstring elsewhere = this->env.otherFolder() + L"\\" + this->env.fileName();
    EXPECT_EQ(this->libraries().load(elsewhere.c_str()), 0u);
    EXPECT_EQ(this->env.lastError(), kModNotFound);
}

TYPED_TEST_P(LibrariesContract, EachLoadCountsAReferenceThatFreeReleases) {
    const std::wstring path = this->fullPath();
    const platform::LibraryHandle first = this->libraries().load(path.c_str());
    const platform::LibraryHandle second = this->libraries().load(path.c_str());
    ASSERT_NE(first, 0u);
    ASSERT_EQ(second, first);
    EXPECT_TRUE(this->libraries().free(first));
    EXPECT_NE(this->libraries().bind(second, this->env.entry()), nullptr) << "one reference is still held";
    EXPECT_TRUE(this->libraries().free(second));
    EXPECT_FALSE(this->libraries().free(0));
}

REGISTER_TYPED_TEST_SUITE_P(LibrariesContract, AMissingLibraryOrEntryIsReportedAsSuch,
                            OneLibraryHasOneHandleHoweverItIsSpelled,
                            AFullPathFindsTheLibraryOnlyInThatFolder,
                            EachLoadCountsAReferenceThatFreeReleases);

} // namespace testing_support
