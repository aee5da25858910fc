// Windows registry files: parser, encoder detection and regedit-style writer.
// Simulation.
#include "sim/RegFile.h"

#include "common/Text.h"

#include <algorithm>
#include <optional>

namespace sim {

namespace {

using platform::RegKey;
namespace regtype = platform::regtype;

constexpr std::wstring_view kHeader = L"Windows Registry Editor Version 5.00";
constexpr std::wstring_view kHeader4 = L"REGEDIT4";
constexpr std::wstring_view kMachineRoot = L"HKEY_LOCAL_MACHINE";
constexpr std::wstring_view kUserRoot = L"HKEY_CURRENT_USER";
constexpr std::wstring_view kDwordPrefix = L"dword:";
constexpr std::wstring_view kHexPrefix = L"hex";
constexpr std::wstring_view kCrLf = L"\r\n";
constexpr wchar_t kByteOrderMark = 0xFEFF;
constexpr std::size_t kDwordDigits = 8;
constexpr std::size_t kMaxTypeDigits = 8;
// Hex data is wrapped once a line passes this column, which keeps lines within 80 columns
// with the continuation backslash (25 bytes on a continuation line, as regedit writes).
constexpr std::size_t kWrapColumn = 76;
constexpr std::wstring_view kContinuationIndent = L"  ";

bool isBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

std::wstring_view trimBlanks(std::wstring_view s) {
    while (!s.empty() && isBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && isBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

bool startsWithNoCase(std::wstring_view s, std::wstring_view prefix) {
    return s.size() >= prefix.size() && text::equalsNoCase(s.substr(0, prefix.size()), prefix);
}

int hexDigitValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') {
        return c - L'0';
    }
    const wchar_t upper = text::toUpperAscii(c);
    if (upper >= L'A' && upper <= L'F') {
        return upper - L'A' + 10;
    }
    return -1;
}

// Value of 1 to `maxDigits` hex digits; nullopt for anything else.
std::optional<std::uint32_t> parseHex(std::wstring_view digits, std::size_t maxDigits) {
    if (digits.empty() || digits.size() > maxDigits) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (const wchar_t c : digits) {
        const int digit = hexDigitValue(c);
        if (digit < 0) {
            return std::nullopt;
        }
        value = (value << 4) | static_cast<std::uint32_t>(digit);
    }
    return value;
}

std::optional<RegKey> hiveOfRoot(std::wstring_view root) {
    if (text::equalsNoCase(root, kMachineRoot)) {
        return platform::kHkeyLocalMachine;
    }
    if (text::equalsNoCase(root, kUserRoot)) {
        return platform::kHkeyCurrentUser;
    }
    return std::nullopt;
}

std::wstring printable(std::wstring_view s) {
    constexpr std::size_t kMaxShown = 40;
    return s.size() <= kMaxShown ? std::wstring(s) : std::wstring(s.substr(0, kMaxShown)) + L"...";
}

struct ParseError {
    std::size_t line = 0;
    std::wstring message;
};

// Turns the text into registry edits; one line number per edit.
class RegTextParser {
public:
    explicit RegTextParser(std::wstring_view text) {
        if (!text.empty() && text.front() == kByteOrderMark) {
            text.remove_prefix(1);
        }
        while (true) {
            const std::size_t end = text.find(L'\n');
            std::wstring_view line = text.substr(0, end);
            if (!line.empty() && line.back() == L'\r') {
                line.remove_suffix(1);
            }
            m_lines.push_back(line);
            if (end == std::wstring_view::npos) {
                break;
            }
            text.remove_prefix(end + 1);
        }
    }

    std::optional<ParseError> parse() {
        bool headerSeen = false;
        for (m_index = 0; m_index < m_lines.size(); ++m_index) {
            const std::wstring_view line = trimBlanks(m_lines[m_index]);
            if (line.find(L'\0') != std::wstring_view::npos) {
                return fail(L"NUL character in the text");
            }
            if (line.empty()) {
                continue;
            }
            if (!headerSeen) {
                if (line != kHeader && line != kHeader4) {
                    return fail(L"expected the header \"" + std::wstring(kHeader) + L"\"");
                }
                headerSeen = true;
                continue;
            }
            std::optional<ParseError> error;
            if (line.front() == L';') {
                continue;
            } else if (line.front() == L'[') {
                error = parseSection(line);
            } else if (line.front() == L'"' || line.front() == L'@') {
                error = parseValueLine(line);
            } else {
                error = fail(L"unrecognised line \"" + printable(line) + L"\"");
            }
            if (error) {
                return error;
            }
        }
        if (!headerSeen) {
            return ParseError{1, L"empty text: expected the header \"" + std::wstring(kHeader) + L"\""};
        }
        return std::nullopt;
    }

    const std::vector<RegEdit>& edits() const { return m_edits; }
    const std::vector<std::size_t>& editLines() const { return m_editLines; }

private:
    struct Section {
        RegKey hive = 0;
        std::wstring path;
        bool deletes = false;
    };

    ParseError fail(std::wstring message) const { return ParseError{m_index + 1, std::move(message)}; }

    void add(RegEdit edit, std::size_t line) {
        m_edits.push_back(std::move(edit));
        m_editLines.push_back(line);
    }

    std::optional<ParseError> parseSection(std::wstring_view line) {
        if (line.back() != L']') {
            return fail(L"key section without its closing ']'");
        }
        std::wstring_view inner = line.substr(1, line.size() - 2);
        const bool deletes = !inner.empty() && inner.front() == L'-';
        if (deletes) {
            inner.remove_prefix(1);
        }
        const std::size_t separator = std::min(inner.find(L'\\'), inner.size());
        const std::wstring_view root = inner.substr(0, separator);
        const auto hive = hiveOfRoot(root);
        if (!hive) {
            return fail(L"unsupported root key \"" + printable(root) + L"\" (HKEY_LOCAL_MACHINE or " +
                        L"HKEY_CURRENT_USER expected)");
        }
        std::wstring_view path = separator < inner.size() ? inner.substr(separator + 1) : std::wstring_view();
        if (!path.empty() && path.back() == L'\\') {
            path.remove_suffix(1); // tolerated, as the registry tolerates it
        }
        if (auto error = checkKeyPath(path)) {
            return error;
        }
        if (deletes && path.empty()) {
            return fail(L"a hive root cannot be deleted");
        }
        m_section = Section{*hive, std::wstring(path), deletes};
        const auto kind = deletes ? RegEdit::Kind::DeleteKey : RegEdit::Kind::CreateKey;
        add(RegEdit{kind, *hive, std::wstring(path), {}, {}}, m_index + 1);
        return std::nullopt;
    }

    std::optional<ParseError> checkKeyPath(std::wstring_view path) const {
        std::size_t depth = 0;
        while (!path.empty()) {
            const std::size_t end = std::min(path.find(L'\\'), path.size());
            const std::wstring_view name = path.substr(0, end);
            if (name.empty()) {
                return fail(L"empty key name in the path");
            }
            if (text::utf16Length(name) > SimRegistry::kMaxKeyNameChars) {
                return fail(L"key name longer than 255 characters");
            }
            if (++depth > SimRegistry::kMaxKeyDepth) {
                return fail(L"key path deeper than 512 keys");
            }
            path.remove_prefix(end == path.size() ? end : end + 1);
        }
        return std::nullopt;
    }

    // A quoted string at `pos` with \\ and \" escapes; `pos` moves past the closing quote.
    std::optional<ParseError> parseQuoted(std::wstring_view line, std::size_t& pos, std::wstring& out) const {
        ++pos; // the opening quote
        out.clear();
        while (pos < line.size()) {
            const wchar_t c = line[pos++];
            if (c == L'"') {
                return std::nullopt;
            }
            if (c == L'\\') {
                if (pos == line.size() || (line[pos] != L'\\' && line[pos] != L'"')) {
                    return fail(L"unknown escape in a quoted string (only \\\\ and \\\" are allowed)");
                }
                out.push_back(line[pos++]);
            } else {
                out.push_back(c);
            }
        }
        return fail(L"unterminated quoted string");
    }

    std::optional<ParseError> parseValueLine(std::wstring_view line) {
        if (!m_section) {
            return fail(L"value line before any [key] section");
        }
        if (m_section->deletes) {
            return fail(L"value line in a section that deletes its key");
        }
        const std::size_t firstLine = m_index + 1; // hex data may continue on the next lines
        std::size_t pos = 0;
        std::wstring name;
        if (line.front() == L'@') {
            pos = 1;
        } else if (auto error = parseQuoted(line, pos, name)) {
            return error;
        }
        if (text::utf16Length(name) > SimRegistry::kMaxValueNameChars) {
            return fail(L"value name longer than 16383 characters");
        }
        while (pos < line.size() && isBlank(line[pos])) {
            ++pos;
        }
        if (pos == line.size() || line[pos] != L'=') {
            return fail(L"expected '=' after the value name");
        }
        const std::wstring_view data = trimBlanks(line.substr(pos + 1));
        RegEdit edit{RegEdit::Kind::SetValue, m_section->hive, m_section->path, std::move(name), {}};

        if (data == L"-") {
            edit.kind = RegEdit::Kind::DeleteValue;
        } else if (!data.empty() && data.front() == L'"') {
            std::size_t end = 0;
            std::wstring value;
            if (auto error = parseQuoted(data, end, value)) {
                return error;
            }
            if (end != data.size()) {
                return fail(L"unexpected text after the closing quote");
            }
            edit.value = RegValue{regtype::kSz, text::toUtf16Le(value)};
        } else if (startsWithNoCase(data, kDwordPrefix)) {
            const std::wstring_view digits = data.substr(kDwordPrefix.size());
            const auto value = digits.size() == kDwordDigits ? parseHex(digits, kDwordDigits) : std::nullopt;
            if (!value) {
                return fail(L"dword: needs exactly 8 hex digits");
            }
            edit.value = RegValue{regtype::kDword,
                                  {static_cast<std::uint8_t>(*value & 0xFF),
                                   static_cast<std::uint8_t>((*value >> 8) & 0xFF),
                                   static_cast<std::uint8_t>((*value >> 16) & 0xFF),
                                   static_cast<std::uint8_t>((*value >> 24) & 0xFF)}};
        } else if (startsWithNoCase(data, kHexPrefix)) {
            if (auto error = parseHexValue(data.substr(kHexPrefix.size()), edit.value)) {
                return error;
            }
        } else {
            return fail(L"unknown value form \"" + printable(data) + L"\"");
        }
        add(std::move(edit), firstLine);
        return std::nullopt;
    }

    // After "hex": ":" or "(N):" then comma-separated bytes, continued on the following lines
    // while a line ends with a backslash.
    std::optional<ParseError> parseHexValue(std::wstring_view rest, RegValue& value) {
        value.type = regtype::kBinary;
        if (!rest.empty() && rest.front() == L'(') {
            const std::size_t close = rest.find(L')');
            const auto type = close == std::wstring_view::npos
                                  ? std::nullopt
                                  : parseHex(rest.substr(1, close - 1), kMaxTypeDigits);
            if (!type) {
                return fail(L"hex(N): needs a type number of 1 to 8 hex digits");
            }
            value.type = *type;
            rest.remove_prefix(close + 1);
        }
        if (rest.empty() || rest.front() != L':') {
            return fail(L"expected ':' after hex");
        }
        rest.remove_prefix(1);
        value.bytes.clear();
        bool trailingComma = false;
        while (true) {
            std::wstring_view segment = trimBlanks(rest);
            const bool continued = !segment.empty() && segment.back() == L'\\';
            if (continued) {
                segment = trimBlanks(segment.substr(0, segment.size() - 1));
            }
            if (!segment.empty()) {
                if (!trailingComma && !value.bytes.empty()) {
                    return fail(L"missing ',' between hex bytes");
                }
                if (auto error = parseHexBytes(segment, value.bytes, trailingComma)) {
                    return error;
                }
            }
            if (!continued) {
                break;
            }
            if (m_index + 1 == m_lines.size()) {
                return fail(L"line continued past the end of the text");
            }
            rest = m_lines[++m_index];
        }
        if (value.bytes.size() > SimRegistry::kMaxValueBytes) {
            return fail(L"value data larger than 1 MB");
        }
        return std::nullopt;
    }

    std::optional<ParseError> parseHexBytes(std::wstring_view segment, std::vector<std::uint8_t>& bytes,
                                            bool& trailingComma) const {
        trailingComma = false;
        while (true) {
            const std::size_t comma = segment.find(L',');
            const std::wstring_view token = trimBlanks(segment.substr(0, comma));
            if (comma == std::wstring_view::npos && token.empty()) {
                trailingComma = true; // the segment ended with ','
                return std::nullopt;
            }
            if (token.empty()) {
                return fail(L"missing hex byte between commas");
            }
            const auto byte = parseHex(token, 2);
            if (!byte) {
                return fail(L"bad hex byte \"" + printable(token) + L"\"");
            }
            bytes.push_back(static_cast<std::uint8_t>(*byte));
            if (comma == std::wstring_view::npos) {
                return std::nullopt;
            }
            segment.remove_prefix(comma + 1);
        }
    }

    std::vector<std::wstring_view> m_lines;
    std::size_t m_index = 0;
    std::optional<Section> m_section;
    std::vector<RegEdit> m_edits;
    std::vector<std::size_t> m_editLines;
};

// Line number of the UTF-16LE unit at byte `position`.
std::size_t utf16LineAt(const std::vector<std::uint8_t>& bytes, std::size_t offset, std::size_t position) {
    std::size_t line = 1;
    for (std::size_t i = offset; i + 1 < bytes.size() && i < position; i += 2) {
        line += bytes[i] == '\n' && bytes[i + 1] == 0 ? 1 : 0;
    }
    return line;
}

// UTF-16LE units from `offset` on; zero units are kept as NUL characters so that the parser
// reports them, trailing ones (padding) are dropped. Text that does not decode exactly (an odd
// byte, an unpaired surrogate) is refused rather than altered.
std::optional<std::wstring> decodeUtf16Le(const std::vector<std::uint8_t>& bytes, std::size_t offset,
                                          ParseError& error) {
    const std::size_t end = bytes.size() - (bytes.size() - offset) % 2;
    if (end != bytes.size()) {
        error = ParseError{utf16LineAt(bytes, offset, end),
                           L"UTF-16 text with an odd number of bytes (truncated)"};
        return std::nullopt;
    }
    std::wstring out;
    std::size_t start = offset;
    for (std::size_t i = offset; i < end; i += 2) {
        if (bytes[i] == 0 && bytes[i + 1] == 0) {
            out += text::fromUtf16Le(bytes.data() + start, i - start);
            out.push_back(L'\0');
            start = i + 2;
        }
    }
    out += text::fromUtf16Le(bytes.data() + start, end - start);
    const auto again = text::toUtf16Le(out, false);
    const auto mismatch = std::mismatch(again.begin(), again.end(),
                                        bytes.begin() + static_cast<std::ptrdiff_t>(offset), bytes.end());
    if (mismatch.first != again.end()) {
        const auto position = static_cast<std::size_t>(mismatch.second - bytes.begin());
        error = ParseError{utf16LineAt(bytes, offset, position), L"invalid UTF-16 text (unpaired surrogate)"};
        return std::nullopt;
    }
    while (!out.empty() && out.back() == L'\0') {
        out.pop_back();
    }
    return out;
}

std::optional<std::wstring> decodeUtf8(const std::vector<std::uint8_t>& bytes, std::size_t offset,
                                       ParseError& error) {
    const std::string_view raw(reinterpret_cast<const char*>(bytes.data()) + offset, bytes.size() - offset);
    std::wstring out = text::fromUtf8(raw);
    const std::string again = text::toUtf8(out);
    if (again != raw) {
        const auto mismatch = std::mismatch(raw.begin(), raw.end(), again.begin(), again.end()).first;
        const auto newlines = std::count(raw.begin(), mismatch, '\n');
        error =
            ParseError{static_cast<std::size_t>(newlines) + 1, L"text is neither UTF-16LE with a byte-order "
                                                               L"mark nor valid UTF-8"};
        return std::nullopt;
    }
    return out;
}

// --- Export ---------------------------------------------------------------------------------

wchar_t hexDigit(unsigned value) {
    return L"0123456789abcdef"[value & 0xF];
}

std::wstring quoted(std::wstring_view s) {
    std::wstring out = L"\"";
    for (const wchar_t c : s) {
        if (c == L'\\' || c == L'"') {
            out.push_back(L'\\');
        }
        out.push_back(c);
    }
    out.push_back(L'"');
    return out;
}

// The text of REG_SZ data when the quoted form reproduces the bytes exactly: one terminator at
// the end, nothing the UTF-16 round trip would change, no line break.
std::optional<std::wstring> exactString(const std::vector<std::uint8_t>& bytes) {
    std::wstring s = text::fromUtf16Le(bytes.data(), bytes.size());
    if (text::toUtf16Le(s) != bytes || s.find_first_of(L"\r\n") != std::wstring::npos) {
        return std::nullopt;
    }
    return s;
}

void appendValue(std::wstring& out, const RegNamedValue& named) {
    const std::size_t lineStart = out.size();
    out += named.name.empty() ? std::wstring(L"@") : quoted(named.name);
    out += L'=';
    const RegValue& value = named.value;
    if (value.type == regtype::kSz) {
        if (const auto s = exactString(value.bytes)) {
            out += quoted(*s);
            out += kCrLf;
            return;
        }
    }
    if (value.type == regtype::kDword && value.bytes.size() == 4) {
        const std::uint32_t dword = value.bytes[0] | (value.bytes[1] << 8) | (value.bytes[2] << 16) |
                                    (static_cast<std::uint32_t>(value.bytes[3]) << 24);
        out += L"dword:";
        for (int shift = 28; shift >= 0; shift -= 4) {
            out.push_back(hexDigit(dword >> shift));
        }
        out += kCrLf;
        return;
    }
    out += L"hex";
    if (value.type != regtype::kBinary) {
        out += L'(';
        bool leading = true;
        for (int shift = 28; shift >= 0; shift -= 4) {
            const unsigned digit = (value.type >> shift) & 0xF;
            if (digit != 0 || !leading || shift == 0) {
                out.push_back(hexDigit(digit));
                leading = false;
            }
        }
        out += L')';
    }
    out += L':';
    std::size_t column = out.size() - lineStart;
    for (std::size_t i = 0; i < value.bytes.size(); ++i) {
        out.push_back(hexDigit(value.bytes[i] >> 4));
        out.push_back(hexDigit(value.bytes[i]));
        column += 2;
        if (i + 1 < value.bytes.size()) {
            out.push_back(L',');
            ++column;
            if (column > kWrapColumn) {
                out += L'\\';
                out += kCrLf;
                out += kContinuationIndent;
                column = kContinuationIndent.size();
            }
        }
    }
    out += kCrLf;
}

void appendKey(std::wstring& out, std::wstring_view root, const RegKeySnapshot& key) {
    out += L'[';
    out += root;
    if (!key.path.empty()) {
        out += L'\\';
        out += key.path;
    }
    out += L']';
    out += kCrLf;
    for (const auto& value : key.values) {
        appendValue(out, value);
    }
    out += kCrLf;
    for (const auto& subkey : key.subkeys) {
        appendKey(out, root, subkey);
    }
}

} // namespace

RegImportResult importRegText(SimRegistry& registry, std::wstring_view text) {
    RegTextParser parser(text);
    if (const auto error = parser.parse()) {
        return RegImportResult{false, error->line, error->message};
    }
    std::size_t failed = 0;
    const platform::ErrorCode rc = registry.applyEdits(parser.edits(), &failed);
    if (rc != platform::error::kSuccess) {
        return RegImportResult{false, parser.editLines()[failed],
                               L"the registry refused this line (error " + std::to_wstring(rc) + L")"};
    }
    return RegImportResult{true, 0, {}};
}

RegImportResult importRegFile(SimRegistry& registry, const std::vector<std::uint8_t>& bytes) {
    ParseError error;
    std::optional<std::wstring> decoded;
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        decoded = decodeUtf16Le(bytes, 2, error);
    } else if (bytes.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
        return RegImportResult{false, 1, L"UTF-16 big-endian text is not supported"};
    } else if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
        decoded = decodeUtf8(bytes, 3, error);
    } else if (bytes.size() >= 2 && bytes[0] != 0 && bytes[1] == 0) {
        decoded = decodeUtf16Le(bytes, 0, error); // UTF-16LE without its byte-order mark
    } else {
        decoded = decodeUtf8(bytes, 0, error);
    }
    if (!decoded) {
        return RegImportResult{false, error.line, error.message};
    }
    return importRegText(registry, *decoded);
}

std::wstring exportRegText(const SimRegistry& registry, std::wstring_view keyPath) {
    const std::size_t separator = std::min(keyPath.find(L'\\'), keyPath.size());
    const auto hive = hiveOfRoot(keyPath.substr(0, separator));
    if (!hive) {
        return {};
    }
    const auto key =
        registry.snapshot(*hive, separator < keyPath.size() ? keyPath.substr(separator + 1) : L"");
    if (!key) {
        return {};
    }
    std::wstring out(kHeader);
    out += kCrLf;
    out += kCrLf;
    appendKey(out, *hive == platform::kHkeyLocalMachine ? kMachineRoot : kUserRoot, *key);
    return out;
}

std::vector<std::uint8_t> exportRegFile(const SimRegistry& registry, std::wstring_view keyPath) {
    const std::wstring textOut = exportRegText(registry, keyPath);
    if (textOut.empty()) {
        return {};
    }
    std::vector<std::uint8_t> bytes{0xFF, 0xFE};
    const auto body = text::toUtf16Le(textOut, false);
    bytes.insert(bytes.end(), body.begin(), body.end());
    return bytes;
}

} // namespace sim
