// The TV of the simulated world: logical address 0, physical address 0.0.0.0, on the PC's bus
// segment while the cable is plugged and only if it speaks CEC (a TV without CEC is not on the
// bus and answers nothing). It has a vendor identifier (the maker's unless set), a power state,
// a current input (a physical address, or its own tuner), the physical address of the input
// the PC is plugged into (1.0.0.0 unless set) and the 256-byte EDID it shows the PC: a base
// block and a CEA-861 revision 3 extension whose HDMI vendor-specific data block (IEEE
// 0x000C03) carries that address, with valid checksums.
//
// What it answers, each after its response delay (50 ms unless set):
//   <Give Device Vendor ID>  -> <Device Vendor ID> broadcast
//   <Give Physical Address>  -> <Report Physical Address> 0.0.0.0, TV, broadcast
//   <Give OSD Name>          -> <Set OSD Name> with its name ("TV" unless set)
//   <Get CEC Version>        -> <CEC Version> 1.4
//   <Give Device Power Status> -> <Report Power Status> with its power state
//   <Get Menu Language>      -> <Set Menu Language> "eng" broadcast
// (only when directly addressed, and to the initiator). How it reacts:
//   <Text View On>, <Image View On>: powers on (the input stays; <Active Source> moves it);
//   <Active Source>: remembered as the active source; switches the input there when powered;
//   <Inactive Source> with the current input's address: back to its tuner, no active source;
//   <Standby>, directly or broadcast: standby;
//   <Menu Status>, <Set OSD Name> (per initiator), <Feature Abort>: remembered;
//   <Vendor Command With ID> carrying its own vendor identifier, 0x30 and a mode byte: the
//   enhanced mode becomes that byte (another vendor's command is ignored).
// Frames with too few operands for their opcode are recorded and otherwise ignored.
// The TV learns the PC's logical address from <Active Source>, <Inactive Source> or <Report
// Physical Address> carrying the PC's physical address (4, Playback 1, until then); frames
// "to the PC" go there.
//
// Scenario actions change the TV's state at once and send their frames after the response
// delay; frames are not sent while the TV is not on the bus.
// Simulation.
#pragma once

#include "sim/CecBus.h"
#include "sim/ScheduledActions.h"

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace sim {

class TvModel final : public CecDevice {
public:
    static constexpr std::uint64_t kDefaultResponseDelayMs = 50;
    static constexpr std::uint16_t kDefaultPcAddress = 0x1000;
    static constexpr std::size_t kEdidSize = 256;
    using Edid = std::array<std::uint8_t, kEdidSize>;

    enum class Power { On, Standby };
    enum class Route { SetStreamPath, RoutingChange };

    struct Received {
        std::uint64_t time = 0;
        CecFrame frame;
    };

    TvModel(VirtualClock& clock, CecBus& bus);
    ~TvModel() override;
    TvModel(const TvModel&) = delete;
    TvModel& operator=(const TvModel&) = delete;

    // Configuration.
    void setVendorId(std::uint32_t vendor) { m_vendor = vendor & 0xFFFFFF; }
    std::uint32_t vendorId() const { return m_vendor; }
    // Joins or leaves the bus accordingly.
    void setSpeaksCec(bool speaks);
    bool speaksCec() const { return m_speaksCec; }
    void setCableConnected(bool connected);
    bool cableConnected() const { return m_cableConnected; }
    bool onBus() const;
    void setResponseDelay(std::uint64_t ms) { m_responseDelay = ms; }
    void setOsdName(const std::string& name) { m_osdName = name; }
    void setPcAddress(std::uint16_t address) { m_pcAddress = address; }
    std::uint16_t pcAddress() const { return m_pcAddress; }
    // The EDID shown to the PC: built from the PC's input address, or the one set here
    // (nullopt: built again).
    void setEdidOverride(std::optional<Edid> edid) { m_edidOverride = edid; }
    Edid edid() const;
    // A valid EDID carrying `pcAddress` in its HDMI block.
    static Edid buildEdid(std::uint16_t pcAddress);

    // State.
    Power power() const { return m_power; }
    void setPower(Power power) { m_power = power; }                        // without any frame
    std::optional<std::uint16_t> input() const { return m_input; }         // nullopt: its own tuner
    void setInput(std::optional<std::uint16_t> input) { m_input = input; } // without any frame
    bool showsPc() const { return m_power == Power::On && m_input == m_pcAddress; }
    std::optional<std::uint16_t> activeSource() const { return m_activeSource; }
    std::uint8_t pcLogicalAddress() const { return m_pcLogical; }
    std::optional<std::uint8_t> lastMenuState() const { return m_menuState; }
    // The OSD name a device announced with <Set OSD Name>.
    std::optional<std::string> osdNameOf(std::uint8_t logicalAddress) const;
    std::optional<std::string> pcOsdName() const { return osdNameOf(m_pcLogical); }
    std::optional<std::uint8_t> enhancedMode() const { return m_enhancedMode; }
    struct Abort {
        std::uint8_t from = 0;
        std::uint8_t opcode = 0;
        std::uint8_t reason = 0;
    };
    const std::vector<Abort>& featureAborts() const { return m_aborts; }
    const std::vector<Received>& received() const { return m_received; }
    // Forgets what was recorded so far, so that a long run keeps its memory flat; the state stays.
    void clearRecords() {
        m_received.clear();
        m_aborts.clear();
    }
    // Received frames with this opcode.
    std::vector<CecFrame> receivedWith(std::uint8_t opcode) const;

    // Scenario actions.
    // Powers on; when its input is an HDMI input, it tells that input with <Set Stream Path>.
    void powerOn();
    // Goes to standby and broadcasts <Standby>.
    void standby();
    // Switches to the PC's input (powering on), by <Set Stream Path> or <Routing Change>.
    void switchToPc(Route route);
    // Switches to another input (0.0.0.0: its own tuner), by either message; <Set Stream Path>
    // to its own tuner is sent as <Routing Change>.
    void switchTo(std::uint16_t address, Route route);
    void sendRoutingInformation(std::optional<std::uint16_t> address = std::nullopt); // the PC's
    void sendMenuRequest(std::uint8_t type);
    void sendRequestActiveSource();
    void sendGiveOsdName();
    void sendPlay(std::uint8_t mode);
    void sendDeckControl(std::uint8_t mode);
    void sendGiveDeckStatus(std::uint8_t request);
    void sendGiveTunerDeviceStatus(std::uint8_t request);
    void sendSelectAnalogueService(std::span<const std::uint8_t> service);
    void sendSelectDigitalService(std::span<const std::uint8_t> service);
    void sendTunerStepIncrement();
    void sendTunerStepDecrement();
    void sendGiveDeviceVendorId();
    // Any frame as it is (1 to 16 bytes; header included).
    void sendRaw(const CecFrame& frame);

    // CecDevice
    std::uint16_t logicalAddresses() const override { return 1; }
    void receive(const CecFrame& frame, std::uint64_t time) override;

private:
    void updateBus();
    void send(const CecFrame& frame);
    void toPc(std::uint8_t opcode, std::initializer_list<std::uint8_t> operands = {});
    void reply(std::uint8_t to, std::uint8_t opcode, std::initializer_list<std::uint8_t> operands = {});
    void learnPc(std::uint8_t initiator, std::uint16_t address);

    CecBus& m_bus;
    std::uint32_t m_vendor;
    bool m_speaksCec = true;
    bool m_cableConnected = false;
    std::uint64_t m_responseDelay = kDefaultResponseDelayMs;
    std::string m_osdName = "TV";
    std::uint16_t m_pcAddress = kDefaultPcAddress;
    std::optional<Edid> m_edidOverride;

    Power m_power = Power::On;
    std::optional<std::uint16_t> m_input;
    std::optional<std::uint16_t> m_activeSource;
    std::uint8_t m_pcLogical = cecaddr::kPlayback1;
    std::optional<std::uint8_t> m_menuState;
    std::map<std::uint8_t, std::string> m_osdNames;
    std::optional<std::uint8_t> m_enhancedMode;
    std::vector<Abort> m_aborts;
    std::vector<Received> m_received;

    ScheduledActions m_actions; // last: cancelled first
};

} // namespace sim
