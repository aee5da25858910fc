// Client side of the firmware simulator's named pipe.
// Win32 only.
#include "platform/win32/Win32SimulatorPipe.h"

#include <windows.h>

#include <cstring>
#include <vector>

namespace platform::win32::simulator_pipe {

namespace {

HANDLE toHandle(DeviceHandle pipe) {
    return reinterpret_cast<HANDLE>(pipe);
}

bool isOpen(DeviceHandle pipe) {
    return pipe != kNoDevice && pipe != kInvalidDevice;
}

bool startsWithNoCase(const std::wstring& text, const wchar_t* prefix) {
    const std::size_t length = std::wcslen(prefix);
    return text.size() >= length && CompareStringOrdinal(text.c_str(), static_cast<int>(length), prefix,
                                                         static_cast<int>(length), TRUE) == CSTR_EQUAL;
}

// Reads and drops the rest of a message that did not fit.
void dropRestOfMessage(HANDLE pipe) {
    std::uint8_t scratch[256];
    for (;;) {
        DWORD read = 0;
        if (ReadFile(pipe, scratch, sizeof scratch, &read, nullptr) != FALSE ||
            GetLastError() != ERROR_MORE_DATA) {
            return;
        }
    }
}

} // namespace

bool configuredPipe(std::wstring& name) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSettingKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        return false;
    }
    // Room for the longest accepted name, its terminator and one more character, so that a
    // longer value is seen as too long rather than cut.
    std::vector<wchar_t> buffer(kMaxNameChars + 2, L'\0');
    DWORD type = REG_NONE;
    DWORD bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    const LSTATUS status =
        RegQueryValueExW(key, kSettingValue, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &bytes);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_SZ) {
        return false;
    }
    // The stored data need not be terminated; take the characters up to the first terminator.
    const std::size_t chars = bytes / sizeof(wchar_t);
    std::size_t length = 0;
    while (length < chars && buffer[length] != L'\0') {
        ++length;
    }
    const std::wstring value(buffer.data(), length);
    if (length > kMaxNameChars || !startsWithNoCase(value, kLocalPipePrefix) ||
        value.size() == std::wcslen(kLocalPipePrefix)) {
        return false;
    }
    name = value;
    return true;
}

DeviceHandle open(const std::wstring& name, ErrorCode& error) {
    HANDLE pipe = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 2; ++attempt) {
        pipe = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (pipe != INVALID_HANDLE_VALUE || GetLastError() != ERROR_PIPE_BUSY) {
            break;
        }
        if (WaitNamedPipeW(name.c_str(), kBusyWaitMs) == FALSE) {
            SetLastError(ERROR_PIPE_BUSY);
            break;
        }
    }
    if (pipe == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        return kInvalidDevice;
    }
    DWORD mode = PIPE_READMODE_MESSAGE;
    if (SetNamedPipeHandleState(pipe, &mode, nullptr, nullptr) == FALSE) {
        error = GetLastError();
        CloseHandle(pipe);
        SetLastError(error);
        return kInvalidDevice;
    }
    return reinterpret_cast<DeviceHandle>(pipe);
}

bool transact(DeviceHandle pipe, const std::uint8_t* request, std::size_t requestSize, std::uint8_t* reply,
              std::size_t replySize) {
    if (!isOpen(pipe) || request == nullptr || reply == nullptr || requestSize == 0 || replySize == 0 ||
        requestSize > MAXDWORD || replySize > MAXDWORD) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    std::vector<std::uint8_t> in(request, request + requestSize);
    std::vector<std::uint8_t> out(replySize);
    DWORD read = 0;
    if (TransactNamedPipe(toHandle(pipe), in.data(), static_cast<DWORD>(requestSize), out.data(),
                          static_cast<DWORD>(replySize), &read, nullptr) == FALSE) {
        if (GetLastError() == ERROR_MORE_DATA) {
            dropRestOfMessage(toHandle(pipe));
            SetLastError(ERROR_INVALID_DATA);
        }
        return false;
    }
    if (read != replySize) {
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    std::memcpy(reply, out.data(), replySize);
    return true;
}

void close(DeviceHandle pipe) {
    if (isOpen(pipe)) {
        CloseHandle(toHandle(pipe));
    }
}

} // namespace platform::win32::simulator_pipe
