// The parser of the scenario language. A scenario is plain text, one step per line; '#' at the
// start of a word begins a comment that runs to the end of the line; blank lines are ignored.
// A line is words separated by blanks; a word in double quotes may hold blanks, '#' and '\"'
// (a backslash escapes only '"' and '\'; any other backslash is kept, so registry paths are
// written as they are). The first words name the step, the rest are its arguments:
//
//   <number>    decimal, or hexadecimal with 0x (12, 0x0C)
//   <hex>       hexadecimal with or without 0x (44, 0x44)
//   <hex bytes> byte pairs, as words of their own or joined (04 8d 02, 048d02, 04:8d:02)
//   <duration>  a number with its unit: 500ms, 3s, 1.5s, 2m, 1h
//   <a.b.c.d>   a CEC physical address, one hexadecimal digit per field
//   <text>      a word, or several in double quotes
//   <hive>\<key> a registry key: HKLM or HKCU (or their long names), a backslash, the path
//
// stepHelp() lists every step with its arguments; tools/scenario/README.md describes what each
// one does. Any malformed line (unknown step, bad number, missing argument, bad hex, unknown
// keyword, words left over) is an error naming its line.
// Portable.
#pragma once

#include "tools/scenario/Scenario.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace scenario {

// Parses a whole scenario. Stops at the first malformed line: false, and `error` names it.
bool parseScenario(std::string_view text, const std::string& file, Scenario& scenario, ScenarioError& error);

enum class LineParse { Step, Empty, Error };
// Parses one line (`lineNumber` is only used in the step and the error).
LineParse parseLine(std::string_view line, const std::string& file, std::size_t lineNumber, Step& step,
                    ScenarioError& error);

// The steps whose name starts with `topic` (all for an empty topic), one per line:
// "  tv switch <pc|tuner|a.b.c.d> [stream-path|routing-change]   the TV switches its input ...".
std::string stepHelp(std::string_view topic = {});

} // namespace scenario
