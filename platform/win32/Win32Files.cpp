// Files port: opens the file for appending only (FILE_APPEND_DATA, so every write lands at the
// end even when several programs append to the same log), writes the bytes unchanged, closes it.
// Win32 only.
#include "platform/win32/Win32Files.h"

#include <windows.h>

#include <algorithm>

namespace platform::win32 {

namespace {

constexpr std::size_t kMaxWriteBytes = 1u << 30; // one WriteFile call; larger data goes in parts

} // namespace

bool Win32Files::append(const wchar_t* path, const char* data, std::size_t size) {
    if (path == nullptr || path[0] == L'\0' || (data == nullptr && size != 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    const HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    bool written = true;
    std::size_t done = 0;
    while (written && done < size) {
        const auto part = static_cast<DWORD>(std::min(size - done, kMaxWriteBytes));
        DWORD wrote = 0;
        written = WriteFile(file, data + done, part, &wrote, nullptr) != FALSE && wrote == part;
        done += wrote;
    }
    const DWORD error = GetLastError();
    CloseHandle(file);
    if (!written) {
        SetLastError(error);
    }
    return written;
}

} // namespace platform::win32
