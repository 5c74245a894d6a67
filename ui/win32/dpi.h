// The display's scale. The layout tables are pixels at 96 dots per inch;
// both windows are laid out, and their fonts, lines and icons made, at the
// dots per inch of the monitor they are on (the executable declares itself
// aware of each monitor's scale), and again when they move to another.
//
// The functions that tell a window's scale came with Windows 10; on older
// systems the whole desktop has one scale, the system's.
#pragma once

#include <windows.h>

#include <algorithm>

namespace kavrel::win32 {

inline constexpr UINT BaseDpi = 96;

// `pixels` at 96 dpi in pixels at `dpi`, rounded to the nearest.
constexpr int Scaled(int pixels, UINT dpi) {
    const long long exact = static_cast<long long>(pixels) * dpi;
    return static_cast<int>(exact >= 0 ? (exact + BaseDpi / 2) / BaseDpi : -((-exact + BaseDpi / 2) / BaseDpi));
}

// A rectangle of the tables at `dpi`: its edges scaled, so that controls
// whose edges meet or line up at 96 dpi still do.
constexpr RECT ScaledRect(int left, int top, int width, int height, UINT dpi) {
    return RECT{Scaled(left, dpi), Scaled(top, dpi), Scaled(left + width, dpi), Scaled(top + height, dpi)};
}

// The width of a line that the program draws itself (the separator, the
// About window's frame): one pixel at 96 dpi, in whole pixels at any scale.
constexpr int LineWidth(UINT dpi) { return std::max(1, Scaled(1, dpi)); }

// The scale the whole desktop had when the program started.
UINT SystemDpi();

// The scale of the monitor `window` is on.
UINT DpiOf(HWND window);

// GetSystemMetrics at `dpi`.
int SystemMetric(int index, UINT dpi);

// AdjustWindowRectEx at `dpi`: the outer rectangle of a frame around `client`.
RECT FrameAround(const RECT& client, DWORD style, bool menu, UINT dpi);

// The program icon's image that is `size` pixels a side, or else the
// smallest larger one (the largest where none is as large): what is drawn
// at `size` is then never an enlarged smaller image.
HICON LoadProgramIcon(HINSTANCE instance, int size);

}  // namespace kavrel::win32
