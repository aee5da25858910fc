// The simulated system locale. Simulation.
#include "sim/SimLocale.h"

#include "sim/SimThreads.h"

#include <algorithm>

namespace sim {

int SimLocale::systemDefaultLanguage(wchar_t* buffer, int capacity) {
    if (m_failing) {
        setLastError(platform::error::kInvalidParameter);
        return 0;
    }
    const int needed = static_cast<int>(m_language.size()) + 1;
    if (buffer == nullptr || capacity < needed) {
        setLastError(platform::error::kInsufficientBuffer);
        return 0;
    }
    std::copy(m_language.begin(), m_language.end(), buffer);
    buffer[m_language.size()] = L'\0';
    return needed;
}

} // namespace sim
