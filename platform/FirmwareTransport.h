// Firmware transport port: the driver device that runs firmware functions on a 24-byte record
// (CreateFileW on the device path, DeviceIoControl, CloseHandle).
// Portable.
#pragma once

#include "platform/Port.h"
#include "platform/Types.h"

#include <cstddef>
#include <cstdint>

namespace platform {

using DeviceHandle = std::intptr_t;
inline constexpr DeviceHandle kNoDevice = 0;
inline constexpr DeviceHandle kInvalidDevice = -1; // INVALID_HANDLE_VALUE

inline constexpr std::size_t kFirmwareRecordSize = 24;
using FirmwareBytes = std::uint8_t[kFirmwareRecordSize];

class FirmwareTransport : public Port {
public:
    // Opens the device for reading and writing, sharing both, existing device only.
    // On failure returns kInvalidDevice and sets `error` to the system error code.
    virtual DeviceHandle openDevice(const wchar_t* path, ErrorCode& error) = 0;

    // One device-control request with 24 bytes in and 24 bytes out. False when the request
    // itself fails (bad handle, transport down); the firmware's own status is in the reply.
    virtual bool control(DeviceHandle device, std::uint32_t controlCode, const FirmwareBytes& request,
                         FirmwareBytes& reply) = 0;

    virtual void closeDevice(DeviceHandle device) = 0;
};

} // namespace platform
