// The alternatives of a run command: any parameter of a rule is split into alternatives and
// words and checked against App Paths registrations (one program registered in each view), and
// the chosen program is started when there is one. The choice is installed exactly when the
// parser says so.
#include "controller/commands/RunCommand.h"
#include "sim/SimDesktop.h"
#include "sim/SimRegistry.h"
#include "sim/SimShell.h"
#include "sim/SimSync.h"
#include "tests/fuzz/FuzzInput.h"

namespace {

class NoFocus final : public platform::InputFocus {
public:
    std::uint32_t windowThreadProcessId(platform::WindowHandle, std::uint32_t*) override { return 0; }
    bool attachThreadInput(std::uint32_t, std::uint32_t, bool) override { return false; }
    bool setForegroundWindow(platform::WindowHandle) override { return true; }
};

struct World {
    World() {
        registry.setDword(platform::kHkeyLocalMachine, std::wstring(RunCommand::kAppPathsKey) + L"\\A.exe",
                          L"", 0);
        registry.setDword(platform::kHkeyLocalMachine,
                          std::wstring(RunCommand::kAppPathsWow64Key) + L"\\B.exe", L"", 0);
    }
    sim::VirtualClock clock;
    sim::SimRegistry registry;
    sim::SimDesktop desktop{clock};
    sim::SimSync sync;
    sim::UiThread& thread = desktop.createUiThread(0x400, 0x1a4);
    sim::SimWindowing windowing{desktop, thread, sync};
    NoFocus focus;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static World world;
    CmdInfo rule;
    if (!rule.setParam(fuzzing::utf16Text(data, size))) {
        return 0;
    }
    sim::SimShell shell(world.clock);
    RunCommand command(world.registry, world.windowing, world.focus, shell, 0);
    command.setCmdInfo(&rule);
    const int installed = command.setInstalledApplication();
    FUZZ_CHECK(installed == 0 || installed == 1);
    if (installed == 1) {
        FUZZ_CHECK(command.IsInstalled(command.file()) == 1);
    }
    command.execute();
    FUZZ_CHECK(shell.executes().size() <= 1);
    return 0;
}
