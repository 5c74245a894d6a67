// The settings file: kavrel.ini beside the executable, read once at start-up
// and written once at closing by the main window. On Windows the Win32
// profile functions do the file work; elsewhere the project's own profile
// code (profile.h) does, and never leaves a half-written file.
#pragma once

#include <string>

namespace kavrel {

// The value of `sKey` in `sSection` of `sINIFile`, at most 254 characters;
// `sdefault` when the file, the section or the key is absent. All texts are
// UTF-8.
std::string sGetINI(const std::string& sINIFile, const std::string& sSection, const std::string& sKey,
                    const std::string& sdefault);

// Sets `sKey` in `sSection` of `sINIFile` to `sValue` with every carriage
// return and line feed turned into one space each, creating the file, the
// section or the key as needed. A write that fails changes nothing and is
// not reported.
void writeINI(const std::string& sINIFile, const std::string& sSection, const std::string& sKey,
              const std::string& sValue);

// `sValue` as writeINI stores it: every carriage return and line feed
// turned into one space each, nothing else changed.
std::string CleanedValue(std::string sValue);

// The executable's folder, the platform's separator and "kavrel.ini".
std::string SettingsPath();

}  // namespace kavrel
