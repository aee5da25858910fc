// Firmware transport port over the driver device: CreateFileW, DeviceIoControl, CloseHandle.
// Where the device cannot be opened and an administrator has named a firmware simulator's pipe
// (Win32SimulatorPipe.h), the records travel over that pipe instead.
// Win32 only.
#pragma once

#include "platform/FirmwareTransport.h"

#include <mutex>
#include <set>

namespace platform::win32 {

// Two routes to the firmware, each with its own open and request:
// - the driver "\\.\QVSYS", always tried first;
// - the simulator's pipe, only for the firmware device's path, only when the driver cannot be
//   opened and only when the machine-hive setting names a pipe. Then an open reports the pipe's
//   error, and each request is one 24-byte message each way; a reply of any other size or a
//   broken pipe fails the request.
// Without the setting a missing device fails with the driver's error, as on any machine.
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
    static bool pipeControl(DeviceHandle device, std::uint32_t controlCode, const FirmwareBytes& request,
                            FirmwareBytes& reply);
    bool isPipe(DeviceHandle device);

    std::mutex m_lock;              // guards m_pipes
    std::set<DeviceHandle> m_pipes; // handles of the pipe route
};

} // namespace platform::win32
