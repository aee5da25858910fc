// The firmware simulator's program host on Windows: programs started with CreateProcessW and
// watched through their process handles (GetProcessTimes, GetProcessMemoryInfo), and a key
// target window of its own, on a thread of its own, that takes the foreground and receives
// the keys sent with SendInput.
// Win32 only.
#pragma once

#include "tools/firmware-sim/ProgramHost.h"

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace fwsim {

class Win32ProgramHost final : public ProgramHost {
public:
    // How long endAll waits for programs to close before it terminates them.
    static constexpr std::uint32_t kCloseWaitMs = 10000;

    // Programs named by file name are looked up in these folders, in order.
    explicit Win32ProgramHost(std::vector<std::wstring> folders);
    ~Win32ProgramHost() override;

    bool start(const std::wstring& program, const std::vector<std::wstring>& arguments,
               std::string& error) override;
    std::optional<std::uint32_t> run(const std::wstring& program, const std::vector<std::wstring>& arguments,
                                     std::uint32_t timeoutMs, std::string& error) override;
    std::optional<bool> running(const std::wstring& program) override;
    std::optional<Usage> usage(const std::wstring& program) override;
    bool pressKey(std::uint8_t virtualKey, std::string& error) override;
    void endAll() override;

    // Called by the key target window's procedure.
    void keySeen(unsigned message, std::uintptr_t virtualKey);

private:
    struct Started {
        void* process = nullptr;
        std::uint32_t processId = 0;
    };

    bool launch(const std::wstring& program, const std::vector<std::wstring>& arguments, Started& started,
                std::string& error);
    std::wstring resolve(const std::wstring& program) const;
    static std::wstring key(const std::wstring& program);
    bool ensureKeyTarget(std::string& error);
    void keyTargetThread();

    std::vector<std::wstring> m_folders;
    std::map<std::wstring, Started> m_started; // by lower-case file name
    std::vector<Started> m_retired;            // replaced by a later start, still ended at the end

    std::thread m_keyThread;
    std::mutex m_keyLock;
    std::atomic<void*> m_keyWindow{nullptr};
    std::atomic<bool> m_keyWindowFailed{false};
    std::atomic<std::uint32_t> m_keyThreadId{0};
    std::atomic<unsigned> m_keysDown{0};
    std::atomic<unsigned> m_keysUp{0};
    std::atomic<std::uintptr_t> m_lastKey{0};
};

} // namespace fwsim
