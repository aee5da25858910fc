// The expectations on the controller's notice: whether the newest one is open or closed, whether
// its box is checked, and the texts it shows; and on its control menu: shown or not, its entries
// and the selected one. Portable.
#pragma once

#include "tools/scenario/ScenarioTarget.h"

#include <string>

namespace scenario {

// Empty when the expectation holds, else what the user sees instead.
std::string checkNotice(ScenarioTarget& target, const Expectation& e);
// The same for the control menu as it is now.
std::string checkMenuState(ScenarioTarget& target, const Expectation& e);

} // namespace scenario
