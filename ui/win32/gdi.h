// Small helpers both windows share (and the start-up yardsticks): owners of
// GDI objects, the fonts made once for the program's life, the window class,
// frame and menu bar, reading a window's text, the routing of a control's
// messages through the window that owns it, and a function looked up at run
// time.
#pragma once

#include "form/layout.h"

#include <windows.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kavrel::win32 {

// Owns one handle and frees it with `Free` at the end.
template <typename Handle, auto Free>
class Owned {
public:
    Owned() = default;
    explicit Owned(Handle handle) : handle_(handle) {}
    Owned(Owned&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    Owned& operator=(Owned&& other) noexcept {
        std::swap(handle_, other.handle_);
        return *this;
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    ~Owned() {
        if (handle_) Free(handle_);
    }
    Handle get() const { return handle_; }

private:
    Handle handle_ = nullptr;
};

// A GDI object (font, bitmap).
template <typename Handle>
using GdiObject = Owned<Handle, &DeleteObject>;
// An icon loaded at a size of its own (not shared).
using OwnedIcon = Owned<HICON, &DestroyIcon>;
// A device context made for the program (a printer's, a memory one).
using OwnedDc = Owned<HDC, &DeleteDC>;

// The fonts the windows ask for, each made on first use at each scale and
// kept until the program ends, so that building a window again makes none,
// a repaint never does, and a window moved back to a monitor finds its
// fonts made.
class Fonts {
public:
    // Arial with Cyrillic glyphs at `font`'s size and weight; the system's
    // dialog font for DialogFont; at `dpi` dots per inch.
    HFONT Get(Font font, UINT dpi);

private:
    struct Made {
        Font font;
        UINT dpi;
        GdiObject<HFONT> handle;
    };
    std::vector<Made> made_;
};

// The whole text of a window or control.
std::wstring WindowText(HWND window);

// Sends `window`'s messages to `proc` first; `proc` hands on what it does
// not take with CallControl. The control's own procedure is kept in its
// GWLP_USERDATA, which the standard controls leave to the program.
void RouteThrough(HWND window, WNDPROC proc);
LRESULT CallControl(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// A site line's message handled on the way to the line itself: the hand
// shown over it. Sets `clicked` at the end of a left click on it (released
// over it).
LRESULT SiteLineMessage(HWND line, UINT message, WPARAM wParam, LPARAM lParam, bool& clicked);

// Registers a top-level window class of the program: the program icon,
// large and small, the arrow cursor, `background` behind the client area.
bool RegisterWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC proc, HBRUSH background);

// The main window's menu bar: "Print" and "About", with the ids of ids.h.
HMENU KavrelMenuBar();

// A fixed frame: a title, a system menu and a close box; no sizing, no
// maximise or minimise button.
constexpr DWORD FixedFrameStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;

// A top-level window of class `windowClass` with a fixed frame around a
// client area of `width` x `height` pixels at 96 dpi, at the scale of its
// monitor (under `menu`, where there is one), centred in the primary
// monitor's work area, hidden. `owner` reaches OwnedWindowProc.
HWND CreateCentredWindow(HINSTANCE instance, const wchar_t* windowClass, std::string_view title, int width,
                         int height, HMENU menu, void* owner);

// A window's own title-bar and task-switching icons: the program icon's
// images of the sizes the system asks for at the window's scale.
class WindowIcons {
public:
    void Show(HWND window, HINSTANCE instance, UINT dpi);

private:
    OwnedIcon small_, big_;
};

// `window` moved and sized to `place` (in its parent's client area, or on
// the screen), its z-order and activation left as they are.
void PlaceWindow(HWND window, const RECT& place);

// WM_DPICHANGED's suggested rectangle taken: the window moved and sized as
// the system asks for the new scale.
void MoveToSuggested(HWND window, const RECT& suggested);

// A window's keyboard focus, kept in `kept` when it is left and given back
// when it is activated again (to its first tab stop where none was kept).
void KeepFocus(HWND window, bool active, HWND& kept);

// A control's alignment as an EDIT or STATIC style.
DWORD EditAlign(Align align);
DWORD StaticAlign(Align align);

// `function` looked up by `name` in `module`: null where the module has none.
template <typename Function>
void Resolve(HMODULE module, const char* name, Function& function) {
    // Through the type-erased function pointer that GetProcAddress means.
    function = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

constexpr COLORREF Colour(Rgb rgb) {
    return RGB(static_cast<BYTE>(rgb.red), static_cast<BYTE>(rgb.green), static_cast<BYTE>(rgb.blue));
}

// The window procedure of a window owned by a T, whose pointer its
// CreateWindowExW received as the last argument: kept in GWLP_USERDATA from
// WM_NCCREATE on, it handles the messages and knows its window until
// WM_NCDESTROY.
template <typename T, HWND T::*Window, LRESULT (T::*OnMessage)(UINT, WPARAM, LPARAM)>
LRESULT CALLBACK OwnedWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* owner = static_cast<T*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
        owner->*Window = window;
    }
    T* owner = reinterpret_cast<T*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!owner) return DefWindowProcW(window, message, wParam, lParam);
    const LRESULT result = (owner->*OnMessage)(message, wParam, lParam);
    if (message == WM_NCDESTROY) owner->*Window = nullptr;
    return result;
}

}  // namespace kavrel::win32
