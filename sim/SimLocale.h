// The system default language of the simulated world (platform::Locale): four hexadecimal
// digits ("0409" unless set); the query can be made to fail.
// Simulation.
#pragma once

#include "platform/Locale.h"

#include <string>

namespace sim {

class SimLocale final : public platform::Locale {
public:
    static constexpr const wchar_t* kDefaultLanguage = L"0409";

    void setLanguage(const std::wstring& digits) { m_language = digits; }
    void setFailing(bool failing) { m_failing = failing; }

    // The digits and the terminator; 0 on failure or when the buffer is too small
    // (ERROR_INSUFFICIENT_BUFFER).
    int systemDefaultLanguage(wchar_t* buffer, int capacity) override;

private:
    std::wstring m_language = kDefaultLanguage;
    bool m_failing = false;
};

} // namespace sim
