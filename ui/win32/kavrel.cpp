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
    if (LRESULT result; KavrelLookMessage(window_, dpi_, message, wParam, lParam, result)) return result;
    switch (message) {
    case WM_CREATE:
        OnCreate();
        return 0;
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
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
    boxes_.Make(window_, instance_, fonts_, dpi_);
    icons_.Show(window_, instance_, dpi_);
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

void Kavrel::OnDpiChanged(UINT dpi, const RECT& suggested) {
    dpi_ = dpi;
    boxes_.LayOut(fonts_, dpi_);
    icons_.Show(window_, instance_, dpi_);
    MoveToSuggested(window_, suggested);
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
