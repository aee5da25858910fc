// The main window's CEC message handling: fetches the frame the TV sent, dispatches on its
// opcode and answers as a playback device, moving the active-source state and the outputs.
// Portable.
#include "controller/SentrixdDlg.h"

#include "common/Trace.h"
#include "controller/CecMessage.h"

#include <cstring>

#define DLG_SCOPE(name) TRACE_SCOPE(TraceModule::Sentrixd, name)

namespace {

constexpr std::size_t kReceiveBuffer = 32;
constexpr std::uint32_t kMenuStatusDelayMs = 500;
constexpr std::uint32_t kMaxMenuRequestActiveSource = 3;
constexpr std::uint8_t kFixedMenuStatusHeader = 0x40;

// Application commands posted for deck and tuner requests.
constexpr std::uint32_t kAppCommandMediaPlay = 46;
constexpr std::uint32_t kAppCommandMediaPause = 47;
constexpr std::uint32_t kAppCommandMediaFastForward = 49;
constexpr std::uint32_t kAppCommandMediaRewind = 50;
constexpr std::uint32_t kAppCommandMediaStop = 13;
constexpr std::uint32_t kAppCommandChannelUp = 51;
constexpr std::uint32_t kAppCommandChannelDown = 52;

// Operand values of deck and tuner requests.
constexpr std::uint8_t kPlayForward = 0x24;
constexpr std::uint8_t kPlayStill = 0x25;
constexpr std::uint8_t kDeckSkipForward = 0x01;
constexpr std::uint8_t kDeckSkipReverse = 0x02;
constexpr std::uint8_t kDeckStop = 0x03;
constexpr std::uint8_t kStatusOn = 0x01;
constexpr std::uint8_t kStatusOff = 0x02;
constexpr std::uint8_t kStatusOnce = 0x03;

bool fromUnregistered(const std::uint8_t* m) {
    return (m[0] >> 4) == 0xF;
}
bool directlyAddressed(const std::uint8_t* m) {
    return (m[0] & 0xF) != 0xF;
}

} // namespace

const CSentrixdDlg::ReceivedOpcode* CSentrixdDlg::receivedOpcode(std::uint8_t opcode) {
    // Frames shorter than an opcode needs are dropped rather than read with whatever an
    // earlier frame left in the buffer.
    static const ReceivedOpcode kTable[] = {
        {cec::kTunerStepIncrement, 2, L"Tuner Step Increment",
         [](CSentrixdDlg& d, const std::uint8_t*) { d.onTunerStepIncrement(); }},
        {cec::kTunerStepDecrement, 2, L"Tuner Step Decrement",
         [](CSentrixdDlg& d, const std::uint8_t*) { d.onTunerStepDecrement(); }},
        {cec::kGiveTunerDeviceStatus, 3, L"Give Tuner Device Status",
         [](CSentrixdDlg& d, const std::uint8_t* m) { d.onGiveTunerDeviceStatus(m); }},
        {cec::kGiveDeckStatus, 3, L"Give Deck Status",
         [](CSentrixdDlg& d, const std::uint8_t* m) { d.onGiveDeckStatus(m); }},
        {cec::kStandby, 2, L"Standby", [](CSentrixdDlg& d, const std::uint8_t*) { d.onStandby(); }},
        {cec::kPlay, 3, L"Play", [](CSentrixdDlg& d, const std::uint8_t* m) { d.onPlay(m); }},
        {cec::kDeckControl, 3, L"Deck Control",
         [](CSentrixdDlg& d, const std::uint8_t* m) { d.onDeckControl(m); }},
        {cec::kGiveOsdName, 2, L"Get OSD Name",
         [](CSentrixdDlg& d, const std::uint8_t* m) { d.onGiveOsdName(m); }},
        {cec::kRoutingChange, 6, L"Routing Change",
         [](CSentrixdDlg& d, const std::uint8_t* m) { d.onRoutingChange(m); }},
        {cec::kRoutingInformation, 4, L"Routing Information",
         [](CSentrixdDlg& d, const std::uint8_t* m) { d.onRoutingInformation(m); }},
        {cec::kActiveSource, 4, L"Active Source",
         [](CSentrixdDlg& d, const std::uint8_t* m) { d.onActiveSource(m); }},
        {cec::kRequestActiveSource, 2, L"Request Active Source",
         [](CSentrixdDlg& d, const std::uint8_t*) { d.onRequestActiveSource(); }},
        {cec::kSetStreamPath, 4, L"Set Stream Path",
         [](CSentrixdDlg& d, const std::uint8_t* m) {
             d.cancelDisplayOff();
             d.onSetStreamPath(m, 1);
         }},
        {cec::kDeviceVendorId, 5, L"Device Vendor ID",
         [](CSentrixdDlg& d, const std::uint8_t* m) { d.onDeviceVendorID(m); }},
        {cec::kMenuRequest, 2, L"Menu Request",
         [](CSentrixdDlg& d, const std::uint8_t* m) { d.onMenuRequest(m); }},
        {cec::kSelectAnalogueService, 2, L"Select Analogue Service",
         [](CSentrixdDlg& d, const std::uint8_t* m) { d.onSelectAnalogueService(m); }},
        {cec::kSelectDigitalService, 2, L"Select Digital Service",
         [](CSentrixdDlg& d, const std::uint8_t* m) { d.onSelectDigitalService(m); }},
    };
    for (const ReceivedOpcode& entry : kTable) {
        if (entry.opcode == opcode) {
            return &entry;
        }
    }
    return nullptr;
}

int CSentrixdDlg::handleCecMessage() {
    DLG_SCOPE("CSentrixdDlg::handleCecMessage");
    std::uint8_t buffer[kReceiveBuffer] = {};
    std::uint8_t frame[cec::kFrameBytes] = {};
    int length = 0;
    CecMessage message(&m_hardIO, m_ports.clock);
    const int result = message.getResponse(frame, length);
    if (result != 0) {
        TRACE_ERROR(L"ERROR CecMessage::getResponse():0x%08x", static_cast<unsigned>(result));
        return 0;
    }
    if (length < 0 || length > static_cast<int>(cec::kFrameBytes)) {
        TRACE_ERROR(L"ERROR Invalid message length : 0x%x", static_cast<unsigned>(length));
        return 1;
    }
    // Only the bytes the frame has count; the rest of the buffer stays zero.
    std::memcpy(buffer, frame, static_cast<std::size_t>(length));
    const std::uint8_t opcode = buffer[1];
    const ReceivedOpcode* entry = length >= 2 ? receivedOpcode(opcode) : nullptr;
    if (entry == nullptr) {
        TRACE_MSG(L"Received Other: data=%02x %02x %02x %02x, size=0x%x", opcode, buffer[2], buffer[3],
                  buffer[4], static_cast<unsigned>(length));
        return 1;
    }
    if (length < entry->minLength) {
        TRACE_ERROR(L"ERROR Invalid message length : 0x%x", static_cast<unsigned>(length));
        return 1;
    }
    TRACE_MSG(L"Received:%ls", entry->trace);
    entry->handle(*this, buffer);
    return 1;
}

void CSentrixdDlg::onActiveSource(const std::uint8_t* m) {
    DLG_SCOPE("CSentrixdDlg::onActiveSource");
    if (m == nullptr) {
        TRACE_ERROR(L"ERROR Invalid Parameters");
        return;
    }
    if (fromUnregistered(m)) {
        TRACE_ERROR(L"ERROR Illigal Header Block : 0x%02x", m[0]);
        return;
    }
    if (!m_cecCertStatus.physicalAddressKnown()) {
        TRACE_ERROR(L"ERROR Physical Address Unknown");
        return;
    }
    TRACE_MSG(L"onActiveSource: %02x %02x %02x %02x", m[0], m[1], m[2], m[3]);
    if (!isOwnAddress(m[2], m[3])) {
        selectDisplayOutput(monitor::kPanel);
        setActiveSource(INACTIVE);
    }
}

void CSentrixdDlg::onSetStreamPath(const std::uint8_t* m, int announce) {
    DLG_SCOPE("CSentrixdDlg::onSetStreamPath");
    if (m == nullptr) {
        TRACE_ERROR(L"ERROR Invalid Parameters");
        return;
    }
    if (!m_cecCertStatus.physicalAddressKnown()) {
        TRACE_ERROR(L"ERROR Physical Address Unknown");
        return;
    }
    if (!isOwnAddress(m[2], m[3])) {
        TRACE_ERROR(L"ERROR Invalid Physical Address");
        return;
    }
    TRACE_MSG(L"onSetStreamPath: %02x %02x %02x %02x", m[0], m[1], m[2], m[3]);
    if (announce == 1) {
        CecMessage message(&m_hardIO, m_ports.clock);
        TRACE_MSG(L"Call activeSource()");
        const int sent =
            message.activeSource(m_cecCertStatus.physicalAddressHigh, m_cecCertStatus.physicalAddressLow,
                                 ownHeader(cec::kBroadcastAddress));
        if (sent != 0) {
            TRACE_ERROR(L"ERROR CecMessage::activeSource():0x%08x", static_cast<unsigned>(sent));
            return;
        }
        m_ports.clock.sleep(kMenuStatusDelayMs);
        TRACE_MSG(L"Call menuStatus()");
        const int status = message.menuStatus(0, kFixedMenuStatusHeader);
        if (status != 0) {
            TRACE_ERROR(L"ERROR CecMessage::menuStatus():0x%08x", static_cast<unsigned>(status));
        }
    }
    selectDisplayOutput(monitor::kHdmi);
    setActiveSource(ACTIVE);
}

void CSentrixdDlg::streamToOwnAddress(int announce) {
    const std::uint8_t local[4] = {0, 0, m_cecCertStatus.physicalAddressHigh,
                                   m_cecCertStatus.physicalAddressLow};
    onSetStreamPath(local, announce);
}

void CSentrixdDlg::onRoutingChange(const std::uint8_t* m) {
    DLG_SCOPE("CSentrixdDlg::onRoutingChange");
    if (m == nullptr) {
        TRACE_ERROR(L"ERROR Invalid Parameters");
        return;
    }
    if (!m_cecCertStatus.physicalAddressKnown()) {
        TRACE_ERROR(L"ERROR Physical Address Unknown");
        return;
    }
    TRACE_MSG(L"onRoutingChange: %02x %02x %02x%02x %02x%02x", m[0], m[1], m[2], m[3], m[4], m[5]);
    if (isOwnAddress(m[4], m[5])) {
        TRACE_MSG(L"Issue SetStreamPath");
        cancelDisplayOff();
        streamToOwnAddress(m_dwLauncherShowMode == 1 ? 1 : 0);
    } else if (m[2] == m_cecCertStatus.physicalAddressHigh && m[4] != m_cecCertStatus.physicalAddressHigh) {
        selectDisplayOutput(monitor::kPanel);
        setActiveSource(INACTIVE);
    }
}

void CSentrixdDlg::onRoutingInformation(const std::uint8_t* m) {
    DLG_SCOPE("CSentrixdDlg::onRoutingInformation");
    if (m == nullptr) {
        TRACE_ERROR(L"ERROR Invalid Parameters");
        return;
    }
    if (!m_cecCertStatus.physicalAddressKnown()) {
        TRACE_ERROR(L"ERROR Physical Address Unknown");
        return;
    }
    TRACE_MSG(L"onRoutingInformation: %02x %02x %02x%02x", m[0], m[1], m[2], m[3]);
    if (isOwnAddress(m[2], m[3])) {
        TRACE_MSG(L"Issue SetStreamPath");
        streamToOwnAddress(m_dwLauncherShowMode == 1 ? 1 : 0);
    }
}

void CSentrixdDlg::onGiveOsdName(const std::uint8_t* m) {
    DLG_SCOPE("CSentrixdDlg::onGiveOsdName");
    if (m == nullptr) {
        TRACE_ERROR(L"ERROR Invalid Parameters");
        return;
    }
    if (m_cecCertStatus.logicalAddress == CecCertificationStatus::kNoLogicalAddress) {
        TRACE_ERROR(L"ERROR Logical Address Unknown");
        return;
    }
    if (!directlyAddressed(m) || fromUnregistered(m)) {
        TRACE_ERROR(L"ERROR Illigal Header Block : 0x%02x", m[0]);
        return;
    }
    CecMessage message(&m_hardIO, m_ports.clock);
    const auto* name = reinterpret_cast<const std::uint8_t*>(cec::kModelFamilyName);
    const int sent = message.setOsdName(name, static_cast<std::uint8_t>(cec::kModelFamilyNameLength),
                                        ownHeader(static_cast<std::uint8_t>(m[0] >> 4)));
    TRACE_MSG(L"setOsdName():return=%d", sent);
}

void CSentrixdDlg::onRequestActiveSource() {
    DLG_SCOPE("CSentrixdDlg::onRequestActiveSource");
    if (!m_bActiveSource) {
        TRACE_ERROR(L"ERROR PC is not active source");
        return;
    }
    if (!m_cecCertStatus.physicalAddressKnown()) {
        TRACE_ERROR(L"ERROR Physical Address Unknown");
        return;
    }
    CecMessage message(&m_hardIO, m_ports.clock);
    TRACE_MSG(L"Call activeSource()");
    message.activeSource(m_cecCertStatus.physicalAddressHigh, m_cecCertStatus.physicalAddressLow,
                         ownHeader(cec::kBroadcastAddress));
    m_ports.clock.sleep(kMenuStatusDelayMs);
    TRACE_MSG(L"Call menuStatus()");
    sendMenuStatus(traceScope_, message, ownHeader(cec::kTvAddress));
}

int CSentrixdDlg::sendMenuStatus(const TraceScope& traceScope_, CecMessage& message, std::uint8_t header) {
    return sendWhileBusy(m_ports.clock, kMenuStatusRetry, CecMessage::kBusy, [&](int attempt) {
        if (attempt != 0) {
            TRACE_MSG(L"menuStatus() Retry");
        }
        return message.menuStatus(0, header);
    });
}

void CSentrixdDlg::onStandby() {
    DLG_SCOPE("CSentrixdDlg::onStandby");
    selectDisplayOutput(monitor::kPanel);
    setActiveSource(INACTIVE);
}

void CSentrixdDlg::onMenuRequest(const std::uint8_t* m) {
    DLG_SCOPE("CSentrixdDlg::onMenuRequest");
    if (m == nullptr) {
        TRACE_ERROR(L"ERROR Invalid Parameters");
        return;
    }
    if (!directlyAddressed(m)) {
        TRACE_MSG(L"Illigal Header Block : 0x%02x", m[0]);
        return;
    }
    const std::uint8_t initiator = m[0] >> 4;
    TRACE_MSG(L"Receive MenuRequest: initiator=%02x, destination=%02x", initiator, m[0] & 0xF);
    const std::uint8_t reply = initiator == 0xF ? ownHeader(cec::kTvAddress) : ownHeader(initiator);
    TRACE_MSG(L"Send MenuStatus: initiatorID=%02x", reply);
    CecMessage message(&m_hardIO, m_ports.clock);
    if (m_nMenuRequestActiveSource < kMaxMenuRequestActiveSource) {
        TRACE_MSG(L"Call activeSource()");
        message.activeSource(m_cecCertStatus.physicalAddressHigh, m_cecCertStatus.physicalAddressLow,
                             ownHeader(cec::kBroadcastAddress));
        ++m_nMenuRequestActiveSource;
    }
    m_ports.clock.sleep(kMenuStatusDelayMs);
    TRACE_MSG(L"Call menuStatus()");
    sendMenuStatus(traceScope_, message, reply);
}

namespace {

// Texts of a status request (deck or tuner) and the opcode a refusal names.
struct StatusTexts {
    const wchar_t* on;
    const wchar_t* off;
    const wchar_t* once;
    const wchar_t* invalid;
    std::uint8_t opcode;
};

// Answers a status request as a device that has no deck or tuner to report.
void answerStatusRequest(const TraceScope& traceScope_, CecMessage& message, std::uint8_t header,
                         std::uint8_t request, const StatusTexts& texts) {
    switch (request) {
    case kStatusOn:
    case kStatusOnce:
        TRACE_MSG(L"%ls", request == kStatusOn ? texts.on : texts.once);
        message.featureAbort(texts.opcode, cec::kAbortNotInCorrectMode, header);
        TRACE_MSG(L"Return <Feature Abort>:Not in correct mode to respond");
        break;
    case kStatusOff:
        TRACE_MSG(L"%ls", texts.off);
        break;
    default:
        TRACE_MSG(L"%ls", texts.invalid);
        message.featureAbort(texts.opcode, cec::kAbortInvalidOperand, header);
        TRACE_MSG(L"Return <Feature Abort>:Invalid operand");
        break;
    }
}

} // namespace

void CSentrixdDlg::onGiveDeckStatus(const std::uint8_t* m) {
    DLG_SCOPE("CSentrixdDlg::onGiveDeckStatus");
    if (m == nullptr) {
        TRACE_ERROR(L"ERROR Invalid Parameters");
        return;
    }
    CecMessage message(&m_hardIO, m_ports.clock);
    answerStatusRequest(traceScope_, message, ownHeader(cec::kTvAddress), m[2],
                        {L"Received <Give Deck Status>:On", L"Received <Give Deck Status>:Off",
                         L"Received <Give Deck Status>:Once", L"Received <Give Deck Status>:Invalid operand",
                         cec::kGiveDeckStatus});
}

void CSentrixdDlg::onGiveTunerDeviceStatus(const std::uint8_t* m) {
    DLG_SCOPE("CSentrixdDlg::onGiveTunerDeviceStatus");
    if (m == nullptr) {
        TRACE_ERROR(L"ERROR Invalid Parameters");
        return;
    }
    CecMessage message(&m_hardIO, m_ports.clock);
    answerStatusRequest(
        traceScope_, message, ownHeader(cec::kTvAddress), m[2],
        {L"Received <Give Tuner Device Status>:On", L"Received <Give Tuner Device Status>:Off",
         L"Received <Give Tuner Device Status>:Once", L"Received <Give Tuner Device Status>:Invalid operand",
         cec::kGiveTunerDeviceStatus});
}

void CSentrixdDlg::onPlay(const std::uint8_t* m) {
    DLG_SCOPE("CSentrixdDlg::onPlay");
    if (m == nullptr) {
        TRACE_ERROR(L"ERROR Invalid Parameters");
        return;
    }
    if (!directlyAddressed(m) || fromUnregistered(m)) {
        TRACE_MSG(L"Illigal Header Block : 0x%02x", m[0]);
        return;
    }
    if (m[2] == kPlayForward) {
        TRACE_MSG(L"Received <Play>:Play Forward");
        postAppCommand(kAppCommandMediaPlay);
    } else if (m[2] == kPlayStill) {
        TRACE_MSG(L"Received <Play>:Play Still");
        postAppCommand(kAppCommandMediaPause);
    } else {
        TRACE_MSG(L"Received <Play>:Not Support");
    }
}

void CSentrixdDlg::onDeckControl(const std::uint8_t* m) {
    DLG_SCOPE("CSentrixdDlg::onDeckControl");
    if (m == nullptr) {
        TRACE_ERROR(L"ERROR Invalid Parameters");
        return;
    }
    if (!directlyAddressed(m) || fromUnregistered(m)) {
        TRACE_MSG(L"Illigal Header Block : 0x%02x", m[0]);
        return;
    }
    switch (m[2]) {
    case kDeckSkipForward:
        TRACE_MSG(L"Received <Deck Control>:Skip Forward/Wind");
        postAppCommand(kAppCommandMediaFastForward);
        break;
    case kDeckSkipReverse:
        TRACE_MSG(L"Received <Deck Control>:Skip Reverse/Rewind");
        postAppCommand(kAppCommandMediaRewind);
        break;
    case kDeckStop:
        TRACE_MSG(L"Received <Deck Control>:Stop");
        postAppCommand(kAppCommandMediaStop);
        break;
    default:
        TRACE_MSG(L"Received <Deck Control>:Not Support");
        break;
    }
}

void CSentrixdDlg::onSelectAnalogueService(const std::uint8_t* m) {
    DLG_SCOPE("CSentrixdDlg::onSelectAnalogueService");
    if (m == nullptr) {
        TRACE_ERROR(L"ERROR Invalid Parameters");
        return;
    }
    TRACE_MSG(L"Received <Select Analogue Service>");
    CecMessage message(&m_hardIO, m_ports.clock);
    message.featureAbort(cec::kSelectAnalogueService, cec::kAbortInvalidOperand, ownHeader(cec::kTvAddress));
    TRACE_MSG(L"Return <Feature Abort>:Invalid Operand");
}

void CSentrixdDlg::onSelectDigitalService(const std::uint8_t* m) {
    DLG_SCOPE("CSentrixdDlg::onSelectDigitalService");
    if (m == nullptr) {
        TRACE_ERROR(L"ERROR Invalid Parameters");
        return;
    }
    TRACE_MSG(L"Received <Select Digital Service>");
    CecMessage message(&m_hardIO, m_ports.clock);
    message.featureAbort(cec::kSelectDigitalService, cec::kAbortInvalidOperand, ownHeader(cec::kTvAddress));
    TRACE_MSG(L"Return <Feature Abort>:Invalid Operand");
}

void CSentrixdDlg::onTunerStepIncrement() {
    DLG_SCOPE("CSentrixdDlg::onTunerStepIncrement");
    TRACE_MSG(L"Received <Tuner Step Increment>");
    postAppCommand(kAppCommandChannelUp);
}

void CSentrixdDlg::onTunerStepDecrement() {
    DLG_SCOPE("CSentrixdDlg::onTunerStepDecrement");
    TRACE_MSG(L"Received <Tuner Step Decrement>");
    postAppCommand(kAppCommandChannelDown);
}

void CSentrixdDlg::onDeviceVendorID(const std::uint8_t* m) {
    DLG_SCOPE("CSentrixdDlg::onDeviceVendorID");
    if (m == nullptr) {
        TRACE_ERROR(L"ERROR Invalid Parameters");
        return;
    }
    TRACE_MSG(L"Received <Device Vendor ID>");
    TRACE_MSG(L"Vendor ID = %02x %02x %02x", m[2], m[3], m[4]);
    m_dwVendorID = (static_cast<std::uint32_t>(m[2]) << 16) | (static_cast<std::uint32_t>(m[3]) << 8) | m[4];
    TRACE_MSG(L"m_dwVendorID = %06x", m_dwVendorID);
}
