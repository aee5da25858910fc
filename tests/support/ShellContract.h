// The contract of the shell port, stated once and run against the simulated shell natively and
// against GetModuleFileNameW, SHGetFolderPathW, ShellExecuteW and InitCommonControlsEx under
// Wine: the program's own file name and how it is cut to a small buffer, the two folders, and
// starting a program that exists or does not. An environment type provides the port, the last
// error and a program it can start:
//   struct Env {
//       platform::Shell& shell();
//       platform::ErrorCode lastError();
//       std::wstring program();    // full path of a program that starts and ends by itself
//       std::wstring parameters(); // what it is started with
//       std::wstring missing();    // full path of a program that does not exist
//   };
#pragma once

#include "platform/Shell.h"
#include "platform/Types.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <cwctype>
#include <string>

namespace testing_support {

// "X:\…" with no separator at the end.
inline bool isAbsoluteFolder(const std::wstring& path) {
    return path.size() >= 3 && std::iswalpha(path[0]) && path[1] == L':' && path[2] == L'\\' &&
           path.back() != L'\\';
}

template <typename Env> class ShellContract : public ::testing::Test {
protected:
    platform::Shell& shell() { return env.shell(); }
    Env env;
};

TYPED_TEST_SUITE_P(ShellContract);

TYPED_TEST_P(ShellContract, TheModuleFileNameIsTheProgramsFullPathCutToTheBuffer) {
    wchar_t full[260] = {};
    const std::uint32_t length = this->shell().moduleFileName(full, 260);
    ASSERT_GT(length, 4u);
    ASSERT_LT(length, 260u);
    EXPECT_EQ(std::wcslen(full), length);
    EXPECT_TRUE(isAbsoluteFolder(full));
    const std::wstring name(full);
    std::wstring extension = name.substr(name.size() - 4);
    for (wchar_t& c : extension) {
        c = static_cast<wchar_t>(std::towlower(c));
    }
    EXPECT_EQ(extension, L".exe");

    // One character short of the terminator: cut, still terminated, the buffer's size returned
    // (Wine, like Windows XP, leaves the cut path unterminated; the adapter terminates it).
    wchar_t cut[260];
    std::wmemset(cut, L'#', 260);
    EXPECT_EQ(this->shell().moduleFileName(cut, length), length);
    EXPECT_EQ(this->env.lastError(), platform::error::kInsufficientBuffer);
    EXPECT_EQ(std::wstring(cut), name.substr(0, length - 1));
    EXPECT_EQ(cut[length], L'#') << "nothing written past the buffer";

    EXPECT_EQ(this->shell().moduleFileName(full, 0), 0u);
}

TYPED_TEST_P(ShellContract, TheFoldersAreFullPathsThatNeedTheWholeBuffer) {
    wchar_t windows[260] = {};
    ASSERT_TRUE(this->shell().windowsFolder(windows, 260));
    EXPECT_TRUE(isAbsoluteFolder(windows)) << std::wstring(windows).size();
    wchar_t common[260] = {};
    ASSERT_TRUE(this->shell().commonProgramFilesFolder(common, 260));
    EXPECT_TRUE(isAbsoluteFolder(common));
    EXPECT_NE(std::wstring(common), std::wstring(windows));

    // SHGetFolderPathW writes up to MAX_PATH characters: a shorter buffer is refused untouched.
    wchar_t small[8];
    std::wmemset(small, L'#', 8);
    EXPECT_FALSE(this->shell().windowsFolder(small, 8));
    EXPECT_FALSE(this->shell().commonProgramFilesFolder(small, 8));
    EXPECT_EQ(std::wstring(small, 8), std::wstring(8, L'#'));
}

TYPED_TEST_P(ShellContract, AProgramThatExistsStartsAndOneThatDoesNotIsRefused) {
    const std::wstring program = this->env.program();
    const std::wstring parameters = this->env.parameters();
    EXPECT_TRUE(this->shell().shellExecute(program.c_str(), parameters.c_str(), 0));
    const std::wstring missing = this->env.missing();
    EXPECT_FALSE(this->shell().shellExecute(missing.c_str(), nullptr, 0));
    EXPECT_EQ(this->env.lastError(), platform::error::kFileNotFound);
    EXPECT_TRUE(this->shell().initCommonControls(0x00004000)); // ICC_STANDARD_CLASSES
}

REGISTER_TYPED_TEST_SUITE_P(ShellContract, TheModuleFileNameIsTheProgramsFullPathCutToTheBuffer,
                            TheFoldersAreFullPathsThatNeedTheWholeBuffer,
                            AProgramThatExistsStartsAndOneThatDoesNotIsRefused);

} // namespace testing_support
