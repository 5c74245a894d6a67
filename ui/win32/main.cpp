// Kavrel.exe: the main window, shown once its load has run; the program
// ends when it closes.
#include "ui/win32/gdi.h"
#include "ui/win32/kavrel.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    using namespace kavrel::win32;
    if (!Kavrel::Register(instance)) return 1;
    Fonts fonts;
    Kavrel kavrel(instance, fonts);
    if (!kavrel.window()) return 1;
    kavrel.Show();
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (kavrel.DialogKeys(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
