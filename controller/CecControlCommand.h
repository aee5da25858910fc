// Commands of the embedded CEC controller (physical address, logical device types, operation
// mode, supported features, on-screen name, certification status query) and the decoding of
// its replies. Commands are asynchronous: the controller signals a response event and the
// matching reply operation reads it. Constructed on the stack around the controller's channel.
// Portable.
#pragma once

#include "common/HardIO.h"
#include "common/Trace.h"
#include "controller/CecCertificationStatus.h"

#include <cstdint>

namespace cecc {

// Command codes, and the command words (code + payload length x 256) the controller awaits.
inline constexpr std::uint8_t kNotifyPhysicalAddress = 0x30;
inline constexpr std::uint8_t kQueryCertificationStatus = 0x31;
inline constexpr std::uint8_t kSetOperationMode = 0x07;
inline constexpr std::uint8_t kSetSupportFeature = 0x0A;
inline constexpr std::uint8_t kSetLogicDevice = 0x04;
inline constexpr std::uint8_t kSetOsdName = 0x40;
inline constexpr std::uint32_t kWordNotifyPhysicalAddress = 0x230;
inline constexpr std::uint32_t kWordQueryCertificationStatus = 0x31;
inline constexpr std::uint32_t kWordSetOperationMode = 0x107;
inline constexpr std::uint32_t kWordGetOperationMode = 0x08;
inline constexpr std::uint32_t kWordSetSupportFeature = 0x10A;
inline constexpr std::uint32_t kWordGetSupportFeature = 0x0B;
inline constexpr std::uint32_t kWordGetFirmwareVersion = 0x02;

// Reply codes and lengths.
inline constexpr std::uint8_t kReplyCertificationStatus = 0x32;
inline constexpr std::uint8_t kReplyCertificationStatusLength = 5;
inline constexpr std::uint8_t kReplyOperationMode = 0x09;
inline constexpr std::uint8_t kReplyFirmwareVersion = 0x03;
inline constexpr std::uint8_t kReplySupportFeature = 0x0C;
inline constexpr std::uint8_t kNotifyStatusChange = 0x90;

// Mask bits added by the controller.
inline constexpr std::uint8_t kLogicDeviceTuner = 0x04;
inline constexpr std::uint8_t kSupportFeatureTuner = 0x08;

inline constexpr std::size_t kOsdNameBytes = 14;

} // namespace cecc

class CecControlCommand {
public:
    static constexpr int kSuccess = 0;
    static constexpr int kBusy = 1;
    static constexpr int kFailed = -1;
    static constexpr int kDifferentReply = -2;
    static constexpr int kWrongReplyLength = -3;
    static constexpr int kInvalidParameters = -99;

    explicit CecControlCommand(HardIO* hardIO);
    CecControlCommand(const CecControlCommand&) = delete;
    CecControlCommand& operator=(const CecControlCommand&) = delete;
    virtual ~CecControlCommand();

    // Write commands: 0 accepted, 1 busy, -1 failed, -99 no channel.
    int notifyPhysicalAddress(std::uint8_t first, std::uint8_t second);
    int queryCECCertificationStatus();
    int setOperationMode(std::uint8_t mode);
    int setSupportFeature(std::uint8_t mask);
    int setLogicDevice(std::uint8_t mask);
    int setOsdName(const std::uint8_t (&name)[cecc::kOsdNameBytes]);

    // Reply operations: 0 decoded, -1 failed, -2 another reply code, -3 wrong length.
    // Outputs are written only when the result is 0.
    int replyCECCertificationStatus(CecCertificationStatus& status);
    int replyOperationMode(std::uint8_t& mode);
    int replyCECCFWVersion(std::uint8_t (&version)[3]);
    int repleySupportFeature(std::uint8_t& feature);
    int notifyCECCertificationStatusChange(CecCertificationStatus& status);

private:
    struct Reply {
        std::uint32_t w3 = 0;
        std::uint32_t w4 = 0;
    };
    int writeCommand(const TraceScope& scope, std::uint32_t commandWord, const std::uint8_t* payload,
                     std::size_t length, bool plainInvokeError);
    int readReply(const TraceScope& scope, std::uint32_t selector, std::uint8_t code, std::uint8_t length,
                  Reply& reply, bool plainInvokeError);
    static void decodeStatusBits(std::uint32_t w3, CecCertificationStatus& status);

    HardIO* m_pHardIO;
};
