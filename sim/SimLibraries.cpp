// The simulated library loader. Simulation.
#include "sim/SimLibraries.h"

#include "common/Text.h"
#include "sim/SimThreads.h"

#include <algorithm>

namespace sim {

SimLibraries::SimLibraries(VirtualClock& clock) : m_clock(clock) {}

std::wstring SimLibraries::key(const std::wstring& nameOrPath) {
    const std::size_t slash = nameOrPath.find_last_of(L"\\/");
    std::wstring name = slash == std::wstring::npos ? nameOrPath : nameOrPath.substr(slash + 1);
    if (!name.empty() && name.find(L'.') == std::wstring::npos) {
        name += L".dll";
    }
    std::transform(name.begin(), name.end(), name.begin(), text::toUpperAscii);
    return name;
}

std::wstring SimLibraries::folderOf(const std::wstring& nameOrPath) {
    const std::size_t slash = nameOrPath.find_last_of(L"\\/");
    if (slash == std::wstring::npos) {
        return {};
    }
    std::wstring folder = nameOrPath.substr(0, slash);
    std::transform(folder.begin(), folder.end(), folder.begin(),
                   [](wchar_t c) { return c == L'/' ? L'\\' : text::toUpperAscii(c); });
    return folder;
}

void SimLibraries::addLibrary(const std::wstring& fileName,
                              const std::map<std::string, platform::EntryPoint>& entries) {
    auto library = std::make_shared<Library>();
    library->name = fileName;
    library->folder = folderOf(fileName);
    library->entries = entries;
    m_libraries[key(fileName)] = std::move(library);
}

void SimLibraries::removeLibrary(const std::wstring& fileName) {
    m_libraries.erase(key(fileName));
}

void SimLibraries::removeEntry(const std::wstring& fileName, const std::string& entry) {
    const std::wstring k = key(fileName);
    if (const auto it = m_libraries.find(k); it != m_libraries.end()) {
        it->second->entries.erase(entry);
    }
    for (auto& [handle, loaded] : m_loaded) {
        if (key(loaded.library->name) == k) {
            loaded.library->entries.erase(entry);
        }
    }
}

bool SimLibraries::hasLibrary(const std::wstring& fileName) const {
    return m_libraries.count(key(fileName)) != 0;
}

int SimLibraries::loadCount(const std::wstring& fileName) const {
    const std::wstring k = key(fileName);
    for (const auto& [handle, loaded] : m_loaded) {
        if (key(loaded.library->name) == k) {
            return loaded.references;
        }
    }
    return 0;
}

void SimLibraries::recordCall(Operation operation, const std::wstring& library, const std::string& entry,
                              bool succeeded) {
    m_records.push_back(Record{m_clock.now(), operation, library, entry, succeeded});
}

bool SimLibraries::restrictSearchPath() {
    recordCall(Operation::RestrictSearch, {}, {}, true);
    return true;
}

platform::LibraryHandle SimLibraries::load(const wchar_t* fileName) {
    const std::wstring name = fileName != nullptr ? fileName : L"";
    const auto it = m_libraries.find(key(name));
    const std::wstring folder = folderOf(name);
    if (name.empty() || it == m_libraries.end() ||
        (!folder.empty() && !it->second->folder.empty() && folder != it->second->folder)) {
        setLastError(kErrorModNotFound);
        recordCall(Operation::Load, name, {}, false);
        return 0;
    }
    for (auto& [handle, loaded] : m_loaded) {
        if (loaded.library == it->second) {
            ++loaded.references;
            recordCall(Operation::Load, name, {}, true);
            return handle;
        }
    }
    const platform::LibraryHandle handle = m_nextHandle;
    m_nextHandle += 0x100000;
    m_loaded[handle] = Loaded{it->second, 1};
    recordCall(Operation::Load, name, {}, true);
    return handle;
}

platform::EntryPoint SimLibraries::bind(platform::LibraryHandle library, const char* entryName) {
    const std::string entry = entryName != nullptr ? entryName : "";
    const auto it = m_loaded.find(library);
    if (it == m_loaded.end()) {
        setLastError(platform::error::kInvalidHandle);
        recordCall(Operation::Bind, {}, entry, false);
        return nullptr;
    }
    const auto found = it->second.library->entries.find(entry);
    if (found == it->second.library->entries.end() || found->second == nullptr) {
        setLastError(kErrorProcNotFound);
        recordCall(Operation::Bind, it->second.library->name, entry, false);
        return nullptr;
    }
    recordCall(Operation::Bind, it->second.library->name, entry, true);
    return found->second;
}

bool SimLibraries::free(platform::LibraryHandle library) {
    const auto it = m_loaded.find(library);
    if (it == m_loaded.end()) {
        setLastError(platform::error::kInvalidHandle);
        recordCall(Operation::Free, {}, {}, false);
        return false;
    }
    recordCall(Operation::Free, it->second.library->name, {}, true);
    if (--it->second.references == 0) {
        m_loaded.erase(it);
    }
    return true;
}

} // namespace sim
