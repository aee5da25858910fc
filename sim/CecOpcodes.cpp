// The CEC opcode table, frame builder and bus-monitor decoder. Simulation.
#include "sim/CecOpcodes.h"

#include <algorithm>
#include <cstdio>

namespace sim {
namespace {

using K = CecOperandKind;

constexpr CecOperandLayout operand(K kind, const char* label = "", bool optional = false) {
    return CecOperandLayout{kind, label, optional};
}

template <typename... Slots>
constexpr CecOpcodeInfo entry(std::uint8_t code, const char* name, Slots... slots) {
    static_assert(sizeof...(Slots) <= 3, "at most three operands per message");
    return CecOpcodeInfo{code, name, static_cast<std::uint8_t>(sizeof...(Slots)), {slots...}};
}

// Ordered by opcode.
constexpr CecOpcodeInfo kTable[] = {
    entry(cecop::kFeatureAbort, "Feature Abort", operand(K::FeatureOpcode, "opcode"),
          operand(K::AbortReason, "reason")),
    entry(cecop::kImageViewOn, "Image View On"),
    entry(cecop::kTunerStepIncrement, "Tuner Step Increment"),
    entry(cecop::kTunerStepDecrement, "Tuner Step Decrement"),
    entry(cecop::kTunerDeviceStatus, "Tuner Device Status", operand(K::Raw, "tuner device info")),
    entry(cecop::kGiveTunerDeviceStatus, "Give Tuner Device Status", operand(K::StatusRequest)),
    entry(cecop::kRecordOn, "Record On", operand(K::Raw, "record source")),
    entry(cecop::kRecordStatus, "Record Status", operand(K::Byte, "status")),
    entry(cecop::kRecordOff, "Record Off"),
    entry(cecop::kTextViewOn, "Text View On"),
    entry(cecop::kRecordTvScreen, "Record TV Screen"),
    entry(cecop::kGiveDeckStatus, "Give Deck Status", operand(K::StatusRequest)),
    entry(cecop::kDeckStatus, "Deck Status", operand(K::DeckInfo)),
    entry(cecop::kSetMenuLanguage, "Set Menu Language", operand(K::Language, "language")),
    entry(cecop::kClearAnalogueTimer, "Clear Analogue Timer", operand(K::Raw, "timer")),
    entry(cecop::kSetAnalogueTimer, "Set Analogue Timer", operand(K::Raw, "timer")),
    entry(cecop::kTimerStatus, "Timer Status", operand(K::Raw, "status")),
    entry(cecop::kStandby, "Standby"),
    entry(cecop::kPlay, "Play", operand(K::PlayMode)),
    entry(cecop::kDeckControl, "Deck Control", operand(K::DeckControlMode)),
    entry(cecop::kTimerClearedStatus, "Timer Cleared Status", operand(K::Byte, "status")),
    entry(cecop::kUserControlPressed, "User Control Pressed", operand(K::UiCommand),
          operand(K::Raw, "operands", true)),
    entry(cecop::kUserControlReleased, "User Control Released"),
    entry(cecop::kGiveOsdName, "Give OSD Name"),
    entry(cecop::kSetOsdName, "Set OSD Name", operand(K::Text, "name")),
    entry(cecop::kSetOsdString, "Set OSD String", operand(K::Byte, "display control"),
          operand(K::Text, "text")),
    entry(cecop::kSetTimerProgramTitle, "Set Timer Program Title", operand(K::Text, "title")),
    entry(cecop::kSystemAudioModeRequest, "System Audio Mode Request",
          operand(K::PhysicalAddress, "physical address", true)),
    entry(cecop::kGiveAudioStatus, "Give Audio Status"),
    entry(cecop::kSetSystemAudioMode, "Set System Audio Mode", operand(K::SystemAudioStatus)),
    entry(cecop::kReportAudioStatus, "Report Audio Status", operand(K::Byte, "audio status")),
    entry(cecop::kGiveSystemAudioModeStatus, "Give System Audio Mode Status"),
    entry(cecop::kSystemAudioModeStatus, "System Audio Mode Status", operand(K::SystemAudioStatus)),
    entry(cecop::kRoutingChange, "Routing Change", operand(K::PhysicalAddress, "from"),
          operand(K::PhysicalAddress, "to")),
    entry(cecop::kRoutingInformation, "Routing Information", operand(K::PhysicalAddress, "physical address")),
    entry(cecop::kActiveSource, "Active Source", operand(K::PhysicalAddress, "physical address")),
    entry(cecop::kGivePhysicalAddress, "Give Physical Address"),
    entry(cecop::kReportPhysicalAddress, "Report Physical Address",
          operand(K::PhysicalAddress, "physical address"), operand(K::DeviceType, "device type")),
    entry(cecop::kRequestActiveSource, "Request Active Source"),
    entry(cecop::kSetStreamPath, "Set Stream Path", operand(K::PhysicalAddress, "physical address")),
    entry(cecop::kDeviceVendorId, "Device Vendor ID", operand(K::VendorId, "vendor id")),
    entry(cecop::kVendorCommand, "Vendor Command", operand(K::Raw, "data")),
    entry(cecop::kVendorRemoteButtonDown, "Vendor Remote Button Down", operand(K::Raw, "rc code")),
    entry(cecop::kVendorRemoteButtonUp, "Vendor Remote Button Up"),
    entry(cecop::kGiveDeviceVendorId, "Give Device Vendor ID"),
    entry(cecop::kMenuRequest, "Menu Request", operand(K::MenuRequestType)),
    entry(cecop::kMenuStatus, "Menu Status", operand(K::MenuState)),
    entry(cecop::kGiveDevicePowerStatus, "Give Device Power Status"),
    entry(cecop::kReportPowerStatus, "Report Power Status", operand(K::PowerStatus)),
    entry(cecop::kGetMenuLanguage, "Get Menu Language"),
    entry(cecop::kSelectAnalogueService, "Select Analogue Service", operand(K::Raw, "service")),
    entry(cecop::kSelectDigitalService, "Select Digital Service", operand(K::Raw, "service")),
    entry(cecop::kSetDigitalTimer, "Set Digital Timer", operand(K::Raw, "timer")),
    entry(cecop::kClearDigitalTimer, "Clear Digital Timer", operand(K::Raw, "timer")),
    entry(cecop::kSetAudioRate, "Set Audio Rate", operand(K::Byte, "rate")),
    entry(cecop::kInactiveSource, "Inactive Source", operand(K::PhysicalAddress, "physical address")),
    entry(cecop::kCecVersion, "CEC Version", operand(K::CecVersion, "version")),
    entry(cecop::kGetCecVersion, "Get CEC Version"),
    entry(cecop::kVendorCommandWithId, "Vendor Command With ID", operand(K::VendorId, "vendor id"),
          operand(K::Raw, "data", true)),
    entry(cecop::kClearExternalTimer, "Clear External Timer", operand(K::Raw, "timer")),
    entry(cecop::kSetExternalTimer, "Set External Timer", operand(K::Raw, "timer")),
    entry(cecop::kReportShortAudioDescriptor, "Report Short Audio Descriptor",
          operand(K::Raw, "descriptors")),
    entry(cecop::kRequestShortAudioDescriptor, "Request Short Audio Descriptor", operand(K::Raw, "formats")),
    entry(cecop::kAbort, "Abort"),
};

constexpr bool tableIsOrdered() {
    for (std::size_t i = 1; i < std::size(kTable); ++i) {
        if (kTable[i - 1].opcode >= kTable[i].opcode) {
            return false;
        }
    }
    return true;
}
static_assert(tableIsOrdered(), "the opcode table is ordered by opcode, each opcode once");

struct ValueName {
    std::uint8_t value;
    const char* name;
};

constexpr ValueName kAbortReasons[] = {
    {0, "Unrecognized opcode"},
    {1, "Not in correct mode to respond"},
    {2, "Cannot provide source"},
    {3, "Invalid operand"},
    {4, "Refused"},
    {5, "Unable to determine"},
};
constexpr ValueName kMenuRequestTypes[] = {{0, "activate"}, {1, "deactivate"}, {2, "query"}};
constexpr ValueName kMenuStates[] = {{0, "activated"}, {1, "deactivated"}};
constexpr ValueName kPlayModes[] = {
    {0x05, "fast forward min speed"},
    {0x06, "fast forward medium speed"},
    {0x07, "fast forward max speed"},
    {0x09, "fast reverse min speed"},
    {0x0A, "fast reverse medium speed"},
    {0x0B, "fast reverse max speed"},
    {0x15, "slow forward min speed"},
    {0x16, "slow forward medium speed"},
    {0x17, "slow forward max speed"},
    {0x19, "slow reverse min speed"},
    {0x1A, "slow reverse medium speed"},
    {0x1B, "slow reverse max speed"},
    {0x20, "play reverse"},
    {0x24, "play forward"},
    {0x25, "play still"},
};
constexpr ValueName kDeckControlModes[] = {
    {1, "skip forward/wind"}, {2, "skip reverse/rewind"}, {3, "stop"}, {4, "eject"}};
constexpr ValueName kDeckInfos[] = {
    {0x11, "play"},
    {0x12, "record"},
    {0x13, "play reverse"},
    {0x14, "still"},
    {0x15, "slow"},
    {0x16, "slow reverse"},
    {0x17, "fast forward"},
    {0x18, "fast reverse"},
    {0x19, "no media"},
    {0x1A, "stop"},
    {0x1B, "skip forward/wind"},
    {0x1C, "skip reverse/rewind"},
    {0x1D, "index search forward"},
    {0x1E, "index search reverse"},
    {0x1F, "other status"},
};
constexpr ValueName kStatusRequests[] = {{1, "on"}, {2, "off"}, {3, "once"}};
constexpr ValueName kPowerStatuses[] = {
    {0, "on"}, {1, "standby"}, {2, "in transition standby to on"}, {3, "in transition on to standby"}};
constexpr ValueName kDeviceTypes[] = {
    {0, "TV"},
    {1, "Recording Device"},
    {2, "Reserved"},
    {3, "Tuner"},
    {4, "Playback Device"},
    {5, "Audio System"},
    {6, "Pure CEC Switch"},
    {7, "Video Processor"},
};
constexpr ValueName kCecVersions[] = {{0, "1.1"},  {1, "1.2"}, {2, "1.2a"}, {3, "1.3"},
                                      {4, "1.3a"}, {5, "1.4"}, {6, "2.0"}};
constexpr ValueName kSystemAudioStatuses[] = {{0, "off"}, {1, "on"}};
constexpr ValueName kUiCommands[] = {
    {0x00, "Select"},
    {0x01, "Up"},
    {0x02, "Down"},
    {0x03, "Left"},
    {0x04, "Right"},
    {0x05, "Right-Up"},
    {0x06, "Right-Down"},
    {0x07, "Left-Up"},
    {0x08, "Left-Down"},
    {0x09, "Root Menu"},
    {0x0A, "Setup Menu"},
    {0x0B, "Contents Menu"},
    {0x0C, "Favorite Menu"},
    {0x0D, "Exit"},
    {0x10, "Media Top Menu"},
    {0x11, "Media Context-sensitive Menu"},
    {0x1D, "Number Entry Mode"},
    {0x1E, "Number 11"},
    {0x1F, "Number 12"},
    {0x20, "Number 0"},
    {0x21, "Number 1"},
    {0x22, "Number 2"},
    {0x23, "Number 3"},
    {0x24, "Number 4"},
    {0x25, "Number 5"},
    {0x26, "Number 6"},
    {0x27, "Number 7"},
    {0x28, "Number 8"},
    {0x29, "Number 9"},
    {0x2A, "Dot"},
    {0x2B, "Enter"},
    {0x2C, "Clear"},
    {0x2F, "Next Favorite"},
    {0x30, "Channel Up"},
    {0x31, "Channel Down"},
    {0x32, "Previous Channel"},
    {0x33, "Sound Select"},
    {0x34, "Input Select"},
    {0x35, "Display Information"},
    {0x36, "Help"},
    {0x37, "Page Up"},
    {0x38, "Page Down"},
    {0x40, "Power"},
    {0x41, "Volume Up"},
    {0x42, "Volume Down"},
    {0x43, "Mute"},
    {0x44, "Play"},
    {0x45, "Stop"},
    {0x46, "Pause"},
    {0x47, "Record"},
    {0x48, "Rewind"},
    {0x49, "Fast Forward"},
    {0x4A, "Eject"},
    {0x4B, "Forward"},
    {0x4C, "Backward"},
    {0x4D, "Stop-Record"},
    {0x4E, "Pause-Record"},
    {0x50, "Angle"},
    {0x51, "Sub Picture"},
    {0x52, "Video on Demand"},
    {0x53, "Electronic Program Guide"},
    {0x54, "Timer Programming"},
    {0x55, "Initial Configuration"},
    {0x56, "Select Broadcast Type"},
    {0x57, "Select Sound Presentation"},
    {0x60, "Play Function"},
    {0x61, "Pause-Play Function"},
    {0x62, "Record Function"},
    {0x63, "Pause-Record Function"},
    {0x64, "Stop Function"},
    {0x65, "Mute Function"},
    {0x66, "Restore Volume Function"},
    {0x67, "Tune Function"},
    {0x68, "Select Media Function"},
    {0x69, "Select A/V Input Function"},
    {0x6A, "Select Audio Input Function"},
    {0x6B, "Power Toggle Function"},
    {0x6C, "Power Off Function"},
    {0x6D, "Power On Function"},
    {0x71, "F1 (Blue)"},
    {0x72, "F2 (Red)"},
    {0x73, "F3 (Green)"},
    {0x74, "F4 (Yellow)"},
    {0x75, "F5"},
    {0x76, "Data"},
};

template <std::size_t N> const char* lookup(const ValueName (&names)[N], std::uint8_t value) {
    for (const ValueName& entry : names) {
        if (entry.value == value) {
            return entry.name;
        }
    }
    return nullptr;
}

std::string hexByte(std::uint8_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

std::string hexBytes(const std::uint8_t* bytes, std::size_t count) {
    std::string out;
    char text[4];
    for (std::size_t i = 0; i < count; ++i) {
        std::snprintf(text, sizeof text, "%02x", bytes[i]);
        if (i != 0) {
            out += ' ';
        }
        out += text;
    }
    return out;
}

std::string quotedAscii(const std::uint8_t* bytes, std::size_t count) {
    std::string out = "\"";
    char text[8];
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t c = bytes[i];
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
            out += static_cast<char>(c);
        } else {
            std::snprintf(text, sizeof text, "\\x%02x", c);
            out += text;
        }
    }
    return out + "\"";
}

// The value of a complete operand of `kind` whose bytes start at `bytes`.
std::string operandValue(K kind, const std::uint8_t* bytes, std::size_t count) {
    switch (kind) {
    case K::PhysicalAddress:
        return cecPhysicalAddressText(static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]));
    case K::VendorId: {
        char text[16];
        std::snprintf(text, sizeof text, "0x%02X%02X%02X", bytes[0], bytes[1], bytes[2]);
        return text;
    }
    case K::FeatureOpcode: {
        const CecOpcodeInfo* info = findCecOpcode(bytes[0]);
        return info != nullptr ? info->name : hexByte(bytes[0]);
    }
    case K::Byte:
        return hexByte(bytes[0]);
    case K::Language:
    case K::Text:
        return quotedAscii(bytes, count);
    case K::Raw:
        return hexBytes(bytes, count);
    default: {
        const char* name = cecOperandValueName(kind, bytes[0]);
        return name != nullptr ? name : hexByte(bytes[0]);
    }
    }
}

// Walks the operands of a frame whose opcode is in the table. `parts` (optional) receives the
// shown operands.
// `used` receives the number of bytes the layout accounts for.
CecLayoutFit walkOperands(const CecOpcodeInfo& info, const std::uint8_t* bytes, std::size_t length,
                          std::string* parts, std::size_t& used) {
    std::size_t pos = 2;
    bool truncated = false;
    auto add = [parts](const CecOperandLayout& slot, const std::string& value) {
        if (parts == nullptr) {
            return;
        }
        if (!parts->empty()) {
            *parts += ", ";
        }
        if (*slot.label != '\0') {
            *parts += slot.label;
            *parts += ' ';
        }
        *parts += value;
    };
    for (std::size_t i = 0; i < info.operandCount && !truncated; ++i) {
        const CecOperandLayout& slot = info.operands[i];
        const std::size_t available = length - pos;
        const std::size_t width = cecOperandWidth(slot.kind);
        if (available == 0) {
            truncated = !slot.optional;
            break;
        }
        if (width == 0) {
            add(slot, operandValue(slot.kind, bytes + pos, available));
            pos = length;
        } else if (available >= width) {
            add(slot, operandValue(slot.kind, bytes + pos, width));
            pos += width;
        } else {
            add(slot, "<" + hexBytes(bytes + pos, available) + ">");
            pos = length;
            truncated = true;
        }
    }
    used = pos;
    if (truncated) {
        return CecLayoutFit::Truncated;
    }
    return pos < length ? CecLayoutFit::Extra : CecLayoutFit::Complete;
}

std::size_t clampLength(const std::uint8_t* bytes, std::size_t length) {
    return bytes == nullptr ? 0 : std::min(length, kCecMaxFrame);
}

} // namespace

std::span<const CecOpcodeInfo> cecOpcodeTable() {
    return kTable;
}

const CecOpcodeInfo* findCecOpcode(std::uint8_t opcode) {
    const auto it =
        std::lower_bound(std::begin(kTable), std::end(kTable), opcode,
                         [](const CecOpcodeInfo& info, std::uint8_t code) { return info.opcode < code; });
    return it != std::end(kTable) && it->opcode == opcode ? &*it : nullptr;
}

std::size_t cecOperandWidth(CecOperandKind kind) {
    switch (kind) {
    case K::PhysicalAddress:
        return 2;
    case K::VendorId:
    case K::Language:
        return 3;
    case K::Text:
    case K::Raw:
        return 0;
    default:
        return 1;
    }
}

const char* cecOperandValueName(CecOperandKind kind, std::uint8_t value) {
    switch (kind) {
    case K::AbortReason:
        return lookup(kAbortReasons, value);
    case K::FeatureOpcode: {
        const CecOpcodeInfo* info = findCecOpcode(value);
        return info != nullptr ? info->name : nullptr;
    }
    case K::MenuRequestType:
        return lookup(kMenuRequestTypes, value);
    case K::MenuState:
        return lookup(kMenuStates, value);
    case K::PlayMode:
        return lookup(kPlayModes, value);
    case K::DeckControlMode:
        return lookup(kDeckControlModes, value);
    case K::DeckInfo:
        return lookup(kDeckInfos, value);
    case K::StatusRequest:
        return lookup(kStatusRequests, value);
    case K::PowerStatus:
        return lookup(kPowerStatuses, value);
    case K::DeviceType:
        return lookup(kDeviceTypes, value);
    case K::CecVersion:
        return lookup(kCecVersions, value);
    case K::UiCommand:
        return lookup(kUiCommands, value);
    case K::SystemAudioStatus:
        return lookup(kSystemAudioStatuses, value);
    default:
        return nullptr;
    }
}

std::string cecAddressName(std::uint8_t logicalAddress, bool asDestination) {
    static constexpr const char* kNames[15] = {
        "TV",           "Recording 1", "Recording 2",   "Tuner 1",       "Playback 1",
        "Audio System", "Tuner 2",     "Tuner 3",       "Playback 2",    "Recording 3",
        "Tuner 4",      "Playback 3",  "Reserved (12)", "Reserved (13)", "Specific use",
    };
    const std::uint8_t address = logicalAddress & 0x0F;
    if (address == 0x0F) {
        return asDestination ? "Broadcast" : "Unregistered";
    }
    return kNames[address];
}

std::string cecPhysicalAddressText(std::uint16_t address) {
    char text[16];
    std::snprintf(text, sizeof text, "%x.%x.%x.%x", (address >> 12) & 0xF, (address >> 8) & 0xF,
                  (address >> 4) & 0xF, address & 0xF);
    return text;
}

CecLayoutFit cecLayoutFit(const std::uint8_t* bytes, std::size_t length) {
    length = clampLength(bytes, length);
    if (length == 0) {
        return CecLayoutFit::Empty;
    }
    if (length == 1) {
        return CecLayoutFit::Poll;
    }
    const CecOpcodeInfo* info = findCecOpcode(bytes[1]);
    if (info == nullptr) {
        return CecLayoutFit::UnknownOpcode;
    }
    std::size_t used = 0;
    return walkOperands(*info, bytes, length, nullptr, used);
}

CecFrame makeFrame(std::uint8_t initiator, std::uint8_t destination, std::uint8_t opcode,
                   std::span<const std::uint8_t> operands) {
    CecFrame frame;
    frame.bytes[0] = static_cast<std::uint8_t>((initiator & 0x0F) << 4 | (destination & 0x0F));
    frame.bytes[1] = opcode;
    const std::size_t count = std::min(operands.size(), kCecMaxFrame - 2);
    std::copy_n(operands.begin(), count, frame.bytes.begin() + 2);
    frame.length = 2 + count;
    return frame;
}

CecFrame makeFrame(std::uint8_t initiator, std::uint8_t destination, std::uint8_t opcode,
                   std::initializer_list<std::uint8_t> operands) {
    return makeFrame(initiator, destination, opcode,
                     std::span<const std::uint8_t>(operands.begin(), operands.size()));
}

CecFrame makePoll(std::uint8_t initiator, std::uint8_t destination) {
    CecFrame frame;
    frame.bytes[0] = static_cast<std::uint8_t>((initiator & 0x0F) << 4 | (destination & 0x0F));
    frame.length = 1;
    return frame;
}

CecFrame makeFrameFromBytes(const std::uint8_t* bytes, std::size_t length) {
    CecFrame frame;
    frame.length = clampLength(bytes, length);
    std::copy_n(bytes, frame.length, frame.bytes.begin());
    return frame;
}

std::string describeFrame(const std::uint8_t* bytes, std::size_t length) {
    length = clampLength(bytes, length);
    if (length == 0) {
        return "empty frame";
    }
    std::string line = cecAddressName(static_cast<std::uint8_t>(bytes[0] >> 4), false) + " -> " +
                       cecAddressName(static_cast<std::uint8_t>(bytes[0] & 0x0F), true) + ": ";
    if (length == 1) {
        return line + "<poll>";
    }
    const CecOpcodeInfo* info = findCecOpcode(bytes[1]);
    if (info == nullptr) {
        return line + "UNKNOWN " + hexByte(bytes[1]) + " [" + hexBytes(bytes + 1, length - 1) + "]";
    }
    std::string parts;
    std::size_t used = 0;
    const CecLayoutFit fit = walkOperands(*info, bytes, length, &parts, used);
    line += info->name;
    if (!parts.empty()) {
        line += " [" + parts + "]";
    }
    if (fit == CecLayoutFit::Truncated) {
        line += " (truncated)";
    } else if (fit == CecLayoutFit::Extra) {
        line += " (extra " + hexBytes(bytes + used, length - used) + ")";
    }
    return line;
}

} // namespace sim
