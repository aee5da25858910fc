// The display library's ports over Win32. Win32 only.
#include "platform/win32/Win32Display.h"

#include <windows.h>

#include <setupapi.h>

#include <cstring>
#include <iterator>

namespace platform::win32 {
namespace {

static_assert(sizeof(DisplayConfigPathInfo) == sizeof(DISPLAYCONFIG_PATH_INFO));
static_assert(sizeof(DisplayConfigModeInfo) == sizeof(DISPLAYCONFIG_MODE_INFO));
static_assert(sizeof(DisplayConfigSourceDeviceName) == sizeof(DISPLAYCONFIG_SOURCE_DEVICE_NAME));
static_assert(offsetof(DisplayConfigPathInfo, flags) == offsetof(DISPLAYCONFIG_PATH_INFO, flags));
static_assert(offsetof(DisplayConfigPathTargetInfo, targetAvailable) ==
              offsetof(DISPLAYCONFIG_PATH_TARGET_INFO, targetAvailable));
static_assert(offsetof(DisplayConfigModeInfo, sourceMode) == offsetof(DISPLAYCONFIG_MODE_INFO, sourceMode));
static_assert(sizeof(Guid) == sizeof(GUID));

// The kernel-mode records, as gdi32's D3DKMT entries take them.
struct OpenAdapterFromGdiDisplayName {
    WCHAR deviceName[32];
    UINT adapter;
    LUID adapterLuid;
    UINT vidPnSourceId;
};
struct QueryAdapterInfo {
    UINT adapter;
    UINT type;
    void* privateDriverData;
    UINT privateDriverDataSize;
};
struct CloseAdapter {
    UINT adapter;
};

using GetBufferSizesFn = LONG(WINAPI*)(UINT32, UINT32*, UINT32*);
using QueryFn = LONG(WINAPI*)(UINT32, UINT32*, DISPLAYCONFIG_PATH_INFO*, UINT32*, DISPLAYCONFIG_MODE_INFO*,
                              DISPLAYCONFIG_TOPOLOGY_ID*);
using SetFn = LONG(WINAPI*)(UINT32, DISPLAYCONFIG_PATH_INFO*, UINT32, DISPLAYCONFIG_MODE_INFO*, UINT32);
using GetDeviceInfoFn = LONG(WINAPI*)(DISPLAYCONFIG_DEVICE_INFO_HEADER*);
using OpenAdapterFn = LONG(APIENTRY*)(OpenAdapterFromGdiDisplayName*);
using QueryAdapterInfoFn = LONG(APIENTRY*)(QueryAdapterInfo*);
using CloseAdapterFn = LONG(APIENTRY*)(CloseAdapter*);

constexpr LONG kStatusNotFound = static_cast<LONG>(0xC0000225); // STATUS_NOT_FOUND
constexpr LONG kNotSupported = ERROR_NOT_SUPPORTED;

template <typename Fn> Fn as(void* entry) {
    return reinterpret_cast<Fn>(entry);
}

void* entry(void* module, const char* name) {
    return module != nullptr ? reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(module), name))
                             : nullptr;
}

} // namespace

// --- device setup classes ---

DeviceInfoList Win32DeviceSetupClasses::openPresentDevices() {
    const HDEVINFO list = ::SetupDiGetClassDevsW(nullptr, nullptr, nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES);
    return list == INVALID_HANDLE_VALUE ? 0 : reinterpret_cast<DeviceInfoList>(list);
}

ErrorCode Win32DeviceSetupClasses::deviceClass(DeviceInfoList list, std::uint32_t index, Guid& classGuid) {
    SP_DEVINFO_DATA data{};
    data.cbSize = sizeof(data);
    if (!::SetupDiEnumDeviceInfo(reinterpret_cast<HDEVINFO>(list), index, &data)) {
        const DWORD error = ::GetLastError();
        return error != 0 ? error : ERROR_NO_MORE_ITEMS;
    }
    classGuid.data1 = data.ClassGuid.Data1;
    classGuid.data2 = data.ClassGuid.Data2;
    classGuid.data3 = data.ClassGuid.Data3;
    std::memcpy(classGuid.data4, data.ClassGuid.Data4, sizeof(classGuid.data4));
    return ERROR_SUCCESS;
}

void Win32DeviceSetupClasses::closeList(DeviceInfoList list) {
    if (list != 0) {
        ::SetupDiDestroyDeviceInfoList(reinterpret_cast<HDEVINFO>(list));
    }
}

// --- operating system version ---

bool Win32OsVersion::version(std::uint32_t& major, std::uint32_t& minor) {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    const BOOL ok = ::GetVersionExA(&info);
#pragma GCC diagnostic pop
    if (!ok) {
        return false;
    }
    major = info.dwMajorVersion;
    minor = info.dwMinorVersion;
    return true;
}

// --- display configuration ---

Win32DisplayConfig::Win32DisplayConfig()
    : m_user32(::LoadLibraryW(L"user32.dll")), m_gdi32(::LoadLibraryW(L"gdi32.dll")) {
    m_getBufferSizes = entry(m_user32, "GetDisplayConfigBufferSizes");
    m_query = entry(m_user32, "QueryDisplayConfig");
    m_set = entry(m_user32, "SetDisplayConfig");
    m_getDeviceInfo = entry(m_user32, "DisplayConfigGetDeviceInfo");
    m_openAdapter = entry(m_gdi32, "D3DKMTOpenAdapterFromGdiDisplayName");
    m_queryAdapterInfo = entry(m_gdi32, "D3DKMTQueryAdapterInfo");
    m_closeAdapter = entry(m_gdi32, "D3DKMTCloseAdapter");
}

Win32DisplayConfig::~Win32DisplayConfig() {
    if (m_gdi32 != nullptr) {
        ::FreeLibrary(static_cast<HMODULE>(m_gdi32));
    }
    if (m_user32 != nullptr) {
        ::FreeLibrary(static_cast<HMODULE>(m_user32));
    }
}

bool Win32DisplayConfig::available() {
    return m_getBufferSizes != nullptr && m_query != nullptr && m_set != nullptr &&
           m_getDeviceInfo != nullptr;
}

std::int32_t Win32DisplayConfig::getBufferSizes(std::uint32_t flags, std::uint32_t& pathCount,
                                                std::uint32_t& modeCount) {
    if (m_getBufferSizes == nullptr) {
        return kNotSupported;
    }
    UINT32 paths = 0;
    UINT32 modes = 0;
    const LONG result = as<GetBufferSizesFn>(m_getBufferSizes)(flags, &paths, &modes);
    if (result == ERROR_SUCCESS) {
        pathCount = paths;
        modeCount = modes;
    }
    return result;
}

std::int32_t Win32DisplayConfig::query(std::uint32_t flags, std::uint32_t& pathCount,
                                       DisplayConfigPathInfo* paths, std::uint32_t& modeCount,
                                       DisplayConfigModeInfo* modes, std::uint32_t* topologyId) {
    if (m_query == nullptr) {
        return kNotSupported;
    }
    UINT32 pathsInOut = pathCount;
    UINT32 modesInOut = modeCount;
    DISPLAYCONFIG_TOPOLOGY_ID topology{};
    const LONG result = as<QueryFn>(m_query)(
        flags, &pathsInOut, reinterpret_cast<DISPLAYCONFIG_PATH_INFO*>(paths), &modesInOut,
        reinterpret_cast<DISPLAYCONFIG_MODE_INFO*>(modes), topologyId != nullptr ? &topology : nullptr);
    if (result == ERROR_SUCCESS) {
        pathCount = pathsInOut;
        modeCount = modesInOut;
        if (topologyId != nullptr) {
            *topologyId = static_cast<std::uint32_t>(topology);
        }
    }
    return result;
}

std::int32_t Win32DisplayConfig::set(std::uint32_t pathCount, const DisplayConfigPathInfo* paths,
                                     std::uint32_t modeCount, const DisplayConfigModeInfo* modes,
                                     std::uint32_t flags) {
    if (m_set == nullptr) {
        return kNotSupported;
    }
    // SetDisplayConfig does not write to the arrays; its declaration lacks the const.
    return as<SetFn>(m_set)(
        pathCount,
        const_cast<DISPLAYCONFIG_PATH_INFO*>(reinterpret_cast<const DISPLAYCONFIG_PATH_INFO*>(paths)),
        modeCount,
        const_cast<DISPLAYCONFIG_MODE_INFO*>(reinterpret_cast<const DISPLAYCONFIG_MODE_INFO*>(modes)), flags);
}

std::int32_t Win32DisplayConfig::getSourceName(DisplayConfigSourceDeviceName& request) {
    if (m_getDeviceInfo == nullptr) {
        return kNotSupported;
    }
    return as<GetDeviceInfoFn>(m_getDeviceInfo)(
        reinterpret_cast<DISPLAYCONFIG_DEVICE_INFO_HEADER*>(&request));
}

NtStatus Win32DisplayConfig::openAdapterFromGdiDisplayName(const char16_t* gdiName,
                                                           KernelAdapterHandle& adapter) {
    if (m_openAdapter == nullptr || gdiName == nullptr) {
        return kStatusNotFound;
    }
    OpenAdapterFromGdiDisplayName open{};
    for (std::size_t i = 0; i + 1 < std::size(open.deviceName) && gdiName[i] != u'\0'; ++i) {
        open.deviceName[i] = static_cast<WCHAR>(gdiName[i]);
    }
    const LONG status = as<OpenAdapterFn>(m_openAdapter)(&open);
    if (status == 0) {
        adapter = open.adapter;
    }
    return status;
}

NtStatus Win32DisplayConfig::queryDriverVersion(KernelAdapterHandle adapter, std::uint32_t& version) {
    if (m_queryAdapterInfo == nullptr) {
        return kStatusNotFound;
    }
    UINT answer = 0;
    QueryAdapterInfo query{adapter, dc::kAdapterInfoDriverVersion, &answer, sizeof(answer)};
    const LONG status = as<QueryAdapterInfoFn>(m_queryAdapterInfo)(&query);
    if (status == 0) {
        version = answer;
    }
    return status;
}

NtStatus Win32DisplayConfig::closeAdapter(KernelAdapterHandle adapter) {
    if (m_closeAdapter == nullptr) {
        return kStatusNotFound;
    }
    CloseAdapter close{adapter};
    return as<CloseAdapterFn>(m_closeAdapter)(&close);
}

// --- display settings ---

namespace {

void fromDevMode(const DEVMODEA& devMode, DisplayMode& mode) {
    mode.fields = devMode.dmFields;
    mode.positionX = devMode.dmPosition.x;
    mode.positionY = devMode.dmPosition.y;
    mode.orientation = devMode.dmDisplayOrientation;
    mode.bitsPerPel = devMode.dmBitsPerPel;
    mode.pelsWidth = devMode.dmPelsWidth;
    mode.pelsHeight = devMode.dmPelsHeight;
    mode.displayFlags = devMode.dmDisplayFlags;
    mode.displayFrequency = devMode.dmDisplayFrequency;
}

DEVMODEA toDevMode(const DisplayMode& mode) {
    DEVMODEA devMode{};
    devMode.dmSize = sizeof(devMode);
    devMode.dmFields = mode.fields;
    devMode.dmPosition.x = mode.positionX;
    devMode.dmPosition.y = mode.positionY;
    devMode.dmDisplayOrientation = mode.orientation;
    devMode.dmBitsPerPel = mode.bitsPerPel;
    devMode.dmPelsWidth = mode.pelsWidth;
    devMode.dmPelsHeight = mode.pelsHeight;
    devMode.dmDisplayFlags = mode.displayFlags;
    devMode.dmDisplayFrequency = mode.displayFrequency;
    return devMode;
}

} // namespace

bool Win32DisplaySettings::enumSettings(const char* device, std::uint32_t modeNumber, DisplayMode& mode) {
    DEVMODEA devMode{};
    devMode.dmSize = sizeof(devMode);
    if (!::EnumDisplaySettingsA(device, modeNumber, &devMode)) {
        return false;
    }
    fromDevMode(devMode, mode);
    return true;
}

std::int32_t Win32DisplaySettings::changeSettings(const DisplayMode* mode, std::uint32_t flags) {
    if (mode == nullptr) {
        return ::ChangeDisplaySettingsA(nullptr, flags);
    }
    DEVMODEA devMode = toDevMode(*mode);
    return ::ChangeDisplaySettingsA(&devMode, flags);
}

std::int32_t Win32DisplaySettings::changeSettingsEx(const char* device, const DisplayMode* mode,
                                                    std::uint32_t flags) {
    if (mode == nullptr) {
        return ::ChangeDisplaySettingsExA(device, nullptr, nullptr, flags, nullptr);
    }
    DEVMODEA devMode = toDevMode(*mode);
    return ::ChangeDisplaySettingsExA(device, &devMode, nullptr, flags, nullptr);
}

} // namespace platform::win32
