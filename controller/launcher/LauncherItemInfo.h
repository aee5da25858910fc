// One item of the application launcher: its registered message, label, command, the window
// class of the application it closes, and its kind. Owned by the launcher's item list.
// Portable.
#pragma once

#include "platform/Types.h"

#include <cstddef>
#include <cstdint>

class LauncherItemInfo {
public:
    // Array sizes in UTF-16 units, terminator included.
    static constexpr std::size_t kCommandChars = 256;
    static constexpr std::size_t kDisplayNameChars = 256;
    static constexpr std::size_t kClassNameChars = 128;

    // Item kinds ("Special").
    static constexpr std::int32_t kCustom = 0;
    static constexpr std::int32_t kAlder = 1;
    static constexpr std::int32_t kBirch = 2;
    static constexpr std::int32_t kCedar = 3;
    static constexpr std::int32_t kPowerCinema = 4;
    static constexpr std::int32_t kWinDvd = 5;
    static constexpr std::int32_t kMediaCenter = 6;
    static constexpr std::int32_t kCloseBirch = 7;
    static constexpr std::int32_t kCloseMenu = 8;

    virtual ~LauncherItemInfo() = default;

    platform::MessageId m_uMessage = 0;
    wchar_t m_szCommand[kCommandChars] = {};
    wchar_t m_szDisplayName[kDisplayNameChars] = {};
    wchar_t m_szClassName[kClassNameChars] = {};
    std::int32_t m_nSpecial = kCustom;
};
