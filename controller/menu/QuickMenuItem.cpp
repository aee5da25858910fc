// Painting of a control-menu item. Portable.
#include "controller/menu/QuickMenuItem.h"

void QuickMenuItem::paint(platform::DeviceContext dc) {
    platform::Drawing& drawing = m_ports.drawing;
    const FontObject* font = m_bSelected ? m_pSelectedFont : m_pNormalFont;
    const platform::GdiObject oldPen = drawing.selectObject(dc, m_bSelected ? m_hSelectedPen : m_hNormalPen);
    const platform::GdiObject oldBrush =
        drawing.selectObject(dc, m_bSelected ? m_hSelectedBrush : m_hNormalBrush);
    const platform::GdiObject oldFont = font != nullptr ? drawing.selectObject(dc, font->m_hFont) : 0;

    drawing.rectangle(dc, 0, 0, m_nWidth, m_nHeight);
    if (m_pText != nullptr && font != nullptr) {
        const int oldMode = drawing.setBkMode(dc, platform::kBkTransparent);
        const platform::ColorRef oldColor = drawing.setTextColor(dc, font->m_crColor);
        platform::Rect area{0, 0, m_nWidth, m_nHeight};
        drawing.drawText(dc, m_pText->c_str(), -1, area, m_uFormat);
        drawing.setTextColor(dc, oldColor);
        drawing.setBkMode(dc, oldMode);
    }

    if (oldFont != 0) {
        drawing.selectObject(dc, oldFont);
    }
    if (oldBrush != 0) {
        drawing.selectObject(dc, oldBrush);
    }
    if (oldPen != 0) {
        drawing.selectObject(dc, oldPen);
    }
}
