// Adapter of the file-version facility: GetSystemDirectoryA, and the root block of a file's
// version resource (GetFileVersionInfoSizeA, GetFileVersionInfoA, VerQueryValueA; version.dll
// is linked). A block without the fixed-information signature counts as unreadable.
// Win32 only.
#pragma once

#include "platform/FileVersion.h"

namespace platform::win32 {

class Win32FileVersion final : public FileVersion {
public:
    std::optional<std::string> systemDirectory() override;
    std::optional<FileVersionNumber> fileVersion(const std::string& path) override;
};

} // namespace platform::win32
