// The simulated Intel graphics driver's COM object, a view of the same hardware as the
// simulated Windows display configuration: every target of adapter 0 is an attachable device
// of both "\\.\Display1" and "\\.\Display2" (identifier = target identifier; type from its
// output technology: HD15 1, internal/LVDS 2, DVI 3, TV kinds 4, HDMI 5, DisplayPort 7), with
// the status bits attached (connected), in use (active), on the first display (source 0) and
// on the second display (source 1). A configuration record changes the arrangement of the
// display configuration at once: Display1 with one device shows it alone on source 0, Display1
// in clone mode shows both on source 0, Display2 with one device adds it on source 1 beside
// what source 0 shows. A record naming an unknown or unconnected device, or malformed, is
// refused (out status 1) and changes nothing. The EDID of a device is read in 128-byte blocks.
// Faults: COM initialisation failing, the class not registered, one interface missing, the
// enumeration failing (per display), EDID reads failing or answering a nonzero status, a
// device type reported otherwise (HDMI as type 3, or out of range), an enumeration that
// never ends. Methods of an interface the object was not created with fail.
// Simulation.
#pragma once

#include "platform/IntelDisplayInterface.h"
#include "sim/SimDisplayConfig.h"

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace sim {

class SimIntelDisplay final : public platform::IntelDisplayInterface {
public:
    using Edid = std::array<std::uint8_t, 256>;
    static constexpr std::uint32_t kRefused = 1;

    explicit SimIntelDisplay(SimDisplayConfig& config) : m_config(config) {}

    // Hardware.
    void setEdid(std::size_t target, std::optional<Edid> edid);
    // The driver reports the target's device type as `type`.
    void setReportedType(std::size_t target, std::uint32_t type) { m_reportedTypes[target] = type; }

    // Faults.
    void setComFails(bool fails) { m_comFails = fails; }
    void setRegistered(bool registered) { m_registered = registered; }
    void setInterfaceMissing(platform::IntelInterface which, bool missing);
    void setEnumerationFails(const char16_t* display, bool fails);
    void setEdidFails(bool fails) { m_edidFails = fails; }
    void setEdidStatus(std::uint32_t status) { m_edidStatus = status; }
    void setEndlessEnumeration(bool endless) { m_endless = endless; }

    // COM initialisations minus uninitialisations, objects created minus released: 0 after
    // each operation of the library.
    int comBalance() const { return m_com; }
    int objects() const { return m_objects; }
    const std::vector<platform::IntelConfigRecord>& records() const { return m_records; }
    void clearRecords() { m_records.clear(); }
    const std::vector<platform::IntelEdidRequest>& edidReads() const { return m_edidReads; }

    // platform::IntelDisplayInterface
    bool comInitialize() override;
    void comUninitialize() override { --m_com; }
    bool create(platform::IntelInterface which) override;
    void release() override;
    bool enumAttachableDevices(const char16_t* display, std::uint32_t index,
                               platform::IntelDevice& device) override;
    bool getDeviceData(const platform::Guid& dataId, platform::IntelEdidRequest& request,
                       std::uint32_t& status) override;
    bool setConfiguration(const platform::Guid& dataId, const platform::IntelConfigRecord& record,
                          std::uint32_t& status) override;

private:
    std::vector<std::size_t> deviceTargets() const;
    std::optional<std::size_t> targetOf(std::uint32_t id) const;
    std::uint32_t typeOf(std::size_t target) const;
    std::uint32_t statusOf(std::size_t target) const;

    SimDisplayConfig& m_config;
    std::map<std::size_t, Edid> m_edids;
    std::map<std::size_t, std::uint32_t> m_reportedTypes;
    bool m_comFails = false;
    bool m_registered = true;
    bool m_presenceMissing = false;
    bool m_edidMissing = false;
    bool m_display1Fails = false;
    bool m_display2Fails = false;
    bool m_edidFails = false;
    std::uint32_t m_edidStatus = 0;
    bool m_endless = false;
    int m_com = 0;
    int m_objects = 0;
    std::optional<platform::IntelInterface> m_created;
    std::vector<platform::IntelConfigRecord> m_records;
    std::vector<platform::IntelEdidRequest> m_edidReads;
};

} // namespace sim
