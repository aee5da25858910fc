// Entry point of Tvbridge.dll, the application bridge library (64-bit and 32-bit builds).
// Win32 only. The library has no exports yet: loading and unloading it succeed and do nothing else.

// DllMain as the runtime's library start-up calls it, BOOL WINAPI DllMain(HINSTANCE, DWORD,
// LPVOID), spelled without <windows.h>, which only platform/win32 includes.
extern "C" int __stdcall DllMain(void* /*module*/, unsigned long /*reason*/, void* /*reserved*/) { return 1; }
