// The Intel back-end. Portable.
#include "display/backends/IntelBackend.h"

#include "display/MonitorDevice.h"
#include "display/Panelid.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace display {
namespace {

namespace igfx = platform::igfx;
using Kind = IntelBackend::Kind;
using Request = IntelBackend::Request;

constexpr std::uint32_t kModeSetFlags = platform::cds::kUpdateRegistry | platform::cds::kNoReset;
constexpr wchar_t kQrxKey[] = L"Software\\Korvath\\QRX";
constexpr wchar_t kTvFirstValue[] = L"FNF5";

// The arrangements the driver can make; kTypeDigital stands for the DVI-class device (type 7
// when one is attached).
struct Row {
    std::uint32_t value;
    Kind kind;
    std::uint32_t first;
    std::uint32_t second;
};
constexpr std::uint32_t kLcd = igfx::kTypeLcd;
constexpr std::uint32_t kCrt = igfx::kTypeCrt;
constexpr std::uint32_t kDig = igfx::kTypeDigital;
constexpr std::uint32_t kHdmi = igfx::kTypeHdmi;
constexpr std::uint32_t kTv = igfx::kTypeTv;
constexpr std::uint32_t kDig7 = igfx::kTypeSecondDigital;
constexpr Row kRows[] = {
    {mdv::kLcd, Kind::Single, kLcd, 0},
    {mdv::kCrt, Kind::Single, kCrt, 0},
    {mdv::kDvi, Kind::Single, kDig, 0},
    {mdv::kHdmi, Kind::Single, kHdmi, 0},
    {mdv::kTv, Kind::Single, kTv, 0},
    {mdv::kLcdCrtClone, Kind::Clone, kLcd, kCrt},
    {mdv::kLcdDviClone, Kind::Clone, kLcd, kDig},
    {mdv::kCrtDviClone, Kind::Clone, kCrt, kDig},
    {mdv::kLcdHdmiClone, Kind::Clone, kLcd, kHdmi},
    {mdv::kCrtHdmiClone, Kind::Clone, kHdmi, kCrt},
    {mdv::kLcdTvClone, Kind::Clone, kLcd, kTv},
    {mdv::kLcdPrimaryCrt, Kind::Extended, kLcd, kCrt},
    {mdv::kCrtPrimaryLcd, Kind::Extended, kCrt, kLcd},
    {mdv::kLcdPrimaryDvi, Kind::Extended, kLcd, kDig},
    {mdv::kDviPrimaryLcd, Kind::Extended, kDig, kLcd},
    {mdv::kDviPrimaryCrt, Kind::Extended, kDig, kCrt},
    {mdv::kCrtPrimaryDvi, Kind::Extended, kCrt, kDig},
    {mdv::kLcdPrimaryHdmi, Kind::Extended, kLcd, kHdmi},
    {mdv::kHdmiPrimaryLcd, Kind::Extended, kHdmi, kLcd},
    {mdv::kLcdPrimaryTv, Kind::Extended, kLcd, kTv},
    {mdv::kTvPrimaryLcd, Kind::Extended, kTv, kLcd},
    {mdv::kHdmiPrimaryCrt, Kind::Extended, kHdmi, kCrt},
    {mdv::kCrtPrimaryHdmi, Kind::Extended, kCrt, kHdmi},
};

// With a type-7 device these values stand for it together with HDMI.
constexpr Row kSecondDigitalRows[] = {
    {mdv::kLcdTvClone, Kind::Clone, kDig7, kHdmi},
    {mdv::kLcdPrimaryTv, Kind::Extended, kDig7, kHdmi},
    {mdv::kTvPrimaryLcd, Kind::Extended, kHdmi, kDig7},
};

std::optional<Row> rowOf(std::uint32_t value) {
    for (const Row& row : kRows) {
        if (row.value == value) {
            return row;
        }
    }
    return std::nullopt;
}

std::uint32_t singleValueOf(std::uint32_t type) {
    const std::uint32_t wanted = type == kDig7 ? kDig : type;
    for (const Row& row : kRows) {
        if (row.kind == Kind::Single && row.first == wanted) {
            return row.value;
        }
    }
    return 0;
}

// The value of a clone (unordered) or extended (primary first) pair of device types; 0 when
// the driver has no such arrangement.
std::uint32_t pairValueOf(Kind kind, std::uint32_t first, std::uint32_t second) {
    const auto matches = [&](const Row& row, std::uint32_t a, std::uint32_t b) {
        return row.kind == kind && ((row.first == a && row.second == b) ||
                                    (kind == Kind::Clone && row.first == b && row.second == a));
    };
    for (const Row& row : kSecondDigitalRows) {
        if (matches(row, first, second)) {
            return row.value;
        }
    }
    const auto normal = [](std::uint32_t type) { return type == kDig7 ? kDig : type; };
    for (const Row& row : kRows) {
        if (matches(row, normal(first), normal(second))) {
            return row.value;
        }
    }
    return 0;
}

Request requestOf(std::uint32_t value, bool secondDigital, bool tvFirst) {
    if (secondDigital) {
        for (const Row& row : kSecondDigitalRows) {
            if (row.value == value) {
                return {row.kind, row.first, row.second};
            }
        }
    }
    const std::optional<Row> row = rowOf(value);
    if (!row) {
        return {};
    }
    const auto substitute = [secondDigital](std::uint32_t type) {
        return type == kDig && secondDigital ? kDig7 : type;
    };
    if (value == mdv::kLcdTvClone && tvFirst) {
        return {Kind::Clone, kTv, kLcd};
    }
    return {row->kind, substitute(row->first), substitute(row->second)};
}

void setDisplayName(platform::IntelConfigRecord& record, const char16_t* display) {
    for (std::size_t i = 0; i + 1 < std::size(record.display) && display[i] != 0; ++i) {
        record.display[i] = display[i];
    }
}

} // namespace

template <typename Work> bool IntelBackend::withObject(platform::IntelInterface which, Work work) {
    if (!m_igfx.comInitialize()) {
        return false;
    }
    bool created = false;
    try {
        created = m_igfx.create(which);
        if (created) {
            work();
            m_igfx.release();
        }
    } catch (...) {
        if (created) {
            m_igfx.release();
        }
        m_igfx.comUninitialize();
        throw;
    }
    m_igfx.comUninitialize();
    return created;
}

bool IntelBackend::present() {
    bool answered = false;
    withObject(platform::IntelInterface::PresenceTest, [&] {
        platform::IntelDevice device;
        answered = m_igfx.enumAttachableDevices(igfx::kDisplay1, 0, device);
    });
    return answered;
}

std::int32_t IntelBackend::readEdid(std::uint8_t* edid256, std::uint32_t hdmiStatus) {
    std::int32_t answer = result::kInterfaceFailed;
    withObject(platform::IntelInterface::Edid, [&] { answer = readEdidCreated(edid256, hdmiStatus); });
    return answer;
}

bool IntelBackend::findHdmiCandidate(const char16_t* display, platform::IntelDevice& device) {
    for (std::uint32_t index = 0; index < kMaxIntelDevices; ++index) {
        if (!m_igfx.enumAttachableDevices(display, index, device)) {
            return false;
        }
        if (device.type == igfx::kTypeDigital || device.type == igfx::kTypeHdmi) {
            return true;
        }
    }
    return false;
}

std::int32_t IntelBackend::readEdidCreated(std::uint8_t* edid256, std::uint32_t hdmiStatus) {
    platform::IntelDevice candidate;
    const auto attached = [&] { return (candidate.status & igfx::kStatusAttached) != 0; };
    if (!(findHdmiCandidate(igfx::kDisplay1, candidate) && attached()) &&
        !(findHdmiCandidate(igfx::kDisplay2, candidate) && attached())) {
        return result::kNoHdmiDisplay;
    }
    // A digital device is taken for the HDMI display only while the firmware sees HDMI connected.
    if (candidate.type == igfx::kTypeDigital && (hdmiStatus & 0x10) == 0) {
        return result::kNoHdmiDisplay;
    }
    const std::int32_t inUse =
        (candidate.status & igfx::kStatusInUse) != 0 ? result::kHdmiInUse : result::kHdmiNotInUse;
    for (std::uint32_t block = 0; block < 2; ++block) {
        platform::IntelEdidRequest request;
        request.deviceId = candidate.id;
        request.block = block;
        std::uint32_t status = 0;
        if (!m_igfx.getDeviceData(igfx::kEdidData, request, status) || status != 0) {
            return result::kInterfaceFailed;
        }
        std::copy_n(request.data, igfx::kEdidBlockSize, edid256 + block * igfx::kEdidBlockSize);
        if (edid256[126] == 0) {
            break; // no extension block
        }
    }
    return inUse;
}

template <typename Take> IntelBackend::TypeTable IntelBackend::collect(Take take) {
    TypeTable table{};
    for (const char16_t* display : {igfx::kDisplay2, igfx::kDisplay1}) {
        platform::IntelDevice device;
        for (std::uint32_t index = 0;
             index < kMaxIntelDevices && m_igfx.enumAttachableDevices(display, index, device); ++index) {
            if (device.type <= igfx::kMaxType) {
                table[device.type] = take(table[device.type], device);
            }
        }
    }
    return table;
}

bool IntelBackend::display1AtOrigin() {
    platform::DisplayMode mode; // a failed read leaves the zero position, as DEVMODE would
    m_displaySettings.enumSettings("\\\\.\\DISPLAY1", platform::kEnumCurrentSettings, mode);
    return mode.positionX == 0 && mode.positionY == 0;
}

std::uint32_t IntelBackend::valueOfStatus(const TypeTable& status, bool display1AtOrigin) {
    std::vector<std::uint32_t> inUse;
    std::optional<std::uint32_t> onFirst;
    std::optional<std::uint32_t> onSecond;
    for (std::uint32_t type = 1; type < status.size(); ++type) {
        if ((status[type] & igfx::kStatusInUse) != 0) {
            inUse.push_back(type);
        }
        if ((status[type] & igfx::kStatusOnSecondDisplay) != 0 && !onSecond) {
            onSecond = type;
        }
    }
    for (std::uint32_t type = 1; type < status.size(); ++type) {
        if ((status[type] & igfx::kStatusOnFirstDisplay) != 0 && type != onSecond && !onFirst) {
            onFirst = type;
        }
    }
    std::uint32_t value = 0;
    if (inUse.size() == 1) {
        value = singleValueOf(inUse[0]);
    } else if (inUse.size() == 2) {
        value = pairValueOf(Kind::Clone, inUse[0], inUse[1]);
    }
    if (onSecond && onFirst) {
        const std::uint32_t primary = display1AtOrigin ? *onFirst : *onSecond;
        const std::uint32_t secondary = display1AtOrigin ? *onSecond : *onFirst;
        if (const std::uint32_t extended = pairValueOf(Kind::Extended, primary, secondary)) {
            value = extended;
        }
    }
    // Nothing in use, or an arrangement the values cannot name: the panel alone.
    return value != 0 ? value : mdv::kLcd;
}

std::uint32_t IntelBackend::currentValue() {
    TypeTable status{};
    if (!withObject(platform::IntelInterface::PresenceTest, [&] {
            status = collect([](std::uint32_t bits, const platform::IntelDevice& device) {
                return bits | (device.status & (igfx::kStatusAttached | igfx::kStatusInUse |
                                                igfx::kStatusOnFirstDisplay | igfx::kStatusOnSecondDisplay));
            });
        })) {
        return mdv::kLcd;
    }
    return valueOfStatus(status, display1AtOrigin());
}

bool IntelBackend::tvFirst() {
    platform::ScopedRegKey key(m_registry);
    if (m_registry.openKey(platform::kHkeyLocalMachine, kQrxKey, platform::RegAccess::Read, key.out()) !=
        platform::error::kSuccess) {
        return false;
    }
    std::uint32_t value = 0;
    return platform::readDword(m_registry, key, kTvFirstValue, value) && value == 1;
}

std::vector<Request> IntelBackend::requestsFor(std::uint32_t target, std::uint32_t current,
                                               bool secondDigitalAttached, bool tvFirst) {
    if (target == mdv::kSwapRequest) {
        const std::optional<std::uint32_t> mirror = mirrorOf(current, false);
        if (!mirror) {
            return {Request{}};
        }
        const Request swapped = requestOf(*mirror, secondDigitalAttached, tvFirst);
        return {Request{Kind::Single, swapped.first, 0}, swapped};
    }
    const Request request = requestOf(target, secondDigitalAttached, tvFirst);
    if (request.kind == Kind::Extended && current != singleValueOf(request.first)) {
        return {Request{Kind::Single, request.first, 0}, request};
    }
    return {request};
}

void IntelBackend::send(const Request& request, const TypeTable& ids) {
    const auto record = [&](const char16_t* display, std::uint32_t mode, std::uint32_t device,
                            std::uint32_t second) {
        platform::IntelConfigRecord config;
        setDisplayName(config, display);
        config.mode = mode;
        config.device = device;
        config.secondDevice = second;
        std::uint32_t status = 0;
        m_igfx.setConfiguration(igfx::kConfigurationData, config, status); // a refusal is not reported
    };
    switch (request.kind) {
    case Kind::Single:
        record(igfx::kDisplay1, igfx::kModeSingle, ids[request.first], 0);
        break;
    case Kind::Clone:
        record(igfx::kDisplay1, igfx::kModeClone, ids[request.second], ids[request.first]);
        break;
    case Kind::Extended:
        record(igfx::kDisplay1, igfx::kModeSingle, ids[request.first], 0);
        record(igfx::kDisplay2, igfx::kModeSingle, ids[request.second], 0);
        break;
    }
}

void IntelBackend::switchTo(std::uint32_t target, std::uint32_t current) {
    platform::DisplayMode mode;
    mode.fields = platform::dm::kBitsPerPel | platform::dm::kPelsWidth | platform::dm::kPelsHeight |
                  platform::dm::kDisplayFlags | platform::dm::kDisplayFrequency;
    mode.pelsWidth = 1024;
    mode.pelsHeight = 768;
    mode.bitsPerPel = 32;
    mode.displayFrequency = 60;
    m_displaySettings.changeSettings(&mode, kModeSetFlags);
    m_displaySettings.changeSettings(nullptr, 0);
    const bool tvFirstSetting = tvFirst();
    withObject(platform::IntelInterface::PresenceTest, [&] {
        const TypeTable ids = collect([](std::uint32_t id, const platform::IntelDevice& device) {
            return (device.status & igfx::kStatusAttached) != 0 ? device.id : id; // the later one wins
        });
        for (const Request& request :
             requestsFor(target, current, ids[igfx::kTypeSecondDigital] != 0, tvFirstSetting)) {
            send(request, ids);
        }
    });
}

} // namespace display
