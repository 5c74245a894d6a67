// The yardstick of bench/startup_wine.py: a window with Kavrel.exe's main
// window's frame, menu bar, client size, icon and background, registered,
// centred, shown and run as Kavrel.exe's is, with nothing inside. Whatever
// Kavrel.exe's start-up costs beyond this one is the program's own.
#include "form/layout.h"
#include "platform/ansi.h"
#include "ui/win32/gdi.h"
#include "ui/win32/ids.h"
#include "ui/win32/kavrel.h"

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
    WNDCLASSEXW type{};
    type.cbSize = sizeof type;
    type.lpfnWndProc = &Proc;
    type.hInstance = instance;
    type.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IconId));
    type.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IconId), IMAGE_ICON,
                                                 GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                                 LR_SHARED));
    type.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    type.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    type.lpszClassName = L"BareWindow";
    if (!RegisterClassExW(&type)) return 1;
    HMENU bar = CreateMenu();
    for (std::size_t i = 0; i < KavrelMenu.size(); ++i)
        AppendMenuW(bar, MF_STRING, static_cast<UINT_PTR>(MenuId(i)), WideFromUtf8(KavrelMenu[i].caption).c_str());
    const RECT frame = CentredFrame(KavrelWindow.clientWidth, KavrelWindow.clientHeight, Kavrel::Style, 0, true);
    HWND window = CreateWindowExW(0, L"BareWindow", L"Bare window", Kavrel::Style, frame.left, frame.top,
                                  frame.right - frame.left, frame.bottom - frame.top, nullptr, bar, instance, nullptr);
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
