// Making the command objects. Portable.
#include "controller/commands/CommandObjects.h"

#include "controller/commands/KeyCommand.h"
#include "controller/commands/OtherCommand.h"
#include "controller/commands/RunCommand.h"

#include <new>

std::unique_ptr<Command> CommandObjects::createRunCommand(platform::WindowHandle activate) {
    return std::unique_ptr<Command>(new (std::nothrow) RunCommand(m_ports.registry, m_ports.windowing,
                                                                  m_ports.focus, m_ports.shell, activate));
}

std::unique_ptr<Command> CommandObjects::createKeyCommand() {
    return std::unique_ptr<Command>(new (std::nothrow) KeyCommand(m_ports.keyboard));
}

std::unique_ptr<Command> CommandObjects::createOtherCommand(platform::WindowHandle owner) {
    return std::unique_ptr<Command>(new (std::nothrow) OtherCommand(m_ports.media, owner));
}
