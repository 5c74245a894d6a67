// The yardstick of bench/startup_wine.py: a window with Kavrel.exe's main
// window's frame, menu bar, client size, icon and background, registered,
// centred, shown and run as Kavrel.exe's is, with nothing inside. Whatever
// Kavrel.exe's start-up costs beyond this one is the program's own.
#include "form/layout.h"
#include "ui/win32/gdi.h"

#include <windows.h>

namespace {

LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    using namespace kavrel;
    using namespace kavrel::win32;
    if (!RegisterWindowClass(instance, L"BareWindow", &Proc,
                             reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1))))
        return 1;
    HWND window = CreateCentredWindow(instance, L"BareWindow", "Bare window", KavrelWindow.clientWidth,
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
