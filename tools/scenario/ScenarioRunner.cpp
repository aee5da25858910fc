// Plays scenarios and checks their expectations. Portable.
#include "tools/scenario/ScenarioRunner.h"

#include "common/Text.h"
#include "tools/scenario/NoticeChecks.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <regex>

namespace scenario {
namespace {

// How often an expectation "within" a bound is checked again while it does not hold.
constexpr std::uint64_t kRecheckMs = 20;

// Steps of an already parsed scenario, in order.
class ListSource final : public StepSource {
public:
    explicit ListSource(const Scenario& scenario) : m_scenario(scenario) {}
    bool next(Step& step) override {
        if (m_next >= m_scenario.steps.size()) {
            return false;
        }
        step = m_scenario.steps[m_next++];
        return true;
    }

private:
    const Scenario& m_scenario;
    std::size_t m_next = 0;
};

bool containsNoCase(std::string_view haystack, std::string_view needle) {
    const auto it =
        std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end(), [](char a, char b) {
            return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
        });
    return it != haystack.end();
}

bool frameMatches(const Event& event, const FramePattern& pattern) {
    if (event.kind != EventKind::Frame) {
        return false;
    }
    return pattern.text.empty() ? event.bytes == pattern.bytes : containsNoCase(event.subject, pattern.text);
}

std::string patternText(const FramePattern& pattern) {
    return pattern.text.empty() ? hexText(pattern.bytes) : "\"" + pattern.text + "\"";
}

// A program's file matches a name when it is that name or a path ending in it.
bool fileMatches(const std::string& file, const std::string& wanted) {
    if (wanted.empty()) {
        return true;
    }
    const std::wstring f = text::fromUtf8(file);
    const std::wstring w = text::fromUtf8(wanted);
    if (text::equalsNoCase(f, w)) {
        return true;
    }
    return f.size() > w.size() &&
           (f[f.size() - w.size() - 1] == L'\\' || f[f.size() - w.size() - 1] == L'/') &&
           text::equalsNoCase(std::wstring_view(f).substr(f.size() - w.size()), w);
}

std::string soundName(SoundOutput output) {
    return output == SoundOutput::Hdmi ? "HDMI" : "the speaker";
}

std::string registryText(std::uint32_t type, const std::vector<std::uint8_t>& bytes) {
    if (type == kRegDword && bytes.size() == 4) {
        const std::uint32_t value = static_cast<std::uint32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16 |
                                                               static_cast<std::uint32_t>(bytes[3]) << 24);
        char text[32];
        std::snprintf(text, sizeof text, "dword %u (0x%x)", value, value);
        return text;
    }
    if (type == kRegString) {
        return "string \"" + text::toUtf8(text::fromUtf16Le(bytes.data(), bytes.size())) + "\"";
    }
    return "type " + std::to_string(type) + " bytes " + hexText(bytes);
}

std::string registryPath(Hive hive, const std::wstring& path, const std::wstring& name) {
    return std::string(hive == Hive::Machine ? "HKLM\\" : "HKCU\\") + text::toUtf8(path) + " " +
           (name.empty() ? "@" : text::toUtf8(name));
}

std::string inputText(const std::optional<std::uint16_t>& input, std::uint16_t pcInput) {
    if (!input) {
        return "its tuner";
    }
    return addressText(*input) + (*input == pcInput ? " (the PC)" : "");
}

} // namespace

std::string arrangementName(std::uint32_t value) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%x", value);
    switch (value) {
    case arrangement::kPanel:
        return std::string("the panel alone (") + hex + ")";
    case arrangement::kHdmi:
        return std::string("HDMI alone (") + hex + ")";
    case arrangement::kClone:
        return std::string("clone (") + hex + ")";
    case arrangement::kPanelExtended:
        return std::string("panel primary, HDMI extended (") + hex + ")";
    case arrangement::kHdmiExtended:
        return std::string("HDMI primary, panel extended (") + hex + ")";
    default:
        return hex;
    }
}

std::string addressText(std::uint16_t address) {
    char text[16];
    std::snprintf(text, sizeof text, "%x.%x.%x.%x", (address >> 12) & 0xF, (address >> 8) & 0xF,
                  (address >> 4) & 0xF, address & 0xF);
    return text;
}

std::string hexText(const std::vector<std::uint8_t>& bytes) {
    std::string out;
    char text[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(text, sizeof text, "%02x", bytes[i]);
        out += (i == 0 ? "" : " ") + std::string(text);
    }
    return out;
}

ScenarioRunner::ScenarioRunner(ScenarioTarget& target, Journal& journal)
    : m_target(target), m_journal(journal) {}

RunOutcome ScenarioRunner::play(const Scenario& scenario) {
    ListSource source(scenario);
    return play(source, scenario.file, true);
}

RunOutcome ScenarioRunner::play(StepSource& source, const std::string& file, bool stopAtFailure) {
    m_source = &source;
    m_file = file;
    m_stopAtFailure = stopAtFailure;
    m_done = false;
    m_outcome = RunOutcome{};
    m_lastLine = 0;
    m_checkpoint = m_journal.size();
    m_checkpointTime = m_target.now();
    m_frameCursor = m_checkpoint;
    m_lastFrameTime.reset();
    m_waiting.reset();
    m_target.schedule(0, [this] { resume(); });
    const std::string stopped = m_target.run([this] { return m_done; });
    m_target.collect();
    if (!stopped.empty()) {
        const ScenarioError error{m_file, m_lastLine, "the world cannot go on: " + stopped};
        m_journal.add(makeEvent(m_target.now(), EventKind::Failure, error.text()));
        m_outcome.failures.push_back(error);
    }
    m_source = nullptr;
    return m_outcome;
}

void ScenarioRunner::resume() {
    while (!m_done) {
        m_target.collect(); // the timeline is up to date before the next step is even read
        if (m_waiting && !checkWaiting()) {
            return;
        }
        if (m_done) {
            return;
        }
        Step step;
        if (!m_source->next(step)) {
            m_done = true;
            return;
        }
        m_lastLine = step.line;
        ++m_outcome.stepsPlayed;
        if (step.kind != StepKind::Note && step.kind != StepKind::Expect) {
            m_journal.add(makeEvent(m_target.now(), EventKind::Step, step.source));
        }
        if (step.kind == StepKind::Wait) {
            m_target.schedule(step.waitMs, [this] { resume(); });
            return;
        }
        if (step.kind == StepKind::Expect && step.expectation.withinMs) {
            m_waitingUntil = m_target.now() + *step.expectation.withinMs;
            m_waiting = std::move(step);
            continue;
        }
        playStep(step);
    }
}

bool ScenarioRunner::checkWaiting() {
    const std::string wrong = check(m_waiting->expectation);
    const std::uint64_t now = m_target.now();
    if (wrong.empty()) {
        held(*m_waiting);
    } else if (now >= m_waitingUntil) {
        fail(*m_waiting, wrong + " (waited " + std::to_string(*m_waiting->expectation.withinMs) + " ms)");
    } else {
        m_target.schedule(std::min(kRecheckMs, m_waitingUntil - now), [this] { resume(); });
        return false;
    }
    m_waiting.reset();
    return true;
}

void ScenarioRunner::held(const Step& step) {
    ++m_outcome.expectationsHeld;
    m_journal.add(makeEvent(m_target.now(), EventKind::Held, step.source));
}

void ScenarioRunner::playStep(const Step& step) {
    switch (step.kind) {
    case StepKind::Wait:
        break;
    case StepKind::Checkpoint:
        m_checkpoint = m_journal.size();
        m_checkpointTime = m_target.now();
        m_frameCursor = m_checkpoint;
        m_lastFrameTime.reset();
        break;
    case StepKind::Note:
        m_journal.add(makeEvent(m_target.now(), EventKind::Note, step.note));
        break;
    case StepKind::Action: {
        const std::string why = m_target.act(step.action);
        if (!why.empty()) {
            fail(step, why);
        }
        break;
    }
    case StepKind::Expect: {
        const std::string wrong = check(step.expectation);
        if (wrong.empty()) {
            held(step);
        } else {
            fail(step, wrong);
        }
        break;
    }
    }
}

void ScenarioRunner::fail(const Step& step, const std::string& message) {
    const ScenarioError error{m_file, step.line, message};
    m_journal.add(makeEvent(m_target.now(), EventKind::Failure, error.text() + "   (" + step.source + ")"));
    m_outcome.failures.push_back(error);
    if (m_stopAtFailure) {
        m_done = true;
    }
}

std::string ScenarioRunner::check(const Expectation& e) {
    switch (e.kind) {
    case ExpectKind::Frame:
        return e.negated ? checkSinceCheckpoint(e) : checkFrame(e);
    case ExpectKind::Program:
    case ExpectKind::Log:
    case ExpectKind::Notification:
    case ExpectKind::MessageBox:
    case ExpectKind::MediaCommand:
    case ExpectKind::Eject:
    case ExpectKind::Menu:
        return checkSinceCheckpoint(e);
    case ExpectKind::Keys:
        return checkKeys(e);
    case ExpectKind::Display: {
        const std::uint32_t now = m_target.displayArrangement();
        return now == e.value
                   ? std::string()
                   : "the display is " + arrangementName(now) + ", expected " + arrangementName(e.value);
    }
    case ExpectKind::Sound: {
        const SoundOutput now = m_target.soundOutput();
        return now == e.sound ? std::string()
                              : "the sound goes to " + soundName(now) + ", expected " + soundName(e.sound);
    }
    case ExpectKind::Window: {
        const bool exists = m_target.windowExists(text::fromUtf8(e.text), text::fromUtf8(e.text2));
        if (exists == !e.negated) {
            return {};
        }
        return std::string(exists ? "a window " : "no window ") + "of class \"" + e.text + "\" titled \"" +
               e.text2 + "\" exists";
    }
    case ExpectKind::Registry: {
        const std::optional<RegistryData> value = m_target.registryValue(e.hive, e.path, e.name);
        const std::string where = registryPath(e.hive, e.path, e.name);
        if (e.valueType == 0) {
            return value ? where + " is " + registryText(value->type, value->bytes) + ", expected it missing"
                         : std::string();
        }
        if (!value) {
            return where + " is missing, expected " + registryText(e.valueType, e.bytes);
        }
        if (value->type != e.valueType || value->bytes != e.bytes) {
            return where + " is " + registryText(value->type, value->bytes) + ", expected " +
                   registryText(e.valueType, e.bytes);
        }
        return {};
    }
    case ExpectKind::TvPower: {
        const TvState tv = m_target.tvState();
        return tv.on == e.flag ? std::string()
                               : std::string("the TV is ") + (tv.on ? "on" : "in standby") +
                                     ", expected it " + (e.flag ? "on" : "in standby");
    }
    case ExpectKind::TvInput: {
        const TvState tv = m_target.tvState();
        const std::optional<std::uint16_t> wanted =
            e.toPc ? std::optional<std::uint16_t>(tv.pcInput) : e.address;
        return tv.input == wanted ? std::string()
                                  : "the TV's input is " + inputText(tv.input, tv.pcInput) + ", expected " +
                                        inputText(wanted, tv.pcInput);
    }
    case ExpectKind::TvShowingPc: {
        const TvState tv = m_target.tvState();
        if (tv.showsPc == e.flag) {
            return {};
        }
        return std::string(tv.showsPc ? "the TV shows the PC" : "the TV does not show the PC") + " (" +
               (tv.on ? "on" : "standby") + ", input " + inputText(tv.input, tv.pcInput) + ")";
    }
    case ExpectKind::Notice:
        return checkNotice(m_target, e);
    case ExpectKind::MenuState:
        return checkMenuState(m_target, e);
    case ExpectKind::ControllerRunning: {
        const bool running = m_target.controllerRunning();
        return running == e.flag ? std::string()
                                 : std::string("the controller is ") + (running ? "running" : "not running");
    }
    case ExpectKind::SettingsBox:
    case ExpectKind::SettingsAbout:
    case ExpectKind::SettingsOpen:
    case ExpectKind::FirmwareSetting:
        return checkSettings(e);
    case ExpectKind::ExitCode:
    case ExpectKind::Process:
    case ExpectKind::File:
    case ExpectKind::LogLayout:
        return checkMachine(e);
    }
    return "unknown expectation";
}

std::string ScenarioRunner::checkFrame(const Expectation& e) {
    const std::vector<Event>& events = m_journal.events();
    for (std::size_t i = m_frameCursor; i < events.size(); ++i) {
        if (!frameMatches(events[i], e.frame)) {
            continue;
        }
        const std::uint64_t reference = m_lastFrameTime ? *m_lastFrameTime : m_checkpointTime;
        const std::uint64_t gap = events[i].time - reference;
        const std::uint64_t tolerance = e.toleranceMs.value_or(0);
        if (e.afterMs && (gap + tolerance < *e.afterMs || gap > *e.afterMs + tolerance)) {
            return "the frame " + patternText(e.frame) + " came at " + Journal::timeStamp(events[i].time) +
                   ", " + std::to_string(gap) + " ms after " +
                   (m_lastFrameTime ? "the previous matched frame" : "the checkpoint") + ", expected " +
                   std::to_string(*e.afterMs) + " ms" +
                   (e.toleranceMs ? " +- " + std::to_string(tolerance) + " ms" : std::string());
        }
        m_frameCursor = i + 1;
        m_lastFrameTime = events[i].time;
        return {};
    }
    std::string message = "no frame " + patternText(e.frame) + " on the bus";
    message += m_lastFrameTime ? " after the frame matched at " + Journal::timeStamp(*m_lastFrameTime)
                               : " since " + Journal::timeStamp(m_checkpointTime);
    std::size_t seen = 0;
    std::string last;
    for (std::size_t i = m_frameCursor; i < events.size(); ++i) {
        if (events[i].kind == EventKind::Frame) {
            ++seen;
            last = Journal::timeStamp(events[i].time) + " " + events[i].subject;
        }
    }
    message += seen == 0 ? " (no other frame)"
                         : " (" + std::to_string(seen) + (seen == 1 ? " other frame" : " other frames") +
                               ", the last: " + last + ")";
    return message;
}

std::string ScenarioRunner::checkSinceCheckpoint(const Expectation& e) {
    const std::vector<Event>& events = m_journal.events();
    if (e.kind == ExpectKind::Log && e.count) {
        const auto lines = std::count_if(events.begin() + static_cast<std::ptrdiff_t>(m_checkpoint),
                                         events.end(), [&](const Event& event) {
                                             return event.kind == EventKind::Log &&
                                                    event.text.find(e.text) != std::string::npos;
                                         });
        return static_cast<std::uint32_t>(lines) == *e.count
                   ? std::string()
                   : std::to_string(lines) + " log lines containing \"" + e.text + "\" since " +
                         Journal::timeStamp(m_checkpointTime) + ", expected " + std::to_string(*e.count);
    }
    const Event* found = nullptr;
    for (std::size_t i = m_checkpoint; i < events.size(); ++i) {
        const Event& event = events[i];
        bool match = false;
        switch (e.kind) {
        case ExpectKind::Frame:
            match = frameMatches(event, e.frame);
            break;
        case ExpectKind::Program:
            match = event.kind == EventKind::Program && fileMatches(event.subject, e.text) &&
                    (!e.hasText2 || event.detail == e.text2);
            break;
        case ExpectKind::Log:
            match = event.kind == EventKind::Log && event.text.find(e.text) != std::string::npos;
            break;
        case ExpectKind::Notification:
            match = event.kind == EventKind::Notification;
            break;
        case ExpectKind::MessageBox:
            match = event.kind == EventKind::MessageBox && event.subject.find(e.text) != std::string::npos;
            break;
        case ExpectKind::MediaCommand:
            match = event.kind == EventKind::MediaCommand && (!e.flag || event.value == e.value);
            break;
        case ExpectKind::Eject:
            match = event.kind == EventKind::Eject;
            break;
        case ExpectKind::Menu:
            match = event.kind == EventKind::Launcher && event.subject.find(e.text) != std::string::npos;
            break;
        default:
            break;
        }
        if (match) {
            found = &event;
            if (e.negated || e.kind != ExpectKind::Notification) {
                break; // the first one is enough; of notices the last one counts
            }
        }
    }
    const std::string since = " since " + Journal::timeStamp(m_checkpointTime);
    if (e.negated) {
        return found == nullptr
                   ? std::string()
                   : "unexpected at " + Journal::timeStamp(found->time) + ": " + Journal::label(found->kind) +
                         " " + (found->kind == EventKind::Frame ? found->subject : found->text);
    }
    switch (e.kind) {
    case ExpectKind::Notification:
        if (found == nullptr) {
            return "no notice was asked for" + since;
        }
        return found->value == static_cast<std::int64_t>(e.value)
                   ? std::string()
                   : "the notice asked for at " + Journal::timeStamp(found->time) + " is " +
                         (found->value == 1 ? "supported" : "not-supported") + ", expected " +
                         (e.value == 1 ? "supported" : "not-supported");
    case ExpectKind::Program:
        return found != nullptr
                   ? std::string()
                   : "no program " + e.text + (e.hasText2 ? " \"" + e.text2 + "\"" : "") + " started" + since;
    case ExpectKind::Log:
        return found != nullptr ? std::string() : "no log line containing \"" + e.text + "\"" + since;
    case ExpectKind::MediaCommand:
        return found != nullptr ? std::string()
                                : "no media command " + std::to_string(e.value) + " sent" + since;
    case ExpectKind::Eject:
        return found != nullptr ? std::string() : "no disc was ejected" + since;
    case ExpectKind::Menu:
        return found != nullptr ? std::string() : "no control menu with \"" + e.text + "\" offered" + since;
    case ExpectKind::MessageBox:
        return found != nullptr
                   ? std::string()
                   : (e.text.empty() ? "no message box" : "no message box with \"" + e.text + "\"") +
                         " shown" + since;
    default:
        return found != nullptr ? std::string() : "not seen" + since;
    }
}

std::string ScenarioRunner::checkMachine(const Expectation& e) {
    switch (e.kind) {
    case ExpectKind::ExitCode: {
        std::uint32_t code = 0;
        const std::string why = m_target.lastExitCode(code);
        if (!why.empty()) {
            return why;
        }
        return code == e.value ? std::string()
                               : "the last program run ended with exit code " + std::to_string(code) +
                                     ", expected " + std::to_string(e.value);
    }
    case ExpectKind::Process: {
        bool running = false;
        const std::string why = m_target.programRunning(e.path, running);
        if (!why.empty()) {
            return why;
        }
        return running == e.flag ? std::string()
                                 : text::toUtf8(e.path) + (running ? " still runs" : " does not run");
    }
    case ExpectKind::File: {
        std::string content;
        const std::string why = m_target.fileContent(e.path, content);
        if (!why.empty()) {
            return why;
        }
        return content.find(e.text) != std::string::npos
                   ? std::string()
                   : "the file " + text::toUtf8(e.path) + " does not contain \"" + e.text + "\"";
    }
    case ExpectKind::LogLayout: {
        std::string content;
        const std::string why = m_target.traceLogContent(content);
        if (!why.empty()) {
            return why;
        }
        const std::optional<std::string> fault = logLayoutFault(content);
        return fault ? "the trace log, " + *fault : std::string();
    }
    default:
        return "not an expectation on the machine";
    }
}

std::optional<std::string> logLayoutFault(const std::string& content) {
    if (content.empty()) {
        return "line 1: the log is empty";
    }
    static const std::regex kLine(
        R"( :TID\[0x[0-9a-f]+\]\[\d{4}/\d{2}/\d{2} \d{2}:\d{2}:\d{2}\.\d{3}\] \.\\[^ \\]+ \(\d+\) : .*)");
    std::size_t start = 0;
    int number = 0;
    while (start < content.size()) {
        ++number;
        const std::size_t end = content.find('\n', start);
        if (end == std::string::npos) {
            return "line " + std::to_string(number) + ": no line end";
        }
        if (end == start || content[end - 1] != '\r') {
            return "line " + std::to_string(number) + ": does not end in CR LF";
        }
        const std::string line = content.substr(start, end - 1 - start);
        if (line.find('\r') != std::string::npos || !std::regex_match(line, kLine)) {
            return "line " + std::to_string(number) + ": not in the layout: " + line.substr(0, 200);
        }
        start = end + 1;
    }
    return std::nullopt;
}

std::string ScenarioRunner::checkKeys(const Expectation& e) {
    const std::vector<Event>& events = m_journal.events();
    std::string sent;
    std::string focus;
    for (std::size_t i = m_checkpoint; i < events.size(); ++i) {
        const Event& event = events[i];
        if (event.kind != EventKind::Keys) {
            continue;
        }
        sent += (sent.empty() ? "" : ", ") + event.detail;
        if (e.hasText2 && focus.empty() && !containsNoCase(event.subject, e.text2)) {
            focus = event.subject.empty() ? std::string("no window") : event.subject;
        }
    }
    const std::string since = " since " + Journal::timeStamp(m_checkpointTime);
    if (e.negated) {
        return sent.empty() ? std::string() : "keys sent" + since + ": " + sent;
    }
    if (sent != e.text) {
        return (sent.empty() ? "no keys sent" : "the keys sent were " + sent) + since + ", expected " +
               e.text;
    }
    if (!focus.empty()) {
        return "the keys went to " + focus + ", expected a window of class " + e.text2;
    }
    return {};
}

} // namespace scenario
