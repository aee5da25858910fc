// Thread identity and last-error code in the simulated world. A simulated program's UI thread
// gets a fixed identifier so that log lines are repeatable; other real threads are numbered in
// the order they first ask.
// Simulation.
#pragma once

#include "platform/Threads.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <thread>

namespace sim {

// Sets the calling thread's last error, as a failing Win32 call does.
void setLastError(platform::ErrorCode code);

class SimThreads final : public platform::Threads {
public:
    // Identifier reported for the calling thread from now on (the UI thread of a program).
    void bindCurrentThread(std::uint32_t id);

    std::uint32_t currentThreadId() override;
    platform::ErrorCode lastError() override;

private:
    std::mutex m_lock;
    std::map<std::thread::id, std::uint32_t> m_ids;
    std::uint32_t m_nextId = 0x2000;
};

} // namespace sim
