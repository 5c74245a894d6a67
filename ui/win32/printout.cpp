#include "ui/win32/printout.h"

#include "platform/ansi.h"
#include "ui/win32/dpi.h"
#include "ui/win32/gdi.h"

#include <winspool.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace kavrel::win32 {
namespace {

// The print spooler's functions, loaded with the first print: under Wine the
// spooler asks the print system for its printers as it loads, which would
// slow every start of a window that may never print.
struct Spooler {
    decltype(&::GetDefaultPrinterW) getDefaultPrinter = nullptr;
    decltype(&::EnumPrintersW) enumPrinters = nullptr;
};

const Spooler* LoadSpooler() {
    static const Spooler spooler = [] {
        Spooler s;
        if (HMODULE module = LoadLibraryW(L"winspool.drv")) {  // stays loaded
            Resolve(module, "GetDefaultPrinterW", s.getDefaultPrinter);
            Resolve(module, "EnumPrintersW", s.enumPrinters);
        }
        return s;
    }();
    return spooler.getDefaultPrinter && spooler.enumPrinters ? &spooler : nullptr;
}

// The system's words for an error code, on one line.
std::string SystemWords(DWORD error) {
    if (error == ERROR_SUCCESS) return {};
    wchar_t* words = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<wchar_t*>(&words), 0, nullptr);
    std::wstring text = length && words ? std::wstring(words, length) : L"Error " + std::to_wstring(error);
    LocalFree(words);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
    return Utf8FromWide(text);
}

PrintOutcome Failed(PrintFault fault, const std::string& printer, DWORD error) {
    return PrintOutcome{fault, printer, SystemWords(error)};
}

// The client area as 24-bit rows, bottom row first, as StretchDIBits takes them.
struct Picture {
    BITMAPINFO info{};
    std::vector<std::uint8_t> pixels;
    int dpiX = 96, dpiY = 96;
};

Picture Capture(HWND window) {
    // Every box drawn as it now reads before its pixels are taken.
    RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    RECT client;
    GetClientRect(window, &client);
    Picture picture;
    BITMAPINFOHEADER& header = picture.info.bmiHeader;
    header.biSize = sizeof header;
    header.biWidth = client.right;
    header.biHeight = client.bottom;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    const std::size_t stride = (static_cast<std::size_t>(client.right) * 3 + 3) / 4 * 4;
    picture.pixels.resize(stride * static_cast<std::size_t>(client.bottom));

    HDC screen = GetDC(window);
    // The window is drawn at its monitor's scale: its size on paper is its
    // size at 96 dpi, from more pixels.
    picture.dpiX = picture.dpiY = static_cast<int>(DpiOf(window));
    void* bits = nullptr;
    const GdiObject<HBITMAP> copy(CreateDIBSection(screen, &picture.info, DIB_RGB_COLORS, &bits, nullptr, 0));
    const OwnedDc memory(CreateCompatibleDC(screen));
    if (copy.get() && memory.get() && bits) {
        const HGDIOBJ before = SelectObject(memory.get(), copy.get());
        // The blinking text cursor is no part of the page.
        const bool caretHidden = HideCaret(nullptr) != FALSE;
        BitBlt(memory.get(), 0, 0, client.right, client.bottom, screen, 0, 0, SRCCOPY);
        if (caretHidden) ShowCaret(nullptr);
        GdiFlush();
        const auto* from = static_cast<const std::uint8_t*>(bits);
        std::copy(from, from + picture.pixels.size(), picture.pixels.begin());
        SelectObject(memory.get(), before);
    } else {
        picture.pixels.clear();
    }
    ReleaseDC(window, screen);
    return picture;
}

// The default printer's name, or why there is none.
bool DefaultPrinter(std::wstring& name, PrintOutcome& outcome) {
    const Spooler* spooler = LoadSpooler();
    if (!spooler) {
        outcome.fault = PrintFault::NoPrinter;
        return false;
    }
    DWORD size = 0;
    spooler->getDefaultPrinter(nullptr, &size);
    if (size > 0) {
        name.assign(size, L'\0');
        if (spooler->getDefaultPrinter(name.data(), &size)) {
            name.resize(size > 0 ? size - 1 : 0);  // without the closing zero
            return true;
        }
    }
    DWORD needed = 0;
    DWORD count = 0;
    spooler->enumPrinters(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 4, nullptr, 0, &needed, &count);
    outcome.fault = needed > 0 ? PrintFault::NoDefaultPrinter : PrintFault::NoPrinter;
    return false;
}

}  // namespace

PrintOutcome PrintClientImage(HWND window, const std::wstring& title) {
    const Picture picture = Capture(window);
    std::wstring name;
    PrintOutcome outcome;
    if (!DefaultPrinter(name, outcome)) return outcome;
    const std::string printer = Utf8FromWide(name);
    if (picture.pixels.empty()) return Failed(PrintFault::PageNotMade, printer, GetLastError());

    const OwnedDc device(CreateDCW(L"WINSPOOL", name.c_str(), nullptr, nullptr));
    HDC dc = device.get();
    if (!dc) return Failed(PrintFault::NotTaken, printer, GetLastError());
    DOCINFOW document{};
    document.cbSize = sizeof document;
    document.lpszDocName = title.c_str();
    if (StartDocW(dc, &document) <= 0) return Failed(PrintFault::NotTaken, printer, GetLastError());
    // The document withdrawn, with the system's words on the step that failed.
    const auto abandon = [&](PrintFault fault) {
        const DWORD error = GetLastError();
        AbortDoc(dc);
        return Failed(fault, printer, error);
    };
    if (StartPage(dc) <= 0) return abandon(PrintFault::NotTaken);

    // The picture at its size on the screen, in the printer's pixels.
    const int width = picture.info.bmiHeader.biWidth;
    const int height = picture.info.bmiHeader.biHeight;
    const int dpiX = GetDeviceCaps(dc, LOGPIXELSX);
    const int dpiY = GetDeviceCaps(dc, LOGPIXELSY);
    const int left = std::max(0, static_cast<int>(std::lround(PageMarginInches * dpiX)) -
                                     GetDeviceCaps(dc, PHYSICALOFFSETX));
    const int top = std::max(0, static_cast<int>(std::lround(PageMarginInches * dpiY)) -
                                    GetDeviceCaps(dc, PHYSICALOFFSETY));
    SetStretchBltMode(dc, COLORONCOLOR);
    const int drawn = StretchDIBits(dc, left, top, MulDiv(width, dpiX, picture.dpiX),
                                    MulDiv(height, dpiY, picture.dpiY), 0, 0, width, height,
                                    picture.pixels.data(), &picture.info, DIB_RGB_COLORS, SRCCOPY);
    if (drawn == 0 || drawn == static_cast<int>(GDI_ERROR)) return abandon(PrintFault::PageNotMade);
    if (EndPage(dc) <= 0) return abandon(PrintFault::NotTaken);
    if (EndDoc(dc) <= 0) return Failed(PrintFault::NotTaken, printer, GetLastError());
    outcome.printer = printer;
    return outcome;
}

}  // namespace kavrel::win32
