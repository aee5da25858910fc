// The firmware simulator's pipe server. Win32 only.
#include "tools/firmware-sim/win32/Win32PipeServer.h"

#include <windows.h>

namespace fwsim {

namespace {

constexpr DWORD kPipeBufferBytes = 4096;
constexpr DWORD kRetryCreateMs = 100;

// An overlapped operation's end, or the stop event: true when the operation completed.
bool finish(HANDLE pipe, OVERLAPPED& overlapped, HANDLE stop, DWORD& transferred) {
    const HANDLE waits[2] = {overlapped.hEvent, stop};
    if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) {
        CancelIo(pipe);
        GetOverlappedResult(pipe, &overlapped, &transferred, TRUE);
        return false;
    }
    return GetOverlappedResult(pipe, &overlapped, &transferred, FALSE) != FALSE;
}

class Overlapped {
public:
    Overlapped() { m_overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr); }
    ~Overlapped() {
        if (m_overlapped.hEvent != nullptr) {
            CloseHandle(m_overlapped.hEvent);
        }
    }
    Overlapped(const Overlapped&) = delete;
    Overlapped& operator=(const Overlapped&) = delete;
    OVERLAPPED& get() {
        const HANDLE event = m_overlapped.hEvent;
        ZeroMemory(&m_overlapped, sizeof m_overlapped);
        m_overlapped.hEvent = event;
        ResetEvent(event);
        return m_overlapped;
    }
    bool valid() const { return m_overlapped.hEvent != nullptr; }

private:
    OVERLAPPED m_overlapped{};
};

} // namespace

Win32PipeServer::Win32PipeServer(std::wstring name, SimulatedHardware& hardware)
    : m_name(std::move(name)), m_hardware(hardware) {}

Win32PipeServer::~Win32PipeServer() {
    stop();
}

void* Win32PipeServer::createInstance(bool first) {
    const DWORD openMode =
        PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | (first ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0);
    const DWORD pipeMode = PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS;
    return CreateNamedPipeW(m_name.c_str(), openMode, pipeMode, PIPE_UNLIMITED_INSTANCES, kPipeBufferBytes,
                            kPipeBufferBytes, 0, nullptr);
}

bool Win32PipeServer::start(std::string& error) {
    if (m_listener.joinable()) {
        return true;
    }
    m_stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (m_stopEvent == nullptr) {
        error = "CreateEvent failed: " + std::to_string(GetLastError());
        return false;
    }
    const HANDLE first = createInstance(true);
    if (first == INVALID_HANDLE_VALUE) {
        error = "cannot create the pipe (error " + std::to_string(GetLastError()) +
                "); is another simulator serving it?";
        CloseHandle(m_stopEvent);
        m_stopEvent = nullptr;
        return false;
    }
    m_listener = std::thread([this, first] { listen(first); });
    return true;
}

void Win32PipeServer::stop() {
    if (m_stopEvent == nullptr) {
        return;
    }
    SetEvent(m_stopEvent);
    if (m_listener.joinable()) {
        m_listener.join();
    }
    std::vector<Connection> active;
    {
        const std::lock_guard<std::mutex> guard(m_lock);
        active.swap(m_active);
    }
    for (Connection& connection : active) {
        connection.thread.join();
    }
    CloseHandle(m_stopEvent);
    m_stopEvent = nullptr;
}

void Win32PipeServer::reapFinished() {
    const std::lock_guard<std::mutex> guard(m_lock);
    for (auto it = m_active.begin(); it != m_active.end();) {
        if (it->done->load()) {
            it->thread.join();
            it = m_active.erase(it);
        } else {
            ++it;
        }
    }
}

void Win32PipeServer::listen(void* firstInstance) {
    HANDLE instance = firstInstance;
    Overlapped overlapped;
    while (WaitForSingleObject(m_stopEvent, 0) != WAIT_OBJECT_0) {
        if (instance == INVALID_HANDLE_VALUE) {
            if (WaitForSingleObject(m_stopEvent, kRetryCreateMs) == WAIT_OBJECT_0) {
                break;
            }
            instance = createInstance(false);
            continue;
        }
        bool connected = false;
        OVERLAPPED& pending = overlapped.get();
        if (ConnectNamedPipe(instance, &pending) != FALSE) {
            connected = true;
        } else if (GetLastError() == ERROR_PIPE_CONNECTED) {
            connected = true;
        } else if (GetLastError() == ERROR_IO_PENDING) {
            DWORD unused = 0;
            connected = finish(instance, pending, m_stopEvent, unused);
        }
        if (!connected) {
            CloseHandle(instance);
            instance = INVALID_HANDLE_VALUE;
            continue;
        }
        reapFinished();
        ++m_connections;
        auto done = std::make_shared<std::atomic<bool>>(false);
        {
            const std::lock_guard<std::mutex> guard(m_lock);
            m_active.push_back({std::thread([this, instance, done] {
                                    serve(instance);
                                    done->store(true);
                                }),
                                done});
        }
        instance = createInstance(false);
    }
    if (instance != INVALID_HANDLE_VALUE) {
        CloseHandle(instance);
    }
}

void Win32PipeServer::serve(void* handle) {
    const HANDLE pipe = handle;
    const platform::DeviceHandle device = m_hardware.connect();
    std::vector<std::uint8_t> message(kMaxMessage);
    Overlapped overlapped;
    while (overlapped.valid() && device != platform::kInvalidDevice) {
        DWORD read = 0;
        OVERLAPPED& reading = overlapped.get();
        bool ok =
            ReadFile(pipe, message.data(), static_cast<DWORD>(message.size()), &read, &reading) != FALSE;
        if (!ok && GetLastError() == ERROR_IO_PENDING) {
            ok = finish(pipe, reading, m_stopEvent, read);
        }
        // A broken pipe, the stop, or a message longer than any request (ERROR_MORE_DATA).
        if (!ok) {
            break;
        }
        const auto reply = m_hardware.serve(device, message.data(), read);
        if (!reply) {
            break;
        }
        DWORD written = 0;
        OVERLAPPED& writing = overlapped.get();
        ok = WriteFile(pipe, reply->data(), static_cast<DWORD>(reply->size()), &written, &writing) != FALSE;
        if (!ok && GetLastError() == ERROR_IO_PENDING) {
            ok = finish(pipe, writing, m_stopEvent, written);
        }
        if (!ok) {
            break;
        }
    }
    if (device != platform::kInvalidDevice) {
        m_hardware.disconnect(device);
    }
    DisconnectNamedPipe(pipe);
    CloseHandle(pipe);
}

} // namespace fwsim
