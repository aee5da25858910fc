// Model name through WMI. Portable.
#include "controller/WbemClsObj.h"

#include "common/Trace.h"

#define WBEM_SCOPE(name) TRACE_SCOPE(TraceModule::Sentrixd, name)

CWbemClsObj::CWbemClsObj(platform::Wmi& wmi) : m_wmi(wmi) {}

CWbemClsObj::~CWbemClsObj() {
    if (m_pServices != 0) {
        m_wmi.release(m_pServices);
    }
}

int CWbemClsObj::connect() {
    WBEM_SCOPE("CWbemClsObj::connect");
    const platform::WmiConnection services = m_wmi.connect(L"\\\\.\\root\\cimv2");
    if (services == 0) {
        TRACE_ERROR(L"ERROR ConnectServer()");
        return -1;
    }
    if (m_pServices != 0) {
        m_wmi.release(m_pServices);
    }
    m_pServices = services;
    m_bConnected = true;
    return 0;
}

int CWbemClsObj::getModel(std::wstring& model) {
    WBEM_SCOPE("CWbemClsObj::getModel");
    if (!m_bConnected) {
        TRACE_ERROR(L"ERROR Not connected");
        return -1;
    }
    std::wstring value;
    if (!m_wmi.firstInstanceString(m_pServices, L"Win32_ComputerSystem", L"Model", value) || value.empty()) {
        TRACE_ERROR(L"ERROR Model");
        return -1;
    }
    model = value;
    return 0;
}
