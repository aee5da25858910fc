// The computer's model name through WMI: a connection to the local namespace and the "Model"
// property of the computer system.
// Portable.
#pragma once

#include "platform/Wmi.h"

#include <string>

class CWbemClsObj {
public:
    explicit CWbemClsObj(platform::Wmi& wmi);
    CWbemClsObj(const CWbemClsObj&) = delete;
    CWbemClsObj& operator=(const CWbemClsObj&) = delete;
    virtual ~CWbemClsObj(); // releases the connection

    int connect();                     // 0 connected, -1 not
    int getModel(std::wstring& model); // 0 and a non-empty name, or -1

private:
    platform::Wmi& m_wmi;
    bool m_bConnected = false;
    platform::WmiConnection m_pServices = 0;
};
