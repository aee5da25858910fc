// Locale port: the system default language (GetLocaleInfoW with LOCALE_SYSTEM_DEFAULT and
// LOCALE_ILANGUAGE).
// Portable.
#pragma once

#include "platform/Port.h"

namespace platform {

class Locale : public Port {
public:
    // The language identifier as four hexadecimal digits (for example "0411") into `buffer`;
    // returns the characters written including the terminator, 0 on failure.
    virtual int systemDefaultLanguage(wchar_t* buffer, int capacity) = 0;
};

} // namespace platform
