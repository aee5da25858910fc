// CEC frames for the embedded CEC controller: builds the frames the controller transmits,
// hands them to the firmware call channel with busy retries, and reads back the last frame
// received. Constructed on the stack around the controller's channel for each exchange.
// Portable.
#pragma once

#include "controller/BusyRetry.h"

#include "common/HardIO.h"
#include "common/Trace.h"
#include "platform/Clock.h"

#include <cstddef>
#include <cstdint>

namespace cec {

inline constexpr std::size_t kFrameBytes = 16;
inline constexpr std::uint8_t kTvAddress = 0;
inline constexpr std::uint8_t kBroadcastAddress = 0xF;
inline constexpr std::uint8_t kUnassignedAddress = 15;

// Opcodes (HDMI-CEC).
inline constexpr std::uint8_t kFeatureAbort = 0x00;
inline constexpr std::uint8_t kTunerStepIncrement = 0x05;
inline constexpr std::uint8_t kTunerStepDecrement = 0x06;
inline constexpr std::uint8_t kGiveTunerDeviceStatus = 0x08;
inline constexpr std::uint8_t kTextViewOn = 0x0D;
inline constexpr std::uint8_t kGiveDeckStatus = 0x1A;
inline constexpr std::uint8_t kStandby = 0x36;
inline constexpr std::uint8_t kPlay = 0x41;
inline constexpr std::uint8_t kDeckControl = 0x42;
inline constexpr std::uint8_t kGiveOsdName = 0x46;
inline constexpr std::uint8_t kSetOsdName = 0x47;
inline constexpr std::uint8_t kRoutingChange = 0x80;
inline constexpr std::uint8_t kRoutingInformation = 0x81;
inline constexpr std::uint8_t kActiveSource = 0x82;
inline constexpr std::uint8_t kRequestActiveSource = 0x85;
inline constexpr std::uint8_t kSetStreamPath = 0x86;
inline constexpr std::uint8_t kDeviceVendorId = 0x87;
inline constexpr std::uint8_t kGiveDeviceVendorId = 0x8C;
inline constexpr std::uint8_t kMenuRequest = 0x8D;
inline constexpr std::uint8_t kMenuStatus = 0x8E;
inline constexpr std::uint8_t kSelectAnalogueService = 0x92;
inline constexpr std::uint8_t kSelectDigitalService = 0x93;
inline constexpr std::uint8_t kInactiveSource = 0x9D;
inline constexpr std::uint8_t kVendorCommandWithId = 0xA0;

// Operand values.
inline constexpr std::uint8_t kMenuStateActivated = 0x00;
inline constexpr std::uint8_t kAbortNotInCorrectMode = 0x01;
inline constexpr std::uint8_t kAbortInvalidOperand = 0x03;
inline constexpr std::uint8_t kTvEnhancementCommand = 0x30; // first byte after the vendor identifier

// The model family name announced as the on-screen name.
inline constexpr char kModelFamilyName[] = "Vireo";
inline constexpr std::size_t kModelFamilyNameLength = sizeof(kModelFamilyName) - 1;

inline constexpr std::uint8_t header(std::uint8_t initiator, std::uint8_t destination) {
    return static_cast<std::uint8_t>(((initiator & 0xF) << 4) | (destination & 0xF));
}

} // namespace cec

class CecMessage {
public:
    // Results of every operation.
    static constexpr int kSuccess = 0;
    static constexpr int kBusy = 1;
    static constexpr int kFailed = -1;
    static constexpr int kInvalidParameters = -99;

    CecMessage(HardIO* hardIO, platform::Clock& clock);
    CecMessage(const CecMessage&) = delete;
    CecMessage& operator=(const CecMessage&) = delete;
    virtual ~CecMessage();

    int textViewOn(std::uint8_t header);
    int activeSource(std::uint8_t physicalHigh, std::uint8_t physicalLow, std::uint8_t header);
    int featureAbort(std::uint8_t abortedOpcode, std::uint8_t reason, std::uint8_t header);
    // Always announces the model family name, whatever name the caller passes.
    int setOsdName(const std::uint8_t* name, std::uint8_t nameLength, std::uint8_t header);
    int setTvEnhancedMode(std::uint8_t mode, std::uint8_t header);
    int menuStatus(std::uint8_t unused, std::uint8_t header);
    int inactiveSource(std::uint8_t physicalHigh, std::uint8_t physicalLow, std::uint8_t header);
    int giveDeviceVendorID(std::uint8_t header);

    // The last frame received: all 16 bytes as the firmware holds them, and its length.
    int getResponse(std::uint8_t (&frame)[cec::kFrameBytes], int& length);

    // One transmission, and the packing of a frame into the record.
    int invokeCecMessage(const std::uint8_t* frame, int length);
    static void createData(const std::uint8_t* frame, FirmwareRecord& record);

private:
    struct RetryPolicy {
        const wchar_t* retryText;
        BusyRetry retry;
    };
    // Sends the frame; while the CECC is busy and retries remain, waits and sends it again.
    int sendWithRetries(const TraceScope& scope, const std::uint8_t (&frame)[cec::kFrameBytes], int length,
                        const RetryPolicy& policy);

    HardIO* m_pHardIO;
    platform::Clock& m_clock;
};
