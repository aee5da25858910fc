// The rule-value parser: a Context over the text of one rule value that turns it into
// CmdInfo records, seven fields per rule, and appends them to the rule list.
// Portable.
#pragma once

#include "controller/CmdInfo.h"
#include "controller/Context.h"

class CmdContext : public Context {
public:
    static constexpr int kFieldsPerRule = 7;

    CmdContext();
    ~CmdContext() override;

    // Parses the current text into rules appended at the tail of `list`. Returns 1 when the
    // whole text became rules, 0 otherwise: an empty text, an unterminated quote (the rules
    // before it stay in the list, the rest of the text is dropped) or a refused rule.
    int getCmdInfo(CmdInfoList& list);
};
