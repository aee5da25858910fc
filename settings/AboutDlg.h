// The settings program's About dialog: product name, icon, OK and the version text, which is
// the machine-wide "CurrentVersion" of the controller's store.
// Portable.
#pragma once

#include "platform/Registry.h"
#include "settings/SentrixsetView.h"

#include <cstdint>
#include <string>

namespace settings {

class CAboutDlg {
public:
    static constexpr const wchar_t* kVersionValue = L"CurrentVersion";
    static constexpr std::uint32_t kVersionBytes = 128;

    CAboutDlg(platform::Registry& registry, SentrixsetView& view) : m_registry(registry), m_view(view) {}
    CAboutDlg(const CAboutDlg&) = delete;
    CAboutDlg& operator=(const CAboutDlg&) = delete;

    bool OnInitDialog();
    // The version text: a REG_SZ or REG_EXPAND_SZ of at most kVersionBytes, up to its first
    // terminator; empty when the value is missing, longer or of another type.
    std::wstring readVersion();

private:
    platform::Registry& m_registry;
    SentrixsetView& m_view;
};

} // namespace settings
