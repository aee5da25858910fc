// Adapter of the Intel graphics driver's COM object over CoInitialize, CLSIDFromProgID,
// CoCreateInstance and the object's own interfaces (declared in Win32IntelComInterface.h, as the
// driver lays them out). The object is held from create() to release(); the destructor
// releases one still held.
// Win32 only.
#pragma once

#include "platform/IntelDisplayInterface.h"

namespace platform::win32 {

class Win32IntelDisplay final : public IntelDisplayInterface {
public:
    Win32IntelDisplay() = default;
    ~Win32IntelDisplay() override;

    bool comInitialize() override;
    void comUninitialize() override;
    bool create(IntelInterface which) override;
    void release() override;
    bool enumAttachableDevices(const char16_t* display, std::uint32_t index, IntelDevice& device) override;
    bool getDeviceData(const Guid& dataId, IntelEdidRequest& request, std::uint32_t& status) override;
    bool setConfiguration(const Guid& dataId, const IntelConfigRecord& record,
                          std::uint32_t& status) override;

private:
    void* m_object = nullptr; // the interface pointer
};

} // namespace platform::win32
