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

// The messages by which the main window `window`, at `dpi`, draws its look:
// WM_CTLCOLOREDIT and WM_CTLCOLORSTATIC (a control's colours and the brush
// of its look; the language list keeps the system's) and WM_PAINT (the
// engraved separator under the menu bar, its lines in whole pixels). True
// when `message` was answered so, with the window procedure's answer in
// `result`.
bool KavrelLookMessage(HWND window, UINT dpi, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

}  // namespace kavrel::win32
