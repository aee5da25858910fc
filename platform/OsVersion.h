// Operating system version port (GetVersionExA): the major and minor version numbers as the
// calling program sees them (a program without a compatibility manifest sees 6.2 on Windows 8
// and later).
// Portable.
#pragma once

#include "platform/Port.h"

#include <cstdint>

namespace platform {

class OsVersion : public Port {
public:
    // False when the version cannot be read; the out-parameters stay untouched then.
    virtual bool version(std::uint32_t& major, std::uint32_t& minor) = 0;
};

} // namespace platform
