// Commands of the embedded CEC controller. Portable.
#include "controller/CecControlCommand.h"

#include "common/Trace.h"

#include <algorithm>

#define CECC_SCOPE(name) TRACE_SCOPE(TraceModule::Sentrixd, name)

namespace {
// Logical addresses the controller may use, in the order they are looked for.
constexpr std::uint8_t kCandidateAddresses[] = {4, 8, 11};
} // namespace

CecControlCommand::CecControlCommand(HardIO* hardIO) : m_pHardIO(hardIO) {}

CecControlCommand::~CecControlCommand() = default;

int CecControlCommand::writeCommand(const TraceScope& traceScope_, std::uint32_t commandWord,
                                    const std::uint8_t* payload, std::size_t length, bool plainInvokeError) {
    if (m_pHardIO == nullptr) {
        TRACE_ERROR(L"ERROR Invalid Parameters");
        return kInvalidParameters;
    }
    FirmwareRecord request;
    request.w0 = fw::kWriteRegister;
    request.w1 = fw::kRegisterCeccCommand;
    request.w2 = commandWord;
    // Payload bytes 0 to 11 in W3 to W5; bytes 12 and 13 in the upper half of W2.
    constexpr std::size_t kInDataWords = FirmwareRecord::dataBytesFrom(FirmwareRecord::kDataWord);
    request.putBytes(FirmwareRecord::kDataWord, payload, std::min(length, kInDataWords));
    for (std::size_t i = kInDataWords; i < length && i < cecc::kOsdNameBytes; ++i) {
        request.w2 |= static_cast<std::uint32_t>(payload[i]) << (8 * (i - kInDataWords + 2));
    }
    FirmwareRecord reply;
    if (!m_pHardIO->invoke(request, reply)) {
        TRACE_ERROR(plainInvokeError ? L"ERROR HardIO::invoke()" : L"ERROR HardIO::invoke():CEC_ERROR");
        return kFailed;
    }
    if (fw::statusBusy(reply.w0)) {
        TRACE_ERROR(L"ERROR HardIO::invoke():CEC_BUSY");
        return kBusy;
    }
    return kSuccess;
}

int CecControlCommand::readReply(const TraceScope& traceScope_, std::uint32_t selector, std::uint8_t code,
                                 std::uint8_t length, Reply& out, bool plainInvokeError) {
    if (m_pHardIO == nullptr) {
        TRACE_ERROR(L"ERROR Invalid Parameters");
        return kInvalidParameters;
    }
    FirmwareRecord request;
    request.w0 = fw::kReadRegister;
    request.w1 = fw::kRegisterCecc;
    request.w2 = selector;
    FirmwareRecord reply;
    if (!m_pHardIO->invoke(request, reply)) {
        TRACE_ERROR(plainInvokeError ? L"ERROR HardIO::invoke()" : L"ERROR HardIO::invoke():CEC_ERROR");
        return kFailed;
    }
    if ((reply.w2 & 0xFF) != code) {
        TRACE_ERROR(L"ERROR HardIO::invoke():CEC_DIFFERENT_COMMAND_REPLY");
        return kDifferentReply;
    }
    if (((reply.w2 >> 8) & 0xFF) != length) {
        TRACE_ERROR(L"ERROR HardIO::invoke():CEC_WRONG_RESPONSE_BYTES");
        return kWrongReplyLength;
    }
    out.w3 = reply.w3;
    out.w4 = reply.w4;
    return kSuccess;
}

int CecControlCommand::notifyPhysicalAddress(std::uint8_t first, std::uint8_t second) {
    CECC_SCOPE("CecControlCommand::notifyPhysicalAddress");
    const std::uint8_t payload[2] = {first, second};
    return writeCommand(traceScope_, cecc::kWordNotifyPhysicalAddress, payload, 2, true);
}

int CecControlCommand::queryCECCertificationStatus() {
    CECC_SCOPE("CecControlCommand::queryCECCertificationStatus");
    return writeCommand(traceScope_, cecc::kWordQueryCertificationStatus, nullptr, 0, true);
}

int CecControlCommand::setOperationMode(std::uint8_t mode) {
    CECC_SCOPE("CecControlCommand::setOperationMode");
    return writeCommand(traceScope_, cecc::kWordSetOperationMode, &mode, 1, true);
}

int CecControlCommand::setSupportFeature(std::uint8_t mask) {
    CECC_SCOPE("CecControlCommand::setSupportFeature");
    return writeCommand(traceScope_, cecc::kWordSetSupportFeature, &mask, 1, false);
}

int CecControlCommand::setLogicDevice(std::uint8_t mask) {
    CECC_SCOPE("CecControlCommand::setLogicDevice");
    return writeCommand(traceScope_, 0x100u | cecc::kSetLogicDevice, &mask, 1, false);
}

int CecControlCommand::setOsdName(const std::uint8_t (&name)[cecc::kOsdNameBytes]) {
    CECC_SCOPE("CecControlCommand::setOsdName");
    return writeCommand(traceScope_, (cecc::kOsdNameBytes << 8) | cecc::kSetOsdName, name,
                        cecc::kOsdNameBytes, false);
}

void CecControlCommand::decodeStatusBits(std::uint32_t w3, CecCertificationStatus& status) {
    status.statusBit0 = static_cast<std::uint8_t>(w3 & 0x01);
    status.certificatedKorvath = static_cast<std::uint8_t>((w3 >> 1) & 0x01);
    status.statusBit4 = static_cast<std::uint8_t>((w3 >> 4) & 0x01);
    status.statusBit5 = static_cast<std::uint8_t>((w3 >> 5) & 0x01);
}

int CecControlCommand::replyCECCertificationStatus(CecCertificationStatus& status) {
    CECC_SCOPE("CecControlCommand::replyCECCertificationStatus");
    Reply reply;
    const int result = readReply(traceScope_, fw::kSelectorCeccReply, cecc::kReplyCertificationStatus,
                                 cecc::kReplyCertificationStatusLength, reply, true);
    if (result != kSuccess) {
        return result;
    }
    decodeStatusBits(reply.w3, status);
    status.physicalAddressHigh = static_cast<std::uint8_t>(reply.w3 >> 8);
    status.physicalAddressLow = static_cast<std::uint8_t>(reply.w3 >> 16);
    for (int n = 0; n < 8; ++n) {
        status.logicalAddressFlags[n] = static_cast<std::uint8_t>((reply.w3 >> (24 + n)) & 0x01);
        status.logicalAddressFlags[8 + n] = static_cast<std::uint8_t>((reply.w4 >> n) & 0x01);
    }
    for (std::uint8_t candidate : kCandidateAddresses) {
        if (status.logicalAddressFlags[candidate] != 0) {
            status.logicalAddress = candidate;
            break;
        }
    }
    return kSuccess;
}

int CecControlCommand::replyOperationMode(std::uint8_t& mode) {
    CECC_SCOPE("CecControlCommand::replyOperationMode");
    Reply reply;
    const int result =
        readReply(traceScope_, fw::kSelectorCeccReply, cecc::kReplyOperationMode, 1, reply, false);
    if (result == kSuccess) {
        mode = static_cast<std::uint8_t>(reply.w3);
    }
    return result;
}

int CecControlCommand::replyCECCFWVersion(std::uint8_t (&version)[3]) {
    CECC_SCOPE("CecControlCommand::replyCECCFWVersion");
    Reply reply;
    const int result =
        readReply(traceScope_, fw::kSelectorCeccReply, cecc::kReplyFirmwareVersion, 3, reply, false);
    if (result == kSuccess) {
        version[0] = static_cast<std::uint8_t>(reply.w3);
        version[1] = static_cast<std::uint8_t>(reply.w3 >> 8);
        version[2] = static_cast<std::uint8_t>(reply.w3 >> 16);
    }
    return result;
}

int CecControlCommand::repleySupportFeature(std::uint8_t& feature) {
    CECC_SCOPE("CecControlCommand::repleySupportFeature");
    Reply reply;
    const int result =
        readReply(traceScope_, fw::kSelectorCeccReply, cecc::kReplySupportFeature, 1, reply, false);
    if (result == kSuccess) {
        feature = static_cast<std::uint8_t>(reply.w3);
    }
    return result;
}

int CecControlCommand::notifyCECCertificationStatusChange(CecCertificationStatus& status) {
    CECC_SCOPE("CecControlCommand::notifyCECCertificationStatusChange");
    Reply reply;
    const int result =
        readReply(traceScope_, fw::kSelectorCeccNotification, cecc::kNotifyStatusChange, 1, reply, false);
    if (result == kSuccess) {
        decodeStatusBits(reply.w3, status);
    }
    return result;
}
