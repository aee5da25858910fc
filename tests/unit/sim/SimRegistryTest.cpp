// The simulated registry: the registry contract, and what only the simulation has or checks
// more closely: orders with the default value, deleted keys, limits, fault injection and
// concurrent use.
#include "sim/SimRegistry.h"
#include "tests/support/RegistryContract.h"

#include "common/Text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

using namespace platform;
using sim::SimRegistry;

namespace {

constexpr RegKey kHklm = kHkeyLocalMachine;

class SimRegistryTest : public ::testing::Test {
protected:
    RegKey create(const wchar_t* path, RegAccess access = RegAccess::All, RegKey parent = kHklm) {
        RegKey key = 0;
        EXPECT_EQ(registry.createKey(parent, path, access, key, nullptr), error::kSuccess)
            << text::toUtf8(path);
        return key;
    }
    RegKey open(const wchar_t* path, RegAccess access = RegAccess::All, RegKey parent = kHklm) {
        RegKey key = 0;
        EXPECT_EQ(registry.openKey(parent, path, access, key), error::kSuccess) << text::toUtf8(path);
        return key;
    }
    ErrorCode setDword(RegKey key, const wchar_t* name, std::uint32_t value) {
        const std::uint8_t bytes[4] = {
            static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
        return registry.setValue(key, name, regtype::kDword, bytes, 4);
    }
    std::vector<std::wstring> enumKeys(RegKey key) {
        std::vector<std::wstring> names;
        wchar_t name[256];
        std::uint32_t chars = 256;
        for (std::uint32_t i = 0; registry.enumKey(key, i, name, &chars) == error::kSuccess;
             ++i, chars = 256) {
            names.emplace_back(name, chars);
        }
        return names;
    }

    SimRegistry registry;
};

TEST_F(SimRegistryTest, NamesCompareWithoutCaseAndKeepTheCaseTheyWereCreatedWith) {
    bool created = false;
    RegKey key = 0;
    ASSERT_EQ(registry.createKey(kHklm, L"Software\\Korvath\\Tracelog", RegAccess::All, key, &created),
              error::kSuccess);
    EXPECT_TRUE(created);
    EXPECT_NE(key, 0u);
    EXPECT_TRUE(registry.keyExists(kHklm, L"SOFTWARE\\korvath")); // intermediate keys were created
    ASSERT_EQ(setDword(key, L"LogLevel", 3), error::kSuccess);
    ASSERT_EQ(setDword(key, L"LOGLEVEL", 4), error::kSuccess); // same value, original name kept
    EXPECT_EQ(registry.valueNames(kHklm, L"software\\KORVATH\\tracelog"),
              std::vector<std::wstring>{L"LogLevel"});

    RegKey again = 0;
    ASSERT_EQ(registry.createKey(kHklm, L"SOFTWARE\\KORVATH\\TRACELOG", RegAccess::All, again, &created),
              error::kSuccess);
    EXPECT_FALSE(created);
    std::uint8_t data[4] = {};
    std::uint32_t size = sizeof(data);
    EXPECT_EQ(registry.queryValue(again, L"loglevel", nullptr, data, &size), error::kSuccess);
    EXPECT_EQ(data[0], 4);
    EXPECT_EQ(enumKeys(open(L"software")), std::vector<std::wstring>{L"Korvath"});
    EXPECT_EQ(registry.subkeyNames(kHkeyCurrentUser, L""), std::vector<std::wstring>{}); // hives are separate
}

TEST_F(SimRegistryTest, SubkeysEnumerateUpperCasedAlphabeticallyAndValuesInCreationOrder) {
    const RegKey root = create(L"Order");
    for (const wchar_t* name : {L"b", L"_x", L"C", L"a1", L"A"}) {
        registry.closeKey(create(name, RegAccess::All, root));
    }
    EXPECT_EQ(enumKeys(root), (std::vector<std::wstring>{L"A", L"a1", L"b", L"C", L"_x"}));

    for (const wchar_t* name : {L"z", L"", L"m", L"a"}) {
        ASSERT_EQ(setDword(root, name, 1), error::kSuccess);
    }
    ASSERT_EQ(setDword(root, L"Z", 2), error::kSuccess);                     // overwrite keeps its place
    ASSERT_EQ(registry.deleteValue(kHklm, L"Order", L"m"), error::kSuccess); // re-created: to the end
    ASSERT_EQ(setDword(root, L"m", 3), error::kSuccess);
    EXPECT_EQ(registry.valueNames(kHklm, L"Order"), (std::vector<std::wstring>{L"z", L"", L"a", L"m"}));

    wchar_t name[8];
    std::uint32_t chars = 8;
    ASSERT_EQ(registry.enumValue(root, 1, name, &chars, nullptr, nullptr, nullptr), error::kSuccess);
    EXPECT_EQ(chars, 0u); // the default value enumerates with an empty name
    EXPECT_EQ(name[0], L'\0');
    chars = 8;
    EXPECT_EQ(registry.enumValue(root, 4, name, &chars, nullptr, nullptr, nullptr), error::kNoMoreItems);
    EXPECT_EQ(registry.enumKey(root, 5, name, &chars), error::kNoMoreItems);
}

TEST_F(SimRegistryTest, QueryValueFollowsTheBufferRules) {
    const RegKey key = create(L"Q");
    ASSERT_EQ(registry.setString(kHklm, L"Q", L"Path", L"C:\\log"), error::kSuccess);
    ASSERT_EQ(registry.setString(kHklm, L"Q", L"", L"dflt"), error::kSuccess);
    const auto expected = text::toUtf16Le(L"C:\\log");

    std::uint32_t type = 99;
    std::uint32_t size = 0;
    EXPECT_EQ(registry.queryValue(key, L"path", &type, nullptr, &size), error::kSuccess); // size only
    EXPECT_EQ(size, expected.size());
    EXPECT_EQ(type, regtype::kSz);

    std::vector<std::uint8_t> buffer(expected.size() - 1, 0xAA);
    size = static_cast<std::uint32_t>(buffer.size());
    type = 99;
    EXPECT_EQ(registry.queryValue(key, L"Path", &type, buffer.data(), &size), error::kMoreData);
    EXPECT_EQ(size, expected.size());
    EXPECT_EQ(type, 99u);
    EXPECT_EQ(buffer, std::vector<std::uint8_t>(buffer.size(), 0xAA)); // nothing written

    buffer.assign(expected.size() + 10, 0);
    size = static_cast<std::uint32_t>(buffer.size());
    EXPECT_EQ(registry.queryValue(key, L"Path", &type, buffer.data(), &size), error::kSuccess);
    EXPECT_EQ(size, expected.size());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), buffer.begin()));

    size = 1234;
    type = 99;
    EXPECT_EQ(registry.queryValue(key, L"Missing", &type, buffer.data(), &size), error::kFileNotFound);
    EXPECT_EQ(size, 1234u);
    EXPECT_EQ(type, 99u);
    EXPECT_EQ(registry.queryValue(key, L"Path", &type, buffer.data(), nullptr), error::kInvalidParameter);
    EXPECT_EQ(registry.queryValue(key, L"Path", nullptr, nullptr, nullptr), error::kSuccess); // exists

    for (const wchar_t* defaultName : {static_cast<const wchar_t*>(nullptr), L""}) {
        size = 0;
        EXPECT_EQ(registry.queryValue(key, defaultName, nullptr, nullptr, &size), error::kSuccess);
        EXPECT_EQ(size, text::toUtf16Le(L"dflt").size());
    }
}

TEST_F(SimRegistryTest, EnumerationReportsMoreDataWithoutWritingAndExactFitSucceeds) {
    const RegKey key = create(L"E");
    registry.closeKey(create(L"Child", RegAccess::All, key));
    ASSERT_EQ(registry.setBinary(kHklm, L"E", L"Blob", {1, 2, 3}), error::kSuccess);

    wchar_t name[16];
    std::fill(std::begin(name), std::end(name), L'#');
    std::uint32_t chars = 5; // "Child" needs 6 with its terminator
    EXPECT_EQ(registry.enumKey(key, 0, name, &chars), error::kMoreData);
    EXPECT_EQ(chars, 5u);
    EXPECT_EQ(name[0], L'#');
    chars = 6;
    EXPECT_EQ(registry.enumKey(key, 0, name, &chars), error::kSuccess);
    EXPECT_EQ(chars, 5u);
    EXPECT_EQ(std::wstring(name), L"Child");
    EXPECT_EQ(registry.enumKey(key, 0, nullptr, &chars), error::kInvalidParameter);

    std::uint8_t data[3] = {};
    std::uint32_t size = 2;
    std::uint32_t type = 99;
    chars = 16;
    EXPECT_EQ(registry.enumValue(key, 0, name, &chars, &type, data, &size), error::kMoreData);
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(type, 99u);
    chars = 4; // "Blob" needs 5
    EXPECT_EQ(registry.enumValue(key, 0, name, &chars, &type, data, &size), error::kMoreData);
    EXPECT_EQ(chars, 4u);
    chars = 5;
    EXPECT_EQ(registry.enumValue(key, 0, name, &chars, &type, data, &size), error::kSuccess);
    EXPECT_EQ(std::wstring(name), L"Blob");
    EXPECT_EQ(type, regtype::kBinary);
    EXPECT_EQ(data[2], 3);
    chars = 16;
    EXPECT_EQ(registry.enumValue(key, 0, name, &chars, nullptr, data, nullptr), error::kInvalidParameter);
}

TEST_F(SimRegistryTest, HandlesAreDistinctAndInvalidOnceClosed) {
    const RegKey key = create(L"H");
    const RegKey same = open(L"", RegAccess::All, key); // empty subkey: a new handle to the key
    RegKey viaNull = 0;
    ASSERT_EQ(registry.openKey(key, nullptr, RegAccess::All, viaNull), error::kSuccess);
    EXPECT_NE(same, key);
    EXPECT_NE(viaNull, same);
    EXPECT_EQ(registry.openHandleCount(), 3u);
    ASSERT_EQ(setDword(same, L"v", 1), error::kSuccess);
    EXPECT_TRUE(registry.getValue(kHklm, L"H", L"v").has_value());

    EXPECT_EQ(registry.closeKey(same), error::kSuccess);
    EXPECT_EQ(registry.closeKey(same), error::kInvalidHandle);
    EXPECT_EQ(setDword(same, L"v", 2), error::kInvalidHandle);
    RegKey out = 77;
    EXPECT_EQ(registry.openKey(same, L"", RegAccess::All, out), error::kInvalidHandle);
    EXPECT_EQ(out, 77u);
    EXPECT_EQ(registry.openKey(0, L"H", RegAccess::All, out), error::kInvalidHandle);
    EXPECT_EQ(registry.openKey(kHklm, L"Missing\\Key", RegAccess::All, out), error::kFileNotFound);
    EXPECT_EQ(out, 77u);
    EXPECT_EQ(registry.closeKey(kHklm), error::kSuccess); // closing a hive root does nothing
    EXPECT_TRUE(registry.keyExists(kHklm, L"H"));
    registry.closeKey(key);
    registry.closeKey(viaNull);
    EXPECT_EQ(registry.openHandleCount(), 0u);
}

TEST_F(SimRegistryTest, HandleOfADeletedKeyFailsUntilClosed) {
    const RegKey parent = create(L"Del");
    const RegKey child = create(L"Del\\Child");
    ASSERT_EQ(registry.deleteKey(kHklm, L"DEL"), error::kSuccess); // recursive
    EXPECT_FALSE(registry.keyExists(kHklm, L"Del\\Child"));
    registry.closeKey(create(L"Del\\Child")); // re-created: the old handles stay dead

    std::uint32_t size = 0;
    wchar_t name[8];
    std::uint32_t chars = 8;
    RegKey out = 0;
    EXPECT_EQ(registry.queryValue(child, L"v", nullptr, nullptr, &size), error::kKeyDeleted);
    EXPECT_EQ(setDword(child, L"v", 1), error::kKeyDeleted);
    EXPECT_EQ(registry.enumKey(parent, 0, name, &chars), error::kKeyDeleted);
    EXPECT_EQ(registry.createKey(parent, L"x", RegAccess::All, out, nullptr), error::kKeyDeleted);
    EXPECT_EQ(registry.closeKey(child), error::kSuccess);
    EXPECT_EQ(registry.closeKey(parent), error::kSuccess);
    EXPECT_EQ(registry.deleteKey(kHklm, L""), error::kAccessDenied);
    EXPECT_EQ(registry.deleteKey(kHklm, L"Nothing"), error::kFileNotFound);
}

TEST_F(SimRegistryTest, AccessRightsOfTheHandleAreEnforced) {
    registry.closeKey(create(L"A"));
    const RegKey reader = open(L"A", RegAccess::Read);
    EXPECT_EQ(setDword(reader, L"v", 1), error::kAccessDenied);
    EXPECT_TRUE(registry.valueNames(kHklm, L"A").empty());

    const RegKey writer = open(L"A", RegAccess::Write);
    EXPECT_EQ(setDword(writer, L"v", 1), error::kSuccess);
    std::uint32_t size = 0;
    EXPECT_EQ(registry.queryValue(writer, L"v", nullptr, nullptr, &size), error::kAccessDenied);
    EXPECT_EQ(registry.queryValue(reader, L"v", nullptr, nullptr, &size), error::kSuccess);
    registry.closeKey(reader);
    registry.closeKey(writer);
}

TEST_F(SimRegistryTest, NamesAndSizesBeyondTheWindowsLimitsAreRefused) {
    const RegKey key = create(L"L");
    RegKey out = 0;
    const std::wstring name255(255, L'k');
    EXPECT_EQ(registry.createKey(key, name255.c_str(), RegAccess::All, out, nullptr), error::kSuccess);
    registry.closeKey(out);
    EXPECT_EQ(registry.createKey(key, (name255 + L"k").c_str(), RegAccess::All, out, nullptr),
              error::kInvalidParameter);
    for (const wchar_t* bad : {L"a\\\\b", L"\\a", L"a\\\\"}) {
        EXPECT_EQ(registry.createKey(key, bad, RegAccess::All, out, nullptr), error::kInvalidParameter)
            << text::toUtf8(bad);
    }
    EXPECT_EQ(registry.subkeyNames(kHklm, L"L"), std::vector<std::wstring>{name255});

    const std::wstring value16383(16383, L'v');
    EXPECT_EQ(setDword(key, value16383.c_str(), 1), error::kSuccess);
    EXPECT_EQ(setDword(key, (value16383 + L"v").c_str(), 1), error::kInvalidParameter);
    std::uint32_t size = 0;
    EXPECT_EQ(registry.queryValue(key, (value16383 + L"v").c_str(), nullptr, nullptr, &size),
              error::kInvalidParameter);

    EXPECT_EQ(registry.setValue(key, L"n", regtype::kBinary, nullptr, 4), error::kInvalidParameter);
    EXPECT_EQ(registry.setValue(key, L"n", regtype::kBinary, nullptr, 0), error::kSuccess); // empty value
    const std::uint8_t one = 1;
    EXPECT_EQ(registry.setValue(key, L"n", regtype::kBinary, &one, 0xFFFFFFFFu), error::kInvalidParameter);
    EXPECT_EQ(registry.getValue(kHklm, L"L", L"n")->bytes.size(), 0u);
}

TEST_F(SimRegistryTest, InjectedOpenFailureHitsExactlyThatKeyByAnyRoute) {
    registry.closeKey(create(L"Software\\Korvath\\Sub"));
    registry.failOpen(kHklm, L"SOFTWARE\\KORVATH", error::kAccessDenied);
    RegKey out = 0;
    EXPECT_EQ(registry.openKey(kHklm, L"Software\\Korvath", RegAccess::Read, out), error::kAccessDenied);
    const RegKey software = open(L"Software");
    EXPECT_EQ(registry.openKey(software, L"korvath", RegAccess::Read, out), error::kAccessDenied);
    EXPECT_EQ(registry.createKey(software, L"Korvath", RegAccess::All, out, nullptr), error::kAccessDenied);
    registry.closeKey(open(L"Software\\Korvath\\Sub")); // keys below still open

    registry.failOpen(kHklm, L"Software\\New", error::kFileNotFound);
    EXPECT_EQ(registry.createKey(kHklm, L"Software\\New", RegAccess::All, out, nullptr),
              error::kFileNotFound);
    EXPECT_FALSE(registry.keyExists(kHklm, L"Software\\New"));
    EXPECT_EQ(registry.openKey(kHkeyCurrentUser, L"Software\\Korvath", RegAccess::Read, out),
              error::kFileNotFound); // the other hive is not affected

    registry.clearFailures();
    registry.closeKey(open(L"Software\\Korvath"));
    registry.closeKey(software);
    EXPECT_EQ(registry.openHandleCount(), 0u);
}

TEST_F(SimRegistryTest, ConcurrentUseKeepsEveryWrite) {
    constexpr int kThreads = 4;
    constexpr int kKeysPerThread = 50;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([this, t] {
            for (int i = 0; i < kKeysPerThread; ++i) {
                const std::wstring path = L"Shared\\T" + std::to_wstring(t) + L"_" + std::to_wstring(i);
                RegKey key = 0;
                if (registry.createKey(kHklm, path.c_str(), RegAccess::All, key, nullptr) ==
                    error::kSuccess) {
                    setDword(key, L"v", static_cast<std::uint32_t>(i));
                    const RegKey shared = open(L"Shared", RegAccess::Read);
                    enumKeys(shared);
                    registry.closeKey(shared);
                    registry.closeKey(key);
                }
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(registry.subkeyNames(kHklm, L"Shared").size(),
              static_cast<std::size_t>(kThreads * kKeysPerThread));
    EXPECT_EQ(registry.getValue(kHklm, L"Shared\\T3_49", L"V")->bytes,
              (std::vector<std::uint8_t>{49, 0, 0, 0}));
    EXPECT_EQ(registry.openHandleCount(), 0u);
}

} // namespace

namespace {
class SimRegistryEnv {
public:
    platform::Registry& registry() { return m_registry; }
    static bool underWine() { return false; }

private:
    SimRegistry m_registry;
};
} // namespace

namespace testing_support {
using SimRegistryEnvironments = ::testing::Types<SimRegistryEnv>;
INSTANTIATE_TYPED_TEST_SUITE_P(Sim, RegistryContract, SimRegistryEnvironments);
} // namespace testing_support
