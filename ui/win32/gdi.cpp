#include "ui/win32/gdi.h"

#include "platform/ansi.h"
#include "ui/win32/dpi.h"
#include "ui/win32/ids.h"

#include <windowsx.h>

#include <algorithm>
#include <cmath>

namespace kavrel::win32 {

HFONT Fonts::Get(Font font, UINT dpi) {
    const auto found = std::find_if(made_.begin(), made_.end(), [font, dpi](const Made& made) {
        return made.font.points == font.points && made.font.bold == font.bold && made.dpi == dpi;
    });
    if (found != made_.end()) return found->handle.get();
    LOGFONTW logFont{};
    if (font.points <= 0) {
        // The system's dialog font is made at the system's scale.
        const auto dialog = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
        if (dpi == SystemDpi()) return dialog;
        GetObjectW(dialog, sizeof logFont, &logFont);
        logFont.lfHeight = MulDiv(logFont.lfHeight, static_cast<int>(dpi), static_cast<int>(SystemDpi()));
        logFont.lfWidth = 0;
    } else {
        logFont.lfHeight = -static_cast<LONG>(std::lround(font.points * dpi / 72.0));
        logFont.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
        logFont.lfCharSet = RUSSIAN_CHARSET;
        logFont.lfOutPrecision = OUT_DEFAULT_PRECIS;
        logFont.lfClipPrecision = CLIP_DEFAULT_PRECIS;
        logFont.lfQuality = DEFAULT_QUALITY;
        logFont.lfPitchAndFamily = DEFAULT_PITCH | FF_SWISS;
        lstrcpynW(logFont.lfFaceName, L"Arial", LF_FACESIZE);
    }
    made_.push_back({font, dpi, GdiObject<HFONT>(CreateFontIndirectW(&logFont))});
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

namespace {

// The outer rectangle of a fixed frame around a client area of `width` x
// `height` pixels at 96 dpi, at `dpi`, centred in the primary monitor's
// work area.
RECT CentredFrame(int width, int height, bool menu, UINT dpi) {
    RECT frame = FrameAround(RECT{0, 0, Scaled(width, dpi), Scaled(height, dpi)}, FixedFrameStyle, menu, dpi);
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const LONG outerWidth = frame.right - frame.left;
    const LONG outerHeight = frame.bottom - frame.top;
    frame.left = work.left + (work.right - work.left - outerWidth) / 2;
    frame.top = work.top + (work.bottom - work.top - outerHeight) / 2;
    frame.right = frame.left + outerWidth;
    frame.bottom = frame.top + outerHeight;
    return frame;
}

}  // namespace

HWND CreateCentredWindow(HINSTANCE instance, const wchar_t* windowClass, std::string_view title, int width,
                         int height, HMENU menu, void* owner) {
    // Made at the system's scale; once it exists, it knows its monitor's.
    const bool hasMenu = menu != nullptr;
    const RECT frame = CentredFrame(width, height, hasMenu, SystemDpi());
    HWND window = CreateWindowExW(0, windowClass, WideFromUtf8(title).c_str(), FixedFrameStyle, frame.left,
                                  frame.top, frame.right - frame.left, frame.bottom - frame.top, nullptr, menu,
                                  instance, owner);
    if (window && DpiOf(window) != SystemDpi()) PlaceWindow(window, CentredFrame(width, height, hasMenu, DpiOf(window)));
    return window;
}

void WindowIcons::Show(HWND window, HINSTANCE instance, UINT dpi) {
    OwnedIcon small(LoadProgramIcon(instance, SystemMetric(SM_CXSMICON, dpi)));
    OwnedIcon big(LoadProgramIcon(instance, SystemMetric(SM_CXICON, dpi)));
    SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.get()));
    SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.get()));
    // The icons shown before are freed once the window no longer shows them.
    small_ = std::move(small);
    big_ = std::move(big);
}

void PlaceWindow(HWND window, const RECT& place) {
    SetWindowPos(window, nullptr, place.left, place.top, place.right - place.left, place.bottom - place.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void MoveToSuggested(HWND window, const RECT& suggested) {
    PlaceWindow(window, suggested);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
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
