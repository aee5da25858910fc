// The COM interface of the Intel graphics driver's object as its callers and servers see it:
// both of the object's interfaces (the presence-test interface and the EDID interface) carry
// the same three methods, in this order after IUnknown's.
// The declaration has external linkage on purpose: declared in an unnamed namespace of a
// source file that only calls it, the compiler knows every class that could implement it in
// the program (none) and turns each call through it into unreachable code.
// Win32 only.
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <unknwn.h>

namespace platform::win32 {

struct IntelDisplayDevices : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE EnumAttachableDevices(BSTR display, LONG index, DWORD* deviceId,
                                                            DWORD* deviceType, DWORD* status) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDeviceData(GUID dataId, DWORD size, BYTE* data, LONG* status) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDeviceConfig(GUID dataId, DWORD size, BYTE* data, LONG* status) = 0;
};

} // namespace platform::win32
