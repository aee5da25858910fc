// The simulated TV. Simulation.
#include "sim/TvModel.h"

#include "common/Vendor.h"

#include <algorithm>
#include <cstring>

namespace sim {
namespace {

constexpr std::uint8_t kTv = cecaddr::kTv;

std::uint8_t hi(std::uint16_t address) {
    return static_cast<std::uint8_t>(address >> 8);
}
std::uint8_t lo(std::uint16_t address) {
    return static_cast<std::uint8_t>(address & 0xFF);
}

// 1920x1080 at 60 Hz, 148.5 MHz, on a 1018 x 573 mm screen.
constexpr std::uint8_t kTiming1080p[18] = {0x02, 0x3A, 0x80, 0x18, 0x71, 0x38, 0x2D, 0x40, 0x58,
                                           0x2C, 0x45, 0x00, 0xFA, 0x3D, 0x32, 0x00, 0x00, 0x1E};

void setChecksum(std::uint8_t* block) {
    std::uint8_t sum = 0;
    for (int i = 0; i < 127; ++i) {
        sum = static_cast<std::uint8_t>(sum + block[i]);
    }
    block[127] = static_cast<std::uint8_t>(0x100 - sum);
}

// A display descriptor of the base block (tag 0xFC name, 0xFD range limits, 0x10 dummy).
void textDescriptor(std::uint8_t* d, std::uint8_t tag, const char* text) {
    d[3] = tag;
    std::size_t i = 0;
    for (; text[i] != '\0' && i < 13; ++i) {
        d[5 + i] = static_cast<std::uint8_t>(text[i]);
    }
    if (i < 13) {
        d[5 + i++] = 0x0A;
    }
    for (; i < 13; ++i) {
        d[5 + i] = 0x20;
    }
}

} // namespace

TvModel::TvModel(VirtualClock& clock, CecBus& bus)
    : m_bus(bus), m_vendor(kKorvathVendorId), m_actions(clock) {}

TvModel::~TvModel() {
    m_actions.cancelAll();
    m_bus.detach(this);
}

TvModel::Edid TvModel::buildEdid(std::uint16_t pcAddress) {
    Edid edid{};
    std::uint8_t* base = edid.data();
    const std::uint8_t header[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    std::memcpy(base, header, sizeof header);
    // Manufacturer "SIM" in three 5-bit letters, big-endian; product 0x7001; serial 1.
    const std::uint16_t maker =
        static_cast<std::uint16_t>(('S' - '@') << 10 | ('I' - '@') << 5 | ('M' - '@'));
    base[8] = hi(maker);
    base[9] = lo(maker);
    base[10] = 0x01;
    base[11] = 0x70;
    base[12] = 0x01;
    base[16] = 10; // week
    base[17] = 35; // 2025
    base[18] = 1;  // EDID 1.3
    base[19] = 3;
    base[20] = 0x80; // digital input
    base[21] = 102;  // cm
    base[22] = 57;
    base[23] = 120;  // gamma 2.2
    base[24] = 0x0A; // RGB colour, preferred timing first
    const std::uint8_t chroma[10] = {0xEE, 0x91, 0xA3, 0x54, 0x4C, 0x99, 0x26, 0x0F, 0x50, 0x54};
    std::memcpy(base + 25, chroma, sizeof chroma);
    base[35] = 0x20; // 640x480 at 60 Hz
    for (int i = 38; i < 54; i += 2) {
        base[i] = 0x01; // unused standard timings
        base[i + 1] = 0x01;
    }
    base[38] = 0xD1; // 1920x1080, 16:9, 60 Hz
    base[39] = 0xC0;
    std::memcpy(base + 54, kTiming1080p, sizeof kTiming1080p);
    std::uint8_t* range = base + 72;
    range[3] = 0xFD;
    const std::uint8_t limits[8] = {0x38, 0x4B, 0x1E, 0x51, 0x11, 0x00, 0x0A, 0x20};
    std::memcpy(range + 5, limits, sizeof limits);
    std::memset(range + 13, 0x20, 5);
    textDescriptor(base + 90, 0xFC, "SIM TV");
    base[108 + 3] = 0x10; // dummy descriptor
    base[126] = 1;        // one extension
    setChecksum(base);

    std::uint8_t* ext = edid.data() + 128;
    ext[0] = 0x02; // CEA-861
    ext[1] = 0x03; // revision 3
    ext[3] = 0x71; // basic audio, YCbCr 4:4:4 and 4:2:2, one native timing
    const std::uint8_t blocks[] = {
        0x43, 0x90, 0x04, 0x03,                               // video: 1080p60 (native), 720p60, 480p60
        0x23, 0x09, 0x07, 0x07,                               // audio: 2-channel LPCM, 32-48 kHz, 16-24 bit
        0x83, 0x01, 0x00, 0x00,                               // speaker allocation: front left/right
        0x65, 0x03, 0x0C, 0x00, hi(pcAddress), lo(pcAddress), // HDMI vendor block with the address
    };
    std::memcpy(ext + 4, blocks, sizeof blocks);
    ext[2] = static_cast<std::uint8_t>(4 + sizeof blocks); // detailed timings follow the blocks
    std::memcpy(ext + ext[2], kTiming1080p, sizeof kTiming1080p);
    setChecksum(ext);
    return edid;
}

TvModel::Edid TvModel::edid() const {
    return m_edidOverride ? *m_edidOverride : buildEdid(m_pcAddress);
}

bool TvModel::onBus() const {
    return m_bus.isAttached(this);
}

void TvModel::setSpeaksCec(bool speaks) {
    m_speaksCec = speaks;
    updateBus();
}

void TvModel::setCableConnected(bool connected) {
    m_cableConnected = connected;
    updateBus();
}

void TvModel::updateBus() {
    if (m_speaksCec && m_cableConnected) {
        m_bus.attach(this);
    } else {
        m_bus.detach(this);
    }
}

std::vector<CecFrame> TvModel::receivedWith(std::uint8_t opcode) const {
    std::vector<CecFrame> out;
    for (const Received& r : m_received) {
        if (r.frame.opcode() == opcode) {
            out.push_back(r.frame);
        }
    }
    return out;
}

std::optional<std::string> TvModel::osdNameOf(std::uint8_t logicalAddress) const {
    const auto it = m_osdNames.find(logicalAddress);
    return it == m_osdNames.end() ? std::nullopt : std::optional<std::string>(it->second);
}

void TvModel::send(const CecFrame& frame) {
    m_actions.after(m_responseDelay, [this, frame] {
        if (onBus()) {
            m_bus.transmit(frame, this);
        }
    });
}

void TvModel::toPc(std::uint8_t opcode, std::initializer_list<std::uint8_t> operands) {
    send(makeFrame(kTv, m_pcLogical, opcode, operands));
}

void TvModel::reply(std::uint8_t to, std::uint8_t opcode, std::initializer_list<std::uint8_t> operands) {
    send(makeFrame(kTv, to, opcode, operands));
}

void TvModel::powerOn() {
    m_power = Power::On;
    if (m_input) {
        send(makeFrame(kTv, cecaddr::kBroadcast, cecop::kSetStreamPath, {hi(*m_input), lo(*m_input)}));
    }
}

void TvModel::standby() {
    m_power = Power::Standby;
    send(makeFrame(kTv, cecaddr::kBroadcast, cecop::kStandby));
}

void TvModel::switchToPc(Route route) {
    switchTo(m_pcAddress, route);
}

void TvModel::switchTo(std::uint16_t address, Route route) {
    const std::uint16_t from = m_input.value_or(0x0000);
    m_power = Power::On;
    m_input = address == 0x0000 ? std::nullopt : std::optional<std::uint16_t>(address);
    if (route == Route::SetStreamPath && address != 0x0000) {
        send(makeFrame(kTv, cecaddr::kBroadcast, cecop::kSetStreamPath, {hi(address), lo(address)}));
    } else {
        send(makeFrame(kTv, cecaddr::kBroadcast, cecop::kRoutingChange,
                       {hi(from), lo(from), hi(address), lo(address)}));
    }
}

void TvModel::sendRoutingInformation(std::optional<std::uint16_t> address) {
    const std::uint16_t a = address.value_or(m_pcAddress);
    send(makeFrame(kTv, cecaddr::kBroadcast, cecop::kRoutingInformation, {hi(a), lo(a)}));
}

void TvModel::sendMenuRequest(std::uint8_t type) {
    toPc(cecop::kMenuRequest, {type});
}
void TvModel::sendRequestActiveSource() {
    send(makeFrame(kTv, cecaddr::kBroadcast, cecop::kRequestActiveSource));
}
void TvModel::sendGiveOsdName() {
    toPc(cecop::kGiveOsdName);
}
void TvModel::sendPlay(std::uint8_t mode) {
    toPc(cecop::kPlay, {mode});
}
void TvModel::sendDeckControl(std::uint8_t mode) {
    toPc(cecop::kDeckControl, {mode});
}
void TvModel::sendGiveDeckStatus(std::uint8_t request) {
    toPc(cecop::kGiveDeckStatus, {request});
}
void TvModel::sendGiveTunerDeviceStatus(std::uint8_t request) {
    toPc(cecop::kGiveTunerDeviceStatus, {request});
}

void TvModel::sendSelectAnalogueService(std::span<const std::uint8_t> service) {
    send(makeFrame(kTv, m_pcLogical, cecop::kSelectAnalogueService, service));
}

void TvModel::sendSelectDigitalService(std::span<const std::uint8_t> service) {
    send(makeFrame(kTv, m_pcLogical, cecop::kSelectDigitalService, service));
}

void TvModel::sendTunerStepIncrement() {
    toPc(cecop::kTunerStepIncrement);
}
void TvModel::sendTunerStepDecrement() {
    toPc(cecop::kTunerStepDecrement);
}
void TvModel::sendGiveDeviceVendorId() {
    toPc(cecop::kGiveDeviceVendorId);
}

void TvModel::sendRaw(const CecFrame& frame) {
    if (frame.length >= 1 && frame.length <= kCecMaxFrame) {
        send(frame);
    }
}

void TvModel::learnPc(std::uint8_t initiator, std::uint16_t address) {
    if (address == m_pcAddress && initiator != cecaddr::kUnregistered && initiator != kTv) {
        m_pcLogical = initiator;
    }
}

void TvModel::receive(const CecFrame& frame, std::uint64_t time) {
    m_received.push_back(Received{time, frame});
    const std::optional<std::uint8_t> opcode = frame.opcode();
    if (!opcode || cecLayoutFit(frame) == CecLayoutFit::Truncated) {
        return;
    }
    const std::uint8_t from = frame.initiator();
    const bool direct = !frame.isBroadcast();
    switch (*opcode) {
    case cecop::kGiveDeviceVendorId:
        if (direct) {
            reply(cecaddr::kBroadcast, cecop::kDeviceVendorId,
                  {static_cast<std::uint8_t>(m_vendor >> 16), static_cast<std::uint8_t>(m_vendor >> 8),
                   static_cast<std::uint8_t>(m_vendor)});
        }
        break;
    case cecop::kGivePhysicalAddress:
        if (direct) {
            reply(cecaddr::kBroadcast, cecop::kReportPhysicalAddress, {0x00, 0x00, cecval::kDeviceTv});
        }
        break;
    case cecop::kGiveOsdName:
        if (direct) {
            const CecFrame name = makeFrame(
                kTv, from, cecop::kSetOsdName,
                std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(m_osdName.data()),
                                              std::min<std::size_t>(m_osdName.size(), 14)));
            send(name);
        }
        break;
    case cecop::kGetCecVersion:
        if (direct) {
            reply(from, cecop::kCecVersion, {cecval::kCecVersion14});
        }
        break;
    case cecop::kGiveDevicePowerStatus:
        if (direct) {
            reply(from, cecop::kReportPowerStatus,
                  {m_power == Power::On ? cecval::kPowerOn : cecval::kPowerStandby});
        }
        break;
    case cecop::kGetMenuLanguage:
        if (direct) {
            reply(cecaddr::kBroadcast, cecop::kSetMenuLanguage, {'e', 'n', 'g'});
        }
        break;
    case cecop::kTextViewOn:
    case cecop::kImageViewOn:
        m_power = Power::On;
        break;
    case cecop::kActiveSource: {
        const std::uint16_t address = frame.physicalAddressAt(0);
        learnPc(from, address);
        m_activeSource = address;
        if (m_power == Power::On) {
            m_input = address == 0x0000 ? std::nullopt : std::optional<std::uint16_t>(address);
        }
        break;
    }
    case cecop::kInactiveSource: {
        const std::uint16_t address = frame.physicalAddressAt(0);
        learnPc(from, address);
        if (m_activeSource == address) {
            m_activeSource.reset();
        }
        if (m_input == address) {
            m_input.reset(); // the source went away: back to the tuner
        }
        break;
    }
    case cecop::kReportPhysicalAddress:
        learnPc(from, frame.physicalAddressAt(0));
        break;
    case cecop::kStandby:
        m_power = Power::Standby;
        break;
    case cecop::kMenuStatus:
        m_menuState = frame.operand(0);
        break;
    case cecop::kSetOsdName:
        m_osdNames[from] = std::string(frame.bytes.begin() + 2,
                                       frame.bytes.begin() + static_cast<std::ptrdiff_t>(frame.length));
        break;
    case cecop::kFeatureAbort:
        m_aborts.push_back(Abort{from, frame.operand(0), frame.operand(1)});
        break;
    case cecop::kVendorCommandWithId: {
        const std::uint32_t vendor = static_cast<std::uint32_t>(frame.operand(0)) << 16 |
                                     static_cast<std::uint32_t>(frame.operand(1)) << 8 | frame.operand(2);
        if (vendor == m_vendor && frame.operandCount() >= 5 && frame.operand(3) == 0x30) {
            m_enhancedMode = frame.operand(4);
        }
        break;
    }
    default:
        break;
    }
}

} // namespace sim
