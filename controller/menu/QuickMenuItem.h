// One entry of the control menu: a framed, filled rectangle with its label centred. It borrows
// the menu's fonts, pens and brushes. Portable.
#pragma once

#include "controller/menu/Component.h"
#include "controller/menu/FontObject.h"

#include <string>

class QuickMenuItem final : public Component {
public:
    explicit QuickMenuItem(GuiPorts ports) : Component(ports) {}

    void paint(platform::DeviceContext dc) override;

    const std::wstring* m_pText = nullptr;
    const FontObject* m_pNormalFont = nullptr;
    const FontObject* m_pSelectedFont = nullptr;
    platform::GdiObject m_hNormalPen = 0;
    platform::GdiObject m_hSelectedPen = 0;
    platform::GdiObject m_hNormalBrush = 0;
    platform::GdiObject m_hSelectedBrush = 0;
    std::uint32_t m_uFormat = 0;
};
