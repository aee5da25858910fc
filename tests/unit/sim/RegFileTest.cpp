// .reg import and export of the simulated registry: every value form, regedit's layout, exact
// round trips, file encodings, and malformed text (error names the line, nothing is applied).
#include "sim/RegFile.h"

#include "common/Text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

using namespace platform;
using sim::RegValue;
using sim::SimRegistry;

namespace {

constexpr RegKey kHklm = kHkeyLocalMachine;
const std::wstring kHeader = L"Windows Registry Editor Version 5.00\r\n";

std::vector<std::uint8_t> bytesOf(const std::string& s) {
    return std::vector<std::uint8_t>(s.begin(), s.end());
}

// A key path `depth` names deep, each name six characters long.
std::wstring deepPath(std::size_t depth) {
    std::wstring path;
    for (std::size_t i = 0; i < depth; ++i) {
        path += (i == 0 ? L"K" : L"\\K") + std::to_wstring(100000 + i).substr(1); // K00000\K00001…
    }
    return path;
}

std::vector<std::wstring> splitLines(const std::wstring& s) {
    std::vector<std::wstring> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = s.find(L"\r\n", start)) != std::wstring::npos; start = end + 2) {
        lines.push_back(s.substr(start, end - start));
    }
    EXPECT_EQ(start, s.size()) << "text does not end with CRLF";
    return lines;
}

TEST(RegFile, ImportsEveryValueFormAndKeyOperation) {
    SimRegistry registry;
    registry.setDword(kHklm, L"SOFTWARE\\Korvath", L"Gone", 1);
    registry.setDword(kHklm, L"SOFTWARE\\Old\\Deep", L"x", 1);
    const std::wstring text = kHeader + L"\r\n"
                                        L"; installation data\r\n"
                                        L"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Korvath]\r\n"
                                        L"\"Path\"=\"C:\\\\Program Files\\\\Korvath \\\"Tiles\\\"\"\r\n"
                                        L"@=\"default\"\r\n"
                                        L"\"Level\"=dword:0000ABcd\r\n"
                                        L"\"Empty\"=hex:\r\n"
                                        L"\"Bin\"=hex:00,ff,7F\r\n"
                                        L"\"Expand\"=hex(2):25,00,00,00\r\n"
                                        L"\"Multi\"=hex(7):61,00,00,00,\\\r\n"
                                        L"    62,00,00,00,00,00\r\n"
                                        L"\"Q\"=hex(b):01,00,00,00,00,00,00,00\r\n"
                                        L"\"Odd\"=hex(12345):01\r\n"
                                        L"\"Gone\"=-\r\n"
                                        L"\r\n"
                                        L"[-HKEY_LOCAL_MACHINE\\SOFTWARE\\OLD]\r\n"
                                        L"[-HKEY_LOCAL_MACHINE\\SOFTWARE\\NeverWas]\r\n"
                                        L"[HKEY_CURRENT_USER\\Software\\Korvath\\Empty Key]\r\n";
    const auto result = sim::importRegText(registry, text);
    ASSERT_TRUE(result.ok) << result.line << ": " << text::toUtf8(result.message);

    const auto value = [&](const wchar_t* name) {
        return *registry.getValue(kHklm, L"software\\korvath", name);
    };
    EXPECT_EQ(value(L"Path"),
              (RegValue{regtype::kSz, text::toUtf16Le(L"C:\\Program Files\\Korvath \"Tiles\"")}));
    EXPECT_EQ(value(L""), (RegValue{regtype::kSz, text::toUtf16Le(L"default")}));
    EXPECT_EQ(value(L"Level"), (RegValue{regtype::kDword, {0xCD, 0xAB, 0, 0}}));
    EXPECT_EQ(value(L"Empty"), (RegValue{regtype::kBinary, {}}));
    EXPECT_EQ(value(L"Bin"), (RegValue{regtype::kBinary, {0x00, 0xFF, 0x7F}}));
    EXPECT_EQ(value(L"Expand"), (RegValue{regtype::kExpandSz, {0x25, 0, 0, 0}}));
    EXPECT_EQ(value(L"Multi"), (RegValue{regtype::kMultiSz, {0x61, 0, 0, 0, 0x62, 0, 0, 0, 0, 0}}));
    EXPECT_EQ(value(L"Q"), (RegValue{regtype::kQword, {1, 0, 0, 0, 0, 0, 0, 0}}));
    EXPECT_EQ(value(L"Odd"), (RegValue{0x12345, {1}}));
    EXPECT_FALSE(registry.getValue(kHklm, L"SOFTWARE\\Korvath", L"Gone"));
    EXPECT_FALSE(registry.keyExists(kHklm, L"SOFTWARE\\Old"));
    EXPECT_TRUE(registry.keyExists(kHkeyCurrentUser, L"Software\\Korvath\\Empty Key"));
    EXPECT_EQ(registry.subkeyNames(kHklm, L"SOFTWARE"), std::vector<std::wstring>{L"Korvath"});
}

struct MalformedCase {
    const char* what;
    std::wstring text;
    std::size_t line;
};
// Readable test names: the case, not its bytes.
void PrintTo(const MalformedCase& c, std::ostream* os) {
    *os << c.what;
}

// Every case begins with valid lines (when `prefixed`) that would change the registry, so that
// a half-applied import shows.
const std::wstring kPrefix =
    kHeader + L"[HKEY_LOCAL_MACHINE\\Good]\r\n\"keep\"=-\r\n\"new\"=dword:00000001\r\n";
constexpr std::size_t kPrefixLines = 4;

class RegFileMalformed : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(RegFileMalformed, NamesTheLineAndChangesNothing) {
    SimRegistry registry;
    registry.setString(kHklm, L"Good", L"keep", L"yes");
    const auto before = registry.snapshot(kHklm, L"");
    const auto result = sim::importRegText(registry, GetParam().text);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.line, GetParam().line) << text::toUtf8(result.message);
    EXPECT_FALSE(result.message.empty());
    EXPECT_EQ(registry.snapshot(kHklm, L""), before);
    EXPECT_FALSE(registry.keyExists(kHkeyCurrentUser, L"X"));
}

INSTANTIATE_TEST_SUITE_P(
    RegFile, RegFileMalformed,
    ::testing::Values(
        MalformedCase{"empty", L"", 1}, MalformedCase{"wrong header", L"REGEDIT5\r\n", 1},
        MalformedCase{"header not first", L"\n\n[HKEY_CURRENT_USER\\X]\n" + kHeader, 3},
        MalformedCase{"value before section", kHeader + L"\"v\"=dword:00000001\r\n", 2},
        MalformedCase{"other root", kPrefix + L"[HKEY_CLASSES_ROOT\\x]\r\n", kPrefixLines + 1},
        MalformedCase{"root abbreviated", kPrefix + L"[HKLM\\x]\r\n", kPrefixLines + 1},
        MalformedCase{"section unclosed", kPrefix + L"[HKEY_CURRENT_USER\\X\r\n", kPrefixLines + 1},
        MalformedCase{"empty key name", kPrefix + L"[HKEY_CURRENT_USER\\X\\\\Y]\r\n", kPrefixLines + 1},
        MalformedCase{"key name too long",
                      kPrefix + L"[HKEY_CURRENT_USER\\" + std::wstring(256, L'k') + L"]\r\n",
                      kPrefixLines + 1},
        MalformedCase{"key path too deep", kPrefix + L"[HKEY_CURRENT_USER\\" + deepPath(513) + L"]\r\n",
                      kPrefixLines + 1},
        MalformedCase{"delete hive root", kPrefix + L"[-HKEY_LOCAL_MACHINE]\r\n", kPrefixLines + 1},
        MalformedCase{"value in delete section", kPrefix + L"[-HKEY_CURRENT_USER\\X]\r\n\"a\"=\"1\"\r\n",
                      kPrefixLines + 2},
        MalformedCase{"dword 7 digits", kPrefix + L"\"d\"=dword:0000001\r\n", kPrefixLines + 1},
        MalformedCase{"dword 9 digits", kPrefix + L"\"d\"=dword:000000001\r\n", kPrefixLines + 1},
        MalformedCase{"dword not hex", kPrefix + L"\"d\"=dword:0000000g\r\n", kPrefixLines + 1},
        MalformedCase{"bad hex byte", kPrefix + L"\"b\"=hex:01,2x\r\n", kPrefixLines + 1},
        MalformedCase{"hex byte too long", kPrefix + L"\"b\"=hex:01,123\r\n", kPrefixLines + 1},
        MalformedCase{"empty hex byte", kPrefix + L"\"b\"=hex:01,,02\r\n", kPrefixLines + 1},
        MalformedCase{"bad hex type", kPrefix + L"\"b\"=hex(zz):01\r\n", kPrefixLines + 1},
        MalformedCase{"bad hex on continuation", kPrefix + L"\"b\"=hex:01,\\\r\n  02,\\\r\n  zz\r\n",
                      kPrefixLines + 3},
        MalformedCase{"missing comma across lines", kPrefix + L"\"b\"=hex:01\\\r\n  02\r\n",
                      kPrefixLines + 2},
        MalformedCase{"continued past end", kPrefix + L"\"b\"=hex:01,\\", kPrefixLines + 1},
        MalformedCase{"unterminated string", kPrefix + L"\"s\"=\"abc\r\n", kPrefixLines + 1},
        MalformedCase{"unterminated name", kPrefix + L"\"s=\"abc\"\r\n", kPrefixLines + 1},
        MalformedCase{"unknown escape", kPrefix + L"\"s\"=\"a\\tb\"\r\n", kPrefixLines + 1},
        MalformedCase{"text after string", kPrefix + L"\"s\"=\"a\" b\r\n", kPrefixLines + 1},
        MalformedCase{"unknown form", kPrefix + L"\"s\"=str:\"x\"\r\n", kPrefixLines + 1},
        MalformedCase{"missing equals", kPrefix + L"\"s\" \"x\"\r\n", kPrefixLines + 1},
        MalformedCase{"unrecognised line", kPrefix + L"s=\"x\"\r\n", kPrefixLines + 1},
        MalformedCase{"NUL character", kPrefix + std::wstring(L"\"s\"=\"a\0b\"\r\n", 10), kPrefixLines + 1}),
    [](const auto& info) {
        std::string name = info.param.what;
        for (char& c : name) {
            c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        }
        return name;
    });

TEST(RegFile, ExportWritesRegeditLayout) {
    SimRegistry registry;
    registry.setString(kHklm, L"SOFTWARE\\KORVATH", L"Path", L"C:\\Tiles \"1\"");
    registry.setString(kHklm, L"SOFTWARE\\KORVATH", L"", L"x");
    registry.setDword(kHklm, L"SOFTWARE\\KORVATH", L"Level", 42);
    registry.setBinary(kHklm, L"SOFTWARE\\KORVATH\\Tracelog", L"Bytes", {0x01, 0xAB});
    registry.setValue(kHklm, L"SOFTWARE\\KORVATH\\Tracelog", L"Multi", regtype::kMultiSz, {0x61, 0, 0, 0});
    registry.ensureKey(kHklm, L"SOFTWARE\\KORVATH\\Alpha");

    EXPECT_EQ(sim::exportRegText(registry, L"hkey_local_machine\\software\\korvath"),
              kHeader + L"\r\n"
                        L"[HKEY_LOCAL_MACHINE\\SOFTWARE\\KORVATH]\r\n"
                        L"\"Path\"=\"C:\\\\Tiles \\\"1\\\"\"\r\n"
                        L"@=\"x\"\r\n"
                        L"\"Level\"=dword:0000002a\r\n"
                        L"\r\n"
                        L"[HKEY_LOCAL_MACHINE\\SOFTWARE\\KORVATH\\Alpha]\r\n"
                        L"\r\n"
                        L"[HKEY_LOCAL_MACHINE\\SOFTWARE\\KORVATH\\Tracelog]\r\n"
                        L"\"Bytes\"=hex:01,ab\r\n"
                        L"\"Multi\"=hex(7):61,00,00,00\r\n"
                        L"\r\n");
    EXPECT_EQ(sim::exportRegText(registry, L"HKEY_LOCAL_MACHINE\\Missing"), L"");
    EXPECT_EQ(sim::exportRegText(registry, L"HKEY_USERS\\SOFTWARE"), L"");
    EXPECT_TRUE(sim::exportRegFile(registry, L"HKEY_LOCAL_MACHINE\\Missing").empty());
}

TEST(RegFile, ExportWrapsLongHexDataWithinEightyColumns) {
    SimRegistry registry;
    registry.setBinary(kHklm, L"W", L"Blob", std::vector<std::uint8_t>(60, 0x5A));
    const auto lines = splitLines(sim::exportRegText(registry, L"HKEY_LOCAL_MACHINE\\W"));
    ASSERT_EQ(lines.size(), 7u); // header, blank, section, three data lines, blank
    EXPECT_EQ(lines[3].substr(0, 14), L"\"Blob\"=hex:5a,");
    std::wstring fullRow = L"  ";
    for (int i = 0; i < 25; ++i) {
        fullRow += L"5a,";
    }
    EXPECT_EQ(lines[4], fullRow + L"\\");
    EXPECT_EQ(lines[5].substr(0, 2), L"  ");
    EXPECT_EQ(lines[5].back(), L'a'); // last byte, no comma
    std::size_t bytes = 0;
    for (std::size_t i = 3; i <= 5; ++i) {
        EXPECT_LE(lines[i].size(), 80u);
        EXPECT_EQ(lines[i].back() == L'\\', i < 5);
        bytes += static_cast<std::size_t>(std::count(lines[i].begin(), lines[i].end(), L'5'));
    }
    EXPECT_EQ(bytes, 60u);
}

TEST(RegFile, ExportThenImportReproducesTheTreeExactly) {
    SimRegistry source;
    const std::wstring root = L"SOFTWARE\\Korvath";
    source.setString(kHklm, root, L"Name with \"quotes\" and \\", L"Gr\u00fc\u00dfe \u65e5\u672c");
    source.setDword(kHklm, root, L"Dword", 0xDEADBEEF);
    source.setValue(kHklm, root, L"", regtype::kSz, {0x41, 0x00});                    // no terminator
    source.setValue(kHklm, root, L"Lines", regtype::kSz, text::toUtf16Le(L"a\r\nb")); // line break
    source.setValue(kHklm, root, L"Inner NUL", regtype::kSz, {0x41, 0, 0, 0, 0x42, 0, 0, 0});
    source.setValue(kHklm, root, L"Odd", regtype::kSz, {0x41, 0x00, 0x00});
    source.setValue(kHklm, root, L"Short dword", regtype::kDword, {1, 2, 3});
    source.setValue(kHklm, root, L"None", regtype::kNone, {});
    source.setValue(kHklm, root, L"Qword", regtype::kQword, {1, 2, 3, 4, 5, 6, 7, 8});
    source.setValue(kHklm, root, L"Odd type", 0xFFFF0001u, {9});
    std::vector<std::uint8_t> large(300);
    for (std::size_t i = 0; i < large.size(); ++i) {
        large[i] = static_cast<std::uint8_t>(i);
    }
    source.setBinary(kHklm, root, L"Large", large);
    source.setString(kHklm, root + L"\\b\\Deep", L"v", L"");
    source.ensureKey(kHklm, root + L"\\A]bracket");
    source.setDword(kHklm, root + L"\\_last", L"v", 0);

    for (const auto& path : {L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Korvath", L"HKEY_LOCAL_MACHINE"}) {
        SimRegistry target;
        const auto result = sim::importRegFile(target, sim::exportRegFile(source, path));
        ASSERT_TRUE(result.ok) << result.line << ": " << text::toUtf8(result.message);
        EXPECT_EQ(target.snapshot(kHklm, root), source.snapshot(kHklm, root)) << text::toUtf8(path);
    }
}

// The export repeats each key's full path, so a tree at the depth limit exports as about a
// million characters; it must still import as the same tree.
TEST(RegFile, ExportThenImportHoldsAtTheDepthLimit) {
    SimRegistry source;
    const std::wstring path = deepPath(SimRegistry::kMaxKeyDepth);
    source.setDword(kHklm, path, L"Bottom", 512);
    SimRegistry target;
    const auto result = sim::importRegFile(target, sim::exportRegFile(source, L"HKEY_LOCAL_MACHINE"));
    ASSERT_TRUE(result.ok) << result.line << ": " << text::toUtf8(result.message);
    EXPECT_EQ(target.snapshot(kHklm, L""), source.snapshot(kHklm, L""));
    EXPECT_NE(source.setDword(kHklm, path + L"\\OneMore", L"v", 1), platform::error::kSuccess);
}

TEST(RegFile, ImportFileDetectsEncodingAndLineEnds) {
    const std::string body = "[HKEY_CURRENT_USER\\U]\n\"s\"=\"caf\xC3\xA9\"\n";
    const RegValue expected{regtype::kSz, text::toUtf16Le(L"caf\u00e9")};
    const std::string header = "Windows Registry Editor Version 5.00\n\n";
    std::string crlf;
    for (const char c : header + body) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    const std::wstring wide = text::fromUtf8(crlf);
    std::vector<std::uint8_t> utf16 = text::toUtf16Le(wide, false);
    std::vector<std::uint8_t> utf16Bom{0xFF, 0xFE};
    utf16Bom.insert(utf16Bom.end(), utf16.begin(), utf16.end());
    utf16Bom.insert(utf16Bom.end(), {0, 0}); // trailing NUL padding is tolerated

    const std::vector<std::vector<std::uint8_t>> files{bytesOf("\xEF\xBB\xBF" + header + body), bytesOf(crlf),
                                                       utf16Bom, utf16};
    for (std::size_t i = 0; i < files.size(); ++i) {
        SimRegistry registry;
        const auto result = sim::importRegFile(registry, files[i]);
        EXPECT_TRUE(result.ok) << "file " << i << ": " << text::toUtf8(result.message);
        EXPECT_EQ(registry.getValue(kHkeyCurrentUser, L"U", L"s"), expected) << "file " << i;
    }

    SimRegistry registry;
    auto result = sim::importRegFile(registry, bytesOf(header + "[HKEY_CURRENT_USER\\U]\n\"s\"=\"\xC3\"\n"));
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.line, 4u); // invalid UTF-8 on line 4
    auto truncated = utf16Bom;
    truncated.pop_back();
    truncated.pop_back();
    truncated.pop_back();
    result = sim::importRegFile(registry, truncated);
    EXPECT_FALSE(result.ok);
    auto withNul = utf16Bom;
    withNul[withNul.size() - 8] = 0; // the closing quote of the last line
    result = sim::importRegFile(registry, withNul);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.line, 4u);
    auto surrogate = utf16Bom;
    surrogate[surrogate.size() - 10] = 0x00; // the e-acute becomes an unpaired surrogate
    surrogate[surrogate.size() - 9] = 0xD8;
    result = sim::importRegFile(registry, surrogate);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.line, 4u);
    EXPECT_FALSE(sim::importRegFile(registry, {}).ok);
    EXPECT_FALSE(registry.keyExists(kHkeyCurrentUser, L"U"));
}

} // namespace
