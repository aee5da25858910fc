// Virtual clock and scheduler. Simulation.
#include "sim/VirtualClock.h"

namespace sim {
namespace {

// Days since 1970-01-01 of a civil date, and back (H. Hinnant's algorithms).
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void civilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2);
}

constexpr std::int64_t kMsPerDay = 86400000;

} // namespace

VirtualClock::VirtualClock() {
    // A Monday morning in December 2026 unless a test or scenario says otherwise.
    platform::SystemTime start;
    start.year = 2026;
    start.month = 12;
    start.day = 7;
    start.hour = 9;
    setStartUtc(start);
    m_startTick = 1000000;
}

VirtualClock::ActionId VirtualClock::scheduleAt(std::uint64_t at, Action action) {
    const ActionId id = m_nextSequence++;
    m_actions.emplace(std::make_pair(at < m_now ? m_now : at, id), std::move(action));
    return id;
}

bool VirtualClock::cancel(ActionId id) {
    for (auto it = m_actions.begin(); it != m_actions.end(); ++it) {
        if (it->first.second == id) {
            m_actions.erase(it);
            return true;
        }
    }
    return false;
}

std::uint64_t VirtualClock::nextActionTime() const {
    return m_actions.empty() ? m_now : m_actions.begin()->first.first;
}

void VirtualClock::advanceTo(std::uint64_t t) {
    while (!m_actions.empty() && m_actions.begin()->first.first <= t) {
        auto node = m_actions.extract(m_actions.begin());
        if (node.key().first > m_now) {
            m_now = node.key().first;
        }
        node.mapped()();
    }
    if (t > m_now) {
        m_now = t;
    }
}

void VirtualClock::setStartUtc(const platform::SystemTime& utc) {
    m_startEpochMs = toEpochMs(utc);
}

std::uint32_t VirtualClock::tickCount() {
    return static_cast<std::uint32_t>(m_startTick + m_now);
}

platform::SystemTime VirtualClock::utcTime() {
    return fromEpochMs(m_startEpochMs + static_cast<std::int64_t>(m_now));
}

platform::SystemTime VirtualClock::localTime() {
    return fromEpochMs(m_startEpochMs + static_cast<std::int64_t>(m_now) +
                       std::int64_t{m_localOffsetMinutes} * 60000);
}

void VirtualClock::sleep(std::uint32_t milliseconds) {
    advanceTo(m_now + milliseconds);
}

std::int64_t VirtualClock::toEpochMs(const platform::SystemTime& t) {
    const std::int64_t days = daysFromCivil(t.year, t.month, t.day);
    return days * kMsPerDay + ((std::int64_t{t.hour} * 60 + t.minute) * 60 + t.second) * 1000 +
           t.milliseconds;
}

platform::SystemTime VirtualClock::fromEpochMs(std::int64_t ms) {
    std::int64_t days = ms / kMsPerDay;
    std::int64_t rest = ms % kMsPerDay;
    if (rest < 0) {
        rest += kMsPerDay;
        --days;
    }
    std::int64_t y = 0;
    unsigned m = 0;
    unsigned d = 0;
    civilFromDays(days, y, m, d);
    platform::SystemTime t;
    t.year = static_cast<std::uint16_t>(y);
    t.month = static_cast<std::uint16_t>(m);
    t.day = static_cast<std::uint16_t>(d);
    t.dayOfWeek = static_cast<std::uint16_t>(((days % 7) + 11) % 7); // 1970-01-01 was a Thursday
    t.hour = static_cast<std::uint16_t>(rest / 3600000);
    t.minute = static_cast<std::uint16_t>(rest / 60000 % 60);
    t.second = static_cast<std::uint16_t>(rest / 1000 % 60);
    t.milliseconds = static_cast<std::uint16_t>(rest % 1000);
    return t;
}

} // namespace sim
