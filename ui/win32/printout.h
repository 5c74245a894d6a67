// The printout of the main window on Win32: the client area as the user
// sees it, one page on the default printer, at once and without a print
// dialog.
#pragma once

#include "form/print.h"

#include <windows.h>

#include <string>

namespace kavrel::win32 {

// Margin kept from the top and left edges of the page, in inches; a printer
// that cannot print that close to the edge keeps its own.
constexpr double PageMarginInches = 0.5;

// Captures `window`'s client area from the window's own drawing (a copy of
// its device context, which holds the children as drawn) and prints it as
// one page named `title` on the default printer, PageMarginInches from the
// page's top-left corner, at its size on a screen of 96 dots per inch (100 %)
// whatever its monitor's scale: a larger scale only gives the page more of
// the window's pixels. Says what came of it.
PrintOutcome PrintClientImage(HWND window, const std::wstring& title);

}  // namespace kavrel::win32
