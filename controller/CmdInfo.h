// One command rule: the remote key it answers, its window condition and the command it runs,
// as read from a rule value of the registry. Owned by a CmdInfoList; commands and conditions
// hold non-owning pointers to it for the handling of one key.
// Portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CmdInfo {
public:
    // Array sizes in UTF-16 units, terminator included.
    static constexpr std::size_t kConditionChars = 64;
    static constexpr std::size_t kParamChars = 180;

    CmdInfo() = default;
    virtual ~CmdInfo() = default;

    // Store a text into m_szCondition / m_szParam. A text longer than the array can hold
    // (63 or 179 UTF-16 units) is refused: false, and the array is left as it was.
    bool setCondition(std::wstring_view text);
    bool setParam(std::wstring_view text);

    // The stored texts, read up to the terminator and never past the array.
    std::wstring getCondition() const;
    std::wstring getParam() const;

    std::uint32_t m_dwKey = 0;       // remote key code; values above FF never match
    std::uint32_t m_dwWait = 0;      // delay in milliseconds before the command runs
    std::uint32_t m_dwCondition = 0; // condition flags (ApplicationCondition)
    std::uint32_t m_dwCommand = 0;   // command flags
    wchar_t m_szCondition[kConditionChars] = {};
    wchar_t m_szParam[kParamChars] = {};
};

// The rule list: load order decides which rule wins. CmdSetting::load appends to it and
// CmdSetting::unload empties it.
using CmdInfoList = std::vector<std::unique_ptr<CmdInfo>>;
