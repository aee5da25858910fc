// The field tokenizer: every case of its table, whole field lists, and the "%X" number rule.
#include "controller/Context.h"
#include "common/Text.h"
#include "tests/support/TraceCapture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct TokenCase {
    const wchar_t* text;
    wchar_t separator;
    std::int32_t code;
    const wchar_t* token; // expected field; null: the out-parameter stays untouched
    const wchar_t* rest;
};
void PrintTo(const TokenCase& c, std::ostream* os) {
    *os << '"' << text::toUtf8(c.text) << '"';
}

class ContextTokenTest : public ::testing::TestWithParam<TokenCase> {
protected:
    testing_support::TraceCapture trace;
};

TEST_P(ContextTokenTest, RemovesOneFieldFromTheFront) {
    const TokenCase& c = GetParam();
    Context context(c.text, c.separator);
    std::wstring token = L"untouched";
    EXPECT_EQ(context.getNextToken(token), c.code);
    EXPECT_EQ(token, c.token != nullptr ? c.token : L"untouched");
    EXPECT_EQ(context.getText(), c.rest);
}

constexpr std::int32_t kLast = Context::kLastToken;
constexpr std::int32_t kOpen = Context::kErrorUnterminated;

INSTANTIATE_TEST_SUITE_P(
    Cases, ContextTokenTest,
    ::testing::Values(
        TokenCase{L"", L',', kLast, L"", L""},                   // empty text
        TokenCase{L",", L',', 0, L"", L""},                      // lone separator
        TokenCase{L",,a", L',', 0, L"", L",a"},                  // two separators: one empty field
        TokenCase{L",\"a,b\",c", L',', 0, L"a,b", L",c"},        // quoted after separator
        TokenCase{L",\"a,b", L',', kOpen, nullptr, L",\"a,b"},   // quoted after separator, unterminated
        TokenCase{L",ab,c", L',', 0, L"ab", L",c"},              // after separator
        TokenCase{L",ab", L',', kLast, L"ab", L""},              // after separator, last
        TokenCase{L"\"", L',', kOpen, nullptr, L"\""},           // lone quote
        TokenCase{L"\"\",x", L',', 0, L"", L",x"},               // empty quoted field
        TokenCase{L"\"a,b\"x,y", L',', 0, L"a,b", L"x,y"},       // quoted, trailing text is the next field
        TokenCase{L"\"abc", L',', kOpen, nullptr, L"\"abc"},     // quoted, unterminated
        TokenCase{L" a b ,c", L',', 0, L" a b ", L",c"},         // plain, blanks kept
        TokenCase{L"abc", L',', kLast, L"abc", L""},             // plain, last
        TokenCase{L"a.exe /x /y", L' ', 0, L"a.exe", L" /x /y"}, // blank separator
        TokenCase{L"\"C:\\My App\\a.exe\" /x", L' ', 0, L"C:\\My App\\a.exe", L" /x"}));

std::vector<std::wstring> readAll(const wchar_t* text, std::int32_t* lastCode = nullptr) {
    Context context(text);
    std::vector<std::wstring> fields;
    for (;;) {
        std::wstring token;
        const std::int32_t rc = context.getNextToken(token);
        if (rc < 0 || rc == Context::kLastToken) {
            if (rc == Context::kLastToken) {
                fields.push_back(token);
            }
            if (lastCode != nullptr) {
                *lastCode = rc;
            }
            return fields;
        }
        fields.push_back(token);
    }
}

TEST(ContextFieldListTest, ALeadingSeparatorIsIgnoredAndTwoInARowGiveOneEmptyField) {
    const std::vector<std::wstring> expected{L"a", L"", L"b,c", L""};
    EXPECT_EQ(readAll(L"a,,\"b,c\""), expected);
    EXPECT_EQ(readAll(L",a,,\"b,c\""), expected);
    std::int32_t code = 0;
    EXPECT_EQ(readAll(L"a,\"b", &code), std::vector<std::wstring>{L"a"});
    EXPECT_EQ(code, Context::kErrorUnterminated);
}

TEST(ContextHexTest, ReadsLikeAFormattedHexConversion) {
    const std::vector<std::pair<const wchar_t*, std::uint32_t>> cases{
        {L"44", 0x44},
        {L"  1F4ms", 0x1F4},
        {L"\t0x1f4", 0x1F4},
        {L"0X10", 0x10},
        {L"", 0},
        {L"zz", 0},
        {L"0x", 0},
        {L"0xg", 0},
        {L"-1", 0},
        {L"FFFFFFFF", 0xFFFFFFFF},
        {L"100000044", 0xFFFFFFFF}, // beyond 32 bits: never a small key code
    };
    for (const auto& [field, value] : cases) {
        EXPECT_EQ(Context::hexToDword(field), value) << "field \"" << text::toUtf8(field) << "\"";
    }
}

} // namespace
