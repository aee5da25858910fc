// Files port: appends bytes to a file with the Win32 file calls.
// Win32 only.
#pragma once

#include "platform/Files.h"

namespace platform::win32 {

class Win32Files final : public Files {
public:
    bool append(const wchar_t* path, const char* data, std::size_t size) override;
};

} // namespace platform::win32
