// Parsing of the firmware simulator's step list. Portable.
#include "tools/firmware-sim/Script.h"

#include "common/Text.h"
#include "sim/CecOpcodes.h"

#include <algorithm>
#include <cctype>
#include <limits>
#include <sstream>

namespace fwsim {

namespace {

// Bounds of the numbers a script may give.
constexpr std::uint64_t kMaxTimeMs = 24ull * 60 * 60 * 1000;
constexpr std::uint32_t kMaxVendorId = 0xFFFFFF;
constexpr std::uint32_t kMaxMeasureCount = 100000;

struct Failure {
    std::string message;
};

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::optional<std::uint64_t> parseNumber(const std::string& word) {
    if (word.empty()) {
        return std::nullopt;
    }
    int base = 10;
    std::size_t start = 0;
    if (word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) {
        base = 16;
        start = 2;
    }
    std::uint64_t value = 0;
    for (std::size_t i = start; i < word.size(); ++i) {
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(word[i])));
        int digit = -1;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        }
        if (digit < 0) {
            return std::nullopt;
        }
        if (value > (std::numeric_limits<std::uint64_t>::max() - static_cast<std::uint64_t>(digit)) / base) {
            return std::nullopt;
        }
        value = value * base + static_cast<std::uint64_t>(digit);
    }
    return value;
}

// Reads the words of one step from left to right.
class Words {
public:
    explicit Words(std::vector<std::string> words) : m_words(std::move(words)) {}

    bool done() const { return m_next >= m_words.size(); }
    std::optional<std::string> peek() const {
        return done() ? std::nullopt : std::optional<std::string>(m_words[m_next]);
    }
    std::string next(const char* what) {
        if (done()) {
            throw Failure{std::string("missing ") + what};
        }
        return m_words[m_next++];
    }
    bool accept(const char* keyword) {
        if (!done() && lower(m_words[m_next]) == keyword) {
            ++m_next;
            return true;
        }
        return false;
    }
    std::uint64_t number(const char* what, std::uint64_t max) {
        const std::string word = next(what);
        const auto value = parseNumber(word);
        if (!value || *value > max) {
            throw Failure{std::string("bad ") + what + " '" + word + "'"};
        }
        return *value;
    }
    std::vector<std::string> rest() {
        std::vector<std::string> out(
            m_words.begin() + static_cast<std::ptrdiff_t>(std::min(m_next, m_words.size())), m_words.end());
        m_next = m_words.size();
        return out;
    }
    void end() {
        if (!done()) {
            throw Failure{"unexpected '" + m_words[m_next] + "'"};
        }
    }

private:
    std::vector<std::string> m_words;
    std::size_t m_next = 0;
};

std::uint8_t parseOpcode(Words& words) {
    const std::string word = words.next("opcode");
    if (const auto value = parseNumber(word)) {
        if (*value > 0xFF) {
            throw Failure{"bad opcode '" + word + "'"};
        }
        return static_cast<std::uint8_t>(*value);
    }
    for (const sim::CecOpcodeInfo& info : sim::cecOpcodeTable()) {
        if (lower(info.name) == lower(word)) {
            return info.opcode;
        }
    }
    throw Failure{"unknown opcode '" + word + "'"};
}

AddressMatch parseAddress(Words& words) {
    const std::string word = lower(words.next("address"));
    if (word == "tv") {
        return {AddressMatch::Kind::Fixed, sim::cecaddr::kTv};
    }
    if (word == "pc") {
        return {AddressMatch::Kind::Pc, 0};
    }
    if (word == "broadcast") {
        return {AddressMatch::Kind::Fixed, sim::cecaddr::kBroadcast};
    }
    const auto value = parseNumber(word);
    if (!value || *value > 15) {
        throw Failure{"bad address '" + word + "'"};
    }
    return {AddressMatch::Kind::Fixed, static_cast<std::uint8_t>(*value)};
}

// "a.b.c.d", each a hexadecimal digit.
std::uint16_t parsePhysicalAddress(const std::string& word) {
    std::uint16_t address = 0;
    int digits = 0;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (i % 2 == 1) {
            if (word[i] != '.') {
                throw Failure{"bad physical address '" + word + "'"};
            }
            continue;
        }
        const auto digit = parseNumber("0x" + word.substr(i, 1));
        if (!digit) {
            throw Failure{"bad physical address '" + word + "'"};
        }
        address = static_cast<std::uint16_t>(address << 4 | *digit);
        ++digits;
    }
    if (digits != 4 || word.size() != 7) {
        throw Failure{"bad physical address '" + word + "'"};
    }
    return address;
}

void parseProgram(Words& words, Step& step) {
    step.program = text::fromUtf8(words.next("program"));
    for (const std::string& argument : words.rest()) {
        step.arguments.push_back(text::fromUtf8(argument));
    }
}

void parseTv(Words& words, Step& step) {
    const std::string action = lower(words.next("TV action"));
    if (action == "vendor") {
        step.kind = StepKind::TvVendor;
        step.number = static_cast<std::uint32_t>(words.number("vendor identifier", kMaxVendorId));
    } else if (action == "cec") {
        step.kind = StepKind::TvCec;
        if (words.accept("on")) {
            step.flag = true;
        } else if (words.accept("off")) {
            step.flag = false;
        } else {
            throw Failure{"tv cec takes on or off"};
        }
    } else if (action == "switch-to-pc") {
        step.kind = StepKind::TvSwitchToPc;
        step.flag = words.accept("routing-change");
    } else if (action == "switch-to") {
        step.kind = StepKind::TvSwitchTo;
        step.number = parsePhysicalAddress(words.next("physical address"));
        step.flag = words.accept("routing-change");
    } else if (action == "standby") {
        step.kind = StepKind::TvStandby;
    } else if (action == "power-on") {
        step.kind = StepKind::TvPowerOn;
    } else if (action == "give-osd-name") {
        step.kind = StepKind::TvGiveOsdName;
    } else if (action == "request-active-source") {
        step.kind = StepKind::TvRequestActiveSource;
    } else if (action == "menu-request") {
        step.kind = StepKind::TvMenuRequest;
        step.number = sim::cecval::kMenuActivate;
        if (words.accept("deactivate")) {
            step.number = sim::cecval::kMenuDeactivate;
        } else if (words.accept("query")) {
            step.number = sim::cecval::kMenuQuery;
        } else {
            words.accept("activate");
        }
    } else if (action == "send") {
        step.kind = StepKind::TvSend;
        while (!words.done()) {
            step.bytes.push_back(static_cast<std::uint8_t>(words.number("frame byte", 0xFF)));
        }
        if (step.bytes.empty() || step.bytes.size() > sim::kCecMaxFrame) {
            throw Failure{"tv send takes 1 to 16 bytes"};
        }
    } else {
        throw Failure{"unknown TV action '" + action + "'"};
    }
}

void parseFrameOptions(Words& words, Step& step, bool allowGap) {
    while (!words.done()) {
        if (words.accept("from")) {
            step.from = parseAddress(words);
        } else if (words.accept("to")) {
            step.to = parseAddress(words);
        } else if (words.accept("within") || words.accept("for")) {
            step.withinMs = words.number("time", kMaxTimeMs);
        } else if (allowGap && words.accept("operands")) {
            step.operands.emplace();
            while (!words.done()) {
                step.operands->push_back(static_cast<std::uint8_t>(words.number("operand", 0xFF)));
            }
            if (step.operands->size() > sim::kCecMaxFrame - 2) {
                throw Failure{"a frame has at most 14 operands"};
            }
        } else if (allowGap && words.accept("gap")) {
            step.gapMs = words.number("gap", kMaxTimeMs);
            step.toleranceMs = 100;
            if (words.accept("tolerance")) {
                step.toleranceMs = words.number("tolerance", kMaxTimeMs);
            }
        } else {
            throw Failure{"unexpected '" + words.next("option") + "'"};
        }
    }
}

void parseWithin(Words& words, Step& step) {
    if (words.accept("within")) {
        step.withinMs = words.number("time", kMaxTimeMs);
    }
}

void parseExpect(Words& words, Step& step) {
    const std::string what = lower(words.next("expectation"));
    if (what == "frame") {
        step.kind = StepKind::ExpectFrame;
        step.opcode = parseOpcode(words);
        parseFrameOptions(words, step, true);
    } else if (what == "no-frame") {
        step.kind = StepKind::ExpectNoFrame;
        step.opcode = parseOpcode(words);
        parseFrameOptions(words, step, false);
    } else if (what == "exit") {
        step.kind = StepKind::ExpectExit;
        step.number = static_cast<std::uint32_t>(words.number("exit code", 0xFFFFFFFF));
    } else if (what == "window") {
        step.kind = StepKind::ExpectWindow;
        if (words.accept("present")) {
            step.flag = true;
        } else if (words.accept("absent")) {
            step.flag = false;
        } else {
            throw Failure{"expect window takes present or absent"};
        }
        parseWithin(words, step);
    } else if (what == "process") {
        step.kind = StepKind::ExpectProcess;
        step.program = text::fromUtf8(words.next("program"));
        if (words.accept("running")) {
            step.flag = true;
        } else if (words.accept("ended")) {
            step.flag = false;
        } else {
            throw Failure{"expect process takes running or ended"};
        }
        parseWithin(words, step);
    } else if (what == "display") {
        step.kind = StepKind::ExpectDisplay;
        step.number = static_cast<std::uint32_t>(words.number("arrangement", 0xFFFFFFFF));
        parseWithin(words, step);
    } else if (what == "log") {
        step.kind = StepKind::ExpectLog;
        step.word = words.next("log text");
        step.number = 1;
        step.flag = false; // no count given: at least one
        while (!words.done()) {
            if (words.accept("count")) {
                step.number = static_cast<std::uint32_t>(words.number("count", 0xFFFFFFFF));
                step.flag = true;
            } else if (words.accept("within")) {
                step.withinMs = words.number("time", kMaxTimeMs);
            } else {
                throw Failure{"unexpected '" + words.next("option") + "'"};
            }
        }
    } else if (what == "log-layout") {
        step.kind = StepKind::ExpectLogLayout;
    } else if (what == "file") {
        step.kind = StepKind::ExpectFile;
        step.program = text::fromUtf8(words.next("file path"));
        step.word = words.next("text");
        parseWithin(words, step);
    } else if (what == "setting") {
        step.kind = StepKind::ExpectSetting;
        step.setting = static_cast<std::uint32_t>(words.number("setting number", 0xFFFF));
        step.number = static_cast<std::uint32_t>(words.number("setting value", 0xFFFFFFFF));
    } else {
        throw Failure{"unknown expectation '" + what + "'"};
    }
    words.end();
}

void parseMeasure(Words& words, Step& step) {
    const std::string what = lower(words.next("measurement"));
    if (what == "latency") {
        step.kind = StepKind::MeasureLatency;
        step.number = static_cast<std::uint32_t>(words.number("count", kMaxMeasureCount));
        step.word = "give-osd-name";
        if (words.accept("request-active-source")) {
            step.word = "request-active-source";
        } else {
            words.accept("give-osd-name");
        }
    } else if (what == "idle") {
        step.kind = StepKind::MeasureIdle;
        step.program = text::fromUtf8(words.next("program"));
        step.withinMs = words.number("time", kMaxTimeMs);
    } else {
        throw Failure{"unknown measurement '" + what + "'"};
    }
    words.end();
}

Step parseStep(const std::vector<std::string>& tokens) {
    Words words(tokens);
    Step step;
    const std::string verb = lower(words.next("step"));
    if (verb == "plug") {
        step.kind = StepKind::Plug;
    } else if (verb == "unplug") {
        step.kind = StepKind::Unplug;
    } else if (verb == "tv") {
        parseTv(words, step);
    } else if (verb == "key") {
        step.kind = StepKind::RemoteKey;
        step.number = static_cast<std::uint32_t>(words.number("key code", 0xFF));
    } else if (verb == "wait") {
        step.kind = StepKind::Wait;
        step.withinMs = words.number("time", kMaxTimeMs);
    } else if (verb == "mark") {
        step.kind = StepKind::Mark;
    } else if (verb == "start" || verb == "run") {
        step.kind = verb == "start" ? StepKind::Start : StepKind::Run;
        parseProgram(words, step);
    } else if (verb == "post") {
        step.kind = StepKind::Post;
        step.word = words.next("message name");
        if (!words.done()) {
            step.number = static_cast<std::uint32_t>(words.number("wParam", 0xFFFFFFFF));
        }
    } else if (verb == "press-key") {
        step.kind = StepKind::PressKey;
        step.number = static_cast<std::uint32_t>(words.number("virtual key", 0xFE));
        if (step.number == 0) {
            throw Failure{"bad virtual key '0'"};
        }
    } else if (verb == "expect") {
        parseExpect(words, step);
    } else if (verb == "measure") {
        parseMeasure(words, step);
    } else {
        throw Failure{"unknown step '" + verb + "'"};
    }
    words.end();
    return step;
}

} // namespace

std::optional<std::vector<std::string>> splitWords(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (const char c : line) {
        if (quoted) {
            if (c == '"') {
                quoted = false;
            } else {
                word += c;
            }
        } else if (c == '"') {
            quoted = true;
            inWord = true;
        } else if (c == ' ' || c == '\t' || c == '\r') {
            if (inWord) {
                words.push_back(word);
                word.clear();
                inWord = false;
            }
        } else {
            word += c;
            inWord = true;
        }
    }
    if (quoted) {
        return std::nullopt;
    }
    if (inWord) {
        words.push_back(word);
    }
    return words;
}

ParsedScript parseScript(const std::string& text) {
    ParsedScript parsed;
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        // A '#' outside quotes starts a comment.
        bool quoted = false;
        for (std::size_t i = 0; i < line.size(); ++i) {
            if (line[i] == '"') {
                quoted = !quoted;
            } else if (line[i] == '#' && !quoted) {
                line.erase(i);
                break;
            }
        }
        const auto words = splitWords(line);
        if (!words) {
            parsed.error = ScriptError{number, "unclosed quote"};
            parsed.steps.clear();
            return parsed;
        }
        if (words->empty()) {
            continue;
        }
        try {
            Step step = parseStep(*words);
            step.line = number;
            const auto first = line.find_first_not_of(" \t");
            const auto last = line.find_last_not_of(" \t\r");
            step.text = line.substr(first, last - first + 1);
            parsed.steps.push_back(std::move(step));
        } catch (const Failure& failure) {
            parsed.error = ScriptError{number, failure.message};
            parsed.steps.clear();
            return parsed;
        }
    }
    return parsed;
}

} // namespace fwsim
