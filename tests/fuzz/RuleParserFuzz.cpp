// The rule-value parser: any text of a rule value becomes rules or is refused, never more
// rules than the text has groups of seven fields (a field ends at a separator, or where a
// quoted part closes), each rule's texts within their arrays.
#include "common/Text.h"
#include "controller/CmdContext.h"
#include "tests/fuzz/FuzzInput.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring text = fuzzing::utf16Text(data, size);
    CmdInfoList list;
    list.push_back(std::make_unique<CmdInfo>()); // rules already loaded stay in front
    CmdContext context;
    context.setText(text);
    const int result = context.getCmdInfo(list);
    FUZZ_CHECK(result == 0 || result == 1);
    const auto count = [&text](wchar_t c) {
        return static_cast<std::size_t>(std::count(text.begin(), text.end(), c));
    };
    const std::size_t fieldEnds = count(Context::kDefaultSeparator) + count(Context::kDefaultQuote) / 2;
    FUZZ_CHECK(list.size() - 1 <= fieldEnds / CmdContext::kFieldsPerRule + 1);
    for (const auto& rule : list) {
        FUZZ_CHECK(text::utf16Length(rule->getCondition()) < CmdInfo::kConditionChars);
        FUZZ_CHECK(text::utf16Length(rule->getParam()) < CmdInfo::kParamChars);
    }
    return 0;
}
