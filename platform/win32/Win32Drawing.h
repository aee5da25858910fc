// Drawing port over gdi32 and user32. Win32 only.
#pragma once

#include "platform/Drawing.h"

#include <map>
#include <memory>

namespace platform::win32 {

class Win32Drawing final : public Drawing {
public:
    GdiObject createPen(int style, int width, ColorRef color) override;
    GdiObject createSolidBrush(ColorRef color) override;
    GdiObject createFont(const FontSpec& spec) override;
    bool deleteObject(GdiObject object) override;
    GdiObject selectObject(DeviceContext dc, GdiObject object) override;
    int setBkMode(DeviceContext dc, int mode) override;
    ColorRef setTextColor(DeviceContext dc, ColorRef color) override;
    int drawText(DeviceContext dc, const wchar_t* text, int count, Rect& rect, std::uint32_t format) override;
    bool rectangle(DeviceContext dc, int left, int top, int right, int bottom) override;
    bool fillRect(DeviceContext dc, const Rect& rect, GdiObject brush) override;
    DeviceContext createCompatibleDC(DeviceContext dc) override;
    bool deleteDC(DeviceContext dc) override;
    GdiObject createCompatibleBitmap(DeviceContext dc, int width, int height) override;
    bool bitBlt(DeviceContext destination, int x, int y, int width, int height, DeviceContext source,
                int sourceX, int sourceY, std::uint32_t rop) override;
    bool setViewportOrg(DeviceContext dc, int x, int y, Point* previous) override;
    GdiObject createRoundRectRgn(int left, int top, int right, int bottom, int ellipseWidth,
                                 int ellipseHeight) override;
    bool setWindowRgn(WindowHandle window, GdiObject region, bool redraw) override;
    // The PAINTSTRUCT of each window between BeginPaint and EndPaint is kept here.
    DeviceContext beginPaint(WindowHandle window, Rect& paintRect) override;
    bool endPaint(WindowHandle window) override;
    bool invalidateRect(WindowHandle window, const Rect* rect, bool erase) override;
    std::int16_t keyState(int virtualKey) override;
    int systemMetric(int index) override;

private:
    struct PaintRecord; // PAINTSTRUCT, kept opaque so that this header needs no <windows.h>
    std::map<WindowHandle, std::shared_ptr<PaintRecord>> m_paints;
};

} // namespace platform::win32
