// Binding to the display library: loads "Panelid.dll" from the controller's own folder by its
// full path (never by bare name, which would search the current folder and PATH), binds its
// three entries and gives the
// controller guarded calls that log and fail softly when the library or an entry is missing.
// Also derives the notebook's CEC physical address from the TV's EDID.
// Portable.
#pragma once

#include "platform/Libraries.h"
#include "platform/Shell.h"

#include <cstddef>
#include <cstdint>

// Entry types of the display library.
using GetPanelidEntry = std::int32_t (*)(std::uint8_t* edid);
using GetMonitorDeviceEntry = std::int32_t (*)();
using SetMonitorDeviceEntry = std::int32_t (*)(std::uint32_t monitorDevice);

// Monitor-device values.
namespace monitor {
inline constexpr std::uint32_t kPanel = 0x1;
inline constexpr std::uint32_t kClone = 0x80;
inline constexpr std::uint32_t kHdmi = 0x100;
inline constexpr std::uint32_t kPanelPrimaryExtended = 0x2000000;
inline constexpr std::uint32_t kHdmiPrimaryExtended = 0x4000000;
} // namespace monitor

class EDIDHelper {
public:
    static constexpr std::size_t kEdidBytes = 256;
    static constexpr int kNoEntry = -99;
    static constexpr int kNoAddress = -50;
    static constexpr int kNoHdmiDisplayYet = -2;

    EDIDHelper(platform::Libraries& libraries, platform::Shell& shell);
    EDIDHelper(const EDIDHelper&) = delete;
    EDIDHelper& operator=(const EDIDHelper&) = delete;
    virtual ~EDIDHelper(); // unloads

    // 1 when the library is loaded (entries that are missing stay empty), 0 when it is not or
    // the program's own path cannot be read.
    // Called again it binds again without reloading.
    int initialize();
    void uninitialize();

    int GetPanelid(std::uint8_t* buffer);
    int GetMonitorDevice();
    int SetMonitorDevice(std::uint32_t value);

    // 0 and the two address bytes (written only then); -50 when the EDID has no usable
    // address; -99 without the entry; any other code of the entry.
    int getPhysicalAddress(std::uint8_t& first, std::uint8_t& second);

    // The walk over an EDID's first CEA-861 extension for the HDMI vendor-specific block.
    // Never reads outside the 256 bytes; the address bytes are written only when found.
    enum class EdidWalk { Found, NotCeaRevision3, NoHdmiBlock };
    static EdidWalk physicalAddressFromEdid(const std::uint8_t (&edid)[kEdidBytes], std::uint8_t& first,
                                            std::uint8_t& second);

private:
    platform::Libraries& m_libraries;
    platform::Shell& m_shell;
    platform::LibraryHandle m_hLibrary = 0;
    GetPanelidEntry m_pGetPanelid = nullptr;
    GetMonitorDeviceEntry m_pGetMonitorDevice = nullptr;
    SetMonitorDeviceEntry m_pSetMonitorDevice = nullptr;
};
