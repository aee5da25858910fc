// The firmware simulator's end of its named pipe: any number of clients (the controller's
// firmware transport, the test NVIDIA interface library, a settings program), each served by its
// own thread in message mode; every message goes to SimulatedHardware::serve and its reply goes
// back as one message. Overlapped I/O, so that stop() ends every connection at once.
// Win32 only.
#pragma once

#include "tools/firmware-sim/SimulatedHardware.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace fwsim {

class Win32PipeServer {
public:
    // Longest request message read; a longer one ends its connection.
    static constexpr std::size_t kMaxMessage = 4096;

    Win32PipeServer(std::wstring name, SimulatedHardware& hardware);
    ~Win32PipeServer();
    Win32PipeServer(const Win32PipeServer&) = delete;
    Win32PipeServer& operator=(const Win32PipeServer&) = delete;

    // Creates the pipe (failing when another process serves the name already) and starts
    // listening; clients can connect once this returns true.
    bool start(std::string& error);
    void stop();

    // Connections served so far.
    int connections() const { return m_connections; }

private:
    struct Connection {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };

    void* createInstance(bool first);
    void listen(void* instance);
    void serve(void* pipe);
    void reapFinished();

    std::wstring m_name;
    SimulatedHardware& m_hardware;
    void* m_stopEvent = nullptr;
    std::thread m_listener;
    std::mutex m_lock; // guards m_active
    std::vector<Connection> m_active;
    std::atomic<int> m_connections{0};
};

} // namespace fwsim
