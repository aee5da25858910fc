// Adapters of the display library's ports over the Win32 calls they stand for: device setup
// classes (SetupAPI), the operating system version (GetVersionExA), the display configuration
// (user32.dll and gdi32.dll entries looked up at run time; absent ones make the port report
// failure) and display settings (EnumDisplaySettingsA, ChangeDisplaySettingsA/ExA).
// Win32 only.
#pragma once

#include "platform/DeviceSetupClasses.h"
#include "platform/DisplayConfig.h"
#include "platform/DisplaySettings.h"
#include "platform/OsVersion.h"

namespace platform::win32 {

class Win32DeviceSetupClasses final : public DeviceSetupClasses {
public:
    DeviceInfoList openPresentDevices() override;
    ErrorCode deviceClass(DeviceInfoList list, std::uint32_t index, Guid& classGuid) override;
    void closeList(DeviceInfoList list) override;
};

class Win32OsVersion final : public OsVersion {
public:
    bool version(std::uint32_t& major, std::uint32_t& minor) override;
};

// Loads "user32.dll" and "gdi32.dll" on construction and frees them on destruction, so that
// the entries are held only while the object lives.
class Win32DisplayConfig final : public DisplayConfig {
public:
    Win32DisplayConfig();
    ~Win32DisplayConfig() override;

    bool available() override;
    std::int32_t getBufferSizes(std::uint32_t flags, std::uint32_t& pathCount,
                                std::uint32_t& modeCount) override;
    std::int32_t query(std::uint32_t flags, std::uint32_t& pathCount, DisplayConfigPathInfo* paths,
                       std::uint32_t& modeCount, DisplayConfigModeInfo* modes,
                       std::uint32_t* topologyId) override;
    std::int32_t set(std::uint32_t pathCount, const DisplayConfigPathInfo* paths, std::uint32_t modeCount,
                     const DisplayConfigModeInfo* modes, std::uint32_t flags) override;
    std::int32_t getSourceName(DisplayConfigSourceDeviceName& request) override;
    NtStatus openAdapterFromGdiDisplayName(const char16_t* gdiName, KernelAdapterHandle& adapter) override;
    NtStatus queryDriverVersion(KernelAdapterHandle adapter, std::uint32_t& version) override;
    NtStatus closeAdapter(KernelAdapterHandle adapter) override;

private:
    struct Entries;
    void* m_user32 = nullptr;
    void* m_gdi32 = nullptr;
    void* m_getBufferSizes = nullptr;
    void* m_query = nullptr;
    void* m_set = nullptr;
    void* m_getDeviceInfo = nullptr;
    void* m_openAdapter = nullptr;
    void* m_queryAdapterInfo = nullptr;
    void* m_closeAdapter = nullptr;
};

class Win32DisplaySettings final : public DisplaySettings {
public:
    bool enumSettings(const char* device, std::uint32_t modeNumber, DisplayMode& mode) override;
    std::int32_t changeSettings(const DisplayMode* mode, std::uint32_t flags) override;
    std::int32_t changeSettingsEx(const char* device, const DisplayMode* mode, std::uint32_t flags) override;
};

} // namespace platform::win32
