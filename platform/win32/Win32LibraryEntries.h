// A vendor library loaded by the first of its file names that loads (LoadLibraryA, so the
// system's search order decides where it comes from), with its entries looked up by name into
// the owner's slots. An entry the library lacks stays null, so the owner can answer it as a
// failure; unload (and destruction) frees the library and clears every slot.
// Win32 only.
#pragma once

#include <initializer_list>
#include <vector>

namespace platform::win32 {

class LibraryEntries {
public:
    struct Entry {
        const char* name;
        void** slot;
    };

    LibraryEntries(std::initializer_list<const char*> files, std::initializer_list<Entry> entries)
        : m_files(files), m_entries(entries) {}
    ~LibraryEntries() { unload(); }
    LibraryEntries(const LibraryEntries&) = delete;
    LibraryEntries& operator=(const LibraryEntries&) = delete;

    // Loads the library again from the start; false when none of the files loads.
    bool load();
    void unload();
    bool hasAll() const;

private:
    std::vector<const char*> m_files;
    std::vector<Entry> m_entries;
    void* m_module = nullptr;
};

} // namespace platform::win32
