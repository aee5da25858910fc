// Ready-made firmware queries over the controller's channel: the wake-up factor and whether a
// display is connected on HDMI.
// Portable.
#pragma once

#include "common/HardIO.h"

#include <cstdint>

class HardIOHelper {
public:
    explicit HardIOHelper(HardIO* hardIO); // not owned; null makes every query fail
    HardIOHelper(const HardIOHelper&) = delete;
    HardIOHelper& operator=(const HardIOHelper&) = delete;
    virtual ~HardIOHelper();

    // Stores the factor (reply W2 bits 0 to 7) on success; `factor` is untouched on failure.
    bool getWakeupFactor(std::uint16_t& factor);
    bool isHdmiConnected();

private:
    HardIO* m_pHardIO;
};
