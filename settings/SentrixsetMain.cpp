// Entry point of Sentrixset.exe, the settings program. Win32 only.
// The program does nothing yet: it starts and ends with exit code 0.

// wWinMain as the runtime's Unicode GUI start-up calls it, int WINAPI wWinMain(HINSTANCE,
// HINSTANCE, LPWSTR, int), spelled without <windows.h>, which only platform/win32 includes.
extern "C" int __stdcall wWinMain(void* /*instance*/, void* /*previous*/, wchar_t* /*commandLine*/, int /*show*/) {
    return 0;
}
