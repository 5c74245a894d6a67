// The end-to-end suite's hands and eyes inside Wine: a second Win32 program
// that finds Kavrel's windows and controls, reads them and sends them
// messages, as another program on Windows can. It knows nothing of what the
// windows should show; the suite (e2e_win32.py) decides that.
//
// One command a line on standard input, one JSON object a line on standard
// output. Window handles are numbers; a control is named by its window and
// its id (0: the window itself); texts in commands are UTF-8 in hex.
//
//   find CLASS TITLE MS        waits up to MS for a visible window CLASS/TITLE
//                              whose controls exist: {"window", "count"}
//   count CLASS TITLE          {"count"}: visible windows CLASS/TITLE
//   dump H                     the window and its controls, in z-order
//   owned H CLASS              the visible windows of CLASS that H owns, dumped
//   send H ID MSG W L          SendMessageW: {"result"}
//   post H ID MSG W L          PostMessageW: {"result"}
//   settext H ID HEX           WM_SETTEXT: {"result"}
//   fileicon HEXPATH LOAD DRAW the icon with id 1 of an executable, loaded at
//                              LOAD pixels a side (0: its own size), drawn at
//                              DRAW a side on white (icons cannot be read
//                              across processes under Wine; the suite finds
//                              these pixels on the screen):
//                              {"width", "height", "pixels": "RRGGBB..."}
//   version HEXPATH            the version block of an executable
//   manifest HEXPATH           the application manifest of an executable:
//                              {"text"}, empty where it has none
//   text HEX POINTS BOLD INK BACK DPI  HEX drawn in Arial with Cyrillic
//                              glyphs at POINTS at DPI dots per inch, bold
//                              when BOLD is 1, in colour INK on BACK
//                              (0xRRGGBB), as a line of an edit control draws
//                              it: {"width", "height", "pixels"}; with POINTS
//                              0, in the system's dialog font at DPI, as a
//                              list draws its item
//
// Started as `driver record FOLDER ADDRESS` instead, it is the suite's
// stand-in browser, the prefix's handler of web addresses: it writes the
// address it was given, whole, into a new file FOLDER\*.url and ends.
#include <windows.h>
#include <usp10.h>

#include <fcntl.h>
#include <io.h>

#include <cstdint>
#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::wstring Wide(const std::string& utf8) {
    std::wstring out(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8.data(),
                                                                  static_cast<int>(utf8.size()), nullptr, 0)),
                     L'\0');
    if (!out.empty())
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(),
                            static_cast<int>(out.size()));
    return out;
}

std::string Utf8(const std::wstring& wide) {
    std::string out(static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, wide.data(),
                                                                 static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                                                 nullptr)),
                    '\0');
    if (!out.empty())
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(),
                            static_cast<int>(out.size()), nullptr, nullptr);
    return out;
}

std::string FromHex(const std::string& hex) {
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

std::string Quoted(const std::string& utf8) {
    std::string out = "\"";
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string Quoted(const std::wstring& wide) { return Quoted(Utf8(wide)); }

std::string Number(HWND window) { return std::to_string(reinterpret_cast<std::uintptr_t>(window)); }

HWND Handle(const std::string& number) {
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(std::stoull(number)));
}

std::wstring TextOf(HWND window) {
    // WM_GETTEXT, which Wine and Windows carry across processes.
    const auto length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const auto got = SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(got));
    return text;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

std::string Rect(const RECT& r) {
    return "[" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right - r.left) + "," +
           std::to_string(r.bottom - r.top) + "]";
}

// Visible top-level windows of a class and title.
std::vector<HWND> TopLevel(const std::wstring& type, const std::wstring& title) {
    struct Search {
        std::wstring type, title;
        std::vector<HWND> found;
    } search{type, title, {}};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(data);
            if (IsWindowVisible(window) && ClassOf(window) == s.type && TextOf(window) == s.title)
                s.found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND Target(HWND window, int id) { return id == 0 ? window : GetDlgItem(window, id); }

std::string DumpChild(HWND child, const POINT& origin) {
    RECT r;
    GetWindowRect(child, &r);
    OffsetRect(&r, -origin.x, -origin.y);
    const std::wstring type = ClassOf(child);
    std::ostringstream out;
    out << "{\"hwnd\":" << Number(child) << ",\"id\":" << GetDlgCtrlID(child) << ",\"class\":" << Quoted(type)
        << ",\"rect\":" << Rect(r) << ",\"style\":" << GetWindowLongW(child, GWL_STYLE)
        << ",\"exstyle\":" << GetWindowLongW(child, GWL_EXSTYLE)
        << ",\"visible\":" << ((GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE) ? "true" : "false")
        << ",\"text\":" << Quoted(TextOf(child));
    if (lstrcmpiW(type.c_str(), L"ComboBox") == 0) {
        out << ",\"selected\":" << SendMessageW(child, CB_GETCURSEL, 0, 0) << ",\"items\":[";
        const auto count = SendMessageW(child, CB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            const auto length = SendMessageW(child, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
            std::wstring item(static_cast<std::size_t>(length) + 1, L'\0');
            item.resize(static_cast<std::size_t>(
                SendMessageW(child, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item.data()))));
            out << (i ? "," : "") << Quoted(item);
        }
        out << "]";
    }
    out << "}";
    return out.str();
}

std::string Dump(HWND window) {
    if (!IsWindow(window)) return "{\"window\":0}";
    RECT outer, client, work;
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    DWORD pid = 0;
    const DWORD thread = GetWindowThreadProcessId(window, &pid);
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    GetGUIThreadInfo(thread, &gui);
    std::ostringstream out;
    out << "{\"window\":" << Number(window) << ",\"class\":" << Quoted(ClassOf(window))
        << ",\"title\":" << Quoted(TextOf(window)) << ",\"visible\":" << (IsWindowVisible(window) ? "true" : "false")
        << ",\"style\":" << GetWindowLongW(window, GWL_STYLE) << ",\"exstyle\":" << GetWindowLongW(window, GWL_EXSTYLE)
        << ",\"rect\":" << Rect(outer) << ",\"client\":[" << origin.x << "," << origin.y << "," << client.right << ","
        << client.bottom << "],\"owner\":" << Number(GetWindow(window, GW_OWNER))
        << ",\"menu\":" << (GetMenu(window) ? "true" : "false") << ",\"work\":" << Rect(work) << ",\"pid\":" << pid
        << ",\"active\":" << Number(gui.hwndActive) << ",\"foreground\":" << Number(GetForegroundWindow())
        << ",\"focus\":" << (gui.hwndFocus && IsChild(window, gui.hwndFocus) ? GetDlgCtrlID(gui.hwndFocus) : 0)
        << ",\"children\":[";
    bool first = true;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        out << (first ? "" : ",") << DumpChild(child, origin);
        first = false;
    }
    out << "]}";
    return out.str();
}

// A bitmap's pixels, top row first: {"width", "height", "pixels": "RRGGBB..."}.
std::string Pixels(HDC dc, HBITMAP picture, int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    if (GetDIBits(dc, picture, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS) != height)
        return "{\"width\":0}";
    std::string hex;
    for (const std::uint32_t pixel : pixels) {
        char rgb[8];
        std::snprintf(rgb, sizeof rgb, "%06x", static_cast<unsigned>(pixel & 0xFFFFFFu));
        hex += rgb;
    }
    return "{\"width\":" + std::to_string(width) + ",\"height\":" + std::to_string(height) + ",\"pixels\":\"" +
           hex + "\"}";
}

// An icon's pixels drawn on white as on the screen.
std::string IconPixels(HICON icon, int width, int height) {
    if (!icon) return "{\"width\":0}";
    HDC screen = GetDC(nullptr);
    HBITMAP picture = CreateCompatibleBitmap(screen, width, height);
    HDC dc = CreateCompatibleDC(screen);
    const HGDIOBJ before = SelectObject(dc, picture);
    RECT all{0, 0, width, height};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    const bool drawn = DrawIconEx(dc, 0, 0, icon, width, height, 0, nullptr, DI_NORMAL) != FALSE;
    SelectObject(dc, before);
    std::string out = drawn ? Pixels(dc, picture, width, height) : "{\"width\":0}";
    DeleteObject(picture);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return out;
}

std::string Text(const std::wstring& text, double points, bool bold, unsigned ink, unsigned back, int dpi) {
    HDC screen = GetDC(nullptr);
    LOGFONTW logFont{};
    if (points > 0) {
        logFont.lfHeight = -static_cast<LONG>(points * dpi / 72.0 + 0.5);
        logFont.lfWeight = bold ? FW_BOLD : FW_NORMAL;
        logFont.lfCharSet = RUSSIAN_CHARSET;
        lstrcpynW(logFont.lfFaceName, L"Arial", LF_FACESIZE);
    } else {
        // The dialog font is made at the scale the system had at the start.
        GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof logFont, &logFont);
        logFont.lfHeight = MulDiv(logFont.lfHeight, dpi, GetDeviceCaps(screen, LOGPIXELSY));
        logFont.lfWidth = 0;
    }
    HFONT font = CreateFontIndirectW(&logFont);
    HDC dc = CreateCompatibleDC(screen);
    const HGDIOBJ oldFont = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    HBITMAP picture = CreateCompatibleBitmap(screen, size.cx, size.cy);
    const HGDIOBJ oldBitmap = SelectObject(dc, picture);
    const auto colour = [](unsigned rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); };
    SetTextColor(dc, colour(ink));
    SetBkColor(dc, colour(back));
    RECT all{0, 0, size.cx, size.cy};
    const int length = static_cast<int>(text.size());
    if (points <= 0) {
        // As a list draws its item: one ExtTextOutW.
        ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &all, text.c_str(), static_cast<UINT>(length), nullptr);
    } else {
        ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &all, nullptr, 0, nullptr);
        // Through Uniscribe, as the edit control lays out and draws a line.
        SCRIPT_STRING_ANALYSIS analysis = nullptr;
        if (SUCCEEDED(ScriptStringAnalyse(dc, text.c_str(), length, length * 3 / 2 + 16, -1,
                                          SSA_LINK | SSA_FALLBACK | SSA_GLYPHS, -1, nullptr, nullptr, nullptr,
                                          nullptr, nullptr, &analysis))) {
            ScriptStringOut(analysis, 0, 0, 0, nullptr, 0, 0, FALSE);
            ScriptStringFree(&analysis);
        }
    }
    SelectObject(dc, oldBitmap);
    SelectObject(dc, oldFont);
    std::string out = Pixels(dc, picture, size.cx, size.cy);
    DeleteObject(picture);
    DeleteObject(font);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return out;
}

// The executable's icon, loaded at `loaded` pixels a side (0: its own
// size) as a program loads it, and drawn at `drawn` a side.
std::string FileIcon(const std::wstring& path, int loaded, int drawn) {
    HMODULE file = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!file) return "{\"width\":0}";
    auto icon = static_cast<HICON>(
        LoadImageW(file, MAKEINTRESOURCEW(1), IMAGE_ICON, loaded, loaded, loaded ? 0 : LR_DEFAULTSIZE));
    std::string out = IconPixels(icon, drawn, drawn);
    if (icon) DestroyIcon(icon);
    FreeLibrary(file);
    return out;
}

std::string Manifest(const std::wstring& path) {
    HMODULE file = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!file) return "{\"text\":\"\"}";
    std::string text;
    if (HRSRC found = FindResourceW(file, MAKEINTRESOURCEW(1), RT_MANIFEST)) {
        if (HGLOBAL loaded = LoadResource(file, found)) {
            const auto* bytes = static_cast<const char*>(LockResource(loaded));
            if (bytes) text.assign(bytes, SizeofResource(file, found));
        }
    }
    FreeLibrary(file);
    return "{\"text\":" + Quoted(text) + "}";
}

std::string Version(const std::wstring& path) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    std::vector<char> block(size);
    if (!size || !GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return "{\"found\":false}";
    std::ostringstream out;
    out << "{\"found\":true";
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) && fixed) {
        out << ",\"file\":[" << HIWORD(fixed->dwFileVersionMS) << "," << LOWORD(fixed->dwFileVersionMS) << ","
            << HIWORD(fixed->dwFileVersionLS) << "," << LOWORD(fixed->dwFileVersionLS) << "],\"product\":["
            << HIWORD(fixed->dwProductVersionMS) << "," << LOWORD(fixed->dwProductVersionMS) << ","
            << HIWORD(fixed->dwProductVersionLS) << "," << LOWORD(fixed->dwProductVersionLS) << "]";
    }
    WORD* translation = nullptr;
    if (VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length) &&
        length >= 4) {
        wchar_t prefix[64];
        std::swprintf(prefix, 64, L"\\StringFileInfo\\%04x%04x\\", translation[0], translation[1]);
        out << ",\"strings\":{";
        const wchar_t* names[] = {L"Comments",       L"CompanyName",     L"FileDescription", L"FileVersion",
                                  L"InternalName",   L"LegalCopyright",  L"LegalTrademarks", L"OriginalFilename",
                                  L"ProductName",    L"ProductVersion"};
        bool first = true;
        for (const wchar_t* name : names) {
            wchar_t* value = nullptr;
            UINT chars = 0;
            if (!VerQueryValueW(block.data(), (std::wstring(prefix) + name).c_str(), reinterpret_cast<void**>(&value),
                                &chars) || !value)
                continue;
            out << (first ? "" : ",") << Quoted(std::wstring(name)) << ":" << Quoted(std::wstring(value));
            first = false;
        }
        out << "}";
    }
    out << "}";
    return out.str();
}

std::string Run(const std::vector<std::string>& a) {
    const std::string& command = a[0];
    if (command == "find" && a.size() == 4) {
        const DWORD end = GetTickCount() + static_cast<DWORD>(std::stoul(a[3]));
        for (;;) {
            const std::vector<HWND> found = TopLevel(Wide(a[1]), Wide(a[2]));
            if (!found.empty() && GetWindow(found.front(), GW_CHILD))
                return "{\"window\":" + Number(found.front()) + ",\"count\":" + std::to_string(found.size()) + "}";
            if (static_cast<LONG>(GetTickCount() - end) > 0) return "{\"window\":0,\"count\":0}";
            Sleep(20);
        }
    }
    if (command == "count" && a.size() == 3)
        return "{\"count\":" + std::to_string(TopLevel(Wide(a[1]), Wide(a[2])).size()) + "}";
    if (command == "dump" && a.size() == 2) return Dump(Handle(a[1]));
    if (command == "owned" && a.size() == 3) {
        std::string out = "{\"windows\":[";
        bool first = true;
        struct Search {
            HWND owner;
            std::wstring type;
            std::vector<HWND> found;
        } search{Handle(a[1]), Wide(a[2]), {}};
        EnumWindows(
            [](HWND window, LPARAM data) -> BOOL {
                auto& s = *reinterpret_cast<Search*>(data);
                if (IsWindowVisible(window) && GetWindow(window, GW_OWNER) == s.owner && ClassOf(window) == s.type)
                    s.found.push_back(window);
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        for (HWND window : search.found) {
            out += (first ? "" : ",") + Dump(window);
            first = false;
        }
        return out + "]}";
    }
    if ((command == "send" || command == "post") && a.size() == 6) {
        HWND target = Target(Handle(a[1]), std::stoi(a[2]));
        const auto message = static_cast<UINT>(std::stoul(a[3]));
        const auto wParam = static_cast<WPARAM>(std::stoll(a[4]));
        const auto lParam = static_cast<LPARAM>(std::stoll(a[5]));
        const LRESULT result = command == "send" ? SendMessageW(target, message, wParam, lParam)
                                                 : PostMessageW(target, message, wParam, lParam);
        return "{\"result\":" + std::to_string(result) + "}";
    }
    if (command == "settext" && a.size() == 4) {
        const std::wstring text = Wide(FromHex(a[3]));
        const LRESULT result = SendMessageW(Target(Handle(a[1]), std::stoi(a[2])), WM_SETTEXT, 0,
                                            reinterpret_cast<LPARAM>(text.c_str()));
        return "{\"result\":" + std::to_string(result) + "}";
    }
    if (command == "fileicon" && a.size() == 4) return FileIcon(Wide(FromHex(a[1])), std::stoi(a[2]), std::stoi(a[3]));
    if (command == "version" && a.size() == 2) return Version(Wide(FromHex(a[1])));
    if (command == "manifest" && a.size() == 2) return Manifest(Wide(FromHex(a[1])));
    if (command == "text" && a.size() == 7)
        return Text(Wide(FromHex(a[1])), std::stod(a[2]), a[3] == "1",
                    static_cast<unsigned>(std::stoul(a[4], nullptr, 0)),
                    static_cast<unsigned>(std::stoul(a[5], nullptr, 0)), std::stoi(a[6]));
    return "{\"error\":" + Quoted(command) + "}";
}

// The address as the shell hands it over, into a file of its own, which
// appears whole or not at all.
int Record(const std::wstring& folder, const std::wstring& address) {
    const std::wstring name = folder + L"\\address-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(GetTickCount());
    HANDLE file = CreateFileW((name + L".part").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    const std::string text = Utf8(address);
    DWORD written = 0;
    const bool whole = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                       written == text.size();
    CloseHandle(file);
    return whole && MoveFileW((name + L".part").c_str(), (name + L".url").c_str()) ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 4 && std::wstring(argv[1]) == L"record") return Record(argv[2], argv[3]);
    // Lines end in LF alone, for the suite that reads them.
    _setmode(_fileno(stdout), _O_BINARY);
    std::string line;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::istringstream words(line);
        std::vector<std::string> args;
        for (std::string word; words >> word;) args.push_back(word);
        if (args.empty()) continue;
        if (args[0] == "quit") break;
        std::string reply;
        try {
            reply = Run(args);
        } catch (const std::exception& problem) {
            reply = "{\"error\":" + Quoted(std::string(problem.what())) + "}";
        }
        std::cout << reply << "\n" << std::flush;
    }
    return 0;
}
