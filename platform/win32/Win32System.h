// Adapters of the libraries, shell, session and power, locale and WMI ports over the Win32
// calls they stand for.
// Win32 only.
#pragma once

#include "platform/Libraries.h"
#include "platform/Locale.h"
#include "platform/Session.h"
#include "platform/Shell.h"
#include "platform/Wmi.h"

namespace platform::win32 {

class Win32Libraries final : public Libraries {
public:
    LibraryHandle load(const wchar_t* fileName) override;
    EntryPoint bind(LibraryHandle library, const char* entryName) override;
    bool free(LibraryHandle library) override;
    bool restrictSearchPath() override;
};

class Win32Shell final : public Shell {
public:
    std::uint32_t moduleFileName(wchar_t* buffer, std::uint32_t capacity) override;
    bool commonProgramFilesFolder(wchar_t* buffer, std::uint32_t capacity) override;
    bool shellExecute(const wchar_t* file, const wchar_t* parameters, int showCommand) override;
    bool windowsFolder(wchar_t* buffer, std::uint32_t capacity) override;
    bool initCommonControls(std::uint32_t classes) override;
};

class Win32Session final : public Session {
public:
    bool registerSessionNotification(WindowHandle window) override;
    bool unregisterSessionNotification(WindowHandle window) override;
    std::uint32_t activeConsoleSessionId() override;
    std::uint32_t setThreadExecutionState(std::uint32_t flags) override;
};

class Win32Locale final : public Locale {
public:
    int systemDefaultLanguage(wchar_t* buffer, int capacity) override;
};

// COM is initialised on the calling thread on first use and stays so for the process.
class Win32Wmi final : public Wmi {
public:
    ~Win32Wmi() override;
    bool initializeSecurity() override;
    WmiConnection connect(const wchar_t* nameSpace) override;
    bool firstInstanceString(WmiConnection connection, const wchar_t* className, const wchar_t* property,
                             std::wstring& value) override;
    void release(WmiConnection connection) override;

private:
    bool ensureCom();
    bool m_comInitialized = false;
};

} // namespace platform::win32
