// The contract of the registry port, stated once and run against the simulated registry
// natively and the Win32 registry under Wine: key creation and opening, value types and sizes,
// the buffer rules (kMoreData with the size needed, out-parameters untouched on failure),
// enumeration orders, access rights of a handle, the name limits and dead handles. Each test
// works in an empty scratch key of the user hive. An environment type provides the port:
//   struct Env {
//       platform::Registry& registry();
//       bool underWine(); // Wine lists values by name, not in creation order, and takes
//                         // key names longer than Windows' 255 characters
//   };
#pragma once

#include "common/Text.h"
#include "platform/Registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace testing_support {

inline constexpr const wchar_t* kRegistryScratch = L"Software\\SentrixAdapterTest";

template <typename Env> class RegistryContract : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(registry().createKey(platform::kHkeyCurrentUser, kRegistryScratch, platform::RegAccess::All,
                                       scratch, nullptr),
                  platform::error::kSuccess);
        ASSERT_TRUE(subkeyNames(scratch).empty()) << "the environment starts with an empty scratch key";
    }
    void TearDown() override {
        if (scratch != 0) {
            registry().closeKey(scratch);
        }
    }

    platform::Registry& registry() { return env.registry(); }

    void setString(platform::RegKey key, const wchar_t* name, const std::wstring& value) {
        const auto bytes = text::toUtf16Le(value);
        ASSERT_EQ(registry().setValue(key, name, platform::regtype::kSz, bytes.data(),
                                      static_cast<std::uint32_t>(bytes.size())),
                  platform::error::kSuccess);
    }
    void setDword(platform::RegKey key, const wchar_t* name, std::uint32_t value) {
        const std::uint8_t bytes[4] = {
            static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
        ASSERT_EQ(registry().setValue(key, name, platform::regtype::kDword, bytes, 4),
                  platform::error::kSuccess);
    }
    std::vector<std::wstring> subkeyNames(platform::RegKey key) {
        std::vector<std::wstring> names;
        for (std::uint32_t i = 0;; ++i) {
            wchar_t name[300];
            std::uint32_t chars = 300;
            const platform::ErrorCode rc = registry().enumKey(key, i, name, &chars);
            if (rc != platform::error::kSuccess) {
                EXPECT_EQ(rc, platform::error::kNoMoreItems);
                return names;
            }
            names.emplace_back(name, chars);
        }
    }

    Env env;
    platform::RegKey scratch = 0;
};

TYPED_TEST_SUITE_P(RegistryContract);

using namespace platform;

TYPED_TEST_P(RegistryContract, CreateMakesMissingPathAndTellsWhetherTheKeyWasNew) {
    RegKey key = 0;
    bool created = false;
    ASSERT_EQ(this->registry().createKey(this->scratch, L"One\\Two\\Three", RegAccess::All, key, &created),
              error::kSuccess);
    EXPECT_TRUE(created);
    this->registry().closeKey(key);
    ASSERT_EQ(this->registry().createKey(this->scratch, L"ONE\\two\\Three", RegAccess::Write, key, &created),
              error::kSuccess);
    EXPECT_FALSE(created);
    this->registry().closeKey(key);
    ASSERT_EQ(this->registry().openKey(kHkeyCurrentUser, L"software\\sentrixadaptertest\\one\\TWO",
                                       RegAccess::Read, key),
              error::kSuccess);
    this->registry().closeKey(key);

    RegKey untouched = 0x1234;
    EXPECT_EQ(this->registry().openKey(this->scratch, L"One\\Missing", RegAccess::Read, untouched),
              error::kFileNotFound);
    EXPECT_EQ(untouched, 0x1234u);
    EXPECT_EQ(this->registry().createKey(this->scratch, nullptr, RegAccess::All, untouched, &created),
              error::kInvalidParameter);
    EXPECT_EQ(untouched, 0x1234u);
}

TYPED_TEST_P(RegistryContract, ValuesReadBackWithTypeAndSizeAndNamesIgnoreCase) {
    this->setString(this->scratch, L"Path", L"C:\\Logs\\trace.log");
    this->setDword(this->scratch, L"LOG_TRACE", 7);
    this->setString(this->scratch, nullptr, L"default");

    std::uint32_t type = 0;
    std::uint8_t data[128] = {};
    std::uint32_t size = sizeof(data);
    ASSERT_EQ(this->registry().queryValue(this->scratch, L"path", &type, data, &size), error::kSuccess);
    EXPECT_EQ(type, regtype::kSz);
    EXPECT_EQ(size, 2 * (std::wcslen(L"C:\\Logs\\trace.log") + 1));
    EXPECT_EQ(text::fromUtf16Le(data, size), L"C:\\Logs\\trace.log");

    size = sizeof(data);
    ASSERT_EQ(this->registry().queryValue(this->scratch, L"log_trace", &type, data, &size), error::kSuccess);
    EXPECT_EQ(type, regtype::kDword);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(data[0], 7);

    // The default value answers to a null and to an empty name.
    size = sizeof(data);
    ASSERT_EQ(this->registry().queryValue(this->scratch, L"", nullptr, data, &size), error::kSuccess);
    EXPECT_EQ(text::fromUtf16Le(data, size), L"default");

    // Size only: no data buffer.
    std::uint32_t needed = 0;
    ASSERT_EQ(this->registry().queryValue(this->scratch, L"Path", nullptr, nullptr, &needed),
              error::kSuccess);
    EXPECT_EQ(needed, 2 * (std::wcslen(L"C:\\Logs\\trace.log") + 1));
}

TYPED_TEST_P(RegistryContract, QueryFailuresLeaveOutParametersAloneExceptTheNeededSize) {
    this->setString(this->scratch, L"Long", L"0123456789");
    std::uint32_t type = 99;
    std::uint8_t data[8];
    std::fill(std::begin(data), std::end(data), 0xAB);
    std::uint32_t size = sizeof(data);
    ASSERT_EQ(this->registry().queryValue(this->scratch, L"Long", &type, data, &size), error::kMoreData);
    EXPECT_EQ(size, 22u);
    EXPECT_EQ(type, 99u);
    for (std::uint8_t b : data) {
        EXPECT_EQ(b, 0xAB);
    }

    size = sizeof(data);
    EXPECT_EQ(this->registry().queryValue(this->scratch, L"Absent", &type, data, &size),
              error::kFileNotFound);
    EXPECT_EQ(size, sizeof(data));
    EXPECT_EQ(type, 99u);

    EXPECT_EQ(this->registry().queryValue(this->scratch, L"Long", &type, data, nullptr),
              error::kInvalidParameter);

    // A key opened for writing only cannot be read.
    RegKey writeOnly = 0;
    ASSERT_EQ(this->registry().openKey(kHkeyCurrentUser, kRegistryScratch, RegAccess::Write, writeOnly),
              error::kSuccess);
    size = sizeof(data);
    EXPECT_EQ(this->registry().queryValue(writeOnly, L"Long", &type, data, &size), error::kAccessDenied);
    this->registry().closeKey(writeOnly);
}

TYPED_TEST_P(RegistryContract, SubkeysEnumerateAlphabeticallyIgnoringCase) {
    for (const wchar_t* name : {L"delta", L"Bravo", L"alpha", L"Charlie"}) {
        RegKey key = 0;
        ASSERT_EQ(this->registry().createKey(this->scratch, name, RegAccess::All, key, nullptr),
                  error::kSuccess);
        this->registry().closeKey(key);
    }
    EXPECT_EQ(this->subkeyNames(this->scratch),
              (std::vector<std::wstring>{L"alpha", L"Bravo", L"Charlie", L"delta"}));
}

TYPED_TEST_P(RegistryContract, EnumerationOrderIsTheOneWindowsGives) {
    // Wine's registry keeps values sorted by name and compares names lower-cased; Windows keeps
    // values in creation order and compares upper-cased names, so '_' sorts after the letters.
    if (this->env.underWine()) {
        GTEST_SKIP() << "Wine orders values by name and '_' before letters; Windows does not";
    }
    for (const wchar_t* name : {L"Zeta", L"alpha", L"Mid"}) {
        this->setDword(this->scratch, name, 1);
    }
    std::vector<std::wstring> values;
    wchar_t name[16];
    std::uint32_t chars = 16;
    for (std::uint32_t i = 0; this->registry().enumValue(this->scratch, i, name, &chars, nullptr, nullptr,
                                                         nullptr) == error::kSuccess;
         ++i, chars = 16) {
        values.emplace_back(name, chars);
    }
    EXPECT_EQ(values, (std::vector<std::wstring>{L"Zeta", L"alpha", L"Mid"}));

    for (const wchar_t* subkey : {L"_under", L"beta"}) {
        RegKey key = 0;
        ASSERT_EQ(this->registry().createKey(this->scratch, subkey, RegAccess::All, key, nullptr),
                  error::kSuccess);
        this->registry().closeKey(key);
    }
    EXPECT_EQ(this->subkeyNames(this->scratch), (std::vector<std::wstring>{L"beta", L"_under"}));
}

TYPED_TEST_P(RegistryContract, SubkeyNameMustFitWithItsTerminator) {
    RegKey key = 0;
    ASSERT_EQ(this->registry().createKey(this->scratch, L"Launcher", RegAccess::All, key, nullptr),
              error::kSuccess);
    this->registry().closeKey(key);

    wchar_t name[16] = L"untouched";
    std::uint32_t chars = 8; // "Launcher" needs 9 with the terminator
    EXPECT_EQ(this->registry().enumKey(this->scratch, 0, name, &chars), error::kMoreData);
    EXPECT_EQ(chars, 8u);
    EXPECT_STREQ(name, L"untouched");

    chars = 9;
    ASSERT_EQ(this->registry().enumKey(this->scratch, 0, name, &chars), error::kSuccess);
    EXPECT_EQ(chars, 8u);
    EXPECT_STREQ(name, L"Launcher");

    chars = 16;
    EXPECT_EQ(this->registry().enumKey(this->scratch, 1, name, &chars), error::kNoMoreItems);
    EXPECT_EQ(chars, 16u);
    EXPECT_EQ(this->registry().enumKey(this->scratch, 0, nullptr, &chars), error::kInvalidParameter);
}

TYPED_TEST_P(RegistryContract, ValuesEnumerateWithNameTypeAndDataUntilNoMoreItems) {
    this->setString(this->scratch, L"Rule1", L"first");
    this->setDword(this->scratch, L"Rule2", 2);

    std::vector<std::wstring> names;
    for (std::uint32_t i = 0;; ++i) {
        wchar_t name[64];
        std::uint32_t chars = 64;
        std::uint32_t type = 0;
        std::uint8_t data[512];
        std::uint32_t size = sizeof(data);
        const ErrorCode rc = this->registry().enumValue(this->scratch, i, name, &chars, &type, data, &size);
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

TYPED_TEST_P(RegistryContract, EnumValueReportsMoreDataForLongNameOrData) {
    this->setString(this->scratch, L"AVeryLongValueName", L"x");
    wchar_t name[8] = L"same";
    std::uint32_t chars = 8;
    std::uint32_t type = 99;
    std::uint8_t data[64] = {};
    std::uint32_t size = sizeof(data);
    EXPECT_EQ(this->registry().enumValue(this->scratch, 0, name, &chars, &type, data, &size),
              error::kMoreData);
    EXPECT_STREQ(name, L"same");
    EXPECT_EQ(chars, 8u);
    EXPECT_EQ(type, 99u);

    RegKey other = 0;
    ASSERT_EQ(this->registry().createKey(this->scratch, L"Data", RegAccess::All, other, nullptr),
              error::kSuccess);
    this->setString(other, L"R", std::wstring(40, L'z')); // 82 bytes of data
    wchar_t shortName[8] = {};
    chars = 8;
    std::uint8_t small[16];
    std::fill(std::begin(small), std::end(small), 0xCD);
    size = sizeof(small);
    EXPECT_EQ(this->registry().enumValue(other, 0, shortName, &chars, &type, small, &size), error::kMoreData);
    EXPECT_EQ(size, 82u); // the size needed, as queryValue reports it
    EXPECT_EQ(small[0], 0xCD);

    chars = 8;
    size = 0;
    ASSERT_EQ(this->registry().enumValue(other, 0, shortName, &chars, &type, nullptr, &size),
              error::kSuccess);
    EXPECT_EQ(size, 82u);
    EXPECT_STREQ(shortName, L"R");
    chars = 8;
    EXPECT_EQ(this->registry().enumValue(other, 1, shortName, &chars, nullptr, nullptr, nullptr),
              error::kNoMoreItems);
    this->registry().closeKey(other);
}

TYPED_TEST_P(RegistryContract, ClosedOrBogusKeysFailWithInvalidHandle) {
    RegKey key = 0;
    ASSERT_EQ(this->registry().openKey(kHkeyCurrentUser, kRegistryScratch, RegAccess::Read, key),
              error::kSuccess);
    ASSERT_EQ(this->registry().closeKey(key), error::kSuccess);
    std::uint32_t size = 0;
    EXPECT_EQ(this->registry().queryValue(key, L"x", nullptr, nullptr, &size), error::kInvalidHandle);
    EXPECT_EQ(this->registry().closeKey(0x7FF0), error::kInvalidHandle);
}

TYPED_TEST_P(RegistryContract, AReadHandleCreatesSubkeysButCannotWriteValues) {
    // Creating a key is checked against the parent key's security, not against the access
    // the handle was opened with; setting a value needs the handle's own right.
    RegKey reader = 0;
    ASSERT_EQ(this->registry().openKey(kHkeyCurrentUser, kRegistryScratch, RegAccess::Read, reader),
              error::kSuccess);
    const std::uint8_t one[4] = {1, 0, 0, 0};
    EXPECT_EQ(this->registry().setValue(reader, L"v", regtype::kDword, one, 4), error::kAccessDenied);
    std::uint32_t size = 0;
    EXPECT_EQ(this->registry().queryValue(this->scratch, L"v", nullptr, nullptr, &size),
              error::kFileNotFound);

    RegKey sub = 0;
    ASSERT_EQ(this->registry().createKey(reader, L"Sub", RegAccess::All, sub, nullptr), error::kSuccess);
    EXPECT_EQ(this->registry().setValue(sub, L"v", regtype::kDword, one, 4), error::kSuccess)
        << "the new key's handle has the access it asked for";
    EXPECT_EQ(this->subkeyNames(this->scratch), std::vector<std::wstring>{L"Sub"});
    this->registry().closeKey(sub);
    this->registry().closeKey(reader);
}

TYPED_TEST_P(RegistryContract, KeyNamesTakeUpTo255CharactersAndValuesMayBeEmpty) {
    const std::wstring name255(255, L'k');
    RegKey out = 0;
    ASSERT_EQ(this->registry().createKey(this->scratch, name255.c_str(), RegAccess::All, out, nullptr),
              error::kSuccess);
    this->registry().closeKey(out);
    if (!this->env.underWine()) { // Wine takes longer key names
        out = 0x1234;
        EXPECT_EQ(
            this->registry().createKey(this->scratch, (name255 + L"k").c_str(), RegAccess::All, out, nullptr),
            error::kInvalidParameter);
        EXPECT_EQ(out, 0x1234u);
        EXPECT_EQ(this->subkeyNames(this->scratch), std::vector<std::wstring>{name255});
    }

    // A value with no data is a value of size 0; data without a buffer is refused.
    EXPECT_EQ(this->registry().setValue(this->scratch, L"Empty", regtype::kBinary, nullptr, 0),
              error::kSuccess);
    std::uint32_t size = 99;
    std::uint32_t type = 0;
    std::uint8_t data[4];
    EXPECT_EQ(this->registry().queryValue(this->scratch, L"Empty", &type, data, &size), error::kSuccess);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(type, regtype::kBinary);
}

REGISTER_TYPED_TEST_SUITE_P(RegistryContract, CreateMakesMissingPathAndTellsWhetherTheKeyWasNew,
                            ValuesReadBackWithTypeAndSizeAndNamesIgnoreCase,
                            QueryFailuresLeaveOutParametersAloneExceptTheNeededSize,
                            SubkeysEnumerateAlphabeticallyIgnoringCase, EnumerationOrderIsTheOneWindowsGives,
                            SubkeyNameMustFitWithItsTerminator,
                            ValuesEnumerateWithNameTypeAndDataUntilNoMoreItems,
                            EnumValueReportsMoreDataForLongNameOrData, ClosedOrBogusKeysFailWithInvalidHandle,
                            AReadHandleCreatesSubkeysButCannotWriteValues,
                            KeyNamesTakeUpTo255CharactersAndValuesMayBeEmpty);

} // namespace testing_support
