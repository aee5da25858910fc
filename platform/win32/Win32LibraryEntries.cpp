// Win32 only.
#include "platform/win32/Win32LibraryEntries.h"

#include <windows.h>

namespace platform::win32 {

bool LibraryEntries::load() {
    unload();
    HMODULE module = nullptr;
    for (const char* file : m_files) {
        module = ::LoadLibraryA(file);
        if (module != nullptr) {
            break;
        }
    }
    if (module == nullptr) {
        return false;
    }
    m_module = module;
    for (const Entry& entry : m_entries) {
        *entry.slot = reinterpret_cast<void*>(::GetProcAddress(module, entry.name));
    }
    return true;
}

void LibraryEntries::unload() {
    if (m_module != nullptr) {
        ::FreeLibrary(static_cast<HMODULE>(m_module));
        m_module = nullptr;
    }
    for (const Entry& entry : m_entries) {
        *entry.slot = nullptr;
    }
}

bool LibraryEntries::hasAll() const {
    for (const Entry& entry : m_entries) {
        if (*entry.slot == nullptr) {
            return false;
        }
    }
    return true;
}

} // namespace platform::win32
