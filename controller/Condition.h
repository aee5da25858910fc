// The abstract window condition of a command rule: set from a rule, then asked whether it
// holds for the current state of the desktop.
// Portable.
#pragma once

#include "controller/CmdInfo.h"

#include <cstdint>

class Condition {
public:
    static constexpr std::int32_t kSuccess = 0;
    static constexpr std::int32_t kErrorNoCmdInfo = static_cast<std::int32_t>(0x80000501u);

    Condition() = default;
    Condition(const Condition&) = delete;
    Condition& operator=(const Condition&) = delete;
    virtual ~Condition();

    // 1 when the condition holds, 0 otherwise.
    virtual int isMatch() = 0;
    // Takes the rule's condition text apart; the rule is not owned and must outlive the call
    // of isMatch.
    virtual std::int32_t setCmdInfo(const CmdInfo* pCmdInfo) = 0;
};
