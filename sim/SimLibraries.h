// The library loader of the simulated world (platform::Libraries): named libraries with their
// entries. File names compare case-insensitively and a path matches by its file name, so
// "C:\Program Files\Common Files\Korvath Shared\TVBRIDGE.dll" finds "Tvbridge.dll"; a name
// without an extension gets ".dll", as LoadLibraryW does. A library added by its full path lies
// in that folder: a full path into another folder does not find it (ERROR_MOD_NOT_FOUND), a bare
// file name does. One added by file name alone is found by any path.
// load of a missing library returns 0 with last error 126; bind of a missing entry returns
// null with 127 (an unknown handle: 6); loading a library again gives the same handle and
// counts a reference that free releases. Removing a library makes later loads fail; a handle
// already loaded keeps the library's entries, as a mapped module would. Every load, bind and
// free is recorded.
// Simulation.
#pragma once

#include "platform/Libraries.h"
#include "sim/VirtualClock.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sim {

inline constexpr platform::ErrorCode kErrorModNotFound = 126;
inline constexpr platform::ErrorCode kErrorProcNotFound = 127;

class SimLibraries final : public platform::Libraries {
public:
    enum class Operation { Load, Bind, Free, RestrictSearch };
    struct Record {
        std::uint64_t time = 0;
        Operation operation = Operation::Load;
        std::wstring library; // as the caller named it (load) or the loaded library's name
        std::string entry;    // bind only
        bool succeeded = false;
    };

    explicit SimLibraries(VirtualClock& clock);

    // Adds (or replaces) a library under its file name, in the folder of a full path if given.
    void addLibrary(const std::wstring& fileName, const std::map<std::string, platform::EntryPoint>& entries);
    void removeLibrary(const std::wstring& fileName);
    // Removes one entry of a library (loaded handles included).
    void removeEntry(const std::wstring& fileName, const std::string& entry);
    bool hasLibrary(const std::wstring& fileName) const;
    // Whether a library of that name is loaded now, and how many references it has.
    int loadCount(const std::wstring& fileName) const;

    const std::vector<Record>& records() const { return m_records; }
    // Forgets what was recorded so far, so that a long run keeps its memory flat; the state stays.
    void clearRecords() { m_records.clear(); }

    // platform::Libraries
    platform::LibraryHandle load(const wchar_t* fileName) override;
    platform::EntryPoint bind(platform::LibraryHandle library, const char* entryName) override;
    bool free(platform::LibraryHandle library) override;
    // Recorded; libraries are found by their file name wherever they are named from, so the
    // search order itself is not modelled.
    bool restrictSearchPath() override;

private:
    struct Library {
        std::wstring name;
        std::wstring folder; // upper-cased, separators as '\\'; empty: any folder
        std::map<std::string, platform::EntryPoint> entries;
    };
    struct Loaded {
        std::shared_ptr<Library> library;
        int references = 0;
    };

    // Upper-cased file name of a name or path, with ".DLL" added when it has no extension.
    static std::wstring key(const std::wstring& nameOrPath);
    // Upper-cased folder of a path with '\\' separators and none at the end; empty for a bare name.
    static std::wstring folderOf(const std::wstring& nameOrPath);
    void recordCall(Operation operation, const std::wstring& library, const std::string& entry,
                    bool succeeded);

    VirtualClock& m_clock;
    std::map<std::wstring, std::shared_ptr<Library>> m_libraries;
    std::map<platform::LibraryHandle, Loaded> m_loaded;
    platform::LibraryHandle m_nextHandle = 0x10000000;
    std::vector<Record> m_records;
};

} // namespace sim
