// The windowing contract against the simulated desktop.
#include "sim/SimDesktop.h"
#include "sim/SimSync.h"
#include "tests/support/WindowingContract.h"

namespace testing_support {
namespace {

constexpr std::uint32_t kProcess = 100;

struct SimWindowingEnv {
    platform::Windowing& windowing() { return sim; }
    platform::Sync& sync() { return simSync; }

    platform::WindowHandle createChild(platform::WindowHandle parent) {
        sim::SimDesktop::WindowInfo info;
        info.className = L"Static";
        info.style = 0x40000000; // WS_CHILD
        info.parent = parent;
        info.processId = kProcess;
        info.visible = true;
        return desktop.createWindow(info, &thread, nullptr);
    }
    platform::WindowHandle createOwnedPopup(platform::WindowHandle owner) {
        sim::SimDesktop::WindowInfo info;
        info.className = L"Static";
        info.style = platform::kWsPopup;
        info.owner = owner;
        info.processId = kProcess;
        info.visible = true;
        return desktop.createWindow(info, &thread, nullptr);
    }
    void destroyOther(platform::WindowHandle window) { desktop.destroyWindow(window); }
    void send(platform::WindowHandle window, platform::MessageId message, platform::WParam wParam,
              platform::LParam lParam) {
        desktop.dispatch(platform::Message{window, message, wParam, lParam});
    }
    void setForeground(platform::WindowHandle window) { desktop.setForeground(window); }
    void sleep(std::uint32_t ms) { clock.advanceTo(clock.now() + ms); }
    std::uint64_t nowMs() { return clock.now(); }

    sim::VirtualClock clock;
    sim::SimDesktop desktop{clock};
    sim::SimSync simSync;
    sim::UiThread& thread = desktop.createUiThread(kProcess, 0x1a4);
    sim::SimWindowing sim{desktop, thread, simSync};
};

using SimWindowingEnvs = ::testing::Types<SimWindowingEnv>;
INSTANTIATE_TYPED_TEST_SUITE_P(Sim, WindowingContract, SimWindowingEnvs);

} // namespace
} // namespace testing_support
