// Firmware transport port over the driver device.
// Win32 only.
#include "platform/win32/Win32FirmwareTransport.h"

#include <windows.h>

#include <cstring>

namespace platform::win32 {

namespace {

HANDLE toHandle(DeviceHandle device) { return reinterpret_cast<HANDLE>(device); }

bool isOpen(DeviceHandle device) { return device != kNoDevice && device != kInvalidDevice; }

} // namespace

DeviceHandle Win32FirmwareTransport::openDevice(const wchar_t* path, ErrorCode& error) {
    return openDriver(path, error);
}

bool Win32FirmwareTransport::control(DeviceHandle device, std::uint32_t controlCode, const FirmwareBytes& request,
                                     FirmwareBytes& reply) {
    if (!isOpen(device)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    return driverControl(device, controlCode, request, reply);
}

void Win32FirmwareTransport::closeDevice(DeviceHandle device) {
    if (isOpen(device)) {
        CloseHandle(toHandle(device));
    }
}

DeviceHandle Win32FirmwareTransport::openDriver(const wchar_t* path, ErrorCode& error) {
    if (path == nullptr) {
        error = ERROR_INVALID_PARAMETER;
        return kInvalidDevice;
    }
    const HANDLE device = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, 0, nullptr);
    if (device == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        return kInvalidDevice;
    }
    return reinterpret_cast<DeviceHandle>(device);
}

bool Win32FirmwareTransport::driverControl(DeviceHandle device, std::uint32_t controlCode,
                                           const FirmwareBytes& request, FirmwareBytes& reply) {
    // The reply is read into a copy of the caller's record: bytes the driver does not return keep
    // their value, and the caller's record is untouched when the request fails.
    FirmwareBytes in;
    FirmwareBytes out;
    std::memcpy(in, request, kFirmwareRecordSize);
    std::memcpy(out, reply, kFirmwareRecordSize);
    DWORD returned = 0;
    if (DeviceIoControl(toHandle(device), controlCode, in, kFirmwareRecordSize, out, kFirmwareRecordSize, &returned,
                        nullptr) == FALSE) {
        return false;
    }
    std::memcpy(reply, out, kFirmwareRecordSize);
    return true;
}

} // namespace platform::win32
