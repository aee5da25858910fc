// The shell of the simulated world (platform::Shell): the running program's file name
// (C:\Program Files\Korvath\Sentrix\Sentrixd.exe unless set, cut to the buffer as
// GetModuleFileNameW does), the common program files folder (C:\Program Files\Common Files
// unless set; can be made to fail), the Windows folder (C:\Windows unless set; can be made to
// fail), starting programs and the common-controls initialisation.
// shellExecute records every call; "Tonemux.exe" in the folder of the program's own file starts
// the sound-output changer model with the parameters; other programs can be added by full path.
// A file name without a folder is looked up, as the shell does, under
// HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\<file>: the key's default value
// (a string) is the program's full path, which is then started as above.
// Any other file is refused (false, last error ERROR_FILE_NOT_FOUND).
// Simulation.
#pragma once

#include "platform/Shell.h"
#include "sim/SimRegistry.h"
#include "sim/SoundOutputModel.h"
#include "sim/VirtualClock.h"

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace sim {

class SimShell final : public platform::Shell {
public:
    static constexpr const wchar_t* kDefaultModuleFileName =
        L"C:\\Program Files\\Korvath\\Sentrix\\Sentrixd.exe";
    static constexpr const wchar_t* kDefaultCommonFilesFolder = L"C:\\Program Files\\Common Files";
    static constexpr const wchar_t* kDefaultWindowsFolder = L"C:\\Windows";
    static constexpr const wchar_t* kSoundChangerFile = L"Tonemux.exe";

    using Program = std::function<void(const std::wstring& parameters)>;

    struct Execute {
        std::uint64_t time = 0;
        std::wstring file;
        std::wstring parameters;
        int showCommand = 0;
        bool started = false;
    };
    struct InitCommonControls {
        std::uint64_t time = 0;
        std::uint32_t classes = 0;
    };

    explicit SimShell(VirtualClock& clock, SoundOutputModel* sound = nullptr);

    void setModuleFileName(const std::wstring& path) { m_moduleFileName = path; }
    void setCommonFilesFolder(const std::wstring& path) { m_commonFiles = path; }
    void setCommonFilesFolderFailing(bool failing) { m_commonFilesFailing = failing; }
    void setWindowsFolder(const std::wstring& path) { m_windowsFolder = path; }
    void setWindowsFolderFailing(bool failing) { m_windowsFolderFailing = failing; }
    void setSoundOutputModel(SoundOutputModel* sound) { m_sound = sound; }
    // The registry whose App Paths registrations name programs by file name (none: no lookup).
    void setAppPathsRegistry(SimRegistry* registry) { m_registry = registry; }
    // The full path App Paths gives for `file`, or empty.
    std::wstring appPath(const std::wstring& file) const;
    // A program that shellExecute can start, by its full path (compared case-insensitively).
    void addProgram(const std::wstring& path, Program program);
    // The full path of `file` in the folder of the program's own file.
    std::wstring pathInOwnFolder(const std::wstring& file) const;

    const std::vector<Execute>& executes() const { return m_executes; }
    // Forgets what was recorded so far, so that a long run keeps its memory flat; the state stays.
    void clearRecords() { m_executes.clear(); }
    const std::vector<InitCommonControls>& commonControls() const { return m_commonControls; }

    // platform::Shell
    std::uint32_t moduleFileName(wchar_t* buffer, std::uint32_t capacity) override;
    bool commonProgramFilesFolder(wchar_t* buffer, std::uint32_t capacity) override;
    bool windowsFolder(wchar_t* buffer, std::uint32_t capacity) override;
    bool shellExecute(const wchar_t* file, const wchar_t* parameters, int showCommand) override;
    bool initCommonControls(std::uint32_t classes) override;

private:
    VirtualClock& m_clock;
    SoundOutputModel* m_sound;
    SimRegistry* m_registry = nullptr;
    std::wstring m_moduleFileName = kDefaultModuleFileName;
    std::wstring m_commonFiles = kDefaultCommonFilesFolder;
    bool m_commonFilesFailing = false;
    std::wstring m_windowsFolder = kDefaultWindowsFolder;
    bool m_windowsFolderFailing = false;
    std::vector<std::pair<std::wstring, Program>> m_programs;
    std::vector<Execute> m_executes;
    std::vector<InitCommonControls> m_commonControls;
};

} // namespace sim
