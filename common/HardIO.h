// The firmware call channel: the driver device that runs a firmware function on a 24-byte
// record. One object per program, used from one thread.
// Portable.
#pragma once

#include "common/FirmwareRecord.h"
#include "platform/FirmwareTransport.h"

class HardIO {
public:
    explicit HardIO(platform::FirmwareTransport& transport);
    HardIO(const HardIO&) = delete;
    HardIO& operator=(const HardIO&) = delete;
    virtual ~HardIO(); // leaves the device open; uninitialize closes it

    // Opens the device. On failure logs the system error code and keeps the invalid handle,
    // so that later calls fail at the device call.
    bool initialize();
    void uninitialize();

    // Settings session around setting reads and writes. open succeeds whatever the firmware
    // answers; both fail only without a device handle.
    bool open();
    void close();

    // One firmware call. `reply` must be zeroed by the caller. False when the device call
    // fails or the reply status has bit 15 set; a busy CECC status is a success here.
    bool invoke(const FirmwareRecord& request, FirmwareRecord& reply);

private:
    platform::FirmwareTransport& m_transport;
    platform::DeviceHandle m_hDevice = platform::kNoDevice;
};
