// Libraries port: load a library by file name or full path and bind its entries by name
// (LoadLibraryW, GetProcAddress, FreeLibrary).
// Portable.
#pragma once

#include "platform/Port.h"
#include "platform/Types.h"

#include <cstdint>

namespace platform {

using LibraryHandle = std::uintptr_t; // 0: not loaded
using EntryPoint = void (*)();        // cast to the entry's real type by the caller

class Libraries : public Port {
public:
    // 0 on failure (the last error tells why).
    virtual LibraryHandle load(const wchar_t* fileName) = 0;
    // null when the entry is not exported.
    virtual EntryPoint bind(LibraryHandle library, const char* entryName) = 0;
    virtual bool free(LibraryHandle library) = 0;
};

} // namespace platform
