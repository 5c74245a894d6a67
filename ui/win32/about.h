// The About window on Win32: the program's title, version, the team's
// contact and copyright lines and the site line on a fixed white page,
// built from form/layout.h. Nothing in it follows the main window's
// language. It is a top-level window without an owner; its close box
// destroys it, and the main window builds a new About for the next opening.
#pragma once

#include "form/kavrel_form.h"
#include "ui/win32/gdi.h"

#include <windows.h>

#include <array>
#include <string>

namespace kavrel::win32 {

class About final : public AboutView {
public:
    // Builds the window, centred and hidden (its class is registered with
    // the first one, not at the program's start).
    About(HINSTANCE instance, Fonts& fonts);
    About(const About&) = delete;
    About& operator=(const About&) = delete;
    ~About();

    // Null once the window is closed.
    HWND window() const { return window_; }

    // Shows the window and brings it to the front.
    void Show();

    std::string Text(AboutControl box) const override;
    void OpenLink(const std::string& address) override;

private:
    static bool Register(HINSTANCE instance);
    static LRESULT CALLBACK SiteProc(HWND line, UINT message, WPARAM wParam, LPARAM lParam);

    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnCreate();
    HBRUSH OnCtlColor(HDC dc, HWND control);
    void OnPaint();
    // Every control placed and given its font at the window's scale, and
    // the window its icons.
    void LayOut();

    HWND control(AboutControl id) const { return controls_[static_cast<std::size_t>(id)]; }

    HINSTANCE instance_;
    Fonts& fonts_;
    HWND window_ = nullptr;
    UINT dpi_ = 96;  // the scale of the window's monitor
    WindowIcons icons_;
    std::array<HWND, AboutControlCount> controls_{};
    HWND focus_ = nullptr;
    // The program icon that Image1 shows.
    OwnedIcon picture_;
};

}  // namespace kavrel::win32
