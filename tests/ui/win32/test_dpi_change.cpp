// Kavrel's two windows built in this process and told, as the system tells
// a window dragged to a monitor of another scale, that their scale has
// changed (WM_DPICHANGED): each takes the rectangle the system suggests and
// lays its controls out again at the new scale, with fonts and icons made
// for it, and keeps what its boxes hold and where the keyboard is. Needs a
// display; e2e_win32.py runs it on its own.
#include "form/layout.h"
#include "ui/win32/gdi.h"
#include "ui/win32/ids.h"
#include "ui/win32/kavrel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using namespace kavrel;
using namespace kavrel::win32;

// The scales a window meets as it is dragged from monitor to monitor.
constexpr UINT Moves[] = {144, 192, 120, 96};

int At(double pixels, UINT dpi) { return static_cast<int>(std::lround(pixels * dpi / 96.0)); }

// A control's rectangle in its window's client area.
RECT PlaceOf(HWND control) {
    RECT place;
    GetWindowRect(control, &place);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&place), 2);
    return place;
}

// The table's rectangle times the scale, within a pixel (two at 200 %).
void ExpectPlace(HWND control, int left, int top, int width, int height, UINT dpi) {
    const RECT place = PlaceOf(control);
    const int slack = dpi >= 192 ? 2 : 1;
    EXPECT_NEAR(place.left, At(left, dpi), slack);
    EXPECT_NEAR(place.top, At(top, dpi), slack);
    EXPECT_NEAR(place.right - place.left, At(width, dpi), slack);
    EXPECT_NEAR(place.bottom - place.top, At(height, dpi), slack);
}

LOGFONTW FontOf(HWND control) {
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof font, &font);
    return font;
}

// Arial at `points` and at `dpi`.
void ExpectFont(HWND control, Font font, UINT dpi) {
    const LOGFONTW made = FontOf(control);
    EXPECT_EQ(made.lfHeight, -At(font.points * 96.0 / 72.0, dpi));
    EXPECT_EQ(made.lfWeight, font.bold ? FW_BOLD : FW_NORMAL);
    EXPECT_EQ(std::wstring(made.lfFaceName), L"Arial");
}

int IconSide(HICON icon) {
    ICONINFO info{};
    if (!icon || !GetIconInfo(icon, &info)) return 0;
    BITMAP picture{};
    GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof picture, &picture);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    return picture.bmWidth;
}

// The window's own icons are the program icon's images of the sizes the
// system asks for at `dpi`.
void ExpectIcons(HWND window, UINT dpi) {
    EXPECT_EQ(IconSide(reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, ICON_SMALL, 0))),
              GetSystemMetricsForDpi(SM_CXSMICON, dpi));
    EXPECT_EQ(IconSide(reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, ICON_BIG, 0))),
              GetSystemMetricsForDpi(SM_CXICON, dpi));
}

// WM_DPICHANGED as the system sends it, with a rectangle of its choosing
// for a client area of `width` x `height` at 96 dpi; that rectangle.
RECT MoveTo(HWND window, UINT dpi, int width, int height) {
    RECT suggested{At(width, dpi), At(height, dpi), 0, 0};
    RECT frame{0, 0, At(width, dpi), At(height, dpi)};
    AdjustWindowRectExForDpi(&frame, static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)),
                             GetMenu(window) != nullptr, 0, dpi);
    suggested.left = 30 + static_cast<LONG>(dpi) / 4;  // elsewhere each time
    suggested.top = 20;
    suggested.right = suggested.left + frame.right - frame.left;
    suggested.bottom = suggested.top + frame.bottom - frame.top;
    const RECT sent = suggested;
    SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    return sent;
}

void ExpectAt(HWND window, const RECT& suggested) {
    RECT now;
    GetWindowRect(window, &now);
    EXPECT_EQ(now.left, suggested.left);
    EXPECT_EQ(now.top, suggested.top);
    EXPECT_EQ(now.right, suggested.right);
    EXPECT_EQ(now.bottom, suggested.bottom);
}

class MovedToAnotherScale : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(Kavrel::Register(GetModuleHandleW(nullptr))); }

    void SetUp() override {
        ASSERT_TRUE(kavrel_.window());
        kavrel_.Show();
    }

    HWND Box(Control id) const { return GetDlgItem(kavrel_.window(), IdOf(id)); }

    Fonts fonts_;
    Kavrel kavrel_{GetModuleHandleW(nullptr), fonts_};
};

TEST_F(MovedToAnotherScale, MainWindow) {
    HWND window = kavrel_.window();
    SetWindowTextW(Box(Control::ClickNomer), L"1065100088");
    SetFocus(Box(Control::Strana));
    std::vector<std::wstring> texts;
    for (const ControlRow& row : KavrelControls) texts.push_back(WindowText(Box(row.id)));
    LOGFONTW dialog{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof dialog, &dialog);
    const int systemDpi = static_cast<int>(GetDpiForSystem());

    for (const UINT dpi : Moves) {
        SCOPED_TRACE("at " + std::to_string(dpi) + " dpi");
        ExpectAt(window, MoveTo(window, dpi, KavrelWindow.clientWidth, KavrelWindow.clientHeight));
        for (const ControlRow& row : KavrelControls) {
            SCOPED_TRACE(std::string(row.name));
            ExpectPlace(Box(row.id), row.left, row.top, row.width, row.height, dpi);
            if (row.look == Look::List) {
                EXPECT_EQ(FontOf(Box(row.id)).lfHeight, MulDiv(dialog.lfHeight, static_cast<int>(dpi), systemDpi));
            } else {
                ExpectFont(Box(row.id), row.font, dpi);
            }
        }
        // The cells of a result row still share one border line.
        EXPECT_EQ(PlaceOf(Box(Control::TextStrana)).right - 1, PlaceOf(Box(Control::Strana)).left);
        ExpectIcons(window, dpi);
        std::vector<std::wstring> now;
        for (const ControlRow& row : KavrelControls) now.push_back(WindowText(Box(row.id)));
        EXPECT_EQ(now, texts);
        EXPECT_EQ(GetFocus(), Box(Control::Strana));
    }
}

TEST_F(MovedToAnotherScale, AboutWindow) {
    kavrel_.ShowAbout();
    HWND about = FindWindowW(AboutClass, L"About");
    ASSERT_TRUE(about);
    const auto item = [about](AboutControl id) { return GetDlgItem(about, IdOf(id)); };
    for (const UINT dpi : Moves) {
        SCOPED_TRACE("at " + std::to_string(dpi) + " dpi");
        ExpectAt(about, MoveTo(about, dpi, AboutWindow.clientWidth, AboutWindow.clientHeight));
        for (const AboutRow& row : AboutControls) {
            if (row.kind == AboutKind::Frame) continue;  // drawn, not a window
            SCOPED_TRACE(std::string(row.name));
            ExpectPlace(item(row.id), row.left, row.top, row.width, row.height, dpi);
            if (row.kind != AboutKind::Picture) ExpectFont(item(row.id), row.font, dpi);
        }
        // The picture shrinks an image at least as large as itself.
        const RECT picture = PlaceOf(item(AboutControl::Image1));
        EXPECT_GE(IconSide(reinterpret_cast<HICON>(SendMessageW(item(AboutControl::Image1), STM_GETICON, 0, 0))),
                  picture.right - picture.left);
        ExpectIcons(about, dpi);
    }
}

}  // namespace
