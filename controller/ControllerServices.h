// The ports the controller runs on, and the controller parts that other components provide:
// the application launcher with its control menu and end-application watches, the command
// objects that run a remote-key rule, and the notification dialog. The main window reaches
// them only through these interfaces.
// Portable.
#pragma once

#include "controller/CmdInfo.h"
#include "platform/Clock.h"
#include "platform/FirmwareTransport.h"
#include "platform/InputFocus.h"
#include "platform/Libraries.h"
#include "platform/Locale.h"
#include "platform/Processes.h"
#include "platform/Registry.h"
#include "platform/Session.h"
#include "platform/Shell.h"
#include "platform/Sync.h"
#include "platform/ThreadStarter.h"
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
    // The end-application watches: the process behind a window, waiting for it on a thread.
    platform::InputFocus& focus;
    platform::Processes& processes;
    platform::ThreadStarter& threadStarter;
};

// The application launcher and its control menu. The end-application watches belong to the
// main window.
class LauncherService {
public:
    virtual ~LauncherService() = default;
    // False when the menu or the launcher's registry key is missing (no items then).
    virtual bool initialize(platform::WindowHandle owner) = 0;
    // Deletes the launcher items and the control menu window.
    virtual void uninitialize() = 0;
    // The message of one of the launcher's items (a control menu message or a custom item's).
    virtual bool isAppLauncherMessage(platform::MessageId message) const = 0;
    // Acts on the chosen item; 1 on success, 0 on failure.
    virtual int execute(platform::MessageId message) = 0;
    // 0 when there is nothing to show.
    virtual int showAppLauncher() = 0;
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
