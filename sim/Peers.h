// The peers of the system in one simulated world, owned and wired together: the CEC bus with
// the embedded CEC controller (attached to the firmware) and the TV, the event service, the
// display hardware (registered as library "Panelid.dll"), the keyboard and key hook
// (registered as library "TVBRIDGE.dll"), the input focus, the media control windows with the
// disc drive (none until set), the sound-output changer, the shell, session,
// locale and WMI. World actions:
//   plugCable():   the firmware's HDMI-connected bit goes on, the TV joins the PC's bus segment,
//                  the display attaches the TV's EDID (seen after its detection delay) and,
//                  100 ms later, the event service posts hot plug high;
//   unplugCable(): the event service posts hot plug low, the firmware bit goes off, the TV
//                  leaves the bus and the display goes back to the panel alone;
//   remoteKey(k):  the event service posts 0x1600 | k.
// Simulation.
#pragma once

#include "sim/CecBus.h"
#include "sim/CecControllerModel.h"
#include "sim/DisplayModel.h"
#include "sim/EventService.h"
#include "sim/ScheduledActions.h"
#include "sim/SimDesktop.h"
#include "sim/SimFirmware.h"
#include "sim/SimInputFocus.h"
#include "sim/SimKeyboard.h"
#include "sim/SimLibraries.h"
#include "sim/SimLocale.h"
#include "sim/SimMediaControl.h"
#include "sim/SimSession.h"
#include "sim/SimShell.h"
#include "sim/SimWmi.h"
#include "sim/SoundOutputModel.h"
#include "sim/TvModel.h"

#include <cstdint>
#include <optional>

namespace sim {

class Peers {
public:
    static constexpr std::uint64_t kHotPlugHighDelayMs = 100;
    static constexpr const wchar_t* kDisplayLibrary = L"Panelid.dll";
    static constexpr const wchar_t* kBridgeLibrary = L"TVBRIDGE.dll";

    // Registers the two libraries and attaches the CEC controller to the firmware.
    Peers(VirtualClock& clock, SimDesktop& desktop, SimFirmware& firmware, SimLibraries& libraries);
    // Detaches the CEC controller from the firmware.
    ~Peers();
    Peers(const Peers&) = delete;
    Peers& operator=(const Peers&) = delete;

    CecBus& bus() { return m_bus; }
    EventService& events() { return m_events; }
    CecControllerModel& cecc() { return m_cecc; }
    TvModel& tv() { return m_tv; }
    DisplayModel& display() { return m_display; }
    SimKeyboard& keyboard() { return m_keyboard; }
    SimInputFocus& focus() { return m_focus; }
    SimMediaControl& media() { return m_media; }
    SoundOutputModel& sound() { return m_sound; }
    SimShell& shell() { return m_shell; }
    SimSession& session() { return m_session; }
    SimLocale& locale() { return m_locale; }
    SimWmi& wmi() { return m_wmi; }
    // Forgets what every peer recorded so far (frames, feature aborts, events, switches, programs
    // started, keys, ejects, execution-state calls); what each one is now stays.
    void clearRecords();

    // World actions. Plugging a plugged cable (or unplugging an unplugged one) does nothing.
    void plugCable();
    void unplugCable();
    bool cablePlugged() const { return m_cablePlugged; }
    void remoteKey(std::uint8_t code);
    // The firmware signals any event code, whatever the state of the cable or the controller.
    void firmwareEvent(std::uint32_t code);
    // A TV without HDMI-CEC: on the cable, but never on the bus (false: a CEC TV again).
    void setTvWithoutCec(bool withoutCec) { m_tv.setSpeaksCec(!withoutCec); }

private:
    SimFirmware& m_firmware;
    CecBus m_bus;
    EventService m_events;
    CecControllerModel m_cecc;
    TvModel m_tv;
    DisplayModel m_display;
    SimKeyboard m_keyboard;
    SimInputFocus m_focus;
    SimMediaControl m_media;
    SoundOutputModel m_sound;
    SimShell m_shell;
    SimSession m_session;
    SimLocale m_locale;
    SimWmi m_wmi;
    bool m_cablePlugged = false;
    std::optional<VirtualClock::ActionId> m_hotPlugHigh;

    ScheduledActions m_actions; // last: cancelled first
};

} // namespace sim
