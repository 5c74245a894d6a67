// The yardstick of bench/startup_wine.py: a window with Kavrel.exe's main
// window's frame, menu bar, client size, icon and background, registered,
// centred, shown and run as Kavrel.exe's is, with nothing inside. Whatever
// Kavrel.exe's start-up costs beyond this one is the program's own.
#include "bench/yardstick_win32.h"

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
    return kavrel::win32::RunYardstick(instance, L"BareWindow", "Bare window", &Proc);
}
