// The NVIDIA display interface on Windows: "nvapi64.dll" loaded at run time, its entries found
// through "nvapi_QueryInterface" by interface identifier at each initialisation. An entry the
// driver does not offer keeps a stub that answers kNoImplementation. unload() frees the
// library (the destructor does it too).
// Win32 only.
#pragma once

#include "platform/NvidiaDisplayInterface.h"

namespace platform::win32 {

class Win32NvidiaDisplay final : public NvidiaDisplayInterface {
public:
    Win32NvidiaDisplay();
    ~Win32NvidiaDisplay() override;
    Win32NvidiaDisplay(const Win32NvidiaDisplay&) = delete;
    Win32NvidiaDisplay& operator=(const Win32NvidiaDisplay&) = delete;

    bool load() override;
    void unload() override;
    nv::Status initialize() override;
    nv::Status enumDisplayHandle(std::uint32_t index, NvDisplayHandle& handle) override;
    nv::Status physicalGpusFromDisplay(NvDisplayHandle display, NvPhysicalGpuHandle* gpus,
                                       std::uint32_t& count) override;
    nv::Status activeOutputs(NvPhysicalGpuHandle gpu, std::uint32_t& mask) override;
    nv::Status connectedOutputs(NvPhysicalGpuHandle gpu, std::uint32_t& mask) override;
    nv::Status connectorInfo(NvPhysicalGpuHandle gpu, std::uint32_t output, NvConnectorInfo& info) override;
    nv::Status edid(NvPhysicalGpuHandle gpu, std::uint32_t output, NvEdid& edid) override;
    nv::Status displayDriverVersion(NvDisplayHandle display, NvDisplayDriverVersion& version) override;
    nv::Status getView(NvDisplayHandle display, NvViewTargetInfo& targets, std::uint32_t& viewMode) override;
    nv::Status setView(NvDisplayHandle display, const NvViewTargetInfo& targets,
                       std::uint32_t viewMode) override;
    nv::Status supportedViews(NvDisplayHandle display, std::uint32_t* modes, std::uint32_t& count) override;
    nv::Status logicalGpuCount(std::uint32_t& count) override;
    nv::Status physicalGpuCount(std::uint32_t& count) override;

private:
    struct Entries;
    void resetEntries();

    void* m_module = nullptr;
    void* m_queryInterface = nullptr;
    Entries* m_entries = nullptr;
};

} // namespace platform::win32
