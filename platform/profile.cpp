#include "platform/profile.h"

#include "decode/utf8.h"

#include <algorithm>

#ifndef _WIN32
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kavrel {
namespace {

constexpr std::size_t npos = std::string_view::npos;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// The blanks the profile functions skip: Ctrl+Z counts, as old DOS editors
// ended files with it; non-breaking spaces do not.
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == '\x1a';
}

std::string_view TrimStart(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    return s;
}

std::string_view Trim(std::string_view s) {
    s = TrimStart(s);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// Names and values end at a zero byte, as C strings do.
std::string_view CutAtNul(std::string_view s) { return s.substr(0, s.find('\0')); }

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
    a = CutAtNul(a);
    b = CutAtNul(b);
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

// The first `count` characters of `s`, or all of it.
std::string_view FirstChars(std::string_view s, std::size_t count) {
    std::size_t pos = 0;
    for (; pos < s.size() && count > 0; --count) pos += NextUtf8Char(s, pos).length;
    return s.substr(0, pos);
}

// One line: its text is [begin, end), its line break [end, next).
struct Line {
    std::size_t begin, end, next;
};

struct Key {
    std::size_t line;
    std::string_view name;
    bool hasValue;
    std::string_view value;  // trimmed, quotes still on
    std::size_t valueBegin;  // where the value's bytes start in the file
};

struct Section {
    std::string_view name;
    std::size_t last;  // the section's last non-blank line; npos for none at all
    std::vector<Key> keys;
};

struct Profile {
    std::size_t bodyBegin = 0;  // past a byte-order mark
    std::vector<Line> lines;
    std::vector<Section> sections;  // the first one holds the keys before any header
};

// Where a view into `file` starts.
std::size_t OffsetIn(std::string_view file, std::string_view part) {
    return static_cast<std::size_t>(part.data() - file.data());
}

Profile Parse(std::string_view file) {
    Profile p;
    if (file.substr(0, kByteOrderMark.size()) == kByteOrderMark) p.bodyBegin = kByteOrderMark.size();
    p.sections.push_back({std::string_view(), npos, {}});
    for (std::size_t pos = p.bodyBegin; pos < file.size();) {
        Line line{pos, std::min(file.find_first_of("\r\n", pos), file.size()), 0};
        line.next = line.end;
        if (line.next < file.size()) line.next += file.compare(line.next, 2, "\r\n") == 0 ? 2u : 1u;
        pos = line.next;
        const std::size_t index = p.lines.size();
        p.lines.push_back(line);

        const std::string_view text = Trim(file.substr(line.begin, line.end - line.begin));
        if (text.empty()) continue;
        if (text.front() == '[') {
            const std::size_t close = text.rfind(']');
            if (close != npos) {
                p.sections.push_back({Trim(text.substr(1, close - 1)), index, {}});
                continue;
            }
        }
        // Anything else is a key, with or without "="; comments included,
        // which no caller's key name can match.
        Key key{index, text, false, {}, OffsetIn(file, text) + text.size()};
        if (const std::size_t eq = text.find('='); eq != npos) {
            key.name = Trim(text.substr(0, eq));
            key.hasValue = true;
            key.value = Trim(text.substr(eq + 1));
            key.valueBegin = key.value.empty() ? OffsetIn(file, text) + eq + 1 : OffsetIn(file, key.value);
        }
        p.sections.back().keys.push_back(key);
        p.sections.back().last = index;
    }
    return p;
}

// Only the first section of a name is searched, as the Win32 functions do.
Section* FindSection(Profile& p, std::string_view name) {
    name = Trim(CutAtNul(name));
    for (Section& s : p.sections) {
        if (SameName(s.name, name)) return &s;
    }
    return nullptr;
}

Key* FindKey(Section& s, std::string_view name) {
    name = Trim(CutAtNul(name));
    for (Key& k : s.keys) {
        if (SameName(k.name, name)) return &k;
    }
    return nullptr;
}

// The value as copied into a buffer of `size` characters: one pair of
// matching quotes removed. When the value with its opening quote removed is
// not shorter than the buffer, the closing quote has already been cut off
// and the last character that remains goes instead; the Win32 functions do
// the same.
std::string CopyEntry(std::string_view value, std::size_t size) {
    value = CutAtNul(value);
    const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                        value.back() == value.front();
    if (quoted) value.remove_prefix(1);
    std::string_view out = FirstChars(value, size - 1);
    if (quoted && size >= CharacterCount(value) && !out.empty()) out = FirstChars(out, CharacterCount(out) - 1);
    return std::string(out);
}

std::string_view LineBreakOf(const Profile& p, std::string_view file) {
    for (const Line& line : p.lines) {
        if (line.next > line.end) return file.substr(line.end, line.next - line.end);
    }
#ifdef _WIN32
    return "\r\n";
#else
    return "\n";
#endif
}

// A name with a line break would split its line, a key with "=" would read
// as another key, and one starting with "[" could read as a section header
// and hide the keys of a later section of that name. The Win32 functions
// write them all the same; here they are refused.
bool Writable(std::string_view section, std::string_view key, std::string_view value) {
    const std::string_view k = Trim(CutAtNul(key));
    return Trim(CutAtNul(section)).find_first_of("\r\n") == npos && k.find_first_of("\r\n=") == npos &&
           (k.empty() || k.front() != '[') && CutAtNul(value).find_first_of("\r\n") == npos;
}

}  // namespace

std::string ProfileLookup(std::string_view contents, std::string_view section, std::string_view key,
                          std::string_view fallback, std::size_t size) {
    if (size == 0) return {};
    // Blanks at the fallback's end go, but never its first character.
    fallback = CutAtNul(fallback);
    while (fallback.size() > 1 && fallback.back() == ' ') fallback.remove_suffix(1);

    Profile p = Parse(contents);
    const Key* found = nullptr;
    if (Section* s = FindSection(p, section)) found = FindKey(*s, key);
    return CopyEntry(found && found->hasValue ? found->value : fallback, size);
}

std::optional<std::string> ProfileUpdate(std::string_view contents, std::string_view section,
                                         std::string_view key, std::string_view value) {
    if (!Writable(section, key, value)) return std::nullopt;
    value = TrimStart(CutAtNul(value));
    Profile p = Parse(contents);
    const std::string_view eol = LineBreakOf(p, contents);
    std::string out;
    out.reserve(contents.size() + section.size() + key.size() + value.size() + 8);

    Section* s = FindSection(p, section);
    Key* k = s ? FindKey(*s, key) : nullptr;
    if (k) {
        // Keep the line up to its value, as the person wrote it, and the
        // line break; only the value changes.
        if (k->hasValue && CutAtNul(k->value) == value) return std::nullopt;
        const Line& line = p.lines[k->line];
        out.append(contents.substr(0, k->valueBegin));
        if (!k->hasValue) out.append("=");
        out.append(value);
        out.append(contents.substr(line.end));
        return out;
    }

    const std::string_view keyName = Trim(CutAtNul(key));
    if (s) {
        // The new key goes after the section's last line that is not blank.
        std::size_t at = p.bodyBegin;
        bool needBreak = false;
        if (s->last != npos) {
            const Line& last = p.lines[s->last];
            at = last.next;
            needBreak = last.next == last.end;
        }
        out.append(contents.substr(0, at));
        if (needBreak) out.append(eol);
        out.append(keyName).append("=").append(value).append(eol);
        out.append(contents.substr(at));
        return out;
    }

    out.append(contents);
    if (!p.lines.empty() && p.lines.back().next == p.lines.back().end) out.append(eol);
    out.append("[").append(Trim(CutAtNul(section))).append("]").append(eol);
    out.append(keyName).append("=").append(value).append(eol);
    return out;
}

std::vector<std::pair<std::string, std::string>> ProfileKeys(std::string_view contents) {
    const Profile p = Parse(contents);
    std::vector<std::pair<std::string, std::string>> keys;
    for (const Section& s : p.sections) {
        for (const Key& k : s.keys) keys.emplace_back(CutAtNul(s.name), CutAtNul(k.name));
    }
    return keys;
}

#ifndef _WIN32
namespace {

bool ReadAll(int fd, std::string& out) {
    char buffer[8192];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n == 0) return true;
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        out.append(buffer, static_cast<std::size_t>(n));
    }
}

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

enum class Loaded { Ok, Missing, Failed };

Loaded Load(const std::string& path, std::string& contents, struct stat& info) {
    // Not blocking: a FIFO in the file's place must not stall the program.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? Loaded::Missing : Loaded::Failed;
    const bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ReadAll(fd, contents);
    close(fd);
    return ok ? Loaded::Ok : Loaded::Failed;
}

}  // namespace

std::string ProfileRead(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view fallback, std::size_t size) {
    std::string contents;
    struct stat info {};
    Load(path, contents, info);  // a file that cannot be read holds nothing
    return ProfileLookup(contents, section, key, fallback, size);
}

bool ProfileWrite(const std::string& path, std::string_view section, std::string_view key,
                  std::string_view value) {
    // Through a symbolic link the file it points to is replaced, not the link.
    std::string target = path;
    if (char* real = realpath(path.c_str(), nullptr)) {
        target = real;
        std::free(real);
    }

    if (!Writable(section, key, value)) return false;
    std::string contents;
    struct stat info {};
    const Loaded loaded = Load(target, contents, info);
    if (loaded == Loaded::Failed) return false;
    // A file its owner made read-only keeps its value, as it would on Windows,
    // though the rename could replace it.
    if (loaded == Loaded::Ok && access(target.c_str(), W_OK) != 0) return false;
    const std::optional<std::string> updated = ProfileUpdate(contents, section, key, value);
    if (!updated) return true;

    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    std::string temp = folder + "." + target.substr(folder.size()) + ".XXXXXX";
    const int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return false;

    mode_t mode;
    if (loaded == Loaded::Ok) {
        mode = info.st_mode & 07777;
        // May fail for a user who may not give files away; the file is then
        // theirs, as after any rewrite.
        [[maybe_unused]] const int owned = fchown(fd, info.st_uid, info.st_gid);
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    bool ok = fchmod(fd, mode) == 0 && WriteAll(fd, *updated) && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    ok = ok && rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        unlink(temp.c_str());
        return false;
    }
    // Make the rename itself last through a power cut.
    const int dir = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
    return true;
}
#endif

}  // namespace kavrel
