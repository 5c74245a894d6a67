// The second yardstick of bench/startup_wine.py: the bare window with the
// main window's 25 standard controls, texts, fonts, colours, separator and
// icons, made by the code that makes Kavrel.exe's (ui/win32/boxes.h), at the
// monitor's scale, with no logic behind them: no settings read, no decode,
// no language steps. What Kavrel.exe's start-up costs beyond this one is its
// logic's.
#include "bench/yardstick_win32.h"
#include "form/layout.h"
#include "ui/win32/boxes.h"
#include "ui/win32/dpi.h"
#include "ui/win32/gdi.h"

#include <windows.h>

namespace {

using namespace kavrel;
using namespace kavrel::win32;

HINSTANCE instance;
Fonts fonts;
KavrelBoxes boxes;
WindowIcons icons;
UINT dpi = BaseDpi;

LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (LRESULT result; KavrelLookMessage(window, dpi, message, wParam, lParam, result)) return result;
    switch (message) {
    case WM_CREATE:
        dpi = DpiOf(window);
        boxes.Make(window, instance, fonts, dpi);
        icons.Show(window, instance, dpi);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE self, HINSTANCE, PWSTR, int) {
    instance = self;
    return RunYardstick(instance, L"ControlsWindow", "Controls window", &Proc);
}
