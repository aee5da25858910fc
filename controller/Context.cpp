// The field tokenizer. Portable.
#include "controller/Context.h"

#include "common/Trace.h"

Context::Context() : Context(std::wstring_view{}) {}

Context::Context(std::wstring_view text, wchar_t separator, wchar_t quote)
    : m_strText(text), m_strSeparator(1, separator), m_strQuote(1, quote) {}

Context::~Context() = default;

std::int32_t Context::getNextToken(std::wstring& token) {
    TRACE_SCOPE(TraceModule::Sentrixd, "Context::getNextToken");
    std::wstring& text = m_strText;
    const wchar_t separator = m_strSeparator[0];
    const wchar_t quote = m_strQuote[0];
    std::wstring field;
    std::int32_t result = kSuccess;

    if (text.empty()) {
        result = kLastToken;
    } else if (text[0] == separator) {
        // A separator left in front by the previous field.
        if (text.size() == 1) {
            text.clear();
        } else if (text[1] == separator) {
            text.erase(0, 1);
        } else if (text[1] == quote) {
            const std::size_t close = text.find(quote, 2);
            if (close == std::wstring::npos) {
                return kErrorUnterminated;
            }
            field = text.substr(2, close - 2);
            text.erase(0, close + 1);
        } else {
            const std::size_t next = text.find(separator, 1);
            if (next == std::wstring::npos) {
                field = text.substr(1);
                text.clear();
                result = kLastToken;
            } else {
                field = text.substr(1, next - 1);
                text.erase(0, next);
            }
        }
    } else if (text[0] == quote) {
        if (text.size() == 1) {
            return kErrorUnterminated;
        }
        if (text[1] == quote) {
            text.erase(0, 2);
        } else {
            const std::size_t close = text.find(quote, 1);
            if (close == std::wstring::npos) {
                return kErrorUnterminated;
            }
            field = text.substr(1, close - 1);
            text.erase(0, close + 1);
        }
    } else {
        const std::size_t next = text.find(separator);
        if (next == std::wstring::npos) {
            field = text;
            text.clear();
            result = kLastToken;
        } else {
            field = text.substr(0, next);
            text.erase(0, next);
        }
    }
    m_strToken = field;
    token = std::move(field);
    return result;
}

std::uint32_t Context::hexToDword(std::wstring_view field) {
    auto digit = [](wchar_t c) -> int {
        if (c >= L'0' && c <= L'9') {
            return c - L'0';
        }
        if (c >= L'A' && c <= L'F') {
            return c - L'A' + 10;
        }
        if (c >= L'a' && c <= L'f') {
            return c - L'a' + 10;
        }
        return -1;
    };
    std::size_t i = 0;
    while (i < field.size() && (field[i] == L' ' || (field[i] >= L'\t' && field[i] <= L'\r'))) {
        ++i;
    }
    if (i + 2 < field.size() && field[i] == L'0' && (field[i + 1] == L'x' || field[i + 1] == L'X') &&
        digit(field[i + 2]) >= 0) {
        i += 2;
    }
    std::uint64_t value = 0;
    for (; i < field.size() && digit(field[i]) >= 0; ++i) {
        value = value * 16 + static_cast<std::uint64_t>(digit(field[i]));
        if (value > 0xFFFFFFFFu) {
            value = 0xFFFFFFFFu;
        }
    }
    return static_cast<std::uint32_t>(value);
}
