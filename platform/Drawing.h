// Drawing port: the GDI calls the control menu paints with (pens, brushes, fonts, text,
// rectangles, memory device contexts and bitmaps, window regions, viewport origins), the paint
// cycle of a window, and the two questions the menu asks the system (key state, screen size).
// Semantics follow gdi32 and user32.
// Portable.
#pragma once

#include "platform/Port.h"
#include "platform/Types.h"

#include <cstdint>

namespace platform {

using DeviceContext = std::uintptr_t; // HDC; 0: none
using GdiObject = std::uintptr_t;     // HPEN, HBRUSH, HFONT, HBITMAP or HRGN; 0: none
using ColorRef = std::uint32_t;       // COLORREF: 0x00BBGGRR

constexpr ColorRef rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return static_cast<ColorRef>(r) | (static_cast<ColorRef>(g) << 8) | (static_cast<ColorRef>(b) << 16);
}
constexpr std::uint8_t redOf(ColorRef c) {
    return static_cast<std::uint8_t>(c & 0xFF);
}
constexpr std::uint8_t greenOf(ColorRef c) {
    return static_cast<std::uint8_t>((c >> 8) & 0xFF);
}
constexpr std::uint8_t blueOf(ColorRef c) {
    return static_cast<std::uint8_t>((c >> 16) & 0xFF);
}

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    constexpr int width() const { return right - left; }
    constexpr int height() const { return bottom - top; }
    friend constexpr bool operator==(const Rect&, const Rect&) = default;
};

struct Point {
    int x = 0;
    int y = 0;
    friend constexpr bool operator==(const Point&, const Point&) = default;
};

// CreateFontW arguments the menu sets; the rest are 0 (default width, escapement, orientation,
// output and clip precision, pitch and family).
struct FontSpec {
    const wchar_t* face = L"";
    int height = 0;
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    std::uint8_t charSet = 0;
    std::uint8_t quality = 0;
};

// Pen styles, background modes, raster operations.
inline constexpr int kPsInsideFrame = 6;
inline constexpr int kBkTransparent = 1;
inline constexpr int kBkOpaque = 2;
inline constexpr std::uint32_t kSrcCopy = 0x00CC0020;
inline constexpr std::uint8_t kClearTypeQuality = 5;

// DrawTextW format bits.
namespace dt {
inline constexpr std::uint32_t kCenter = 0x1;
inline constexpr std::uint32_t kVCenter = 0x4;
inline constexpr std::uint32_t kSingleLine = 0x20;
inline constexpr std::uint32_t kCalcRect = 0x400;
} // namespace dt

// GetSystemMetrics indices.
inline constexpr int kSmCxFullScreen = 16;
inline constexpr int kSmCyFullScreen = 17;

// Virtual keys the menu tests with GetKeyState.
namespace vk {
inline constexpr int kLButton = 0x01;
inline constexpr int kRButton = 0x02;
inline constexpr int kReturn = 0x0D;
inline constexpr int kShift = 0x10;
inline constexpr int kControl = 0x11;
inline constexpr int kMenu = 0x12;
inline constexpr int kEscape = 0x1B;
inline constexpr int kSpace = 0x20;
inline constexpr int kLeft = 0x25;
inline constexpr int kUp = 0x26;
inline constexpr int kRight = 0x27;
inline constexpr int kDown = 0x28;
} // namespace vk

class Drawing : public Port {
public:
    // CreatePen, CreateSolidBrush, CreateFontW: 0 on failure.
    virtual GdiObject createPen(int style, int width, ColorRef color) = 0;
    virtual GdiObject createSolidBrush(ColorRef color) = 0;
    virtual GdiObject createFont(const FontSpec& spec) = 0;
    // DeleteObject: false for an unknown object or one selected into a device context.
    virtual bool deleteObject(GdiObject object) = 0;
    // SelectObject for pens, brushes, fonts and bitmaps: the previously selected object of that
    // kind, 0 on failure.
    virtual GdiObject selectObject(DeviceContext dc, GdiObject object) = 0;
    // SetBkMode and SetTextColor: the previous value; 0 (SetTextColor: CLR_INVALID) on failure.
    virtual int setBkMode(DeviceContext dc, int mode) = 0;
    virtual ColorRef setTextColor(DeviceContext dc, ColorRef color) = 0;
    // DrawTextW with the selected font; count -1 for a terminated text. With dt::kCalcRect it
    // only measures, widening or narrowing `rect` to the text. Returns the text height, 0 on
    // failure.
    virtual int drawText(DeviceContext dc, const wchar_t* text, int count, Rect& rect,
                         std::uint32_t format) = 0;
    // Rectangle with the selected pen (frame) and brush (fill), in logical coordinates.
    virtual bool rectangle(DeviceContext dc, int left, int top, int right, int bottom) = 0;
    // FillRect with a brush, in logical coordinates.
    virtual bool fillRect(DeviceContext dc, const Rect& rect, GdiObject brush) = 0;
    // CreateCompatibleDC, DeleteDC, CreateCompatibleBitmap.
    virtual DeviceContext createCompatibleDC(DeviceContext dc) = 0;
    virtual bool deleteDC(DeviceContext dc) = 0;
    virtual GdiObject createCompatibleBitmap(DeviceContext dc, int width, int height) = 0;
    // BitBlt.
    virtual bool bitBlt(DeviceContext destination, int x, int y, int width, int height, DeviceContext source,
                        int sourceX, int sourceY, std::uint32_t rop) = 0;
    // SetViewportOrgEx: the previous origin in `previous` when given.
    virtual bool setViewportOrg(DeviceContext dc, int x, int y, Point* previous) = 0;

    // CreateRoundRectRgn; SetWindowRgn, which on success owns the region (the caller must not
    // delete it) and on failure leaves it to the caller.
    virtual GdiObject createRoundRectRgn(int left, int top, int right, int bottom, int ellipseWidth,
                                         int ellipseHeight) = 0;
    virtual bool setWindowRgn(WindowHandle window, GdiObject region, bool redraw) = 0;

    // BeginPaint/EndPaint: the window's paint device context (0 on failure) and the rectangle to
    // repaint; InvalidateRect of the whole client area when `rect` is null.
    virtual DeviceContext beginPaint(WindowHandle window, Rect& paintRect) = 0;
    virtual bool endPaint(WindowHandle window) = 0;
    virtual bool invalidateRect(WindowHandle window, const Rect* rect, bool erase) = 0;

    // GetKeyState: high bit set while the key is down.
    virtual std::int16_t keyState(int virtualKey) = 0;
    // GetSystemMetrics.
    virtual int systemMetric(int index) = 0;
};

} // namespace platform
