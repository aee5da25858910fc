// The contract of the keyboard input, input focus and media control window ports, stated once
// and run against the simulated adapters natively and the Win32 adapters under Wine. An
// environment type provides the ports, a window of the test's own (a top-level window of the
// thread that runs the test) and the questions the test asks about windows:
//   struct Env {
//       platform::KeyboardInput& keyboard(); platform::InputFocus& focus(); platform::MediaControl& media();
//       platform::WindowHandle createWindow();   // a visible top-level window of this thread
//       bool isWindow(platform::WindowHandle);
//       platform::WindowHandle foreground();
//       std::uint32_t ownThread(); std::uint32_t ownProcess();
//   };
// The media control window is checked on a machine without a disc drive.
#pragma once

#include "platform/InputFocus.h"
#include "platform/KeyboardInput.h"
#include "platform/MediaControl.h"

#include <gtest/gtest.h>

namespace testing_support {

inline constexpr std::uint32_t kEjectWindowStyle = 0x48C04172;

template <typename Env> class InputPortsContract : public ::testing::Test {
protected:
    Env env;
};

TYPED_TEST_SUITE_P(InputPortsContract);

TYPED_TEST_P(InputPortsContract, AWindowNamesTheThreadAndProcessThatMadeIt) {
    const platform::WindowHandle window = this->env.createWindow();
    ASSERT_NE(window, 0u);
    std::uint32_t process = 0;
    EXPECT_EQ(this->env.focus().windowThreadProcessId(window, &process), this->env.ownThread());
    EXPECT_EQ(process, this->env.ownProcess());
    EXPECT_EQ(this->env.focus().windowThreadProcessId(window, nullptr), this->env.ownThread());

    process = 77;
    EXPECT_EQ(this->env.focus().windowThreadProcessId(0, &process), 0u);
    EXPECT_EQ(process, 77u) << "left untouched for no window";
}

TYPED_TEST_P(InputPortsContract, AThreadCannotBeAttachedToItselfOrToNoThread) {
    const std::uint32_t self = this->env.ownThread();
    EXPECT_FALSE(this->env.focus().attachThreadInput(self, self, true));
    EXPECT_FALSE(this->env.focus().attachThreadInput(self, 0, true));
    EXPECT_FALSE(this->env.focus().attachThreadInput(0, self, true));
}

TYPED_TEST_P(InputPortsContract, OnlyAWindowThatExistsComesToTheFront) {
    const platform::WindowHandle window = this->env.createWindow();
    ASSERT_NE(window, 0u);
    EXPECT_TRUE(this->env.focus().setForegroundWindow(window));
    EXPECT_EQ(this->env.foreground(), window);
    EXPECT_FALSE(this->env.focus().setForegroundWindow(0));
}

TYPED_TEST_P(InputPortsContract, AnEmptyBatchInsertsNothingAndAChordIsInsertedWhole) {
    EXPECT_EQ(this->env.keyboard().sendInput(nullptr, 0), 0u);
    const platform::WindowHandle window = this->env.createWindow();
    ASSERT_NE(window, 0u);
    this->env.focus().setForegroundWindow(window);
    platform::KeyEvent chord[4];
    chord[0].virtualKey = chord[2].virtualKey = 0x11;
    chord[1].virtualKey = chord[3].virtualKey = 0x43;
    chord[2].flags = chord[3].flags = platform::kKeyEventKeyUp;
    EXPECT_EQ(this->env.keyboard().sendInput(chord, 4), 4u);
}

TYPED_TEST_P(InputPortsContract, TheEjectWindowWithoutADriveFailsQuietlyAndCloses) {
    const platform::WindowHandle owner = this->env.createWindow();
    ASSERT_NE(owner, 0u);
    platform::MediaControl& media = this->env.media();
    const platform::WindowHandle window = media.createMediaWindow(owner, kEjectWindowStyle, nullptr);
    ASSERT_NE(window, 0u);
    EXPECT_TRUE(this->env.isWindow(window));
    EXPECT_NE(media.sendMediaMessage(window, platform::mciwnd::kOpenW, 0,
                                     reinterpret_cast<platform::LParam>(L"cdaudio")),
              0);
    EXPECT_EQ(media.sendMediaMessage(window, platform::mciwnd::kCanEject, 0, 0), 0);
    media.sendMediaMessage(window, platform::wm::kClose, 0, 0);
    EXPECT_FALSE(this->env.isWindow(window));
}

REGISTER_TYPED_TEST_SUITE_P(InputPortsContract, AWindowNamesTheThreadAndProcessThatMadeIt,
                            AThreadCannotBeAttachedToItselfOrToNoThread, OnlyAWindowThatExistsComesToTheFront,
                            AnEmptyBatchInsertsNothingAndAChordIsInsertedWhole,
                            TheEjectWindowWithoutADriveFailsQuietlyAndCloses);

} // namespace testing_support
