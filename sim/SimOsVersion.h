// The simulated operating system version (GetVersionExA as the calling program sees it).
// Simulation.
#pragma once

#include "platform/OsVersion.h"

namespace sim {

class SimOsVersion final : public platform::OsVersion {
public:
    void set(std::uint32_t major, std::uint32_t minor) {
        m_major = major;
        m_minor = minor;
    }
    bool version(std::uint32_t& major, std::uint32_t& minor) override {
        major = m_major;
        minor = m_minor;
        return true;
    }

private:
    std::uint32_t m_major = 6;
    std::uint32_t m_minor = 1;
};

} // namespace sim
