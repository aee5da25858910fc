// The simulated present devices by setup class (SetupDi enumeration): a list of classes, with
// faults for a list that cannot be obtained and an enumeration that fails part way.
// Simulation.
#pragma once

#include "platform/DeviceSetupClasses.h"

#include <vector>

namespace sim {

class SimDeviceSetupClasses final : public platform::DeviceSetupClasses {
public:
    static constexpr platform::DeviceInfoList kList = 1;

    void addDevice(const platform::Guid& classGuid) { m_classes.push_back(classGuid); }
    void clear() { m_classes.clear(); }
    void setListUnavailable(bool unavailable) { m_unavailable = unavailable; }
    // The enumeration fails with `error` at `index`.
    void failAt(std::uint32_t index, platform::ErrorCode error) {
        m_failIndex = index;
        m_failError = error;
    }
    int openLists() const { return m_open; }

    platform::DeviceInfoList openPresentDevices() override {
        if (m_unavailable) {
            return 0;
        }
        ++m_open;
        return kList;
    }
    platform::ErrorCode deviceClass(platform::DeviceInfoList list, std::uint32_t index,
                                    platform::Guid& classGuid) override {
        if (list != kList) {
            return platform::error::kInvalidHandle;
        }
        if (index == m_failIndex) {
            return m_failError;
        }
        if (index >= m_classes.size()) {
            return platform::error::kNoMoreItems;
        }
        classGuid = m_classes[index];
        return platform::error::kSuccess;
    }
    void closeList(platform::DeviceInfoList list) override {
        if (list == kList) {
            --m_open;
        }
    }

private:
    std::vector<platform::Guid> m_classes;
    bool m_unavailable = false;
    std::uint32_t m_failIndex = 0xFFFFFFFF;
    platform::ErrorCode m_failError = 0;
    int m_open = 0;
};

} // namespace sim
