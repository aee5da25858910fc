// The ports the command objects of a remote-key rule run on.
// Portable.
#pragma once

#include "platform/InputFocus.h"
#include "platform/KeyboardInput.h"
#include "platform/MediaControl.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "platform/Windowing.h"

struct CommandPorts {
    platform::Registry& registry;
    platform::Windowing& windowing;
    platform::Shell& shell;
    platform::KeyboardInput& keyboard;
    platform::InputFocus& focus;
    platform::MediaControl& media;
};
