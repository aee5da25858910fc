// The one table of CEC opcodes of the simulated world: every message of the HDMI-CEC 1.4
// standard that the system or the TV model uses, and the common others, with its name and
// operand layout. The bus monitor decodes frames with it and the peers build their frames
// from its constants. Also the frame type, the frame builder and the logical-address names.
// Audio return channel messages (0xC0 to 0xC5) and the CEC 2.0 additions are not in the table;
// a monitor shows them as unknown opcodes.
// Simulation.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>

namespace sim {

inline constexpr std::size_t kCecMaxFrame = 16;

// One CEC frame as it travels on the bus: header block, opcode, operands.
struct CecFrame {
    std::array<std::uint8_t, kCecMaxFrame> bytes{};
    std::size_t length = 0; // 0 to 16

    std::uint8_t initiator() const { return static_cast<std::uint8_t>(bytes[0] >> 4); }
    std::uint8_t destination() const { return static_cast<std::uint8_t>(bytes[0] & 0x0F); }
    bool isPoll() const { return length == 1; }
    bool isBroadcast() const { return destination() == 0x0F; }
    // The opcode, when the frame has one.
    std::optional<std::uint8_t> opcode() const {
        return length >= 2 ? std::optional<std::uint8_t>(bytes[1]) : std::nullopt;
    }
    // Operand byte `index` (0 = the byte after the opcode); 0 when the frame is shorter.
    std::uint8_t operand(std::size_t index) const { return index + 2 < length ? bytes[index + 2] : 0; }
    std::size_t operandCount() const { return length > 2 ? length - 2 : 0; }
    // The two-byte physical address at operand `index`, high byte first.
    std::uint16_t physicalAddressAt(std::size_t index) const {
        return static_cast<std::uint16_t>(operand(index) << 8 | operand(index + 1));
    }
    bool operator==(const CecFrame& other) const = default;
};

// Logical addresses.
namespace cecaddr {
inline constexpr std::uint8_t kTv = 0;
inline constexpr std::uint8_t kRecording1 = 1;
inline constexpr std::uint8_t kRecording2 = 2;
inline constexpr std::uint8_t kTuner1 = 3;
inline constexpr std::uint8_t kPlayback1 = 4;
inline constexpr std::uint8_t kAudioSystem = 5;
inline constexpr std::uint8_t kTuner2 = 6;
inline constexpr std::uint8_t kTuner3 = 7;
inline constexpr std::uint8_t kPlayback2 = 8;
inline constexpr std::uint8_t kRecording3 = 9;
inline constexpr std::uint8_t kTuner4 = 10;
inline constexpr std::uint8_t kPlayback3 = 11;
inline constexpr std::uint8_t kSpecificUse = 14;
inline constexpr std::uint8_t kBroadcast = 15;    // as destination
inline constexpr std::uint8_t kUnregistered = 15; // as initiator
} // namespace cecaddr

// Opcodes.
namespace cecop {
inline constexpr std::uint8_t kFeatureAbort = 0x00;
inline constexpr std::uint8_t kImageViewOn = 0x04;
inline constexpr std::uint8_t kTunerStepIncrement = 0x05;
inline constexpr std::uint8_t kTunerStepDecrement = 0x06;
inline constexpr std::uint8_t kTunerDeviceStatus = 0x07;
inline constexpr std::uint8_t kGiveTunerDeviceStatus = 0x08;
inline constexpr std::uint8_t kRecordOn = 0x09;
inline constexpr std::uint8_t kRecordStatus = 0x0A;
inline constexpr std::uint8_t kRecordOff = 0x0B;
inline constexpr std::uint8_t kTextViewOn = 0x0D;
inline constexpr std::uint8_t kRecordTvScreen = 0x0F;
inline constexpr std::uint8_t kGiveDeckStatus = 0x1A;
inline constexpr std::uint8_t kDeckStatus = 0x1B;
inline constexpr std::uint8_t kSetMenuLanguage = 0x32;
inline constexpr std::uint8_t kClearAnalogueTimer = 0x33;
inline constexpr std::uint8_t kSetAnalogueTimer = 0x34;
inline constexpr std::uint8_t kTimerStatus = 0x35;
inline constexpr std::uint8_t kStandby = 0x36;
inline constexpr std::uint8_t kPlay = 0x41;
inline constexpr std::uint8_t kDeckControl = 0x42;
inline constexpr std::uint8_t kTimerClearedStatus = 0x43;
inline constexpr std::uint8_t kUserControlPressed = 0x44;
inline constexpr std::uint8_t kUserControlReleased = 0x45;
inline constexpr std::uint8_t kGiveOsdName = 0x46;
inline constexpr std::uint8_t kSetOsdName = 0x47;
inline constexpr std::uint8_t kSetOsdString = 0x64;
inline constexpr std::uint8_t kSetTimerProgramTitle = 0x67;
inline constexpr std::uint8_t kSystemAudioModeRequest = 0x70;
inline constexpr std::uint8_t kGiveAudioStatus = 0x71;
inline constexpr std::uint8_t kSetSystemAudioMode = 0x72;
inline constexpr std::uint8_t kReportAudioStatus = 0x7A;
inline constexpr std::uint8_t kGiveSystemAudioModeStatus = 0x7D;
inline constexpr std::uint8_t kSystemAudioModeStatus = 0x7E;
inline constexpr std::uint8_t kRoutingChange = 0x80;
inline constexpr std::uint8_t kRoutingInformation = 0x81;
inline constexpr std::uint8_t kActiveSource = 0x82;
inline constexpr std::uint8_t kGivePhysicalAddress = 0x83;
inline constexpr std::uint8_t kReportPhysicalAddress = 0x84;
inline constexpr std::uint8_t kRequestActiveSource = 0x85;
inline constexpr std::uint8_t kSetStreamPath = 0x86;
inline constexpr std::uint8_t kDeviceVendorId = 0x87;
inline constexpr std::uint8_t kVendorCommand = 0x89;
inline constexpr std::uint8_t kVendorRemoteButtonDown = 0x8A;
inline constexpr std::uint8_t kVendorRemoteButtonUp = 0x8B;
inline constexpr std::uint8_t kGiveDeviceVendorId = 0x8C;
inline constexpr std::uint8_t kMenuRequest = 0x8D;
inline constexpr std::uint8_t kMenuStatus = 0x8E;
inline constexpr std::uint8_t kGiveDevicePowerStatus = 0x8F;
inline constexpr std::uint8_t kReportPowerStatus = 0x90;
inline constexpr std::uint8_t kGetMenuLanguage = 0x91;
inline constexpr std::uint8_t kSelectAnalogueService = 0x92;
inline constexpr std::uint8_t kSelectDigitalService = 0x93;
inline constexpr std::uint8_t kSetDigitalTimer = 0x97;
inline constexpr std::uint8_t kClearDigitalTimer = 0x99;
inline constexpr std::uint8_t kSetAudioRate = 0x9A;
inline constexpr std::uint8_t kInactiveSource = 0x9D;
inline constexpr std::uint8_t kCecVersion = 0x9E;
inline constexpr std::uint8_t kGetCecVersion = 0x9F;
inline constexpr std::uint8_t kVendorCommandWithId = 0xA0;
inline constexpr std::uint8_t kClearExternalTimer = 0xA1;
inline constexpr std::uint8_t kSetExternalTimer = 0xA2;
inline constexpr std::uint8_t kReportShortAudioDescriptor = 0xA3;
inline constexpr std::uint8_t kRequestShortAudioDescriptor = 0xA4;
inline constexpr std::uint8_t kAbort = 0xFF;
} // namespace cecop

// Operand values the system and the TV model name.
namespace cecval {
// [Abort Reason]
inline constexpr std::uint8_t kAbortUnrecognizedOpcode = 0;
inline constexpr std::uint8_t kAbortNotInCorrectMode = 1;
inline constexpr std::uint8_t kAbortCannotProvideSource = 2;
inline constexpr std::uint8_t kAbortInvalidOperand = 3;
inline constexpr std::uint8_t kAbortRefused = 4;
inline constexpr std::uint8_t kAbortUnableToDetermine = 5;
// [Menu Request Type]
inline constexpr std::uint8_t kMenuActivate = 0;
inline constexpr std::uint8_t kMenuDeactivate = 1;
inline constexpr std::uint8_t kMenuQuery = 2;
// [Menu State]
inline constexpr std::uint8_t kMenuActivated = 0;
inline constexpr std::uint8_t kMenuDeactivated = 1;
// [Play Mode]
inline constexpr std::uint8_t kPlayForward = 0x24;
inline constexpr std::uint8_t kPlayReverse = 0x20;
inline constexpr std::uint8_t kPlayStill = 0x25;
// [Deck Control Mode]
inline constexpr std::uint8_t kDeckSkipForward = 1;
inline constexpr std::uint8_t kDeckSkipReverse = 2;
inline constexpr std::uint8_t kDeckStop = 3;
inline constexpr std::uint8_t kDeckEject = 4;
// [Status Request]
inline constexpr std::uint8_t kStatusOn = 1;
inline constexpr std::uint8_t kStatusOff = 2;
inline constexpr std::uint8_t kStatusOnce = 3;
// [Power Status]
inline constexpr std::uint8_t kPowerOn = 0;
inline constexpr std::uint8_t kPowerStandby = 1;
inline constexpr std::uint8_t kPowerStandbyToOn = 2;
inline constexpr std::uint8_t kPowerOnToStandby = 3;
// [Device Type]
inline constexpr std::uint8_t kDeviceTv = 0;
inline constexpr std::uint8_t kDeviceRecording = 1;
inline constexpr std::uint8_t kDeviceTuner = 3;
inline constexpr std::uint8_t kDevicePlayback = 4;
inline constexpr std::uint8_t kDeviceAudioSystem = 5;
// [CEC Version]
inline constexpr std::uint8_t kCecVersion14 = 0x05;
} // namespace cecval

// Kinds of operands, each with its width and how a monitor shows it.
enum class CecOperandKind : std::uint8_t {
    PhysicalAddress,   // 2 bytes, "a.b.c.d"
    VendorId,          // 3 bytes, most significant first, hex
    AbortReason,       // 1 byte
    FeatureOpcode,     // 1 byte, an opcode shown by name
    MenuRequestType,   // 1 byte
    MenuState,         // 1 byte
    PlayMode,          // 1 byte
    DeckControlMode,   // 1 byte
    DeckInfo,          // 1 byte
    StatusRequest,     // 1 byte
    PowerStatus,       // 1 byte
    DeviceType,        // 1 byte
    CecVersion,        // 1 byte
    UiCommand,         // 1 byte
    SystemAudioStatus, // 1 byte, on/off
    Byte,              // 1 byte shown in hex
    Language,          // 3 ASCII characters
    Text,              // ASCII, the rest of the frame
    Raw,               // bytes, the rest of the frame
};

struct CecOperandLayout {
    CecOperandKind kind = CecOperandKind::Raw;
    const char* label = ""; // shown before the value; empty: the value alone
    bool optional = false;  // may be absent without the frame being short
};

struct CecOpcodeInfo {
    std::uint8_t opcode = 0;
    const char* name = "";
    std::uint8_t operandCount = 0;
    std::array<CecOperandLayout, 3> operands{};
};

// The table, ordered by opcode, and a lookup (null for an opcode not in it).
std::span<const CecOpcodeInfo> cecOpcodeTable();
const CecOpcodeInfo* findCecOpcode(std::uint8_t opcode);

// Width of an operand kind in bytes; 0 for the kinds that take the rest of the frame.
std::size_t cecOperandWidth(CecOperandKind kind);
// Name of an enumerated operand value, or null when the value has no name in that kind.
const char* cecOperandValueName(CecOperandKind kind, std::uint8_t value);

// Name of a logical address: "TV", "Recording 1", ..., "Playback 3", "Reserved (12)",
// "Reserved (13)", "Specific use"; 15 is "Broadcast" as a destination and "Unregistered" as
// an initiator. Values above 15 use their low nibble.
std::string cecAddressName(std::uint8_t logicalAddress, bool asDestination);

// "a.b.c.d" of a physical address.
std::string cecPhysicalAddressText(std::uint16_t address);

// How a frame fits the layout of its opcode.
enum class CecLayoutFit { Empty, Poll, UnknownOpcode, Complete, Truncated, Extra };
CecLayoutFit cecLayoutFit(const std::uint8_t* bytes, std::size_t length);
inline CecLayoutFit cecLayoutFit(const CecFrame& frame) {
    return cecLayoutFit(frame.bytes.data(), frame.length);
}

// Frame builders. Operands beyond the 16-byte frame are cut off. Addresses use their low nibble.
CecFrame makeFrame(std::uint8_t initiator, std::uint8_t destination, std::uint8_t opcode,
                   std::span<const std::uint8_t> operands);
CecFrame makeFrame(std::uint8_t initiator, std::uint8_t destination, std::uint8_t opcode,
                   std::initializer_list<std::uint8_t> operands = {});
CecFrame makePoll(std::uint8_t initiator, std::uint8_t destination);
// A frame of the given bytes (at most 16 are taken; null or 0 gives an empty frame).
CecFrame makeFrameFromBytes(const std::uint8_t* bytes, std::size_t length);

// One bus-monitor line, for example
//   "Playback 1 -> Broadcast: Active Source [physical address 1.0.0.0]"
//   "TV -> Playback 1: Menu Request [activate]"
//   "Playback 1 -> Playback 1: <poll>"
//   "TV -> Playback 1: UNKNOWN 0xC5 [c5 01 02]"
// A frame shorter than its layout shows what is there and ends in "(truncated)"; a longer one
// shows the extra bytes as "(extra 01 02)". Length 0 (or a null pointer) is "empty frame";
// lengths above 16 are cut to 16. Never reads past `length`.
std::string describeFrame(const std::uint8_t* bytes, std::size_t length);
inline std::string describeFrame(const CecFrame& frame) {
    return describeFrame(frame.bytes.data(), frame.length);
}

} // namespace sim
