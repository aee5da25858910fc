// Firmware queries. Portable.
#include "common/HardIOHelper.h"

#include "common/Trace.h"

#define HARDIO_SCOPE(name) TRACE_SCOPE(TraceLog::programModule(), name)

HardIOHelper::HardIOHelper(HardIO* hardIO) : m_pHardIO(hardIO) {}

HardIOHelper::~HardIOHelper() = default;

bool HardIOHelper::getWakeupFactor(std::uint16_t& factor) {
    HARDIO_SCOPE("HardIOHelper::getWakeupFactor");
    if (m_pHardIO == nullptr) {
        TRACE_ERROR(L"ERROR Invalid Parameters");
        return false;
    }
    FirmwareRecord request;
    request.w0 = fw::kReadRegister;
    request.w1 = fw::kRegisterWakeupFactor;
    FirmwareRecord reply;
    if (!m_pHardIO->invoke(request, reply)) {
        TRACE_ERROR(L"ERROR HardIO::invoke():0x%08x", reply.w0);
        return false;
    }
    factor = static_cast<std::uint16_t>(reply.w2 & 0xFF);
    return true;
}

bool HardIOHelper::isHdmiConnected() {
    HARDIO_SCOPE("HardIOHelper::isHdmiConnected");
    if (m_pHardIO == nullptr) {
        TRACE_ERROR(L"ERROR Invalid Parameters");
        return false;
    }
    FirmwareRecord request;
    request.w0 = fw::kReadRegister;
    request.w1 = fw::kRegisterDisplayOutput;
    request.w2 = fw::kSelectorDisplayOutput;
    FirmwareRecord reply;
    if (!m_pHardIO->invoke(request, reply)) {
        TRACE_ERROR(L"ERROR HardIO::invoke():0x%08x", reply.w0);
        return false;
    }
    return (reply.w3 & fw::kDisplayOutputHdmiBit) != 0;
}
