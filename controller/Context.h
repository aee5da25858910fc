// The field tokenizer for the comma-separated texts of the command rules: rule values,
// condition texts and command parameters. Fields are split at the separator and may be
// enclosed in quote characters to contain separators.
// Portable.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class Context {
public:
    // getNextToken results.
    static constexpr std::int32_t kSuccess = 0;            // a field; more may follow
    static constexpr std::int32_t kLastToken = 0x40000201; // the field was the last one
    static constexpr std::int32_t kErrorUnterminated =
        static_cast<std::int32_t>(0x80000201u); // no closing quote

    static constexpr wchar_t kDefaultSeparator = L',';
    static constexpr wchar_t kDefaultQuote = L'"';

    Context();
    explicit Context(std::wstring_view text, wchar_t separator = kDefaultSeparator,
                     wchar_t quote = kDefaultQuote);
    virtual ~Context();

    void setText(std::wstring_view text) { m_strText = text; }
    const std::wstring& getText() const { return m_strText; }   // the text not yet read
    const std::wstring& getToken() const { return m_strToken; } // the last field read
    void setSeparator(wchar_t separator) { m_strSeparator.assign(1, separator); }
    void setQuote(wchar_t quote) { m_strQuote.assign(1, quote); }

    // Removes one field from the front of the text into `token` (and getToken()). Returns
    // kSuccess, kLastToken (the text is now empty; an empty text gives an empty field) or
    // kErrorUnterminated (an opening quote without a closing one; text and token unchanged).
    std::int32_t getNextToken(std::wstring& token);

    // A number field read as "%X" reads it: leading blanks and an optional 0x are skipped,
    // reading stops at the first character that is not a hexadecimal digit. An empty field or
    // one that does not begin with a hexadecimal number gives 0; a number beyond 32 bits gives
    // FFFFFFFF rather than its low bits, so that it cannot pose as a small key code.
    static std::uint32_t hexToDword(std::wstring_view field);

private:
    std::wstring m_strText;      // remaining text
    std::wstring m_strToken;     // last field read
    std::wstring m_strSeparator; // one character
    std::wstring m_strQuote;     // one character
};
