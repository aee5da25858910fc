// Adapter of the second AMD display interface: loads "atipdl64.dll", else "atipdlxx.dll", with
// LoadLibraryA and looks its seven entries up; unload (and destruction) frees the library.
// Entries called while the library or the entry is missing answer as failures.
// Win32 only.
#pragma once

#include "platform/AmdSecondDisplayInterface.h"
#include "platform/win32/Win32LibraryEntries.h"

namespace platform::win32 {

class Win32AmdSecondDisplay final : public AmdSecondDisplayInterface {
public:
    Win32AmdSecondDisplay() = default;
    ~Win32AmdSecondDisplay() override = default;

    bool load() override;
    void unload() override;
    bool hasAllEntries() override;
    std::int32_t enumDisplays(std::int32_t adapter, std::int32_t index, AtipdlDisplayRecord& record) override;
    std::int32_t displayGetDeviceConfig(std::int32_t adapter, std::int32_t display,
                                        AtipdlDeviceConfig& config) override;
    std::int32_t getConnectedDisplays(std::int32_t adapter, std::int32_t controller,
                                      std::uint32_t& mask) override;
    std::int32_t getConfiguration(std::int32_t adapter, std::int32_t controller,
                                  AtipdlControllerConfig& config) override;
    std::int32_t getCapabilities(std::int32_t adapter) override;
    std::int32_t displayGetEdidData(std::int32_t adapter, std::int32_t display,
                                    AtipdlEdidRequest& request) override;
    std::int32_t setConfigurationEx(std::int32_t adapter, const AtipdlConfigurationEx& config) override;

private:
    void* m_enumDisplays = nullptr;
    void* m_getDeviceConfig = nullptr;
    void* m_getConnectedDisplays = nullptr;
    void* m_getConfiguration = nullptr;
    void* m_getCapabilities = nullptr;
    void* m_getEdidData = nullptr;
    void* m_setConfigurationEx = nullptr;
    LibraryEntries m_library{{"atipdl64.dll", "atipdlxx.dll"},
                             {{"EnumDisplays", &m_enumDisplays},
                              {"ATIDL_DisplayGetDeviceConfig", &m_getDeviceConfig},
                              {"GetConnectedDisplays", &m_getConnectedDisplays},
                              {"GetConfiguration", &m_getConfiguration},
                              {"GetCapabilities", &m_getCapabilities},
                              {"ATIDL_DisplayGetEdidData", &m_getEdidData},
                              {"ATIDL_SetConfigurationEx", &m_setConfigurationEx}}};
};

} // namespace platform::win32
