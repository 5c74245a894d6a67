#include "platform/profile.h"

#include "text/utf8.h"

#include <algorithm>
#include <cstring>

#ifndef _WIN32
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
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

// The lines of a file, one at a time and nothing kept. The next LF and the
// next CR are each searched for once and remembered, so a file with only one
// kind of line end is not searched to its end for the other at every line.
class Lines {
public:
    Lines(std::string_view file, std::size_t from)
        : file_(file), pos_(from), lf_(Find('\n')), cr_(Find('\r')) {}

    bool Next(Line& line) {
        if (pos_ >= file_.size()) return false;
        if (lf_ < pos_) lf_ = Find('\n');
        if (cr_ < pos_) cr_ = Find('\r');
        line.begin = pos_;
        line.end = std::min(lf_, cr_);
        line.next = line.end;
        if (line.end < file_.size()) line.next += line.end == cr_ && lf_ < file_.size() && lf_ == cr_ + 1 ? 2u : 1u;
        pos_ = line.next;
        return true;
    }

    // The next line whose text starts with "[", past the lines before it
    // without going through them one by one: outside the section asked for
    // only headers matter.
    bool NextBracketed(Line& line) {
        for (std::size_t at = pos_; at < file_.size(); ++at) {
            const void* found = std::memchr(file_.data() + at, '[', file_.size() - at);
            if (found == nullptr) break;
            at = static_cast<std::size_t>(static_cast<const char*>(found) - file_.data());
            const auto startsLine = [this](std::size_t i) {
                return i == pos_ || file_[i - 1] == '\n' || file_[i - 1] == '\r';
            };
            std::size_t begin = at;
            while (!startsLine(begin) && IsBlank(file_[begin - 1])) --begin;
            if (startsLine(begin)) {
                pos_ = begin;
                return Next(line);
            }
        }
        pos_ = file_.size();
        return false;
    }

private:
    std::size_t Find(char c) const {
        if (pos_ >= file_.size()) return file_.size();
        const void* at = std::memchr(file_.data() + pos_, c, file_.size() - pos_);
        return at ? static_cast<std::size_t>(static_cast<const char*>(at) - file_.data()) : file_.size();
    }

    std::string_view file_;
    std::size_t pos_, lf_, cr_;
};

std::size_t BodyBegin(std::string_view file) {
    return file.substr(0, kByteOrderMark.size()) == kByteOrderMark ? kByteOrderMark.size() : 0;
}

// A line as the reader sees it: blank, a section header, or anything else,
// which is a key, with or without "="; comments included, which no caller's
// key name can match.
struct Entry {
    enum Kind { Blank, Header, Key } kind;
    std::string_view text;  // trimmed; for a header the section's name
};

Entry Classify(std::string_view file, const Line& line) {
    const std::string_view text = Trim(file.substr(line.begin, line.end - line.begin));
    if (text.empty()) return {Entry::Blank, text};
    if (text.front() == '[') {
        const std::size_t close = text.rfind(']');
        if (close != npos) return {Entry::Header, Trim(text.substr(1, close - 1))};
    }
    return {Entry::Key, text};
}

// Where a view into `file` starts.
std::size_t OffsetIn(std::string_view file, std::string_view part) {
    return static_cast<std::size_t>(part.data() - file.data());
}

struct Key {
    std::string_view name;
    bool hasValue = false;
    std::string_view value;      // trimmed, quotes still on
    std::size_t valueBegin = 0;  // where the value's bytes start in the file
};

Key KeyOf(std::string_view file, std::string_view text) {
    Key key{text, false, {}, OffsetIn(file, text) + text.size()};
    if (const std::size_t eq = text.find('='); eq != npos) {
        key.name = Trim(text.substr(0, eq));
        key.hasValue = true;
        key.value = Trim(text.substr(eq + 1));
        key.valueBegin = key.value.empty() ? OffsetIn(file, text) + eq + 1 : OffsetIn(file, key.value);
    }
    return key;
}

// What a read or a write needs of the file about one key, found in one pass
// that stops at the key, or at the end of its section.
struct Place {
    std::size_t bodyBegin = 0;          // past a byte-order mark
    bool sectionFound = false;
    std::optional<Line> last;           // the section's last non-blank line
    std::optional<Line> keyLine;
    Key key;
};

// Only the first section of a name is searched, and in it the first key of
// a name, as the Win32 functions do. Keys before the first section header
// belong to the section with the empty name.
Place Locate(std::string_view file, std::string_view section, std::string_view key) {
    section = Trim(CutAtNul(section));
    key = Trim(CutAtNul(key));
    Place place;
    place.bodyBegin = BodyBegin(file);
    bool inSection = SameName(std::string_view(), section);
    place.sectionFound = inSection;
    Lines lines(file, place.bodyBegin);
    for (Line line{}; inSection ? lines.Next(line) : lines.NextBracketed(line);) {
        const Entry entry = Classify(file, line);
        if (entry.kind == Entry::Blank) continue;
        if (entry.kind == Entry::Header) {
            if (inSection) break;
            if (SameName(entry.text, section)) {
                inSection = place.sectionFound = true;
                place.last = line;
            }
            continue;
        }
        if (!inSection) continue;
        place.last = line;
        const Key k = KeyOf(file, entry.text);
        if (SameName(k.name, key)) {
            place.keyLine = line;
            place.key = k;
            break;
        }
    }
    return place;
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

// New lines end as the file's first line does.
std::string_view LineBreakOf(std::string_view file, std::size_t bodyBegin) {
    Lines lines(file, bodyBegin);
    if (Line first{}; lines.Next(first) && first.next > first.end) return file.substr(first.end, first.next - first.end);
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

// A write as a change of the old contents: the bytes [from, to) give way to
// `insert`. The file can then be written from the old contents without a
// second copy of them.
struct Splice {
    std::size_t from, to;
    std::string insert;
};

// Nothing when the file already holds the value. The names and the value
// are Writable.
std::optional<Splice> PlanUpdate(std::string_view contents, std::string_view section, std::string_view key,
                                 std::string_view value) {
    value = TrimStart(CutAtNul(value));
    const Place p = Locate(contents, section, key);

    if (p.keyLine) {
        // Keep the line up to its value, as the person wrote it, and the
        // line break; only the value changes.
        if (p.key.hasValue && CutAtNul(p.key.value) == value) return std::nullopt;
        return Splice{p.key.valueBegin, p.keyLine->end, (p.key.hasValue ? "" : "=") + std::string(value)};
    }

    const std::string_view eol = LineBreakOf(contents, p.bodyBegin);
    const std::string line = std::string(Trim(CutAtNul(key))).append("=").append(value).append(eol);
    if (p.sectionFound) {
        // The new key goes after the section's last line that is not blank.
        if (!p.last) return Splice{p.bodyBegin, p.bodyBegin, line};
        const bool needBreak = p.last->next == p.last->end;
        return Splice{p.last->next, p.last->next, (needBreak ? std::string(eol) : std::string()) + line};
    }

    const bool needBreak = contents.size() > p.bodyBegin && contents.back() != '\n' && contents.back() != '\r';
    std::string insert = needBreak ? std::string(eol) : std::string();
    insert.append("[").append(Trim(CutAtNul(section))).append("]").append(eol).append(line);
    return Splice{contents.size(), contents.size(), std::move(insert)};
}

}  // namespace

std::string ProfileLookup(std::string_view contents, std::string_view section, std::string_view key,
                          std::string_view fallback, std::size_t size) {
    if (size == 0) return {};
    // Blanks at the fallback's end go, but never its first character.
    fallback = CutAtNul(fallback);
    while (fallback.size() > 1 && fallback.back() == ' ') fallback.remove_suffix(1);

    const Place p = Locate(contents, section, key);
    return CopyEntry(p.keyLine && p.key.hasValue ? p.key.value : fallback, size);
}

std::optional<std::string> ProfileUpdate(std::string_view contents, std::string_view section,
                                         std::string_view key, std::string_view value) {
    if (!Writable(section, key, value)) return std::nullopt;
    const std::optional<Splice> splice = PlanUpdate(contents, section, key, value);
    if (!splice) return std::nullopt;
    std::string out;
    out.reserve(contents.size() - (splice->to - splice->from) + splice->insert.size());
    out.append(contents.substr(0, splice->from)).append(splice->insert).append(contents.substr(splice->to));
    return out;
}

std::vector<std::pair<std::string, std::string>> ProfileKeys(std::string_view contents) {
    std::vector<std::pair<std::string, std::string>> keys;
    std::string_view section;
    Lines lines(contents, BodyBegin(contents));
    for (Line line{}; lines.Next(line);) {
        const Entry entry = Classify(contents, line);
        if (entry.kind == Entry::Header) section = entry.text;
        if (entry.kind == Entry::Key) keys.emplace_back(CutAtNul(section), CutAtNul(KeyOf(contents, entry.text).name));
    }
    return keys;
}

#ifndef _WIN32
namespace {

// Closes its file descriptor when it goes.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() { Reset(); }
    int get() const { return fd_; }
    int Release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void Reset(int fd = -1) {
        if (fd_ >= 0) close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

// Into a string sized once from the file's size, so that a large file is
// neither copied nor held twice while the string grows. Files that report no
// size, or grow meanwhile, are read a chunk at a time.
bool ReadAll(int fd, std::size_t expected, std::string& out) {
    out.resize(expected);
    std::size_t have = 0;
    while (have < out.size()) {
        const ssize_t n = read(fd, out.data() + have, out.size() - have);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        have += static_cast<std::size_t>(n);
    }
    out.resize(have);
    if (have < expected) return true;
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
    const Descriptor fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) return errno == ENOENT ? Loaded::Missing : Loaded::Failed;
    const bool ok = fstat(fd.get(), &info) == 0 && S_ISREG(info.st_mode) &&
                    ReadAll(fd.get(), static_cast<std::size_t>(info.st_size), contents);
    return ok ? Loaded::Ok : Loaded::Failed;
}

// The temporary files of "kavrel.ini" are named ".kavrel.ini." followed by
// 16 hexadecimal digits and ".tmp", a shape nobody gives a file by hand, so
// the clean-up that goes by it removes only this code's own files. While a
// temporary file has a name, its writer holds a lock (flock) on it; the lock
// goes with the process, so a named temporary file that no one holds is what
// a killed write left.
constexpr std::size_t kTempDigits = 16;
constexpr std::string_view kTempEnd = ".tmp";

std::string TempName(std::string_view base) {
    std::uint64_t bits = 0;
    if (getrandom(&bits, sizeof bits, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bits)) {
        // Unique enough: a name in use is refused, and the next one tried.
        static std::uint64_t count = 0;
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        bits = (static_cast<std::uint64_t>(now.tv_sec) << 32 ^ static_cast<std::uint64_t>(now.tv_nsec) ^
                static_cast<std::uint64_t>(getpid()) << 44) +
               ++count * 0x9E3779B97F4A7C15u;
    }
    std::string name = "." + std::string(base) + ".";
    for (int shift = 60; shift >= 0; shift -= 4) name += "0123456789abcdef"[(bits >> shift) & 0xF];
    return name.append(kTempEnd);
}

bool IsTempName(std::string_view name, std::string_view base) {
    const std::size_t digitsAt = base.size() + 2;
    return name.size() == digitsAt + kTempDigits + kTempEnd.size() && name.front() == '.' &&
           name.substr(1, base.size()) == base && name[digitsAt - 1] == '.' &&
           name.substr(digitsAt, kTempDigits).find_first_not_of("0123456789abcdef") == npos &&
           name.substr(digitsAt + kTempDigits) == kTempEnd;
}

// The temporary files of `base` in the folder that no living writer holds.
void RemoveLeftovers(int dir, std::string_view base) {
    DIR* listing = fdopendir(openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (listing == nullptr) return;
    while (const dirent* entry = readdir(listing)) {
        if (!IsTempName(entry->d_name, base)) continue;
        const Descriptor fd(openat(dir, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat info {};
        if (fd.get() >= 0 && fstat(fd.get(), &info) == 0 && S_ISREG(info.st_mode) &&
            flock(fd.get(), LOCK_EX | LOCK_NB) == 0) {
            unlinkat(dir, entry->d_name, 0);
        }
    }
    closedir(listing);
}

// An unnamed file (O_TMPFILE), locked, is given a temporary name for the
// rename. Through /proc, or where /proc is missing by the descriptor, which
// needs a privilege. Nothing when neither works.
std::optional<std::string> LinkUnnamed(int fd, int dir, std::string_view base) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    for (int attempt = 0; attempt < 8; ++attempt) {
        std::string name = TempName(base);
        if (linkat(AT_FDCWD, self.c_str(), dir, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return name;
        if (errno != EEXIST && linkat(fd, "", dir, name.c_str(), AT_EMPTY_PATH) == 0) return name;
        if (errno != EEXIST) return std::nullopt;
    }
    return std::nullopt;
}

// A new named temporary file, locked, or -1.
int CreateNamed(int dir, std::string_view base, std::string& name) {
    for (int attempt = 0; attempt < 8; ++attempt) {
        name = TempName(base);
        Descriptor fd(openat(dir, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (fd.get() < 0) {
            if (errno == EEXIST) continue;
            return -1;
        }
        // Another copy's clean-up may have come between the creation and the
        // lock: it holds the file then, or has removed it. Where the file
        // system has no locks, no clean-up removes anything.
        if (flock(fd.get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) continue;
        struct stat info {};
        if (fstat(fd.get(), &info) == 0 && info.st_nlink == 0) continue;
        return fd.Release();
    }
    return -1;
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
                  std::string_view value, TemporaryFile temporary) {
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

    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : target.substr(0, slash + 1);
    const std::string base = target.substr(slash == std::string::npos ? 0 : slash + 1);
    const Descriptor dir(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0) return false;
    // Also when the value stays: closing rewrites the same value at every run.
    RemoveLeftovers(dir.get(), base);

    const std::optional<Splice> splice = PlanUpdate(contents, section, key, value);
    if (!splice) return true;

    mode_t mode;
    if (loaded == Loaded::Ok) {
        mode = info.st_mode & 07777;
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    const std::string_view old = contents;
    const auto fill = [&](int fd) {
        // May fail for a user who may not give files away; the file is then
        // theirs, as after any rewrite. Before the mode, which it may clear.
        if (loaded == Loaded::Ok) {
            [[maybe_unused]] const int owned = fchown(fd, info.st_uid, info.st_gid);
        }
        return fchmod(fd, mode) == 0 && WriteAll(fd, old.substr(0, splice->from)) &&
               WriteAll(fd, splice->insert) && WriteAll(fd, old.substr(splice->to)) && fsync(fd) == 0;
    };

    // Written unnamed, the new contents vanish with the program wherever it
    // stops; named only for the rename, a kill between the two leaves a file
    // for the next write's clean-up.
    std::string name;
    Descriptor file;
    if (temporary == TemporaryFile::Unnamed) {
        file.Reset(openat(dir.get(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode));
        if (file.get() >= 0) {
            // Where the file system has no locks, no clean-up takes the file either.
            [[maybe_unused]] const int locked = flock(file.get(), LOCK_EX | LOCK_NB);
            if (!fill(file.get())) return false;
            if (std::optional<std::string> linked = LinkUnnamed(file.get(), dir.get(), base)) name = *linked;
        }
    }
    // Where the file system has no unnamed files, or they cannot be named.
    if (name.empty()) {
        file.Reset(CreateNamed(dir.get(), base, name));
        if (file.get() < 0) return false;
        if (!fill(file.get())) {
            unlinkat(dir.get(), name.c_str(), 0);
            return false;
        }
    }
    if (renameat(dir.get(), name.c_str(), dir.get(), base.c_str()) != 0) {
        unlinkat(dir.get(), name.c_str(), 0);
        return false;
    }
    // Make the rename itself last through a power cut. The temporary file
    // is closed, and its lock let go, only once it has no name of its own.
    fsync(dir.get());
    return true;
}
#endif

}  // namespace kavrel
