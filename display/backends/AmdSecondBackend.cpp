// The second AMD interface's back-end. Portable.
#include "display/backends/AmdSecondBackend.h"

#include "display/MonitorDevice.h"
#include "display/Panelid.h"

#include <algorithm>
#include <array>
#include <bit>

namespace display {
namespace {

namespace pdl = platform::atipdl;

constexpr std::uint32_t kEdidBlockSize = 128;
constexpr std::size_t kExtensionCountByte = 126;
// The kernel driver from which on the extended mode is 5: 7.1.1.537.
constexpr std::uint32_t kNewDriverMostSignificant = 0x00070001;
constexpr std::uint32_t kNewDriverLeastSignificant = 0x00010219;

enum class Kind { Single, Clone, Extended };
enum class Role { None, Lcd, Crt, Tv, DviClass, DviOnly, Hdmi, DisplayPort };

struct Row {
    std::uint32_t target;
    Kind kind;
    Role first;
    Role second;
    // With a DisplayPort display the LCD + TV values name DisplayPort + HDMI instead.
    Role firstWithDisplayPort = Role::None;
    Role secondWithDisplayPort = Role::None;
};

// In the order the current value is looked up: the single LCD first.
constexpr std::array<Row, 23> kRows{{
    {mdv::kLcd, Kind::Single, Role::Lcd, Role::None},
    {mdv::kCrt, Kind::Single, Role::Crt, Role::None},
    {mdv::kDvi, Kind::Single, Role::DviClass, Role::None},
    {mdv::kHdmi, Kind::Single, Role::Hdmi, Role::None},
    {mdv::kTv, Kind::Single, Role::Tv, Role::None},
    {mdv::kLcdCrtClone, Kind::Clone, Role::Lcd, Role::Crt},
    {mdv::kLcdDviClone, Kind::Clone, Role::Lcd, Role::DviClass},
    {mdv::kLcdHdmiClone, Kind::Clone, Role::Lcd, Role::Hdmi},
    {mdv::kCrtDviClone, Kind::Clone, Role::Crt, Role::DviClass},
    {mdv::kCrtHdmiClone, Kind::Clone, Role::Hdmi, Role::Crt},
    {mdv::kLcdTvClone, Kind::Clone, Role::Lcd, Role::Tv, Role::DisplayPort, Role::Hdmi},
    {mdv::kLcdPrimaryCrt, Kind::Extended, Role::Lcd, Role::Crt},
    {mdv::kCrtPrimaryLcd, Kind::Extended, Role::Crt, Role::Lcd},
    {mdv::kLcdPrimaryDvi, Kind::Extended, Role::Lcd, Role::DviClass},
    {mdv::kDviPrimaryLcd, Kind::Extended, Role::DviClass, Role::Lcd},
    {mdv::kDviPrimaryCrt, Kind::Extended, Role::DviClass, Role::Crt},
    {mdv::kCrtPrimaryDvi, Kind::Extended, Role::Crt, Role::DviOnly},
    {mdv::kLcdPrimaryHdmi, Kind::Extended, Role::Lcd, Role::Hdmi},
    {mdv::kHdmiPrimaryLcd, Kind::Extended, Role::Hdmi, Role::Lcd},
    {mdv::kLcdPrimaryTv, Kind::Extended, Role::Lcd, Role::Tv, Role::DisplayPort, Role::Hdmi},
    {mdv::kTvPrimaryLcd, Kind::Extended, Role::Tv, Role::Lcd, Role::Hdmi, Role::DisplayPort},
    {mdv::kHdmiPrimaryCrt, Kind::Extended, Role::Hdmi, Role::Crt},
    {mdv::kCrtPrimaryHdmi, Kind::Extended, Role::Crt, Role::Hdmi},
}};

// Extended arrangements whose primary is not the LCD, and the targets that must then start
// from the LCD alone.
constexpr std::array<std::uint32_t, 4> kNonLcdPrimary{mdv::kCrtPrimaryLcd, mdv::kDviPrimaryLcd,
                                                      mdv::kHdmiPrimaryLcd, mdv::kTvPrimaryLcd};
constexpr std::array<std::uint32_t, 7> kViaLcdTargets{
    mdv::kLcdCrtClone, mdv::kCrt, mdv::kLcdDviClone, mdv::kDvi, mdv::kLcdHdmiClone, mdv::kHdmi, mdv::kTv};

template <std::size_t N> bool contains(const std::array<std::uint32_t, N>& values, std::uint32_t value) {
    return std::find(values.begin(), values.end(), value) != values.end();
}

std::uint32_t bitOf(Role role, const AmdSecondDisplays& displays) {
    switch (role) {
    case Role::Lcd:
        return displays.lcd;
    case Role::Crt:
        return displays.crt;
    case Role::Tv:
        return displays.tv;
    case Role::DviClass:
        return displays.dviClass();
    case Role::DviOnly:
        return displays.dvi;
    case Role::Hdmi:
        return displays.hdmi;
    case Role::DisplayPort:
        return displays.displayPort;
    case Role::None:
        break;
    }
    return 0;
}

std::uint32_t modeOf(Kind kind, bool oldDriver) {
    switch (kind) {
    case Kind::Single:
        return pdl::kModeSingle;
    case Kind::Clone:
        return pdl::kModeClone;
    case Kind::Extended:
        break;
    }
    return oldDriver ? pdl::kModeExtendedOldDriver : pdl::kModeExtended;
}

std::optional<AmdSecondRequest> requestOf(const Row& row, const AmdSecondDisplays& displays, bool oldDriver) {
    const bool viaDisplayPort = displays.displayPort != 0 && row.firstWithDisplayPort != Role::None;
    const Role first = viaDisplayPort ? row.firstWithDisplayPort : row.first;
    const Role second = viaDisplayPort ? row.secondWithDisplayPort : row.second;
    AmdSecondRequest request{modeOf(row.kind, oldDriver), bitOf(first, displays), bitOf(second, displays)};
    if (request.first == 0 || (second != Role::None && request.second == 0)) {
        return std::nullopt;
    }
    return request;
}

const Row& rowOf(std::uint32_t target) {
    const auto found =
        std::find_if(kRows.begin(), kRows.end(), [target](const Row& r) { return r.target == target; });
    return found != kRows.end() ? *found : kRows.front();
}

std::uint32_t lowestBit(std::uint32_t mask) {
    return mask & (~mask + 1);
}

} // namespace

bool oldAmdDriver(platform::FileVersion& files) {
    const std::optional<std::string> system = files.systemDirectory();
    if (!system) {
        return false;
    }
    const std::optional<platform::FileVersionNumber> version =
        files.fileVersion(*system + "\\drivers\\" + "atikmdag.sys");
    if (!version) {
        return false;
    }
    return version->mostSignificant < kNewDriverMostSignificant ||
           (version->mostSignificant == kNewDriverMostSignificant &&
            version->leastSignificant < kNewDriverLeastSignificant);
}

std::optional<AmdSecondRequest> amdSecondRequest(std::uint32_t target, const AmdSecondDisplays& displays,
                                                 bool oldDriver) {
    return requestOf(rowOf(target), displays, oldDriver);
}

std::uint32_t amdSecondValue(std::uint32_t controller0, std::uint32_t controller1,
                             const AmdSecondDisplays& displays) {
    const std::uint32_t known =
        displays.lcd | displays.crt | displays.tv | displays.dvi | displays.hdmi | displays.displayPort;
    controller0 &= known;
    controller1 &= known;
    AmdSecondRequest seen;
    if (controller0 != 0 && controller1 != 0) {
        seen = {pdl::kModeExtended, lowestBit(controller0), lowestBit(controller1)};
    } else {
        const std::uint32_t displaysShown = controller0 | controller1;
        const std::uint32_t first = lowestBit(displaysShown);
        const std::uint32_t second = lowestBit(displaysShown & ~first);
        seen = {second != 0 ? pdl::kModeClone : pdl::kModeSingle, first, second};
    }
    // The value whose request names exactly these displays in this way (a clone in either
    // order); the LCD alone when none does.
    for (const Row& row : kRows) {
        const std::optional<AmdSecondRequest> request = requestOf(row, displays, false);
        if (!request || request->mode != seen.mode) {
            continue;
        }
        const bool same = request->first == seen.first && request->second == seen.second;
        const bool swapped =
            row.kind == Kind::Clone && request->first == seen.second && request->second == seen.first;
        if (same || swapped) {
            return row.target;
        }
    }
    return mdv::kLcd;
}

bool AmdSecondBackend::present() {
    if (!m_pdl.load()) {
        return false;
    }
    m_pdl.unload();
    return true;
}

bool AmdSecondBackend::loadAll() {
    if (!m_pdl.load()) {
        return false;
    }
    if (!m_pdl.hasAllEntries()) {
        m_pdl.unload();
        return false;
    }
    return true;
}

std::int32_t AmdSecondBackend::adapter() {
    return m_pdl.getCapabilities(0) != 0 ? 1 : 0;
}

AmdSecondDisplays AmdSecondBackend::locate(std::int32_t adapter) {
    AmdSecondDisplays displays;
    std::uint32_t connected = 0;
    for (std::int32_t controller = 0; controller < 2; ++controller) {
        std::uint32_t mask = 0;
        if (m_pdl.getConnectedDisplays(adapter, controller, mask) != 0) {
            connected |= mask;
        }
    }
    bool digitalConnector = false;
    std::uint32_t firstType6 = 0;
    std::uint32_t firstType4 = 0;
    const auto takeFirst = [](std::uint32_t& slot, std::uint32_t bit) {
        if (slot == 0) {
            slot = bit;
        }
    };
    for (std::int32_t index = 0; index < pdl::kMaxDisplays; ++index) {
        platform::AtipdlDisplayRecord record;
        if (m_pdl.enumDisplays(adapter, index, record) == 0) {
            break;
        }
        const std::uint32_t bit = 1U << index;
        switch (record.type) {
        case pdl::kTypePanel:
            takeFirst(displays.lcd, bit);
            break;
        case pdl::kTypeCrt:
            takeFirst(displays.crt, bit);
            break;
        case pdl::kTypeTv:
            takeFirst(displays.tv, bit);
            break;
        case pdl::kTypeDigital:
            takeFirst(firstType4, bit);
            break;
        case pdl::kTypeDigitalSecond:
            takeFirst(firstType6, bit);
            break;
        default:
            break;
        }
        platform::AtipdlDeviceConfig config;
        // A record of another size is not one this library understands.
        if (m_pdl.displayGetDeviceConfig(adapter, index, config) != 0 || config.size != sizeof(config)) {
            continue;
        }
        switch (config.connectorKind) {
        case pdl::kConnectorDviD:
        case pdl::kConnectorDviI:
            takeFirst(displays.dvi, bit);
            digitalConnector = true;
            break;
        case pdl::kConnectorHdmiA:
        case pdl::kConnectorHdmiB:
            takeFirst(displays.hdmi, bit);
            digitalConnector = true;
            break;
        case pdl::kConnectorDisplayPort:
            takeFirst(displays.displayPort, bit);
            digitalConnector = true;
            break;
        default:
            break;
        }
    }
    if (displays.hdmi == 0 && !digitalConnector) {
        if ((firstType6 & connected) != 0) {
            displays.hdmi = firstType6;
        } else if ((firstType4 & connected) != 0) {
            displays.hdmi = firstType4;
        }
    }
    return displays;
}

bool AmdSecondBackend::configuration(std::int32_t adapter, std::uint32_t& controller0,
                                     std::uint32_t& controller1) {
    platform::AtipdlControllerConfig config0;
    platform::AtipdlControllerConfig config1;
    if (m_pdl.getConfiguration(adapter, 0, config0) == 0 ||
        m_pdl.getConfiguration(adapter, 1, config1) == 0) {
        return false;
    }
    controller0 = config0.displays[0] | config0.displays[1];
    controller1 = config1.displays[0] | config1.displays[1];
    if (controller0 == 0) {
        controller0 = controller1;
        controller1 = 0;
    }
    return true;
}

bool AmdSecondBackend::readBlock(std::int32_t adapter, std::int32_t display, std::uint32_t block,
                                 std::uint8_t* out128) {
    platform::AtipdlEdidRequest request;
    request.block = block;
    if (m_pdl.displayGetEdidData(adapter, display, request) != 0) {
        return false;
    }
    std::copy(request.data, request.data + kEdidBlockSize, out128);
    return true;
}

std::int32_t AmdSecondBackend::readEdid(std::uint8_t* edid256, std::uint32_t /*hdmiStatus*/) {
    if (!loadAll()) {
        return result::kInterfaceFailed;
    }
    std::int32_t answer = result::kInterfaceFailed;
    const std::int32_t index = adapter();
    const AmdSecondDisplays displays = locate(index);
    std::uint32_t controller0 = 0;
    std::uint32_t controller1 = 0;
    std::array<std::uint8_t, kEdidBufferSize> edid{};
    if (displays.hdmi == 0) {
        answer = result::kNoHdmiDisplay;
    } else if (configuration(index, controller0, controller1)) {
        const auto display = static_cast<std::int32_t>(std::countr_zero(displays.hdmi));
        const bool block0 = readBlock(index, display, 0, edid.data());
        const bool extension = block0 && edid[kExtensionCountByte] != 0;
        if (block0 && (!extension || readBlock(index, display, 1, edid.data() + kEdidBlockSize))) {
            const std::size_t written = extension ? kEdidBufferSize : kEdidBlockSize;
            std::copy(edid.begin(), edid.begin() + static_cast<std::ptrdiff_t>(written), edid256);
            answer = ((controller0 | controller1) & displays.hdmi) != 0 ? result::kHdmiInUse
                                                                        : result::kHdmiNotInUse;
        }
    }
    m_pdl.unload();
    return answer;
}

std::uint32_t AmdSecondBackend::currentValueLoaded(std::int32_t adapter) {
    const AmdSecondDisplays displays = locate(adapter);
    std::uint32_t controller0 = 0;
    std::uint32_t controller1 = 0;
    if (!configuration(adapter, controller0, controller1)) {
        return mdv::kLcd;
    }
    return amdSecondValue(controller0, controller1, displays);
}

std::uint32_t AmdSecondBackend::currentValue() {
    if (!loadAll()) {
        return mdv::kLcd;
    }
    const std::uint32_t value = currentValueLoaded(adapter());
    m_pdl.unload();
    return value;
}

void AmdSecondBackend::send(std::int32_t adapter, const AmdSecondRequest& request) {
    platform::AtipdlConfigurationEx record;
    record.mode = request.mode;
    record.firstDisplay = request.first;
    record.secondDisplay = request.second;
    record.displayCount = request.second != 0 ? 2 : 1;
    m_pdl.setConfigurationEx(adapter, record);
}

void AmdSecondBackend::switchTo(std::uint32_t target, std::uint32_t current) {
    if (!loadAll()) {
        return;
    }
    const std::int32_t index = adapter();
    const AmdSecondDisplays displays = locate(index);
    if (target == mdv::kSwapRequest) {
        target = mirrorOf(current, false).value_or(target);
    }
    const bool viaLcd =
        contains(kViaLcdTargets, target) || (target == mdv::kLcdTvClone && displays.displayPort == 0);
    if (contains(kNonLcdPrimary, current) && viaLcd) {
        if (const std::optional<AmdSecondRequest> lcd = amdSecondRequest(mdv::kLcd, displays, false)) {
            send(index, *lcd);
        }
    }
    if (const std::optional<AmdSecondRequest> request =
            amdSecondRequest(target, displays, oldAmdDriver(m_files))) {
        send(index, *request);
    }
    m_pdl.unload();
}

} // namespace display
