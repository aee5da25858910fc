// Shell port: the program's own file name, the common program files folder and the Windows
// folder, starting a program through the shell, and the common-controls initialisation of a GUI
// program
// (GetModuleFileNameW, SHGetFolderPathW, ShellExecuteW, InitCommonControlsEx).
// Portable.
#pragma once

#include "platform/Port.h"

#include <cstdint>

namespace platform {

class Shell : public Port {
public:
    // Full path of the running program's file into `buffer` (`capacity` characters with the
    // terminator); returns the length, 0 on failure; a path that does not fit is cut.
    virtual std::uint32_t moduleFileName(wchar_t* buffer, std::uint32_t capacity) = 0;

    // The common program files folder, created if needed, into a buffer of `capacity` (260)
    // characters. False on failure.
    virtual bool commonProgramFilesFolder(wchar_t* buffer, std::uint32_t capacity) = 0;

    // The Windows folder (SHGetFolderPathW with CSIDL_WINDOWS | CSIDL_FLAG_CREATE) into a buffer
    // of `capacity` (260) characters. False on failure, the buffer then untouched.
    virtual bool windowsFolder(wchar_t* buffer, std::uint32_t capacity) = 0;

    // Starts `file` with the default verb, the given parameters (may be null), no working
    // folder and the show command. False when the shell refuses (a result of 32 or less).
    virtual bool shellExecute(const wchar_t* file, const wchar_t* parameters, int showCommand) = 0;

    // InitCommonControlsEx with the given class flags.
    virtual bool initCommonControls(std::uint32_t classes) = 0;
};

} // namespace platform
