#include "tools/console.h"

#include "platform/ansi.h"
#include "text/utf8.h"

#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <string>

namespace kavrel::batch {
namespace {

// A console window takes a text in pieces of moderate size (very large
// writes fail on older systems); a piece does not split a surrogate pair.
constexpr std::size_t kPiece = 8192;

class ConsoleSink final : public Sink {
public:
    explicit ConsoleSink(HANDLE console) : console_(console) {}

    bool Write(std::string_view utf8) override {
        held_.append(utf8);
        std::string_view text = held_;
        // The mark tells a program that opens a file how it is encoded; a
        // person at a console would see it as a stray character.
        if (!started_ && text.substr(0, ByteOrderMark.size()) == ByteOrderMark)
            text.remove_prefix(ByteOrderMark.size());
        started_ = true;
        // A character cut by the block's end waits for the rest of it.
        const std::size_t keep = TruncatedTail(text);
        const bool written = Show(WideFromUtf8(text.substr(0, text.size() - keep)));
        held_.erase(0, held_.size() - keep);
        return written;
    }

    bool Flush() override {
        // What is still held is a cut character: shown as U+FFFD.
        const bool written = Show(WideFromUtf8(held_));
        held_.clear();
        return written;
    }

private:
    bool Show(const std::wstring& text) {
        for (std::size_t at = 0; at < text.size();) {
            std::size_t count = std::min<std::size_t>(kPiece, text.size() - at);
            if (count < text.size() - at && IS_HIGH_SURROGATE(text[at + count - 1])) --count;
            DWORD written = 0;
            if (!WriteConsoleW(console_, text.data() + at, static_cast<DWORD>(count), &written, nullptr) ||
                written == 0) {
                error_ = EIO;
                return false;
            }
            at += written;
        }
        return true;
    }

    HANDLE console_;
    std::string held_;
    bool started_ = false;
};

}  // namespace

std::unique_ptr<Sink> StandardSink(Standard which) {
    const bool output = which == Standard::Output;
    HANDLE handle = GetStdHandle(output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (handle && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode))
        return std::make_unique<ConsoleSink>(handle);
    return std::make_unique<FileSink>(output ? stdout : stderr);
}

}  // namespace kavrel::batch
