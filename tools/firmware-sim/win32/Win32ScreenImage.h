// The screen as the user sees it, read back through GDI: the whole desktop as 32-bit pixels,
// a colour comparison with a tolerance, BMP files of what was seen (kept as test artifacts),
// and how an item of the control menu must look on it. Used by the firmware simulator's screen observer and
// by the menu's screen test. Win32 only.
#pragma once

#include "platform/Drawing.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace fwsim {

// How far a channel may be from the colour asked for: the screen's depth and blending.
inline constexpr int kScreenColourTolerance = 8;

struct ScreenImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels; // 0x00RRGGBB, top row first

    // The whole screen now.
    static ScreenImage capture();
    // A picture of `width` x `height` that `paint` draws into a 32-bit memory bitmap compatible
    // with the screen; empty when GDI refuses the bitmap.
    static ScreenImage painted(int width, int height,
                               const std::function<void(platform::DeviceContext)>& paint);

    // The pixel at (x, y); 0xFF000000 (no colour) off the image.
    std::uint32_t at(int x, int y) const;
    // Writes a 32-bit BMP; returns the file's full path, or empty when it could not be written.
    std::string save(const std::string& path) const;
};

// Whether a screen pixel (0x00RRGGBB) shows the GDI colour (0x00BBGGRR) within the tolerance.
bool looksLike(std::uint32_t pixel, platform::ColorRef colour, int tolerance = kScreenColourTolerance);
// "screen 0x123456, expected RGB 0x0E2B3E", for messages.
std::string colourMismatch(std::uint32_t pixel, platform::ColorRef colour);

// An item of the control menu as the screen must show it: its frame and its fill in the
// normal or the selected colours, and the menu's background beside it. `left` and `top` are
// the item's screen position. Empty when it looks so.
std::vector<std::string> menuItemFaults(const ScreenImage& shot, int left, int top, int width, int height,
                                        int index, bool selected);

} // namespace fwsim
