// Little-endian 32-bit values as the registry and the firmware record store them.
// Portable.
#pragma once

#include <cstdint>

namespace bytes {

inline std::uint32_t le32(const std::uint8_t (&b)[4]) {
    return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
           (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

inline void putLe32(std::uint32_t value, std::uint8_t (&b)[4]) {
    b[0] = static_cast<std::uint8_t>(value);
    b[1] = static_cast<std::uint8_t>(value >> 8);
    b[2] = static_cast<std::uint8_t>(value >> 16);
    b[3] = static_cast<std::uint8_t>(value >> 24);
}

} // namespace bytes
