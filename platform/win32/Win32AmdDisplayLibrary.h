// Adapter of the first AMD display interface: loads "atiadlxx.dll", else "atiadlxy.dll", with
// LoadLibraryA and looks its entries up; unload (and destruction) frees the library. The
// interface context is created with an allocation callback over malloc, and every record
// array the interface returns through it is copied out and freed again.
// Win32 only.
#pragma once

#include "platform/AmdDisplayLibrary.h"
#include "platform/win32/Win32LibraryEntries.h"

namespace platform::win32 {

class Win32AmdDisplayLibrary final : public AmdDisplayLibrary {
public:
    Win32AmdDisplayLibrary() = default;
    ~Win32AmdDisplayLibrary() override = default;

    bool load() override;
    void unload() override;
    bool hasAllEntries() override;
    std::int32_t mainControlCreate(std::int32_t enumConnectedAdapters) override;
    std::int32_t mainControlDestroy() override;
    std::int32_t numberOfAdapters(std::int32_t& count) override;
    std::int32_t adapterInfo(AdlAdapterInfo* records, std::int32_t count) override;
    std::int32_t adapterActive(std::int32_t adapterIndex, std::int32_t& active) override;
    std::int32_t displayInfo(std::int32_t adapterIndex, std::vector<AdlDisplayInfo>& displays,
                             std::int32_t forceDetect) override;
    std::int32_t edidData(std::int32_t adapterIndex, std::int32_t displayIndex,
                          AdlDisplayEdidData& data) override;

private:
    void* m_create = nullptr;
    void* m_destroy = nullptr;
    void* m_numberOfAdapters = nullptr;
    void* m_adapterInfo = nullptr;
    void* m_adapterActive = nullptr;
    void* m_displayInfo = nullptr;
    void* m_edidData = nullptr;
    LibraryEntries m_library{{"atiadlxx.dll", "atiadlxy.dll"},
                             {{"ADL_Main_Control_Create", &m_create},
                              {"ADL_Main_Control_Destroy", &m_destroy},
                              {"ADL_Adapter_NumberOfAdapters_Get", &m_numberOfAdapters},
                              {"ADL_Adapter_AdapterInfo_Get", &m_adapterInfo},
                              {"ADL_Adapter_Active_Get", &m_adapterActive},
                              {"ADL_Display_DisplayInfo_Get", &m_displayInfo},
                              {"ADL_Display_EdidData_Get", &m_edidData}}};
};

} // namespace platform::win32
