// The bridge library's application object: default start-up and shut-down and nothing else; the
// library keeps no state in it.
// Portable.
#pragma once

class CTvbridgeApp {
public:
    CTvbridgeApp() = default;
    CTvbridgeApp(const CTvbridgeApp&) = delete;
    CTvbridgeApp& operator=(const CTvbridgeApp&) = delete;

    // When the library is loaded into a process: true keeps it loaded.
    bool InitInstance();
    // When it is unloaded: the exit code, 0.
    int ExitInstance();
};
