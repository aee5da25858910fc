// The launcher, command objects and notification dialog for a controller built without them:
// the launcher offers nothing, no command object can be made, and no notice is shown. Each
// says so in the trace log, so that a missing part is never mistaken for a working one.
// Portable.
#pragma once

#include "controller/ControllerServices.h"

class UnavailableLauncher final : public LauncherService {
public:
    void initialize(platform::WindowHandle owner) override;
    void uninitialize() override {}
    bool isAppLauncherMessage(platform::MessageId) const override { return false; }
    void execute(platform::MessageId, platform::WParam, platform::LParam) override {}
    int showAppLauncher() override;
    bool createEndAppThread(int number, platform::SyncHandle stopEvent, platform::WindowHandle notify) override;
};

class UnavailableCommands final : public CommandFactory {
public:
    std::unique_ptr<Command> createRunCommand(platform::WindowHandle) override { return nullptr; }
    std::unique_ptr<Command> createKeyCommand() override { return nullptr; }
    std::unique_ptr<Command> createOtherCommand(platform::WindowHandle) override { return nullptr; }
};

class UnavailableNotifications final : public NotificationDialogs {
public:
    void showNotifyCecInfo(int variant) override;
};
