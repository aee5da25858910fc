// The scenario language: any text parses into steps or stops at a malformed line that the
// error names; a line on its own parses as it does inside the whole text.
#include "tests/fuzz/FuzzInput.h"
#include "tools/scenario/ScenarioParser.h"

#include <algorithm>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    scenario::Scenario parsed;
    scenario::ScenarioError error;
    const std::size_t lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
    if (scenario::parseScenario(text, "fuzz.scn", parsed, error)) {
        FUZZ_CHECK(parsed.steps.size() <= lines);
    } else {
        FUZZ_CHECK(error.line >= 1 && error.line <= lines && !error.message.empty());
    }
    // The first line alone.
    const std::string_view first = text.substr(0, text.find('\n'));
    scenario::Step step;
    scenario::ScenarioError lineError;
    const scenario::LineParse one = scenario::parseLine(first, "fuzz.scn", 1, step, lineError);
    if (one == scenario::LineParse::Error) {
        FUZZ_CHECK(!lineError.message.empty());
    }
    return 0;
}
