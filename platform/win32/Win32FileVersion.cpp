// File versions and the system directory. Win32 only.
#include "platform/win32/Win32FileVersion.h"

#include <windows.h>

#include <vector>

namespace platform::win32 {

std::optional<std::string> Win32FileVersion::systemDirectory() {
    char buffer[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryA(buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return std::nullopt;
    }
    return std::string(buffer, length);
}

std::optional<FileVersionNumber> Win32FileVersion::fileVersion(const std::string& path) {
    DWORD handle = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(path.c_str(), &handle);
    if (size == 0) {
        return std::nullopt;
    }
    std::vector<unsigned char> block(size);
    if (!::GetFileVersionInfoA(path.c_str(), 0, size, block.data())) {
        return std::nullopt;
    }
    void* root = nullptr;
    UINT rootSize = 0;
    if (!::VerQueryValueA(block.data(), "\\", &root, &rootSize) || root == nullptr ||
        rootSize < sizeof(VS_FIXEDFILEINFO)) {
        return std::nullopt;
    }
    const auto* info = static_cast<const VS_FIXEDFILEINFO*>(root);
    if (info->dwSignature != 0xFEEF04BD) {
        return std::nullopt;
    }
    return FileVersionNumber{info->dwFileVersionMS, info->dwFileVersionLS};
}

} // namespace platform::win32
