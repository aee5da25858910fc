// Port of the file-version facility: the version resource of a file (GetFileVersionInfoSizeA,
// GetFileVersionInfoA, VerQueryValueA of the root block) and the system directory
// (GetSystemDirectoryA).
// Portable.
#pragma once

#include "platform/Port.h"

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// The fixed file version: most and least significant 32-bit parts (7.1.1.537 is
// 0x00070001, 0x00010219).
struct FileVersionNumber {
    std::uint32_t mostSignificant = 0;
    std::uint32_t leastSignificant = 0;
};

class FileVersion : public Port {
public:
    // The system directory without a trailing separator; nullopt when it cannot be read.
    virtual std::optional<std::string> systemDirectory() = 0;
    // The file's version; nullopt when the file is missing or has no readable version.
    virtual std::optional<FileVersionNumber> fileVersion(const std::string& path) = 0;
};

} // namespace platform
