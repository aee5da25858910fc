// The controller process: the single-instance rule with its command-line words, the hidden
// main window and the message loop.
// Portable.
#pragma once

#include "controller/ControllerServices.h"
#include "controller/SentrixdDlg.h"

#include <memory>
#include <string>

class CSentrixdApp {
public:
    static constexpr const wchar_t* kMutexName = L"Sentrix_Suite_Mutex";

    CSentrixdApp(ControllerPorts& ports, ControllerServices& services);
    CSentrixdApp(const CSentrixdApp&) = delete;
    CSentrixdApp& operator=(const CSentrixdApp&) = delete;
    ~CSentrixdApp();

    // Starts the controller: true when this process runs the main window, false when it ends
    // at once (another instance runs, or the window could not be created).
    bool InitInstance(const std::wstring& commandLine);
    // The message loop until the main window is gone; returns the exit code.
    int Run();
    // Releases the instance mutex.
    int ExitInstance();

    CSentrixdDlg* mainWindow() { return m_pMainWnd.get(); }

private:
    ControllerPorts& m_ports;
    ControllerServices& m_services;
    platform::SyncHandle m_hMutex = 0;
    std::unique_ptr<CSentrixdDlg> m_pMainWnd;
    platform::MessageId m_uiReloadConfig = 0;
};
