// The ports the controller runs on, and the controller parts that other components provide:
// the application launcher with its control menu and end-application watches, the command
// objects that run a remote-key rule, and the notification dialog. The main window reaches
// them only through these interfaces.
// Portable.
#pragma once

#include "controller/CmdInfo.h"
#include "platform/Clock.h"
#include "platform/FirmwareTransport.h"
#include "platform/Libraries.h"
#include "platform/Locale.h"
#include "platform/Registry.h"
#include "platform/Session.h"
#include "platform/Shell.h"
#include "platform/Sync.h"
#include "platform/Threads.h"
#include "platform/Windowing.h"
#include "platform/Wmi.h"

#include <cstdint>
#include <memory>

struct ControllerPorts {
    platform::Registry& registry;
    platform::Windowing& windowing;
    platform::Sync& sync;
    platform::Clock& clock;
    platform::FirmwareTransport& firmware;
    platform::Libraries& libraries;
    platform::Shell& shell;
    platform::Session& session;
    platform::Locale& locale;
    platform::Wmi& wmi;
    platform::Threads& threads;
};

// The application launcher and its control menu.
class LauncherService {
public:
    virtual ~LauncherService() = default;
    virtual void initialize(platform::WindowHandle owner) = 0;
    // Deletes the launcher items and the control menu window.
    virtual void uninitialize() = 0;
    // One of the control menu's messages or a custom launcher item's message.
    virtual bool isAppLauncherMessage(platform::MessageId message) const = 0;
    virtual void execute(platform::MessageId message, platform::WParam wParam, platform::LParam lParam) = 0;
    // 0 when there is nothing to show.
    virtual int showAppLauncher() = 0;
    // Watches application `number` (1 to 6) until its process ends, then posts
    // WM_END_APPLICATION with the number to `notify`; stops early when `stopEvent` is set.
    // False when no watch was started.
    virtual bool createEndAppThread(int number, platform::SyncHandle stopEvent, platform::WindowHandle notify) = 0;
};

// One command of a remote-key rule.
class Command {
public:
    virtual ~Command() = default;
    virtual int execute() = 0; // 1 when the key was acted on
    virtual int setCmdInfo(const CmdInfo* rule) = 0;
};

// Makes the command objects a rule names; null when one cannot be created.
class CommandFactory {
public:
    virtual ~CommandFactory() = default;
    virtual std::unique_ptr<Command> createRunCommand(platform::WindowHandle activate) = 0;
    virtual std::unique_ptr<Command> createKeyCommand() = 0;
    virtual std::unique_ptr<Command> createOtherCommand(platform::WindowHandle owner) = 0;
};

// The notice that tells the user whether the connected TV supports HDMI control.
class NotificationDialogs {
public:
    virtual ~NotificationDialogs() = default;
    // variant 1: the TV supports it; 0: it is off, in standby or without support.
    virtual void showNotifyCecInfo(int variant) = 0;
};

struct ControllerServices {
    LauncherService& launcher;
    CommandFactory& commands;
    NotificationDialogs& notifications;
};
