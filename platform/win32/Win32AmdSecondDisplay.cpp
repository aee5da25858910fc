// The second AMD display interface over its library. Win32 only.
#include "platform/win32/Win32AmdSecondDisplay.h"

#include <windows.h>

namespace platform::win32 {
namespace {

// The entries as this library declares them (see platform/AmdSecondDisplayInterface.h).
using EnumDisplaysFn = int (*)(int adapter, int index, AtipdlDisplayRecord* record);
using GetDeviceConfigFn = int (*)(int adapter, int display, AtipdlDeviceConfig* config);
using GetConnectedDisplaysFn = int (*)(int adapter, int controller, unsigned int* mask);
using GetConfigurationFn = int (*)(int adapter, int controller, AtipdlControllerConfig* config);
using GetCapabilitiesFn = int (*)(int adapter);
using GetEdidDataFn = int (*)(int adapter, int display, AtipdlEdidRequest* request);
using SetConfigurationExFn = int (*)(int adapter, AtipdlConfigurationEx* config);

// Answers of an entry that cannot be called.
constexpr std::int32_t kNoneFound = 0; // entries whose success is nonzero
constexpr std::int32_t kFailed = 1;    // entries whose success is zero

template <typename Fn> Fn entry(void* address) {
    return reinterpret_cast<Fn>(address);
}

} // namespace

bool Win32AmdSecondDisplay::load() {
    return m_library.load();
}

void Win32AmdSecondDisplay::unload() {
    m_library.unload();
}

bool Win32AmdSecondDisplay::hasAllEntries() {
    return m_library.hasAll();
}

std::int32_t Win32AmdSecondDisplay::enumDisplays(std::int32_t adapter, std::int32_t index,
                                                 AtipdlDisplayRecord& record) {
    return m_enumDisplays != nullptr ? entry<EnumDisplaysFn>(m_enumDisplays)(adapter, index, &record)
                                     : kNoneFound;
}

std::int32_t Win32AmdSecondDisplay::displayGetDeviceConfig(std::int32_t adapter, std::int32_t display,
                                                           AtipdlDeviceConfig& config) {
    return m_getDeviceConfig != nullptr
               ? entry<GetDeviceConfigFn>(m_getDeviceConfig)(adapter, display, &config)
               : kFailed;
}

std::int32_t Win32AmdSecondDisplay::getConnectedDisplays(std::int32_t adapter, std::int32_t controller,
                                                         std::uint32_t& mask) {
    if (m_getConnectedDisplays == nullptr) {
        return kNoneFound;
    }
    unsigned int answer = 0;
    const int result = entry<GetConnectedDisplaysFn>(m_getConnectedDisplays)(adapter, controller, &answer);
    mask = answer;
    return result;
}

std::int32_t Win32AmdSecondDisplay::getConfiguration(std::int32_t adapter, std::int32_t controller,
                                                     AtipdlControllerConfig& config) {
    return m_getConfiguration != nullptr
               ? entry<GetConfigurationFn>(m_getConfiguration)(adapter, controller, &config)
               : kNoneFound;
}

std::int32_t Win32AmdSecondDisplay::getCapabilities(std::int32_t adapter) {
    return m_getCapabilities != nullptr ? entry<GetCapabilitiesFn>(m_getCapabilities)(adapter) : 0;
}

std::int32_t Win32AmdSecondDisplay::displayGetEdidData(std::int32_t adapter, std::int32_t display,
                                                       AtipdlEdidRequest& request) {
    return m_getEdidData != nullptr ? entry<GetEdidDataFn>(m_getEdidData)(adapter, display, &request)
                                    : kFailed;
}

std::int32_t Win32AmdSecondDisplay::setConfigurationEx(std::int32_t adapter,
                                                       const AtipdlConfigurationEx& config) {
    if (m_setConfigurationEx == nullptr) {
        return kFailed;
    }
    // The driver gets its own copy: the entry takes a writable record.
    AtipdlConfigurationEx record = config;
    return entry<SetConfigurationExFn>(m_setConfigurationEx)(adapter, &record);
}

} // namespace platform::win32
