// The About dialog. Portable.
#include "settings/AboutDlg.h"

#include "common/Text.h"
#include "common/Trace.h"
#include "settings/SentrixsetDlg.h"
#include "settings/SentrixsetResource.h"

namespace settings {

bool CAboutDlg::OnInitDialog() {
    TRACE_SCOPE(TraceModule::Sentrixset, "CAboutDlg::OnInitDialog");
    m_view.setItemText(IDC_VERSION, readVersion());
    return true;
}

std::wstring CAboutDlg::readVersion() {
    TRACE_SCOPE(TraceModule::Sentrixset, "CAboutDlg::readVersion");
    platform::ScopedRegKey key(m_registry);
    if (m_registry.openKey(platform::kHkeyLocalMachine, kProductKey, platform::RegAccess::Read, key.out()) !=
        platform::error::kSuccess) {
        TRACE_ERROR(L"ERROR RegOpenKeyEx()");
        return {};
    }
    std::uint8_t data[kVersionBytes] = {};
    std::uint32_t size = sizeof data;
    std::uint32_t type = 0;
    const platform::ErrorCode rc = m_registry.queryValue(key, kVersionValue, &type, data, &size);
    key.reset();
    if (rc != platform::error::kSuccess ||
        (type != platform::regtype::kSz && type != platform::regtype::kExpandSz)) {
        TRACE_ERROR(L"ERROR RegQueryValueEx(CurrentVersion):%u", static_cast<unsigned>(rc));
        return {};
    }
    // A value without its terminator ends at its last byte.
    return text::fromUtf16Le(data, size < sizeof data ? size : sizeof data);
}

} // namespace settings
