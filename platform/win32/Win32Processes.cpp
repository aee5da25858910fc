// Other programs' processes and the program's own threads. Win32 only.
#include "platform/win32/Win32Processes.h"

#include "platform/win32/Win32Handles.h"

#include <memory>
#include <new>

namespace platform::win32 {

SyncHandle Win32Processes::openProcess(std::uint32_t access, std::uint32_t processId) {
    return fromHandle(::OpenProcess(access, FALSE, processId));
}

namespace {
// The thread owns the function it runs; no exception leaves the thread procedure.
DWORD WINAPI runBody(LPVOID parameter) {
    std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(parameter));
    try {
        (*body)();
    } catch (...) {
        return 1;
    }
    return 0;
}
} // namespace

SyncHandle Win32ThreadStarter::startThread(std::function<void()> body, std::uint32_t* threadId) {
    auto* owned = new (std::nothrow) std::function<void()>(std::move(body));
    if (owned == nullptr) {
        ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    DWORD id = 0;
    HANDLE thread = ::CreateThread(nullptr, 0, runBody, owned, 0, &id);
    if (thread == nullptr) {
        const DWORD error = ::GetLastError();
        delete owned;
        ::SetLastError(error);
        return 0;
    }
    if (threadId != nullptr) {
        *threadId = id;
    }
    return fromHandle(thread);
}

} // namespace platform::win32
