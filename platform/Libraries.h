// Libraries port: load a library by file name or full path and bind its entries by name
// (LoadLibraryW, GetProcAddress, FreeLibrary), and restrict where the process searches for
// libraries named without a path (SetDefaultDllDirectories).
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
    // SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32):
    // from now on a library named without a path, and every library a loaded one depends on, is
    // searched for in the program's own folder and the system folder only, never in the current
    // folder or on PATH. false when the system cannot restrict the search (the last error tells why).
    virtual bool restrictSearchPath() = 0;
};

} // namespace platform
