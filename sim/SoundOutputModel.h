// The outside sound-output changer of the simulated world and the output it sets (speaker or
// HDMI). While it runs it has a top-level window of class "#32770" titled "KorTonemux" that
// takes the registered message "SENTRIX_CHANGESOUND": wParam 1 selects HDMI, 2 the speaker,
// anything else is ignored. Started as a program with "/HDMI" or "/SPEAKER" (by the shell), it
// sets that output after its start delay (300 ms unless set) and ends; any other command line
// changes nothing. Every change and every message is recorded.
// Simulation.
#pragma once

#include "sim/ScheduledActions.h"
#include "sim/SimDesktop.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sim {

class SoundOutputModel {
public:
    enum class Output { Speaker, Hdmi };
    enum class Via { Message, CommandLine, World };

    static constexpr std::uint32_t kDefaultProcessId = 0xB18;
    static constexpr std::uint64_t kDefaultStartDelayMs = 300;
    static constexpr const wchar_t* kWindowClass = L"#32770";
    static constexpr const wchar_t* kWindowTitle = L"KorTonemux";
    static constexpr const wchar_t* kMessageName = L"SENTRIX_CHANGESOUND";
    static constexpr platform::WParam kCodeHdmi = 1;
    static constexpr platform::WParam kCodeSpeaker = 2;

    struct Change {
        std::uint64_t time = 0;
        Output output = Output::Speaker;
        Via via = Via::World;
    };
    struct Received {
        std::uint64_t time = 0;
        platform::WParam wParam = 0;
        bool applied = false;
    };
    struct Start {
        std::uint64_t time = 0;
        std::wstring parameters;
        bool recognised = false;
    };

    SoundOutputModel(VirtualClock& clock, SimDesktop& desktop, std::uint32_t processId = kDefaultProcessId);
    ~SoundOutputModel();
    SoundOutputModel(const SoundOutputModel&) = delete;
    SoundOutputModel& operator=(const SoundOutputModel&) = delete;

    // The resident changer: its window appears or goes away.
    void startRunning();
    void stopRunning();
    bool running() const { return m_window != 0; }
    platform::WindowHandle window() const { return m_window; }

    // Started as a program with a command line (what the shell does for "Tonemux.exe").
    void startProgram(const std::wstring& parameters);
    void setStartDelay(std::uint64_t ms) { m_startDelay = ms; }

    Output output() const { return m_output; }
    void setOutput(Output output); // by the world itself (recorded with Via::World)

    const std::vector<Change>& changes() const { return m_changes; }
    // Forgets what was recorded so far, so that a long run keeps its memory flat; the state stays.
    void clearRecords() {
        m_changes.clear();
        m_messages.clear();
        m_starts.clear();
    }
    const std::vector<Received>& messages() const { return m_messages; }
    const std::vector<Start>& starts() const { return m_starts; }

private:
    void onMessage(const platform::Message& message);
    void apply(Output output, Via via);

    VirtualClock& m_clock;
    SimDesktop& m_desktop;
    std::uint32_t m_processId;
    platform::WindowHandle m_window = 0;
    std::uint64_t m_startDelay = kDefaultStartDelayMs;
    Output m_output = Output::Speaker;
    std::vector<Change> m_changes;
    std::vector<Received> m_messages;
    std::vector<Start> m_starts;
    std::shared_ptr<int> m_lifetime = std::make_shared<int>(0);

    ScheduledActions m_actions; // last: cancelled first
};

} // namespace sim
