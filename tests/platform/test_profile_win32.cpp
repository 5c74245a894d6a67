// The project's own profile code against the Win32 profile functions (Wine's
// when the tests run under Wine): the same files read, and written, through
// both must read back the same. Also the Windows path of the settings
// functions, in a folder whose name is outside the ANSI code page.
#include "platform/profile.h"
#include "platform/settings.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using kavrel::ProfileKeys;
using kavrel::ProfileLookup;
using kavrel::ProfileUpdate;

namespace {

using Name = std::pair<std::string, std::string>;  // section, key

fs::path ExeFolder() {
    std::wstring module(32768, L'\0');
    module.resize(GetModuleFileNameW(nullptr, module.data(), static_cast<DWORD>(module.size())));
    return fs::path(module).parent_path();
}

std::string ReadBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const fs::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

struct CorpusFile {
    std::string name;
    std::string bytes;
    bool missing = false;
};

std::vector<CorpusFile> Corpus() {
    std::vector<CorpusFile> files;
    for (const auto& entry : fs::directory_iterator(ExeFolder() / "corpus")) {
        if (entry.path().extension() == ".ini") files.push_back({entry.path().filename().string(), ReadBytes(entry.path())});
    }
    std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    files.push_back({"missing file", "", true});
    return files;
}

bool IsAscii(const std::string& bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Each file gets a name of its own: Wine keeps the last profile it loaded and
// tells a changed file only by its time, which two writes within one clock
// tick share.
class Workspace {
public:
    explicit Workspace(const std::wstring& name) : folder_(ExeFolder() / name) {
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    fs::path Fresh() { return folder_ / ("case" + std::to_string(++count_) + ".ini"); }
    fs::path Holding(const CorpusFile& file) {
        fs::path path = Fresh();
        if (!file.missing) WriteBytes(path, file.bytes);
        return path;
    }

private:
    fs::path folder_;
    int count_ = 0;
};

std::string WinRead(const fs::path& file, const std::string& section, const std::string& key, const std::string& fallback) {
    char buffer[256];
    std::fill(std::begin(buffer), std::end(buffer), ' ');
    const DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), fallback.c_str(), buffer, 255,
                                             file.string().c_str());
    return std::string(buffer, n);
}

std::vector<std::string> SplitNulList(const std::vector<char>& buffer, DWORD length) {
    std::vector<std::string> out;
    for (DWORD at = 0; at < length && buffer[at] != '\0';) {
        out.emplace_back(&buffer[at]);
        at += static_cast<DWORD>(out.back().size()) + 1;
    }
    return out;
}

std::vector<Name> WinKeys(const fs::path& file) {
    std::vector<char> sections(1 << 16), keys(1 << 16);
    const std::string path = file.string();
    std::vector<Name> out;
    const DWORD n = GetPrivateProfileSectionNamesA(sections.data(), static_cast<DWORD>(sections.size()), path.c_str());
    for (const std::string& section : SplitNulList(sections, n)) {
        const DWORD m = GetPrivateProfileStringA(section.c_str(), nullptr, nullptr, keys.data(),
                                                 static_cast<DWORD>(keys.size()), path.c_str());
        for (const std::string& key : SplitNulList(keys, m)) out.emplace_back(section, key);
    }
    return out;
}

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Every name either side sees in the file, in each letter case, with and
// without blanks, and names no file holds.
std::set<Name> Probes(const std::vector<std::string>& contents, const std::vector<fs::path>& files) {
    std::set<Name> seen = {{"LANG", "LANG"}, {"LANG", "lang"}, {"Q", "double"}, {"NoSuchSection", "LANG"},
                           {"LANG", "NoSuchKey"}, {"", ""}, {"", "LANG"}, {"  LANG\t", " LANG "}};
    for (const std::string& c : contents) {
        for (const Name& n : ProfileKeys(c)) seen.insert(n);
    }
    for (const fs::path& f : files) {
        for (const Name& n : WinKeys(f)) seen.insert(n);
    }
    std::set<Name> probes;
    for (const Name& n : seen) {
        probes.insert(n);
        probes.insert({Upper(n.first), Lower(n.second)});
        probes.insert({" " + Lower(n.first), Upper(n.second) + "\t"});
    }
    return probes;
}

const std::string kFallbacks[] = {"0", "", "'quoted'", "trail  ", "\"x"};

struct Write {
    std::string section, key, value;
};

const Write kWrites[] = {
    {"LANG", "LANG", "1"},
    {"LANG", "LANG", "0"},
    {"lang", " Lang ", "RUS"},
    {"LANG", "LANG", ""},
    {"LANG", "LANG", "-1"},
    {"LANG", "LANG", "  padded  "},
    {"LANG", "LANG", "\"quoted\""},
    {"LANG", "NewKey", "x"},
    {"NewSection", "k", "v"},
    {"", "top", "1"},
    {"Q", "double", "2"},
    {"S", "noequals", "now"},
    {"LANG", "LANG", std::string(300, '7')},
};

TEST(ProfileAgainstWin32, EveryReadGivesTheSame) {
    Workspace work(L"compare-read");
    for (const CorpusFile& file : Corpus()) {
        SCOPED_TRACE(file.name);
        const fs::path path = work.Holding(file);
        for (const Name& probe : Probes({file.bytes}, {path})) {
            for (const std::string& fallback : kFallbacks) {
                EXPECT_EQ(ProfileLookup(file.bytes, probe.first, probe.second, fallback, 255),
                          WinRead(path, probe.first, probe.second, fallback))
                    << "[" << probe.first << "] " << probe.second << " default " << fallback;
            }
        }
    }
}

// Written by the own code and by the Win32 function, the two files must read
// back the same through both, for every name either holds.
TEST(ProfileAgainstWin32, EveryWriteReadsBackTheSame) {
    Workspace work(L"compare-write");
    for (const CorpusFile& file : Corpus()) {
        for (const Write& w : kWrites) {
            SCOPED_TRACE(file.name + ": [" + w.section + "] " + w.key + "=" + w.value);
            const std::string own = ProfileUpdate(file.bytes, w.section, w.key, w.value).value_or(file.bytes);
            const fs::path ownPath = work.Fresh();
            WriteBytes(ownPath, own);
            const fs::path winPath = work.Holding(file);
            WritePrivateProfileStringA(w.section.c_str(), w.key.c_str(), w.value.c_str(), winPath.string().c_str());
            const std::string win = ReadBytes(winPath);

            for (const Name& probe : Probes({own, win}, {ownPath, winPath})) {
                const std::string expected = WinRead(winPath, probe.first, probe.second, "0");
                const std::string where = "[" + probe.first + "] " + probe.second;
                EXPECT_EQ(ProfileLookup(own, probe.first, probe.second, "0", 255), expected) << where;
                EXPECT_EQ(WinRead(ownPath, probe.first, probe.second, "0"), expected) << where;
                EXPECT_EQ(ProfileLookup(win, probe.first, probe.second, "0", 255), expected) << where;
            }
        }
    }
}

// Where the own code differs on purpose: what each side gives.
struct Difference {
    const char* why;
    std::string contents, section, key;
    std::string own, win;
};

void PrintTo(const Difference& d, std::ostream* os) { *os << d.why; }

class KnownDifference : public ::testing::TestWithParam<Difference> {};

TEST_P(KnownDifference, EachSideGivesItsOwn) {
    const Difference& d = GetParam();
    Workspace work(L"differences");
    const fs::path path = work.Fresh();
    WriteBytes(path, d.contents);
    EXPECT_EQ(ProfileLookup(d.contents, d.section, d.key, "0", 255), d.own);
    EXPECT_EQ(WinRead(path, d.section, d.key, "0"), d.win);
}

const std::string Ya300 = [] {
    std::string s;
    for (int i = 0; i < 300; ++i) s += "\xD0\xAF";
    return s;
}();

INSTANTIATE_TEST_SUITE_P(Reads, KnownDifference, ::testing::Values(
    // Files are UTF-8 here; Windows reads a file with a UTF-16 mark as UTF-16.
    Difference{"UTF-16 file", std::string("\xFF\xFE[\0S\0]\0\r\0\n\0k\0=\0" "1\0\r\0\n\0", 22), "S", "k", "0", "1"},
    // 254 characters are UTF-8 characters here, ANSI code-page bytes there.
    Difference{"long non-ASCII value", "[S]\nk=" + Ya300 + "\n", "S", "k", Ya300.substr(0, 508), Ya300.substr(0, 254)}));

// Writes: the Win32 functions rewrite the whole file (CR LF, blank lines
// gone) and write names that break the file; the own code changes one line
// and refuses those names.
TEST(KnownDifferenceOnWrite, OneLineAgainstTheWholeFile) {
    Workspace work(L"differences-write");
    const std::string before = "[A]\n\nx = 1\n[LANG]\nLANG=0\n";
    const fs::path path = work.Fresh();
    WriteBytes(path, before);
    WritePrivateProfileStringA("LANG", "LANG", "1", path.string().c_str());
    EXPECT_EQ(ReadBytes(path), "[A]\r\nx=1\r\n[LANG]\r\nLANG=1\r\n");
    EXPECT_EQ(ProfileUpdate(before, "LANG", "LANG", "1"), "[A]\n\nx = 1\n[LANG]\nLANG=1\n");
}

TEST(KnownDifferenceOnWrite, KeyLikeAHeaderHidesALaterSection) {
    Workspace work(L"differences-header");
    const std::string before = "[S]\nk=1\n[T]\nj=2\n";
    const fs::path path = work.Fresh();
    WriteBytes(path, before);
    WritePrivateProfileStringA("S", "[T]x", "1", path.string().c_str());
    EXPECT_EQ(WinRead(path, "T", "j", "0"), "0");
    EXPECT_FALSE(ProfileUpdate(before, "S", "[T]x", "1").has_value());
}

// The Windows settings functions, in a folder named in Cyrillic and Chinese.
class SettingsOnWindows : public ::testing::Test {
protected:
    Workspace work{L"settings-\u041d\u0430\u0441\u0442\u0440\u043e\u0439\u043a\u0438-\u8bbe\u7f6e"};

    static std::string Utf8(const fs::path& path) { return path.u8string(); }
};

TEST_F(SettingsOnWindows, ReadsAsTheOwnCodeDoes) {
    for (const CorpusFile& file : Corpus()) {
        if (!IsAscii(file.bytes)) continue;  // the Win32 functions read other bytes in the ANSI code page
        SCOPED_TRACE(file.name);
        const fs::path path = work.Holding(file);
        for (const Name& probe : Probes({file.bytes}, {})) {
            EXPECT_EQ(kavrel::sGetINI(Utf8(path), probe.first, probe.second, "0"),
                      ProfileLookup(file.bytes, probe.first, probe.second, "0", 255))
                << "[" << probe.first << "] " << probe.second;
        }
    }
}

TEST_F(SettingsOnWindows, WritesReadBackAsTheOwnCodeReadsThem) {
    for (const CorpusFile& file : Corpus()) {
        if (!IsAscii(file.bytes)) continue;
        for (const Write& w : kWrites) {
            SCOPED_TRACE(file.name + ": [" + w.section + "] " + w.key + "=" + w.value);
            const fs::path path = work.Holding(file);
            kavrel::writeINI(Utf8(path), w.section, w.key, w.value);
            const std::string written = ReadBytes(path);
            for (const Name& probe : Probes({written, file.bytes}, {})) {
                EXPECT_EQ(kavrel::sGetINI(Utf8(path), probe.first, probe.second, "0"),
                          ProfileLookup(written, probe.first, probe.second, "0", 255))
                    << "[" << probe.first << "] " << probe.second;
            }
        }
    }
}

TEST_F(SettingsOnWindows, FirstStartThenRussianThenLineBreaks) {
    const fs::path path = work.Fresh();
    EXPECT_EQ(kavrel::sGetINI(Utf8(path), "LANG", "LANG", "0"), "0");
    kavrel::writeINI(Utf8(path), "LANG", "LANG", "1");
    ASSERT_TRUE(fs::exists(path));
    EXPECT_EQ(ProfileLookup(ReadBytes(path), "LANG", "LANG", "0", 255), "1");
    EXPECT_EQ(kavrel::sGetINI(Utf8(path), "LANG", "LANG", "0"), "1");

    const fs::path other = work.Fresh();
    kavrel::writeINI(Utf8(other), "LANG", "LANG", "a\r\nb\rc\nd");
    EXPECT_EQ(kavrel::sGetINI(Utf8(other), "LANG", "LANG", "0"), "a  b c d");
    EXPECT_EQ(ReadBytes(other), "[LANG]\r\nLANG=a  b c d\r\n");
}

TEST_F(SettingsOnWindows, LongValueComesBackAs254Characters) {
    const fs::path path = work.Fresh();
    WriteBytes(path, "[LANG]\r\nLANG=" + std::string(300, 'x') + "\r\n");
    EXPECT_EQ(kavrel::sGetINI(Utf8(path), "LANG", "LANG", "0"), std::string(254, 'x'));
}

TEST(SettingsPathOnWindows, IsBesideTheExecutable) {
    const std::string path = kavrel::SettingsPath();
    ASSERT_GT(path.size(), 11u);
    EXPECT_EQ(path.substr(path.size() - 11), "\\kavrel.ini");
    EXPECT_TRUE(fs::equivalent(fs::u8path(path.substr(0, path.size() - 11)), ExeFolder()));
}

}  // namespace
