// The launcher for a controller built without it: it offers nothing, and
// says so in the trace log, so that a missing part is never mistaken for a working one. The
// control menu's messages are still recognised, so that the main window's own part of them
// (the key hook, the end-application watch) works whoever posts them.
// Portable.
#pragma once

#include "controller/ControllerServices.h"

#include <vector>

class UnavailableLauncher final : public LauncherService {
public:
    explicit UnavailableLauncher(platform::Windowing& windowing) : m_windowing(windowing) {}
    void initialize(platform::WindowHandle owner) override;
    void uninitialize() override { m_menuMessages.clear(); }
    bool isAppLauncherMessage(platform::MessageId message) const override;
    void execute(platform::MessageId, platform::WParam, platform::LParam) override {}
    int showAppLauncher() override;
    bool createEndAppThread(int number, platform::SyncHandle stopEvent, platform::WindowHandle notify) override;

private:
    platform::Windowing& m_windowing;
    std::vector<platform::MessageId> m_menuMessages;
};
