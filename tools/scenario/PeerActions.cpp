// Steps on the simulated peers. Simulation.
#include "tools/scenario/PeerActions.h"

#include "common/FirmwareRecord.h"
#include "sim/CecOpcodes.h"
#include "sim/DisplayMachine.h"

#include <optional>

namespace scenario {
namespace {
// A delay that never ends within any run.
constexpr std::uint64_t kNeverMs = 100ull * 365 * 24 * 60 * 60 * 1000;
} // namespace

bool applyPeerAction(sim::Peers& peers, sim::SimFirmware& firmware, const Action& a) {
    sim::TvModel& tv = peers.tv();
    const auto route = a.route == Route::SetStreamPath ? sim::TvModel::Route::SetStreamPath
                                                       : sim::TvModel::Route::RoutingChange;
    switch (a.kind) {
    case ActionKind::TvVendor:
        tv.setVendorId(a.value);
        break;
    case ActionKind::TvCec:
        peers.setTvWithoutCec(!a.flag);
        break;
    case ActionKind::TvPluggedInto:
        tv.setPcAddress(a.address.value_or(0));
        break;
    case ActionKind::TvState:
        tv.setPower(a.flag ? sim::TvModel::Power::On : sim::TvModel::Power::Standby);
        if (a.hasInput) {
            tv.setInput(a.toPc ? std::optional<std::uint16_t>(tv.pcAddress())
                               : (a.address && *a.address != 0 ? a.address : std::nullopt));
        }
        break;
    case ActionKind::Cable:
        if (a.flag) {
            peers.plugCable();
        } else {
            peers.unplugCable();
        }
        break;
    case ActionKind::DisplayDetectionDelay:
        peers.display().setDetectionDelay(a.duration.value_or(kNeverMs));
        break;
    case ActionKind::DisplaySwitchingDelay:
        peers.display().setSwitchNeverTakesEffect(!a.duration);
        if (a.duration) {
            peers.display().setSwitchingDelay(*a.duration);
        }
        break;
    case ActionKind::DisplayArrangement:
        peers.display().setArrangement(a.value);
        break;
    case ActionKind::DisplayMachine:
        static_assert(static_cast<int>(sim::DisplayModel::MachineKind::AmdVista) == 9,
                      "the scenario words number the machine kinds in their order");
        peers.display().setMachineKind(static_cast<sim::DisplayModel::MachineKind>(a.value), firmware);
        break;
    case ActionKind::DisplayQuirk:
        if (sim::DisplayMachine* machine = peers.display().machine()) {
            if (a.value == 0) {
                machine->setHdmiReportedAsDvi(a.flag);
            } else {
                machine->setRefusesExtendedToExtended(a.flag);
            }
        }
        break;
    case ActionKind::DisplayDriverModel:
        if (sim::DisplayMachine* machine = peers.display().machine()) {
            machine->setDriverModel(a.value);
        }
        break;
    case ActionKind::DisplayCrt:
        if (sim::DisplayMachine* machine = peers.display().machine()) {
            machine->setCrtConnected(a.flag);
        }
        break;
    case ActionKind::DisplayRequest:
        peers.display().setMonitorDevice(a.value);
        break;
    case ActionKind::CeccBusy:
        peers.cecc().setBusy(static_cast<int>(a.value));
        break;
    case ActionKind::CeccFailing:
        peers.cecc().setFailing(a.flag);
        break;
    case ActionKind::CeccNeverAnswers:
        peers.cecc().setNeverAnswers(a.flag);
        break;
    case ActionKind::FirmwareHdmiControl:
        firmware.setSetting(fw::kSettingHdmiControl, a.flag ? 1 : 0);
        break;
    case ActionKind::FirmwareWakeupFactor:
        firmware.setWakeupFactor(static_cast<std::uint16_t>(a.value));
        break;
    case ActionKind::FirmwareWakeupFails:
        firmware.failWakeupFactorReads(static_cast<int>(a.value));
        break;
    case ActionKind::FirmwareEvent:
        peers.firmwareEvent(a.value);
        break;
    case ActionKind::CeccLogicalAddress:
        peers.cecc().setPreferredLogicalAddress(static_cast<std::uint8_t>(a.value));
        break;
    case ActionKind::CeccNotify:
        peers.cecc().notifyStatus(static_cast<std::uint8_t>(a.value));
        break;
    case ActionKind::TvPowerOn:
        tv.powerOn();
        break;
    case ActionKind::TvStandby:
        tv.standby();
        break;
    case ActionKind::TvSwitch:
        if (a.address) {
            tv.switchTo(*a.address, route);
        } else {
            tv.switchToPc(route);
        }
        break;
    case ActionKind::TvRoutingInformation:
        tv.sendRoutingInformation(a.address);
        break;
    case ActionKind::TvMenuRequest:
        tv.sendMenuRequest(static_cast<std::uint8_t>(a.value));
        break;
    case ActionKind::TvPlay:
        tv.sendPlay(static_cast<std::uint8_t>(a.value));
        break;
    case ActionKind::TvDeckControl:
        tv.sendDeckControl(static_cast<std::uint8_t>(a.value));
        break;
    case ActionKind::TvGiveDeckStatus:
        tv.sendGiveDeckStatus(static_cast<std::uint8_t>(a.value));
        break;
    case ActionKind::TvGiveTunerStatus:
        tv.sendGiveTunerDeviceStatus(static_cast<std::uint8_t>(a.value));
        break;
    case ActionKind::TvSelectAnalogue:
        tv.sendSelectAnalogueService(a.bytes);
        break;
    case ActionKind::TvSelectDigital:
        tv.sendSelectDigitalService(a.bytes);
        break;
    case ActionKind::TvTunerStep:
        if (a.flag) {
            tv.sendTunerStepIncrement();
        } else {
            tv.sendTunerStepDecrement();
        }
        break;
    case ActionKind::TvRequestActiveSource:
        tv.sendRequestActiveSource();
        break;
    case ActionKind::TvGiveOsdName:
        tv.sendGiveOsdName();
        break;
    case ActionKind::TvGiveVendorId:
        tv.sendGiveDeviceVendorId();
        break;
    case ActionKind::TvSend:
        tv.sendRaw(sim::makeFrameFromBytes(a.bytes.data(), a.bytes.size()));
        break;
    case ActionKind::DiscDrive:
        peers.media().setDrive(a.value != 0, a.value == 1);
        break;
    case ActionKind::RemoteKey:
        peers.remoteKey(static_cast<std::uint8_t>(a.value));
        break;
    default:
        return false;
    }
    return true;
}

} // namespace scenario
