// CEC frames. Portable.
#include "controller/CecMessage.h"

#include "common/Trace.h"
#include "common/Vendor.h"

#include <cstring>

#define CEC_SCOPE(name) TRACE_SCOPE(TraceModule::Sentrixd, name)

namespace {
// Waits before a retry and the number of retries while the CECC reports busy.
constexpr std::uint32_t kShortRetryWaitMs = 400;
constexpr BusyRetry kOnceLater{2000, 1};
constexpr BusyRetry kOnceSoon{kShortRetryWaitMs, 1};
constexpr BusyRetry kActiveSourceRetry{kShortRetryWaitMs, 20};
} // namespace

CecMessage::CecMessage(HardIO* hardIO, platform::Clock& clock) : m_pHardIO(hardIO), m_clock(clock) {}

CecMessage::~CecMessage() = default;

void CecMessage::createData(const std::uint8_t* frame, FirmwareRecord& record) {
    record.putBytes(FirmwareRecord::kFrameWord, frame, cec::kFrameBytes);
}

int CecMessage::invokeCecMessage(const std::uint8_t* frame, int length) {
    CEC_SCOPE("CecMessage::invokeCecMessage");
    if (m_pHardIO == nullptr || frame == nullptr || length < 1 ||
        length > static_cast<int>(cec::kFrameBytes)) {
        TRACE_ERROR(L"ERROR Invalid Parameters");
        return kInvalidParameters;
    }
    FirmwareRecord request;
    request.w0 = fw::kWriteRegister;
    request.w1 = fw::kRegisterCecTransmit | (static_cast<std::uint32_t>(length) << 24);
    createData(frame, request);
    FirmwareRecord reply;
    if (!m_pHardIO->invoke(request, reply)) {
        TRACE_ERROR(L"ERROR HardIO::invoke():CEC_ERROR");
        return kFailed;
    }
    return fw::statusBusy(reply.w0) ? kBusy : kSuccess;
}

int CecMessage::sendWithRetries(const TraceScope& traceScope_, const std::uint8_t (&frame)[cec::kFrameBytes],
                                int length, const RetryPolicy& policy) {
    return sendWhileBusy(m_clock, policy.retry, kBusy, [&](int attempt) {
        if (attempt != 0) {
            TRACE_MSG(L"%ls", policy.retryText);
        }
        return invokeCecMessage(frame, length);
    });
}

int CecMessage::textViewOn(std::uint8_t header) {
    CEC_SCOPE("CecMessage::textViewOn");
    const std::uint8_t frame[cec::kFrameBytes] = {header, cec::kTextViewOn};
    return sendWithRetries(traceScope_, frame, 2, {L"textViewOn() Retry", kOnceLater});
}

int CecMessage::activeSource(std::uint8_t physicalHigh, std::uint8_t physicalLow, std::uint8_t header) {
    CEC_SCOPE("CecMessage::activeSource");
    const std::uint8_t frame[cec::kFrameBytes] = {header, cec::kActiveSource, physicalHigh, physicalLow};
    return sendWithRetries(traceScope_, frame, 4, {L"activeSource() Retry", kActiveSourceRetry});
}

int CecMessage::featureAbort(std::uint8_t abortedOpcode, std::uint8_t reason, std::uint8_t header) {
    CEC_SCOPE("CecMessage::featureAbort");
    const std::uint8_t frame[cec::kFrameBytes] = {header, cec::kFeatureAbort, abortedOpcode, reason};
    return sendWithRetries(traceScope_, frame, 4, {L"featureAbort() Retry", kOnceLater});
}

int CecMessage::setOsdName(const std::uint8_t*, std::uint8_t, std::uint8_t header) {
    CEC_SCOPE("CecMessage::setOsdName");
    std::uint8_t frame[cec::kFrameBytes] = {header, cec::kSetOsdName};
    std::memcpy(frame + 2, cec::kModelFamilyName, cec::kModelFamilyNameLength);
    return sendWithRetries(traceScope_, frame, static_cast<int>(2 + cec::kModelFamilyNameLength),
                           {L"setOsdName() Retry", kOnceLater});
}

int CecMessage::setTvEnhancedMode(std::uint8_t mode, std::uint8_t header) {
    CEC_SCOPE("CecMessage::setTvEnhancedMode");
    const std::uint8_t frame[cec::kFrameBytes] = {header,
                                                  cec::kVendorCommandWithId,
                                                  static_cast<std::uint8_t>(kKorvathVendorId >> 16),
                                                  static_cast<std::uint8_t>(kKorvathVendorId >> 8),
                                                  static_cast<std::uint8_t>(kKorvathVendorId),
                                                  cec::kTvEnhancementCommand,
                                                  mode};
    return sendWithRetries(traceScope_, frame, 7, {L"setTvEnhancedMode() Retry", kOnceLater});
}

int CecMessage::menuStatus(std::uint8_t, std::uint8_t header) {
    CEC_SCOPE("CecMessage::menuStatus");
    const std::uint8_t frame[cec::kFrameBytes] = {header, cec::kMenuStatus, cec::kMenuStateActivated};
    return sendWithRetries(traceScope_, frame, 3, {L"menuStatus() Retry", kOnceLater});
}

int CecMessage::inactiveSource(std::uint8_t physicalHigh, std::uint8_t physicalLow, std::uint8_t header) {
    CEC_SCOPE("CecMessage::inactiveSource");
    const std::uint8_t frame[cec::kFrameBytes] = {header, cec::kInactiveSource, physicalHigh, physicalLow};
    return sendWithRetries(traceScope_, frame, 4, {L"inactiveSource() Retry", kOnceSoon});
}

int CecMessage::giveDeviceVendorID(std::uint8_t header) {
    CEC_SCOPE("CecMessage::giveDeviceVendorID");
    TRACE_MSG(L"execute <Give Device Vendor ID>:initiatorID=%x", header);
    const std::uint8_t frame[cec::kFrameBytes] = {header, cec::kGiveDeviceVendorId};
    const int first = invokeCecMessage(frame, 2);
    if (first == kSuccess) {
        TRACE_MSG(L"SUCCESS onGiveDeviceVendorID()");
        return first;
    }
    if (first != kBusy) {
        return first;
    }
    m_clock.sleep(kShortRetryWaitMs);
    TRACE_MSG(L"giveDeviceVendorID() Retry");
    return invokeCecMessage(frame, 2);
}

int CecMessage::getResponse(std::uint8_t (&frame)[cec::kFrameBytes], int& length) {
    CEC_SCOPE("CecMessage::getResponse");
    if (m_pHardIO == nullptr) {
        TRACE_ERROR(L"ERROR Invalid Parameters");
        return kInvalidParameters;
    }
    FirmwareRecord request;
    request.w0 = fw::kReadRegister;
    request.w1 = fw::kRegisterCecc;
    request.w2 = fw::kSelectorCecFrame;
    FirmwareRecord reply;
    if (!m_pHardIO->invoke(request, reply)) {
        TRACE_ERROR(L"ERROR HardIO::invoke():CEC_ERROR");
        return kFailed;
    }
    reply.getBytes(FirmwareRecord::kFrameWord, frame, cec::kFrameBytes);
    length = static_cast<int>(reply.w1 >> 24);
    return kSuccess;
}
