// The simulated drawing port: GDI objects and device contexts as records, every drawing call
// kept as an operation (rectangle in device coordinates, colours, text), window regions and
// the paint cycle on the simulated desktop's windows, and the key state and screen size the
// user model sets.
//
// Text metrics are fixed so that layouts can be computed by hand: every character is
// kCharWidth (20) pixels wide, and a line is |font height| * 8 / 7 pixels high (48 for the
// 42-pixel font; a device context without a font has one of height 16, so 18).
// Simulation.
#pragma once

#include "platform/Drawing.h"
#include "sim/SimDesktop.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace sim {

class SimDrawing final : public platform::Drawing {
public:
    static constexpr int kCharWidth = 20;
    static constexpr int kDefaultFontHeight = 16;
    static constexpr int kFullScreenWidth = 1024;
    static constexpr int kFullScreenHeight = 705;
    // Larger bitmaps cannot be made (out of memory).
    static constexpr long long kMaxBitmapPixels = 64LL * 1024 * 1024;

    static int lineHeight(int fontHeight) { return (fontHeight < 0 ? -fontHeight : fontHeight) * 8 / 7; }

    enum class OpKind { FillRect, Rectangle, Text, BitBlt };
    struct Op {
        OpKind kind = OpKind::FillRect;
        platform::DeviceContext dc = 0;
        bool memoryDc = false;
        platform::WindowHandle window = 0; // of a paint device context
        platform::Rect rect;               // in device coordinates
        platform::Point viewport;
        platform::ColorRef frame = 0; // pen colour (Rectangle)
        int penStyle = 0;
        int penWidth = 0;
        platform::ColorRef fill = 0; // brush colour (FillRect, Rectangle)
        platform::ColorRef textColor = 0;
        int bkMode = 0;
        std::wstring text;
        std::uint32_t format = 0;
        std::wstring fontFace;
        int fontHeight = 0;
        platform::DeviceContext source = 0; // BitBlt
    };

    explicit SimDrawing(SimDesktop& desktop);

    const std::vector<Op>& ops() const { return m_ops; }
    void clearOps() { m_ops.clear(); }
    // Calls that misused the objects: deleting a selected object, a DC left with objects.
    const std::vector<std::string>& misuses() const { return m_misuses; }
    // GDI objects and device contexts made and not yet deleted (stock objects not counted).
    std::size_t liveObjects() const;
    std::size_t liveDeviceContexts() const { return m_dcs.size(); }
    // Whether the window has been invalidated since its last paint.
    bool needsPaint(platform::WindowHandle window) const { return m_invalid.count(window) != 0; }
    int paintCount(platform::WindowHandle window) const;

    // The user model.
    void setKeyDown(int virtualKey, bool down);
    void setFullScreen(int width, int height);
    // Fault injection.
    void failRegions(bool fail) { m_failRegions = fail; }
    void failMemoryDcs(bool fail) { m_failMemoryDcs = fail; }

    platform::GdiObject createPen(int style, int width, platform::ColorRef color) override;
    platform::GdiObject createSolidBrush(platform::ColorRef color) override;
    platform::GdiObject createFont(const platform::FontSpec& spec) override;
    bool deleteObject(platform::GdiObject object) override;
    platform::GdiObject selectObject(platform::DeviceContext dc, platform::GdiObject object) override;
    int setBkMode(platform::DeviceContext dc, int mode) override;
    platform::ColorRef setTextColor(platform::DeviceContext dc, platform::ColorRef color) override;
    int drawText(platform::DeviceContext dc, const wchar_t* text, int count, platform::Rect& rect,
                 std::uint32_t format) override;
    bool rectangle(platform::DeviceContext dc, int left, int top, int right, int bottom) override;
    bool fillRect(platform::DeviceContext dc, const platform::Rect& rect, platform::GdiObject brush) override;
    platform::DeviceContext createCompatibleDC(platform::DeviceContext dc) override;
    bool deleteDC(platform::DeviceContext dc) override;
    platform::GdiObject createCompatibleBitmap(platform::DeviceContext dc, int width, int height) override;
    bool bitBlt(platform::DeviceContext destination, int x, int y, int width, int height,
                platform::DeviceContext source, int sourceX, int sourceY, std::uint32_t rop) override;
    bool setViewportOrg(platform::DeviceContext dc, int x, int y, platform::Point* previous) override;
    platform::GdiObject createRoundRectRgn(int left, int top, int right, int bottom, int ellipseWidth,
                                           int ellipseHeight) override;
    bool setWindowRgn(platform::WindowHandle window, platform::GdiObject region, bool redraw) override;
    platform::DeviceContext beginPaint(platform::WindowHandle window, platform::Rect& paintRect) override;
    bool endPaint(platform::WindowHandle window) override;
    bool invalidateRect(platform::WindowHandle window, const platform::Rect* rect, bool erase) override;
    std::int16_t keyState(int virtualKey) override;
    int systemMetric(int index) override;

private:
    enum class Kind { Pen, Brush, Font, Bitmap, Region };
    struct Object {
        Kind kind = Kind::Pen;
        bool stock = false;
        int style = 0;
        int width = 0;
        int height = 0;
        platform::ColorRef color = 0;
        std::wstring face;
        SimDesktop::RoundRegion region;
    };
    struct Dc {
        platform::WindowHandle window = 0;
        bool memory = false;
        platform::GdiObject pen = 0;
        platform::GdiObject brush = 0;
        platform::GdiObject font = 0;
        platform::GdiObject bitmap = 0;
        platform::ColorRef textColor = 0;
        int bkMode = platform::kBkOpaque;
        platform::Point viewport;
    };

    platform::GdiObject add(Object object);
    Dc* dcOf(platform::DeviceContext dc);
    const Object* objectOf(platform::GdiObject object) const;
    platform::DeviceContext newDc(Dc dc);
    bool selectedAnywhere(platform::GdiObject object) const;
    Op opFor(OpKind kind, platform::DeviceContext handle, const Dc& dc, const platform::Rect& logical) const;
    int fontHeightOf(const Dc& dc) const;

    SimDesktop& m_desktop;
    std::map<platform::GdiObject, Object> m_objects;
    std::map<platform::DeviceContext, Dc> m_dcs;
    std::map<platform::WindowHandle, platform::DeviceContext> m_paintDcs;
    std::map<platform::WindowHandle, int> m_paints;
    std::set<platform::WindowHandle> m_invalid;
    std::set<int> m_keysDown;
    std::vector<Op> m_ops;
    std::vector<std::string> m_misuses;
    platform::GdiObject m_nextObject = 0x2000;
    platform::DeviceContext m_nextDc = 0x9000;
    platform::GdiObject m_stockPen = 0;
    platform::GdiObject m_stockBrush = 0;
    platform::GdiObject m_stockFont = 0;
    platform::GdiObject m_stockBitmap = 0;
    int m_fullScreenWidth = kFullScreenWidth;
    int m_fullScreenHeight = kFullScreenHeight;
    bool m_failRegions = false;
    bool m_failMemoryDcs = false;
};

} // namespace sim
