// WMI of the simulated world (platform::Wmi): COM security initialisation (succeeds unless
// set), connections to the namespace "\\.\root\cimv2" (which can be made to fail) and the one
// property the system reads, Win32_ComputerSystem.Model ("Vireo VX-7 Series" unless set; none
// when set to nullopt).
// Simulation.
#pragma once

#include "platform/Wmi.h"

#include <optional>
#include <set>
#include <string>

namespace sim {

class SimWmi final : public platform::Wmi {
public:
    static constexpr const wchar_t* kDefaultModel = L"Vireo VX-7 Series";
    static constexpr const wchar_t* kNamespace = L"\\\\.\\root\\cimv2";

    void setSecurityResult(bool succeeds) { m_securityResult = succeeds; }
    void setConnectFailing(bool failing) { m_connectFailing = failing; }
    void setModel(std::optional<std::wstring> model) { m_model = std::move(model); }
    std::size_t openConnections() const { return m_connections.size(); }
    int securityCalls() const { return m_securityCalls; }

    bool initializeSecurity() override;
    platform::WmiConnection connect(const wchar_t* nameSpace) override;
    bool firstInstanceString(platform::WmiConnection connection, const wchar_t* className,
                             const wchar_t* property, std::wstring& value) override;
    void release(platform::WmiConnection connection) override;

private:
    bool m_securityResult = true;
    bool m_connectFailing = false;
    int m_securityCalls = 0;
    std::optional<std::wstring> m_model = std::wstring(kDefaultModel);
    std::set<platform::WmiConnection> m_connections;
    platform::WmiConnection m_nextConnection = 0x3000;
};

} // namespace sim
