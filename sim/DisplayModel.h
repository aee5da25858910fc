// The display hardware of the simulated notebook as the display library "Panelid.dll" shows
// it: the notebook panel, an HDMI output and the desktop arrangement as a monitor-device value
// (0x1 panel alone, 0x100 HDMI alone, 0x80 clone, 0x2000000 panel primary with HDMI extended,
// 0x4000000 HDMI primary with panel extended).
//   GetPanelid(edid256): -2 until an attached HDMI display has been detected (the detection
//     delay, 2000 ms after attach unless set); then the display's 256 EDID bytes and 1 when
//     the arrangement uses HDMI, 0 when it does not. A null buffer gives -1.
//   GetMonitorDevice(): the arrangement.
//   SetMonitorDevice(value): 1 when accepted (or the accepted result set); the arrangement
//     becomes `value` after the switching delay (1500 ms unless set; a later request
//     replaces a pending one). -1 when
//     the value names an arrangement with HDMI and no HDMI display has been detected, or is
//     not one of the five arrangements above. 0x80000000 swaps the primary display of an
//     extended arrangement (and leaves any other arrangement as it is).
// Detaching HDMI drops any pending switch and moves the arrangement back to 0x1 at once.
// Fault injection: switches that never take effect; SetMonitorDevice answering a fixed code
// (and doing nothing). Every call is recorded with its virtual time.
//
// The library's entries are plain C functions without context: entries() returns static
// trampolines that act on the one active DisplayModel of the process, the one most recently
// constructed (or activated) and not yet destroyed. Tests use one simulated world at a time.
// With no active model the entries return -1.
//
// Machine kinds: the stand-in above (the default), or a notebook with the Windows display
// configuration only, or with AMD graphics, where the entries run the real display library
// over simulated hardware (sim/DisplayMachine): switches take effect at once, an attached HDMI
// display is connected after the detection delay, GetPanelid answers -1 without AMD graphics
// (no vendor interface reads the EDID) and reads the EDID through the first AMD interface
// with them, and the switching faults of the stand-in do not apply. With Intel graphics the
// Intel COM object reads the EDID; on the Intel machine that reports Windows 6.0 it also
// reads and switches the arrangement. Likewise with NVIDIA graphics and with the second AMD
// interface: its interface reads the EDID, and on the Windows 6.0 variant (where the Windows
// display configuration is unusable) it also reads and switches the arrangement.
// Simulation.
#pragma once

#include "platform/FirmwareTransport.h"
#include "platform/Libraries.h"
#include "sim/ScheduledActions.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sim {

class DisplayMachine;
class SimNvidiaDisplay;
class SimAmdSecondDisplay;
class SimAmdDisplayLibrary;
class SimIntelDisplay;

namespace monitor {
inline constexpr std::uint32_t kPanel = 0x1;
inline constexpr std::uint32_t kClone = 0x80;
inline constexpr std::uint32_t kHdmi = 0x100;
inline constexpr std::uint32_t kPanelPrimaryHdmiExtended = 0x2000000;
inline constexpr std::uint32_t kHdmiPrimaryPanelExtended = 0x4000000;
inline constexpr std::uint32_t kSwapPrimary = 0x80000000;
} // namespace monitor

class DisplayModel {
public:
    static constexpr std::uint64_t kDefaultDetectionDelayMs = 2000;
    static constexpr std::uint64_t kDefaultSwitchingDelayMs = 1500;
    static constexpr std::size_t kEdidSize = 256;
    using Edid = std::array<std::uint8_t, kEdidSize>;

    // The entries' C types.
    using GetPanelidFn = std::int32_t (*)(std::uint8_t* edid256);
    using GetMonitorDeviceFn = std::int32_t (*)();
    using SetMonitorDeviceFn = std::int32_t (*)(std::uint32_t value);

    enum class Entry { GetPanelid, GetMonitorDevice, SetMonitorDevice };
    struct Call {
        std::uint64_t time = 0;
        Entry entry = Entry::GetPanelid;
        std::uint32_t argument = 0; // SetMonitorDevice's value
        std::int32_t result = 0;
    };
    struct Change {
        std::uint64_t time = 0;
        std::uint32_t arrangement = 0;
    };

    enum class MachineKind {
        StandIn,
        DisplayConfigOnly,
        AmdDisplayConfig,
        IntelDisplayConfig,
        IntelVista,
        NvidiaDisplayConfig,
        NvidiaVista,
        AmdSecond,
        AmdSecondVista,
        AmdVista, // both AMD interfaces: the first reads the EDID, the second switches
    };

    explicit DisplayModel(VirtualClock& clock);
    ~DisplayModel();
    DisplayModel(const DisplayModel&) = delete;
    DisplayModel& operator=(const DisplayModel&) = delete;

    // The machine kind; the real library reads the firmware's HDMI status through `firmware`.
    // The arrangement carries over.
    void setMachineKind(MachineKind kind, platform::FirmwareTransport& firmware);
    MachineKind machineKind() const { return m_machineKind; }
    // The real library's machine; null for the stand-in.
    DisplayMachine* machine() { return m_machine.get(); }
    // The NVIDIA interface of the real library's machine with NVIDIA graphics, its HDMI display
    // connected once detected; null on every other machine. For a library outside the model
    // (the test NVIDIA library of the end-to-end runs) that reads and sets the hardware through
    // it: a view it set is recorded as a change with noteInterfaceChange().
    SimNvidiaDisplay* nvidiaInterface();
    // Likewise the two AMD interfaces and the Intel driver's object of the machines with them
    // (the first AMD interface with its HDMI display mapped as the arrangement has it).
    SimAmdSecondDisplay* amdSecondInterface();
    SimAmdDisplayLibrary* amdFirstInterface();
    SimIntelDisplay* intelInterface();
    void noteInterfaceChange() { noteMachineChange(); }

    // Makes this model the one the entries act on.
    void activate();
    // The three entries by name, as the library exports them.
    static std::map<std::string, platform::EntryPoint> entries();

    // Hardware.
    void attachHdmi(const Edid& edid);
    void detachHdmi();
    bool hdmiAttached() const { return m_edid.has_value(); }
    bool hdmiDetected() const;
    std::uint32_t arrangement() const;
    void setArrangement(std::uint32_t value); // at once, not recorded as a call

    // Timing and faults.
    void setDetectionDelay(std::uint64_t ms) { m_detectionDelay = ms; }
    void setSwitchingDelay(std::uint64_t ms) { m_switchingDelay = ms; }
    void setSwitchNeverTakesEffect(bool never) { m_switchNever = never; }
    // SetMonitorDevice answers `code` and does nothing; nullopt: normal behaviour.
    void setSetMonitorDeviceResult(std::optional<std::int32_t> code) { m_forcedSetResult = code; }
    // What SetMonitorDevice answers for an accepted request (1 unless set; a library that
    // reports a handled request as 0 is modelled with 0).
    void setAcceptedResult(std::int32_t code) { m_acceptedResult = code; }

    // The entries' behaviour, recorded.
    std::int32_t getPanelid(std::uint8_t* edid256);
    std::int32_t getMonitorDevice();
    std::int32_t setMonitorDevice(std::uint32_t value);

    const std::vector<Call>& calls() const { return m_calls; }
    const std::vector<Change>& changes() const { return m_changes; }
    // Forgets what was recorded so far, so that a long run keeps its memory flat; the state stays.
    void clearRecords() {
        m_calls.clear();
        m_changes.clear();
    }

private:
    static std::int32_t trampolineGetPanelid(std::uint8_t* edid256);
    static std::int32_t trampolineGetMonitorDevice();
    static std::int32_t trampolineSetMonitorDevice(std::uint32_t value);

    std::int32_t record(Entry entry, std::uint32_t argument, std::int32_t result);
    void changeTo(std::uint32_t value);
    // The real library's machine: the HDMI display connected once detected, and a change
    // recorded when the arrangement moved.
    void syncMachine();
    void noteMachineChange();

    VirtualClock& m_clock;
    std::uint32_t m_arrangement = monitor::kPanel;
    std::optional<Edid> m_edid;
    std::uint64_t m_attachedAt = 0;
    std::uint64_t m_detectionDelay = kDefaultDetectionDelayMs;
    std::uint64_t m_switchingDelay = kDefaultSwitchingDelayMs;
    bool m_switchNever = false;
    std::optional<std::int32_t> m_forcedSetResult;
    std::int32_t m_acceptedResult = 1;
    std::optional<VirtualClock::ActionId> m_pendingSwitch;
    std::vector<Call> m_calls;
    std::vector<Change> m_changes;

    std::unique_ptr<DisplayMachine> m_machine;
    MachineKind m_machineKind = MachineKind::StandIn;

    ScheduledActions m_actions; // last: cancelled first
};

} // namespace sim
