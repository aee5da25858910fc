// Monitor-device values, display classes, mirrors and target decoding. Portable.
#include "display/MonitorDevice.h"

#include "platform/DisplayConfig.h"

#include <array>
#include <utility>

namespace display {
namespace {

using platform::dc::tech::kInternal;
namespace tech = platform::dc::tech;

struct MirrorPair {
    std::uint32_t a;
    std::uint32_t b;
};
constexpr std::array<MirrorPair, 7> kMirrors{{
    {mdv::kLcdPrimaryCrt, mdv::kCrtPrimaryLcd},
    {mdv::kLcdPrimaryDvi, mdv::kDviPrimaryLcd},
    {mdv::kDviPrimaryCrt, mdv::kCrtPrimaryDvi},
    {mdv::kAnalogHigherPrimary, mdv::kAnalogLowerPrimary},
    {mdv::kLcdPrimaryHdmi, mdv::kHdmiPrimaryLcd},
    {mdv::kLcdPrimaryTv, mdv::kTvPrimaryLcd},
    {mdv::kHdmiPrimaryCrt, mdv::kCrtPrimaryHdmi},
}};

struct TargetRow {
    std::uint32_t target;
    ArrangementKind kind;
    std::uint32_t first;
    std::uint32_t second; // kNone: one display
};
constexpr ArrangementKind kL = ArrangementKind::LcdAlone;
constexpr ArrangementKind kO = ArrangementKind::OtherAlone;
constexpr ArrangementKind kC = ArrangementKind::Clone;
constexpr ArrangementKind kE = ArrangementKind::Extended;
constexpr std::array<TargetRow, 36> kTargets{{
    {0x1, kL, cls::kLcd, cls::kNone},
    {0x4, kO, cls::kCrt, cls::kNone},
    {0x10, kO, cls::kDvi, cls::kNone},
    {0x100, kO, cls::kHdmi, cls::kNone},
    {0x400, kO, cls::kTv, cls::kNone},
    {0x8010, kO, cls::kDisplayPort, cls::kNone},
    {0x2, kC, cls::kLcd, cls::kCrt},
    {0x8, kC, cls::kLcd, cls::kDvi},
    {0x20, kC, cls::kDvi, cls::kCrt},
    {0x40, kC, cls::kCrt, cls::kCrt},
    {0x80, kC, cls::kLcd, cls::kHdmi},
    {0x200, kC, cls::kLcd, cls::kTv},
    {0x800, kC, cls::kHdmi, cls::kCrt},
    {0x8008, kC, cls::kLcd, cls::kDisplayPort},
    {0x8020, kC, cls::kDisplayPort, cls::kCrt},
    {0x8200, kC, cls::kDisplayPort, cls::kHdmi},
    {0x20000, kE, cls::kLcd, cls::kCrt},
    {0x40000, kE, cls::kCrt, cls::kLcd},
    {0x80000, kE, cls::kLcd, cls::kDvi},
    {0x88000, kE, cls::kLcd, cls::kDisplayPort},
    {0x100000, kE, cls::kDvi, cls::kLcd},
    {0x108000, kE, cls::kDisplayPort, cls::kLcd},
    {0x200000, kE, cls::kDvi, cls::kCrt},
    {0x208000, kE, cls::kDisplayPort, cls::kCrt},
    {0x400000, kE, cls::kCrt, cls::kDvi},
    {0x408000, kE, cls::kCrt, cls::kDisplayPort},
    {0x800000, kE, cls::kCrt, cls::kCrt},
    {0x1000000, kE, cls::kCrt, cls::kCrt},
    {0x2000000, kE, cls::kLcd, cls::kHdmi},
    {0x4000000, kE, cls::kHdmi, cls::kLcd},
    {0x8000000, kE, cls::kLcd, cls::kTv},
    {0x8008000, kE, cls::kDisplayPort, cls::kHdmi},
    {0x10000000, kE, cls::kTv, cls::kLcd},
    {0x10008000, kE, cls::kHdmi, cls::kDisplayPort},
    {0x20000000, kE, cls::kHdmi, cls::kCrt},
    {0x40000000, kE, cls::kCrt, cls::kHdmi},
}};

} // namespace

std::uint32_t classOfOutputTechnology(std::int32_t technology) {
    switch (technology) {
    case tech::kHd15:
        return cls::kCrt;
    case tech::kSVideo:
    case tech::kComposite:
    case tech::kComponent:
    case tech::kDJpn:
    case tech::kSdtvDongle:
        return cls::kTv;
    case tech::kDvi:
        return cls::kDvi;
    case tech::kHdmi:
        return cls::kHdmi;
    case tech::kLvds:
    case kInternal:
        return cls::kLcd;
    case tech::kDisplayPortExternal:
    case tech::kDisplayPortEmbedded:
        return cls::kDisplayPort;
    case tech::kOther:
    case tech::kSdi:
    case tech::kUdiExternal:
    case tech::kUdiEmbedded:
        return cls::kOther;
    default:
        return cls::kNone;
    }
}

std::optional<std::uint32_t> mirrorOf(std::uint32_t value, bool withAnalogPair) {
    for (const MirrorPair& pair : kMirrors) {
        if (!withAnalogPair && pair.a == mdv::kAnalogHigherPrimary) {
            continue;
        }
        if (value == pair.a) {
            return pair.b;
        }
        if (value == pair.b) {
            return pair.a;
        }
    }
    return std::nullopt;
}

bool usesTwoDesktops(std::uint32_t value) {
    switch (value) {
    case mdv::kLcdPrimaryCrt:
    case mdv::kCrtPrimaryLcd:
    case mdv::kLcdPrimaryDvi:
    case mdv::kDviPrimaryLcd:
    case mdv::kDviPrimaryCrt:
    case mdv::kCrtPrimaryDvi:
    case mdv::kLcdPrimaryHdmi:
    case mdv::kHdmiPrimaryLcd:
    case mdv::kLcdPrimaryTv:
    case mdv::kTvPrimaryLcd:
    case mdv::kHdmiPrimaryCrt:
    case mdv::kCrtPrimaryHdmi:
        return true;
    default:
        return false;
    }
}

std::optional<DecodedTarget> decodeTarget(std::uint32_t target) {
    for (const TargetRow& row : kTargets) {
        if (row.target == target) {
            DecodedTarget decoded;
            decoded.kind = row.kind;
            decoded.classes.push_back(row.first);
            if (row.second != cls::kNone) {
                decoded.classes.push_back(row.second);
            }
            return decoded;
        }
    }
    return std::nullopt;
}

} // namespace display
