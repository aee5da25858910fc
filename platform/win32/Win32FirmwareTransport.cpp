// Firmware transport port over the driver device, or over the firmware simulator's pipe.
// Win32 only.
#include "platform/win32/Win32FirmwareTransport.h"

#include "common/FirmwareRecord.h"
#include "platform/win32/Win32SimulatorPipe.h"

#include <windows.h>

#include <cstring>
#include <string>

namespace platform::win32 {

namespace {

HANDLE toHandle(DeviceHandle device) {
    return reinterpret_cast<HANDLE>(device);
}

bool isOpen(DeviceHandle device) {
    return device != kNoDevice && device != kInvalidDevice;
}

bool isFirmwareDevice(const wchar_t* path) {
    return path != nullptr && CompareStringOrdinal(path, -1, fw::kDevicePath, -1, TRUE) == CSTR_EQUAL;
}

} // namespace

DeviceHandle Win32FirmwareTransport::openDevice(const wchar_t* path, ErrorCode& error) {
    ErrorCode driverError = 0;
    const DeviceHandle device = openDriver(path, driverError);
    if (device != kInvalidDevice) {
        return device;
    }
    std::wstring pipeName;
    if (!isFirmwareDevice(path) || !simulator_pipe::configuredPipe(pipeName)) {
        error = driverError;
        SetLastError(driverError);
        return kInvalidDevice;
    }
    const DeviceHandle pipe = simulator_pipe::open(pipeName, error);
    if (pipe == kInvalidDevice) {
        return kInvalidDevice;
    }
    const std::lock_guard<std::mutex> guard(m_lock);
    m_pipes.insert(pipe);
    return pipe;
}

bool Win32FirmwareTransport::control(DeviceHandle device, std::uint32_t controlCode,
                                     const FirmwareBytes& request, FirmwareBytes& reply) {
    if (!isOpen(device)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    if (isPipe(device)) {
        return pipeControl(device, controlCode, request, reply);
    }
    return driverControl(device, controlCode, request, reply);
}

void Win32FirmwareTransport::closeDevice(DeviceHandle device) {
    if (!isOpen(device)) {
        return;
    }
    bool pipe = false;
    {
        const std::lock_guard<std::mutex> guard(m_lock);
        pipe = m_pipes.erase(device) != 0;
    }
    if (pipe) {
        simulator_pipe::close(device);
    } else {
        CloseHandle(toHandle(device));
    }
}

bool Win32FirmwareTransport::isPipe(DeviceHandle device) {
    const std::lock_guard<std::mutex> guard(m_lock);
    return m_pipes.count(device) != 0;
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
    if (DeviceIoControl(toHandle(device), controlCode, in, kFirmwareRecordSize, out, kFirmwareRecordSize,
                        &returned, nullptr) == FALSE) {
        return false;
    }
    std::memcpy(reply, out, kFirmwareRecordSize);
    return true;
}

bool Win32FirmwareTransport::pipeControl(DeviceHandle device, std::uint32_t controlCode,
                                         const FirmwareBytes& request, FirmwareBytes& reply) {
    // The pipe stands for the device's one control code; the driver rejects any other.
    if (controlCode != fw::kControlCode) {
        SetLastError(ERROR_INVALID_FUNCTION);
        return false;
    }
    return simulator_pipe::transact(device, request, kFirmwareRecordSize, reply, kFirmwareRecordSize);
}

} // namespace platform::win32
