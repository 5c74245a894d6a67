#include "ui/win32/about.h"

#include "platform/ansi.h"
#include "platform/openlink.h"
#include "ui/win32/dpi.h"
#include "ui/win32/ids.h"

#include <algorithm>

namespace kavrel::win32 {
namespace {

#ifndef SS_REALSIZECONTROL
#define SS_REALSIZECONTROL 0x00000040L
#endif

// Rows in tab order, so that creation order, which is the order Tab
// follows, matches it; the picture first, as it takes no focus.
std::array<const AboutRow*, AboutControlCount> InTabOrder() {
    std::array<const AboutRow*, AboutControlCount> rows{};
    std::transform(AboutControls.begin(), AboutControls.end(), rows.begin(), [](const AboutRow& row) { return &row; });
    std::stable_sort(rows.begin(), rows.end(), [](const AboutRow* a, const AboutRow* b) { return a->tab < b->tab; });
    return rows;
}

HWND MakeItem(const AboutRow& item, HWND page, HINSTANCE instance) {
    const wchar_t* kind = L"STATIC";
    DWORD style = WS_CHILD | WS_VISIBLE;
    switch (item.kind) {
    case AboutKind::Picture: style |= SS_ICON | SS_REALSIZECONTROL; break;
    case AboutKind::Label: style |= StaticAlign(item.align) | SS_NOPREFIX; break;
    case AboutKind::TextBox:
        kind = L"EDIT";
        style |= WS_TABSTOP | ES_READONLY | ES_AUTOHSCROLL | EditAlign(item.align);
        break;
    case AboutKind::Frame: return nullptr;  // a line drawn by the window itself
    }
    // Placed by the layout.
    return CreateWindowExW(0, kind, WideFromUtf8(item.text).c_str(), style, 0, 0, 0, 0, page,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(IdOf(item.id))), instance, nullptr);
}

RECT Place(const AboutRow& item, UINT dpi) {
    RECT place = ScaledRect(item.left, item.top, item.width, item.height, dpi);
    // A square picture stays square at every scale, as the icon it shows.
    if (item.kind == AboutKind::Picture && item.width == item.height)
        place.bottom = place.top + place.right - place.left;
    return place;
}

}  // namespace

bool About::Register(HINSTANCE instance) {
    return RegisterWindowClass(instance, AboutClass, &OwnedWindowProc<About, &About::window_, &About::OnMessage>,
                               static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
}

About::About(HINSTANCE instance, Fonts& fonts) : instance_(instance), fonts_(fonts) {
    static const bool registered = Register(instance);
    if (!registered) return;
    // No owner: either window can be in front, and each has its own button
    // on the taskbar.
    CreateCentredWindow(instance, AboutClass, AboutWindow.title, AboutWindow.clientWidth, AboutWindow.clientHeight,
                        nullptr, this);
}

About::~About() {
    if (window_) DestroyWindow(window_);
}

void About::Show() {
    ShowWindow(window_, SW_SHOWNORMAL);
    SetForegroundWindow(window_);
    BringWindowToTop(window_);
}

std::string About::Text(AboutControl box) const { return Utf8FromWide(WindowText(control(box))); }

void About::OpenLink(const std::string& address) { kavrel::OpenLink(window_, address); }

LRESULT About::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        OnCreate();
        return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
        if (HBRUSH brush = OnCtlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)))
            return reinterpret_cast<LRESULT>(brush);
        break;
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_ACTIVATE:
        KeepFocus(window_, LOWORD(wParam) != WA_INACTIVE, focus_);
        return 0;
    case WM_DPICHANGED:
        dpi_ = HIWORD(wParam);
        LayOut();
        MoveToSuggested(window_, *reinterpret_cast<const RECT*>(lParam));
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

void About::OnCreate() {
    dpi_ = DpiOf(window_);
    for (const AboutRow* item : InTabOrder())
        controls_[static_cast<std::size_t>(item->id)] = MakeItem(*item, window_, instance_);
    LayOut();
    RouteThrough(control(AboutControl::About_Sait), &About::SiteProc);
}

void About::LayOut() {
    for (const AboutRow& item : AboutControls) {
        HWND made = control(item.id);
        if (!made) continue;
        const RECT place = Place(item, dpi_);
        if (item.kind == AboutKind::Picture) {
            // The icon's image at least as large as the picture, which the
            // picture shrinks to its size.
            OwnedIcon picture(LoadProgramIcon(instance_, std::max(place.right - place.left, place.bottom - place.top)));
            SendMessageW(made, STM_SETICON, reinterpret_cast<WPARAM>(picture.get()), 0);
            picture_ = std::move(picture);
        } else {
            SendMessageW(made, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_.Get(item.font, dpi_)), FALSE);
            // No inner margins: the lines of boxes and labels in one column
            // start at the same x.
            if (item.kind == AboutKind::TextBox)
                SendMessageW(made, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
        }
        PlaceWindow(made, place);
    }
    icons_.Show(window_, instance_, dpi_);
}

HBRUSH About::OnCtlColor(HDC dc, HWND box) {
    const int index = GetDlgCtrlID(box) - FirstControlId;
    if (index < 0 || index >= static_cast<int>(AboutControlCount)) return nullptr;
    const AboutRow& row = AboutControls[static_cast<std::size_t>(index)];
    SetTextColor(dc, row.ink == AboutInk::Title ? Colour(AboutTitleGreen) : GetSysColor(COLOR_WINDOWTEXT));
    if (row.ink == AboutInk::System) {
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        return GetSysColorBrush(COLOR_WINDOW);
    }
    SetBkColor(dc, Colour(AboutPage));
    return static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
}

void About::OnPaint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window_, &paint);
    // Shape1: a line in the window-text colour, one pixel at 96 dpi and in
    // whole pixels at any scale, open inside.
    const int line = LineWidth(dpi_);
    HBRUSH ink = GetSysColorBrush(COLOR_WINDOWTEXT);
    for (const AboutRow& item : AboutControls) {
        if (item.kind != AboutKind::Frame) continue;
        const RECT frame = Place(item, dpi_);
        for (const RECT& side : {RECT{frame.left, frame.top, frame.right, frame.top + line},
                                 RECT{frame.left, frame.bottom - line, frame.right, frame.bottom},
                                 RECT{frame.left, frame.top, frame.left + line, frame.bottom},
                                 RECT{frame.right - line, frame.top, frame.right, frame.bottom}})
            FillRect(dc, &side, ink);
    }
    EndPaint(window_, &paint);
}

LRESULT CALLBACK About::SiteProc(HWND line, UINT message, WPARAM wParam, LPARAM lParam) {
    bool clicked = false;
    const LRESULT result = SiteLineMessage(line, message, wParam, lParam, clicked);
    if (clicked) {
        if (auto* about = reinterpret_cast<About*>(GetWindowLongPtrW(GetParent(line), GWLP_USERDATA)))
            About_Sait_Click(*about);
    }
    return result;
}

}  // namespace kavrel::win32
