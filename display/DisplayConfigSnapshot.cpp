// Reading the Windows display configuration with bounded retries. Portable.
#include "display/DisplayConfigSnapshot.h"

#include "platform/Types.h"

#include <algorithm>
#include <utility>

namespace display {

const platform::DisplayConfigModeInfo* DisplayConfigSnapshot::modeAt(std::uint32_t index,
                                                                     std::uint32_t infoType) const {
    if (index >= modes.size() || modes[index].infoType != infoType) {
        return nullptr;
    }
    return &modes[index];
}

const platform::DisplayConfigSourceMode*
DisplayConfigSnapshot::sourceModeOf(const platform::DisplayConfigPathInfo& path) const {
    const platform::DisplayConfigModeInfo* mode =
        modeAt(path.sourceInfo.modeInfoIdx, platform::dc::kModeInfoTypeSource);
    return mode != nullptr ? &mode->sourceMode : nullptr;
}

platform::DisplayConfigSourceMode*
DisplayConfigSnapshot::sourceModeOf(const platform::DisplayConfigPathInfo& path) {
    return const_cast<platform::DisplayConfigSourceMode*>(std::as_const(*this).sourceModeOf(path));
}

bool readDisplayConfig(platform::DisplayConfig& config, platform::Clock& clock, std::uint32_t flags,
                       DisplayConfigSnapshot& snapshot) {
    for (int attempt = 0; attempt < kMaxDisplayConfigAttempts; ++attempt) {
        std::uint32_t pathCount = 0;
        std::uint32_t modeCount = 0;
        if (config.getBufferSizes(flags, pathCount, modeCount) != 0) {
            return false;
        }
        if (pathCount == 0 || modeCount == 0 || pathCount > kMaxDisplayConfigPaths ||
            modeCount > kMaxDisplayConfigModes) {
            return false;
        }
        snapshot.paths.assign(pathCount, platform::DisplayConfigPathInfo{});
        snapshot.modes.assign(modeCount, platform::DisplayConfigModeInfo{});
        std::uint32_t topology = 0;
        std::uint32_t pathsAnswered = pathCount;
        std::uint32_t modesAnswered = modeCount;
        const std::int32_t result =
            config.query(flags, pathsAnswered, snapshot.paths.data(), modesAnswered, snapshot.modes.data(),
                         (flags & platform::dc::kQueryDatabaseCurrent) != 0 ? &topology : nullptr);
        if (result == static_cast<std::int32_t>(platform::error::kInsufficientBuffer)) {
            snapshot.paths.clear();
            snapshot.modes.clear();
            clock.sleep(kInsufficientBufferPauseMs);
            continue;
        }
        if (result != 0 || pathsAnswered == 0 || modesAnswered == 0) {
            return false;
        }
        // A count beyond the arrays the driver was given is not believed.
        snapshot.paths.resize(std::min(pathsAnswered, pathCount));
        snapshot.modes.resize(std::min(modesAnswered, modeCount));
        return true;
    }
    return false;
}

} // namespace display
