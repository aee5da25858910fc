// The Windows display-configuration back-end. Portable.
#include "display/backends/DisplayConfigBackend.h"

#include "display/C_WA_F5W7_0007_MISRECOGNIZE_HDMI_AS_DVI_Convert_DVIandHDMI.h"
#include "display/C_WA_F5W7_0020_AMD_FAIL_MM2MM_ChangeDeviceViaSingle.h"
#include "display/MonitorDevice.h"
#include "display/WorkAround.h"

#include <algorithm>
#include <array>
#include <map>
#include <set>
#include <utility>

namespace display {
namespace {

namespace dc = platform::dc;
using platform::DisplayConfigPathInfo;

constexpr std::uint32_t kSwapValidateFlags = dc::kUseSuppliedDisplayConfig | dc::kValidate;
constexpr std::uint32_t kSwapApplyFlags = dc::kUseSuppliedDisplayConfig | dc::kApply | dc::kSaveToDatabase;
constexpr std::uint32_t kTopologyValidateFlags = dc::kValidate | dc::kTopologySupplied;
constexpr std::uint32_t kTopologyApplyFlags = dc::kApply | dc::kTopologySupplied;
constexpr std::uint32_t kAllowValidateFlags =
    dc::kAllowChanges | dc::kValidate | dc::kUseSuppliedDisplayConfig;
constexpr std::uint32_t kAllowApplyFlags =
    dc::kAllowChanges | dc::kSaveToDatabase | dc::kApply | dc::kUseSuppliedDisplayConfig;

constexpr std::array<std::uint32_t, 3> kDriverModels{1000, 1102, 1105};

// Targets whose DVI-class display becomes the DisplayPort display when one is available.
constexpr std::array<std::uint32_t, 10> kDisplayPortTargets{
    mdv::kLcdDviClone,   mdv::kDvi,           mdv::kCrtDviClone,   mdv::kLcdTvClone,   mdv::kLcdPrimaryDvi,
    mdv::kDviPrimaryLcd, mdv::kDviPrimaryCrt, mdv::kCrtPrimaryDvi, mdv::kLcdPrimaryTv, mdv::kTvPrimaryLcd};

bool isActive(const DisplayConfigPathInfo& path) {
    return (path.flags & dc::kPathActive) != 0;
}
bool isAvailable(const DisplayConfigPathInfo& path) {
    return path.targetInfo.targetAvailable != 0;
}
std::uint32_t classOf(const DisplayConfigPathInfo& path) {
    return classOfOutputTechnology(path.targetInfo.outputTechnology);
}
bool isAnalog(const DisplayConfigPathInfo& path) {
    return path.targetInfo.outputTechnology == dc::tech::kHd15;
}

using TargetKey = std::pair<std::uint64_t, std::uint32_t>;
TargetKey targetKey(const DisplayConfigPathInfo& path) {
    const auto& adapter = path.targetInfo.adapterId;
    return {(static_cast<std::uint64_t>(static_cast<std::uint32_t>(adapter.highPart)) << 32) |
                adapter.lowPart,
            path.targetInfo.id};
}

bool atOrigin(const DisplayConfigSnapshot& snapshot, const DisplayConfigPathInfo& path) {
    const platform::DisplayConfigSourceMode* mode = snapshot.sourceModeOf(path);
    return mode != nullptr && mode->positionX == 0 && mode->positionY == 0;
}

std::uint32_t cloneValue(std::uint32_t classes, int analogCount, bool onlyAnalog) {
    const bool lcd = hasClass(classes, cls::kLcd);
    const bool crt = hasClass(classes, cls::kCrt);
    const bool dvi = hasClass(classes, cls::kDvi);
    const bool hdmi = hasClass(classes, cls::kHdmi);
    const bool tv = hasClass(classes, cls::kTv);
    if (lcd && crt) {
        return mdv::kLcdCrtClone;
    }
    if (hasClass(classes, cls::kDisplayPort)) {
        if (lcd) {
            return mdv::kDisplayPortMarker | mdv::kLcdDviClone;
        }
        if (crt) {
            return mdv::kDisplayPortMarker | mdv::kCrtDviClone;
        }
        if (hdmi) {
            return mdv::kDisplayPortMarker | mdv::kLcdTvClone;
        }
    }
    if (lcd && dvi) {
        return mdv::kLcdDviClone;
    }
    if (lcd && hdmi) {
        return mdv::kLcdHdmiClone;
    }
    if (lcd && tv) {
        return mdv::kLcdTvClone;
    }
    if (crt && dvi) {
        return mdv::kCrtDviClone;
    }
    if (crt && hdmi) {
        return mdv::kCrtHdmiClone;
    }
    if (onlyAnalog && analogCount > 1) {
        return mdv::kAnalogClone;
    }
    return mdv::kLcd;
}

std::uint32_t extendedValue(std::uint32_t primaryClass, std::uint32_t classes) {
    const bool lcd = hasClass(classes, cls::kLcd);
    const bool crt = hasClass(classes, cls::kCrt);
    const bool dvi = hasClass(classes, cls::kDvi);
    const bool hdmi = hasClass(classes, cls::kHdmi);
    const bool tv = hasClass(classes, cls::kTv);
    const bool displayPort = (classes & mdv::kDisplayPortMarker) != 0;
    switch (primaryClass) {
    case cls::kLcd:
        return displayPort ? mdv::kDisplayPortMarker | mdv::kLcdPrimaryDvi
               : crt       ? mdv::kLcdPrimaryCrt
               : dvi       ? mdv::kLcdPrimaryDvi
               : hdmi      ? mdv::kLcdPrimaryHdmi
               : tv        ? mdv::kLcdPrimaryTv
                           : mdv::kLcd;
    case cls::kCrt:
        return displayPort ? mdv::kDisplayPortMarker | mdv::kCrtPrimaryDvi
               : lcd       ? mdv::kCrtPrimaryLcd
               : dvi       ? mdv::kCrtPrimaryDvi
               : hdmi      ? mdv::kCrtPrimaryHdmi
                           : mdv::kCrt;
    case cls::kDvi:
        return lcd ? mdv::kDviPrimaryLcd : crt ? mdv::kDviPrimaryCrt : mdv::kDvi;
    case cls::kDisplayPort:
        return lcd    ? mdv::kDisplayPortMarker | mdv::kDviPrimaryLcd
               : crt  ? mdv::kDisplayPortMarker | mdv::kDviPrimaryCrt
               : hdmi ? mdv::kDisplayPortMarker | mdv::kLcdPrimaryTv
                      : cls::kDisplayPort;
    case cls::kHdmi:
        return displayPort ? mdv::kDisplayPortMarker | mdv::kTvPrimaryLcd
               : lcd       ? mdv::kHdmiPrimaryLcd
               : crt       ? mdv::kHdmiPrimaryCrt
                           : mdv::kHdmi;
    case cls::kTv:
        return lcd ? mdv::kTvPrimaryLcd : mdv::kTv;
    default:
        return mdv::kLcd;
    }
}

} // namespace

std::uint32_t extendedValueOf(std::uint32_t primaryClass, std::uint32_t classes) {
    return extendedValue(primaryClass, classes);
}

std::uint32_t valueOfActivePaths(const DisplayConfigSnapshot& active) {
    std::vector<const DisplayConfigPathInfo*> paths;
    for (const DisplayConfigPathInfo& path : active.paths) {
        if (isActive(path)) {
            paths.push_back(&path);
        }
    }
    if (paths.empty()) {
        return mdv::kLcd;
    }
    if (paths.size() == 1) {
        if (paths.front()->targetInfo.outputTechnology == dc::tech::kInternal) {
            return mdv::kLcd;
        }
        return isAvailable(*paths.front()) ? classOf(*paths.front()) : cls::kNone;
    }
    std::uint32_t classes = 0;
    int analogCount = 0;
    bool onlyAnalog = true;
    bool oneSource = true;
    for (const DisplayConfigPathInfo* path : paths) {
        oneSource = oneSource && path->sourceInfo.id == paths.front()->sourceInfo.id &&
                    path->sourceInfo.adapterId == paths.front()->sourceInfo.adapterId;
        if (!isAvailable(*path)) {
            continue;
        }
        classes |= classOf(*path);
        if (isAnalog(*path)) {
            ++analogCount;
        } else {
            onlyAnalog = false;
        }
    }
    if (oneSource) {
        return cloneValue(classes, analogCount, onlyAnalog);
    }
    const DisplayConfigPathInfo* primary = nullptr;
    for (const DisplayConfigPathInfo* path : paths) {
        if (atOrigin(active, *path)) {
            primary = path;
            break;
        }
    }
    if (primary == nullptr) {
        return mdv::kLcd;
    }
    if (isAnalog(*primary)) {
        for (const DisplayConfigPathInfo* other : paths) {
            if (other != primary && isAvailable(*other) && isAnalog(*other) &&
                other->targetInfo.adapterId == primary->targetInfo.adapterId) {
                return primary->targetInfo.id > other->targetInfo.id ? mdv::kAnalogHigherPrimary
                                                                     : mdv::kAnalogLowerPrimary;
            }
        }
    }
    return extendedValue(classOf(*primary), classes);
}

DisplayConfigBackend::DisplayConfigBackend(platform::DisplayConfig& config, platform::Clock& clock,
                                           std::uint32_t versionCode, std::uint32_t vendorCode)
    : m_config(config), m_clock(clock), m_dwVersion(versionCode), m_dwVendor(wa::vendorBit(vendorCode)) {}

bool DisplayConfigBackend::usable(platform::OsVersion& os, platform::DisplayConfig& config) {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    if (!os.version(major, minor) || wa::versionCode(major, minor) != wa::kWindows7OrLater) {
        return false;
    }
    if (!config.available()) {
        return false;
    }
    std::uint32_t paths = 0;
    std::uint32_t modes = 0;
    return config.getBufferSizes(dc::kQueryDatabaseCurrent, paths, modes) == 0;
}

void DisplayConfigBackend::initialize() {
    m_dwDriverModel = 0;
    DisplayConfigSnapshot all;
    if (!readDisplayConfig(m_config, m_clock, dc::kQueryAllPaths, all)) {
        return;
    }
    std::set<std::pair<std::uint64_t, std::uint32_t>> seen;
    std::set<std::uint32_t> answers;
    for (const DisplayConfigPathInfo& path : all.paths) {
        const auto& adapter = path.sourceInfo.adapterId;
        const std::uint64_t adapterKey =
            (static_cast<std::uint64_t>(static_cast<std::uint32_t>(adapter.highPart)) << 32) |
            adapter.lowPart;
        if (!seen.insert({adapterKey, path.sourceInfo.id}).second) {
            continue;
        }
        platform::DisplayConfigSourceDeviceName name;
        name.type = dc::kGetSourceName;
        name.size = sizeof(name);
        name.adapterId = adapter;
        name.id = path.sourceInfo.id;
        if (m_config.getSourceName(name) != 0) {
            continue;
        }
        name.viewGdiDeviceName[std::size(name.viewGdiDeviceName) - 1] = u'\0';
        platform::KernelAdapterHandle handle = 0;
        if (m_config.openAdapterFromGdiDisplayName(name.viewGdiDeviceName, handle) != 0) {
            continue;
        }
        std::uint32_t version = 0;
        if (m_config.queryDriverVersion(handle, version) == 0) {
            answers.insert(version);
        }
        m_config.closeAdapter(handle);
    }
    for (std::uint32_t model : kDriverModels) {
        if (answers.count(model) != 0) {
            m_dwDriverModel = model;
            return;
        }
    }
}

void DisplayConfigBackend::convertDviAndHdmi(std::uint32_t hdmiStatus,
                                             std::vector<DisplayConfigPathInfo>& paths, bool reading) {
    C_WA_F5W7_0007_MISRECOGNIZE_HDMI_AS_DVI_Convert_DVIandHDMI workAround(
        m_dwVersion, m_dwVendor, wa::modelBit(m_dwDriverModel), hdmiStatus, paths,
        reading ? PathDirection::Reading : PathDirection::Writing);
    workAround.run();
}

std::uint32_t DisplayConfigBackend::currentValue(std::uint32_t hdmiStatus) {
    DisplayConfigSnapshot active;
    if (!readDisplayConfig(m_config, m_clock, dc::kQueryOnlyActivePaths, active)) {
        return mdv::kLcd;
    }
    convertDviAndHdmi(hdmiStatus, active.paths, true);
    return valueOfActivePaths(active) & ~mdv::kInternalBits;
}

std::uint32_t DisplayConfigBackend::availableClasses(std::uint32_t hdmiStatus) {
    DisplayConfigSnapshot all;
    if (!readDisplayConfig(m_config, m_clock, dc::kQueryAllPaths, all)) {
        return 0;
    }
    convertDviAndHdmi(hdmiStatus, all.paths, true);
    std::set<TargetKey> seen;
    std::uint32_t classes = 0;
    int analogCount = 0;
    for (const DisplayConfigPathInfo& path : all.paths) {
        if (!isAvailable(path) || !seen.insert(targetKey(path)).second) {
            continue;
        }
        classes |= classOf(path);
        analogCount += isAnalog(path) ? 1 : 0;
    }
    if (analogCount >= 2) {
        classes |= mdv::kTwoAnalogDisplays;
    }
    return classes;
}

bool DisplayConfigBackend::swapByLayout() {
    DisplayConfigSnapshot active;
    if (!readDisplayConfig(m_config, m_clock, dc::kQueryOnlyActivePaths, active)) {
        return false;
    }
    const DisplayConfigPathInfo* first = nullptr;
    const DisplayConfigPathInfo* origin = nullptr;
    for (const DisplayConfigPathInfo& path : active.paths) {
        if (!isActive(path)) {
            continue;
        }
        if (first == nullptr) {
            first = &path;
        }
        if (atOrigin(active, path)) {
            origin = &path;
            break;
        }
    }
    if (origin == nullptr || origin == first) {
        return false;
    }
    // The widths of the sources, in ascending order of their identifiers.
    std::map<std::uint32_t, std::uint32_t> widths;
    for (const DisplayConfigPathInfo& path : active.paths) {
        if (const platform::DisplayConfigSourceMode* mode = active.sourceModeOf(path)) {
            widths.emplace(path.sourceInfo.id, mode->width);
        }
    }
    std::int64_t x = 0;
    for (const auto& [source, width] : widths) {
        for (const DisplayConfigPathInfo& path : active.paths) {
            if (path.sourceInfo.id != source) {
                continue;
            }
            if (platform::DisplayConfigSourceMode* mode = active.sourceModeOf(path)) {
                mode->positionX = static_cast<std::int32_t>(x);
                mode->positionY = 0;
            }
        }
        x += width;
    }
    const auto pathCount = static_cast<std::uint32_t>(active.paths.size());
    const auto modeCount = static_cast<std::uint32_t>(active.modes.size());
    if (m_config.set(pathCount, active.paths.data(), modeCount, active.modes.data(), kSwapValidateFlags) ==
        0) {
        m_config.set(pathCount, active.paths.data(), modeCount, active.modes.data(), kSwapApplyFlags);
    }
    return true;
}

void DisplayConfigBackend::switchTo(std::uint32_t target, std::uint32_t current, std::uint32_t hdmiStatus) {
    if (!m_config.available()) {
        return;
    }
    bool swap = false;
    if (target == mdv::kSwapRequest) {
        if (const auto mirror = mirrorOf(current, true)) {
            target = *mirror;
            swap = true;
        }
    }
    const std::uint32_t classes = availableClasses(hdmiStatus);
    if ((classes & mdv::kDisplayPortMarker) != 0 &&
        std::find(kDisplayPortTargets.begin(), kDisplayPortTargets.end(), target) !=
            kDisplayPortTargets.end()) {
        target |= mdv::kDisplayPortMarker;
    }
    if (swap && swapByLayout()) {
        return;
    }
    fullSwitch(target, current, hdmiStatus);
}

void DisplayConfigBackend::fullSwitch(std::uint32_t target, std::uint32_t current, std::uint32_t hdmiStatus) {
    C_WA_F5W7_0020_AMD_FAIL_MM2MM_ChangeDeviceViaSingle viaSingle(
        m_dwVersion, m_dwVendor, wa::modelBit(m_dwDriverModel), target, current, m_config, m_clock);
    viaSingle.run();

    DisplayConfigSnapshot all;
    if (!readDisplayConfig(m_config, m_clock, dc::kQueryAllPaths, all)) {
        return;
    }
    convertDviAndHdmi(hdmiStatus, all.paths, true);
    const std::optional<DecodedTarget> decoded = decodeTarget(target);
    if (!decoded) {
        return;
    }
    std::vector<DisplayConfigPathInfo> ordered = all.paths;
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const DisplayConfigPathInfo& a, const DisplayConfigPathInfo& b) {
                         const auto& la = a.targetInfo.adapterId;
                         const auto& lb = b.targetInfo.adapterId;
                         if (la.highPart != lb.highPart) {
                             return la.highPart < lb.highPart;
                         }
                         if (la.lowPart != lb.lowPart) {
                             return la.lowPart < lb.lowPart;
                         }
                         if (a.targetInfo.outputTechnology != b.targetInfo.outputTechnology) {
                             return a.targetInfo.outputTechnology < b.targetInfo.outputTechnology;
                         }
                         if (isAnalog(a) && isAnalog(b)) {
                             return a.targetInfo.id > b.targetInfo.id;
                         }
                         return false;
                     });
    for (DisplayConfigPathInfo& path : ordered) {
        path.flags = 0;
    }

    std::vector<DisplayConfigPathInfo> taken;
    std::set<TargetKey> takenTargets;
    std::uint32_t sourceNumber = 0;
    for (std::uint32_t displayClass : decoded->classes) {
        for (const DisplayConfigPathInfo& path : ordered) {
            if (isAvailable(path) && classOf(path) == displayClass &&
                takenTargets.count(targetKey(path)) == 0 && path.sourceInfo.id == sourceNumber) {
                takenTargets.insert(targetKey(path));
                taken.push_back(path);
                break;
            }
        }
        if (decoded->kind == ArrangementKind::Extended) {
            ++sourceNumber;
        }
    }
    if (taken.size() < decoded->classes.size()) {
        return;
    }
    if (target == mdv::kAnalogLowerPrimary) {
        std::stable_sort(
            taken.begin(), taken.end(), [](const DisplayConfigPathInfo& a, const DisplayConfigPathInfo& b) {
                return a.targetInfo.id < b.targetInfo.id; // both analog: the target decodes to two CRTs
            });
        std::uint32_t source = 0;
        for (DisplayConfigPathInfo& path : taken) {
            path.sourceInfo.id = source++;
        }
    }
    for (DisplayConfigPathInfo& path : taken) {
        path.flags = dc::kPathActive;
        path.sourceInfo.statusFlags = dc::kSourceInUse;
        path.sourceInfo.modeInfoIdx = dc::kInvalidModeIndex;
        path.targetInfo.modeInfoIdx = dc::kInvalidModeIndex;
        path.targetInfo.statusFlags |= dc::kTargetInUse;
    }
    convertDviAndHdmi(hdmiStatus, taken, false);
    const auto count = static_cast<std::uint32_t>(taken.size());
    if (m_config.set(count, taken.data(), 0, nullptr, kTopologyValidateFlags) == 0) {
        m_config.set(count, taken.data(), 0, nullptr, kTopologyApplyFlags);
        return;
    }
    if (m_config.set(count, taken.data(), 0, nullptr, kAllowValidateFlags) == 0) {
        m_config.set(count, taken.data(), 0, nullptr, kAllowApplyFlags);
    }
}

} // namespace display
