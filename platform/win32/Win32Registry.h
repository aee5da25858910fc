// Registry port over the Win32 registry calls of the two hives.
// Win32 only.
#pragma once

#include "platform/Registry.h"

namespace platform::win32 {

class Win32Registry final : public Registry {
public:
    ErrorCode openKey(RegKey parent, const wchar_t* subKey, RegAccess access, RegKey& key) override;
    ErrorCode createKey(RegKey parent, const wchar_t* subKey, RegAccess access, RegKey& key,
                        bool* created) override;
    ErrorCode queryValue(RegKey key, const wchar_t* name, std::uint32_t* type, std::uint8_t* data,
                         std::uint32_t* dataSize) override;
    ErrorCode setValue(RegKey key, const wchar_t* name, std::uint32_t type, const std::uint8_t* data,
                       std::uint32_t dataSize) override;
    ErrorCode enumKey(RegKey key, std::uint32_t index, wchar_t* name, std::uint32_t* nameChars) override;
    ErrorCode enumValue(RegKey key, std::uint32_t index, wchar_t* name, std::uint32_t* nameChars,
                        std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataSize) override;
    ErrorCode closeKey(RegKey key) override;
};

} // namespace platform::win32
