// The screen read back through GDI. Win32 only.
#include "tools/firmware-sim/win32/Win32ScreenImage.h"

#include "controller/menu/QuickMenu.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace fwsim {

ScreenImage ScreenImage::capture() {
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    return painted(width, height, [width, height](platform::DeviceContext dc) {
        HDC screen = GetDC(nullptr);
        if (screen != nullptr) {
            BitBlt(reinterpret_cast<HDC>(dc), 0, 0, width, height, screen, 0, 0, SRCCOPY);
            ReleaseDC(nullptr, screen);
        }
    });
}

ScreenImage ScreenImage::painted(int width, int height,
                                 const std::function<void(platform::DeviceContext)>& paint) {
    ScreenImage shot;
    if (width <= 0 || height <= 0) {
        return shot;
    }
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) {
        return shot;
    }
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap =
        memory != nullptr ? CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    if (bitmap != nullptr && bits != nullptr) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        paint(reinterpret_cast<platform::DeviceContext>(memory));
        GdiFlush();
        const auto* p = static_cast<const std::uint32_t*>(bits);
        shot.width = width;
        shot.height = height;
        shot.pixels.assign(p, p + static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
        for (std::uint32_t& pixel : shot.pixels) {
            pixel &= 0xFFFFFF;
        }
        SelectObject(memory, old);
    }
    if (bitmap != nullptr) {
        DeleteObject(bitmap);
    }
    if (memory != nullptr) {
        DeleteDC(memory);
    }
    ReleaseDC(nullptr, screen);
    return shot;
}

std::uint32_t ScreenImage::at(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) {
        return 0xFF000000;
    }
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)] &
           0xFFFFFF;
}

std::string ScreenImage::save(const std::string& path) const {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return {};
    }
    const DWORD imageBytes = static_cast<DWORD>(pixels.size() * 4);
    BITMAPFILEHEADER header{};
    BITMAPINFOHEADER info{};
    header.bfType = 0x4D42;
    header.bfOffBits = sizeof(header) + sizeof(info);
    header.bfSize = header.bfOffBits + imageBytes;
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = -height;
    info.biPlanes = 1;
    info.biBitCount = 32;
    info.biCompression = BI_RGB;
    const bool written = std::fwrite(&header, sizeof(header), 1, file) == 1 &&
                         std::fwrite(&info, sizeof(info), 1, file) == 1 &&
                         std::fwrite(pixels.data(), 4, pixels.size(), file) == pixels.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        return {};
    }
    char full[MAX_PATH] = {};
    return GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr) != 0 ? std::string(full) : path;
}

bool looksLike(std::uint32_t pixel, platform::ColorRef colour, int tolerance) {
    if ((pixel & 0xFF000000) != 0) {
        return false;
    }
    const int r = static_cast<int>((pixel >> 16) & 0xFF) - platform::redOf(colour);
    const int g = static_cast<int>((pixel >> 8) & 0xFF) - platform::greenOf(colour);
    const int b = static_cast<int>(pixel & 0xFF) - platform::blueOf(colour);
    return std::abs(r) <= tolerance && std::abs(g) <= tolerance && std::abs(b) <= tolerance;
}

std::string colourMismatch(std::uint32_t pixel, platform::ColorRef colour) {
    char text[80];
    std::snprintf(text, sizeof(text), "screen 0x%06X, expected RGB 0x%02X%02X%02X",
                  static_cast<unsigned>(pixel), platform::redOf(colour), platform::greenOf(colour),
                  platform::blueOf(colour));
    return text;
}

std::vector<std::string> menuItemFaults(const ScreenImage& shot, int left, int top, int width, int height,
                                        int index, bool selected) {
    const platform::ColorRef frame = selected ? QuickMenu::kSelectedFrameColor : QuickMenu::kNormalFrameColor;
    const platform::ColorRef fill = selected ? QuickMenu::kSelectedFillColor : QuickMenu::kNormalFillColor;
    struct Probe {
        int x, y;
        platform::ColorRef colour;
        const char* what;
    };
    const Probe probes[] = {
        {left, top + height / 2, frame, "left frame"},
        {left + width - 1, top + height / 2, frame, "right frame"},
        {left + width / 2, top, frame, "top frame"},
        {left + width / 2, top + height - 1, frame, "bottom frame"},
        {left + 3, top + 3, fill, "fill"},
        {left - 2, top + height / 2, QuickMenu::kNormalFillColor, "background beside"},
    };
    std::vector<std::string> faults;
    for (const Probe& probe : probes) {
        const std::uint32_t pixel = shot.at(probe.x, probe.y);
        if (!looksLike(pixel, probe.colour)) {
            faults.push_back("item " + std::to_string(index) + (selected ? " (selected) " : " ") +
                             probe.what + ": " + colourMismatch(pixel, probe.colour));
        }
    }
    return faults;
}

} // namespace fwsim
