// The display library's operations. Portable.
#include "display/Panelid.h"

#include "display/BlockingDevice.h"
#include "display/DisplaySettingsStore.h"
#include "display/FirmwareHdmiStatus.h"
#include "display/WorkAround.h"
#include "display/backends/DisplayConfigBackend.h"

#include <exception>
#include <optional>

namespace display {

std::uint32_t Panelid::versionCode() {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    return m_ports.os.version(major, minor) ? wa::versionCode(major, minor) : 0;
}

VendorBackend* Panelid::chooseVendor(std::initializer_list<VendorBackend*> candidates) {
    for (VendorBackend* candidate : candidates) {
        if (candidate != nullptr && candidate->present()) {
            return candidate;
        }
    }
    return nullptr;
}

std::uint32_t Panelid::vendorCode() {
    if (chooseVendor({m_vendors.intel}) != nullptr) {
        return vendor::kIntel;
    }
    if (chooseVendor({m_vendors.nvidia}) != nullptr) {
        return vendor::kNvidia;
    }
    if (chooseVendor({m_vendors.amdFirst, m_vendors.amdSecond}) != nullptr) {
        return vendor::kAmd;
    }
    return vendor::kNone;
}

std::optional<DisplayConfigBackend> Panelid::displayConfigBackend() {
    if (!DisplayConfigBackend::usable(m_ports.os, m_ports.displayConfig)) {
        return std::nullopt;
    }
    std::optional<DisplayConfigBackend> backend(std::in_place, m_ports.displayConfig, m_ports.clock,
                                                versionCode(), vendorCode());
    backend->initialize();
    return backend;
}

std::int32_t Panelid::getPanelid(std::uint8_t* edid256) {
    if (edid256 == nullptr || blockingDevicePresent(m_ports.devices)) {
        return result::kNoBackend;
    }
    VendorBackend* backend =
        chooseVendor({m_vendors.intel, m_vendors.nvidia, m_vendors.amdFirst, m_vendors.amdSecond});
    if (backend == nullptr) {
        return result::kNoBackend;
    }
    const std::uint32_t hdmiStatus = readFirmwareHdmiStatus(m_ports.firmware);
    try {
        return backend->readEdid(edid256, hdmiStatus);
    } catch (const std::exception&) {
        return result::kInterfaceFailed;
    }
}

std::int32_t Panelid::getMonitorDevice() {
    if (blockingDevicePresent(m_ports.devices)) {
        return result::kNoBackend;
    }
    try {
        if (std::optional<DisplayConfigBackend> backend = displayConfigBackend()) {
            return static_cast<std::int32_t>(backend->currentValue(readFirmwareHdmiStatus(m_ports.firmware)));
        }
        VendorBackend* backend = chooseVendor({m_vendors.intel, m_vendors.nvidia, m_vendors.amdSecond});
        if (backend == nullptr) {
            return result::kNoBackend;
        }
        const std::uint32_t value = backend->currentValue();
        DisplaySettingsStore(m_ports.registry, m_ports.displaySettings, m_ports.clock).save(value);
        return static_cast<std::int32_t>(value);
    } catch (const std::exception&) {
        return result::kNoBackend;
    }
}

std::int32_t Panelid::setMonitorDevice(std::uint32_t value) {
    if (blockingDevicePresent(m_ports.devices)) {
        return result::kNoBackend;
    }
    try {
        if (std::optional<DisplayConfigBackend> backend = displayConfigBackend()) {
            const std::uint32_t current = backend->currentValue(readFirmwareHdmiStatus(m_ports.firmware));
            backend->switchTo(value, current, readFirmwareHdmiStatus(m_ports.firmware));
            return result::kHandled;
        }
        VendorBackend* backend = chooseVendor({m_vendors.intel, m_vendors.nvidia, m_vendors.amdSecond});
        if (backend == nullptr) {
            return result::kNoBackend;
        }
        DisplaySettingsStore store(m_ports.registry, m_ports.displaySettings, m_ports.clock);
        const std::uint32_t current = backend->currentValue();
        store.save(current);
        backend->switchTo(value, current);
        store.restore(value, current);
    } catch (const std::exception&) {
        // A failed switch is not reported; the caller reads the arrangement again.
    }
    return result::kHandled;
}

} // namespace display
