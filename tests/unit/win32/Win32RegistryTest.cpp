// Win32Registry against the real registry: keys, values, enumeration order and the buffer rules
// (kMoreData, kNoMoreItems, untouched out-parameters). Works in a scratch key of the user hive.
// Win32 only.
#include "platform/win32/Win32Registry.h"

#include "common/Text.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace platform;

namespace {

constexpr const wchar_t* kScratch = L"Software\\SentrixAdapterTest";

class Win32RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, kScratch);
        ASSERT_EQ(registry.createKey(kHkeyCurrentUser, kScratch, RegAccess::All, scratch, nullptr), error::kSuccess);
    }
    void TearDown() override {
        if (scratch != 0) {
            registry.closeKey(scratch);
        }
        RegDeleteTreeW(HKEY_CURRENT_USER, kScratch);
    }

    void setString(RegKey key, const wchar_t* name, const std::wstring& value) {
        const auto bytes = text::toUtf16Le(value);
        ASSERT_EQ(registry.setValue(key, name, regtype::kSz, bytes.data(), static_cast<std::uint32_t>(bytes.size())),
                  error::kSuccess);
    }
    void setDword(RegKey key, const wchar_t* name, std::uint32_t value) {
        ASSERT_EQ(registry.setValue(key, name, regtype::kDword, reinterpret_cast<const std::uint8_t*>(&value),
                                    sizeof(value)),
                  error::kSuccess);
    }
    std::vector<std::wstring> subkeyNames(RegKey key) {
        std::vector<std::wstring> names;
        for (std::uint32_t i = 0;; ++i) {
            wchar_t name[64];
            std::uint32_t chars = 64;
            const ErrorCode rc = registry.enumKey(key, i, name, &chars);
            if (rc != error::kSuccess) {
                EXPECT_EQ(rc, error::kNoMoreItems);
                return names;
            }
            names.emplace_back(name, chars);
        }
    }

    win32::Win32Registry registry;
    RegKey scratch = 0;
};

TEST_F(Win32RegistryTest, PredefinedRootsAreUsableAsThePortNamesThem) {
    // The ports carry the roots as their 32-bit values, whatever the width of HKEY.
    RegKey key = 0;
    ASSERT_EQ(registry.openKey(kHkeyCurrentUser, L"Software", RegAccess::Read, key), error::kSuccess);
    EXPECT_EQ(registry.closeKey(key), error::kSuccess);
    ASSERT_EQ(registry.openKey(kHkeyLocalMachine, L"SOFTWARE\\Microsoft", RegAccess::Read, key), error::kSuccess);
    EXPECT_EQ(registry.closeKey(key), error::kSuccess);
}

TEST_F(Win32RegistryTest, CreateMakesMissingPathAndTellsWhetherTheKeyWasNew) {
    RegKey key = 0;
    bool created = false;
    ASSERT_EQ(registry.createKey(scratch, L"One\\Two\\Three", RegAccess::All, key, &created), error::kSuccess);
    EXPECT_TRUE(created);
    registry.closeKey(key);
    ASSERT_EQ(registry.createKey(scratch, L"ONE\\two\\Three", RegAccess::Write, key, &created), error::kSuccess);
    EXPECT_FALSE(created);
    registry.closeKey(key);
    ASSERT_EQ(registry.openKey(kHkeyCurrentUser, L"software\\sentrixadaptertest\\one\\TWO", RegAccess::Read, key),
              error::kSuccess);
    registry.closeKey(key);

    RegKey untouched = 0x1234;
    EXPECT_EQ(registry.openKey(scratch, L"One\\Missing", RegAccess::Read, untouched), error::kFileNotFound);
    EXPECT_EQ(untouched, 0x1234u);
    EXPECT_EQ(registry.createKey(scratch, nullptr, RegAccess::All, untouched, &created), error::kInvalidParameter);
    EXPECT_EQ(untouched, 0x1234u);
}

TEST_F(Win32RegistryTest, ValuesReadBackWithTypeAndSizeAndNamesIgnoreCase) {
    setString(scratch, L"Path", L"C:\\Logs\\trace.log");
    setDword(scratch, L"LOG_TRACE", 7);
    setString(scratch, nullptr, L"default");

    std::uint32_t type = 0;
    std::uint8_t data[128] = {};
    std::uint32_t size = sizeof(data);
    ASSERT_EQ(registry.queryValue(scratch, L"path", &type, data, &size), error::kSuccess);
    EXPECT_EQ(type, regtype::kSz);
    EXPECT_EQ(size, 2 * (std::wcslen(L"C:\\Logs\\trace.log") + 1));
    EXPECT_EQ(text::fromUtf16Le(data, size), L"C:\\Logs\\trace.log");

    size = sizeof(data);
    ASSERT_EQ(registry.queryValue(scratch, L"log_trace", &type, data, &size), error::kSuccess);
    EXPECT_EQ(type, regtype::kDword);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(data[0], 7);

    // The default value answers to a null and to an empty name.
    size = sizeof(data);
    ASSERT_EQ(registry.queryValue(scratch, L"", nullptr, data, &size), error::kSuccess);
    EXPECT_EQ(text::fromUtf16Le(data, size), L"default");

    // Size only: no data buffer.
    std::uint32_t needed = 0;
    ASSERT_EQ(registry.queryValue(scratch, L"Path", nullptr, nullptr, &needed), error::kSuccess);
    EXPECT_EQ(needed, 2 * (std::wcslen(L"C:\\Logs\\trace.log") + 1));
}

TEST_F(Win32RegistryTest, QueryFailuresLeaveOutParametersAloneExceptTheNeededSize) {
    setString(scratch, L"Long", L"0123456789");
    std::uint32_t type = 99;
    std::uint8_t data[8];
    std::fill(std::begin(data), std::end(data), 0xAB);
    std::uint32_t size = sizeof(data);
    ASSERT_EQ(registry.queryValue(scratch, L"Long", &type, data, &size), error::kMoreData);
    EXPECT_EQ(size, 22u);
    EXPECT_EQ(type, 99u);
    for (std::uint8_t b : data) {
        EXPECT_EQ(b, 0xAB);
    }

    size = sizeof(data);
    EXPECT_EQ(registry.queryValue(scratch, L"Absent", &type, data, &size), error::kFileNotFound);
    EXPECT_EQ(size, sizeof(data));
    EXPECT_EQ(type, 99u);

    EXPECT_EQ(registry.queryValue(scratch, L"Long", &type, data, nullptr), error::kInvalidParameter);

    // A key opened for writing only cannot be read.
    RegKey writeOnly = 0;
    ASSERT_EQ(registry.openKey(kHkeyCurrentUser, kScratch, RegAccess::Write, writeOnly), error::kSuccess);
    size = sizeof(data);
    EXPECT_EQ(registry.queryValue(writeOnly, L"Long", &type, data, &size), error::kAccessDenied);
    registry.closeKey(writeOnly);
}

TEST_F(Win32RegistryTest, SubkeysEnumerateAlphabeticallyIgnoringCase) {
    for (const wchar_t* name : {L"delta", L"Bravo", L"alpha", L"Charlie"}) {
        RegKey key = 0;
        ASSERT_EQ(registry.createKey(scratch, name, RegAccess::All, key, nullptr), error::kSuccess);
        registry.closeKey(key);
    }
    EXPECT_EQ(subkeyNames(scratch), (std::vector<std::wstring>{L"alpha", L"Bravo", L"Charlie", L"delta"}));
}

TEST_F(Win32RegistryTest, EnumerationOrderIsTheOneWindowsGives) {
    // Wine's registry keeps values sorted by name and compares names lower-cased; Windows keeps
    // values in creation order and compares upper-cased names, so '_' sorts after the letters.
    if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr) {
        GTEST_SKIP() << "Wine orders values by name and '_' before letters; Windows does not";
    }
    for (const wchar_t* name : {L"Zeta", L"alpha", L"Mid"}) {
        setDword(scratch, name, 1);
    }
    std::vector<std::wstring> values;
    wchar_t name[16];
    std::uint32_t chars = 16;
    for (std::uint32_t i = 0; registry.enumValue(scratch, i, name, &chars, nullptr, nullptr, nullptr) ==
                              error::kSuccess;
         ++i, chars = 16) {
        values.emplace_back(name, chars);
    }
    EXPECT_EQ(values, (std::vector<std::wstring>{L"Zeta", L"alpha", L"Mid"}));

    for (const wchar_t* subkey : {L"_under", L"beta"}) {
        RegKey key = 0;
        ASSERT_EQ(registry.createKey(scratch, subkey, RegAccess::All, key, nullptr), error::kSuccess);
        registry.closeKey(key);
    }
    EXPECT_EQ(subkeyNames(scratch), (std::vector<std::wstring>{L"beta", L"_under"}));
}

TEST_F(Win32RegistryTest, SubkeyNameMustFitWithItsTerminator) {
    RegKey key = 0;
    ASSERT_EQ(registry.createKey(scratch, L"Launcher", RegAccess::All, key, nullptr), error::kSuccess);
    registry.closeKey(key);

    wchar_t name[16] = L"untouched";
    std::uint32_t chars = 8; // "Launcher" needs 9 with the terminator
    EXPECT_EQ(registry.enumKey(scratch, 0, name, &chars), error::kMoreData);
    EXPECT_EQ(chars, 8u);
    EXPECT_STREQ(name, L"untouched");

    chars = 9;
    ASSERT_EQ(registry.enumKey(scratch, 0, name, &chars), error::kSuccess);
    EXPECT_EQ(chars, 8u);
    EXPECT_STREQ(name, L"Launcher");

    chars = 16;
    EXPECT_EQ(registry.enumKey(scratch, 1, name, &chars), error::kNoMoreItems);
    EXPECT_EQ(chars, 16u);
    EXPECT_EQ(registry.enumKey(scratch, 0, nullptr, &chars), error::kInvalidParameter);
}

TEST_F(Win32RegistryTest, ValuesEnumerateWithNameTypeAndDataUntilNoMoreItems) {
    setString(scratch, L"Rule1", L"first");
    setDword(scratch, L"Rule2", 2);

    std::vector<std::wstring> names;
    for (std::uint32_t i = 0;; ++i) {
        wchar_t name[64];
        std::uint32_t chars = 64;
        std::uint32_t type = 0;
        std::uint8_t data[512];
        std::uint32_t size = sizeof(data);
        const ErrorCode rc = registry.enumValue(scratch, i, name, &chars, &type, data, &size);
        if (rc == error::kNoMoreItems) {
            break;
        }
        ASSERT_EQ(rc, error::kSuccess);
        names.emplace_back(name, chars);
        if (names.back() == L"Rule1") {
            EXPECT_EQ(type, regtype::kSz);
            EXPECT_EQ(text::fromUtf16Le(data, size), L"first");
        } else {
            EXPECT_EQ(type, regtype::kDword);
            EXPECT_EQ(size, 4u);
        }
    }
    EXPECT_EQ(names, (std::vector<std::wstring>{L"Rule1", L"Rule2"}));
}

TEST_F(Win32RegistryTest, EnumValueReportsMoreDataForLongNameOrData) {
    setString(scratch, L"AVeryLongValueName", L"x");
    wchar_t name[8] = L"same";
    std::uint32_t chars = 8;
    std::uint32_t type = 99;
    std::uint8_t data[64] = {};
    std::uint32_t size = sizeof(data);
    EXPECT_EQ(registry.enumValue(scratch, 0, name, &chars, &type, data, &size), error::kMoreData);
    EXPECT_STREQ(name, L"same");
    EXPECT_EQ(chars, 8u);
    EXPECT_EQ(type, 99u);

    RegKey other = 0;
    ASSERT_EQ(registry.createKey(scratch, L"Data", RegAccess::All, other, nullptr), error::kSuccess);
    setString(other, L"R", std::wstring(40, L'z')); // 82 bytes of data
    wchar_t shortName[8] = {};
    chars = 8;
    std::uint8_t small[16];
    std::fill(std::begin(small), std::end(small), 0xCD);
    size = sizeof(small);
    EXPECT_EQ(registry.enumValue(other, 0, shortName, &chars, &type, small, &size), error::kMoreData);
    EXPECT_EQ(size, 82u); // the size needed, as queryValue reports it
    EXPECT_EQ(small[0], 0xCD);

    chars = 8;
    size = 0;
    ASSERT_EQ(registry.enumValue(other, 0, shortName, &chars, &type, nullptr, &size), error::kSuccess);
    EXPECT_EQ(size, 82u);
    EXPECT_STREQ(shortName, L"R");
    chars = 8;
    EXPECT_EQ(registry.enumValue(other, 1, shortName, &chars, nullptr, nullptr, nullptr), error::kNoMoreItems);
    registry.closeKey(other);
}

TEST_F(Win32RegistryTest, ClosedOrBogusKeysFailWithInvalidHandle) {
    RegKey key = 0;
    ASSERT_EQ(registry.openKey(kHkeyCurrentUser, kScratch, RegAccess::Read, key), error::kSuccess);
    ASSERT_EQ(registry.closeKey(key), error::kSuccess);
    std::uint32_t size = 0;
    EXPECT_EQ(registry.queryValue(key, L"x", nullptr, nullptr, &size), error::kInvalidHandle);
    EXPECT_EQ(registry.closeKey(0x7FF0), error::kInvalidHandle);
}

} // namespace
