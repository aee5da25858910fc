// The simulated shell. Simulation.
#include "sim/SimShell.h"

#include "common/Text.h"
#include "sim/SimThreads.h"

#include <algorithm>

namespace sim {

SimShell::SimShell(VirtualClock& clock, SoundOutputModel* sound) : m_clock(clock), m_sound(sound) {}

void SimShell::addProgram(const std::wstring& path, Program program) {
    m_programs.emplace_back(path, std::move(program));
}

std::wstring SimShell::pathInOwnFolder(const std::wstring& file) const {
    const std::size_t slash = m_moduleFileName.find_last_of(L'\\');
    return (slash == std::wstring::npos ? std::wstring() : m_moduleFileName.substr(0, slash + 1)) + file;
}

std::uint32_t SimShell::moduleFileName(wchar_t* buffer, std::uint32_t capacity) {
    if (buffer == nullptr || capacity == 0) {
        setLastError(platform::error::kInsufficientBuffer);
        return 0;
    }
    const std::size_t length = m_moduleFileName.size();
    if (length < capacity) {
        std::copy_n(m_moduleFileName.begin(), length, buffer);
        buffer[length] = L'\0';
        return static_cast<std::uint32_t>(length);
    }
    // Cut to the buffer, terminated, and the buffer's size returned (Windows Vista and later).
    std::copy_n(m_moduleFileName.begin(), capacity - 1, buffer);
    buffer[capacity - 1] = L'\0';
    setLastError(platform::error::kInsufficientBuffer);
    return capacity;
}

// SHGetFolderPathW writes up to MAX_PATH characters, so a smaller buffer is refused whatever
// the path's length.
constexpr std::uint32_t kFolderBufferChars = 260;

bool SimShell::commonProgramFilesFolder(wchar_t* buffer, std::uint32_t capacity) {
    if (m_commonFilesFailing || buffer == nullptr || capacity < kFolderBufferChars ||
        m_commonFiles.size() >= capacity) {
        return false;
    }
    std::copy(m_commonFiles.begin(), m_commonFiles.end(), buffer);
    buffer[m_commonFiles.size()] = L'\0';
    return true;
}

bool SimShell::windowsFolder(wchar_t* buffer, std::uint32_t capacity) {
    if (m_windowsFolderFailing || buffer == nullptr || capacity < kFolderBufferChars ||
        m_windowsFolder.size() >= capacity) {
        return false;
    }
    std::copy(m_windowsFolder.begin(), m_windowsFolder.end(), buffer);
    buffer[m_windowsFolder.size()] = L'\0';
    return true;
}

bool SimShell::shellExecute(const wchar_t* file, const wchar_t* parameters, int showCommand) {
    Execute execute;
    execute.time = m_clock.now();
    execute.file = file != nullptr ? file : L"";
    execute.parameters = parameters != nullptr ? parameters : L"";
    execute.showCommand = showCommand;
    if (m_sound != nullptr && !execute.file.empty() &&
        text::equalsNoCase(execute.file, pathInOwnFolder(kSoundChangerFile))) {
        execute.started = true;
        m_executes.push_back(execute);
        m_sound->startProgram(execute.parameters);
        return true;
    }
    const std::wstring registered =
        execute.file.find_first_of(L"\\/:") == std::wstring::npos ? appPath(execute.file) : std::wstring();
    const std::wstring& wanted = registered.empty() ? execute.file : registered;
    for (const auto& [path, program] : m_programs) {
        if (!wanted.empty() && text::equalsNoCase(wanted, path)) {
            execute.started = true;
            m_executes.push_back(execute);
            program(execute.parameters);
            return true;
        }
    }
    m_executes.push_back(execute);
    setLastError(platform::error::kFileNotFound);
    return false;
}

std::wstring SimShell::appPath(const std::wstring& file) const {
    if (m_registry == nullptr || file.empty()) {
        return {};
    }
    const std::optional<RegValue> value =
        m_registry->getValue(platform::kHkeyLocalMachine,
                             L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + file, L"");
    if (!value || (value->type != platform::regtype::kSz && value->type != platform::regtype::kExpandSz)) {
        return {};
    }
    std::wstring path = text::fromUtf16Le(value->bytes.data(), value->bytes.size());
    while (!path.empty() && path.back() == L'\0') {
        path.pop_back();
    }
    return path;
}

bool SimShell::initCommonControls(std::uint32_t classes) {
    m_commonControls.push_back(InitCommonControls{m_clock.now(), classes});
    return true;
}

} // namespace sim
