// Firmware transport port over the driver device: CreateFileW, DeviceIoControl, CloseHandle.
// Win32 only.
#pragma once

#include "platform/FirmwareTransport.h"

namespace platform::win32 {

// The device is reached through one route today, the driver. Opening and the request are kept
// apart per route so that a second route (a named pipe standing in for the device, chosen when
// the driver cannot be opened) can be added next to it without touching the driver route.
class Win32FirmwareTransport final : public FirmwareTransport {
public:
    DeviceHandle openDevice(const wchar_t* path, ErrorCode& error) override;
    bool control(DeviceHandle device, std::uint32_t controlCode, const FirmwareBytes& request,
                 FirmwareBytes& reply) override;
    void closeDevice(DeviceHandle device) override;

private:
    static DeviceHandle openDriver(const wchar_t* path, ErrorCode& error);
    static bool driverControl(DeviceHandle device, std::uint32_t controlCode, const FirmwareBytes& request,
                              FirmwareBytes& reply);
};

} // namespace platform::win32
