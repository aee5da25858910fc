// Text conversions: UTF-16LE and UTF-8 round trips and bounds.
#include "common/Text.h"

#include <gtest/gtest.h>

TEST(Text, Utf16LeRoundTripIncludingSurrogates) {
    const std::wstring s =
        L"Ab\u00e9\u65e5" + std::wstring(1, static_cast<wchar_t>(0x1F600 > WCHAR_MAX ? 0x263A : 0x1F600));
    const auto bytes = text::toUtf16Le(s);
    EXPECT_EQ(bytes[0], 'A');
    EXPECT_EQ(bytes[1], 0);
    EXPECT_EQ(bytes[bytes.size() - 1], 0);
    EXPECT_EQ(bytes[bytes.size() - 2], 0);
    EXPECT_EQ(text::fromUtf16Le(bytes.data(), bytes.size()), s);
}

TEST(Text, Utf16LengthCountsTheUnitsThatTheBytesHold) {
    // U+1F600 is one wchar_t on Linux and a surrogate pair on Windows; two units either way.
    const std::wstring astral = sizeof(wchar_t) == 2 ? std::wstring{wchar_t(0xD83D), wchar_t(0xDE00)}
                                                     : std::wstring(1, static_cast<wchar_t>(0x1F600));
    const std::wstring lone(1, static_cast<wchar_t>(0xD800)); // written as one U+FFFD
    const std::pair<std::wstring, std::size_t> cases[] = {
        {L"", 0}, {L"Ab\u00e9\u65e5", 4}, {astral, 2}, {L"x" + astral + L"y", 4}, {lone + L"z", 2}};
    for (const auto& [s, units] : cases) {
        EXPECT_EQ(text::utf16Length(s), units);
        EXPECT_EQ(text::utf16Length(s), text::toUtf16Le(s, false).size() / 2);
    }
}

TEST(Text, FromUtf16LeStopsAtTerminatorAndIgnoresOddByte) {
    const std::uint8_t data[] = {'a', 0, 'b', 0, 0, 0, 'c', 0};
    EXPECT_EQ(text::fromUtf16Le(data, sizeof(data)), L"ab");
    const std::uint8_t odd[] = {'x', 0, 'y'};
    EXPECT_EQ(text::fromUtf16Le(odd, sizeof(odd)), L"x");
    EXPECT_EQ(text::fromUtf16Le(nullptr, 10), L"");
}

TEST(Text, Utf8RoundTripAndMalformedInput) {
    const std::wstring s = L"caf\u00e9 \u65e5\u672c";
    EXPECT_EQ(text::fromUtf8(text::toUtf8(s)), s);
    EXPECT_EQ(text::toUtf8(L"\u00e9"), "\xC3\xA9");
    EXPECT_EQ(text::fromUtf8("a\xC3"), L"a\uFFFD");
    EXPECT_EQ(text::fromUtf8("\xC0\xAF"), L"\uFFFD\uFFFD"); // overlong form rejected
}

TEST(Text, CaseInsensitiveComparisonOrdersAsWindows) {
    EXPECT_TRUE(text::equalsNoCase(L"Software\\Korvath", L"SOFTWARE\\KORVATH"));
    EXPECT_FALSE(text::equalsNoCase(L"abc", L"abcd"));
    EXPECT_LT(text::compareNoCase(L"alpha", L"Beta"), 0);
    // Windows compares upper-cased names: '_' (0x5F) sorts after every letter.
    EXPECT_GT(text::compareNoCase(L"a_", L"ab"), 0);
}
