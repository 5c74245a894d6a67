// The main window on Win32: a thin driver of the core's window logic.
//
// Kavrel builds its window, menu and 25 standard controls from the layout
// table (form/layout.h), shows the view the behaviour (KavrelForm) asks
// for, and hands each notification to the handler of the same name: a
// WM_CHAR in the input box to the key filter, its EN_CHANGE to
// ClickNomer_Change, the language list's CBN_SELCHANGE to Languag_Click,
// the menu items, a click on the site line and WM_CLOSE. About (about.h) is
// the separate About window; printout.h prints the client area.
#pragma once

#include "form/kavrel_form.h"
#include "ui/win32/boxes.h"
#include "ui/win32/gdi.h"

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>

namespace kavrel::win32 {

class About;

class Kavrel final : public KavrelView {
public:
    static bool Register(HINSTANCE instance);

    // Builds the window, hidden, and runs Form_Load; Show() shows it.
    Kavrel(HINSTANCE instance, Fonts& fonts);
    Kavrel(const Kavrel&) = delete;
    Kavrel& operator=(const Kavrel&) = delete;
    ~Kavrel();

    HWND window() const { return window_; }
    void Show();

    // Tab, Shift+Tab, Enter and Escape in either window, as in a dialog;
    // true when the message was handled so.
    bool DialogKeys(MSG& message);

    // The view the behaviour drives.
    std::string Text(Control box) const override;
    void SetText(Control box, std::string_view utf8) override;
    void SetVisible(Control box, bool visible) override;
    int LanguageIndex() const override;
    void SetLanguageIndex(int index) override;
    std::string LanguageText() const override;
    void ShowAbout() override;
    void CloseAbout() override;
    void PrintClientArea() override;
    void ShowMessage(std::string_view text, std::string_view detail) override;
    void OpenLink(const std::string& address) override;

private:
    static LRESULT CALLBACK InputProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK SiteProc(HWND line, UINT message, WPARAM wParam, LPARAM lParam);
    static Kavrel* OwnerOfControl(HWND control);

    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnCreate();
    void OnCommand(int id, UINT code);
    void OnNextControl(WPARAM wParam, LPARAM lParam);
    void OnDpiChanged(UINT dpi, const RECT& suggested);
    void OnClose();

    HWND control(Control id) const { return boxes_[id]; }

    HINSTANCE instance_;
    Fonts& fonts_;
    HWND window_ = nullptr;
    UINT dpi_ = 96;  // the scale of the window's monitor
    WindowIcons icons_;
    KavrelBoxes boxes_;
    // The control that had the keyboard when the window was last left.
    HWND focus_ = nullptr;
    // Notifications reach the behaviour only once every control exists.
    bool built_ = false;
    ProfileSettings settings_;
    KavrelForm form_;
    std::unique_ptr<About> about_;
};

}  // namespace kavrel::win32
