// The simulator tool sentrix-sim as a function of its arguments and streams, so that main() is
// one line and the tests drive the tool as a user would:
//   sentrix-sim [interactive]             steps typed at a "> " prompt, the timeline as it grows
//   sentrix-sim run FILE|NAME [--trace]   plays a scenario file, or a shipped one by name
//   sentrix-sim --default [--trace]       plays the shipped "living-room" scenario
//   sentrix-sim show NAME                 prints a shipped scenario
//   sentrix-sim edid FILE                 the CEC physical address the controller derives
// Exit status: 0 every expectation held (edid: an address), 1 an expectation failed (edid:
// "none"), 2 a malformed scenario, an unreadable file or bad arguments (usage on stderr).
// Portable.
#pragma once

#include <iosfwd>
#include <span>
#include <string>
#include <vector>

namespace simtool {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitBadInput = 2;

struct BuiltinScenario {
    const char* name; // file name without ".scn"
    const char* text;
};
// The scenarios shipped with the tool (tools/sentrix-sim/scenarios/*.scn).
std::span<const BuiltinScenario> builtinScenarios();

// `args` without the program name.
int sentrixSim(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err);

} // namespace simtool
