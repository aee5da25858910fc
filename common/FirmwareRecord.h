// The firmware call record and every function code, register, selector, setting number and
// status bit used on the firmware device, each defined once.
// Portable.
#pragma once

#include "platform/FirmwareTransport.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

static_assert(std::endian::native == std::endian::little, "the record is laid out for little-endian hosts");

// Six unsigned 32-bit little-endian words, the same layout for the request and the reply.
struct FirmwareRecord {
    std::uint32_t w0 = 0; // request: function code; reply: status
    std::uint32_t w1 = 0; // register or setting number (with sub-function and frame length)
    std::uint32_t w2 = 0; // argument or selector; reply code and length
    std::uint32_t w3 = 0; // data
    std::uint32_t w4 = 0; // data
    std::uint32_t w5 = 0; // data

    // Data bytes in the words W2 to W5, little-endian within each word: byte i of data that
    // starts at word `first` (2 for CEC frames, 3 for CECC payloads and replies) is bits
    // 8 * (i % 4) of word first + i / 4. Bytes past W5 are left out.
    static constexpr int kFrameWord = 2; // a CEC frame fills W2 to W5
    static constexpr int kDataWord = 3;  // CECC payloads and replies start at W3

    void putBytes(int first, const std::uint8_t* bytes, std::size_t count) {
        std::uint32_t* const words[4] = {&w2, &w3, &w4, &w5};
        for (std::size_t i = 0; i < count && i < dataBytesFrom(first); ++i) {
            std::uint32_t& w = *words[static_cast<std::size_t>(first - 2) + i / 4];
            const unsigned shift = 8 * (i % 4);
            w = (w & ~(0xFFu << shift)) | static_cast<std::uint32_t>(bytes[i]) << shift;
        }
    }
    void getBytes(int first, std::uint8_t* out, std::size_t count) const {
        const std::uint32_t words[4] = {w2, w3, w4, w5};
        for (std::size_t i = 0; i < count && i < dataBytesFrom(first); ++i) {
            out[i] = static_cast<std::uint8_t>(words[static_cast<std::size_t>(first - 2) + i / 4] >>
                                               (8 * (i % 4)));
        }
    }
    static constexpr std::size_t dataBytesFrom(int first) {
        return first >= 2 && first <= 5 ? static_cast<std::size_t>(6 - first) * 4 : 0;
    }

    void toBytes(platform::FirmwareBytes& out) const { std::memcpy(out, this, sizeof(*this)); }
    static FirmwareRecord fromBytes(const platform::FirmwareBytes& in) {
        FirmwareRecord record;
        std::memcpy(&record, in, sizeof(record));
        return record;
    }
};
static_assert(sizeof(FirmwareRecord) == platform::kFirmwareRecordSize);
static_assert(offsetof(FirmwareRecord, w0) == 0);
static_assert(offsetof(FirmwareRecord, w1) == 4);
static_assert(offsetof(FirmwareRecord, w2) == 8);
static_assert(offsetof(FirmwareRecord, w3) == 12);
static_assert(offsetof(FirmwareRecord, w4) == 16);
static_assert(offsetof(FirmwareRecord, w5) == 20);

namespace fw {

// The driver device and its one control code (device type 0x22, function 0xA20, buffered,
// any access).
inline constexpr const wchar_t* kDevicePath = L"\\\\.\\QVSYS";
inline constexpr std::uint32_t kControlCode = 0x222880;

// Function codes (request W0).
inline constexpr std::uint32_t kOpenSession = 0xF100;
inline constexpr std::uint32_t kCloseSession = 0xF200;
inline constexpr std::uint32_t kReadSetting = 0xF300;
inline constexpr std::uint32_t kWriteSetting = 0xF400;
inline constexpr std::uint32_t kReadRegister = 0xFE00;
inline constexpr std::uint32_t kWriteRegister = 0xFF00;

// Settings (request W1 of kReadSetting / kWriteSetting).
inline constexpr std::uint32_t kSettingHdmiControl = 0x154;
inline constexpr std::uint32_t kSettingPowerByTv = 0x155;

// Registers and read selectors (request W1 and W2 of kReadRegister / kWriteRegister).
inline constexpr std::uint32_t kRegisterWakeupFactor = 0x47;
inline constexpr std::uint32_t kRegisterDisplayOutput = 0xC000;
inline constexpr std::uint32_t kSelectorDisplayOutput = 3;
inline constexpr std::uint32_t kRegisterCecc = 0x8F;
inline constexpr std::uint32_t kSelectorCeccReply = 0xC1;
inline constexpr std::uint32_t kSelectorCecFrame = 0xC3;
inline constexpr std::uint32_t kSelectorCeccNotification = 0xC7;
inline constexpr std::uint32_t kRegisterCeccCommand = 0x00C0008F; // CECC command
inline constexpr std::uint32_t kRegisterCecTransmit = 0x00C2008F; // CEC frame; length in bits 24-31

// Reply fields.
inline constexpr std::uint32_t kStatusFailed = 0x8000;       // reply W0 bit 15
inline constexpr std::uint32_t kStatusBusy = 0x20;           // reply W0 low byte from the CECC
inline constexpr std::uint32_t kWakeupFactorCec = 0x31;      // reply W2 low byte of kRegisterWakeupFactor
inline constexpr std::uint32_t kDisplayOutputHdmiBit = 0x10; // reply W3 of kRegisterDisplayOutput

inline bool statusFailed(std::uint32_t status) {
    return (status & kStatusFailed) != 0;
}
inline bool statusBusy(std::uint32_t status) {
    return (status & 0xFF) == kStatusBusy;
}

} // namespace fw
