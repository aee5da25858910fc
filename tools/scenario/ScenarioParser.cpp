// The parser of the scenario language: tokenizer, argument readers and the table of steps.
// Portable.
#include "tools/scenario/ScenarioParser.h"

#include "common/FirmwareEvents.h"
#include "common/Text.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <limits>
#include <vector>

namespace scenario {
namespace {

constexpr std::size_t kMaxFrameBytes = 16;
constexpr std::uint64_t kMaxDurationMs = 366ull * 24 * 60 * 60 * 1000;
constexpr std::uint32_t kMaxVendor = 0xFFFFFF;
constexpr std::uint32_t kMaxByte = 0xFF;
constexpr std::uint32_t kMaxWord = 0xFFFF;
constexpr std::uint32_t kMaxDword = 0xFFFFFFFF;
// The maker's vendor identifier, which "tv vendor maker" names.
constexpr std::uint32_t kMakerVendor = 0x0A1B2C;
constexpr std::uint32_t kWakeupFactorCec = 0x31;

constexpr std::uint32_t kVkBrowserBack = 0xA6;
constexpr std::uint32_t kIdOk = 1;
constexpr std::uint32_t kIdCancel = 2;

struct Token {
    std::string text;
    bool quoted = false;
};

// A malformed line; thrown inside the parser only and turned into a ScenarioError.
struct Malformed {
    std::string message;
};

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// Splits a line into words; stops at a '#' that begins a word. `end` receives where the step's
// text ends (the comment's start, or the line's end).
std::vector<Token> tokenize(std::string_view line, std::size_t& end) {
    std::vector<Token> tokens;
    std::size_t i = 0;
    end = line.size();
    while (i < line.size()) {
        if (isBlank(line[i])) {
            ++i;
            continue;
        }
        if (line[i] == '#') {
            end = i;
            break;
        }
        Token token;
        if (line[i] == '"') {
            token.quoted = true;
            ++i;
            bool closed = false;
            while (i < line.size()) {
                const char c = line[i];
                if (c == '\\' && i + 1 < line.size() && (line[i + 1] == '"' || line[i + 1] == '\\')) {
                    token.text += line[i + 1];
                    i += 2;
                } else if (c == '"') {
                    ++i;
                    closed = true;
                    break;
                } else {
                    token.text += c;
                    ++i;
                }
            }
            if (!closed) {
                throw Malformed{"unterminated quoted text (a '\"' is missing)"};
            }
            if (i < line.size() && !isBlank(line[i]) && line[i] != '#') {
                throw Malformed{"a quoted text must be followed by a blank"};
            }
        } else {
            while (i < line.size() && !isBlank(line[i])) {
                token.text += line[i++];
            }
        }
        tokens.push_back(std::move(token));
    }
    return tokens;
}

bool digitValue(char c, int base, unsigned& value) {
    if (c >= '0' && c <= '9') {
        value = static_cast<unsigned>(c - '0');
    } else if (c >= 'a' && c <= 'f') {
        value = static_cast<unsigned>(c - 'a' + 10);
    } else if (c >= 'A' && c <= 'F') {
        value = static_cast<unsigned>(c - 'A' + 10);
    } else {
        return false;
    }
    return value < static_cast<unsigned>(base);
}

// Digits of `base` only, at least one; false on anything else or a value above `max`.
bool parseDigits(std::string_view s, int base, std::uint64_t max, std::uint64_t& out, bool& tooBig) {
    tooBig = false;
    if (s.empty()) {
        return false;
    }
    std::uint64_t value = 0;
    for (char c : s) {
        unsigned digit = 0;
        if (!digitValue(c, base, digit)) {
            return false;
        }
        if (value > (max - digit) / static_cast<std::uint64_t>(base)) {
            tooBig = true;
            return false;
        }
        value = value * static_cast<std::uint64_t>(base) + digit;
    }
    out = value;
    return true;
}

bool hasHexPrefix(std::string_view s) {
    return s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X');
}

std::string quote(std::string_view s) {
    return "'" + std::string(s) + "'";
}

struct Choice {
    const char* name;
    std::uint32_t value;
};

// Reads the arguments of one step.
class Args {
public:
    Args(const std::vector<Token>& tokens, std::size_t position) : m_tokens(tokens), m_pos(position) {}

    bool atEnd() const { return m_pos >= m_tokens.size(); }
    const Token& peek() const { return m_tokens[m_pos]; }

    const Token& take(const std::string& what) {
        if (atEnd()) {
            throw Malformed{"missing " + what};
        }
        return m_tokens[m_pos++];
    }

    // Takes the next word when it is this keyword.
    bool accept(const char* keyword) {
        if (!atEnd() && !peek().quoted && lower(peek().text) == keyword) {
            ++m_pos;
            return true;
        }
        return false;
    }

    std::string text(const std::string& what) { return take(what).text; }

    std::uint32_t choose(const std::string& what, std::initializer_list<Choice> choices) {
        const Token& token = take(what);
        if (const std::optional<std::uint32_t> value = match(token, choices)) {
            return *value;
        }
        throw Malformed{"unknown keyword " + quote(token.text) + " for " + what + " (expected " +
                        names(choices) + ")"};
    }

    // A keyword, or else a hexadecimal value up to `max`.
    std::uint32_t chooseOrHex(const std::string& what, std::initializer_list<Choice> choices,
                              std::uint32_t max) {
        const Token& token = take(what);
        if (const std::optional<std::uint32_t> value = match(token, choices)) {
            return *value;
        }
        std::uint32_t value = 0;
        if (!hexValue(token.text, max, value)) {
            if (hexValue(token.text, kMaxDword, value) || isHexNumber(token.text)) {
                throw Malformed{"hex " + quote(token.text) + " for " + what + " is too large (at most " +
                                hexText(max) + ")"};
            }
            throw Malformed{"unknown keyword " + quote(token.text) + " for " + what + " (expected " +
                            names(choices) + " or a hex value)"};
        }
        return value;
    }

    bool onOff(const std::string& what) { return choose(what, {{"on", 1}, {"off", 0}}) != 0; }

    std::uint32_t number(const std::string& what, std::uint32_t max = kMaxDword) {
        const Token& token = take(what);
        const std::string_view s = token.text;
        std::uint64_t value = 0;
        bool tooBig = false;
        const bool ok = hasHexPrefix(s) ? parseDigits(s.substr(2), 16, max, value, tooBig)
                                        : parseDigits(s, 10, max, value, tooBig);
        if (!ok) {
            throw Malformed{tooBig ? "number " + quote(s) + " for " + what + " is too large (at most " +
                                         std::to_string(max) + ")"
                                   : "bad number " + quote(s) + " for " + what};
        }
        return static_cast<std::uint32_t>(value);
    }

    std::uint32_t hex(const std::string& what, std::uint32_t max) {
        const Token& token = take(what);
        std::uint32_t value = 0;
        if (!hexValue(token.text, max, value)) {
            throw Malformed{"bad hex " + quote(token.text) + " for " + what + " (at most " + hexText(max) +
                            ")"};
        }
        return value;
    }

    std::uint64_t duration(const std::string& what) {
        const Token& token = take(what);
        std::uint64_t ms = 0;
        if (!durationValue(token.text, ms)) {
            throw Malformed{"bad duration " + quote(token.text) + " for " + what +
                            " (a number and its unit ms, s, m or h, as in 500ms or 3s)"};
        }
        return ms;
    }

    // A duration, or "never".
    std::optional<std::uint64_t> durationOrNever(const std::string& what) {
        if (accept("never")) {
            return std::nullopt;
        }
        return duration(what);
    }

    std::uint16_t address(const std::string& what) {
        const Token& token = take(what);
        const std::string& s = token.text;
        if (s.size() != 7 || s[1] != '.' || s[3] != '.' || s[5] != '.') {
            throw Malformed{"bad physical address " + quote(s) + " (expected a.b.c.d, as in 1.0.0.0)"};
        }
        std::uint16_t value = 0;
        for (std::size_t i = 0; i < 7; i += 2) {
            unsigned digit = 0;
            if (!digitValue(s[i], 16, digit)) {
                throw Malformed{"bad physical address " + quote(s) + " (expected a.b.c.d, as in 1.0.0.0)"};
            }
            value = static_cast<std::uint16_t>(value << 4 | digit);
        }
        return value;
    }

    // Byte pairs up to the end of the line or to the word `stop`.
    std::vector<std::uint8_t> hexBytes(const std::string& what, std::size_t minimum, std::size_t maximum,
                                       const char* stop = nullptr) {
        std::vector<std::uint8_t> bytes;
        while (!atEnd() && !(stop != nullptr && !peek().quoted && lower(peek().text) == stop)) {
            const Token& token = take(what);
            if (token.quoted) {
                throw Malformed{"bad hex bytes " + quote(token.text) + " for " + what +
                                " (hex bytes are not quoted)"};
            }
            std::string_view rest = token.text;
            while (!rest.empty()) {
                const std::size_t colon = rest.find(':');
                std::string_view part = rest.substr(0, colon);
                rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
                if (hasHexPrefix(part)) {
                    part.remove_prefix(2);
                }
                if (part.empty() || part.size() % 2 != 0) {
                    throw badHex(token.text, what);
                }
                for (std::size_t i = 0; i < part.size(); i += 2) {
                    unsigned high = 0;
                    unsigned low = 0;
                    if (!digitValue(part[i], 16, high) || !digitValue(part[i + 1], 16, low)) {
                        throw badHex(token.text, what);
                    }
                    bytes.push_back(static_cast<std::uint8_t>(high << 4 | low));
                }
            }
        }
        if (bytes.size() < minimum) {
            throw Malformed{bytes.empty() ? "missing " + what
                                          : what + " needs at least " + std::to_string(minimum) + " bytes"};
        }
        if (bytes.size() > maximum) {
            throw Malformed{what + " has " + std::to_string(bytes.size()) + " bytes (at most " +
                            std::to_string(maximum) + ")"};
        }
        return bytes;
    }

    // "HKLM\path" or "HKCU\path" (or the long hive names).
    void registryKey(Hive& hive, std::wstring& path) {
        const Token& token = take("registry key (HKLM\\... or HKCU\\...)");
        const std::string& s = token.text;
        const std::size_t slash = s.find('\\');
        const std::string root = lower(s.substr(0, slash));
        if (root == "hklm" || root == "hkey_local_machine") {
            hive = Hive::Machine;
        } else if (root == "hkcu" || root == "hkey_current_user") {
            hive = Hive::User;
        } else {
            throw Malformed{"unknown registry hive " + quote(s.substr(0, slash)) +
                            " (expected HKLM or HKCU)"};
        }
        if (slash == std::string::npos || slash + 1 >= s.size()) {
            throw Malformed{"missing key path after the hive in " + quote(s)};
        }
        path = text::fromUtf8(s.substr(slash + 1));
    }

    // A value name; "@" is the default value.
    std::wstring valueName() {
        const Token& token = take("value name");
        return !token.quoted && token.text == "@" ? std::wstring() : text::fromUtf8(token.text);
    }

    // "dword <number>", "string <text>" or "binary <hex bytes>"; "missing" when allowed.
    void registryData(std::uint32_t& type, std::vector<std::uint8_t>& bytes, bool allowMissing) {
        const std::uint32_t kind =
            allowMissing
                ? choose(
                      "value type",
                      {{"dword", kRegDword}, {"string", kRegString}, {"binary", kRegBinary}, {"missing", 0}})
                : choose("value type",
                         {{"dword", kRegDword}, {"string", kRegString}, {"binary", kRegBinary}});
        type = kind;
        bytes.clear();
        if (kind == kRegDword) {
            const std::uint32_t value = number("dword value");
            for (int i = 0; i < 4; ++i) {
                bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
            }
        } else if (kind == kRegString) {
            bytes = text::toUtf16Le(text::fromUtf8(text("string value")), true);
        } else if (kind == kRegBinary) {
            bytes = hexBytes("binary value", 0, 4096);
        }
    }

    void end() {
        if (!atEnd()) {
            throw Malformed{"unexpected " + quote(peek().text) + " after the step's arguments"};
        }
    }

private:
    static std::optional<std::uint32_t> match(const Token& token, std::initializer_list<Choice> choices) {
        if (!token.quoted) {
            const std::string word = lower(token.text);
            for (const Choice& choice : choices) {
                if (word == choice.name) {
                    return choice.value;
                }
            }
        }
        return std::nullopt;
    }

    static std::string names(std::initializer_list<Choice> choices) {
        std::string out;
        for (const Choice& choice : choices) {
            if (!out.empty()) {
                out += ", ";
            }
            out += choice.name;
        }
        return out;
    }

    static std::string hexText(std::uint32_t value) {
        static const char* digits = "0123456789ABCDEF";
        std::string out;
        do {
            out.insert(out.begin(), digits[value & 0xF]);
            value >>= 4;
        } while (value != 0);
        return "0x" + out;
    }

    static bool isHexNumber(std::string_view s) {
        if (hasHexPrefix(s)) {
            s.remove_prefix(2);
        }
        unsigned digit = 0;
        return !s.empty() &&
               std::all_of(s.begin(), s.end(), [&digit](char c) { return digitValue(c, 16, digit); });
    }

    static bool hexValue(std::string_view s, std::uint32_t max, std::uint32_t& out) {
        if (hasHexPrefix(s)) {
            s.remove_prefix(2);
        }
        std::uint64_t value = 0;
        bool tooBig = false;
        if (!parseDigits(s, 16, max, value, tooBig)) {
            return false;
        }
        out = static_cast<std::uint32_t>(value);
        return true;
    }

    static bool durationValue(std::string_view s, std::uint64_t& ms) {
        std::size_t unitAt = 0;
        while (unitAt < s.size() && ((s[unitAt] >= '0' && s[unitAt] <= '9') || s[unitAt] == '.')) {
            ++unitAt;
        }
        const std::string_view number = s.substr(0, unitAt);
        const std::string unit = lower(s.substr(unitAt));
        std::uint64_t scale = 0;
        if (unit == "ms") {
            scale = 1;
        } else if (unit == "s") {
            scale = 1000;
        } else if (unit == "m" || unit == "min") {
            scale = 60 * 1000;
        } else if (unit == "h") {
            scale = 60 * 60 * 1000;
        } else {
            return false;
        }
        const std::size_t dot = number.find('.');
        const std::string_view whole = number.substr(0, dot);
        const std::string_view fraction =
            dot == std::string_view::npos ? std::string_view() : number.substr(dot + 1);
        if (whole.empty() || (dot != std::string_view::npos && fraction.empty()) ||
            fraction.find('.') != std::string_view::npos || fraction.size() > 3) {
            return false;
        }
        std::uint64_t w = 0;
        bool tooBig = false;
        if (!parseDigits(whole, 10, kMaxDurationMs, w, tooBig) || w > kMaxDurationMs / scale) {
            return false;
        }
        std::uint64_t total = w * scale;
        std::uint64_t f = 0;
        if (!fraction.empty()) {
            parseDigits(fraction, 10, 999, f, tooBig);
            std::uint64_t denominator = 1;
            for (std::size_t i = 0; i < fraction.size(); ++i) {
                denominator *= 10;
            }
            if ((f * scale) % denominator != 0) {
                return false; // not a whole number of milliseconds
            }
            total += f * scale / denominator;
        }
        if (total > kMaxDurationMs) {
            return false;
        }
        ms = total;
        return true;
    }

    static Malformed badHex(const std::string& token, const std::string& what) {
        return Malformed{"bad hex bytes " + quote(token) + " for " + what +
                         " (byte pairs such as 04 8d 02; a decoded-text fragment goes in double quotes)"};
    }

    const std::vector<Token>& m_tokens;
    std::size_t m_pos;
};

Action& act(Step& step, ActionKind kind) {
    step.kind = StepKind::Action;
    step.action = Action{};
    step.action.kind = kind;
    return step.action;
}

Expectation& expect(Step& step, ExpectKind kind, bool negated = false) {
    step.kind = StepKind::Expect;
    step.expectation = Expectation{};
    step.expectation.kind = kind;
    step.expectation.negated = negated;
    return step.expectation;
}

constexpr Choice kArrangements[] = {{"panel", arrangement::kPanel},
                                    {"hdmi", arrangement::kHdmi},
                                    {"clone", arrangement::kClone},
                                    {"panel-extended", arrangement::kPanelExtended},
                                    {"hdmi-extended", arrangement::kHdmiExtended}};

std::uint32_t arrangementArg(Args& args) {
    return args.chooseOrHex(
        "arrangement",
        {kArrangements[0], kArrangements[1], kArrangements[2], kArrangements[3], kArrangements[4]},
        kMaxDword);
}

// "pc", "tuner" or an address; nullopt for the PC, 0 for the tuner.
std::optional<std::uint16_t> inputArg(Args& args) {
    if (args.accept("pc")) {
        return std::nullopt;
    }
    if (args.accept("tuner")) {
        return std::uint16_t{0};
    }
    return args.address("input (pc, tuner or a.b.c.d)");
}

// The application commands a media request becomes, by name or number.
// Key events written "11 down, 43 down, 11 up" (the commas optional), in the canonical form
// "11 down, 43 down, 11 up" with two upper-case hex digits.
std::string keyEventsArg(Args& a) {
    // The words up to "in", with the commas as blanks, in pairs of key and direction.
    std::string joined;
    while (!a.atEnd() && !(lower(a.peek().text) == "in" && !a.peek().quoted)) {
        joined += a.text("key event") + " ";
    }
    std::replace(joined.begin(), joined.end(), ',', ' ');
    std::vector<std::string> words;
    std::size_t start = joined.find_first_not_of(' ');
    while (start != std::string::npos) {
        const std::size_t end = joined.find(' ', start);
        words.push_back(joined.substr(start, end - start));
        start = end == std::string::npos ? end : joined.find_first_not_of(' ', end);
    }
    std::string out;
    for (std::size_t i = 0; i < words.size(); i += 2) {
        const std::string& key = words[i];
        const std::string digits =
            key.size() > 2 && key[0] == '0' && (key[1] == 'x' || key[1] == 'X') ? key.substr(2) : key;
        const bool hexDigits =
            !digits.empty() && digits.size() <= 2 && std::all_of(digits.begin(), digits.end(), [](char c) {
                return std::isxdigit(static_cast<unsigned char>(c)) != 0;
            });
        const unsigned vk = hexDigits ? static_cast<unsigned>(std::stoul(digits, nullptr, 16)) : 0;
        if (vk == 0) {
            throw Malformed{"bad virtual-key code " + quote(key) + " (expected 01 to FF)"};
        }
        const std::string direction = i + 1 < words.size() ? lower(words[i + 1]) : std::string();
        if (direction != "down" && direction != "up") {
            throw Malformed{"expected down or up after key " + quote(key)};
        }
        char text[16];
        std::snprintf(text, sizeof text, "%02X %s", vk, direction.c_str());
        out += (out.empty() ? "" : ", ") + std::string(text);
    }
    if (out.empty()) {
        throw Malformed{"expected key events such as 11 down, 11 up"};
    }
    return out;
}

std::uint32_t mediaCommandArg(Args& args) {
    if (!args.atEnd() && !args.peek().quoted && !args.peek().text.empty() && args.peek().text[0] >= '0' &&
        args.peek().text[0] <= '9') {
        return args.number("media command", kMaxWord);
    }
    return args.choose("media command", {{"play", 46},
                                         {"pause", 47},
                                         {"stop", 13},
                                         {"fast-forward", 49},
                                         {"rewind", 50},
                                         {"channel-up", 51},
                                         {"channel-down", 52}});
}

FramePattern framePattern(Args& args) {
    FramePattern pattern;
    if (!args.atEnd() && args.peek().quoted) {
        pattern.text = args.text("frame");
        if (pattern.text.empty()) {
            throw Malformed{"empty frame text"};
        }
    } else {
        pattern.bytes = args.hexBytes("frame bytes", 1, kMaxFrameBytes, "after");
    }
    return pattern;
}

void registryValueArgs(Args& args, Hive& hive, std::wstring& path, std::wstring& name, std::uint32_t& type,
                       std::vector<std::uint8_t>& bytes, bool allowMissing) {
    args.registryKey(hive, path);
    name = args.valueName();
    args.registryData(type, bytes, allowMissing);
}

// The settings program's check boxes by name, or a control identifier.
std::uint32_t settingsBoxArg(Args& args) {
    return args.chooseOrHex("settings box",
                            {{"hdmi-control", 1007},
                             {"power-on-off", 1010},
                             {"power-off", 1011},
                             {"notify", 1009},
                             {"menu", 1012}},
                            kMaxWord);
}

void noticeText(Args& args, Step& step, NoticeField field) {
    Expectation& e = expect(step, ExpectKind::Notice);
    e.value = static_cast<std::uint32_t>(field);
    e.text = args.text("notice text");
}

using ParseFn = void (*)(Args&, Step&);

struct StepForm {
    const char* words;  // the step's name
    const char* syntax; // its arguments
    const char* help;
    ParseFn parse;
};

// clang-format off
const StepForm kForms[] = {
    // World set-up.
    {"tv vendor", "<hex>|maker", "the vendor identifier the TV reports (maker: the maker's own)",
     [](Args& a, Step& s) { act(s, ActionKind::TvVendor).value = a.chooseOrHex("vendor", {{"maker", kMakerVendor}}, kMaxVendor); }},
    {"tv cec", "on|off", "whether the TV speaks HDMI-CEC at all",
     [](Args& a, Step& s) { act(s, ActionKind::TvCec).flag = a.onOff("TV CEC"); }},
    {"tv plugged-into", "<a.b.c.d>", "the TV input the PC's cable goes into (its EDID carries it; 1.0.0.0 unless set)",
     [](Args& a, Step& s) { act(s, ActionKind::TvPluggedInto).address = a.address("TV input"); }},
    {"tv state", "on|standby [input pc|tuner|<a.b.c.d>]", "the TV's power and input, set without any frame",
     [](Args& a, Step& s) {
         Action& x = act(s, ActionKind::TvState);
         x.flag = a.choose("TV power", {{"on", 1}, {"standby", 0}}) != 0;
         if (a.accept("input")) {
             x.hasInput = true;
             x.address = inputArg(a);
             x.toPc = !x.address;
         }
     }},
    {"cable", "plug|unplug", "the HDMI cable between the PC and the TV",
     [](Args& a, Step& s) { act(s, ActionKind::Cable).flag = a.choose("cable action", {{"plug", 1}, {"unplug", 0}}) != 0; }},
    {"registry set", "<hive>\\<key> <name|@> dword <number>|string <text>|binary <hex bytes>", "writes a registry value (creating the key)",
     [](Args& a, Step& s) {
         Action& x = act(s, ActionKind::RegistrySet);
         registryValueArgs(a, x.hive, x.path, x.name, x.valueType, x.bytes, false);
     }},
    {"registry delete-value", "<hive>\\<key> <name|@>", "deletes a registry value",
     [](Args& a, Step& s) {
         Action& x = act(s, ActionKind::RegistryDeleteValue);
         a.registryKey(x.hive, x.path);
         x.name = a.valueName();
     }},
    {"registry delete-key", "<hive>\\<key>", "deletes a registry key and everything beneath it",
     [](Args& a, Step& s) {
         Action& x = act(s, ActionKind::RegistryDeleteKey);
         a.registryKey(x.hive, x.path);
     }},
    {"display detection-delay", "<duration>|never", "how long the display library takes to see a newly attached TV",
     [](Args& a, Step& s) { act(s, ActionKind::DisplayDetectionDelay).duration = a.durationOrNever("detection delay"); }},
    {"display switching-delay", "<duration>|never", "how long a display switch takes (never: it never takes effect)",
     [](Args& a, Step& s) { act(s, ActionKind::DisplaySwitchingDelay).duration = a.durationOrNever("switching delay"); }},
    {"display arrangement", "panel|hdmi|clone|panel-extended|hdmi-extended|<hex>", "the desktop arrangement now, without any request",
     [](Args& a, Step& s) { act(s, ActionKind::DisplayArrangement).value = arrangementArg(a); }},
    {"display machine", "stand-in|display-config|amd|intel|intel-vista|nvidia|nvidia-vista|amd2|amd2-vista|amd-vista", "the display library: the stand-in, or the real one on a notebook with the Windows display configuration only, with AMD graphics (first interface), with Intel or NVIDIA graphics, or with AMD graphics of the second interface (amd-vista: of both, the first reading the EDID and the second switching); the -vista kinds report Windows 6.0, where the display configuration is unusable and the vendor back-end reads and switches the arrangement",
     [](Args& a, Step& s) {
         // The numbers are the simulated display model's machine kinds (checked where it is played).
         act(s, ActionKind::DisplayMachine).value =
             a.choose("display machine", {{"stand-in", 0}, {"display-config", 1}, {"amd", 2}, {"intel", 3},
                                          {"intel-vista", 4}, {"nvidia", 5}, {"nvidia-vista", 6},
                                          {"amd2", 7}, {"amd2-vista", 8}, {"amd-vista", 9}});
     }},
    {"display quirk", "hdmi-as-dvi|no-extended-to-extended on|off", "an AMD driver quirk of the real library's machine: the HDMI display reported as DVI, or no switch from one extended arrangement to another",
     [](Args& a, Step& s) {
         Action& x = act(s, ActionKind::DisplayQuirk);
         x.value = a.choose("display quirk", {{"hdmi-as-dvi", 0}, {"no-extended-to-extended", 1}});
         x.flag = a.onOff("display quirk");
     }},
    {"display driver-model", "1000|1102|1105", "the display driver model of the real library's machine",
     [](Args& a, Step& s) {
         act(s, ActionKind::DisplayDriverModel).value =
             a.choose("driver model", {{"1000", 1000}, {"1102", 1102}, {"1105", 1105}});
     }},
    {"display crt", "on|off", "an analog monitor connected on the VGA output of the real library's machine",
     [](Args& a, Step& s) { act(s, ActionKind::DisplayCrt).flag = a.onOff("CRT connected"); }},
    {"display request", "panel|hdmi|clone|panel-extended|hdmi-extended|<hex>", "asks the display library for an arrangement directly, as the maker's display-switch utility does",
     [](Args& a, Step& s) { act(s, ActionKind::DisplayRequest).value = arrangementArg(a); }},
    {"sound-changer", "running|stopped|missing", "the sound-output changer: resident, installed but not running, or not installed",
     [](Args& a, Step& s) {
         act(s, ActionKind::SoundChangerState).soundChanger = static_cast<SoundChanger>(
             a.choose("sound changer state", {{"running", static_cast<std::uint32_t>(SoundChanger::Running)},
                                              {"stopped", static_cast<std::uint32_t>(SoundChanger::Stopped)},
                                              {"missing", static_cast<std::uint32_t>(SoundChanger::Missing)}}));
     }},
    {"library remove", "<file name>", "a library is not installed (Panelid.dll, TVBRIDGE.dll)",
     [](Args& a, Step& s) { act(s, ActionKind::LibraryRemove).text = text::fromUtf8(a.text("library file name")); }},
    {"cecc busy", "<count>", "the CEC controller answers the next <count> calls busy",
     [](Args& a, Step& s) { act(s, ActionKind::CeccBusy).value = a.number("busy count", 1000000); }},
    {"cecc failing", "on|off", "every call to the CEC controller fails",
     [](Args& a, Step& s) { act(s, ActionKind::CeccFailing).flag = a.onOff("CECC failing"); }},
    {"cecc never-answers", "on|off", "the CEC controller takes commands but never replies",
     [](Args& a, Step& s) { act(s, ActionKind::CeccNeverAnswers).flag = a.onOff("CECC never-answers"); }},
    {"firmware hdmi-control", "on|off", "the firmware's HDMI-control setting",
     [](Args& a, Step& s) { act(s, ActionKind::FirmwareHdmiControl).flag = a.onOff("HDMI control"); }},
    {"firmware wakeup-factor", "cec|<hex>", "what the firmware reports as the last wake-up's cause",
     [](Args& a, Step& s) { act(s, ActionKind::FirmwareWakeupFactor).value = a.chooseOrHex("wake-up factor", {{"cec", kWakeupFactorCec}}, kMaxWord); }},
    {"firmware wakeup-factor-fails", "<count>", "the next <count> reads of the wake-up factor fail",
     [](Args& a, Step& s) { act(s, ActionKind::FirmwareWakeupFails).value = a.number("failure count", 1000000); }},
    {"firmware event", "hot-plug-high|hot-plug-low|cecc-notification|<hex>", "the firmware signals this event code (any, also out of order)",
     [](Args& a, Step& s) {
         act(s, ActionKind::FirmwareEvent).value = a.chooseOrHex(
             "event code", {{"hot-plug-high", fwevent::kHotPlugHigh}, {"hot-plug-low", fwevent::kHotPlugLow},
                            {"cecc-notification", fwevent::kCeccNotification}}, kMaxWord);
     }},
    {"cecc logical-address", "<number>", "the logical address (0 to 14) the CEC controller takes when it is free, instead of 4",
     [](Args& a, Step& s) { act(s, ActionKind::CeccLogicalAddress).value = a.number("logical address", 14); }},
    {"cecc notify", "<hex>", "the CEC controller signals a status change with this status byte (bit 5: changed, bit 0: address valid)",
     [](Args& a, Step& s) { act(s, ActionKind::CeccNotify).value = a.hex("status byte", 0xFF); }},
    {"firmware device", "present|missing", "whether the firmware driver device can be opened",
     [](Args& a, Step& s) { act(s, ActionKind::FirmwareDevice).flag = a.choose("firmware device", {{"present", 1}, {"missing", 0}}) != 0; }},
    {"system language", "<4 hex digits>", "the system's default language, as 0409 or 0411",
     [](Args& a, Step& s) {
         const std::string digits = a.text("language");
         std::uint64_t value = 0;
         bool tooBig = false;
         if (digits.size() != 4 || !parseDigits(digits, 16, 0xFFFF, value, tooBig)) {
             throw Malformed{"bad language " + quote(digits) + " (four hex digits, as 0411)"};
         }
         act(s, ActionKind::SystemLanguage).text = text::fromUtf8(digits);
     }},
    {"system model", "<text>", "the computer's model name",
     [](Args& a, Step& s) { act(s, ActionKind::SystemModel).text = text::fromUtf8(a.text("model name")); }},
    {"message-box reaction", "<duration>|never", "how long the user takes to answer a message box by himself (5s unless set)",
     [](Args& a, Step& s) { act(s, ActionKind::MessageBoxReaction).duration = a.durationOrNever("reaction time"); }},
    {"app install", "<file> <window class>", "an application registered under App Paths; started, it shows a window of the class in front",
     [](Args& a, Step& s) {
         Action& action = act(s, ActionKind::AppInstall);
         action.text = text::fromUtf8(a.text("program file name"));
         action.name = text::fromUtf8(a.text("window class"));
     }},
    {"disc-drive", "none|ejectable|locked", "the PC's disc drive: none, one that ejects, or one that cannot eject",
     [](Args& a, Step& s) {
         act(s, ActionKind::DiscDrive).value = a.choose("disc drive", {{"none", 0}, {"ejectable", 1}, {"locked", 2}});
     }},
    // The controller.
    {"controller start", "[<word>...]", "starts the controller with these command-line words (its start-up takes about 6s)",
     [](Args& a, Step& s) {
         std::string line;
         while (!a.atEnd()) {
             line += (line.empty() ? "" : " ") + a.text("word");
         }
         act(s, ActionKind::ControllerStart).text = text::fromUtf8(line);
     }},
    {"controller stop", "", "closes the controller's window (WM_CLOSE)",
     [](Args&, Step& s) { act(s, ActionKind::ControllerStop); }},
    // The TV.
    {"tv power-on", "", "the TV's user switches it on",
     [](Args&, Step& s) { act(s, ActionKind::TvPowerOn); }},
    {"tv standby", "", "the TV goes to standby and broadcasts <Standby>",
     [](Args&, Step& s) { act(s, ActionKind::TvStandby); }},
    {"tv switch", "pc|tuner|<a.b.c.d> [stream-path|routing-change]", "the TV switches its input, by <Set Stream Path> unless said",
     [](Args& a, Step& s) {
         const std::optional<std::uint16_t> input = inputArg(a);
         Action& x = act(s, ActionKind::TvSwitch);
         x.address = input;
         x.route = a.atEnd() ? Route::SetStreamPath
                             : static_cast<Route>(a.choose("route", {{"stream-path", static_cast<std::uint32_t>(Route::SetStreamPath)},
                                                                     {"routing-change", static_cast<std::uint32_t>(Route::RoutingChange)}}));
     }},
    {"tv routing-information", "[<a.b.c.d>]", "the TV sends <Routing Information> (the PC's address unless said)",
     [](Args& a, Step& s) {
         Action& x = act(s, ActionKind::TvRoutingInformation);
         if (!a.atEnd()) {
             x.address = a.address("address");
         }
     }},
    {"tv menu-request", "activate|deactivate|query|<hex>", "the TV sends <Menu Request> to the PC",
     [](Args& a, Step& s) { act(s, ActionKind::TvMenuRequest).value = a.chooseOrHex("menu request type", {{"activate", 0}, {"deactivate", 1}, {"query", 2}}, kMaxByte); }},
    {"tv play", "forward|reverse|still|<hex>", "the TV sends <Play> to the PC",
     [](Args& a, Step& s) { act(s, ActionKind::TvPlay).value = a.chooseOrHex("play mode", {{"forward", 0x24}, {"reverse", 0x20}, {"still", 0x25}}, kMaxByte); }},
    {"tv deck-control", "skip-forward|skip-reverse|stop|eject|<hex>", "the TV sends <Deck Control> to the PC",
     [](Args& a, Step& s) { act(s, ActionKind::TvDeckControl).value = a.chooseOrHex("deck control mode", {{"skip-forward", 1}, {"skip-reverse", 2}, {"stop", 3}, {"eject", 4}}, kMaxByte); }},
    {"tv give-deck-status", "on|off|once|<hex>", "the TV sends <Give Deck Status> to the PC",
     [](Args& a, Step& s) { act(s, ActionKind::TvGiveDeckStatus).value = a.chooseOrHex("status request", {{"on", 1}, {"off", 2}, {"once", 3}}, kMaxByte); }},
    {"tv give-tuner-status", "on|off|once|<hex>", "the TV sends <Give Tuner Device Status> to the PC",
     [](Args& a, Step& s) { act(s, ActionKind::TvGiveTunerStatus).value = a.chooseOrHex("status request", {{"on", 1}, {"off", 2}, {"once", 3}}, kMaxByte); }},
    {"tv select-analogue-service", "<hex bytes>", "the TV sends <Select Analogue Service> with these operands",
     [](Args& a, Step& s) { act(s, ActionKind::TvSelectAnalogue).bytes = a.hexBytes("service", 1, kMaxFrameBytes - 2); }},
    {"tv select-digital-service", "<hex bytes>", "the TV sends <Select Digital Service> with these operands",
     [](Args& a, Step& s) { act(s, ActionKind::TvSelectDigital).bytes = a.hexBytes("service", 1, kMaxFrameBytes - 2); }},
    {"tv tuner-step", "up|down", "the TV sends <Tuner Step Increment> or <Tuner Step Decrement>",
     [](Args& a, Step& s) { act(s, ActionKind::TvTunerStep).flag = a.choose("tuner step", {{"up", 1}, {"down", 0}}) != 0; }},
    {"tv request-active-source", "", "the TV broadcasts <Request Active Source>",
     [](Args&, Step& s) { act(s, ActionKind::TvRequestActiveSource); }},
    {"tv give-osd-name", "", "the TV asks the PC for its name (<Give OSD Name>)",
     [](Args&, Step& s) { act(s, ActionKind::TvGiveOsdName); }},
    {"tv give-vendor-id", "", "the TV asks the PC for its vendor (<Give Device Vendor ID>)",
     [](Args&, Step& s) { act(s, ActionKind::TvGiveVendorId); }},
    {"tv send", "<hex bytes>", "the TV sends any frame, header included (04 8d 02)",
     [](Args& a, Step& s) { act(s, ActionKind::TvSend).bytes = a.hexBytes("frame bytes", 1, kMaxFrameBytes); }},
    // The PC, its user and the other programs.
    {"remote", "<hex key code>", "a remote key the firmware passes through (event 0x16nn)",
     [](Args& a, Step& s) { act(s, ActionKind::RemoteKey).value = a.hex("key code", kMaxByte); }},
    {"pc suspend", "", "the PC goes to sleep",
     [](Args&, Step& s) { act(s, ActionKind::Suspend); }},
    {"pc resume", "[cec|<hex wake-up factor>]", "the PC wakes up; cec: the TV woke it (0x31); 0 unless said",
     [](Args& a, Step& s) {
         Action& x = act(s, ActionKind::Resume);
         x.value = a.atEnd() ? 0 : a.chooseOrHex("wake-up factor", {{"cec", kWakeupFactorCec}}, kMaxWord);
     }},
    {"session lock", "", "the user locks the session",
     [](Args&, Step& s) { act(s, ActionKind::SessionLock); }},
    {"session unlock", "", "the user unlocks the session",
     [](Args&, Step& s) { act(s, ActionKind::SessionUnlock); }},
    {"session console", "<number>", "another console session becomes the active one (the controller's is 1)",
     [](Args& a, Step& s) { act(s, ActionKind::SessionConsole).value = a.number("session identifier", kMaxWord); }},
    {"session event", "<hex> [session <number>]", "WM_WTSSESSION_CHANGE with this event, for the console's session (1) unless said",
     [](Args& a, Step& s) {
         Action& x = act(s, ActionKind::SessionEvent);
         x.value = a.hex("session event", kMaxWord);
         if (a.accept("session")) {
             x.address = static_cast<std::uint16_t>(a.number("session identifier", kMaxWord));
         }
     }},
    {"pc power-event", "<number>", "the system broadcasts WM_POWERBROADCAST with this event (4 suspend, 7 resume, 18 resume automatic)",
     [](Args& a, Step& s) { act(s, ActionKind::PowerEvent).value = a.number("power event", kMaxWord); }},
    {"post", "<message name>|<number> [<wParam> [<lParam>]]", "an application posts this registered (or numbered) message to the controller's window",
     [](Args& a, Step& s) {
         Action& x = act(s, ActionKind::PostToController);
         if (!a.atEnd() && !a.peek().quoted && !a.peek().text.empty() &&
             std::isdigit(static_cast<unsigned char>(a.peek().text[0]))) {
             x.value = a.number("message number", kMaxWord);
             if (x.value == 0) {
                 throw Malformed{"message number 0 is no message"};
             }
         } else {
             x.text = text::fromUtf8(a.text("message name"));
         }
         x.wParam = a.atEnd() ? 0 : a.number("wParam");
         x.lParam = a.atEnd() ? 0 : a.number("lParam");
     }},
    {"output-key", "", "the output key: the output-change tool posts HDMIOUT_CHANGE_OUTPUT",
     [](Args&, Step& s) { act(s, ActionKind::OutputKey); }},
    {"bridge turn-off-tv", "", "an application asks through the bridge library to turn off the TV",
     [](Args&, Step& s) { act(s, ActionKind::BridgeTurnOffTv); }},
    {"bridge change-output", "<number>", "an application asks to change the HDMI output (256: picture and sound to the TV)",
     [](Args& a, Step& s) { act(s, ActionKind::BridgeChangeOutput).value = a.number("output value"); }},
    {"bridge tv-enhancement", "<number>", "an application asks for the TV's enhanced mode",
     [](Args& a, Step& s) { act(s, ActionKind::BridgeTvEnhancement).value = a.number("enhancement value"); }},
    {"settings changed", "", "the settings program tells the controller to reload (SENTRIXSET_CHANGED)",
     [](Args&, Step& s) { act(s, ActionKind::SettingsChanged); }},
    {"key press", "browser-back|<hex virtual-key code>", "the user presses and releases a key",
     [](Args& a, Step& s) { act(s, ActionKind::KeyPress).value = a.chooseOrHex("key", {{"browser-back", kVkBrowserBack}}, kMaxByte); }},
    {"app front", "<window class>", "the user brings the application's window of this class to the front (starting it when none is open)",
     [](Args& a, Step& s) { act(s, ActionKind::AppFront).text = text::fromUtf8(a.text("window class")); }},
    {"app end", "<window class>", "the application with a window of this class ends (its windows close, its process ends)",
     [](Args& a, Step& s) { act(s, ActionKind::AppEnd).text = text::fromUtf8(a.text("window class")); }},
    {"menu choose", "<text>", "the user confirms the control menu's first entry whose label contains the text",
     [](Args& a, Step& s) { act(s, ActionKind::MenuChoose).text = text::fromUtf8(a.text("menu entry")); }},
    {"menu key", "up|down|left|right|enter|esc|space|<hex virtual key>", "the user presses a key on the shown control menu",
     [](Args& a, Step& s) {
         act(s, ActionKind::MenuKey).value = a.chooseOrHex("menu key", {{"up", 0x26}, {"down", 0x28}, {"left", 0x25}, {"right", 0x27},
                                                                         {"enter", 0x0D}, {"esc", 0x1B}, {"space", 0x20}}, 0xFF);
     }},
    {"message-box answer", "[ok|cancel]", "the user answers the open message box (ok unless said)",
     [](Args& a, Step& s) {
         act(s, ActionKind::MessageBoxAnswer).value = a.atEnd() ? kIdOk : a.choose("answer", {{"ok", kIdOk}, {"cancel", kIdCancel}});
     }},
    {"notice check", "", "the user clicks the check box of the controller's open notice",
     [](Args&, Step& s) { act(s, ActionKind::NoticeAnswer).value = static_cast<std::uint32_t>(NoticeAnswer::CheckBox); }},
    {"notice ok", "", "the user presses OK in the open notice",
     [](Args&, Step& s) { act(s, ActionKind::NoticeAnswer).value = static_cast<std::uint32_t>(NoticeAnswer::Ok); }},
    {"notice close", "", "the user clicks the open notice's close box",
     [](Args&, Step& s) { act(s, ActionKind::NoticeAnswer).value = static_cast<std::uint32_t>(NoticeAnswer::CloseBox); }},
    {"notice escape", "", "the user presses Esc in the open notice",
     [](Args&, Step& s) { act(s, ActionKind::NoticeAnswer).value = static_cast<std::uint32_t>(NoticeAnswer::Escape); }},
    // Time and the timeline.
    {"wait", "<duration>", "lets virtual time pass",
     [](Args& a, Step& s) {
         s.kind = StepKind::Wait;
         s.waitMs = a.duration("wait");
     }},
    {"checkpoint", "", "later 'no ...' and since-checkpoint expectations look only at what follows",
     [](Args&, Step& s) { s.kind = StepKind::Checkpoint; }},
    {"note", "<text>", "prints the text in the timeline",
     [](Args& a, Step& s) {
         s.kind = StepKind::Note;
         s.note = a.text("note text");
     }},
    // Expectations.
    {"expect frame", "<hex bytes>|\"<decoded text>\" [after <duration>]", "a frame on the bus after the previous matched frame (after: exactly that long after it)",
     [](Args& a, Step& s) {
         Expectation& e = expect(s, ExpectKind::Frame);
         e.frame = framePattern(a);
         if (a.accept("after")) {
             e.afterMs = a.duration("time after the previous frame");
         }
     }},
    {"expect no frame", "<hex bytes>|\"<decoded text>\"", "no such frame on the bus since the last checkpoint",
     [](Args& a, Step& s) { expect(s, ExpectKind::Frame, true).frame = framePattern(a); }},
    {"expect display", "panel|hdmi|clone|panel-extended|hdmi-extended|<hex>", "the desktop arrangement now",
     [](Args& a, Step& s) { expect(s, ExpectKind::Display).value = arrangementArg(a); }},
    {"expect sound", "hdmi|speaker", "the sound output now",
     [](Args& a, Step& s) {
         expect(s, ExpectKind::Sound).sound = static_cast<SoundOutput>(a.choose(
             "sound output", {{"hdmi", static_cast<std::uint32_t>(SoundOutput::Hdmi)}, {"speaker", static_cast<std::uint32_t>(SoundOutput::Speaker)}}));
     }},
    {"expect program", "<file> [<parameters>]", "a program started since the last checkpoint (file name or path, parameters exactly)",
     [](Args& a, Step& s) {
         Expectation& e = expect(s, ExpectKind::Program);
         e.text = a.text("program file");
         if (!a.atEnd()) {
             e.text2 = a.text("parameters");
             e.hasText2 = true;
         }
     }},
    {"expect no program", "[<file>]", "no program (or not this one) started since the last checkpoint",
     [](Args& a, Step& s) {
         Expectation& e = expect(s, ExpectKind::Program, true);
         if (!a.atEnd()) {
             e.text = a.text("program file");
         }
     }},
    {"expect window", "<class> <title>", "a top-level window exists (quote a class such as \"#32770\")",
     [](Args& a, Step& s) {
         Expectation& e = expect(s, ExpectKind::Window);
         e.text = a.text("window class");
         e.text2 = a.text("window title");
     }},
    {"expect no window", "<class> <title>", "no such top-level window exists",
     [](Args& a, Step& s) {
         Expectation& e = expect(s, ExpectKind::Window, true);
         e.text = a.text("window class");
         e.text2 = a.text("window title");
     }},
    {"expect registry", "<hive>\\<key> <name|@> dword <number>|string <text>|binary <hex bytes>|missing", "a registry value now",
     [](Args& a, Step& s) {
         Expectation& e = expect(s, ExpectKind::Registry);
         registryValueArgs(a, e.hive, e.path, e.name, e.valueType, e.bytes, true);
     }},
    {"expect log", "<text> [count <number>]", "a trace log line containing the text since the last checkpoint (count: exactly that many)",
     [](Args& a, Step& s) {
         Expectation& e = expect(s, ExpectKind::Log);
         e.text = a.text("log text");
         if (a.accept("count")) {
             e.count = a.number("line count");
         }
     }},
    {"expect no log", "<text>", "no trace log line containing the text since the last checkpoint",
     [](Args& a, Step& s) { expect(s, ExpectKind::Log, true).text = a.text("log text"); }},
    {"expect notification", "supported|not-supported|none", "the notice the controller asked for since the last checkpoint (the last one)",
     [](Args& a, Step& s) {
         const std::uint32_t which = a.choose("notification", {{"supported", 1}, {"not-supported", 0}, {"none", 2}});
         Expectation& e = expect(s, ExpectKind::Notification, which == 2);
         e.value = which == 2 ? 0 : which;
     }},
    {"expect notice", "open|closed|checked|unchecked", "the newest notice now: still open or closed, its box checked or not",
     [](Args& a, Step& s) {
         expect(s, ExpectKind::Notice).value = a.choose("notice state", {{"open", static_cast<std::uint32_t>(NoticeField::Open)},
                                                                          {"closed", static_cast<std::uint32_t>(NoticeField::Closed)},
                                                                          {"checked", static_cast<std::uint32_t>(NoticeField::Checked)},
                                                                          {"unchecked", static_cast<std::uint32_t>(NoticeField::Unchecked)}});
     }},
    {"expect notice title", "<text>", "the newest notice's title, exactly",
     [](Args& a, Step& s) { noticeText(a, s, NoticeField::Title); }},
    {"expect notice message", "<text>", "the newest notice's message, exactly",
     [](Args& a, Step& s) { noticeText(a, s, NoticeField::Message); }},
    {"expect notice check-box", "<text>", "the text of the newest notice's check box, exactly",
     [](Args& a, Step& s) { noticeText(a, s, NoticeField::CheckBoxText); }},
    {"expect message-box", "[<text>]", "a message box shown since the last checkpoint (its text containing this)",
     [](Args& a, Step& s) {
         Expectation& e = expect(s, ExpectKind::MessageBox);
         if (!a.atEnd()) {
             e.text = a.text("message text");
         }
     }},
    {"expect menu", "<text>", "the control menu was offered since the last checkpoint with entries (joined by \" | \", in order) containing the text",
     [](Args& a, Step& s) { expect(s, ExpectKind::Menu).text = a.text("menu entries"); }},
    {"expect no menu", "", "the control menu was not offered since the last checkpoint",
     [](Args&, Step& s) { expect(s, ExpectKind::Menu, true); }},
    {"expect menu visible", "", "the control menu is on the screen now",
     [](Args&, Step& s) { expect(s, ExpectKind::MenuState).value = static_cast<std::uint32_t>(MenuField::Visible); }},
    {"expect menu hidden", "", "the control menu is not on the screen now",
     [](Args&, Step& s) { expect(s, ExpectKind::MenuState).value = static_cast<std::uint32_t>(MenuField::Hidden); }},
    {"expect menu entries", "<text>", "the control menu's entries now, joined by \" | \" in order, exactly",
     [](Args& a, Step& s) {
         Expectation& e = expect(s, ExpectKind::MenuState);
         e.value = static_cast<std::uint32_t>(MenuField::Entries);
         e.text = a.text("menu entries");
     }},
    {"expect menu selected", "<text>", "the label of the control menu's selected entry now, exactly",
     [](Args& a, Step& s) {
         Expectation& e = expect(s, ExpectKind::MenuState);
         e.value = static_cast<std::uint32_t>(MenuField::Selected);
         e.text = a.text("menu entry");
     }},
    {"expect menu drawn", "", "the control menu on the screen looks as it must: its place, size, items, colours and title (where the screen can be seen)",
     [](Args&, Step& s) { expect(s, ExpectKind::MenuState).value = static_cast<std::uint32_t>(MenuField::Drawn); }},
    {"expect notice drawn", "", "the open notice on the screen looks as it must: its size, place, texts, buttons and header band (where the screen can be seen)",
     [](Args&, Step& s) { expect(s, ExpectKind::Notice).value = static_cast<std::uint32_t>(NoticeField::Drawn); }},
    {"expect no message-box", "", "no message box shown since the last checkpoint",
     [](Args&, Step& s) { expect(s, ExpectKind::MessageBox, true); }},
    {"expect media-command", "play|pause|stop|fast-forward|rewind|channel-up|channel-down|<number>", "a media command sent to the applications since the last checkpoint",
     [](Args& a, Step& s) {
         Expectation& e = expect(s, ExpectKind::MediaCommand);
         e.flag = true;
         e.value = mediaCommandArg(a);
     }},
    {"expect keys", "<hex> down|up[, ...] [in <window class>]", "exactly these key events sent since the last checkpoint, in order (in: to a window of this class)",
     [](Args& a, Step& s) {
         Expectation& e = expect(s, ExpectKind::Keys);
         e.text = keyEventsArg(a);
         if (a.accept("in")) {
             e.text2 = a.text("window class");
             e.hasText2 = true;
         }
     }},
    {"expect no keys", "", "no key events sent since the last checkpoint",
     [](Args&, Step& s) { expect(s, ExpectKind::Keys, true); }},
    {"expect eject", "", "the disc was ejected since the last checkpoint",
     [](Args&, Step& s) { expect(s, ExpectKind::Eject); }},
    {"expect no eject", "", "no disc was ejected since the last checkpoint",
     [](Args&, Step& s) { expect(s, ExpectKind::Eject, true); }},
    {"expect no media-command", "[<command>]", "no media command (or not this one) since the last checkpoint",
     [](Args& a, Step& s) {
         Expectation& e = expect(s, ExpectKind::MediaCommand, true);
         if (!a.atEnd()) {
             e.flag = true;
             e.value = mediaCommandArg(a);
         }
     }},
    {"expect tv power", "on|standby", "the TV's power now",
     [](Args& a, Step& s) { expect(s, ExpectKind::TvPower).flag = a.choose("TV power", {{"on", 1}, {"standby", 0}}) != 0; }},
    {"expect tv input", "pc|tuner|<a.b.c.d>", "the TV's input now",
     [](Args& a, Step& s) {
         const std::optional<std::uint16_t> input = inputArg(a);
         Expectation& e = expect(s, ExpectKind::TvInput);
         e.toPc = !input;
         e.address = input && *input != 0 ? input : std::nullopt;
     }},
    {"expect tv showing-pc", "yes|no", "whether the TV is on and shows the PC's input",
     [](Args& a, Step& s) { expect(s, ExpectKind::TvShowingPc).flag = a.choose("yes or no", {{"yes", 1}, {"no", 0}}) != 0; }},
    {"expect controller", "running|ended", "whether a controller process is running",
     [](Args& a, Step& s) { expect(s, ExpectKind::ControllerRunning).flag = a.choose("controller state", {{"running", 1}, {"ended", 0}}) != 0; }},
    // The settings program.
    {"settings start", "", "the user starts the settings program; its dialog opens",
     [](Args&, Step& s) { act(s, ActionKind::SettingsStart); }},
    {"settings click", "hdmi-control|power-on-off|power-off|notify|menu|<hex control id>", "the user clicks a check box of the settings dialog",
     [](Args& a, Step& s) { act(s, ActionKind::SettingsClick).value = settingsBoxArg(a); }},
    {"settings ok", "", "the user presses OK in the settings dialog",
     [](Args&, Step& s) { act(s, ActionKind::SettingsClick).value = kIdOk; }},
    {"settings cancel", "", "the user presses Cancel in the settings dialog",
     [](Args&, Step& s) { act(s, ActionKind::SettingsClick).value = kIdCancel; }},
    {"settings about", "", "the user opens About from the system menu, reads it and closes it",
     [](Args&, Step& s) { act(s, ActionKind::SettingsAbout); }},
    {"expect settings box", "hdmi-control|power-on-off|power-off|notify|menu|<hex> checked|unchecked [enabled|disabled]", "a check box of the open settings dialog",
     [](Args& a, Step& s) {
         Expectation& e = expect(s, ExpectKind::SettingsBox);
         e.value = settingsBoxArg(a);
         e.flag = a.choose("check state", {{"checked", 1}, {"unchecked", 0}}) != 0;
         if (!a.atEnd()) {
             e.hasText2 = true;
             e.text2 = a.choose("enabled state", {{"enabled", 1}, {"disabled", 0}}) != 0 ? "enabled" : "disabled";
         }
     }},
    {"expect settings about-version", "<text>", "the version text the About dialog showed when last opened",
     [](Args& a, Step& s) { expect(s, ExpectKind::SettingsAbout).text = a.text("version text"); }},
    {"expect settings", "open|closed", "whether the settings dialog is open",
     [](Args& a, Step& s) { expect(s, ExpectKind::SettingsOpen).flag = a.choose("dialog state", {{"open", 1}, {"closed", 0}}) != 0; }},
    {"expect firmware", "hdmi-control|power-by-tv on|off", "a firmware setting now",
     [](Args& a, Step& s) {
         Expectation& e = expect(s, ExpectKind::FirmwareSetting);
         e.value = a.choose("firmware setting", {{"hdmi-control", 0x154}, {"power-by-tv", 0x155}});
         e.bytes = {static_cast<std::uint8_t>(a.onOff("firmware setting"))};
     }},
};
// clang-format on

std::vector<std::string> splitWords(const char* words) {
    std::vector<std::string> out;
    std::string current;
    for (const char* p = words; *p != '\0'; ++p) {
        if (*p == ' ') {
            out.push_back(current);
            current.clear();
        } else {
            current += *p;
        }
    }
    out.push_back(current);
    return out;
}

// The words of each form's name, in the order of kForms; split once, as every line of a long
// scenario looks its step up among all forms.
const std::vector<std::vector<std::string>>& formWords() {
    static const std::vector<std::vector<std::string>> words = [] {
        std::vector<std::vector<std::string>> all;
        for (const StepForm& form : kForms) {
            all.push_back(splitWords(form.words));
        }
        return all;
    }();
    return words;
}

// The form whose name matches the most leading words, and how many words that is.
const StepForm* findForm(const std::vector<Token>& tokens, std::size_t& used) {
    const StepForm* best = nullptr;
    used = 0;
    std::vector<std::string> lowered; // the leading unquoted tokens, lower-cased
    for (const Token& token : tokens) {
        if (token.quoted) {
            break;
        }
        lowered.push_back(lower(token.text));
    }
    const std::vector<std::vector<std::string>>& names = formWords();
    for (std::size_t f = 0; f < names.size(); ++f) {
        const std::vector<std::string>& words = names[f];
        if (words.size() > lowered.size() || words.size() <= used) {
            continue;
        }
        if (std::equal(words.begin(), words.end(), lowered.begin())) {
            best = &kForms[f];
            used = words.size();
        }
    }
    return best;
}

std::string unknownStep(const std::vector<Token>& tokens) {
    const std::string first = lower(tokens[0].text);
    std::vector<std::string> seconds;
    for (const std::vector<std::string>& words : formWords()) {
        if (words.size() > 1 && words[0] == first &&
            std::find(seconds.begin(), seconds.end(), words[1]) == seconds.end()) {
            seconds.push_back(words[1]);
        }
    }
    if (seconds.empty()) {
        return "unknown step " + quote(tokens[0].text) + " (type 'help' for the list of steps)";
    }
    std::string message =
        "unknown step " + quote(tokens.size() > 1 ? tokens[0].text + " " + tokens[1].text : tokens[0].text);
    {
        message += " (" + tokens[0].text + " takes: ";
        for (std::size_t i = 0; i < seconds.size(); ++i) {
            message += (i == 0 ? "" : ", ") + seconds[i];
        }
        message += ")";
    }
    return message;
}

std::string trimmed(std::string_view line) {
    std::size_t begin = 0;
    std::size_t end = line.size();
    while (begin < end && isBlank(line[begin])) {
        ++begin;
    }
    while (end > begin && isBlank(line[end - 1])) {
        --end;
    }
    return std::string(line.substr(begin, end - begin));
}

} // namespace

LineParse parseLine(std::string_view line, const std::string& file, std::size_t lineNumber, Step& step,
                    ScenarioError& error) {
    try {
        std::size_t end = 0;
        const std::vector<Token> tokens = tokenize(line, end);
        if (tokens.empty()) {
            return LineParse::Empty;
        }
        std::size_t used = 0;
        const StepForm* form = findForm(tokens, used);
        if (form == nullptr) {
            throw Malformed{unknownStep(tokens)};
        }
        Step parsed;
        parsed.line = lineNumber;
        // The source without its comment: the text up to where the tokenizer stopped.
        const std::string source = trimmed(line.substr(0, end));
        parsed.source = source;
        Args args(tokens, used);
        form->parse(args, parsed);
        args.end();
        step = std::move(parsed);
        return LineParse::Step;
    } catch (const Malformed& malformed) {
        error = ScenarioError{file, lineNumber, malformed.message};
        return LineParse::Error;
    }
}

bool parseScenario(std::string_view text, const std::string& file, Scenario& scenario, ScenarioError& error) {
    constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
    if (text.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
        text.remove_prefix(kUtf8Bom.size()); // as some editors save
    }
    Scenario parsed;
    parsed.file = file;
    std::size_t lineNumber = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        ++lineNumber;
        Step step;
        switch (parseLine(text.substr(start, end - start), file, lineNumber, step, error)) {
        case LineParse::Error:
            return false;
        case LineParse::Step:
            parsed.steps.push_back(std::move(step));
            break;
        case LineParse::Empty:
            break;
        }
        if (end == text.size()) {
            break;
        }
        start = end + 1;
    }
    scenario = std::move(parsed);
    return true;
}

std::string stepHelp(std::string_view topic) {
    const std::string wanted = lower(topic);
    std::size_t width = 0;
    for (const StepForm& form : kForms) {
        width = std::max(width, std::string(form.words).size() + 1 + std::string(form.syntax).size());
    }
    width = std::min<std::size_t>(width, 48);
    std::string out;
    for (const StepForm& form : kForms) {
        const std::string words = form.words;
        if (!wanted.empty() && words.compare(0, wanted.size(), wanted) != 0) {
            continue;
        }
        std::string usage = words;
        if (*form.syntax != '\0') {
            usage += " ";
            usage += form.syntax;
        }
        out += "  " + usage;
        out += usage.size() < width ? std::string(width - usage.size(), ' ')
                                    : std::string("\n  " + std::string(width, ' '));
        out += "  ";
        out += form.help;
        out += "\n";
    }
    return out;
}

} // namespace scenario
