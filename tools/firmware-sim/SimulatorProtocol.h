// The messages on the firmware simulator's pipe (message mode, one message per request and one
// per reply). Two kinds of request, told apart by their size:
// - a firmware call: the 24-byte record, answered by the 24-byte reply record; a call that the
//   simulated device itself fails (not the firmware's status) is answered by a 4-byte failure
//   message, which the client's transport takes as a failed device call;
// - a display query of the simulator's stand-in display library: a 12-byte request answered by
//   a 264-byte reply.
// Any other message ends the connection.
// Portable.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>

namespace fwsim::protocol {

inline constexpr std::size_t kFirmwareMessageSize = 24;
inline constexpr std::size_t kFailureMessageSize = 4;

inline constexpr std::uint32_t kDisplayMagic = 0x4C505344; // "DSPL" in the first four bytes
inline constexpr std::size_t kEdidSize = 256;

enum class DisplayOperation : std::uint32_t { GetPanelid = 1, GetMonitorDevice = 2, SetMonitorDevice = 3 };

// 12 bytes, little-endian: magic, operation, argument (SetMonitorDevice's value).
struct DisplayRequest {
    DisplayOperation operation = DisplayOperation::GetPanelid;
    std::uint32_t argument = 0;
};
inline constexpr std::size_t kDisplayRequestSize = 12;

// 264 bytes, little-endian: magic, the entry's result, then the EDID (GetPanelid only; zero
// otherwise).
struct DisplayReply {
    std::int32_t result = -1;
    std::array<std::uint8_t, kEdidSize> edid{};
};
inline constexpr std::size_t kDisplayReplySize = 8 + kEdidSize;

using DisplayRequestBytes = std::array<std::uint8_t, kDisplayRequestSize>;
using DisplayReplyBytes = std::array<std::uint8_t, kDisplayReplySize>;

namespace detail {
inline void put32(std::uint8_t* out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}
inline std::uint32_t get32(const std::uint8_t* in) {
    return static_cast<std::uint32_t>(in[0]) | static_cast<std::uint32_t>(in[1]) << 8 |
           static_cast<std::uint32_t>(in[2]) << 16 | static_cast<std::uint32_t>(in[3]) << 24;
}
} // namespace detail

inline DisplayRequestBytes encode(const DisplayRequest& request) {
    DisplayRequestBytes bytes{};
    detail::put32(bytes.data(), kDisplayMagic);
    detail::put32(bytes.data() + 4, static_cast<std::uint32_t>(request.operation));
    detail::put32(bytes.data() + 8, request.argument);
    return bytes;
}

// A display request, or nothing when the message is not one (size, magic, operation).
inline std::optional<DisplayRequest> decodeDisplayRequest(const std::uint8_t* bytes, std::size_t size) {
    if (bytes == nullptr || size != kDisplayRequestSize || detail::get32(bytes) != kDisplayMagic) {
        return std::nullopt;
    }
    const std::uint32_t operation = detail::get32(bytes + 4);
    if (operation < static_cast<std::uint32_t>(DisplayOperation::GetPanelid) ||
        operation > static_cast<std::uint32_t>(DisplayOperation::SetMonitorDevice)) {
        return std::nullopt;
    }
    return DisplayRequest{static_cast<DisplayOperation>(operation), detail::get32(bytes + 8)};
}

inline DisplayReplyBytes encode(const DisplayReply& reply) {
    DisplayReplyBytes bytes{};
    detail::put32(bytes.data(), kDisplayMagic);
    detail::put32(bytes.data() + 4, static_cast<std::uint32_t>(reply.result));
    std::memcpy(bytes.data() + 8, reply.edid.data(), kEdidSize);
    return bytes;
}

// A display reply, or nothing when the bytes are not one.
inline std::optional<DisplayReply> decodeDisplayReply(const DisplayReplyBytes& bytes) {
    if (detail::get32(bytes.data()) != kDisplayMagic) {
        return std::nullopt;
    }
    DisplayReply reply;
    reply.result = static_cast<std::int32_t>(detail::get32(bytes.data() + 4));
    std::memcpy(reply.edid.data(), bytes.data() + 8, kEdidSize);
    return reply;
}

} // namespace fwsim::protocol
