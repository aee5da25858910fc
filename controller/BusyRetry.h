// Sending again while the embedded CEC controller answers busy: one loop for the CECC commands
// of start-up, of a settings change and of the on-screen name, and for the CEC frame senders.
// Portable.
#pragma once

#include "platform/Clock.h"

#include <cstdint>

// How far apart and how many more times a busy send is repeated.
struct BusyRetry {
    std::uint32_t waitMs;
    int retries;
};

// A CECC write command at start-up or after a settings change: up to 10 more attempts, 400 ms apart.
inline constexpr BusyRetry kCeccCommandRetry{400, 10};
// The on-screen name: up to 10 more attempts, 500 ms apart.
inline constexpr BusyRetry kOsdNameRetry{500, 10};
// <Menu Status> sent by the controller: once more, 2000 ms later.
inline constexpr BusyRetry kMenuStatusRetry{2000, 1};

// Calls send(attempt) with attempt 0 and, while it answers busyCode, waits and calls it again
// with the next attempt number, up to policy.retries more times. Returns the last answer. The
// attempt number lets a caller trace a repeated send differently from the first.
template <typename Send>
int sendWhileBusy(platform::Clock& clock, const BusyRetry& policy, int busyCode, Send send) {
    int result = send(0);
    for (int attempt = 1; result == busyCode && attempt <= policy.retries; ++attempt) {
        clock.sleep(policy.waitMs);
        result = send(attempt);
    }
    return result;
}
