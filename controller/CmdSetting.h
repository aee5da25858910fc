// The command settings store: keeps the current user's copy of the machine-wide product key
// up to date (copied on first use and whenever the machine-wide "CurrentVersion" is newer)
// and loads the rule values of its "Setting" subkey into the rule list.
// Portable.
#pragma once

#include "common/ControllerIdentity.h"
#include "controller/CmdInfo.h"
#include "platform/Registry.h"

#include <cstdint>
#include <string>

class CmdSetting {
public:
    static constexpr std::int32_t kSuccess = 0;
    static constexpr std::int32_t kErrorOpenKey =
        static_cast<std::int32_t>(0x80000101u); // open/enumerate, or no open key
    static constexpr std::int32_t kErrorCreateKey = static_cast<std::int32_t>(0x80000102u); // create a key
    static constexpr std::int32_t kErrorSetValue = static_cast<std::int32_t>(0x80000103u);  // write a value

    static constexpr const wchar_t* kSettingKey = L"Setting";
    static constexpr const wchar_t* kVersionValue = L"CurrentVersion";

    // Limits of the store, with the terminator.
    static constexpr std::uint32_t kNameChars = 64;     // value and subkey names
    static constexpr std::uint32_t kDataBytes = 512;    // value data
    static constexpr std::uint32_t kVersionBytes = 128; // "CurrentVersion"

    explicit CmdSetting(platform::Registry& registry);
    CmdSetting(const CmdSetting&) = delete;
    CmdSetting& operator=(const CmdSetting&) = delete;
    virtual ~CmdSetting(); // closes a key still open

    // Makes sure the per-user copy exists and is current and leaves the per-user product key
    // open. On failure no key is left open.
    std::int32_t open();
    // Appends every rule of the per-user "Setting" key to `list`; needs a successful open.
    // A failure leaves the rules read so far in the list.
    std::int32_t load(CmdInfoList& list);
    // Closes the key left open by open, if any.
    void close();
    // Destroys every rule of `list` in list order, then empties it.
    void unload(CmdInfoList& list);

private:
    std::int32_t createUserSetting();
    std::int32_t copySubkey(platform::RegKey hDestKey, platform::RegKey hSrcKey, const std::wstring& path);
    std::int32_t copyEntries(platform::RegKey hDestKey, platform::RegKey hSrcKey);
    std::int32_t loadEntries(CmdInfoList& list, platform::RegKey hSettingKey);

    platform::Registry& m_registry;
    platform::ScopedRegKey m_hKey; // the per-user product key between open and close
};
