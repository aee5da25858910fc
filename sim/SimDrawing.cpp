// The simulated drawing port. Simulation.
#include "sim/SimDrawing.h"

#include "sim/SimThreads.h"

#include <cwchar>

namespace sim {

namespace {
constexpr platform::ColorRef kClrInvalid = 0xFFFFFFFF;
constexpr platform::ColorRef kBlack = 0x000000;
constexpr platform::ColorRef kWhite = 0xFFFFFF;
constexpr std::int16_t kKeyDownBit = static_cast<std::int16_t>(0x8000);

platform::Rect offset(const platform::Rect& r, const platform::Point& by) {
    return platform::Rect{r.left + by.x, r.top + by.y, r.right + by.x, r.bottom + by.y};
}
} // namespace

SimDrawing::SimDrawing(SimDesktop& desktop) : m_desktop(desktop) {
    Object pen{Kind::Pen, true, 0, 1, 0, kBlack, {}, {}};
    Object brush{Kind::Brush, true, 0, 0, 0, kWhite, {}, {}};
    Object font{Kind::Font, true, 0, 0, kDefaultFontHeight, 0, L"System", {}};
    Object bitmap{Kind::Bitmap, true, 0, 1, 1, 0, {}, {}};
    m_stockPen = add(pen);
    m_stockBrush = add(brush);
    m_stockFont = add(font);
    m_stockBitmap = add(bitmap);
}

std::size_t SimDrawing::liveObjects() const {
    std::size_t count = 0;
    for (const auto& [handle, object] : m_objects) {
        count += object.stock ? 0 : 1;
    }
    return count;
}

int SimDrawing::paintCount(platform::WindowHandle window) const {
    const auto it = m_paints.find(window);
    return it != m_paints.end() ? it->second : 0;
}

void SimDrawing::setKeyDown(int virtualKey, bool down) {
    if (down) {
        m_keysDown.insert(virtualKey);
    } else {
        m_keysDown.erase(virtualKey);
    }
}

void SimDrawing::setFullScreen(int width, int height) {
    m_fullScreenWidth = width;
    m_fullScreenHeight = height;
}

platform::GdiObject SimDrawing::add(Object object) {
    const platform::GdiObject handle = m_nextObject;
    m_nextObject += 4;
    m_objects.emplace(handle, std::move(object));
    return handle;
}

const SimDrawing::Object* SimDrawing::objectOf(platform::GdiObject object) const {
    const auto it = m_objects.find(object);
    return it != m_objects.end() ? &it->second : nullptr;
}

SimDrawing::Dc* SimDrawing::dcOf(platform::DeviceContext dc) {
    const auto it = m_dcs.find(dc);
    return it != m_dcs.end() ? &it->second : nullptr;
}

platform::DeviceContext SimDrawing::newDc(Dc dc) {
    dc.pen = m_stockPen;
    dc.brush = m_stockBrush;
    dc.font = m_stockFont;
    dc.bitmap = dc.memory ? m_stockBitmap : 0;
    const platform::DeviceContext handle = m_nextDc;
    m_nextDc += 4;
    m_dcs.emplace(handle, dc);
    return handle;
}

bool SimDrawing::selectedAnywhere(platform::GdiObject object) const {
    for (const auto& [handle, dc] : m_dcs) {
        if (dc.pen == object || dc.brush == object || dc.font == object || dc.bitmap == object) {
            return true;
        }
    }
    return false;
}

int SimDrawing::fontHeightOf(const Dc& dc) const {
    const Object* font = objectOf(dc.font);
    return font != nullptr ? (font->height != 0 ? font->height : kDefaultFontHeight) : kDefaultFontHeight;
}

platform::GdiObject SimDrawing::createPen(int style, int width, platform::ColorRef color) {
    return add(Object{Kind::Pen, false, style, width, 0, color, {}, {}});
}

platform::GdiObject SimDrawing::createSolidBrush(platform::ColorRef color) {
    return add(Object{Kind::Brush, false, 0, 0, 0, color, {}, {}});
}

platform::GdiObject SimDrawing::createFont(const platform::FontSpec& spec) {
    return add(Object{Kind::Font, false, 0, 0, spec.height, 0, spec.face != nullptr ? spec.face : L"", {}});
}

bool SimDrawing::deleteObject(platform::GdiObject object) {
    const auto it = m_objects.find(object);
    if (it == m_objects.end()) {
        return false;
    }
    if (it->second.stock) {
        return true;
    }
    if (selectedAnywhere(object)) {
        m_misuses.push_back("DeleteObject of an object selected into a device context");
        return false;
    }
    m_objects.erase(it);
    return true;
}

platform::GdiObject SimDrawing::selectObject(platform::DeviceContext handle, platform::GdiObject object) {
    Dc* dc = dcOf(handle);
    const Object* selected = objectOf(object);
    if (dc == nullptr || selected == nullptr) {
        return 0;
    }
    platform::GdiObject* slot = nullptr;
    switch (selected->kind) {
    case Kind::Pen:
        slot = &dc->pen;
        break;
    case Kind::Brush:
        slot = &dc->brush;
        break;
    case Kind::Font:
        slot = &dc->font;
        break;
    case Kind::Bitmap:
        if (!dc->memory || (!selected->stock && selectedAnywhere(object) && dc->bitmap != object)) {
            return 0; // a bitmap goes into one memory device context at a time
        }
        slot = &dc->bitmap;
        break;
    case Kind::Region:
        return 0; // clipping regions are not modelled
    }
    const platform::GdiObject previous = *slot;
    *slot = object;
    return previous;
}

int SimDrawing::setBkMode(platform::DeviceContext handle, int mode) {
    Dc* dc = dcOf(handle);
    if (dc == nullptr || (mode != platform::kBkTransparent && mode != platform::kBkOpaque)) {
        return 0;
    }
    const int previous = dc->bkMode;
    dc->bkMode = mode;
    return previous;
}

platform::ColorRef SimDrawing::setTextColor(platform::DeviceContext handle, platform::ColorRef color) {
    Dc* dc = dcOf(handle);
    if (dc == nullptr) {
        return kClrInvalid;
    }
    const platform::ColorRef previous = dc->textColor;
    dc->textColor = color;
    return previous;
}

SimDrawing::Op SimDrawing::opFor(OpKind kind, platform::DeviceContext handle, const Dc& dc,
                                 const platform::Rect& logical) const {
    Op op;
    op.kind = kind;
    op.dc = handle;
    op.memoryDc = dc.memory;
    op.window = dc.window;
    op.rect = offset(logical, dc.viewport);
    op.viewport = dc.viewport;
    if (const Object* pen = objectOf(dc.pen)) {
        op.frame = pen->color;
        op.penStyle = pen->style;
        op.penWidth = pen->width;
    }
    if (const Object* brush = objectOf(dc.brush)) {
        op.fill = brush->color;
    }
    if (const Object* font = objectOf(dc.font)) {
        op.fontFace = font->face;
        op.fontHeight = font->height;
    }
    op.textColor = dc.textColor;
    op.bkMode = dc.bkMode;
    return op;
}

int SimDrawing::drawText(platform::DeviceContext handle, const wchar_t* text, int count, platform::Rect& rect,
                         std::uint32_t format) {
    Dc* dc = dcOf(handle);
    if (dc == nullptr || text == nullptr || count < -1) {
        return 0;
    }
    const std::size_t length = count == -1 ? std::wcslen(text) : static_cast<std::size_t>(count);
    const int height = lineHeight(fontHeightOf(*dc));
    if ((format & platform::dt::kCalcRect) != 0) {
        const long long width = static_cast<long long>(length) * kCharWidth;
        rect.right = static_cast<int>(std::min<long long>(rect.left + width, 0x7FFFFFFF));
        rect.bottom = rect.top + height;
        return length == 0 ? 0 : height;
    }
    Op op = opFor(OpKind::Text, handle, *dc, rect);
    op.text.assign(text, length);
    op.format = format;
    m_ops.push_back(std::move(op));
    return height;
}

bool SimDrawing::rectangle(platform::DeviceContext handle, int left, int top, int right, int bottom) {
    Dc* dc = dcOf(handle);
    if (dc == nullptr) {
        return false;
    }
    m_ops.push_back(opFor(OpKind::Rectangle, handle, *dc, platform::Rect{left, top, right, bottom}));
    return true;
}

bool SimDrawing::fillRect(platform::DeviceContext handle, const platform::Rect& rect,
                          platform::GdiObject brush) {
    Dc* dc = dcOf(handle);
    const Object* fill = objectOf(brush);
    if (dc == nullptr || fill == nullptr || fill->kind != Kind::Brush) {
        return false;
    }
    Op op = opFor(OpKind::FillRect, handle, *dc, rect);
    op.fill = fill->color;
    m_ops.push_back(std::move(op));
    return true;
}

platform::DeviceContext SimDrawing::createCompatibleDC(platform::DeviceContext dc) {
    if (m_failMemoryDcs || (dc != 0 && dcOf(dc) == nullptr)) {
        return 0;
    }
    Dc memory;
    memory.memory = true;
    return newDc(memory);
}

bool SimDrawing::deleteDC(platform::DeviceContext handle) {
    const auto it = m_dcs.find(handle);
    if (it == m_dcs.end() || !it->second.memory) {
        return false; // a paint device context is released by EndPaint
    }
    m_dcs.erase(it);
    return true;
}

platform::GdiObject SimDrawing::createCompatibleBitmap(platform::DeviceContext dc, int width, int height) {
    if (dcOf(dc) == nullptr || width < 0 || height < 0) {
        return 0;
    }
    if (static_cast<long long>(width) * height > kMaxBitmapPixels) {
        setLastError(platform::error::kNotEnoughMemory);
        return 0;
    }
    if (width == 0 || height == 0) {
        width = 1; // a zero size gives a 1 x 1 bitmap
        height = 1;
    }
    return add(Object{Kind::Bitmap, false, 0, width, height, 0, {}, {}});
}

bool SimDrawing::bitBlt(platform::DeviceContext destination, int x, int y, int width, int height,
                        platform::DeviceContext source, int sourceX, int sourceY, std::uint32_t rop) {
    Dc* to = dcOf(destination);
    Dc* from = dcOf(source);
    if (to == nullptr || from == nullptr) {
        return false;
    }
    Op op = opFor(OpKind::BitBlt, destination, *to, platform::Rect{x, y, x + width, y + height});
    op.source = source;
    op.format = rop;
    (void)sourceX;
    (void)sourceY;
    m_ops.push_back(std::move(op));
    return true;
}

bool SimDrawing::setViewportOrg(platform::DeviceContext handle, int x, int y, platform::Point* previous) {
    Dc* dc = dcOf(handle);
    if (dc == nullptr) {
        return false;
    }
    if (previous != nullptr) {
        *previous = dc->viewport;
    }
    dc->viewport = platform::Point{x, y};
    return true;
}

platform::GdiObject SimDrawing::createRoundRectRgn(int left, int top, int right, int bottom, int ellipseWidth,
                                                   int ellipseHeight) {
    if (m_failRegions) {
        return 0;
    }
    Object region{
        Kind::Region, false, 0, 0, 0, 0, {}, {left, top, right, bottom, ellipseWidth, ellipseHeight}};
    return add(region);
}

bool SimDrawing::setWindowRgn(platform::WindowHandle window, platform::GdiObject region, bool) {
    SimDesktop::Placement* info = m_desktop.mutablePlacement(window);
    if (info == nullptr) {
        setLastError(platform::error::kInvalidWindowHandle);
        return false;
    }
    if (region == 0) {
        info->region.reset();
        return true;
    }
    const auto it = m_objects.find(region);
    if (it == m_objects.end() || it->second.kind != Kind::Region) {
        setLastError(platform::error::kInvalidParameter);
        return false;
    }
    info->region = it->second.region;
    m_objects.erase(it); // the system owns it now
    return true;
}

platform::DeviceContext SimDrawing::beginPaint(platform::WindowHandle window, platform::Rect& paintRect) {
    const SimDesktop::Placement* info = m_desktop.placement(window);
    if (info == nullptr || m_paintDcs.count(window) != 0) {
        return 0;
    }
    Dc dc;
    dc.window = window;
    const platform::DeviceContext handle = newDc(dc);
    m_paintDcs[window] = handle;
    m_invalid.erase(window);
    ++m_paints[window];
    paintRect = platform::Rect{0, 0, info->width, info->height};
    return handle;
}

bool SimDrawing::endPaint(platform::WindowHandle window) {
    const auto it = m_paintDcs.find(window);
    if (it == m_paintDcs.end()) {
        return false;
    }
    const Dc* dc = dcOf(it->second);
    if (dc != nullptr && (dc->pen != m_stockPen || dc->brush != m_stockBrush || dc->font != m_stockFont)) {
        m_misuses.push_back("EndPaint with objects still selected");
    }
    m_dcs.erase(it->second);
    m_paintDcs.erase(it);
    return true;
}

bool SimDrawing::invalidateRect(platform::WindowHandle window, const platform::Rect*, bool) {
    if (!m_desktop.isWindow(window)) {
        setLastError(platform::error::kInvalidWindowHandle);
        return false;
    }
    m_invalid.insert(window);
    return true;
}

std::int16_t SimDrawing::keyState(int virtualKey) {
    return m_keysDown.count(virtualKey) != 0 ? kKeyDownBit : 0;
}

int SimDrawing::systemMetric(int index) {
    switch (index) {
    case platform::kSmCxFullScreen:
        return m_fullScreenWidth;
    case platform::kSmCyFullScreen:
        return m_fullScreenHeight;
    default:
        return 0;
    }
}

} // namespace sim
