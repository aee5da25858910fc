// Import and export of Windows registry files (.reg, "Windows Registry Editor Version 5.00")
// for the simulated registry, so that installation data and test worlds are written once, in
// the format Windows itself uses.
// Simulation.
#pragma once

#include "sim/SimRegistry.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

struct RegImportResult {
    bool ok = false;
    std::size_t line = 0; // 1-based line of the error; 0 when ok
    std::wstring message; // what is wrong on that line; empty when ok
};

// Parses the whole text first and applies it only when every line is valid: on an error the
// registry is left as it was. Understood: the header ("Windows Registry Editor Version 5.00",
// or "REGEDIT4"), blank lines, ';' comments, [HKEY_LOCAL_MACHINE\...] and
// [HKEY_CURRENT_USER\...] sections (a section creates its key), [-HKEY_...\...] deleting a key
// tree, "name"="text" with \\ and \" escapes, @ for the default value, "name"=- deleting a
// value, dword:xxxxxxxx, hex:, hex(N): with lines continued by a trailing backslash.
RegImportResult importRegText(SimRegistry& registry, std::wstring_view text);

// As importRegText, for the bytes of a file: UTF-16LE with a byte-order mark (as regedit
// writes) or UTF-8 with or without one; CRLF or LF line ends.
RegImportResult importRegFile(SimRegistry& registry, const std::vector<std::uint8_t>& bytes);

// The key named by `keyPath` ("HKEY_LOCAL_MACHINE\\SOFTWARE\\KORVATH") and its subtree in
// regedit's format, lines ending CRLF; empty when the root is unknown or the key is missing.
// Importing the result reproduces the tree exactly (names, types, bytes and orders).
std::wstring exportRegText(const SimRegistry& registry, std::wstring_view keyPath);

// exportRegText as file bytes: UTF-16LE with a byte-order mark; empty when the key is missing.
std::vector<std::uint8_t> exportRegFile(const SimRegistry& registry, std::wstring_view keyPath);

} // namespace sim
