// What outside programs may rely on to find the windows and their parts:
// the window class names and the ids of the controls and menu items. The
// end-to-end test driver uses the same header.
#pragma once

#include "form/layout.h"

#include <cstddef>

namespace kavrel::win32 {

// Each window's class is named after its form: "Kavrel" and "About".
inline constexpr const wchar_t* KavrelClass = L"Kavrel";
inline constexpr const wchar_t* AboutClass = L"About";

// A control's id is its row's place in its window's table, counted from
// here; a menu item's id its place in the menu bar, counted from here. Both
// stay clear of IDOK and IDCANCEL, which Enter and Escape send.
inline constexpr int FirstControlId = 100;
inline constexpr int FirstMenuId = 200;

constexpr int IdOf(Control box) { return FirstControlId + static_cast<int>(box); }
constexpr int IdOf(AboutControl box) { return FirstControlId + static_cast<int>(box); }
constexpr int MenuId(std::size_t item) { return FirstMenuId + static_cast<int>(item); }

// The program icon's resource id in the executable.
inline constexpr int IconId = 1;

}  // namespace kavrel::win32
