// The simulated display hardware behind the display library. Simulation.
#include "sim/DisplayModel.h"

#include "sim/DisplayMachine.h"

#include <algorithm>
#include <atomic>

namespace sim {
namespace {

std::atomic<DisplayModel*> g_active{nullptr};

constexpr std::int32_t kFailed = -1;
constexpr std::int32_t kNoHdmiDisplay = -2;

bool usesHdmi(std::uint32_t value) {
    return value == monitor::kHdmi || value == monitor::kClone ||
           value == monitor::kPanelPrimaryHdmiExtended || value == monitor::kHdmiPrimaryPanelExtended;
}

// The vendor interface `get` of a machine with the graphics `graphics`, else null.
template <typename Interface>
Interface* ofGraphics(DisplayMachine* machine, DisplayMachine::Graphics graphics,
                      Interface& (DisplayMachine::*get)()) {
    return machine != nullptr && machine->graphics() == graphics ? &(machine->*get)() : nullptr;
}

} // namespace

DisplayModel::DisplayModel(VirtualClock& clock) : m_clock(clock), m_actions(clock) {
    activate();
}

void DisplayModel::setMachineKind(MachineKind kind, platform::FirmwareTransport& firmware) {
    const std::uint32_t before = arrangement();
    m_machineKind = kind;
    if (kind == MachineKind::StandIn) {
        m_machine.reset();
        m_arrangement = before;
        return;
    }
    if (m_pendingSwitch) {
        m_actions.cancel(*m_pendingSwitch);
        m_pendingSwitch.reset();
    }
    using Graphics = DisplayMachine::Graphics;
    Graphics graphics = Graphics::None;
    switch (kind) {
    case MachineKind::AmdDisplayConfig:
        graphics = Graphics::AmdFirst;
        break;
    case MachineKind::IntelDisplayConfig:
    case MachineKind::IntelVista:
        graphics = Graphics::Intel;
        break;
    case MachineKind::NvidiaDisplayConfig:
    case MachineKind::NvidiaVista:
        graphics = Graphics::Nvidia;
        break;
    case MachineKind::AmdSecond:
    case MachineKind::AmdSecondVista:
        graphics = Graphics::AmdSecond;
        break;
    case MachineKind::AmdVista:
        graphics = Graphics::Amd;
        break;
    default:
        break;
    }
    const bool vista = kind == MachineKind::IntelVista || kind == MachineKind::NvidiaVista ||
                       kind == MachineKind::AmdSecondVista || kind == MachineKind::AmdVista;
    m_machine = std::make_unique<DisplayMachine>(m_clock, firmware, graphics, vista);
    syncMachine();
    m_machine->arrange(before);
    m_arrangement = arrangement();
}

void DisplayModel::syncMachine() {
    if (m_machine) {
        m_machine->setHdmiConnected(hdmiDetected(), m_edid.value_or(Edid{}));
    }
}

SimNvidiaDisplay* DisplayModel::nvidiaInterface() {
    syncMachine();
    return ofGraphics(m_machine.get(), DisplayMachine::Graphics::Nvidia, &DisplayMachine::nvidia);
}

SimAmdSecondDisplay* DisplayModel::amdSecondInterface() {
    syncMachine();
    return m_machine && m_machine->hasAmdSecond() ? &m_machine->amdSecondInterface() : nullptr;
}

SimAmdDisplayLibrary* DisplayModel::amdFirstInterface() {
    syncMachine();
    if (!m_machine || !m_machine->hasAmdFirst()) {
        return nullptr;
    }
    m_machine->syncAmdMapped();
    return &m_machine->amdFirstInterface();
}

SimIntelDisplay* DisplayModel::intelInterface() {
    syncMachine();
    return ofGraphics(m_machine.get(), DisplayMachine::Graphics::Intel, &DisplayMachine::intel);
}

void DisplayModel::noteMachineChange() {
    const std::uint32_t now = arrangement();
    if (now != m_arrangement) {
        changeTo(now);
    }
}

std::uint32_t DisplayModel::arrangement() const {
    if (!m_machine) {
        return m_arrangement;
    }
    const_cast<DisplayModel*>(this)->syncMachine();
    return static_cast<std::uint32_t>(m_machine->getMonitorDevice());
}

void DisplayModel::setArrangement(std::uint32_t value) {
    m_arrangement = value;
    if (m_machine) {
        syncMachine();
        m_machine->arrange(value);
        m_arrangement = arrangement();
    }
}

DisplayModel::~DisplayModel() {
    DisplayModel* self = this;
    g_active.compare_exchange_strong(self, nullptr);
}

void DisplayModel::activate() {
    g_active.store(this);
}

std::map<std::string, platform::EntryPoint> DisplayModel::entries() {
    return {
        {"GetPanelid", reinterpret_cast<platform::EntryPoint>(&DisplayModel::trampolineGetPanelid)},
        {"GetMonitorDevice",
         reinterpret_cast<platform::EntryPoint>(&DisplayModel::trampolineGetMonitorDevice)},
        {"SetMonitorDevice",
         reinterpret_cast<platform::EntryPoint>(&DisplayModel::trampolineSetMonitorDevice)},
    };
}

std::int32_t DisplayModel::trampolineGetPanelid(std::uint8_t* edid256) {
    DisplayModel* model = g_active.load();
    return model != nullptr ? model->getPanelid(edid256) : kFailed;
}

std::int32_t DisplayModel::trampolineGetMonitorDevice() {
    DisplayModel* model = g_active.load();
    return model != nullptr ? model->getMonitorDevice() : kFailed;
}

std::int32_t DisplayModel::trampolineSetMonitorDevice(std::uint32_t value) {
    DisplayModel* model = g_active.load();
    return model != nullptr ? model->setMonitorDevice(value) : kFailed;
}

void DisplayModel::attachHdmi(const Edid& edid) {
    m_edid = edid;
    m_attachedAt = m_clock.now();
}

void DisplayModel::detachHdmi() {
    m_edid.reset();
    if (m_pendingSwitch) {
        m_actions.cancel(*m_pendingSwitch);
        m_pendingSwitch.reset();
    }
    if (m_machine) {
        syncMachine();
        noteMachineChange();
        return;
    }
    if (m_arrangement != monitor::kPanel) {
        changeTo(monitor::kPanel);
    }
}

bool DisplayModel::hdmiDetected() const {
    return m_edid && m_clock.now() >= m_attachedAt + m_detectionDelay;
}

std::int32_t DisplayModel::record(Entry entry, std::uint32_t argument, std::int32_t result) {
    m_calls.push_back(Call{m_clock.now(), entry, argument, result});
    return result;
}

void DisplayModel::changeTo(std::uint32_t value) {
    m_arrangement = value;
    m_changes.push_back(Change{m_clock.now(), value});
}

std::int32_t DisplayModel::getPanelid(std::uint8_t* edid256) {
    if (m_machine) {
        syncMachine();
        return record(Entry::GetPanelid, 0, m_machine->getPanelid(edid256));
    }
    if (edid256 == nullptr) {
        return record(Entry::GetPanelid, 0, kFailed);
    }
    if (!hdmiDetected()) {
        return record(Entry::GetPanelid, 0, kNoHdmiDisplay);
    }
    std::copy(m_edid->begin(), m_edid->end(), edid256);
    return record(Entry::GetPanelid, 0, usesHdmi(m_arrangement) ? 1 : 0);
}

std::int32_t DisplayModel::getMonitorDevice() {
    if (m_machine) {
        syncMachine();
        return record(Entry::GetMonitorDevice, 0, m_machine->getMonitorDevice());
    }
    return record(Entry::GetMonitorDevice, 0, static_cast<std::int32_t>(m_arrangement));
}

std::int32_t DisplayModel::setMonitorDevice(std::uint32_t value) {
    if (m_machine) {
        syncMachine();
        const std::int32_t result = m_machine->setMonitorDevice(value);
        noteMachineChange();
        return record(Entry::SetMonitorDevice, value, result);
    }
    if (m_forcedSetResult) {
        return record(Entry::SetMonitorDevice, value, *m_forcedSetResult);
    }
    const bool swap = value == monitor::kSwapPrimary;
    if (!swap && value != monitor::kPanel && !usesHdmi(value)) {
        return record(Entry::SetMonitorDevice, value, kFailed);
    }
    if (usesHdmi(value) && !hdmiDetected()) {
        return record(Entry::SetMonitorDevice, value, kFailed);
    }
    if (m_pendingSwitch) {
        m_actions.cancel(*m_pendingSwitch);
        m_pendingSwitch.reset();
    }
    if (!m_switchNever) {
        m_pendingSwitch = m_actions.after(m_switchingDelay, [this, value, swap] {
            m_pendingSwitch.reset();
            std::uint32_t target = value;
            if (swap) {
                target =
                    m_arrangement == monitor::kPanelPrimaryHdmiExtended   ? monitor::kHdmiPrimaryPanelExtended
                    : m_arrangement == monitor::kHdmiPrimaryPanelExtended ? monitor::kPanelPrimaryHdmiExtended
                                                                          : m_arrangement;
            }
            if (usesHdmi(target) && !hdmiAttached()) {
                return; // the display went away meanwhile
            }
            if (target != m_arrangement) {
                changeTo(target);
            }
        });
    }
    return record(Entry::SetMonitorDevice, value, m_acceptedResult);
}

} // namespace sim
