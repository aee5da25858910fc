// An in-memory file system for the simulated programs: folders that exist, files with their
// bytes. Paths compare case-insensitively and use either separator.
// Simulation.
#pragma once

#include "platform/Files.h"

#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace sim {

class SimFiles final : public platform::Files {
public:
    // Makes a folder (and its parents) exist. The root of a drive ("C:\") always exists.
    void addFolder(const std::wstring& path);
    bool folderExists(const std::wstring& path) const;
    std::optional<std::string> content(const std::wstring& path) const;
    std::vector<std::wstring> fileNames() const;
    // The memory the files' contents hold, with the room each has grown for.
    std::size_t heldBytes() const;
    // Every append fails while set (a full disk, a locked file).
    void setFailWrites(bool fail) { m_failWrites = fail; }

    bool append(const wchar_t* path, const char* data, std::size_t size) override;

private:
    static std::wstring normalize(const std::wstring& path);
    static std::wstring parentOf(const std::wstring& normalized);

    mutable std::mutex m_lock;
    std::set<std::wstring> m_folders;             // normalized
    std::map<std::wstring, std::string> m_files;  // normalized path -> bytes
    std::map<std::wstring, std::wstring> m_names; // normalized path -> path as first written
    bool m_failWrites = false;
};

} // namespace sim
