// Display output status word of the firmware. Portable.
#include "display/FirmwareHdmiStatus.h"

#include "common/FirmwareRecord.h"

namespace display {
namespace {

constexpr std::uint32_t kRetryHighByte = 0x84;

bool mustRetry(std::uint32_t status) {
    return (status & 0xFF) != 0 || ((status >> 8) & 0xFF) == kRetryHighByte;
}

} // namespace

std::uint32_t readFirmwareHdmiStatus(platform::FirmwareTransport& transport) {
    platform::ErrorCode error = 0;
    FirmwareRecord request;
    request.w0 = fw::kReadRegister;
    request.w1 = fw::kRegisterDisplayOutput;
    request.w2 = fw::kSelectorDisplayOutput;
    platform::FirmwareBytes in{};
    request.toBytes(in);
    std::uint32_t status = 0;
    for (int attempt = 0; attempt < kMaxFirmwareStatusAttempts; ++attempt) {
        const platform::DeviceHandle device = transport.openDevice(fw::kDevicePath, error);
        if (device == platform::kInvalidDevice || device == platform::kNoDevice) {
            return 0;
        }
        platform::FirmwareBytes out{};
        const bool answered = transport.control(device, fw::kControlCode, in, out);
        transport.closeDevice(device);
        if (!answered) {
            return 0;
        }
        const FirmwareRecord reply = FirmwareRecord::fromBytes(out);
        if (!mustRetry(reply.w0)) {
            status = reply.w3;
            return status;
        }
    }
    return 0;
}

} // namespace display
