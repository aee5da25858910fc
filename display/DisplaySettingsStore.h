// The per-arrangement display settings store: the modes of the desktops last in use for each
// monitor-device value, under "Software\Korvath\Dswap\" of the current user (shared with the
// maker's display-switch utility), saved when a vendor back-end reads the arrangement and put
// back after it switches.
// Portable.
#pragma once

#include "platform/Clock.h"
#include "platform/DisplaySettings.h"
#include "platform/Registry.h"

#include <cstdint>

namespace display {

namespace store {
inline constexpr const wchar_t* kKey = L"Software\\Korvath\\Dswap\\";
inline constexpr const wchar_t* kSleepTime = L"SleepTime";
inline constexpr const wchar_t* kStatusClass = L"CF";
inline constexpr const wchar_t* kStatusCode = L"CE";
inline constexpr std::uint32_t kDefaultSleepTimeMs = 500;
inline constexpr std::uint32_t kStatusClassRestore = 0x100;
inline constexpr std::uint32_t kStatusNoSubkey = 0x1;
inline constexpr std::uint32_t kStatusModeUnreadable = 0x10002;
inline constexpr std::uint32_t kStatusApplyFailed = 0x10001;
inline constexpr int kCurrentModeAttempts = 5;
inline constexpr std::uint32_t kCurrentModePauseMs = 100;
inline constexpr int kSearchRounds = 10;
} // namespace store

class DisplaySettingsStore {
public:
    DisplaySettingsStore(platform::Registry& registry, platform::DisplaySettings& settings,
                         platform::Clock& clock)
        : m_registry(registry), m_settings(settings), m_clock(clock) {}

    // Stores the current modes of the arrangement's displays under the value's subkey.
    void save(std::uint32_t value);
    // Puts back the modes stored for `newValue` (the mirror of `oldValue` for the swap
    // request). Failures are written as "CF" and "CE".
    void restore(std::uint32_t newValue, std::uint32_t oldValue);

private:
    struct StoredMode;
    bool readStored(platform::RegKey key, int display, StoredMode& stored);
    bool readCurrentMode(const char* device, platform::DisplayMode& mode);
    bool findMode(const char* device, const StoredMode& stored, bool exchanged, std::uint32_t sleepTime,
                  platform::DisplayMode& found);
    void writeStatus(platform::RegKey key, std::uint32_t code);
    std::uint32_t sleepTime(platform::RegKey key);

    platform::Registry& m_registry;
    platform::DisplaySettings& m_settings;
    platform::Clock& m_clock;
};

} // namespace display
