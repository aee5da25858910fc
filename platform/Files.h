// Files port: append bytes to a file, opening and closing it for each call.
// Portable.
#pragma once

#include "platform/Port.h"

#include <cstddef>

namespace platform {

class Files : public Port {
public:
    // Opens `path` for appending (creating the file, not its folder), writes `size` bytes
    // unchanged and closes it. False when the file cannot be opened or written.
    virtual bool append(const wchar_t* path, const char* data, std::size_t size) = 0;
};

} // namespace platform
