// Whether a TV tuner registered with the media centre is enabled, from its registry entries.
// Portable.
#pragma once

#include "platform/Registry.h"

// 1 when a digital or analogue tuner has "EnabledForMCE" = 0xFFFFFFFF, else 0.
int isTunerExist(platform::Registry& registry);
