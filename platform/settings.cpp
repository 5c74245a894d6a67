#include "platform/settings.h"

#include <algorithm>

#ifdef _WIN32
#include <windows.h>

#include "platform/ansi.h"
#else
#include <climits>
#include <unistd.h>

#include "platform/profile.h"
#endif

namespace kavrel {
namespace {

// The read fills a buffer of 256 characters but is told it holds 255, so a
// value comes back with at most 254.
constexpr int kBufferSize = 256;
constexpr int kReadSize = kBufferSize - 1;

#ifdef _WIN32
// The texts cross to the profile calls in the ANSI code page. A path with a
// character that the code page cannot hold would reach the file system
// bent, and the settings would be lost: only such a path goes to the wide
// calls instead.
bool InAnsi(const std::string& utf8) {
    bool exact = true;
    AnsiFromUtf8(utf8, &exact);
    return exact;
}
#endif

}  // namespace

std::string sGetINI(const std::string& sINIFile, const std::string& sSection, const std::string& sKey,
                    const std::string& sdefault) {
#ifdef _WIN32
    if (InAnsi(sINIFile)) {
        char buffer[kBufferSize];
        std::fill(std::begin(buffer), std::end(buffer), ' ');
        const DWORD n = GetPrivateProfileStringA(AnsiFromUtf8(sSection).c_str(), AnsiFromUtf8(sKey).c_str(),
                                                 AnsiFromUtf8(sdefault).c_str(), buffer, kReadSize,
                                                 AnsiFromUtf8(sINIFile).c_str());
        return Utf8FromAnsi(std::string_view(buffer, n));
    }
    wchar_t buffer[kBufferSize];
    std::fill(std::begin(buffer), std::end(buffer), L' ');
    const DWORD n = GetPrivateProfileStringW(WideFromUtf8(sSection).c_str(), WideFromUtf8(sKey).c_str(),
                                             WideFromUtf8(sdefault).c_str(), buffer, kReadSize,
                                             WideFromUtf8(sINIFile).c_str());
    return Utf8FromWide(std::wstring_view(buffer, n));
#else
    return ProfileRead(sINIFile, sSection, sKey, sdefault, kReadSize);
#endif
}

void writeINI(const std::string& sINIFile, const std::string& sSection, const std::string& sKey,
              const std::string& sValue) {
    const std::string cleaned = CleanedValue(sValue);
#ifdef _WIN32
    if (InAnsi(sINIFile)) {
        WritePrivateProfileStringA(AnsiFromUtf8(sSection).c_str(), AnsiFromUtf8(sKey).c_str(),
                                   AnsiFromUtf8(cleaned).c_str(), AnsiFromUtf8(sINIFile).c_str());
        return;
    }
    WritePrivateProfileStringW(WideFromUtf8(sSection).c_str(), WideFromUtf8(sKey).c_str(),
                               WideFromUtf8(cleaned).c_str(), WideFromUtf8(sINIFile).c_str());
#else
    ProfileWrite(sINIFile, sSection, sKey, cleaned);
#endif
}

std::string CleanedValue(std::string sValue) {
    std::replace_if(sValue.begin(), sValue.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return sValue;
}

std::string SettingsPath() {
#ifdef _WIN32
    // The wide form, so that a folder name outside the ANSI code page is
    // kept whole; sGetINI and writeINI pass an ANSI path on where they can.
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
    return Utf8FromWide(folder) + "\\kavrel.ini";
#else
    std::string exe(PATH_MAX, '\0');
    const ssize_t n = readlink("/proc/self/exe", exe.data(), exe.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= exe.size()) return "kavrel.ini";
    exe.resize(static_cast<std::size_t>(n));
    return exe.substr(0, exe.rfind('/')) + "/kavrel.ini";
#endif
}

}  // namespace kavrel
