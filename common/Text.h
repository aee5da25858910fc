// Conversions between the program's wide text and the byte forms that cross records, the
// registry and files: UTF-16LE and UTF-8. wchar_t is UTF-16 on Windows and UTF-32 on Linux;
// these helpers are the only place that knows it.
// Portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace text {

// UTF-16LE bytes of `s`, with a terminating zero unit when `terminate` is set.
std::vector<std::uint8_t> toUtf16Le(std::wstring_view s, bool terminate = true);

// Number of UTF-16 units of `s` (without a terminator): the unit of the Windows length limits.
// Counts what toUtf16Le would write, without building it.
std::size_t utf16Length(std::wstring_view s);

// Text of UTF-16LE bytes, up to the first zero unit or the end of the data; an odd last byte
// is ignored. Never reads past `size`.
std::wstring fromUtf16Le(const std::uint8_t* data, std::size_t size);

// UTF-8 bytes of `s`; unpaired surrogates become U+FFFD.
std::string toUtf8(std::wstring_view s);

// Wide text of UTF-8 bytes; malformed sequences become U+FFFD.
std::wstring fromUtf8(std::string_view s);

// ASCII case-insensitive comparison, as Windows compares registry and window names.
bool equalsNoCase(std::wstring_view a, std::wstring_view b);
int compareNoCase(std::wstring_view a, std::wstring_view b);
wchar_t toUpperAscii(wchar_t c);
wchar_t toLowerAscii(wchar_t c);

} // namespace text
