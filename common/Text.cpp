// Text conversions. Portable.
#include "common/Text.h"

namespace text {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Calls `emit` with each code point of a wide string.
template <typename Emit> void forEachCodePoint(std::wstring_view s, Emit emit) {
    if constexpr (sizeof(wchar_t) == 2) {
        for (std::size_t i = 0; i < s.size(); ++i) {
            char32_t u = static_cast<char16_t>(s[i]);
            if (u >= 0xD800 && u <= 0xDBFF && i + 1 < s.size()) {
                char32_t low = static_cast<char16_t>(s[i + 1]);
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    emit(0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                    ++i;
                    continue;
                }
            }
            emit((u >= 0xD800 && u <= 0xDFFF) ? kReplacement : u);
        }
    } else {
        for (wchar_t c : s) {
            auto u = static_cast<char32_t>(c);
            emit((u > 0x10FFFF || (u >= 0xD800 && u <= 0xDFFF)) ? kReplacement : u);
        }
    }
}

void appendCodePoint(std::wstring& out, char32_t u) {
    if constexpr (sizeof(wchar_t) == 2) {
        if (u >= 0x10000) {
            u -= 0x10000;
            out.push_back(static_cast<wchar_t>(0xD800 + (u >> 10)));
            out.push_back(static_cast<wchar_t>(0xDC00 + (u & 0x3FF)));
            return;
        }
    }
    out.push_back(static_cast<wchar_t>(u));
}

} // namespace

std::vector<std::uint8_t> toUtf16Le(std::wstring_view s, bool terminate) {
    std::vector<std::uint8_t> out;
    out.reserve((s.size() + 1) * 2);
    auto unit = [&out](char32_t u) {
        out.push_back(static_cast<std::uint8_t>(u & 0xFF));
        out.push_back(static_cast<std::uint8_t>((u >> 8) & 0xFF));
    };
    forEachCodePoint(s, [&unit](char32_t u) {
        if (u >= 0x10000) {
            u -= 0x10000;
            unit(0xD800 + (u >> 10));
            unit(0xDC00 + (u & 0x3FF));
        } else {
            unit(u);
        }
    });
    if (terminate) {
        unit(0);
    }
    return out;
}

std::size_t utf16Length(std::wstring_view s) {
    std::size_t units = 0;
    forEachCodePoint(s, [&units](char32_t u) { units += u >= 0x10000 ? 2 : 1; });
    return units;
}

std::wstring fromUtf16Le(const std::uint8_t* data, std::size_t size) {
    std::wstring out;
    if (data == nullptr) {
        return out;
    }
    const std::size_t units = size / 2;
    for (std::size_t i = 0; i < units; ++i) {
        char32_t u = static_cast<char32_t>(data[2 * i] | (data[2 * i + 1] << 8));
        if (u == 0) {
            break;
        }
        if constexpr (sizeof(wchar_t) == 2) {
            out.push_back(static_cast<wchar_t>(u));
        } else if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units) {
            char32_t low = static_cast<char32_t>(data[2 * i + 2] | (data[2 * i + 3] << 8));
            if (low >= 0xDC00 && low <= 0xDFFF) {
                out.push_back(static_cast<wchar_t>(0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00)));
                ++i;
            } else {
                out.push_back(static_cast<wchar_t>(kReplacement));
            }
        } else {
            out.push_back(static_cast<wchar_t>((u >= 0xD800 && u <= 0xDFFF) ? kReplacement : u));
        }
    }
    return out;
}

std::string toUtf8(std::wstring_view s) {
    std::string out;
    out.reserve(s.size());
    forEachCodePoint(s, [&out](char32_t u) {
        if (u < 0x80) {
            out.push_back(static_cast<char>(u));
        } else if (u < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (u >> 6)));
            out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
        } else if (u < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (u >> 12)));
            out.push_back(static_cast<char>(0x80 | ((u >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (u >> 18)));
            out.push_back(static_cast<char>(0x80 | ((u >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((u >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
        }
    });
    return out;
}

std::wstring fromUtf8(std::string_view s) {
    std::wstring out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        const auto b0 = static_cast<unsigned char>(s[i]);
        std::size_t len = 0;
        char32_t u = 0;
        if (b0 < 0x80) {
            len = 1;
            u = b0;
        } else if ((b0 & 0xE0) == 0xC0) {
            len = 2;
            u = b0 & 0x1F;
        } else if ((b0 & 0xF0) == 0xE0) {
            len = 3;
            u = b0 & 0x0F;
        } else if ((b0 & 0xF8) == 0xF0) {
            len = 4;
            u = b0 & 0x07;
        }
        bool ok = len != 0 && i + len <= s.size();
        for (std::size_t k = 1; ok && k < len; ++k) {
            const auto b = static_cast<unsigned char>(s[i + k]);
            ok = (b & 0xC0) == 0x80;
            u = (u << 6) | (b & 0x3F);
        }
        static constexpr char32_t kMinForLength[5] = {0, 0, 0x80, 0x800, 0x10000};
        if (ok && (u < kMinForLength[len] || u > 0x10FFFF || (u >= 0xD800 && u <= 0xDFFF))) {
            ok = false;
        }
        if (!ok) {
            appendCodePoint(out, kReplacement);
            ++i;
            continue;
        }
        appendCodePoint(out, u);
        i += len;
    }
    return out;
}

wchar_t toUpperAscii(wchar_t c) {
    return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}
wchar_t toLowerAscii(wchar_t c) {
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

int compareNoCase(std::wstring_view a, std::wstring_view b) {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const auto ca = static_cast<std::uint32_t>(toUpperAscii(a[i]));
        const auto cb = static_cast<std::uint32_t>(toUpperAscii(b[i]));
        if (ca != cb) {
            return ca < cb ? -1 : 1;
        }
    }
    if (a.size() == b.size()) {
        return 0;
    }
    return a.size() < b.size() ? -1 : 1;
}

bool equalsNoCase(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() && compareNoCase(a, b) == 0;
}

} // namespace text
