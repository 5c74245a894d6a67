// Small helpers both windows share (and the start-up yardstick): owners of
// GDI objects, the fonts made once for the program's life, the window class,
// frame and menu bar, reading a window's text, and the routing of a
// control's messages through the window that owns it.
#pragma once

#include "form/layout.h"

#include <windows.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kavrel::win32 {

// Owns one GDI object (font, bitmap) and deletes it at the end.
template <typename Handle>
class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(Handle handle) : handle_(handle) {}
    GdiObject(GdiObject&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    GdiObject& operator=(GdiObject&& other) noexcept {
        std::swap(handle_, other.handle_);
        return *this;
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    ~GdiObject() {
        if (handle_) DeleteObject(handle_);
    }
    Handle get() const { return handle_; }

private:
    Handle handle_ = nullptr;
};

// An icon loaded at a size of its own (not shared), destroyed at the end.
class OwnedIcon {
public:
    explicit OwnedIcon(HICON icon) : icon_(icon) {}
    OwnedIcon(const OwnedIcon&) = delete;
    OwnedIcon& operator=(const OwnedIcon&) = delete;
    ~OwnedIcon() {
        if (icon_) DestroyIcon(icon_);
    }
    HICON get() const { return icon_; }

private:
    HICON icon_;
};

// The fonts the windows ask for, each made on first use and kept until the
// program ends, so that building a window again makes none and a repaint
// never does.
class Fonts {
public:
    // Arial with Cyrillic glyphs at `font`'s size and weight; the system's
    // dialog font for DialogFont.
    HFONT Get(Font font);

private:
    struct Made {
        Font font;
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

// Whether a button-up message is the end of a left click on `window`:
// released over it.
bool IsLeftClickOn(HWND window, UINT message, LPARAM lParam);

// Shows the hand over a site line.
void ShowHand();

// Registers a top-level window class of the program: the program icon,
// large and small, the arrow cursor, `background` behind the client area.
bool RegisterWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC proc, HBRUSH background);

// The main window's menu bar: "Print" and "About", with the ids of ids.h.
HMENU KavrelMenuBar();

// A window's outer rectangle for a client area of `width` x `height`,
// centred in the primary monitor's work area.
RECT CentredFrame(int width, int height, DWORD style, DWORD exStyle, bool menu);

// A control's alignment as an EDIT or STATIC style.
DWORD EditAlign(Align align);
DWORD StaticAlign(Align align);

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
