// Client side of the named pipe through which a firmware simulator stands in for the driver
// device on a machine that has no device (a test machine, Wine). Only an administrator can name
// the pipe: the REG_SZ value "FirmwarePipe" under
//   HKEY_LOCAL_MACHINE\SOFTWARE\KORVATH\Sentrixd\Simulator
// holds a local pipe name (\\.\pipe\...). The user hive is never read for it.
// The pipe runs in message mode: one message per request and one per reply. The firmware
// transport carries its 24-byte records over it; the test NVIDIA interface library of the
// end-to-end runs carries its own, differently sized messages over the same pipe.
// Win32 only.
#pragma once

#include "platform/FirmwareTransport.h"
#include "platform/Types.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform::win32::simulator_pipe {

inline constexpr const wchar_t* kSettingKey = L"SOFTWARE\\KORVATH\\Sentrixd\\Simulator";
inline constexpr const wchar_t* kSettingValue = L"FirmwarePipe";
inline constexpr const wchar_t* kLocalPipePrefix = L"\\\\.\\pipe\\";
// Longest pipe name accepted from the setting, in characters without the terminator.
inline constexpr std::size_t kMaxNameChars = 256;
// How long an open waits for a free instance of a busy pipe.
inline constexpr std::uint32_t kBusyWaitMs = 2000;

// The pipe the machine-hive setting names. False, with `name` untouched, when the value is
// missing, is not REG_SZ, is empty or too long, or does not name a local pipe.
bool configuredPipe(std::wstring& name);

// Opens the pipe for reading and writing and switches it to message reads. On failure returns
// kInvalidDevice and sets `error` (and the thread's last error) to the system error code.
DeviceHandle open(const std::wstring& name, ErrorCode& error);

// Sends `request` as one message and reads the one reply message, which must be exactly
// `replySize` bytes long. Nothing is read beyond `replySize` bytes into `reply`, and `reply` is
// written only when the call succeeds. A longer reply is read to its end and dropped (so the
// next call starts on a message boundary); it fails the call like a shorter reply or a broken
// pipe does (last error ERROR_INVALID_DATA for a reply of the wrong size).
bool transact(DeviceHandle pipe, const std::uint8_t* request, std::size_t requestSize, std::uint8_t* reply,
              std::size_t replySize);

void close(DeviceHandle pipe);

} // namespace platform::win32::simulator_pipe
