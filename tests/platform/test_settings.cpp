// The settings file on disk: the program's own reads and writes, and writes
// that cannot succeed.
#include "platform/profile.h"
#include "platform/settings.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using kavrel::sGetINI;
using kavrel::TemporaryFile;
using kavrel::writeINI;

namespace {

std::string ReadBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const fs::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

std::set<std::string> Entries(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.insert(e.path().filename().string());
    return names;
}

struct stat Stat(const fs::path& file) {
    struct stat info {};
    EXPECT_EQ(lstat(file.c_str(), &info), 0) << file;
    return info;
}

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "kavrel-settings-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder = pattern;
        ini = (folder / "kavrel.ini").string();
    }
    void TearDown() override { fs::remove_all(folder); }

    fs::path folder;
    std::string ini;
};

TEST_F(SettingsFile, FirstStartThenRussianThenEnglish) {
    EXPECT_EQ(sGetINI(ini, "LANG", "LANG", "0"), "0");
    EXPECT_FALSE(fs::exists(ini));  // reading never creates the file

    const mode_t mask = umask(022);
    writeINI(ini, "LANG", "LANG", "0");
    umask(mask);
    EXPECT_EQ(ReadBytes(ini), "[LANG]\nLANG=0\n");
    EXPECT_EQ(Stat(ini).st_mode & 07777, 0644u);

    writeINI(ini, "LANG", "LANG", "1");
    EXPECT_EQ(ReadBytes(ini), "[LANG]\nLANG=1\n");
    EXPECT_EQ(sGetINI(ini, "LANG", "LANG", "0"), "1");

    // Closing without a change writes the same value: the file stays as it is.
    const ino_t inode = Stat(ini).st_ino;
    writeINI(ini, "LANG", "LANG", "1");
    EXPECT_EQ(Stat(ini).st_ino, inode);

    writeINI(ini, "LANG", "LANG", "0");
    EXPECT_EQ(sGetINI(ini, "LANG", "LANG", "0"), "0");
    EXPECT_EQ(Entries(folder), std::set<std::string>{"kavrel.ini"});
}

TEST_F(SettingsFile, LongValueReadsAs254Characters) {
    WriteBytes(ini, "[LANG]\r\nLANG=" + std::string(300, '1') + "\r\n");
    EXPECT_EQ(sGetINI(ini, "LANG", "LANG", "0"), std::string(254, '1'));
}

TEST_F(SettingsFile, LineBreaksInAValueBecomeSpacesOnOneLine) {
    writeINI(ini, "LANG", "LANG", "a\r\nb\nc\rd\n");
    EXPECT_EQ(ReadBytes(ini), "[LANG]\nLANG=a  b c d \n");
    EXPECT_EQ(sGetINI(ini, "LANG", "LANG", "0"), "a  b c d");
}

TEST_F(SettingsFile, OtherSectionsAndCommentsKeptByteForByte) {
    const std::string before = "; mine\r\n[Window]\r\nTop = 20\r\n\r\n[LANG]\r\nLANG=0\r\n[Z]\nz=\x01\xFF";
    WriteBytes(ini, before);
    writeINI(ini, "LANG", "LANG", "1");
    EXPECT_EQ(ReadBytes(ini), "; mine\r\n[Window]\r\nTop = 20\r\n\r\n[LANG]\r\nLANG=1\r\n[Z]\nz=\x01\xFF");
}

// Both ways of making the temporary file: the program's, and the one for
// file systems without unnamed files.
class EitherTemporary : public SettingsFile, public ::testing::WithParamInterface<TemporaryFile> {};

INSTANTIATE_TEST_SUITE_P(Ways, EitherTemporary, ::testing::Values(TemporaryFile::Unnamed, TemporaryFile::Named),
                         [](const auto& way) { return way.param == TemporaryFile::Unnamed ? "unnamed" : "named"; });

TEST_P(EitherTemporary, ReplacedThroughATemporaryFileKeepingPermissionsAndOwner) {
    WriteBytes(ini, "[LANG]\nLANG=0\n");
    ASSERT_EQ(chmod(ini.c_str(), 0604), 0);
    const bool root = geteuid() == 0;  // only root may give the file away
    if (root) {
        ASSERT_EQ(chown(ini.c_str(), 12345, 23456), 0);
    }
    const ino_t inode = Stat(ini).st_ino;
    EXPECT_TRUE(kavrel::ProfileWrite(ini, "LANG", "LANG", "1", GetParam()));
    EXPECT_EQ(ReadBytes(ini), "[LANG]\nLANG=1\n");
    EXPECT_NE(Stat(ini).st_ino, inode);  // a new file renamed over the old one
    EXPECT_EQ(Stat(ini).st_mode & 07777, 0604u);
    if (root) {
        EXPECT_EQ(Stat(ini).st_uid, 12345u);
        EXPECT_EQ(Stat(ini).st_gid, 23456u);
    }
    EXPECT_EQ(Entries(folder), std::set<std::string>{"kavrel.ini"});
}

TEST_F(SettingsFile, ThroughASymbolicLinkTheLinkStays) {
    WriteBytes(folder / "real.ini", "[LANG]\nLANG=0\n");
    fs::create_symlink("real.ini", ini);
    writeINI(ini, "LANG", "LANG", "1");
    EXPECT_TRUE(fs::is_symlink(ini));
    EXPECT_EQ(ReadBytes(folder / "real.ini"), "[LANG]\nLANG=1\n");
}

// Root may write anywhere, so these fail by the shape of the path.
TEST_F(SettingsFile, WriteIntoAFolderThatIsAFileChangesNothing) {
    const fs::path notFolder = folder / "notafolder";
    WriteBytes(notFolder, "keep");
    const std::string path = (notFolder / "kavrel.ini").string();
    writeINI(path, "LANG", "LANG", "1");
    EXPECT_FALSE(kavrel::ProfileWrite(path, "LANG", "LANG", "1"));
    EXPECT_EQ(ReadBytes(notFolder), "keep");
    EXPECT_EQ(sGetINI(path, "LANG", "LANG", "0"), "0");
    EXPECT_EQ(Entries(folder), std::set<std::string>{"notafolder"});
}

TEST_F(SettingsFile, WriteToAFileNameThatIsAFolderChangesNothing) {
    fs::create_directory(ini);
    writeINI(ini, "LANG", "LANG", "1");
    EXPECT_FALSE(kavrel::ProfileWrite(ini, "LANG", "LANG", "1"));
    EXPECT_TRUE(fs::is_directory(ini));
    EXPECT_TRUE(fs::is_empty(ini));
    EXPECT_EQ(sGetINI(ini, "LANG", "LANG", "0"), "0");
    EXPECT_EQ(Entries(folder), std::set<std::string>{"kavrel.ini"});
}

TEST_F(SettingsFile, AFifoInThePlaceOfTheFileDoesNotStall) {
    ASSERT_EQ(mkfifo(ini.c_str(), 0644), 0);
    EXPECT_EQ(sGetINI(ini, "LANG", "LANG", "0"), "0");
    writeINI(ini, "LANG", "LANG", "1");
    EXPECT_EQ(fs::status(ini).type(), fs::file_type::fifo);
}

// A full disk, as a file-size limit: the new contents cannot be written.
TEST_P(EitherTemporary, FullDiskLeavesTheOldFileAndNoTemporaryFile) {
    const std::string before = "[LANG]\nLANG=0\n; " + std::string(100, '-') + "\n";
    WriteBytes(ini, before);
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = kavrel::ProfileWrite(ini, "LANG", "LANG", "1", GetParam());
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);

    EXPECT_FALSE(written);
    EXPECT_EQ(ReadBytes(ini), before);
    EXPECT_EQ(Entries(folder), std::set<std::string>{"kavrel.ini"});
}

// A write killed at any moment leaves the old file or the new one, whole;
// what it leaves beside the file goes with the next write.
TEST_P(EitherTemporary, KilledWhileWritingLeavesAWholeFile) {
    std::string filler;
    for (int line = 0; filler.size() < (1u << 20); ++line) filler += "k" + std::to_string(line % 1000) + "=x\n";
    const std::string zero = "[LANG]\nLANG=0\n" + filler, one = "[LANG]\nLANG=1\n" + filler;
    WriteBytes(ini, zero);
    // The kills fall anywhere within the first few writes of the child.
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(kavrel::ProfileWrite(ini, "LANG", "LANG", "1", GetParam()));
    ASSERT_TRUE(kavrel::ProfileWrite(ini, "LANG", "LANG", "0", GetParam()));
    const auto perWrite = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start) / 2;
    std::mt19937 random(20240611);
    std::uniform_int_distribution<long> delay(0, 3 * perWrite.count() + 100);

    int leftBehind = 0;
    constexpr int kKills = 100;
    for (int kill = 0; kill < kKills; ++kill) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = 1;; ++i) kavrel::ProfileWrite(ini, "LANG", "LANG", i % 2 ? "1" : "0", GetParam());
        }
        usleep(static_cast<useconds_t>(delay(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        const std::string now = ReadBytes(ini);
        ASSERT_TRUE(now == zero || now == one) << "kill " << kill << " left " << now.size() << " bytes";
        std::set<std::string> others = Entries(folder);
        others.erase("kavrel.ini");
        leftBehind += others.empty() ? 0 : 1;
        for (const std::string& name : others) EXPECT_EQ(name.rfind(".kavrel.ini.", 0), 0u) << name;
    }
    std::cout << kKills << " kills, " << leftBehind << " left a temporary file\n";
    EXPECT_TRUE(kavrel::ProfileWrite(ini, "LANG", "LANG", "1", GetParam()));
    EXPECT_EQ(ReadBytes(ini), one);
    EXPECT_EQ(Entries(folder), std::set<std::string>{"kavrel.ini"});
}

// Only the temporary files that no living write holds go, and nothing else
// that merely looks like one.
TEST_F(SettingsFile, NextWriteRemovesOnlyLeftTemporaryFiles) {
    const std::string left1 = ".kavrel.ini.0123456789abcdef.tmp", left2 = ".kavrel.ini.fedcba9876543210.tmp";
    const std::string held = ".kavrel.ini.00000000000000aa.tmp";
    const std::set<std::string> kept = {"kavrel.ini", held, ".kavrel.ini.bak", ".kavrel.ini.0123456789abcdef",
                                        ".kavrel.ini.0123456789ABCDEF.tmp", ".kavrel.ini.0123456789abcde.tmp",
                                        ".other.ini.0123456789abcdef.tmp", "kavrel.ini.0123456789abcdef.tmp"};
    for (const std::string& name : kept) WriteBytes(folder / name, "[LANG]\nLANG=0\n");
    WriteBytes(folder / left1, "partial");
    WriteBytes(folder / left2, "");
    fs::create_directory(folder / ".kavrel.ini.1111111111111111.tmp");  // not a file: not ours
    // Another copy of the program in the middle of its write holds its file.
    const int holder = open((folder / held).c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(flock(holder, LOCK_EX), 0);

    writeINI(ini, "LANG", "LANG", "0");  // the same value: nothing to write, still cleaned
    close(holder);
    std::set<std::string> expected = kept;
    expected.insert(".kavrel.ini.1111111111111111.tmp");
    EXPECT_EQ(Entries(folder), expected);
}

// Tens of megabytes of short lines, the program's section in the middle:
// the read finds its value and each write changes its one place, byte for
// byte everything else as it was.
struct LargeCase {
    const char* name;
    std::string section, key, value;
    std::string was, becomes;  // the part that changes; nothing: the end of the file
};

void PrintTo(const LargeCase& c, std::ostream* os) { *os << c.name; }

class LargeFile : public SettingsFile, public ::testing::WithParamInterface<LargeCase> {};

INSTANTIATE_TEST_SUITE_P(Writes, LargeFile, ::testing::Values(
    LargeCase{"value", "LANG", "LANG", "1", "[LANG]\nLANG=0\n", "[LANG]\nLANG=1\n"},
    LargeCase{"new_key", "lang", "New", "x y", "[LANG]\nLANG=0\n", "[LANG]\nLANG=0\nNew=x y\n"},
    LargeCase{"new_section", "Other", "k", "v", "", "[Other]\nk=v\n"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_P(LargeFile, ChangesOnlyItsPlace) {
    const LargeCase& c = GetParam();
    std::string lines;
    for (unsigned line = 0; lines.size() < (12u << 20); ++line) {
        if (line % 100 == 0) lines += "[S" + std::to_string(line / 100) + "]\n";
        lines += line % 3 == 0 ? "k=" + std::to_string(line % 10) + "\n" : line % 3 == 1 ? "x\r\n" : "\n";
    }
    const std::string before = lines + "[LANG]\nLANG=0\n" + lines + "[Last]\nend=yes";
    WriteBytes(ini, before);
    EXPECT_EQ(sGetINI(ini, "LANG", "LANG", "d"), "0");
    EXPECT_EQ(sGetINI(ini, "Last", "end", "d"), "yes");
    EXPECT_EQ(sGetINI(ini, "S5", "LANG", "d"), "d");

    writeINI(ini, c.section, c.key, c.value);
    std::string after = before;
    if (c.was.empty()) {
        after += "\n" + c.becomes;
    } else {
        after.replace(after.find(c.was), c.was.size(), c.becomes);
    }
    const std::string written = ReadBytes(ini);
    EXPECT_EQ(written.size(), after.size());
    EXPECT_TRUE(written == after);  // not printed: 25 MB
    EXPECT_EQ(sGetINI(ini, c.section, c.key, "d"), c.value);
}

TEST(SettingsPath, IsBesideTheExecutable) {
    EXPECT_EQ(kavrel::SettingsPath(), std::string(KAVREL_TEST_BINARY_DIR) + "/kavrel.ini");
}

}  // namespace
