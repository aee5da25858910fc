// The messages on the firmware simulator's pipe (message mode, one message per request and one
// per reply). Two kinds of request, told apart by their size:
// - a firmware call: the 24-byte record, answered by the 24-byte reply record; a call that the
//   simulated device itself fails (not the firmware's status) is answered by a 4-byte failure
//   message, which the client's transport takes as a failed device call;
// - a call of a test graphics vendor library (nvapi64.dll, atiadlxx.dll, atipdl64.dll, the Intel
//   driver's object, built for the tests):
//   a 532-byte request (one interface entry with its handle, argument and record) answered by
//   a 536-byte reply (the entry's status, handle, numbers and the record as the entry left it).
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

// A call of one entry of a graphics vendor's interface, made by a test vendor library: the
// interface by its magic, the entry (the NVIDIA interface identifier, or the number of a second
// AMD interface entry), `handle` the display or GPU handle or the adapter index the entry takes,
// `argument` its number (a display handle's index, an output mask, a view mode, a display or
// controller index). `payload` carries the entry's record as the caller laid it out; the reply
// carries it back as the entry left it, or the handles / view modes the entry returned.
enum class VendorInterface : std::uint32_t {
    Nvidia = 0x5041564E,    // "NVAP"
    AmdSecond = 0x4C445041, // "APDL"
    Intel = 0x58464749,     // "IGFX"
    AmdFirst = 0x584C4441,  // "ADLX"
};
inline constexpr std::size_t kVendorPayloadSize = 512;

// The entries of the second AMD interface, numbered for the requests.
namespace amd_second {
inline constexpr std::uint32_t kEnumDisplays = 1;
inline constexpr std::uint32_t kDisplayGetDeviceConfig = 2;
inline constexpr std::uint32_t kGetConnectedDisplays = 3;
inline constexpr std::uint32_t kGetConfiguration = 4;
inline constexpr std::uint32_t kGetCapabilities = 5;
inline constexpr std::uint32_t kDisplayGetEdidData = 6;
inline constexpr std::uint32_t kSetConfigurationEx = 7;
} // namespace amd_second

// The entries of the first AMD interface, numbered for the requests. `handle` is the adapter
// index (for the adapter records: the number of records the caller's array holds), `argument`
// the display index (EDID) or the number of the record wanted. The context
// that creating makes lives for one call on the simulator's side, so the other entries are sent
// without it. Records larger than a payload (adapter and display records) come back in
// pieces: word 0 of the request's payload is the byte offset of the piece, and the reply's
// `value` is the number of records there are.
namespace amd_first {
inline constexpr std::uint32_t kMainControlCreate = 1;
inline constexpr std::uint32_t kNumberOfAdapters = 2;
inline constexpr std::uint32_t kAdapterInfo = 3;
inline constexpr std::uint32_t kAdapterActive = 4;
inline constexpr std::uint32_t kDisplayInfo = 5;
inline constexpr std::uint32_t kEdidData = 6;
} // namespace amd_first

// The calls of the Intel driver's object, numbered for the requests. `handle` names the
// interface the object was created with (0 the presence-test interface, 1 the EDID interface).
// Creating the object answers 1 when the object could be created with that interface; the
// methods answer 1 for success and their out status in `value`. Payloads: the display name
// (UTF-16, zero-terminated, at most kIntelDisplayNameChars) and the device found (identifier,
// type, status); the data identifier (16 bytes) followed by the record.
namespace intel {
inline constexpr std::uint32_t kCreate = 1;
inline constexpr std::uint32_t kEnumAttachableDevices = 2;
inline constexpr std::uint32_t kGetDeviceData = 3;
inline constexpr std::uint32_t kSetConfiguration = 4;
inline constexpr std::uint64_t kPresenceInterface = 0;
inline constexpr std::uint64_t kEdidInterface = 1;
inline constexpr std::size_t kIntelDisplayNameChars = 40;
inline constexpr std::size_t kDataIdSize = 16;
} // namespace intel

struct VendorRequest {
    VendorInterface vendor = VendorInterface::Nvidia;
    std::uint32_t entry = 0;
    std::uint64_t handle = 0;
    std::uint32_t argument = 0;
    std::array<std::uint8_t, kVendorPayloadSize> payload{};
};
inline constexpr std::size_t kVendorRequestSize = 20 + kVendorPayloadSize;

struct VendorReply {
    VendorInterface vendor = VendorInterface::Nvidia;
    std::int32_t status = -1;
    std::uint64_t handle = 0; // a display handle that was enumerated
    std::uint32_t value = 0;  // a count or mask the entry returned
    std::uint32_t extra = 0;  // a second number (the view mode read)
    std::array<std::uint8_t, kVendorPayloadSize> payload{};
};
inline constexpr std::size_t kVendorReplySize = 24 + kVendorPayloadSize;

using VendorRequestBytes = std::array<std::uint8_t, kVendorRequestSize>;
using VendorReplyBytes = std::array<std::uint8_t, kVendorReplySize>;

namespace detail {
inline void put64(std::uint8_t* out, std::uint64_t value) {
    put32(out, static_cast<std::uint32_t>(value));
    put32(out + 4, static_cast<std::uint32_t>(value >> 32));
}
inline std::uint64_t get64(const std::uint8_t* in) {
    return static_cast<std::uint64_t>(get32(in)) | static_cast<std::uint64_t>(get32(in + 4)) << 32;
}
inline bool knownVendor(std::uint32_t magic) {
    return magic == static_cast<std::uint32_t>(VendorInterface::Nvidia) ||
           magic == static_cast<std::uint32_t>(VendorInterface::AmdSecond) ||
           magic == static_cast<std::uint32_t>(VendorInterface::Intel) ||
           magic == static_cast<std::uint32_t>(VendorInterface::AmdFirst);
}
} // namespace detail

// A request of `entry` with its numbers and, when given, `size` bytes of the caller's record
// from byte `at` of the payload (never beyond the payload).
inline VendorRequest makeRequest(VendorInterface vendor, std::uint32_t entry, std::uint64_t handle,
                                 std::uint32_t argument, const void* record = nullptr, std::size_t size = 0,
                                 std::size_t at = 0) {
    VendorRequest request;
    request.vendor = vendor;
    request.entry = entry;
    request.handle = handle;
    request.argument = argument;
    if (record != nullptr && at < kVendorPayloadSize) {
        std::memcpy(request.payload.data() + at, record,
                    size < kVendorPayloadSize - at ? size : kVendorPayloadSize - at);
    }
    return request;
}

inline VendorRequestBytes encode(const VendorRequest& request) {
    VendorRequestBytes bytes{};
    detail::put32(bytes.data(), static_cast<std::uint32_t>(request.vendor));
    detail::put32(bytes.data() + 4, request.entry);
    detail::put64(bytes.data() + 8, request.handle);
    detail::put32(bytes.data() + 16, request.argument);
    std::memcpy(bytes.data() + 20, request.payload.data(), kVendorPayloadSize);
    return bytes;
}

// A vendor request, or nothing when the message is not one (size, magic).
inline std::optional<VendorRequest> decodeVendorRequest(const std::uint8_t* bytes, std::size_t size) {
    if (bytes == nullptr || size != kVendorRequestSize || !detail::knownVendor(detail::get32(bytes))) {
        return std::nullopt;
    }
    VendorRequest request;
    request.vendor = static_cast<VendorInterface>(detail::get32(bytes));
    request.entry = detail::get32(bytes + 4);
    request.handle = detail::get64(bytes + 8);
    request.argument = detail::get32(bytes + 16);
    std::memcpy(request.payload.data(), bytes + 20, kVendorPayloadSize);
    return request;
}

inline VendorReplyBytes encode(const VendorReply& reply) {
    VendorReplyBytes bytes{};
    detail::put32(bytes.data(), static_cast<std::uint32_t>(reply.vendor));
    detail::put32(bytes.data() + 4, static_cast<std::uint32_t>(reply.status));
    detail::put64(bytes.data() + 8, reply.handle);
    detail::put32(bytes.data() + 16, reply.value);
    detail::put32(bytes.data() + 20, reply.extra);
    std::memcpy(bytes.data() + 24, reply.payload.data(), kVendorPayloadSize);
    return bytes;
}

// A reply of the interface `vendor`, or nothing when the bytes are not one.
inline std::optional<VendorReply> decodeVendorReply(const VendorReplyBytes& bytes, VendorInterface vendor) {
    if (detail::get32(bytes.data()) != static_cast<std::uint32_t>(vendor)) {
        return std::nullopt;
    }
    VendorReply reply;
    reply.vendor = vendor;
    reply.status = static_cast<std::int32_t>(detail::get32(bytes.data() + 4));
    reply.handle = detail::get64(bytes.data() + 8);
    reply.value = detail::get32(bytes.data() + 16);
    reply.extra = detail::get32(bytes.data() + 20);
    std::memcpy(reply.payload.data(), bytes.data() + 24, kVendorPayloadSize);
    return reply;
}

} // namespace fwsim::protocol
