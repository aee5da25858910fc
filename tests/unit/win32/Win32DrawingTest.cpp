// The windows-of-registered-classes and drawing contract against the Win32 adapters (under Wine).
#include "platform/win32/Win32Drawing.h"
#include "platform/win32/Win32Windowing.h"
#include "tests/support/WindowDrawingContract.h"

namespace testing_support {
namespace {

struct Win32WindowDrawingEnv {
    platform::Windowing& windowing() { return win; }
    platform::Drawing& drawing() { return draw; }
    void dispatchPosted() {
        platform::Message message;
        while (win.peekMessage(message)) {
            win.dispatchMessage(message);
        }
    }

    platform::win32::Win32Windowing win;
    platform::win32::Win32Drawing draw;
};

using Win32WindowDrawingEnvs = ::testing::Types<Win32WindowDrawingEnv>;
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, WindowDrawingContract, Win32WindowDrawingEnvs);

} // namespace
} // namespace testing_support
