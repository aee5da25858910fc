// The NVIDIA back-end: EDID, current arrangement and switching through the view of display
// handle 0. Portable.
#include "display/backends/NvidiaBackend.h"

#include "display/MonitorDevice.h"
#include "display/Panelid.h"
#include "display/backends/DisplayConfigBackend.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

namespace display {

namespace nv = platform::nv;
namespace out = platform::nv::output;

namespace {

constexpr std::array<std::uint32_t, 2> kHdmiCandidates{out::kDigitalFirst, out::kDigitalSecond};
constexpr std::array<std::uint32_t, 4> kClassifiedOutputs{out::kPanel, out::kDigitalFirst,
                                                          out::kDigitalSecond, out::kDigitalThird};
constexpr std::array<std::uint32_t, 5> kSingleValues{mdv::kLcd, mdv::kDvi, mdv::kCrt, mdv::kHdmi, mdv::kTv};

bool contains(std::uint32_t mask, std::uint32_t output) {
    return output != 0 && (mask & output) == output;
}

bool isDisplayPortConnector(std::uint32_t type) {
    return type == nv::connector::kDisplayPort || type == nv::connector::kDisplayPortMini;
}

// The two outputs of an extended value, primary first.
std::optional<std::pair<std::uint32_t, std::uint32_t>> extendedPair(std::uint32_t value,
                                                                    const NvidiaOutputs& o) {
    const std::uint32_t lcd = out::kPanel;
    switch (value) {
    case mdv::kLcdPrimaryCrt:
        return std::pair{lcd, o.crt()};
    case mdv::kCrtPrimaryLcd:
        return std::pair{o.crt(), lcd};
    case mdv::kLcdPrimaryDvi:
        return std::pair{lcd, o.dviClass()};
    case mdv::kDviPrimaryLcd:
        return std::pair{o.dviClass(), lcd};
    case mdv::kDviPrimaryCrt:
        return std::pair{o.dviClass(), o.crt()};
    case mdv::kCrtPrimaryDvi:
        return std::pair{o.crt(), o.dviClass()};
    case mdv::kAnalogHigherPrimary:
        return std::pair{out::kCrtSecond, out::kCrtFirst};
    case mdv::kLcdPrimaryHdmi:
        return std::pair{lcd, o.hdmi};
    case mdv::kHdmiPrimaryLcd:
        return std::pair{o.hdmi, lcd};
    case mdv::kLcdPrimaryTv:
        return std::pair{lcd, o.tv()};
    case mdv::kTvPrimaryLcd:
        return std::pair{o.tv(), lcd};
    case mdv::kHdmiPrimaryCrt:
        return std::pair{o.hdmi, o.crt()};
    case mdv::kCrtPrimaryHdmi:
        return std::pair{o.crt(), o.hdmi};
    default:
        return std::nullopt;
    }
}

// The extended values the back-end switches to directly; the others set the LCD alone.
bool switchesDirectly(std::uint32_t value) {
    switch (value) {
    case mdv::kLcdPrimaryCrt:
    case mdv::kLcdPrimaryDvi:
    case mdv::kDviPrimaryCrt:
    case mdv::kAnalogHigherPrimary:
    case mdv::kLcdPrimaryHdmi:
    case mdv::kLcdPrimaryTv:
    case mdv::kHdmiPrimaryCrt:
        return true;
    default:
        return false;
    }
}

struct ViewRequest {
    std::vector<std::uint32_t> masks;
    std::uint32_t mode = nv::view::kStandard;
};

std::optional<ViewRequest> singleOrClone(std::uint32_t target, const NvidiaOutputs& o) {
    const std::uint32_t lcd = out::kPanel;
    const auto single = [](std::uint32_t mask) { return ViewRequest{{mask}, nv::view::kStandard}; };
    const auto clone = [](std::uint32_t a, std::uint32_t b) { return ViewRequest{{a, b}, nv::view::kClone}; };
    switch (target) {
    case mdv::kLcd:
        return single(lcd);
    case mdv::kCrt:
        return single(o.crt());
    case mdv::kDvi:
        return single(o.dviClass());
    case mdv::kHdmi:
        return single(o.hdmi);
    case mdv::kTv:
        return single(o.tv());
    case mdv::kLcdCrtClone:
        return clone(lcd, o.crt());
    case mdv::kLcdDviClone:
        return clone(lcd, o.dviClass());
    case mdv::kCrtDviClone:
        return clone(o.crt(), o.dviClass());
    case mdv::kAnalogClone:
        return clone(out::kCrtSecond, out::kCrtFirst);
    case mdv::kLcdHdmiClone:
        return clone(lcd, o.hdmi);
    case mdv::kLcdTvClone:
        return clone(lcd, o.tv());
    case mdv::kCrtHdmiClone:
        return clone(o.crt(), o.hdmi);
    default:
        return std::nullopt;
    }
}

// Whether the connected outputs offer every display `value` names.
bool offered(const NvidiaOutputs& o, std::uint32_t value) {
    const bool panel = o.panel && contains(o.connected, out::kPanel);
    const int analog =
        (contains(o.connected, out::kCrtFirst) ? 1 : 0) + (contains(o.connected, out::kCrtSecond) ? 1 : 0);
    const bool displayPort = contains(o.connected, o.displayPort);
    const bool hdmi = contains(o.connected, o.hdmi);
    const bool dvi = displayPort || contains(o.connected, o.dviD);
    const bool tv = (o.connected & (out::kTvFirst | out::kTvSecond)) != 0;
    if (displayPort &&
        (value == mdv::kLcdTvClone || value == mdv::kLcdPrimaryTv || value == mdv::kTvPrimaryLcd)) {
        return hdmi; // these values stand for DisplayPort + HDMI
    }
    const std::optional<DecodedTarget> decoded = decodeTarget(value);
    if (!decoded) {
        return false;
    }
    int crtsNeeded = 0;
    for (const std::uint32_t c : decoded->classes) {
        switch (c) {
        case cls::kLcd:
            if (!panel)
                return false;
            break;
        case cls::kCrt:
            ++crtsNeeded;
            break;
        case cls::kDvi:
            if (!dvi)
                return false;
            break;
        case cls::kHdmi:
            if (!hdmi)
                return false;
            break;
        case cls::kTv:
            if (!tv)
                return false;
            break;
        default:
            return false;
        }
    }
    return crtsNeeded <= analog;
}

} // namespace

std::uint32_t NvidiaOutputs::crt() const {
    return contains(connected, out::kCrtSecond) ? out::kCrtSecond : out::kCrtFirst;
}

std::uint32_t NvidiaOutputs::tv() const {
    return contains(connected, out::kTvSecond) ? out::kTvSecond : out::kTvFirst;
}

std::uint32_t NvidiaOutputs::classOf(std::uint32_t mask) const {
    if (mask == 0) {
        return cls::kNone;
    }
    if (mask == out::kPanel) {
        return cls::kLcd;
    }
    if (mask == out::kCrtFirst || mask == out::kCrtSecond) {
        return cls::kCrt;
    }
    if (mask == out::kTvFirst || mask == out::kTvSecond) {
        return cls::kTv;
    }
    if (mask == hdmi) {
        return cls::kHdmi;
    }
    if (mask == displayPort) {
        return cls::kDisplayPort;
    }
    if (mask == dviD) {
        return cls::kDvi;
    }
    return cls::kNone;
}

std::uint32_t nvidiaViewValue(const NvidiaOutputs& o, const platform::NvViewTargetInfo& view,
                              std::uint32_t mode, bool display1AtOrigin) {
    const std::uint32_t count = std::min<std::uint32_t>(view.count, nv::kMaxViewTargets);
    std::vector<std::uint32_t> masks;
    for (std::uint32_t i = 0; i < count; ++i) {
        masks.push_back(view.target[i].deviceMask);
    }
    const auto any = [&](auto test) { return std::any_of(masks.begin(), masks.end(), test); };
    const auto anyClass = [&](std::uint32_t c) {
        return any([&](std::uint32_t m) { return o.classOf(m) == c; });
    };

    if (mode == nv::view::kDualView && masks.size() == 2) {
        std::uint32_t primary = masks[0];
        std::uint32_t secondary = masks[1];
        if (!display1AtOrigin) {
            std::swap(primary, secondary);
        }
        if ((view.target[1].flags & platform::kNvViewTargetPrimary) != 0) {
            std::swap(primary, secondary);
        }
        const std::uint32_t primaryClass = o.classOf(primary);
        return extendedValueOf(primaryClass, primaryClass | o.classOf(secondary)) & ~mdv::kInternalBits;
    }
    if (mode == nv::view::kClone && masks.size() == 2) {
        const bool lcd = anyClass(cls::kLcd);
        const bool crt = anyClass(cls::kCrt);
        const bool dviClass = anyClass(cls::kDvi) || anyClass(cls::kDisplayPort);
        const auto has = [&](std::uint32_t m) { return any([m](std::uint32_t x) { return x == m; }); };
        if (lcd && crt)
            return mdv::kLcdCrtClone;
        if (lcd && anyClass(cls::kTv))
            return mdv::kLcdTvClone;
        if (lcd && (has(out::kDigitalFirst) || has(out::kDigitalSecond))) {
            return o.hdmi != 0 ? mdv::kLcdHdmiClone : mdv::kLcdDviClone;
        }
        if (lcd && has(out::kDigitalThird))
            return mdv::kLcdDviClone;
        if (crt && anyClass(cls::kHdmi))
            return mdv::kCrtHdmiClone;
        if (crt && dviClass)
            return mdv::kCrtDviClone;
        if (has(out::kCrtFirst) && has(out::kCrtSecond))
            return mdv::kAnalogClone;
        return mdv::kLcd;
    }
    if (anyClass(cls::kLcd)) {
        return mdv::kLcd;
    }
    if (anyClass(cls::kCrt)) {
        return mdv::kCrt;
    }
    std::uint32_t value = 0;
    if (anyClass(cls::kHdmi))
        value = mdv::kHdmi;
    if (anyClass(cls::kDvi))
        value = mdv::kDvi;
    if (anyClass(cls::kTv))
        value = mdv::kTv;
    if (anyClass(cls::kDisplayPort))
        value = mdv::kDvi;
    return value;
}

std::uint32_t nvidiaAvailableValue(const NvidiaOutputs& o, std::uint32_t value, bool onlyStandardView,
                                   bool singlesOnly) {
    const bool single = std::find(kSingleValues.begin(), kSingleValues.end(), value) != kSingleValues.end();
    if (offered(o, value) && (single || (!onlyStandardView && !singlesOnly))) {
        return value;
    }
    for (const std::uint32_t candidate : kSingleValues) {
        if (offered(o, candidate)) {
            return candidate;
        }
    }
    return mdv::kLcd;
}

bool NvidiaBackend::present() {
    if (!m_nv.load()) {
        return false;
    }
    platform::NvDisplayHandle handle = 0;
    const bool present = m_nv.initialize() >= 0 && m_nv.enumDisplayHandle(0, handle) == nv::kOk;
    m_nv.unload();
    return present;
}

std::vector<platform::NvDisplayHandle> NvidiaBackend::displayHandles() {
    std::vector<platform::NvDisplayHandle> handles;
    for (std::uint32_t i = 0; i < kMaxNvidiaDisplayHandles; ++i) {
        platform::NvDisplayHandle handle = 0;
        if (m_nv.enumDisplayHandle(i, handle) != nv::kOk) {
            break;
        }
        handles.push_back(handle);
    }
    return handles;
}

std::vector<platform::NvPhysicalGpuHandle> NvidiaBackend::gpusOf(platform::NvDisplayHandle display) {
    std::array<platform::NvPhysicalGpuHandle, nv::kMaxPhysicalGpus> gpus{};
    std::uint32_t count = 0;
    if (m_nv.physicalGpusFromDisplay(display, gpus.data(), count) != nv::kOk || count > gpus.size()) {
        return {}; // a count past the array is a driver fault: its handles cannot be trusted
    }
    return {gpus.begin(), gpus.begin() + count};
}

std::uint32_t NvidiaBackend::connectorType(platform::NvPhysicalGpuHandle gpu, std::uint32_t output) {
    platform::NvConnectorInfo info;
    info.version = platform::kNvConnectorInfoVersion;
    if (m_nv.connectorInfo(gpu, output, info) != nv::kOk ||
        info.version != platform::kNvConnectorInfoVersion) {
        return 0;
    }
    return info.connectorType;
}

void NvidiaBackend::classify(platform::NvPhysicalGpuHandle gpu, NvidiaOutputs& outputs) {
    std::uint32_t connected = 0;
    if (m_nv.connectedOutputs(gpu, connected) != nv::kOk) {
        return;
    }
    outputs.connected |= connected;
    for (const std::uint32_t output : kClassifiedOutputs) {
        const std::uint32_t type = connectorType(gpu, output);
        if (output == out::kPanel) {
            outputs.panel = outputs.panel || type == nv::connector::kLvds;
        } else if (type == nv::connector::kHdmiA && output != out::kDigitalThird && outputs.hdmi == 0) {
            outputs.hdmi = output;
        } else if (isDisplayPortConnector(type) && output != out::kDigitalFirst && outputs.displayPort == 0) {
            outputs.displayPort = output;
        } else if (type == nv::connector::kDviD && output != out::kDigitalThird && outputs.dviD == 0) {
            outputs.dviD = output;
        }
    }
}

std::int32_t NvidiaBackend::readEdid(std::uint8_t* edid256, std::uint32_t /*hdmiStatus*/) {
    if (!m_nv.load()) {
        return result::kInterfaceFailed;
    }
    const std::int32_t answer = m_nv.initialize() >= 0 ? readEdidLoaded(edid256) : result::kNoBackend;
    m_nv.unload();
    return answer;
}

std::int32_t NvidiaBackend::readEdidLoaded(std::uint8_t* edid256) {
    for (const platform::NvDisplayHandle display : displayHandles()) {
        for (const platform::NvPhysicalGpuHandle gpu : gpusOf(display)) {
            std::uint32_t active = 0;
            std::uint32_t connected = 0;
            if (m_nv.activeOutputs(gpu, active) != nv::kOk ||
                m_nv.connectedOutputs(gpu, connected) != nv::kOk) {
                continue;
            }
            for (const std::uint32_t output : kHdmiCandidates) {
                if (!contains(connected, output) || connectorType(gpu, output) != nv::connector::kHdmiA) {
                    continue;
                }
                platform::NvEdid edid;
                edid.version = platform::kNvEdidVersion;
                if (m_nv.edid(gpu, output, edid) != nv::kOk || edid.version != platform::kNvEdidVersion) {
                    return result::kInterfaceFailed;
                }
                std::copy(std::begin(edid.data), std::end(edid.data), edid256);
                return contains(active, output) ? result::kHdmiInUse : result::kHdmiNotInUse;
            }
        }
    }
    return result::kNoHdmiDisplay; // also when display handle 0 cannot be enumerated
}

std::uint32_t NvidiaBackend::currentValue() {
    if (!m_nv.load()) {
        return 0;
    }
    const std::uint32_t value = m_nv.initialize() >= 0 ? currentValueLoaded() : 0;
    m_nv.unload();
    return value;
}

std::uint32_t NvidiaBackend::currentValueLoaded() {
    const std::vector<platform::NvDisplayHandle> handles = displayHandles();
    if (handles.empty()) {
        return 0;
    }
    platform::NvDisplayDriverVersion version;
    version.version = platform::kNvDisplayDriverVersionVersion;
    if (m_nv.displayDriverVersion(handles[0], version) != nv::kOk ||
        version.version != platform::kNvDisplayDriverVersionVersion) {
        return 0;
    }
    NvidiaOutputs outputs;
    bool otherThanStandard = false;
    bool viewsKnown = false;
    for (const platform::NvDisplayHandle display : handles) {
        for (const platform::NvPhysicalGpuHandle gpu : gpusOf(display)) {
            classify(gpu, outputs);
        }
        std::array<std::uint32_t, nv::kMaxViewModes> modes{};
        std::uint32_t count = 0;
        if (m_nv.supportedViews(display, modes.data(), count) == nv::kOk && count <= modes.size()) {
            viewsKnown = true;
            otherThanStandard =
                otherThanStandard || std::any_of(modes.begin(), modes.begin() + count,
                                                 [](auto m) { return m != nv::view::kStandard; });
        }
    }
    platform::NvViewTargetInfo view;
    view.version = platform::kNvViewTargetInfoVersion;
    std::uint32_t mode = nv::view::kStandard;
    if (m_nv.getView(handles[0], view, mode) != nv::kOk ||
        view.version != platform::kNvViewTargetInfoVersion || view.count > nv::kMaxViewTargets) {
        return 0;
    }
    std::uint32_t logical = 0;
    std::uint32_t physical = 0;
    const bool severalGpus = m_nv.logicalGpuCount(logical) == nv::kOk &&
                             m_nv.physicalGpuCount(physical) == nv::kOk && logical > 1 && physical > 1;
    const std::uint32_t value = nvidiaViewValue(outputs, view, mode, display1AtOrigin());
    return nvidiaAvailableValue(outputs, value, viewsKnown && !otherThanStandard, severalGpus);
}

bool NvidiaBackend::display1AtOrigin() {
    platform::DisplayMode mode;
    if (!m_settings.enumSettings("\\\\.\\DISPLAY1", platform::kEnumCurrentSettings, mode)) {
        return true;
    }
    return mode.positionX == 0 && mode.positionY == 0;
}

bool NvidiaBackend::setView(platform::NvDisplayHandle display, const std::vector<std::uint32_t>& masks,
                            std::uint32_t mode) {
    platform::NvViewTargetInfo view;
    view.version = platform::kNvViewTargetInfoVersion;
    view.count = static_cast<std::uint32_t>(std::min(masks.size(), nv::kMaxViewTargets));
    for (std::uint32_t i = 0; i < view.count; ++i) {
        view.target[i].deviceMask = masks[i];
        view.target[i].flags = i == 0 ? platform::kNvViewTargetPrimary : 0;
    }
    return m_nv.setView(display, view, mode) == nv::kOk;
}

void NvidiaBackend::setViewRepeated(platform::NvDisplayHandle display,
                                    const std::vector<std::uint32_t>& masks, std::uint32_t mode) {
    for (int attempt = 0; attempt < kNvidiaViewAttempts; ++attempt) {
        const bool done = setView(display, masks, mode);
        m_clock.sleep(kNvidiaViewPauseMs);
        if (done) {
            return;
        }
    }
}

void NvidiaBackend::switchTo(std::uint32_t target, std::uint32_t current) {
    if (!m_nv.load()) {
        return;
    }
    if (m_nv.initialize() >= 0) {
        switchLoaded(target, current);
    }
    m_nv.unload();
}

void NvidiaBackend::switchLoaded(std::uint32_t target, std::uint32_t current) {
    const std::vector<platform::NvDisplayHandle> handles = displayHandles();
    if (handles.empty()) {
        return;
    }
    NvidiaOutputs outputs;
    for (const platform::NvDisplayHandle display : handles) {
        for (const platform::NvPhysicalGpuHandle gpu : gpusOf(display)) {
            classify(gpu, outputs);
        }
    }
    const platform::NvDisplayHandle display = handles[0];
    if (target == mdv::kSwapRequest) {
        const std::optional<std::uint32_t> mirror = mirrorOf(current, false);
        if (const auto pair = mirror ? extendedPair(*mirror, outputs) : std::nullopt) {
            setViewRepeated(display, {pair->first, pair->second}, nv::view::kDualView);
            return;
        }
        constexpr std::array<std::uint32_t, 7> kOrder{
            out::kPanel,    out::kDigitalFirst, out::kDigitalSecond, out::kDigitalThird,
            out::kCrtFirst, out::kCrtSecond,    out::kTvFirst};
        const auto first = std::find_if(kOrder.begin(), kOrder.end(),
                                        [&](std::uint32_t o) { return contains(outputs.connected, o); });
        setViewRepeated(display, {first != kOrder.end() ? *first : out::kPanel}, nv::view::kStandard);
        return;
    }
    if (const std::optional<ViewRequest> request = singleOrClone(target, outputs)) {
        setViewRepeated(display, request->masks, request->mode);
        return;
    }
    if (switchesDirectly(target)) {
        const auto pair = extendedPair(target, outputs);
        setView(display, {pair->first}, nv::view::kStandard);
        setViewRepeated(display, {pair->first, pair->second}, nv::view::kDualView);
        return;
    }
    setViewRepeated(display, {out::kPanel}, nv::view::kStandard);
}

} // namespace display
