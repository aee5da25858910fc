// The first AMD display interface over its library. Win32 only.
#include "platform/win32/Win32AmdDisplayLibrary.h"

#include <windows.h>

#include <cstdlib>

namespace platform::win32 {
namespace {

// The interface's public declarations: __stdcall allocation callback, C entries.
using AllocFn = void*(__stdcall*)(int size);
using CreateFn = int (*)(AllocFn alloc, int enumConnectedAdapters);
using DestroyFn = int (*)();
using NumberOfAdaptersFn = int (*)(int* count);
using AdapterInfoFn = int (*)(AdlAdapterInfo* info, int inputSize);
using AdapterActiveFn = int (*)(int adapterIndex, int* status);
using DisplayInfoFn = int (*)(int adapterIndex, int* count, AdlDisplayInfo** info, int forceDetect);
using EdidDataFn = int (*)(int adapterIndex, int displayIndex, AdlDisplayEdidData* data);

constexpr std::int32_t kErrorFailed = -1;
constexpr std::int32_t kErrorNotSupported = -8;
// More displays on one adapter than any driver reports: a larger count is a driver fault.
constexpr int kMaxDisplays = 256;

void* __stdcall allocate(int size) {
    return size > 0 ? std::malloc(static_cast<std::size_t>(size)) : nullptr;
}

template <typename Fn> Fn entry(void* address) {
    return reinterpret_cast<Fn>(address);
}

} // namespace

bool Win32AmdDisplayLibrary::load() {
    return m_library.load();
}

void Win32AmdDisplayLibrary::unload() {
    m_library.unload();
}

bool Win32AmdDisplayLibrary::hasAllEntries() {
    return m_library.hasAll();
}

std::int32_t Win32AmdDisplayLibrary::mainControlCreate(std::int32_t enumConnectedAdapters) {
    return m_create != nullptr ? entry<CreateFn>(m_create)(&allocate, enumConnectedAdapters)
                               : kErrorNotSupported;
}

std::int32_t Win32AmdDisplayLibrary::mainControlDestroy() {
    return m_destroy != nullptr ? entry<DestroyFn>(m_destroy)() : kErrorNotSupported;
}

std::int32_t Win32AmdDisplayLibrary::numberOfAdapters(std::int32_t& count) {
    if (m_numberOfAdapters == nullptr) {
        return kErrorNotSupported;
    }
    int answer = 0;
    const int result = entry<NumberOfAdaptersFn>(m_numberOfAdapters)(&answer);
    count = answer;
    return result;
}

std::int32_t Win32AmdDisplayLibrary::adapterInfo(AdlAdapterInfo* records, std::int32_t count) {
    if (m_adapterInfo == nullptr || records == nullptr || count < 1) {
        return kErrorNotSupported;
    }
    // The interface takes the size of the array in bytes.
    return entry<AdapterInfoFn>(m_adapterInfo)(records, count * static_cast<int>(sizeof(AdlAdapterInfo)));
}

std::int32_t Win32AmdDisplayLibrary::adapterActive(std::int32_t adapterIndex, std::int32_t& active) {
    if (m_adapterActive == nullptr) {
        return kErrorNotSupported;
    }
    int status = 0;
    const int result = entry<AdapterActiveFn>(m_adapterActive)(adapterIndex, &status);
    active = status;
    return result;
}

std::int32_t Win32AmdDisplayLibrary::displayInfo(std::int32_t adapterIndex,
                                                 std::vector<AdlDisplayInfo>& displays,
                                                 std::int32_t forceDetect) {
    displays.clear();
    if (m_displayInfo == nullptr) {
        return kErrorNotSupported;
    }
    int count = 0;
    AdlDisplayInfo* info = nullptr;
    const int result = entry<DisplayInfoFn>(m_displayInfo)(adapterIndex, &count, &info, forceDetect);
    if (result == adl::kOk && info != nullptr && count > 0 && count <= kMaxDisplays) {
        displays.assign(info, info + count);
    }
    std::free(info);
    if (result == adl::kOk && count > kMaxDisplays) {
        return kErrorFailed;
    }
    return result;
}

std::int32_t Win32AmdDisplayLibrary::edidData(std::int32_t adapterIndex, std::int32_t displayIndex,
                                              AdlDisplayEdidData& data) {
    return m_edidData != nullptr ? entry<EdidDataFn>(m_edidData)(adapterIndex, displayIndex, &data)
                                 : kErrorNotSupported;
}

} // namespace platform::win32
