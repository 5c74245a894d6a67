// The batch decoder: serial numbers from the command line or from a stream,
// one per line, decoded and rendered as the main window would, and written
// as text, CSV or JSON Lines.
//
// RunBatch() is the whole program apart from main(); it streams, holding
// one buffer of input and one of output whatever the size of the input,
// a single endless line included.
#pragma once

#include "tools/records.h"

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kavrel::batch {

inline constexpr std::string_view ProgramName = "kavrel-decode";
inline constexpr std::string_view Version = "2.00";

// Exit statuses.
inline constexpr int ExitDecoded = 0;     // every input decoded in full
inline constexpr int ExitNotDecoded = 1;  // at least one did not
inline constexpr int ExitTrouble = 2;     // usage error, or input or output failed

struct Options {
    std::string_view language = LanguageEng;  // the language text of the window's list
    Format format = Format::Text;
    bool bom = false;  // the results begin with the UTF-8 byte-order mark
    bool help = false;
    bool version = false;
    std::vector<std::string_view> serials;  // none: read standard input
};

// Parses the arguments after the program name. Returns what was wrong, or
// an empty text when the arguments are fine.
std::string ParseOptions(const std::vector<std::string_view>& args, Options& options);

// One piece of an input line, its line end (LF or CR LF) removed. A line
// that fits the reader's buffer arrives whole; a longer one in several
// pieces, none of which splits a UTF-8 sequence or a CR LF.
struct LinePiece {
    std::string_view text;
    bool first = false;
    bool last = false;
};

// Where a LineReader's bytes come from: a file, or text held in memory.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Up to `most` bytes into `to`, fewer only at the end: 0 at the end or
    // on a failure, which Error() then tells (an errno value).
    virtual std::size_t Read(char* to, std::size_t most) = 0;
    virtual int Error() const { return 0; }
};

class FileSource final : public ByteSource {
public:
    explicit FileSource(std::FILE* in) : in_(in) {}
    std::size_t Read(char* to, std::size_t most) override;
    int Error() const override { return error_; }

private:
    std::FILE* in_;
    int error_ = 0;
};

class TextSource final : public ByteSource {
public:
    explicit TextSource(std::string_view text) : rest_(text) {}
    std::size_t Read(char* to, std::size_t most) override;

private:
    std::string_view rest_;
};

class LineReader {
public:
    static constexpr std::size_t kMinCapacity = 64;  // more than any serial number can be
    static constexpr std::size_t kDefaultCapacity = std::size_t{1} << 16;
    explicit LineReader(ByteSource& in, std::size_t capacity = kDefaultCapacity);
    explicit LineReader(std::FILE* in, std::size_t capacity = kDefaultCapacity);

    // False when the input is exhausted or could not be read (see Error).
    // The piece stays valid until the next call.
    bool Next(LinePiece& piece);
    int Error() const { return error_; }  // errno of a failed read, or 0

private:
    std::size_t HeldBack() const;

    std::unique_ptr<ByteSource> owned_;
    ByteSource& in_;
    std::size_t capacity_;
    std::unique_ptr<char[]> buffer_;
    std::size_t begin_ = 0, end_ = 0;  // unread bytes
    bool eof_ = false;
    int error_ = 0;
    bool inLine_ = false;  // pieces of a long line have been handed out
};

// Serial numbers decoded and rendered in a language and written as records
// of a format (the byte-order mark and the CSV header first): what
// kavrel-decode writes, for its arguments or its standard input's lines.
class RecordRun {
public:
    // Writes into `out`, which the caller drains between calls.
    RecordRun(std::string_view language, Format format, bool bom, std::string& out);

    void Add(std::string_view serial);
    // Appends the records of the reader's lines to `out` until it holds at
    // least `block` bytes or the input has ended; false at the end.
    bool Next(LineReader& reader, std::size_t block);
    bool AllDecoded() const { return allDecoded_; }

private:
    void Start();
    void Decoded(std::string_view serial);

    std::string_view language_;
    bool bom_;
    std::string& out_;
    bool started_ = false;
    bool allDecoded_ = true;
    CaptionTexts captions_;
    RecordWriter writer_;
    DecodeResult result_;
    DecodeResultBoxes boxes_{result_};
};

// Where the output and the messages go: UTF-8 handed over in large blocks
// (a block may end inside a character), then Flush at the end.
class Sink {
public:
    virtual ~Sink() = default;
    // False once writing has failed; Error() then holds an errno value.
    virtual bool Write(std::string_view utf8) = 0;
    virtual bool Flush() = 0;
    int Error() const { return error_; }

protected:
    int error_ = 0;
};

// A byte stream: a file or a pipe, the bytes as they are.
class FileSink final : public Sink {
public:
    explicit FileSink(std::FILE* file) : file_(file) {}
    bool Write(std::string_view utf8) override;
    bool Flush() override;

private:
    std::FILE* file_;
};

// Runs the batch decoder with `args` (without the program name) and
// returns its exit status.
int RunBatch(const std::vector<std::string_view>& args, std::FILE* in, Sink& out, Sink& err);
int RunBatch(const std::vector<std::string_view>& args, std::FILE* in, std::FILE* out, std::FILE* err);

}  // namespace kavrel::batch
