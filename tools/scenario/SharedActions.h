// The parts of the scenario steps that every target carries out the same way, whatever world
// it plays in: the registry value a "registry set" writes, and the message an application's
// post, the settings program's change notice or the close request sends to the controller's
// window. Each target hands them to its own registry and its own windows.
// Portable.
#pragma once

#include "platform/Registry.h"
#include "tools/scenario/Scenario.h"

#include <cstdint>
#include <optional>
#include <string>

namespace scenario {

platform::RegKey hiveKey(Hive hive);

// Writes the value of a "registry set" step, creating its key; empty, or why the registry
// refused.
std::string writeRegistryValue(platform::Registry& registry, const Action& action);

// Who sends a message to the controller's window; a target that tells processes apart posts it
// from that program's process.
enum class Sender { Application, SettingsProgram };

struct ControllerPost {
    std::wstring name; // a registered message's name; empty: `message` is its number
    std::uint32_t message = 0;
    std::uint64_t wParam = 0;
    std::uint64_t lParam = 0;
    Sender from = Sender::Application;
    std::string what; // what is lost when no controller window takes it
};

// The message of "post", "settings changed" and "controller stop"; nothing for any other step.
std::optional<ControllerPost> controllerPost(const Action& action);

} // namespace scenario
