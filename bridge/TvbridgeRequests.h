// The bridge library's three requests to the controller. Each registers its message name, looks
// the controller's window up again and posts the message when the window exists; the caller only
// learns whether the name could be registered.
// Portable.
#pragma once

#include "platform/Windowing.h"

#include <cstdint>

class TvbridgeRequests {
public:
    static constexpr const wchar_t* kUseTvEnhancementMessage = L"TVBRIDGEDLL_USE_TV_ENHANCEMENT";
    static constexpr const wchar_t* kQueryTurnOffTvMessage = L"TVBRIDGEDLL_QUERY_TURN_OFF_TV";
    static constexpr const wchar_t* kChangeHdmiOutputMessage = L"TVBRIDGEDLL_CHANGE_HDMI_OUTPUT";
    static constexpr std::int32_t kRegistered = 1;
    static constexpr std::int32_t kNotRegistered = 0;

    explicit TvbridgeRequests(platform::Windowing& windowing) : m_windowing(windowing) {}
    TvbridgeRequests(const TvbridgeRequests&) = delete;
    TvbridgeRequests& operator=(const TvbridgeRequests&) = delete;

    // The caller's value goes unchanged in wParam; kRegistered whether or not the controller runs.
    std::int32_t useTvEnhancement(std::int32_t value);
    std::int32_t queryTurnOffTv();
    std::int32_t changeHdmiOutput(std::int32_t output);

private:
    std::int32_t post(const wchar_t* messageName, platform::WParam wParam);

    platform::Windowing& m_windowing;
};
