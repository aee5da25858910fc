// The NVIDIA display interface on Windows. Win32 only.
#include "platform/win32/Win32NvidiaDisplay.h"

#include <windows.h>

#include <array>
#include <type_traits>

namespace platform::win32 {

namespace {

// The library's name; the interface is not looked for under another name in 32-bit builds.
constexpr const char* kLibrary = "nvapi64.dll";
constexpr const char* kQueryInterface = "nvapi_QueryInterface";

using Handle = void*;
using QueryInterfaceFn = void*(__cdecl*)(unsigned int);
using InitializeFn = nv::Status(__cdecl*)();
using EnumDisplayFn = nv::Status(__cdecl*)(std::uint32_t, Handle*);
using GpusFromDisplayFn = nv::Status(__cdecl*)(Handle, Handle*, std::uint32_t*);
using OutputsFn = nv::Status(__cdecl*)(Handle, std::uint32_t*);
using ConnectorInfoFn = nv::Status(__cdecl*)(Handle, std::uint32_t, NvConnectorInfo*);
using EdidFn = nv::Status(__cdecl*)(Handle, std::uint32_t, NvEdid*);
using DriverVersionFn = nv::Status(__cdecl*)(Handle, NvDisplayDriverVersion*);
using GetViewFn = nv::Status(__cdecl*)(Handle, NvViewTargetInfo*, std::uint32_t*, std::uint32_t*);
using SetViewFn = nv::Status(__cdecl*)(Handle, NvViewTargetInfo*, std::uint32_t);
using SupportedViewsFn = nv::Status(__cdecl*)(Handle, std::uint32_t*, std::uint32_t*);
using EnumGpusFn = nv::Status(__cdecl*)(Handle*, std::uint32_t*);

// The stub of an entry the driver does not offer.
template <typename... Args> nv::Status __cdecl missing(Args...) {
    return nv::kNoImplementation;
}

Handle handleOf(std::uintptr_t value) {
    return reinterpret_cast<Handle>(value);
}

} // namespace

struct Win32NvidiaDisplay::Entries {
    EnumDisplayFn enumDisplayHandle = &missing<std::uint32_t, Handle*>;
    GpusFromDisplayFn gpusFromDisplay = &missing<Handle, Handle*, std::uint32_t*>;
    OutputsFn activeOutputs = &missing<Handle, std::uint32_t*>;
    OutputsFn connectedOutputs = &missing<Handle, std::uint32_t*>;
    ConnectorInfoFn connectorInfo = &missing<Handle, std::uint32_t, NvConnectorInfo*>;
    EdidFn edid = &missing<Handle, std::uint32_t, NvEdid*>;
    DriverVersionFn driverVersion = &missing<Handle, NvDisplayDriverVersion*>;
    GetViewFn getView = &missing<Handle, NvViewTargetInfo*, std::uint32_t*, std::uint32_t*>;
    SetViewFn setView = &missing<Handle, NvViewTargetInfo*, std::uint32_t>;
    SupportedViewsFn supportedViews = &missing<Handle, std::uint32_t*, std::uint32_t*>;
    EnumGpusFn enumLogicalGpus = &missing<Handle*, std::uint32_t*>;
    EnumGpusFn enumPhysicalGpus = &missing<Handle*, std::uint32_t*>;
};

Win32NvidiaDisplay::Win32NvidiaDisplay() : m_entries(new Entries) {}

Win32NvidiaDisplay::~Win32NvidiaDisplay() {
    unload();
    delete m_entries;
}

void Win32NvidiaDisplay::resetEntries() {
    *m_entries = Entries{};
}

bool Win32NvidiaDisplay::load() {
    if (m_module == nullptr) {
        m_module = ::LoadLibraryA(kLibrary);
    }
    if (m_module == nullptr) {
        return false;
    }
    m_queryInterface =
        reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(m_module), kQueryInterface));
    if (m_queryInterface == nullptr) {
        unload();
        return false;
    }
    return true;
}

void Win32NvidiaDisplay::unload() {
    resetEntries();
    m_queryInterface = nullptr;
    if (m_module != nullptr) {
        ::FreeLibrary(static_cast<HMODULE>(m_module));
        m_module = nullptr;
    }
}

nv::Status Win32NvidiaDisplay::initialize() {
    resetEntries();
    if (m_queryInterface == nullptr) {
        return nv::kLibraryNotFound;
    }
    const auto query = reinterpret_cast<QueryInterfaceFn>(m_queryInterface);
    const auto init = reinterpret_cast<InitializeFn>(query(nv::id::kInitialize));
    if (init == nullptr) {
        return nv::kNoImplementation;
    }
    const nv::Status status = init();
    if (status < 0) {
        return status;
    }
    const auto fill = [&](auto& slot, std::uint32_t id) {
        if (void* found = query(id); found != nullptr) {
            slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(found);
        }
    };
    fill(m_entries->enumDisplayHandle, nv::id::kEnumDisplayHandle);
    fill(m_entries->gpusFromDisplay, nv::id::kPhysicalGpusFromDisplay);
    fill(m_entries->activeOutputs, nv::id::kActiveOutputs);
    fill(m_entries->connectedOutputs, nv::id::kConnectedOutputs);
    fill(m_entries->connectorInfo, nv::id::kConnectorInfo);
    fill(m_entries->edid, nv::id::kEdid);
    fill(m_entries->driverVersion, nv::id::kDisplayDriverVersion);
    fill(m_entries->getView, nv::id::kGetView);
    fill(m_entries->setView, nv::id::kSetView);
    fill(m_entries->supportedViews, nv::id::kSupportedViews);
    fill(m_entries->enumLogicalGpus, nv::id::kEnumLogicalGpus);
    fill(m_entries->enumPhysicalGpus, nv::id::kEnumPhysicalGpus);
    return status;
}

nv::Status Win32NvidiaDisplay::enumDisplayHandle(std::uint32_t index, NvDisplayHandle& handle) {
    Handle found = nullptr;
    const nv::Status status = m_entries->enumDisplayHandle(index, &found);
    handle = reinterpret_cast<NvDisplayHandle>(found);
    return status;
}

nv::Status Win32NvidiaDisplay::physicalGpusFromDisplay(NvDisplayHandle display, NvPhysicalGpuHandle* gpus,
                                                       std::uint32_t& count) {
    std::array<Handle, nv::kMaxPhysicalGpus> handles{};
    count = 0;
    const nv::Status status = m_entries->gpusFromDisplay(handleOf(display), handles.data(), &count);
    for (std::size_t i = 0; i < handles.size(); ++i) {
        gpus[i] = reinterpret_cast<NvPhysicalGpuHandle>(handles[i]);
    }
    return status;
}

nv::Status Win32NvidiaDisplay::activeOutputs(NvPhysicalGpuHandle gpu, std::uint32_t& mask) {
    return m_entries->activeOutputs(handleOf(gpu), &mask);
}

nv::Status Win32NvidiaDisplay::connectedOutputs(NvPhysicalGpuHandle gpu, std::uint32_t& mask) {
    return m_entries->connectedOutputs(handleOf(gpu), &mask);
}

nv::Status Win32NvidiaDisplay::connectorInfo(NvPhysicalGpuHandle gpu, std::uint32_t output,
                                             NvConnectorInfo& info) {
    return m_entries->connectorInfo(handleOf(gpu), output, &info);
}

nv::Status Win32NvidiaDisplay::edid(NvPhysicalGpuHandle gpu, std::uint32_t output, NvEdid& edid) {
    return m_entries->edid(handleOf(gpu), output, &edid);
}

nv::Status Win32NvidiaDisplay::displayDriverVersion(NvDisplayHandle display,
                                                    NvDisplayDriverVersion& version) {
    return m_entries->driverVersion(handleOf(display), &version);
}

nv::Status Win32NvidiaDisplay::getView(NvDisplayHandle display, NvViewTargetInfo& targets,
                                       std::uint32_t& viewMode) {
    std::uint32_t targetMaskCount = 0;
    return m_entries->getView(handleOf(display), &targets, &targetMaskCount, &viewMode);
}

nv::Status Win32NvidiaDisplay::setView(NvDisplayHandle display, const NvViewTargetInfo& targets,
                                       std::uint32_t viewMode) {
    NvViewTargetInfo copy = targets; // the entry takes a writable record
    return m_entries->setView(handleOf(display), &copy, viewMode);
}

nv::Status Win32NvidiaDisplay::supportedViews(NvDisplayHandle display, std::uint32_t* modes,
                                              std::uint32_t& count) {
    count = static_cast<std::uint32_t>(nv::kMaxViewModes);
    return m_entries->supportedViews(handleOf(display), modes, &count);
}

nv::Status Win32NvidiaDisplay::logicalGpuCount(std::uint32_t& count) {
    std::array<Handle, nv::kMaxLogicalGpus> handles{};
    count = 0;
    return m_entries->enumLogicalGpus(handles.data(), &count);
}

nv::Status Win32NvidiaDisplay::physicalGpuCount(std::uint32_t& count) {
    std::array<Handle, nv::kMaxPhysicalGpus> handles{};
    count = 0;
    return m_entries->enumPhysicalGpus(handles.data(), &count);
}

} // namespace platform::win32
