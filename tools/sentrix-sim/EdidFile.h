// The EDID reader of sentrix-sim: reads an EDID file, given as raw bytes or as a hex dump such
// as the "edid-decode (hex):" section that edid-decode prints, and derives the CEC physical
// address with the controller's own walk (EDIDHelper::physicalAddressFromEdid).
//
// Raw: a file of 128 or 256 bytes (any multiple of 128) that starts with the EDID header
// 00 FF FF FF FF FF FF 00 or holds bytes that are not text. Hex dump: lines whose words are hex
// byte pairs ("00 ff ff ..."; joined pairs such as "00ffff" are taken too); lines before the
// first such line (a header such as "edid-decode (hex):") and blank lines are skipped, and the
// first other line after the data ends it. The bytes must come to a multiple of 128; a 128-byte
// dump is a one-block EDID (the extension block reads as zeros).
// Portable.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace simtool {

// The EDID in `content`; false with a message naming the problem (and its line in a dump).
bool parseEdid(const std::vector<std::uint8_t>& content, std::vector<std::uint8_t>& edid, std::string& error);

// "a.b.c.d" as the controller derives it from the EDID's first 256 bytes; nullopt when the walk
// finds no address.
std::optional<std::string> edidPhysicalAddress(const std::vector<std::uint8_t>& edid);

} // namespace simtool
