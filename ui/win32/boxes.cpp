#include "ui/win32/boxes.h"

#include "platform/ansi.h"
#include "ui/win32/dpi.h"
#include "ui/win32/ids.h"

#include <string_view>

namespace kavrel::win32 {
namespace {

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

void KavrelBoxes::Make(HWND window, HINSTANCE instance, Fonts& fonts, UINT dpi) {
    for (std::size_t i = 0; i < ControlCount; ++i) controls_[i] = MakeControl(KavrelControls[i], window, instance);
    LayOut(fonts, dpi);
    for (std::size_t i = 0; i < ControlCount; ++i) {
        if (!KavrelControls[i].text.empty())
            SetWindowTextW(controls_[i], WideFromUtf8(KavrelControls[i].text).c_str());
    }
}

void KavrelBoxes::LayOut(Fonts& fonts, UINT dpi) {
    for (std::size_t i = 0; i < ControlCount; ++i) {
        const ControlRow& row = KavrelControls[i];
        RECT place = Place(row, dpi);
        const int height = place.bottom - place.top;
        SendMessageW(controls_[i], WM_SETFONT, reinterpret_cast<WPARAM>(fonts.Get(row.font, dpi)), FALSE);
        // The list's rectangle holds the list that drops down from it too.
        if (row.look == Look::List) place.bottom = place.top + height * ListRoom;
        PlaceWindow(controls_[i], place);
        if (row.look == Look::List) FitClosedHeight(controls_[i], height);
    }
}

namespace {

HBRUSH BoxColours(HDC dc, HWND box) {
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

void PaintSeparator(HWND window, UINT dpi) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    const int line = LineWidth(dpi);
    HGDIOBJ brush = SelectObject(dc, GetStockObject(DC_BRUSH));
    for (const SeparatorRow& row : Separator) {
        SetDCBrushColor(dc, Colour(row.colour));
        PatBlt(dc, 0, row.y * line, client.right, line, PATCOPY);
    }
    SelectObject(dc, brush);
    EndPaint(window, &paint);
}

}  // namespace

bool KavrelLookMessage(HWND window, UINT dpi, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
        if (HBRUSH brush = BoxColours(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam))) {
            result = reinterpret_cast<LRESULT>(brush);
            return true;
        }
        return false;
    case WM_PAINT:
        PaintSeparator(window, dpi);
        result = 0;
        return true;
    default:
        return false;
    }
}

}  // namespace kavrel::win32
