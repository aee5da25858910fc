// What the firmware simulator asks of the machine it runs on, beyond the simulated hardware:
// starting and watching programs, and typing a key through the system's input queue. The
// program implements it with Win32; tests with a recorder.
// Portable.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace fwsim {

class ProgramHost {
public:
    struct Usage {
        std::uint64_t cpuMicroseconds = 0; // user and kernel time
        std::uint64_t workingSetBytes = 0;
        std::uint64_t peakWorkingSetBytes = 0;
    };

    virtual ~ProgramHost() = default;

    // Starts `program` (a full path, or a file name looked up in the host's program folders)
    // with the arguments. The program is then known by its file name (the last one started
    // under a name). False, with the reason in `error`, when it cannot be started.
    virtual bool start(const std::wstring& program, const std::vector<std::wstring>& arguments,
                       std::string& error) = 0;
    // Starts the program and waits for its end: its exit code, or nothing (with the reason)
    // when it could not be started or did not end within `timeoutMs` (it is then ended).
    virtual std::optional<std::uint32_t> run(const std::wstring& program,
                                             const std::vector<std::wstring>& arguments,
                                             std::uint32_t timeoutMs, std::string& error) = 0;
    // Whether the program last started under this file name still runs; nothing when no
    // program was started under it.
    virtual std::optional<bool> running(const std::wstring& program) = 0;
    // Processor time and memory of that program so far; nothing when unknown.
    virtual std::optional<Usage> usage(const std::wstring& program) = 0;
    // Presses and releases a virtual key through the input queue while a window of the
    // simulator itself has the keyboard focus (so that the key reaches another process than
    // the controller). False with the reason when the key could not be sent.
    virtual bool pressKey(std::uint8_t virtualKey, std::string& error) = 0;
    // Ends every started program that still runs: asks its windows to close, then terminates
    // what is left.
    virtual void endAll() = 0;
};

} // namespace fwsim
