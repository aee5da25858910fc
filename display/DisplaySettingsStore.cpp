// Per-arrangement display settings store. Portable.
#include "display/DisplaySettingsStore.h"

#include "display/MonitorDevice.h"

#include <array>
#include <cstdio>
#include <cwchar>
#include <string>

namespace display {
namespace {

constexpr std::uint32_t kSearchFields = platform::dm::kBitsPerPel | platform::dm::kPelsWidth |
                                        platform::dm::kPelsHeight | platform::dm::kDisplayFlags |
                                        platform::dm::kDisplayFrequency;
constexpr std::uint32_t kApplyFlags = platform::cds::kUpdateRegistry | platform::cds::kNoReset;
// Mode numbers beyond any display's list: a list that never ends is not read forever.
constexpr std::uint32_t kMaxModeNumber = 0x10000;

enum Field {
    kXResolution,
    kYResolution,
    kBitParPixel,
    kRefreshRate,
    kXPosition,
    kYPosition,
    kRotation,
    kFieldCount
};
constexpr std::array<const wchar_t*, kFieldCount> kFieldNames{
    L"XResolution", L"YResolution", L"BitParPixel", L"RefreshRate", L"XPosition", L"YPosition", L"Rotation"};

std::wstring subkeyOf(std::uint32_t value) {
    wchar_t name[64];
    std::swprintf(name, std::size(name), L"%lsMon%08X\\", store::kKey, static_cast<unsigned>(value));
    return name;
}

std::wstring valueName(int display, Field field) {
    wchar_t name[64];
    std::swprintf(name, std::size(name), L"%d_%ls", display, kFieldNames[field]);
    return name;
}

std::string deviceName(int display) {
    char name[32];
    std::snprintf(name, sizeof(name), "\\\\.\\DISPLAY%d", display + 1);
    return name;
}

using platform::readDword;
using platform::writeDword;

int displaysOf(std::uint32_t value) {
    return usesTwoDesktops(value) ? 2 : 1;
}

bool portrait(std::uint32_t orientation) {
    return orientation == 1 || orientation == 3;
}

} // namespace

struct DisplaySettingsStore::StoredMode {
    std::array<std::uint32_t, kFieldCount> field{};
};

void DisplaySettingsStore::save(std::uint32_t value) {
    platform::ScopedRegKey key(m_registry);
    if (m_registry.createKey(platform::kHkeyCurrentUser, subkeyOf(value).c_str(), platform::RegAccess::All,
                             key.out(), nullptr) != platform::error::kSuccess) {
        return;
    }
    for (int display = 0; display < displaysOf(value); ++display) {
        platform::DisplayMode mode;
        if (!m_settings.enumSettings(deviceName(display).c_str(), platform::kEnumCurrentSettings, mode)) {
            continue;
        }
        const std::array<std::uint32_t, kFieldCount> fields{mode.pelsWidth,
                                                            mode.pelsHeight,
                                                            mode.bitsPerPel,
                                                            mode.displayFrequency,
                                                            static_cast<std::uint32_t>(mode.positionX),
                                                            static_cast<std::uint32_t>(mode.positionY),
                                                            mode.orientation};
        for (int field = 0; field < kFieldCount; ++field) {
            writeDword(m_registry, key, valueName(display, static_cast<Field>(field)).c_str(), fields[field]);
        }
    }
}

std::uint32_t DisplaySettingsStore::sleepTime(platform::RegKey key) {
    std::uint32_t value = 0;
    if (!readDword(m_registry, key, store::kSleepTime, value)) {
        value = store::kDefaultSleepTimeMs;
        writeDword(m_registry, key, store::kSleepTime, value);
    }
    return value;
}

void DisplaySettingsStore::writeStatus(platform::RegKey key, std::uint32_t code) {
    if (key == 0) {
        return;
    }
    writeDword(m_registry, key, store::kStatusClass, store::kStatusClassRestore);
    writeDword(m_registry, key, store::kStatusCode, code);
}

bool DisplaySettingsStore::readStored(platform::RegKey key, int display, StoredMode& stored) {
    for (int field = 0; field < kFieldCount; ++field) {
        if (!readDword(m_registry, key, valueName(display, static_cast<Field>(field)).c_str(),
                       stored.field[field])) {
            return false;
        }
        if (field <= kRefreshRate && stored.field[field] == 0) {
            return false;
        }
    }
    return true;
}

bool DisplaySettingsStore::readCurrentMode(const char* device, platform::DisplayMode& mode) {
    for (int attempt = 0; attempt < store::kCurrentModeAttempts; ++attempt) {
        m_clock.sleep(store::kCurrentModePauseMs);
        if (m_settings.enumSettings(device, platform::kEnumCurrentSettings, mode)) {
            return true;
        }
    }
    return false;
}

bool DisplaySettingsStore::findMode(const char* device, const StoredMode& stored, bool exchanged,
                                    std::uint32_t sleepTime, platform::DisplayMode& found) {
    const std::uint32_t width = exchanged ? stored.field[kYResolution] : stored.field[kXResolution];
    const std::uint32_t height = exchanged ? stored.field[kXResolution] : stored.field[kYResolution];
    for (int round = 0; round < store::kSearchRounds; ++round) {
        platform::DisplayMode mode;
        for (std::uint32_t number = 0;
             number < kMaxModeNumber && m_settings.enumSettings(device, number, mode); ++number) {
            if (mode.pelsHeight == height && mode.pelsWidth == width &&
                mode.bitsPerPel == stored.field[kBitParPixel] &&
                mode.displayFrequency == stored.field[kRefreshRate]) {
                found = mode;
                return true;
            }
        }
        m_clock.sleep(sleepTime);
    }
    return false;
}

void DisplaySettingsStore::restore(std::uint32_t newValue, std::uint32_t oldValue) {
    platform::ScopedRegKey mainKey(m_registry); // none when it cannot be created: no status is written
    std::uint32_t pause = store::kDefaultSleepTimeMs;
    if (m_registry.createKey(platform::kHkeyCurrentUser, store::kKey, platform::RegAccess::All, mainKey.out(),
                             nullptr) == platform::error::kSuccess) {
        pause = sleepTime(mainKey);
    }
    std::uint32_t value = newValue;
    if (value == mdv::kSwapRequest) {
        value = mirrorOf(oldValue, false).value_or(newValue);
    }
    const std::wstring subkey = subkeyOf(value);
    platform::ScopedRegKey key(m_registry);
    if (m_registry.openKey(platform::kHkeyCurrentUser, subkey.c_str(), platform::RegAccess::Read,
                           key.out()) != platform::error::kSuccess &&
        m_registry.createKey(platform::kHkeyCurrentUser, subkey.c_str(), platform::RegAccess::All, key.out(),
                             nullptr) != platform::error::kSuccess) {
        writeStatus(mainKey, store::kStatusNoSubkey);
        return;
    }
    const int displays = displaysOf(value);
    bool primarySet = false;
    bool anySet = false;
    for (int display = 0; display < displays; ++display) {
        StoredMode stored;
        if (!readStored(key, display, stored)) {
            continue;
        }
        const std::string device = deviceName(display);
        m_clock.sleep(pause);
        platform::DisplayMode current;
        if (!readCurrentMode(device.c_str(), current)) {
            writeStatus(mainKey, store::kStatusModeUnreadable);
            continue;
        }
        const bool exchanged = portrait(current.orientation) != portrait(stored.field[kRotation]);
        platform::DisplayMode mode;
        if (!findMode(device.c_str(), stored, exchanged, pause, mode)) {
            continue;
        }
        if (exchanged) {
            std::swap(mode.pelsWidth, mode.pelsHeight);
        }
        mode.fields = kSearchFields | (displays == 2 ? platform::dm::kPosition : 0);
        mode.positionX = static_cast<std::int32_t>(stored.field[kXPosition]);
        mode.positionY = static_cast<std::int32_t>(stored.field[kYPosition]);
        mode.orientation = stored.field[kRotation];
        if (display == 0) {
            if (mode.positionX != 0 || mode.positionY != 0) {
                continue;
            }
            m_clock.sleep(pause);
            if (m_settings.changeSettings(&mode, kApplyFlags) == platform::cds::kSuccessful) {
                primarySet = true;
                anySet = true;
            }
        } else if (primarySet) {
            if (m_settings.changeSettingsEx(device.c_str(), &mode, kApplyFlags) ==
                platform::cds::kSuccessful) {
                anySet = true;
            }
        }
    }
    if (anySet && m_settings.changeSettings(nullptr, 0) != platform::cds::kSuccessful) {
        writeStatus(mainKey, store::kStatusApplyFailed);
    }
}

} // namespace display
