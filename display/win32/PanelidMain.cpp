// Entry point and exports of Panelid.dll, the display library: each export builds the Win32
// adapters of the ports it needs on the stack, runs the portable operation and releases
// everything before it returns. No exception leaves an export.
// Win32 only.
#include "display/Panelid.h"
#include "display/backends/AmdFirstBackend.h"
#include "display/backends/AmdSecondBackend.h"
#include "display/backends/IntelBackend.h"
#include "display/backends/NvidiaBackend.h"
#include "platform/win32/Win32AmdDisplayLibrary.h"
#include "platform/win32/Win32AmdSecondDisplay.h"
#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32Display.h"
#include "platform/win32/Win32FileVersion.h"
#include "platform/win32/Win32FirmwareTransport.h"
#include "platform/win32/Win32IntelDisplay.h"
#include "platform/win32/Win32NvidiaDisplay.h"
#include "platform/win32/Win32Registry.h"

#include <cstdint>

namespace {

constexpr std::int32_t kFailed = -1;

// The ports of one call, made and released around it.
struct CallPorts {
    platform::win32::Win32DeviceSetupClasses devices;
    platform::win32::Win32OsVersion os;
    platform::win32::Win32DisplayConfig displayConfig;
    platform::win32::Win32DisplaySettings displaySettings;
    platform::win32::Win32Registry registry;
    platform::win32::Win32Clock clock;
    platform::win32::Win32FirmwareTransport firmware;
    platform::win32::Win32IntelDisplay igfx;
    display::IntelBackend intel{igfx, registry, displaySettings};
    platform::win32::Win32NvidiaDisplay nvidiaDisplay;
    display::NvidiaBackend nvidia{nvidiaDisplay, clock, displaySettings};
    platform::win32::Win32AmdDisplayLibrary adl;
    display::AmdFirstBackend amdFirst{adl};
    platform::win32::Win32AmdSecondDisplay pdl;
    platform::win32::Win32FileVersion files;
    display::AmdSecondBackend amdSecond{pdl, files};

    display::Panelid library() {
        return display::Panelid(
            display::PanelidPorts{devices, os, displayConfig, displaySettings, registry, clock, firmware},
            display::VendorBackends{&intel, &nvidia, &amdFirst, &amdSecond});
    }
};

} // namespace

// DllMain as the runtime's library start-up calls it, BOOL WINAPI DllMain(HINSTANCE, DWORD,
// LPVOID), spelled without <windows.h>.
extern "C" int __stdcall DllMain(void* /*module*/, unsigned long /*reason*/, void* /*reserved*/) {
    return 1;
}

extern "C" std::int32_t GetPanelid(std::uint8_t* edid256) {
    try {
        CallPorts ports;
        return ports.library().getPanelid(edid256);
    } catch (...) {
        return kFailed;
    }
}

extern "C" std::int32_t GetMonitorDevice() {
    try {
        CallPorts ports;
        return ports.library().getMonitorDevice();
    } catch (...) {
        return kFailed;
    }
}

extern "C" std::int32_t SetMonitorDevice(std::uint32_t value) {
    try {
        CallPorts ports;
        return ports.library().setMonitorDevice(value);
    } catch (...) {
        return kFailed;
    }
}
