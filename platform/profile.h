// The project's own profile (INI) file code, standing in for the Win32
// profile functions where there are none.
//
// Reading follows those functions for anything a person may type into the
// file: section and key names are matched without regard to ASCII letter
// case, blanks around names, around "=" and around the value are ignored,
// one pair of matching double or single quotes around a value is removed,
// and lines that are neither a section header nor a key are left alone.
// LF, CR LF and lone CR line ends are all read; a UTF-8 byte-order mark at
// the start is skipped.
//
// Writing differs on purpose: it changes only the one key's line (or adds
// the key at the end of its section, or the section at the end of the
// file), keeps every other byte of the file, and replaces the file through
// a temporary file so that a failed write leaves the old file as it was.
// Killed or cut off at any moment, a write leaves the old file or the new
// one, whole, and at most a temporary file beside it, which the next write
// removes. Reading and writing hold one copy of the file and pass over it
// once.
//
// Texts are UTF-8. Lengths are counted in characters (code points, each
// malformed byte counting as one), so a cut never splits a character.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kavrel {

// The value of `key` in `section` of a file holding `contents`, or
// `fallback` when the section or the key is absent, as read into a buffer
// of `size` characters: at most size - 1 characters come back. Quotes
// around the fallback are removed as around a value, and blanks at its end
// dropped.
std::string ProfileLookup(std::string_view contents, std::string_view section,
                          std::string_view key, std::string_view fallback, std::size_t size);

// The contents with `key` of `section` set to `value` (blanks at its start
// dropped), or nothing when the file already holds that value or the write
// would damage other lines: a line break in a name or the value, a key that
// holds "=" or starts with "[". Callers clean line breaks out of values.
std::optional<std::string> ProfileUpdate(std::string_view contents, std::string_view section,
                                         std::string_view key, std::string_view value);

// Every section and key name as the reader sees them, in file order: the
// pairs a lookup can find. Keys before the first section header belong to
// the section with the empty name.
std::vector<std::pair<std::string, std::string>> ProfileKeys(std::string_view contents);

#ifndef _WIN32
// Where ProfileWrite puts the new contents first. Unnamed: a file without a
// name (O_TMPFILE), which the system removes wherever the program stops,
// named only just before the rename; where the file system has no unnamed
// files, Named is used instead: a file named from the start.
enum class TemporaryFile { Unnamed, Named };

// ProfileLookup on the file at `path`; a file that is missing or cannot be
// read gives the fallback, as the Win32 functions do.
std::string ProfileRead(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view fallback, std::size_t size);

// ProfileUpdate on the file at `path`, creating it when missing. The new
// contents go to a temporary file in the same folder, which then replaces
// the old file with the old file's permission bits and owner. Returns false
// when the file could not be written, or the names or the value were refused
// as above; the old file is then untouched and no temporary file is left.
// Each call first removes the temporary files that killed writes left
// beside the file, also when the value stays. Tests choose `temporary`.
bool ProfileWrite(const std::string& path, std::string_view section, std::string_view key,
                  std::string_view value, TemporaryFile temporary = TemporaryFile::Unnamed);
#endif

}  // namespace kavrel
