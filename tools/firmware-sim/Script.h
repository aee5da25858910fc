// The firmware simulator's step list: what the world around the PC does (cable, TV, remote
// keys), which programs run, and what must be seen (frames on the bus, the display arrangement,
// the controller's window and trace log, exit codes). One step per line; '#' starts a comment;
// words are separated by blanks, and "double quotes" keep blanks inside one word (no escapes,
// so Windows paths need none). Numbers are decimal or 0x-hexadecimal; times are milliseconds.
//
//   plug | unplug                          the HDMI cable
//   tv vendor ID                           the TV's 24-bit vendor identifier
//   tv cec on|off                          a TV with or without HDMI-CEC
//   tv switch-to-pc [routing-change]       by <Set Stream Path> unless routing-change
//   tv switch-to A.B.C.D [routing-change]  another input
//   tv standby | tv power-on
//   tv give-osd-name | tv request-active-source
//   tv menu-request [activate|deactivate|query]
//   tv send BYTE...                        any frame, header first
//   key CODE                               a pass-through remote key (event 0x16nn)
//   wait MS
//   mark                                   later frame and log expectations look from here
//   start PROGRAM [ARGUMENT...]            starts a program and goes on
//   run PROGRAM [ARGUMENT...]              starts a program and waits for its end
//   post MESSAGE [WPARAM]                  a registered message to the controller's window
//   press-key VK                           a key pressed and released through the input queue
//   expect frame OPCODE [from A] [to A] [within MS] [gap MS [tolerance MS]] [operands BYTE...]
//   expect no-frame OPCODE [from A] [to A] [for MS]
//   expect exit CODE                       of the last run
//   expect window present|absent [within MS]
//   expect process PROGRAM running|ended [within MS]
//   expect display VALUE [within MS]       the arrangement (0x1 panel, 0x100 HDMI, ...)
//   expect log "TEXT" [count N] [within MS]
//   expect log-layout                      every line of the trace log in its layout, CRLF
//   expect file PATH "TEXT" [within MS]    a file (a test program's own log) contains the text
//   expect setting NUMBER VALUE            a firmware setting (0x154, 0x155) holds the value now
//   measure latency COUNT [give-osd-name|request-active-source]
//   measure idle PROGRAM MS
// OPCODE is a number or the opcode's name in quotes ("Active Source"); an address A is tv, pc,
// broadcast or a logical address 0 to 15; operands, when given, are all the bytes after the
// opcode.
// Portable.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace fwsim {

enum class StepKind {
    Plug,
    Unplug,
    TvVendor,
    TvCec,
    TvSwitchToPc,
    TvSwitchTo,
    TvStandby,
    TvPowerOn,
    TvGiveOsdName,
    TvRequestActiveSource,
    TvMenuRequest,
    TvSend,
    RemoteKey,
    Wait,
    Mark,
    Start,
    Run,
    Post,
    PressKey,
    ExpectFrame,
    ExpectNoFrame,
    ExpectExit,
    ExpectWindow,
    ExpectProcess,
    ExpectDisplay,
    ExpectLog,
    ExpectLogLayout,
    ExpectFile,
    ExpectSetting,
    MeasureLatency,
    MeasureIdle,
};

// A logical address in an expectation; the PC's is the one its CEC controller holds when the
// frame is matched.
struct AddressMatch {
    enum class Kind { Any, Pc, Fixed } kind = Kind::Any;
    std::uint8_t address = 0;
};

struct Step {
    int line = 0;
    std::string text; // the line as written, for reports
    StepKind kind = StepKind::Wait;

    std::uint32_t number = 0;        // vendor, key, wait, address, exit code, arrangement, count, VK, wParam
    bool flag = false;               // cec on, routing change, window present, process running
    std::vector<std::uint8_t> bytes; // tv send
    std::string word;                // menu request type, latency request, log text, message name
    std::wstring program;            // start, run, expect process, measure idle; the path of expect file
    std::vector<std::wstring> arguments;

    std::uint8_t opcode = 0;
    AddressMatch from;
    AddressMatch to;
    std::uint64_t withinMs = 0; // also "for" of expect no-frame and the time of measure idle
    std::optional<std::vector<std::uint8_t>> operands; // expect frame: exactly these operands
    std::optional<std::uint64_t> gapMs;
    std::uint64_t toleranceMs = 0;
    std::uint32_t setting = 0; // expect setting: the firmware setting's number
};

struct ScriptError {
    int line = 0;
    std::string message;
};

// Parses a whole script. Steps given on the command line are joined with newlines first.
// Returns the steps, or the first error with its line.
struct ParsedScript {
    std::vector<Step> steps;
    std::optional<ScriptError> error;
};
ParsedScript parseScript(const std::string& text);

// Words of one line: blanks separate, "double quotes" group; an unclosed quote is an error.
std::optional<std::vector<std::string>> splitWords(const std::string& line);

} // namespace fwsim
