// In-memory files. Simulation.
#include "sim/SimFiles.h"

#include "common/Text.h"
#include "sim/SimThreads.h"

namespace sim {

std::wstring SimFiles::normalize(const std::wstring& path) {
    std::wstring out;
    out.reserve(path.size());
    for (wchar_t c : path) {
        c = c == L'/' ? L'\\' : text::toUpperAscii(c);
        if (c == L'\\' && !out.empty() && out.back() == L'\\') {
            continue;
        }
        out.push_back(c);
    }
    while (out.size() > 3 && out.back() == L'\\') {
        out.pop_back();
    }
    return out;
}

std::wstring SimFiles::parentOf(const std::wstring& normalized) {
    const std::size_t sep = normalized.rfind(L'\\');
    if (sep == std::wstring::npos) {
        return std::wstring();
    }
    if (sep == 2 && normalized.size() > 1 && normalized[1] == L':') {
        return normalized.substr(0, 3); // "C:\"
    }
    return normalized.substr(0, sep);
}

void SimFiles::addFolder(const std::wstring& path) {
    std::lock_guard<std::mutex> guard(m_lock);
    std::wstring folder = normalize(path);
    while (!folder.empty() && m_folders.insert(folder).second) {
        const std::wstring parent = parentOf(folder);
        if (parent == folder) {
            break;
        }
        folder = parent;
    }
}

bool SimFiles::folderExists(const std::wstring& path) const {
    const std::wstring folder = normalize(path);
    if (folder.size() == 3 && folder[1] == L':' && folder[2] == L'\\') {
        return true;
    }
    std::lock_guard<std::mutex> guard(m_lock);
    return m_folders.count(folder) != 0;
}

std::optional<std::string> SimFiles::content(const std::wstring& path) const {
    std::lock_guard<std::mutex> guard(m_lock);
    const auto it = m_files.find(normalize(path));
    if (it == m_files.end()) {
        return std::nullopt;
    }
    return it->second;
}

std::vector<std::wstring> SimFiles::fileNames() const {
    std::lock_guard<std::mutex> guard(m_lock);
    std::vector<std::wstring> names;
    for (const auto& entry : m_names) {
        names.push_back(entry.second);
    }
    return names;
}

std::size_t SimFiles::heldBytes() const {
    std::size_t total = 0;
    for (const auto& [path, content] : m_files) {
        total += content.capacity() + 1;
    }
    return total;
}

bool SimFiles::append(const wchar_t* path, const char* data, std::size_t size) {
    if (path == nullptr || *path == L'\0' || (data == nullptr && size != 0)) {
        setLastError(platform::error::kInvalidParameter);
        return false;
    }
    const std::wstring file = normalize(path);
    const std::wstring parent = parentOf(file);
    if (!parent.empty() && !folderExists(parent)) {
        setLastError(platform::error::kPathNotFound);
        return false;
    }
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_failWrites) {
        setLastError(platform::error::kAccessDenied);
        return false;
    }
    // As CreateFileW with OPEN_ALWAYS: an existing file leaves ERROR_ALREADY_EXISTS as the last
    // error, a new one 0, even though both succeed.
    const bool existed = m_files.count(file) != 0;
    setLastError(existed ? platform::error::kAlreadyExists : platform::error::kSuccess);
    m_names.emplace(file, path);
    m_files[file].append(data, size);
    return true;
}

} // namespace sim
