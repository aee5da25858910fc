// The peers of a simulated world. Simulation.
#include "sim/Peers.h"

namespace sim {

Peers::Peers(VirtualClock& clock, SimDesktop& desktop, SimFirmware& firmware, SimLibraries& libraries)
    : m_firmware(firmware), m_bus(clock), m_events(clock, desktop), m_cecc(clock, m_bus, m_events),
      m_tv(clock, m_bus), m_display(clock), m_keyboard(clock, desktop), m_focus(desktop), m_media(desktop),
      m_sound(clock, desktop), m_shell(clock, &m_sound), m_session(clock), m_actions(clock) {
    m_firmware.attachCecc(&m_cecc);
    libraries.addLibrary(kDisplayLibrary, DisplayModel::entries());
    libraries.addLibrary(kBridgeLibrary, SimKeyboard::entries());
}

Peers::~Peers() {
    m_actions.cancelAll();
    m_firmware.attachCecc(nullptr);
}

void Peers::clearRecords() {
    m_bus.clearRecords();
    m_events.clearRecords();
    m_tv.clearRecords();
    m_display.clearRecords();
    m_keyboard.clearRecords();
    m_media.clearRecords();
    m_sound.clearRecords();
    m_shell.clearRecords();
    m_session.clearRecords();
}

void Peers::plugCable() {
    if (m_cablePlugged) {
        return;
    }
    m_cablePlugged = true;
    m_firmware.setHdmiConnected(true);
    m_tv.setCableConnected(true);
    m_display.attachHdmi(m_tv.edid());
    m_hotPlugHigh = m_actions.after(kHotPlugHighDelayMs, [this] {
        m_hotPlugHigh.reset();
        m_events.post(event::kHotPlugHigh);
    });
}

void Peers::unplugCable() {
    if (!m_cablePlugged) {
        return;
    }
    m_cablePlugged = false;
    if (m_hotPlugHigh) {
        m_actions.cancel(*m_hotPlugHigh);
        m_hotPlugHigh.reset();
    }
    m_events.post(event::kHotPlugLow);
    m_firmware.setHdmiConnected(false);
    m_tv.setCableConnected(false);
    m_display.detachHdmi();
}

void Peers::remoteKey(std::uint8_t code) {
    m_events.post(event::kRemoteKeyBase | code);
}

void Peers::firmwareEvent(std::uint32_t code) {
    m_events.post(code);
}

} // namespace sim
