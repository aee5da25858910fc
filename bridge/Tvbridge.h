// The exports of Tvbridge.dll as applications and the controller call them, and the pointer
// types to bind them by name with GetProcAddress. Ordinals 1 to 6 in that order (Tvbridge.def).
// Win32 only.
#pragma once

#include <windows.h>

extern "C" {

// Ask the controller to use the TV's enhanced mode / to turn the TV off / to change the HDMI
// output; 1 when the request's message name could be registered, else 0. The controller need not run.
int WINAPI TVBRIDGE_UseTVEnhancement(int value);
int WINAPI TVBRIDGE_QueryTurnOffTV();
int WINAPI TVBRIDGE_ChangeHDMIOutput(int output);

// The keyboard hook procedure (a HOOKPROC for WH_KEYBOARD).
LRESULT CALLBACK HDMIHOOK_KeyHookProc(int code, WPARAM wParam, LPARAM lParam);
// Installs the procedure for every thread of the desktop: 1 when installed, else 0.
BOOL WINAPI HDMIHOOK_SetKeyHook();
// Removes the hook that this process installed last: the result of UnhookWindowsHookEx.
BOOL WINAPI HDMIHOOK_ResetKeyHook();

} // extern "C"

using TvbridgeValueRequest = int(WINAPI*)(int);
using TvbridgeRequest = int(WINAPI*)();
using TvbridgeHookSwitch = BOOL(WINAPI*)();
