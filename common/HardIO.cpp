// The firmware call channel. Portable.
#include "common/HardIO.h"

#include "common/Trace.h"

#define HARDIO_SCOPE(name) TRACE_SCOPE(TraceLog::programModule(), name)

HardIO::HardIO(platform::FirmwareTransport& transport) : m_transport(transport) {}

HardIO::~HardIO() = default;

bool HardIO::initialize() {
    HARDIO_SCOPE("HardIO::initialize");
    platform::ErrorCode error = platform::error::kSuccess;
    m_hDevice = m_transport.openDevice(fw::kDevicePath, error);
    if (m_hDevice == platform::kInvalidDevice) {
        TRACE_ERROR(L"ERROR CreateFile:%d", static_cast<int>(error));
        return false;
    }
    return true;
}

void HardIO::uninitialize() {
    HARDIO_SCOPE("HardIO::uninitialize");
    if (m_hDevice != platform::kNoDevice && m_hDevice != platform::kInvalidDevice) {
        m_transport.closeDevice(m_hDevice);
    }
    m_hDevice = platform::kNoDevice;
}

bool HardIO::open() {
    HARDIO_SCOPE("HardIO::open");
    if (m_hDevice == platform::kNoDevice) {
        TRACE_ERROR(L"ERROR Invalid Parameters");
        return false;
    }
    FirmwareRecord request;
    request.w0 = fw::kOpenSession;
    FirmwareRecord reply;
    invoke(request, reply); // the session is opened whatever the firmware answers
    return true;
}

void HardIO::close() {
    HARDIO_SCOPE("HardIO::close");
    if (m_hDevice == platform::kNoDevice) {
        TRACE_ERROR(L"ERROR Invalid Parameters");
        return;
    }
    FirmwareRecord request;
    request.w0 = fw::kCloseSession;
    FirmwareRecord reply;
    invoke(request, reply);
}

bool HardIO::invoke(const FirmwareRecord& request, FirmwareRecord& reply) {
    HARDIO_SCOPE("HardIO::invoke");
    if (m_hDevice == platform::kNoDevice) {
        TRACE_ERROR(L"ERROR Invalid Parameters");
        return false;
    }
    platform::FirmwareBytes in;
    platform::FirmwareBytes out;
    request.toBytes(in);
    reply.toBytes(out);
    if (!m_transport.control(m_hDevice, fw::kControlCode, in, out)) {
        TRACE_ERROR(L"ERROR DeviceIoControl()");
        return false;
    }
    reply = FirmwareRecord::fromBytes(out);
    if (fw::statusFailed(reply.w0)) {
        TRACE_ERROR(L"ERROR BIOS function returned:0x%04x", reply.w0);
        return false;
    }
    return true;
}
