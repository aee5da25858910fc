// Binding to the display library. Portable.
#include "controller/EDIDHelper.h"

#include "common/Trace.h"

#include <cstring>
#include <string>

#define EDID_SCOPE(name) TRACE_SCOPE(TraceModule::Sentrixd, name)

namespace {
constexpr const wchar_t* kLibraryName = L"Panelid.dll";
constexpr std::uint32_t kPathChars = 260;

// CEA-861 extension block and the HDMI vendor-specific data block.
constexpr std::size_t kExtensionStart = 128;
constexpr std::uint8_t kCeaExtensionTag = 0x02;
constexpr std::uint8_t kCeaRevision3 = 0x03;
constexpr std::size_t kFirstDataBlock = 132;
constexpr std::uint8_t kVendorSpecificTag = 3;
constexpr std::uint8_t kHdmiIeeeId[3] = {0x03, 0x0C, 0x00}; // 0x000C03, least significant byte first
} // namespace

EDIDHelper::EDIDHelper(platform::Libraries& libraries, platform::Shell& shell)
    : m_libraries(libraries), m_shell(shell) {}

EDIDHelper::~EDIDHelper() {
    if (m_hLibrary != 0) {
        m_libraries.free(m_hLibrary);
    }
}

int EDIDHelper::initialize() {
    EDID_SCOPE("EDIDHelper::initialize");
    if (m_hLibrary == 0) {
        wchar_t program[kPathChars] = {};
        const std::uint32_t length = m_shell.moduleFileName(program, kPathChars);
        std::wstring path(program, length < kPathChars ? length : 0);
        const std::size_t folderEnd = path.find_last_of(L'\\');
        if (length == 0 || length >= kPathChars || folderEnd == std::wstring::npos) {
            TRACE_ERROR(L"ERROR GetModuleFileName()");
            return 0;
        }
        path.replace(folderEnd + 1, std::wstring::npos, kLibraryName);
        TRACE_MSG(L"Panelid.dll Path:%ls", path.c_str());
        m_hLibrary = m_libraries.load(path.c_str());
        if (m_hLibrary == 0) {
            TRACE_ERROR(L"ERROR LoadLibrary()");
            return 0;
        }
    }
    m_pGetPanelid = reinterpret_cast<GetPanelidEntry>(m_libraries.bind(m_hLibrary, "GetPanelid"));
    m_pGetMonitorDevice =
        reinterpret_cast<GetMonitorDeviceEntry>(m_libraries.bind(m_hLibrary, "GetMonitorDevice"));
    m_pSetMonitorDevice =
        reinterpret_cast<SetMonitorDeviceEntry>(m_libraries.bind(m_hLibrary, "SetMonitorDevice"));
    return 1;
}

void EDIDHelper::uninitialize() {
    EDID_SCOPE("EDIDHelper::uninitialize");
    if (m_hLibrary != 0) {
        m_libraries.free(m_hLibrary);
    }
    m_hLibrary = 0;
    m_pGetPanelid = nullptr;
    m_pGetMonitorDevice = nullptr;
    m_pSetMonitorDevice = nullptr;
}

int EDIDHelper::GetPanelid(std::uint8_t* buffer) {
    EDID_SCOPE("EDIDHelper::GetPanelid");
    if (m_pGetPanelid == nullptr || buffer == nullptr) {
        TRACE_ERROR(L"ERROR Unknown");
        return kNoEntry;
    }
    return m_pGetPanelid(buffer);
}

int EDIDHelper::GetMonitorDevice() {
    EDID_SCOPE("EDIDHelper::GetMonitorDevice");
    if (m_pGetMonitorDevice == nullptr) {
        TRACE_ERROR(L"ERROR Unknown");
        return kNoEntry;
    }
    return m_pGetMonitorDevice();
}

int EDIDHelper::SetMonitorDevice(std::uint32_t value) {
    EDID_SCOPE("EDIDHelper::SetMonitorDevice");
    if (m_pSetMonitorDevice == nullptr) {
        TRACE_ERROR(L"ERROR Unknown");
        return kNoEntry;
    }
    return m_pSetMonitorDevice(value);
}

int EDIDHelper::getPhysicalAddress(std::uint8_t& first, std::uint8_t& second) {
    EDID_SCOPE("EDIDHelper::getPhysicalAddress");
    std::uint8_t edid[kEdidBytes] = {};
    if (m_pGetPanelid == nullptr) {
        TRACE_ERROR_AS("EDIDHelper::GetPanelid", L"ERROR Unknown");
        TRACE_ERROR(L"ERROR GetPanelid()");
        return kNoEntry;
    }
    const int result = m_pGetPanelid(edid);
    if (result != 0 && result != 1) {
        TRACE_ERROR(L"ERROR GetPanelid()");
        return result;
    }
    const EdidWalk walk = physicalAddressFromEdid(edid, first, second);
    if (walk == EdidWalk::NotCeaRevision3) {
        TRACE_ERROR(L"ERROR Invalid tag or revision");
        return kNoAddress;
    }
    if (walk == EdidWalk::NoHdmiBlock) {
        TRACE_ERROR(L"ERROR Valid tag is NOT exist");
        return kNoAddress;
    }
    return 0;
}

EDIDHelper::EdidWalk EDIDHelper::physicalAddressFromEdid(const std::uint8_t (&edid)[kEdidBytes],
                                                         std::uint8_t& first, std::uint8_t& second) {
    if (edid[kExtensionStart] != kCeaExtensionTag || edid[kExtensionStart + 1] != kCeaRevision3) {
        return EdidWalk::NotCeaRevision3;
    }
    const std::size_t dtdOffset = edid[kExtensionStart + 2];
    std::size_t position = kFirstDataBlock;
    for (;;) {
        const std::uint8_t header = edid[position];
        if ((header >> 5) == kVendorSpecificTag && edid[position + 1] == kHdmiIeeeId[0] &&
            edid[position + 2] == kHdmiIeeeId[1] && edid[position + 3] == kHdmiIeeeId[2]) {
            first = edid[position + 4];
            second = edid[position + 5];
            return EdidWalk::Found;
        }
        position += static_cast<std::size_t>(header & 0x1F) + 1;
        if (position >= kExtensionStart + dtdOffset || position + 5 > kEdidBytes - 1) {
            return EdidWalk::NoHdmiBlock;
        }
    }
}
