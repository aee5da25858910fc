// One reading of the Windows display configuration: the path and mode records as
// QueryDisplayConfig answered them, with bounds-checked access to the modes a path refers to.
// Portable.
#pragma once

#include "platform/Clock.h"
#include "platform/DisplayConfig.h"

#include <cstdint>
#include <vector>

namespace display {

struct DisplayConfigSnapshot {
    std::vector<platform::DisplayConfigPathInfo> paths;
    std::vector<platform::DisplayConfigModeInfo> modes;

    // The source mode a path refers to; null when its index is invalid, out of range or names
    // a record of another type.
    const platform::DisplayConfigSourceMode* sourceModeOf(const platform::DisplayConfigPathInfo& path) const;
    platform::DisplayConfigSourceMode* sourceModeOf(const platform::DisplayConfigPathInfo& path);
    const platform::DisplayConfigModeInfo* modeAt(std::uint32_t index, std::uint32_t infoType) const;
};

// The configuration changes between the size query and the query, or a driver keeps
// answering ERROR_INSUFFICIENT_BUFFER: the reading starts again after a pause, this many times
// at most.
inline constexpr int kMaxDisplayConfigAttempts = 10;
inline constexpr std::uint32_t kInsufficientBufferPauseMs = 1000;
// Counts of a size query beyond these are no configuration of any machine (every path has one
// source and one target mode); they are refused rather than allocated.
inline constexpr std::uint32_t kMaxDisplayConfigPaths = 4096;
inline constexpr std::uint32_t kMaxDisplayConfigModes = 2 * kMaxDisplayConfigPaths;

// Reads the paths and modes for `flags`. False on any error, when the buffer stays too small
// after every attempt, or when the answer holds no path or no mode or more than the maxima.
bool readDisplayConfig(platform::DisplayConfig& config, platform::Clock& clock, std::uint32_t flags,
                       DisplayConfigSnapshot& snapshot);

} // namespace display
