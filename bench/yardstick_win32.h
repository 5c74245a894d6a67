// What the Win32 yardsticks of bench/startup_wine.py share: a window with
// Kavrel.exe's main window's background, frame, menu bar, client size and
// icon, registered, centred, shown and run as Kavrel.exe's is, its messages
// handled by `proc`. Returns the program's exit status.
#pragma once

#include "form/layout.h"
#include "ui/win32/gdi.h"

#include <windows.h>

#include <string_view>

namespace kavrel::win32 {

inline int RunYardstick(HINSTANCE instance, const wchar_t* windowClass, std::string_view title, WNDPROC proc) {
    if (!RegisterWindowClass(instance, windowClass, proc,
                             reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1))))
        return 1;
    HWND window = CreateCentredWindow(instance, windowClass, title, KavrelWindow.clientWidth,
                                      KavrelWindow.clientHeight, KavrelMenuBar(), nullptr);
    if (!window) return 1;
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

}  // namespace kavrel::win32
