#include "ui/win32/gdi.h"

#include "platform/ansi.h"
#include "ui/win32/ids.h"

#include <windowsx.h>

#include <algorithm>
#include <cmath>

namespace kavrel::win32 {
namespace {

// The layout is in pixels at 96 dots per inch, and the fonts grow with it:
// a program that does not declare itself DPI-aware is shown 96 dpi by the
// system, whatever the screen's.
constexpr double PixelsPerPoint = 96.0 / 72.0;

}  // namespace

HFONT Fonts::Get(Font font) {
    if (font.points <= 0) return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    const auto found = std::find_if(made_.begin(), made_.end(), [font](const Made& made) {
        return made.font.points == font.points && made.font.bold == font.bold;
    });
    if (found != made_.end()) return found->handle.get();
    LOGFONTW logFont{};
    logFont.lfHeight = -static_cast<LONG>(std::lround(font.points * PixelsPerPoint));
    logFont.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
    logFont.lfCharSet = RUSSIAN_CHARSET;
    logFont.lfOutPrecision = OUT_DEFAULT_PRECIS;
    logFont.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    logFont.lfQuality = DEFAULT_QUALITY;
    logFont.lfPitchAndFamily = DEFAULT_PITCH | FF_SWISS;
    lstrcpynW(logFont.lfFaceName, L"Arial", LF_FACESIZE);
    made_.push_back({font, GdiObject<HFONT>(CreateFontIndirectW(&logFont))});
    return made_.back().handle.get();
}

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

void RouteThrough(HWND window, WNDPROC proc) {
    const LONG_PTR own = SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc));
    SetWindowLongPtrW(window, GWLP_USERDATA, own);
}

LRESULT CallControl(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcW(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_USERDATA)), window, message,
                           wParam, lParam);
}

LRESULT SiteLineMessage(HWND line, UINT message, WPARAM wParam, LPARAM lParam, bool& clicked) {
    clicked = false;
    if (message == WM_SETCURSOR && LOWORD(lParam) == HTCLIENT) {
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
    }
    const LRESULT result = CallControl(line, message, wParam, lParam);
    if (message == WM_LBUTTONUP) {
        RECT client;
        GetClientRect(line, &client);
        clicked = PtInRect(&client, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}) != FALSE;
    }
    return result;
}

bool RegisterWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC proc, HBRUSH background) {
    WNDCLASSEXW type{};
    type.cbSize = sizeof type;
    type.lpfnWndProc = proc;
    type.hInstance = instance;
    type.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IconId));
    type.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IconId), IMAGE_ICON,
                                                 GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                                 LR_SHARED));
    type.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    type.hbrBackground = background;
    type.lpszClassName = name;
    return RegisterClassExW(&type) != 0;
}

HMENU KavrelMenuBar() {
    HMENU bar = CreateMenu();
    for (std::size_t i = 0; i < KavrelMenu.size(); ++i)
        AppendMenuW(bar, MF_STRING, static_cast<UINT_PTR>(MenuId(i)), WideFromUtf8(KavrelMenu[i].caption).c_str());
    return bar;
}

HWND CreateCentredWindow(HINSTANCE instance, const wchar_t* windowClass, std::string_view title, int width,
                         int height, HMENU menu, void* owner) {
    RECT frame{0, 0, width, height};
    AdjustWindowRectEx(&frame, FixedFrameStyle, menu ? TRUE : FALSE, 0);
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const LONG outerWidth = frame.right - frame.left;
    const LONG outerHeight = frame.bottom - frame.top;
    return CreateWindowExW(0, windowClass, WideFromUtf8(title).c_str(), FixedFrameStyle,
                           work.left + (work.right - work.left - outerWidth) / 2,
                           work.top + (work.bottom - work.top - outerHeight) / 2, outerWidth, outerHeight, nullptr,
                           menu, instance, owner);
}

void KeepFocus(HWND window, bool active, HWND& kept) {
    if (!active) {
        if (HWND focus = GetFocus(); focus && IsChild(window, focus)) kept = focus;
    } else if (!IsIconic(window)) {
        SetFocus(kept ? kept : GetNextDlgTabItem(window, nullptr, FALSE));
    }
}

DWORD EditAlign(Align align) {
    switch (align) {
    case Align::Left: break;
    case Align::Centre: return ES_CENTER;
    case Align::Right: return ES_RIGHT;
    }
    return ES_LEFT;
}

DWORD StaticAlign(Align align) {
    switch (align) {
    case Align::Left: break;
    case Align::Centre: return SS_CENTER;
    case Align::Right: return SS_RIGHT;
    }
    return SS_LEFT;
}

}  // namespace kavrel::win32
