// The simulated WMI service. Simulation.
#include "sim/SimWmi.h"

#include "common/Text.h"

namespace sim {

bool SimWmi::initializeSecurity() {
    ++m_securityCalls;
    return m_securityResult;
}

platform::WmiConnection SimWmi::connect(const wchar_t* nameSpace) {
    if (m_connectFailing || nameSpace == nullptr || !text::equalsNoCase(nameSpace, kNamespace)) {
        return 0;
    }
    const platform::WmiConnection connection = m_nextConnection;
    m_nextConnection += 8;
    m_connections.insert(connection);
    return connection;
}

bool SimWmi::firstInstanceString(platform::WmiConnection connection, const wchar_t* className,
                                 const wchar_t* property, std::wstring& value) {
    if (m_connections.count(connection) == 0 || className == nullptr || property == nullptr || !m_model ||
        !text::equalsNoCase(className, L"Win32_ComputerSystem") || !text::equalsNoCase(property, L"Model")) {
        return false;
    }
    value = *m_model;
    return true;
}

void SimWmi::release(platform::WmiConnection connection) {
    m_connections.erase(connection);
}

} // namespace sim
