// A font with its text colour, owned by the control menu. Portable.
#pragma once

#include "platform/Drawing.h"

class FontObject {
public:
    FontObject(platform::Drawing& drawing, const platform::FontSpec& spec, platform::ColorRef color);
    FontObject(const FontObject&) = delete;
    FontObject& operator=(const FontObject&) = delete;
    virtual ~FontObject(); // deletes the font

    platform::GdiObject m_hFont = 0;
    platform::ColorRef m_crColor = 0;

private:
    platform::Drawing& m_drawing;
};
