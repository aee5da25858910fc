// The command objects of the remote-key rules, made for the main window on the ports given.
// Portable.
#pragma once

#include "controller/ControllerServices.h"
#include "controller/commands/CommandPorts.h"

class CommandObjects final : public CommandFactory {
public:
    explicit CommandObjects(const CommandPorts& ports) : m_ports(ports) {}
    std::unique_ptr<Command> createRunCommand(platform::WindowHandle activate) override;
    std::unique_ptr<Command> createKeyCommand() override;
    std::unique_ptr<Command> createOtherCommand(platform::WindowHandle owner) override;

private:
    CommandPorts m_ports;
};
