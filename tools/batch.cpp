#include "tools/batch.h"

#include "text/utf8.h"

#include <cerrno>
#include <cstddef>
#include <cstring>

namespace kavrel::batch {
namespace {

constexpr std::string_view kUsage =
    "Usage: kavrel-decode [--lang en|ru] [--format text|csv|json] [--bom] [SERIAL...]\n"
    "Decodes Bitzer compressor serial numbers. With no SERIAL, reads them from\n"
    "standard input, one per line; only the line end (LF or CR LF) is removed.\n"
    "\n"
    "  --lang en|ru             language of the results (default en)\n"
    "  --format text|csv|json   text for reading (default), CSV with a header\n"
    "                           line, or JSON Lines\n"
    "  --bom                    begin the results with a UTF-8 byte-order mark,\n"
    "                           for a CSV file that Excel opens with a double-click\n"
    "  --help                   show this help and exit\n"
    "  --version                show the version and exit\n"
    "\n"
    "Exit status: 0 if every number decoded in full, 1 if any did not,\n"
    "2 on a usage error or when input or output failed.\n";

// An argument as it may be shown in a message: no control characters.
std::string Shown(std::string_view arg) {
    std::string s;
    AppendPlainText(s, arg);
    return s;
}

// Collects output and writes it in large blocks, never per record.
class Output {
public:
    static constexpr std::size_t kBlock = std::size_t{1} << 16;

    explicit Output(Sink& sink) : sink_(sink) { buffer.reserve(kBlock + 4096); }

    // False once writing has failed; `buffer` is then of no use.
    bool FlushIfFull() { return buffer.size() < kBlock || Write(); }
    bool Finish() { return Write() && sink_.Flush(); }
    int Error() const { return sink_.Error(); }

    std::string buffer;

private:
    bool Write() {
        if (!buffer.empty() && !sink_.Write(buffer)) return false;
        buffer.clear();
        return true;
    }

    Sink& sink_;
};

void Complain(Sink& err, std::string_view what, int error = 0) {
    std::string line(ProgramName);
    line += ": ";
    line += what;
    if (error != 0) {
        line += ": ";
        line += std::strerror(error);
    }
    line += '\n';
    if (err.Write(line)) err.Flush();
}

}  // namespace

std::string ParseOptions(const std::vector<std::string_view>& args, Options& options) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "--") {
            options.serials.insert(options.serials.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
            break;
        }
        if (arg.empty() || arg[0] != '-') {
            options.serials.push_back(arg);
            continue;
        }
        // --name, --name=value or --name value
        const std::size_t eq = arg.find('=');
        const std::string_view name = arg.substr(0, eq);
        const bool takesValue = name == "--lang" || name == "--format";
        if (!takesValue && name != "--help" && name != "--version" && name != "--bom") {
            return "unknown option '" + Shown(name) + "' (see --help)";
        }
        if (!takesValue) {
            if (eq != std::string_view::npos) return "option '" + std::string(name) + "' takes no value";
            if (name == "--bom") options.bom = true;
            if (name == "--help") options.help = true;
            if (name == "--version") options.version = true;
            if (options.help || options.version) return {};  // the rest does not matter
            continue;
        }
        std::string_view value;
        if (eq != std::string_view::npos) {
            value = arg.substr(eq + 1);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            return "option '" + std::string(name) + "' needs a value";
        }
        if (name == "--lang") {
            if (value == "en") {
                options.language = LanguageEng;
            } else if (value == "ru") {
                options.language = LanguageRus;
            } else {
                return "unknown language '" + Shown(value) + "' (use en or ru)";
            }
        } else if (value == "text") {
            options.format = Format::Text;
        } else if (value == "csv") {
            options.format = Format::Csv;
        } else if (value == "json") {
            options.format = Format::Json;
        } else {
            return "unknown format '" + Shown(value) + "' (use text, csv or json)";
        }
    }
    return {};
}

std::size_t FileSource::Read(char* to, std::size_t most) {
    const std::size_t got = std::fread(to, 1, most, in_);
    if (got == 0 && std::ferror(in_)) error_ = errno != 0 ? errno : EIO;
    return got;
}

std::size_t TextSource::Read(char* to, std::size_t most) {
    const std::size_t got = rest_.copy(to, most);
    rest_.remove_prefix(got);
    return got;
}

LineReader::LineReader(ByteSource& in, std::size_t capacity)
    : in_(in),
      capacity_(capacity < kMinCapacity ? kMinCapacity : capacity),
      buffer_(std::make_unique<char[]>(capacity_)) {}

LineReader::LineReader(std::FILE* in, std::size_t capacity)
    : owned_(std::make_unique<FileSource>(in)),
      in_(*owned_),
      capacity_(capacity < kMinCapacity ? kMinCapacity : capacity),
      buffer_(std::make_unique<char[]>(capacity_)) {}

// Bytes at the end of a full buffer that must wait for the next read: a CR
// that may start a CR LF, or a UTF-8 sequence cut by the buffer's end.
std::size_t LineReader::HeldBack() const {
    const std::string_view data(buffer_.get(), end_);
    return data.back() == '\r' ? 1 : TruncatedTail(data);
}

bool LineReader::Next(LinePiece& piece) {
    for (;;) {
        char* const data = buffer_.get();
        if (begin_ < end_) {
            if (auto* nl = static_cast<char*>(std::memchr(data + begin_, '\n', end_ - begin_))) {
                std::string_view text(data + begin_, static_cast<std::size_t>(nl - (data + begin_)));
                if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
                piece = {text, !inLine_, true};
                begin_ = static_cast<std::size_t>(nl - data) + 1;
                inLine_ = false;
                return true;
            }
        }
        if (eof_) {
            if (begin_ == end_ && !inLine_) return false;
            // The last line has no line end; a lone CR stays part of it.
            piece = {std::string_view(data + begin_, end_ - begin_), !inLine_, true};
            begin_ = end_;
            inLine_ = false;
            return true;
        }
        if (begin_ > 0) {
            std::memmove(data, data + begin_, end_ - begin_);
            end_ -= begin_;
            begin_ = 0;
        }
        if (end_ == capacity_) {  // a line longer than the buffer: hand out what is here
            const std::size_t keep = HeldBack();
            piece = {std::string_view(data, end_ - keep), !inLine_, false};
            begin_ = end_ - keep;
            inLine_ = true;
            return true;
        }
        const std::size_t got = in_.Read(data + end_, capacity_ - end_);
        end_ += got;
        if (got == 0) {
            error_ = in_.Error();
            eof_ = true;
        }
    }
}

bool FileSink::Write(std::string_view utf8) {
    if (std::fwrite(utf8.data(), 1, utf8.size(), file_) == utf8.size()) return true;
    error_ = errno;
    return false;
}

bool FileSink::Flush() {
    if (std::fflush(file_) == 0 && !std::ferror(file_)) return true;
    error_ = errno;
    return false;
}

// The captions and the results go through the window's own language steps,
// with the language text the window's list would show.
RecordRun::RecordRun(std::string_view language, Format format, bool bom, std::string& out)
    : language_(language),
      bom_(bom),
      out_(out),
      captions_([language] {
          CaptionTexts captions;
          ApplyLanguage(language, captions);
          return captions;
      }()),
      writer_(format, captions_, out) {}

void RecordRun::Start() {
    if (started_) return;
    if (bom_) out_ += ByteOrderMark;
    writer_.Header();
    started_ = true;
}

void RecordRun::Decoded(std::string_view serial) {
    Decode(serial, result_);
    TranslateResult(language_, boxes_);
    if (result_.Osibka) allDecoded_ = false;
}

void RecordRun::Add(std::string_view serial) {
    Start();
    Decoded(serial);
    writer_.Record(serial, result_);
}

bool RecordRun::Next(LineReader& reader, std::size_t block) {
    Start();
    LinePiece piece;
    while (out_.size() < block) {
        if (!reader.Next(piece)) return false;
        // The first piece of a long line already has more characters than
        // any serial number, so it decodes as the whole line would.
        if (piece.first) Decoded(piece.text);
        if (piece.first && piece.last) {
            writer_.Record(piece.text, result_);
        } else {
            if (piece.first) writer_.BeginInput();
            writer_.InputPiece(piece.text);
            if (piece.last) writer_.EndInput(result_);
        }
    }
    return true;
}

int RunBatch(const std::vector<std::string_view>& args, std::FILE* in, std::FILE* out, std::FILE* err) {
    FileSink outSink(out), errSink(err);
    return RunBatch(args, in, outSink, errSink);
}

int RunBatch(const std::vector<std::string_view>& args, std::FILE* in, Sink& out, Sink& err) {
    Options options;
    const std::string problem = ParseOptions(args, options);
    if (!problem.empty()) {
        Complain(err, problem);
        return ExitTrouble;
    }

    Output output(out);
    bool written = true;
    bool allDecoded = true;
    if (options.help) {
        output.buffer += kUsage;
    } else if (options.version) {
        output.buffer += Version;
        output.buffer += '\n';
    } else {
        RecordRun run(options.language, options.format, options.bom, output.buffer);
        if (!options.serials.empty()) {
            for (const std::string_view serial : options.serials) {
                run.Add(serial);
                if (!(written = output.FlushIfFull())) break;
            }
        } else {
            LineReader reader(in);
            while (run.Next(reader, Output::kBlock)) {
                if (!(written = output.FlushIfFull())) break;
            }
            if (reader.Error() != 0) {
                if (written) output.Finish();  // what was decoded before the failure
                Complain(err, "cannot read standard input", reader.Error());
                return ExitTrouble;
            }
        }
        allDecoded = run.AllDecoded();
    }
    if (!written || !output.Finish()) {
        Complain(err, "cannot write standard output", output.Error());
        return ExitTrouble;
    }
    return allDecoded ? ExitDecoded : ExitNotDecoded;
}

}  // namespace kavrel::batch
