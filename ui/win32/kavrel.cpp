#include "ui/win32/kavrel.h"

#include "platform/ansi.h"
#include "platform/openlink.h"
#include "platform/settings.h"
#include "ui/win32/about.h"
#include "ui/win32/dpi.h"
#include "ui/win32/ids.h"
#include "ui/win32/printout.h"

namespace kavrel::win32 {
namespace {

static_assert(KavrelMenu[0].name == "Print" && KavrelMenu[1].name == "mnuAbout", "the menu items' order");

// The closed language list is as high as its row says; the list that drops
// down from it has room for this many rows of the closed height, and
// shrinks to its items.
constexpr int ListRoom = 6;

HMENU Id(Control box) { return reinterpret_cast<HMENU>(static_cast<INT_PTR>(IdOf(box))); }

// A combo box sizes its closed field from its font: the field is made as
// high as the layout asks. What the list reports as the field's height need
// not be what it was given (Wine's is two more), so the field is set from
// the height measured, measured again, and set once more where it missed.
void FitClosedHeight(HWND list, int height) {
    LRESULT field = SendMessageW(list, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
    if (field == CB_ERR) return;
    for (int tries = 0; tries < 2; ++tries) {
        RECT outer;
        GetWindowRect(list, &outer);
        const LONG now = outer.bottom - outer.top;
        if (now == height) return;
        field += height - now;
        SendMessageW(list, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field);
    }
}

// A control's place at `dpi`. The cells of a result row, which the table
// overlaps by one pixel so that they share a border line, still share one
// line, one pixel wide, at every scale.
RECT Place(const ControlRow& row, UINT dpi) {
    RECT place = ScaledRect(row.left, row.top, row.width, row.height, dpi);
    if (row.look != Look::Cell) return place;
    for (const ControlRow& other : KavrelControls) {
        if (other.look == Look::Cell && other.top == row.top && other.left + other.width == row.left + 1)
            place.left = Scaled(other.left + other.width, dpi) - 1;
    }
    return place;
}

// Made without place, font or text: the layout gives the first two, then
// the text is set, so that it is laid out once, in its own font.
HWND MakeControl(const ControlRow& c, HWND window, HINSTANCE instance) {
    if (c.look == Look::List) {
        HWND list = CreateWindowExW(0, L"COMBOBOX", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWNLIST, 0, 0,
                                    0, 0, window, Id(c.id), instance, nullptr);
        for (const std::string_view item : LanguageItems)
            SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(WideFromUtf8(item).c_str()));
        return list;
    }
    DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | EditAlign(c.align);
    // A multi-line box wraps at its width and has no scroll bars; a
    // one-line box scrolls its text instead of wrapping it.
    style |= c.lines == Lines::Wrap ? ES_MULTILINE : ES_AUTOHSCROLL;
    if (c.readOnly) style |= ES_READONLY;
    if (c.look == Look::Cell) style |= WS_BORDER;
    const DWORD exStyle = c.look == Look::Input ? WS_EX_CLIENTEDGE : 0;
    return CreateWindowExW(exStyle, L"EDIT", L"", style, 0, 0, 0, 0, window, Id(c.id), instance, nullptr);
}

}  // namespace

bool Kavrel::Register(HINSTANCE instance) {
    return RegisterWindowClass(instance, KavrelClass, &OwnedWindowProc<Kavrel, &Kavrel::window_, &Kavrel::OnMessage>,
                               reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1)));
}

Kavrel::Kavrel(HINSTANCE instance, Fonts& fonts)
    : instance_(instance), fonts_(fonts), form_(*this, settings_, SettingsPath()) {
    CreateCentredWindow(instance, KavrelClass, KavrelWindow.title, KavrelWindow.clientWidth, KavrelWindow.clientHeight,
                        KavrelMenuBar(), this);
    if (!window_) return;
    focus_ = control(Control::ClickNomer);
    form_.Form_Load();
}

Kavrel::~Kavrel() {
    about_.reset();
    if (window_) DestroyWindow(window_);
}

void Kavrel::Show() {
    // Shown normal whatever the start asked: the window cannot be resized.
    ShowWindow(window_, SW_SHOWNORMAL);
    UpdateWindow(window_);
}

bool Kavrel::DialogKeys(MSG& message) {
    HWND top = GetAncestor(message.hwnd, GA_ROOT);
    if (!top || (top != window_ && (!about_ || top != about_->window()))) return false;
    return IsDialogMessageW(top, &message) != FALSE;
}

// --- The view -------------------------------------------------------------

std::string Kavrel::Text(Control box) const { return Utf8FromWide(WindowText(control(box))); }

void Kavrel::SetText(Control box, std::string_view utf8) {
    // A text the box already holds is not set again: the box would be
    // redrawn for nothing on every keystroke.
    const std::wstring text = WideFromUtf8(utf8);
    if (WindowText(control(box)) != text) SetWindowTextW(control(box), text.c_str());
}

void Kavrel::SetVisible(Control box, bool visible) {
    // The style, not IsWindowVisible: that is false for every box while
    // the window itself is still hidden, during the load.
    const bool shown = (GetWindowLongW(control(box), GWL_STYLE) & WS_VISIBLE) != 0;
    if (shown != visible) ShowWindow(control(box), visible ? SW_SHOWNA : SW_HIDE);
}

int Kavrel::LanguageIndex() const {
    return static_cast<int>(SendMessageW(control(Control::Languag), CB_GETCURSEL, 0, 0));
}

void Kavrel::SetLanguageIndex(int index) {
    // CB_SETCURSEL sends no CBN_SELCHANGE: the form raises Languag_Click.
    SendMessageW(control(Control::Languag), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

std::string Kavrel::LanguageText() const {
    HWND list = control(Control::Languag);
    const LRESULT index = SendMessageW(list, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR) return {};
    const LRESULT length = SendMessageW(list, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()))));
    return Utf8FromWide(text);
}

void Kavrel::ShowAbout() {
    if (!about_ || !about_->window()) about_ = std::make_unique<About>(instance_, fonts_);
    if (about_->window()) about_->Show();
}

void Kavrel::CloseAbout() { about_.reset(); }

void Kavrel::PrintClientArea() {
    form_.PrintFinished(PrintClientImage(window_, WideFromUtf8(KavrelWindow.title)));
}

void Kavrel::ShowMessage(std::string_view text, std::string_view detail) {
    std::wstring message = WideFromUtf8(text);
    if (!detail.empty()) message += L"\n\n" + WideFromUtf8(detail);
    MessageBoxW(window_, message.c_str(), WideFromUtf8(KavrelWindow.title).c_str(), MB_OK | MB_ICONWARNING);
}

void Kavrel::OpenLink(const std::string& address) { kavrel::OpenLink(window_, address); }

// --- Messages ---------------------------------------------------------------

LRESULT Kavrel::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        OnCreate();
        return 0;
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
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
        OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_NEXTDLGCTL:
        OnNextControl(wParam, lParam);
        return 0;
    case WM_CLOSE:
        OnClose();
        return 0;
    case WM_ENDSESSION:
        // The session ends without a WM_CLOSE: the closing runs all the same.
        if (wParam) form_.Form_QueryUnload();
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

void Kavrel::OnCreate() {
    dpi_ = DpiOf(window_);
    // Created in table order, which is the tab order.
    for (std::size_t i = 0; i < ControlCount; ++i) controls_[i] = MakeControl(KavrelControls[i], window_, instance_);
    LayOut();
    for (std::size_t i = 0; i < ControlCount; ++i) {
        if (!KavrelControls[i].text.empty())
            SetWindowTextW(controls_[i], WideFromUtf8(KavrelControls[i].text).c_str());
    }
    RouteThrough(control(Control::ClickNomer), &Kavrel::InputProc);
    RouteThrough(control(Control::www), &Kavrel::SiteProc);
    built_ = true;
}

void Kavrel::OnCommand(int id, UINT code) {
    if (!built_) return;
    if (id == IdOf(Control::ClickNomer) && code == EN_CHANGE) {
        form_.ClickNomer_Change();
    } else if (id == IdOf(Control::Languag) && code == CBN_SELCHANGE) {
        form_.Languag_Click();
    } else if (id == MenuId(0) && code == 0) {
        form_.Print_Click();
    } else if (id == MenuId(1) && code == 0) {
        form_.mnuAbout_Click();
    }
}

void Kavrel::LayOut() {
    for (std::size_t i = 0; i < ControlCount; ++i) {
        const ControlRow& row = KavrelControls[i];
        const RECT place = Place(row, dpi_);
        const int height = place.bottom - place.top;
        SendMessageW(controls_[i], WM_SETFONT, reinterpret_cast<WPARAM>(fonts_.Get(row.font, dpi_)), FALSE);
        // The list's rectangle holds the list that drops down from it too.
        SetWindowPos(controls_[i], nullptr, place.left, place.top, place.right - place.left,
                     row.look == Look::List ? height * ListRoom : height, SWP_NOZORDER | SWP_NOACTIVATE);
        if (row.look == Look::List) FitClosedHeight(controls_[i], height);
    }
    icons_.Show(window_, instance_, dpi_);
}

void Kavrel::OnDpiChanged(UINT dpi, const RECT& suggested) {
    dpi_ = dpi;
    LayOut();
    MoveToSuggested(window_, suggested);
}

HBRUSH Kavrel::OnCtlColor(HDC dc, HWND box) {
    const int index = GetDlgCtrlID(box) - FirstControlId;
    if (index < 0 || index >= static_cast<int>(ControlCount)) return nullptr;
    const ControlRow& row = KavrelControls[static_cast<std::size_t>(index)];
    if (row.look == Look::List) return nullptr;
    SetTextColor(dc, row.ink == Ink::Red ? Colour(ErrorRed) : GetSysColor(COLOR_WINDOWTEXT));
    if (row.look == Look::Label) {
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        return GetSysColorBrush(COLOR_BTNFACE);
    }
    SetBkColor(dc, Colour(CellWhite));
    return static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
}

void Kavrel::OnPaint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window_, &paint);
    RECT client;
    GetClientRect(window_, &client);
    // The engraved separator under the menu bar, its lines in whole pixels.
    const int line = LineWidth(dpi_);
    HGDIOBJ brush = SelectObject(dc, GetStockObject(DC_BRUSH));
    for (const SeparatorRow& row : Separator) {
        SetDCBrushColor(dc, Colour(row.colour));
        PatBlt(dc, 0, row.y * line, client.right, line, PATCOPY);
    }
    SelectObject(dc, brush);
    EndPaint(window_, &paint);
}

void Kavrel::OnNextControl(WPARAM wParam, LPARAM lParam) {
    // What a dialog does: a multi-line box asks its parent to move on at Tab.
    HWND next = lParam ? reinterpret_cast<HWND>(wParam) : GetNextDlgTabItem(window_, GetFocus(), wParam != 0);
    if (!next) return;
    SetFocus(next);
    if (SendMessageW(next, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) SendMessageW(next, EM_SETSEL, 0, -1);
}

void Kavrel::OnClose() {
    form_.Form_QueryUnload();
    DestroyWindow(window_);  // the closing always goes on
}

Kavrel* Kavrel::OwnerOfControl(HWND control) {
    auto* kavrel = reinterpret_cast<Kavrel*>(GetWindowLongPtrW(GetParent(control), GWLP_USERDATA));
    return kavrel && kavrel->built_ ? kavrel : nullptr;
}

LRESULT CALLBACK Kavrel::InputProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CHAR) {
        if (Kavrel* kavrel = OwnerOfControl(box)) {
            int KeyAscii = static_cast<int>(wParam);
            kavrel->form_.ClickNomer_KeyPress(KeyAscii);
            if (KeyAscii == 0) return 0;  // discarded
            wParam = static_cast<WPARAM>(KeyAscii);
        }
    }
    return CallControl(box, message, wParam, lParam);
}

LRESULT CALLBACK Kavrel::SiteProc(HWND line, UINT message, WPARAM wParam, LPARAM lParam) {
    bool clicked = false;
    const LRESULT result = SiteLineMessage(line, message, wParam, lParam, clicked);
    if (clicked) {
        if (Kavrel* kavrel = OwnerOfControl(line)) kavrel->form_.www_Click();
    }
    return result;
}

}  // namespace kavrel::win32
