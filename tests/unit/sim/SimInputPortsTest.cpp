// The input ports' contract against the simulated desktop's keyboard, focus and media windows,
// and what only the simulation records: the batches with their focus window, and the disc drive.
#include "sim/SimWorld.h"
#include "tests/support/InputPortsContract.h"

namespace {

using namespace sim;

class SimInputEnv {
public:
    static constexpr std::uint32_t kProcess = 0x7A0;
    static constexpr std::uint32_t kThread = 0x7A4;

    platform::KeyboardInput& keyboard() { return world.peers().keyboard(); }
    platform::InputFocus& focus() { return world.peers().focus(); }
    platform::MediaControl& media() { return world.peers().media(); }
    platform::WindowHandle createWindow() {
        SimDesktop::WindowInfo info;
        info.className = L"ContractWindow";
        info.style = 0x10CF0000; // WS_VISIBLE | WS_OVERLAPPEDWINDOW
        info.visible = true;
        info.processId = kProcess;
        return world.desktop().createWindow(info, &thread, nullptr);
    }
    bool isWindow(platform::WindowHandle window) { return world.desktop().isWindow(window); }
    platform::WindowHandle foreground() { return world.desktop().foreground(); }
    std::uint32_t ownThread() { return kThread; }
    std::uint32_t ownProcess() { return kProcess; }

    SimWorld world;
    UiThread& thread = world.desktop().createUiThread(kProcess, kThread);
};

} // namespace

namespace testing_support {
using SimEnvironments = ::testing::Types<SimInputEnv>;
INSTANTIATE_TYPED_TEST_SUITE_P(Sim, InputPortsContract, SimEnvironments);
} // namespace testing_support

namespace {

TEST(SimInputPorts, BatchesAreRecordedWithTheWindowInFrontAndReachTheKeyHooks) {
    SimInputEnv env;
    const platform::WindowHandle window = env.createWindow();
    env.focus().setForegroundWindow(window);
    platform::KeyEvent keys[2];
    keys[0].virtualKey = keys[1].virtualKey = 0x0D;
    keys[1].flags = platform::kKeyEventKeyUp;
    env.world.peers().keyboard().setKeyHook();
    ASSERT_EQ(env.keyboard().sendInput(keys, 2), 2u);
    const auto& batches = env.world.peers().keyboard().inputBatches();
    ASSERT_EQ(batches.size(), 1u);
    EXPECT_EQ(batches[0].focus, window);
    EXPECT_EQ(batches[0].focusClass, L"ContractWindow");
    const auto& transitions = env.world.peers().keyboard().transitions();
    ASSERT_EQ(transitions.size(), 2u);
    EXPECT_TRUE(transitions[0].down);
    EXPECT_FALSE(transitions[1].down);
}

struct DriveCase {
    bool present, ejectable;
    platform::LResult open, canEject;
    std::size_t ejects;
};

class SimDiscDrive : public ::testing::TestWithParam<DriveCase> {};

TEST_P(SimDiscDrive, OpensCanEjectAndEjectsAsTheDriveAllows) {
    const DriveCase& c = GetParam();
    SimInputEnv env;
    env.world.peers().media().setDrive(c.present, c.ejectable);
    const platform::WindowHandle owner = env.createWindow();
    const platform::WindowHandle window =
        env.media().createMediaWindow(owner, testing_support::kEjectWindowStyle, nullptr);
    ASSERT_NE(window, 0u);
    EXPECT_EQ(env.media().sendMediaMessage(window, platform::mciwnd::kOpenW, 0,
                                           reinterpret_cast<platform::LParam>(L"CDAudio")) == 0,
              c.open == 0);
    EXPECT_EQ(env.media().sendMediaMessage(window, platform::mciwnd::kCanEject, 0, 0), c.canEject);
    env.media().sendMediaMessage(window, platform::mciwnd::kEject, 0, 0);
    EXPECT_EQ(env.world.peers().media().ejects().size(), c.ejects);
    EXPECT_EQ(env.world.peers().media().errorDialogs(), 0);
}

INSTANTIATE_TEST_SUITE_P(Drives, SimDiscDrive,
                         ::testing::Values(DriveCase{true, true, 0, 1, 1}, DriveCase{true, false, 0, 0, 0},
                                           DriveCase{false, true, 1, 0, 0}));

TEST(SimMediaWindow, AChildWithoutParentCannotBeMadeAndOtherDevicesFailWithADialogUnlessQuiet) {
    SimInputEnv env;
    env.world.peers().media().setDrive(true, true);
    EXPECT_EQ(env.media().createMediaWindow(0, testing_support::kEjectWindowStyle, nullptr), 0u);
    const platform::WindowHandle owner = env.createWindow();
    const platform::WindowHandle loud = env.media().createMediaWindow(owner, 0x40000000, nullptr);
    ASSERT_NE(loud, 0u);
    EXPECT_NE(env.media().sendMediaMessage(loud, platform::mciwnd::kOpenW, 0,
                                           reinterpret_cast<platform::LParam>(L"waveaudio")),
              0);
    EXPECT_EQ(env.world.peers().media().errorDialogs(), 1);
    EXPECT_EQ(env.media().sendMediaMessage(owner, platform::mciwnd::kCanEject, 0, 0), 0)
        << "not a media window";
}

} // namespace
