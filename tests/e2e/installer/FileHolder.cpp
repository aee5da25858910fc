// FileHolder.exe: keeps one file open for reading while it runs, sharing it for reading only,
// as a program that has the file in use does: others can read or copy it, nobody can write,
// replace or delete it. The end-to-end test of the installer uses it to make one file of an
// installation impossible to write. It creates FILE.held once the file is open and runs until
// it is ended.
//   FileHolder.exe FILE
// Exit code 1 when the file cannot be opened, 2 for a bad command line.
// Win32 only.
#include <windows.h>

#include <string>

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        return 2;
    }
    const HANDLE file = CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return 1;
    }
    const std::wstring marker = std::wstring(argv[1]) + L".held";
    const HANDLE held =
        CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (held != INVALID_HANDLE_VALUE) {
        CloseHandle(held);
    }
    Sleep(INFINITE);
    return 0;
}
