#include "ui/win32/dpi.h"

#include "ui/win32/gdi.h"
#include "ui/win32/ids.h"

#include <cstring>

namespace kavrel::win32 {
namespace {

// Resolved at run time, so that the program still starts on a system
// without them.
struct ScaleFunctions {
    decltype(&::GetDpiForWindow) dpiForWindow = nullptr;
    decltype(&::GetSystemMetricsForDpi) metricsForDpi = nullptr;
    decltype(&::AdjustWindowRectExForDpi) frameForDpi = nullptr;
};

const ScaleFunctions& Functions() {
    static const ScaleFunctions functions = [] {
        ScaleFunctions f;
        if (HMODULE user = GetModuleHandleW(L"user32.dll")) {
            Resolve(user, "GetDpiForWindow", f.dpiForWindow);
            Resolve(user, "GetSystemMetricsForDpi", f.metricsForDpi);
            Resolve(user, "AdjustWindowRectExForDpi", f.frameForDpi);
        }
        return f;
    }();
    return functions;
}

// An icon group's directory in the executable, as the resource compiler
// writes it.
#pragma pack(push, 2)
struct IconGroupHeader {
    WORD reserved, type, count;
};
struct IconGroupEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

// The side of the program icon's image to draw at `size`: `size` itself
// or the smallest larger one, else the largest.
int ImageSide(HINSTANCE instance, int size) {
    HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(IconId), RT_GROUP_ICON);
    HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
    const auto* data = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    const DWORD length = found ? SizeofResource(instance, found) : 0;
    if (!data || length < sizeof(IconGroupHeader)) return size;
    IconGroupHeader header;
    std::memcpy(&header, data, sizeof header);
    int best = 0, largest = 0;
    for (std::size_t i = 0; i < header.count && sizeof header + (i + 1) * sizeof(IconGroupEntry) <= length; ++i) {
        IconGroupEntry entry;
        std::memcpy(&entry, data + sizeof header + i * sizeof entry, sizeof entry);
        const int side = entry.width ? entry.width : 256;  // 0 stands for 256
        largest = std::max(largest, side);
        if (side >= size && (best == 0 || side < best)) best = side;
    }
    return best ? best : (largest ? largest : size);
}

}  // namespace

UINT SystemDpi() {
    static const UINT dpi = [] {
        HDC screen = GetDC(nullptr);
        const int found = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
        if (screen) ReleaseDC(nullptr, screen);
        return found > 0 ? static_cast<UINT>(found) : BaseDpi;
    }();
    return dpi;
}

UINT DpiOf(HWND window) {
    const auto dpiForWindow = Functions().dpiForWindow;
    const UINT dpi = dpiForWindow && window ? dpiForWindow(window) : 0;
    return dpi ? dpi : SystemDpi();
}

int SystemMetric(int index, UINT dpi) {
    if (const auto metricsForDpi = Functions().metricsForDpi) return metricsForDpi(index, dpi);
    return MulDiv(GetSystemMetrics(index), static_cast<int>(dpi), static_cast<int>(SystemDpi()));
}

RECT FrameAround(const RECT& client, DWORD style, bool menu, UINT dpi) {
    RECT frame = client;
    if (const auto frameForDpi = Functions().frameForDpi) {
        frameForDpi(&frame, style, menu ? TRUE : FALSE, 0, dpi);
    } else {
        AdjustWindowRectEx(&frame, style, menu ? TRUE : FALSE, 0);
    }
    return frame;
}

HICON LoadProgramIcon(HINSTANCE instance, int size) {
    const int side = ImageSide(instance, size);
    return static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(IconId), IMAGE_ICON, side, side, LR_DEFAULTCOLOR));
}

}  // namespace kavrel::win32
