// The maker's 24-bit IEEE vendor identifier, as the controller sends it in the TV enhancement
// command and compares it with the vendor a TV reports. The value has the locally administered
// bit set, so it names no registered vendor.
// Portable.
#pragma once

#include <cstdint>

inline constexpr std::uint32_t kKorvathVendorId = 0x0A1B2C;
