// The simulator tool sentrix-sim. Portable.
#include "tools/sentrix-sim/SentrixSim.h"

#include "tools/scenario/Journal.h"
#include "tools/scenario/ScenarioParser.h"
#include "tools/scenario/ScenarioRunner.h"
#include "tools/scenario/VirtualTarget.h"
#include "tools/sentrix-sim/EdidFile.h"

#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>

namespace simtool {
namespace {

constexpr const char* kDefaultScenario = "living-room";
constexpr std::size_t kMaxFileBytes = 4 * 1024 * 1024;

constexpr const char* kUsage =
    "usage: sentrix-sim [interactive]             type steps at a prompt ('help' lists them)\n"
    "       sentrix-sim run FILE|NAME [--trace]   play a scenario file, or a shipped one by name\n"
    "       sentrix-sim --default [--trace]       play the shipped scenario \"living-room\"\n"
    "       sentrix-sim show NAME                 print a shipped scenario\n"
    "       sentrix-sim edid FILE                 the CEC physical address derived from an EDID file\n"
    "  --trace  interleaves the controller's trace log lines in the timeline\n"
    "exit status: 0 every expectation held (edid: an address found), 1 an expectation failed\n"
    "             (edid: none), 2 a malformed scenario, an unreadable file or bad arguments\n";

int usageError(std::ostream& err, const std::string& message) {
    err << "sentrix-sim: " << message << "\n" << kUsage;
    return kExitBadInput;
}

enum class Read { Ok, Missing, TooLarge };

Read readFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return Read::Missing;
    }
    bytes.clear();
    char buffer[65536];
    while (file.read(buffer, sizeof buffer) || file.gcount() > 0) {
        bytes.insert(bytes.end(), buffer, buffer + file.gcount());
        if (bytes.size() > kMaxFileBytes) {
            return Read::TooLarge;
        }
    }
    return file.bad() ? Read::Missing : Read::Ok;
}

const BuiltinScenario* findBuiltin(std::string name) {
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".scn") == 0) {
        name.resize(name.size() - 4);
    }
    for (const BuiltinScenario& builtin : builtinScenarios()) {
        if (name == builtin.name) {
            return &builtin;
        }
    }
    return nullptr;
}

std::string builtinNames() {
    std::string names;
    for (const BuiltinScenario& builtin : builtinScenarios()) {
        names += (names.empty() ? "" : ", ") + std::string(builtin.name);
    }
    return names;
}

// The timeline printer: every event, trace log lines only when asked for.
scenario::Journal::Listener printer(std::ostream& out, bool trace) {
    return [&out, trace](const scenario::Event& event) {
        if (event.kind == scenario::EventKind::Log && !trace) {
            return;
        }
        out << scenario::Journal::format(event) << '\n';
        if (event.kind == scenario::EventKind::Step || event.kind == scenario::EventKind::Failure) {
            out.flush();
        }
    };
}

int play(const std::string& name, const std::string& text, bool trace, std::ostream& out, std::ostream& err) {
    scenario::Scenario parsed;
    scenario::ScenarioError error;
    if (!scenario::parseScenario(text, name, parsed, error)) {
        err << error.text() << "\n";
        return kExitBadInput;
    }
    scenario::Journal journal;
    journal.setListener(printer(out, trace));
    std::string problem;
    scenario::VirtualTarget target(journal, &problem);
    if (!problem.empty()) {
        err << "sentrix-sim: " << problem << "\n";
        return kExitBadInput;
    }
    scenario::ScenarioRunner runner(target, journal);
    const scenario::RunOutcome outcome = runner.play(parsed);
    journal.setListener(nullptr);
    out.flush();
    if (!outcome.ok()) {
        err << outcome.failures.front().text() << "\n";
        return kExitFailed;
    }
    out << "sentrix-sim: " << name << ": " << outcome.stepsPlayed << " steps, " << outcome.expectationsHeld
        << " expectations held\n";
    return kExitOk;
}

int runCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::optional<std::string> file;
    bool trace = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--trace") {
            trace = true;
        } else if (!args[i].empty() && args[i][0] == '-') {
            return usageError(err, "unknown option '" + args[i] + "'");
        } else if (file) {
            return usageError(err, "one scenario at a time ('" + args[i] + "' is one too many)");
        } else {
            file = args[i];
        }
    }
    if (!file) {
        return usageError(err, "run needs a scenario file");
    }
    std::vector<std::uint8_t> bytes;
    switch (readFile(*file, bytes)) {
    case Read::Ok:
        return play(*file, std::string(bytes.begin(), bytes.end()), trace, out, err);
    case Read::TooLarge:
        err << "sentrix-sim: " << *file << ": too large for a scenario\n";
        return kExitBadInput;
    case Read::Missing:
        break;
    }
    if (const BuiltinScenario* builtin = findBuiltin(*file)) {
        return play(std::string(builtin->name) + ".scn", builtin->text, trace, out, err);
    }
    err << "sentrix-sim: cannot read '" << *file
        << "' (and no shipped scenario has that name; there are: " << builtinNames() << ")\n";
    return kExitBadInput;
}

int edidCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 2) {
        return usageError(err, "edid needs exactly one file");
    }
    std::vector<std::uint8_t> bytes;
    const Read read = readFile(args[1], bytes);
    if (read != Read::Ok) {
        err << "sentrix-sim: " << args[1] << ": "
            << (read == Read::TooLarge ? "too large for an EDID" : "cannot read it") << "\n";
        return kExitBadInput;
    }
    std::vector<std::uint8_t> edid;
    std::string error;
    if (!parseEdid(bytes, edid, error)) {
        err << "sentrix-sim: " << args[1] << ": " << error << "\n";
        return kExitBadInput;
    }
    const std::optional<std::string> address = edidPhysicalAddress(edid);
    out << (address ? *address : "none") << "\n";
    return address ? kExitOk : kExitFailed;
}

// Steps as they are typed; "help [topic]" and "quit" are handled here.
class PromptSource final : public scenario::StepSource {
public:
    PromptSource(std::istream& in, std::ostream& out, std::ostream& err) : m_in(in), m_out(out), m_err(err) {}

    bool next(scenario::Step& step) override {
        for (;;) {
            m_out << "> " << std::flush;
            std::string line;
            if (!std::getline(m_in, line)) {
                m_out << "\n";
                return false;
            }
            ++m_line;
            const std::size_t start = line.find_first_not_of(" \t\r");
            const std::string word = start == std::string::npos
                                         ? ""
                                         : line.substr(start, line.find_first_of(" \t\r", start) - start);
            if (word == "help") {
                const std::size_t topic = line.find_first_not_of(" \t\r", start + 4);
                const std::string help =
                    scenario::stepHelp(topic == std::string::npos ? "" : line.substr(topic));
                m_out << (help.empty() ? "no step starts with that; 'help' lists them all\n" : help);
                continue;
            }
            if (word == "quit" || word == "exit") {
                return false;
            }
            scenario::ScenarioError error;
            switch (scenario::parseLine(line, "stdin", m_line, step, error)) {
            case scenario::LineParse::Step:
                return true;
            case scenario::LineParse::Empty:
                continue;
            case scenario::LineParse::Error:
                m_err << error.text() << "\n";
                continue;
            }
        }
    }

private:
    std::istream& m_in;
    std::ostream& m_out;
    std::ostream& m_err;
    std::size_t m_line = 0;
};

int interactive(std::istream& in, std::ostream& out, std::ostream& err) {
    out << "sentrix-sim: a notebook, a TV and the controller in virtual time.\n"
           "Type steps ('help' lists them, 'help tv' those of the TV); time stands still until you\n"
           "'wait'. End of input (or 'quit') ends. For a start: tv vendor maker, cable plug,\n"
           "controller start, wait 20s, tv switch pc, wait 10s.\n";
    scenario::Journal journal;
    journal.setListener(printer(out, false));
    std::string problem;
    scenario::VirtualTarget target(journal, &problem);
    if (!problem.empty()) {
        err << "sentrix-sim: " << problem << "\n";
        return kExitBadInput;
    }
    scenario::ScenarioRunner runner(target, journal);
    PromptSource source(in, out, err);
    const scenario::RunOutcome outcome = runner.play(source, "stdin", false);
    journal.setListener(nullptr);
    for (const scenario::ScenarioError& failure : outcome.failures) {
        err << failure.text() << "\n";
    }
    return outcome.ok() ? kExitOk : kExitFailed;
}

} // namespace

int sentrixSim(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err) {
    if (args.empty() || args[0] == "interactive") {
        if (args.size() > 1) {
            return usageError(err, "interactive takes no arguments");
        }
        return interactive(in, out, err);
    }
    const std::string& command = args[0];
    if (command == "help" || command == "--help" || command == "-h") {
        out << kUsage;
        return kExitOk;
    }
    if (command == "run") {
        return runCommand(args, out, err);
    }
    if (command == "--default") {
        bool trace = false;
        for (std::size_t i = 1; i < args.size(); ++i) {
            if (args[i] != "--trace") {
                return usageError(err, "--default takes only --trace");
            }
            trace = true;
        }
        const BuiltinScenario* builtin = findBuiltin(kDefaultScenario);
        if (builtin == nullptr) {
            err << "sentrix-sim: this build ships no scenario '" << kDefaultScenario << "'\n";
            return kExitBadInput;
        }
        return play(std::string(builtin->name) + ".scn", builtin->text, trace, out, err);
    }
    if (command == "show") {
        if (args.size() != 2) {
            return usageError(err, "show needs the name of a shipped scenario");
        }
        if (const BuiltinScenario* builtin = findBuiltin(args[1])) {
            out << builtin->text;
            return kExitOk;
        }
        err << "sentrix-sim: no shipped scenario '" << args[1] << "' (there are: " << builtinNames() << ")\n";
        return kExitBadInput;
    }
    if (command == "edid") {
        return edidCommand(args, out, err);
    }
    return usageError(err, "unknown command '" + command + "'");
}

} // namespace simtool
