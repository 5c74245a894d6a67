#include "platform/settings.h"

#include <algorithm>

#ifdef _WIN32
#include <windows.h>
#else
#include <climits>
#include <unistd.h>

#include "platform/profile.h"
#endif

namespace kavrel {
namespace {

// The Win32 read fills a buffer of 256 characters but is told it holds 255,
// so a value comes back with at most 254.
constexpr int kBufferSize = 256;
constexpr int kReadSize = kBufferSize - 1;

#ifdef _WIN32
// The wide profile calls and module path keep settings working in a folder
// whose name is outside the ANSI code page, where the ANSI calls lose them.
std::wstring Wide(const std::string& utf8) {
    const int size = static_cast<int>(utf8.size());
    std::wstring out(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0)), L'\0');
    if (!out.empty()) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, out.data(), static_cast<int>(out.size()));
    return out;
}

std::string Utf8(const wchar_t* text, int length) {
    std::string out(static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr)), '\0');
    if (!out.empty()) WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), static_cast<int>(out.size()), nullptr, nullptr);
    return out;
}
#endif

}  // namespace

std::string sGetINI(const std::string& sINIFile, const std::string& sSection, const std::string& sKey,
                    const std::string& sdefault) {
#ifdef _WIN32
    wchar_t buffer[kBufferSize];
    std::fill(std::begin(buffer), std::end(buffer), L' ');
    const DWORD n = GetPrivateProfileStringW(Wide(sSection).c_str(), Wide(sKey).c_str(), Wide(sdefault).c_str(),
                                             buffer, kReadSize, Wide(sINIFile).c_str());
    return Utf8(buffer, static_cast<int>(n));
#else
    return ProfileRead(sINIFile, sSection, sKey, sdefault, kReadSize);
#endif
}

void writeINI(const std::string& sINIFile, const std::string& sSection, const std::string& sKey,
              const std::string& sValue) {
    std::string cleaned = sValue;
    std::replace_if(cleaned.begin(), cleaned.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
#ifdef _WIN32
    WritePrivateProfileStringW(Wide(sSection).c_str(), Wide(sKey).c_str(), Wide(cleaned).c_str(),
                               Wide(sINIFile).c_str());
#else
    ProfileWrite(sINIFile, sSection, sKey, cleaned);
#endif
}

std::string SettingsPath() {
#ifdef _WIN32
    std::wstring module(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, module.data(), static_cast<DWORD>(module.size()));
        if (n < module.size()) {
            module.resize(n);
            break;
        }
        module.resize(module.size() * 2);
    }
    const std::size_t slash = module.rfind(L'\\');
    const std::wstring folder = slash == std::wstring::npos ? std::wstring() : module.substr(0, slash);
    return Utf8(folder.c_str(), static_cast<int>(folder.size())) + "\\kavrel.ini";
#else
    std::string exe(PATH_MAX, '\0');
    const ssize_t n = readlink("/proc/self/exe", exe.data(), exe.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= exe.size()) return "kavrel.ini";
    exe.resize(static_cast<std::size_t>(n));
    return exe.substr(0, exe.rfind('/')) + "/kavrel.ini";
#endif
}

}  // namespace kavrel
