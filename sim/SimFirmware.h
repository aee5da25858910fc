// The firmware behind the 24-byte record: the driver device, the settings read and written
// inside sessions, the wake-up factor, the display output status and the register block of
// the embedded CEC controller, which a CEC controller model (attached separately) serves.
// Every call is recorded; faults can be injected (device missing, transport failing, a status
// with bit 15 set).
// Simulation.
#pragma once

#include "common/FirmwareRecord.h"
#include "platform/FirmwareTransport.h"
#include "sim/VirtualClock.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <vector>

namespace sim {

// The embedded CEC controller's side of register 0x8F.
class CeccRegisters {
public:
    virtual ~CeccRegisters() = default;
    // A controller command (code, payload of 0 to 14 bytes); returns the reply status word.
    virtual std::uint32_t command(std::uint8_t code, const std::uint8_t* payload, std::size_t length) = 0;
    // A CEC frame to transmit (1 to 16 bytes); returns the reply status word.
    virtual std::uint32_t transmit(const std::uint8_t* frame, std::size_t length) = 0;
    // A read with selector 0xC1, 0xC3 or 0xC7 (or any other value) into the reply; returns the
    // status word.
    virtual std::uint32_t read(std::uint32_t selector, FirmwareRecord& reply) = 0;
};

class SimFirmware final : public platform::FirmwareTransport {
public:
    struct Call {
        std::uint64_t time = 0;
        FirmwareRecord request;
        FirmwareRecord reply;
        bool delivered = false; // false: the device call itself failed
    };

    explicit SimFirmware(VirtualClock& clock);

    // The device and its transport.
    void setDevicePresent(bool present) { m_devicePresent = present; }
    void setTransportFailing(bool failing) { m_transportFailing = failing; }

    // Firmware state.
    void setSetting(std::uint32_t number, std::uint32_t value) { m_settings[number] = value; }
    std::uint32_t setting(std::uint32_t number) const;
    void setWakeupFactor(std::uint16_t factor) { m_wakeupFactor = factor; }
    // The next `count` wake-up factor reads fail with status 0x8000.
    void failWakeupFactorReads(int count) { m_wakeupFailures = count; }
    void setHdmiConnected(bool connected) { m_hdmiConnected = connected; }
    bool hdmiConnected() const { return m_hdmiConnected; }
    void attachCecc(CeccRegisters* cecc) { m_cecc = cecc; }

    // The next `count` calls with this function code (0: any) answer `status` and do nothing else.
    void injectStatus(std::uint32_t functionCode, std::uint32_t status, int count = 1);

    bool sessionOpen() const { return m_sessionOpen; }
    const std::vector<Call>& calls() const { return m_calls; }
    // Forgets what was recorded so far, so that a long run keeps its memory flat; the state stays.
    void clearRecords() { m_calls.clear(); }
    std::function<void(const Call&)> callObserver;

    // platform::FirmwareTransport
    platform::DeviceHandle openDevice(const wchar_t* path, platform::ErrorCode& error) override;
    bool control(platform::DeviceHandle device, std::uint32_t controlCode,
                 const platform::FirmwareBytes& request, platform::FirmwareBytes& reply) override;
    void closeDevice(platform::DeviceHandle device) override;

private:
    struct Injection {
        std::uint32_t functionCode;
        std::uint32_t status;
        int count;
    };

    void execute(const FirmwareRecord& request, FirmwareRecord& reply);
    void readRegister(const FirmwareRecord& request, FirmwareRecord& reply);
    void writeRegister(const FirmwareRecord& request, FirmwareRecord& reply);

    VirtualClock& m_clock;
    bool m_devicePresent = true;
    bool m_transportFailing = false;
    std::set<platform::DeviceHandle> m_handles;
    platform::DeviceHandle m_nextHandle = 0x200;
    std::map<std::uint32_t, std::uint32_t> m_settings;
    std::uint16_t m_wakeupFactor = 0;
    int m_wakeupFailures = 0;
    bool m_hdmiConnected = false;
    bool m_sessionOpen = false;
    CeccRegisters* m_cecc = nullptr;
    std::vector<Injection> m_injections;
    std::vector<Call> m_calls;
};

} // namespace sim
