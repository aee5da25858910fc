// A font with its text colour. Portable.
#include "controller/menu/FontObject.h"

FontObject::FontObject(platform::Drawing& drawing, const platform::FontSpec& spec, platform::ColorRef color)
    : m_hFont(drawing.createFont(spec)), m_crColor(color), m_drawing(drawing) {}

FontObject::~FontObject() {
    if (m_hFont != 0) {
        m_drawing.deleteObject(m_hFont);
    }
}
