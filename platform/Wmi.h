// WMI port: process-wide COM security and a connection to the local WMI namespace from
// which one string property of the first instance of a class is read (CoInitializeSecurity,
// IWbemLocator::ConnectServer, IWbemServices::CreateInstanceEnum, IWbemClassObject::Get).
// Portable.
#pragma once

#include "platform/Port.h"

#include <cstdint>
#include <string>

namespace platform {

using WmiConnection = std::uintptr_t; // 0: not connected

class Wmi : public Port {
public:
    // CoInitializeSecurity with the default descriptor, automatic authentication services,
    // packet-privacy authentication, impersonation and secure references.
    virtual bool initializeSecurity() = 0;
    // Connects to the namespace (for example "\\.\root\cimv2"); 0 on failure.
    virtual WmiConnection connect(const wchar_t* nameSpace) = 0;
    // The string property of the first instance of the class; false when there is none.
    virtual bool firstInstanceString(WmiConnection connection, const wchar_t* className,
                                     const wchar_t* property, std::wstring& value) = 0;
    virtual void release(WmiConnection connection) = 0;
};

} // namespace platform
