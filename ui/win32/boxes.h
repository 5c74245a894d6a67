// The main window's look without its logic: the 25 standard controls made,
// laid out at a scale and coloured from the layout table, and the engraved
// separator. Kavrel builds its window from them, and so does the start-up
// yardstick of bench/startup_wine.py, which has nothing behind them.
#pragma once

#include "form/layout.h"
#include "ui/win32/gdi.h"

#include <windows.h>

#include <array>

namespace kavrel::win32 {

class KavrelBoxes {
public:
    // Makes the controls in `window`, in table order, which is the tab
    // order, laid out at `dpi`, with the texts the window is built with.
    void Make(HWND window, HINSTANCE instance, Fonts& fonts, UINT dpi);

    // Every control placed and given its font at `dpi`.
    void LayOut(Fonts& fonts, UINT dpi);

    HWND operator[](Control id) const { return controls_[static_cast<std::size_t>(id)]; }

private:
    std::array<HWND, ControlCount> controls_{};
};

// WM_CTLCOLOREDIT and WM_CTLCOLORSTATIC for a control of the main window:
// its colours set in `dc` and the brush of its look; null for the language
// list and for controls of no look of the table.
HBRUSH KavrelBoxColours(HDC dc, HWND control);

// WM_PAINT of the main window: the engraved separator under the menu bar,
// across the client area, its lines in whole pixels at `dpi`.
void PaintSeparator(HWND window, UINT dpi);

}  // namespace kavrel::win32
