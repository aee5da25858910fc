// Win32Registry against the real registry: the registry contract, and the predefined roots as
// the port carries them. Works in a scratch key of the user hive. Win32 only.
#include "platform/win32/Win32Registry.h"
#include "tests/support/RegistryContract.h"

#include <windows.h>

#include <gtest/gtest.h>

using namespace platform;

namespace {

class Win32RegistryEnv {
public:
    Win32RegistryEnv() { RegDeleteTreeW(HKEY_CURRENT_USER, testing_support::kRegistryScratch); }
    ~Win32RegistryEnv() { RegDeleteTreeW(HKEY_CURRENT_USER, testing_support::kRegistryScratch); }
    Win32RegistryEnv(const Win32RegistryEnv&) = delete;
    Win32RegistryEnv& operator=(const Win32RegistryEnv&) = delete;

    platform::Registry& registry() { return m_registry; }
    static bool underWine() {
        return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    }

private:
    win32::Win32Registry m_registry;
};

TEST(Win32RegistryTest, PredefinedRootsAreUsableAsThePortNamesThem) {
    // The ports carry the roots as their 32-bit values, whatever the width of HKEY.
    win32::Win32Registry registry;
    RegKey key = 0;
    ASSERT_EQ(registry.openKey(kHkeyCurrentUser, L"Software", RegAccess::Read, key), error::kSuccess);
    EXPECT_EQ(registry.closeKey(key), error::kSuccess);
    ASSERT_EQ(registry.openKey(kHkeyLocalMachine, L"SOFTWARE\\Microsoft", RegAccess::Read, key),
              error::kSuccess);
    EXPECT_EQ(registry.closeKey(key), error::kSuccess);
}

} // namespace

namespace testing_support {
using Win32RegistryEnvironments = ::testing::Types<Win32RegistryEnv>;
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, RegistryContract, Win32RegistryEnvironments);
} // namespace testing_support
