// Drawing port over gdi32 and user32. Win32 only.
#include "platform/win32/Win32Drawing.h"

#include "platform/win32/Win32Handles.h"

namespace platform::win32 {

namespace {
HDC toHdc(DeviceContext dc) {
    return reinterpret_cast<HDC>(dc);
}
DeviceContext fromHdc(HDC dc) {
    return reinterpret_cast<DeviceContext>(dc);
}
HGDIOBJ toObject(GdiObject object) {
    return reinterpret_cast<HGDIOBJ>(object);
}
GdiObject fromObject(HGDIOBJ object) {
    return reinterpret_cast<GdiObject>(object);
}
RECT toRect(const Rect& r) {
    return RECT{r.left, r.top, r.right, r.bottom};
}
Rect fromRect(const RECT& r) {
    return Rect{r.left, r.top, r.right, r.bottom};
}
} // namespace

struct Win32Drawing::PaintRecord {
    PAINTSTRUCT paint{};
};

GdiObject Win32Drawing::createPen(int style, int width, ColorRef color) {
    return fromObject(CreatePen(style, width, color));
}

GdiObject Win32Drawing::createSolidBrush(ColorRef color) {
    return fromObject(CreateSolidBrush(color));
}

GdiObject Win32Drawing::createFont(const FontSpec& spec) {
    return fromObject(CreateFontW(spec.height, 0, 0, 0, spec.weight, spec.italic, spec.underline,
                                  spec.strikeOut, spec.charSet, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                  spec.quality, DEFAULT_PITCH | FF_DONTCARE,
                                  spec.face != nullptr ? spec.face : L""));
}

bool Win32Drawing::deleteObject(GdiObject object) {
    return DeleteObject(toObject(object)) != FALSE;
}

GdiObject Win32Drawing::selectObject(DeviceContext dc, GdiObject object) {
    HGDIOBJ previous = SelectObject(toHdc(dc), toObject(object));
    return previous == HGDI_ERROR ? 0 : fromObject(previous);
}

int Win32Drawing::setBkMode(DeviceContext dc, int mode) {
    return SetBkMode(toHdc(dc), mode);
}

ColorRef Win32Drawing::setTextColor(DeviceContext dc, ColorRef color) {
    return SetTextColor(toHdc(dc), color);
}

int Win32Drawing::drawText(DeviceContext dc, const wchar_t* text, int count, Rect& rect,
                           std::uint32_t format) {
    if (text == nullptr) {
        return 0;
    }
    RECT r = toRect(rect);
    const int height = DrawTextW(toHdc(dc), text, count, &r, format);
    if ((format & DT_CALCRECT) != 0) {
        rect = fromRect(r);
    }
    return height;
}

bool Win32Drawing::rectangle(DeviceContext dc, int left, int top, int right, int bottom) {
    return Rectangle(toHdc(dc), left, top, right, bottom) != FALSE;
}

bool Win32Drawing::fillRect(DeviceContext dc, const Rect& rect, GdiObject brush) {
    const RECT r = toRect(rect);
    return FillRect(toHdc(dc), &r, static_cast<HBRUSH>(toObject(brush))) != 0;
}

DeviceContext Win32Drawing::createCompatibleDC(DeviceContext dc) {
    return fromHdc(CreateCompatibleDC(toHdc(dc)));
}

bool Win32Drawing::deleteDC(DeviceContext dc) {
    return DeleteDC(toHdc(dc)) != FALSE;
}

GdiObject Win32Drawing::createCompatibleBitmap(DeviceContext dc, int width, int height) {
    return fromObject(CreateCompatibleBitmap(toHdc(dc), width, height));
}

bool Win32Drawing::bitBlt(DeviceContext destination, int x, int y, int width, int height,
                          DeviceContext source, int sourceX, int sourceY, std::uint32_t rop) {
    return BitBlt(toHdc(destination), x, y, width, height, toHdc(source), sourceX, sourceY, rop) != FALSE;
}

bool Win32Drawing::setViewportOrg(DeviceContext dc, int x, int y, Point* previous) {
    POINT old{};
    if (SetViewportOrgEx(toHdc(dc), x, y, &old) == FALSE) {
        return false;
    }
    if (previous != nullptr) {
        *previous = Point{old.x, old.y};
    }
    return true;
}

GdiObject Win32Drawing::createRoundRectRgn(int left, int top, int right, int bottom, int ellipseWidth,
                                           int ellipseHeight) {
    return fromObject(CreateRoundRectRgn(left, top, right, bottom, ellipseWidth, ellipseHeight));
}

bool Win32Drawing::setWindowRgn(WindowHandle window, GdiObject region, bool redraw) {
    return SetWindowRgn(toHwnd(window), static_cast<HRGN>(toObject(region)), redraw ? TRUE : FALSE) != 0;
}

DeviceContext Win32Drawing::beginPaint(WindowHandle window, Rect& paintRect) {
    if (m_paints.count(window) != 0) {
        return 0; // one paint cycle per window at a time
    }
    auto record = std::make_shared<PaintRecord>();
    HDC dc = BeginPaint(toHwnd(window), &record->paint);
    if (dc == nullptr) {
        return 0;
    }
    paintRect = fromRect(record->paint.rcPaint);
    m_paints.emplace(window, std::move(record));
    return fromHdc(dc);
}

bool Win32Drawing::endPaint(WindowHandle window) {
    const auto it = m_paints.find(window);
    if (it == m_paints.end()) {
        return false;
    }
    const bool ended = EndPaint(toHwnd(window), &it->second->paint) != FALSE;
    m_paints.erase(it);
    return ended;
}

bool Win32Drawing::invalidateRect(WindowHandle window, const Rect* rect, bool erase) {
    if (window == 0) {
        return false; // never every window at once
    }
    RECT r{};
    if (rect != nullptr) {
        r = toRect(*rect);
    }
    return InvalidateRect(toHwnd(window), rect != nullptr ? &r : nullptr, erase ? TRUE : FALSE) != FALSE;
}

std::int16_t Win32Drawing::keyState(int virtualKey) {
    return static_cast<std::int16_t>(GetKeyState(virtualKey));
}

int Win32Drawing::systemMetric(int index) {
    return GetSystemMetrics(index);
}

} // namespace platform::win32
