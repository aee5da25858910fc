// The processes and thread-starter ports on Windows (OpenProcess, CreateThread).
// Win32 only.
#pragma once

#include "platform/Processes.h"
#include "platform/ThreadStarter.h"

namespace platform::win32 {

class Win32Processes final : public Processes {
public:
    SyncHandle openProcess(std::uint32_t access, std::uint32_t processId) override;
};

class Win32ThreadStarter final : public ThreadStarter {
public:
    SyncHandle startThread(std::function<void()> body, std::uint32_t* threadId) override;
};

} // namespace platform::win32
