#include "tools/list.h"

#include "text/utf8.h"

#include <algorithm>
#include <cstring>

namespace kavrel::batch {

bool LooksLikeText(std::string_view head) {
    if (head.substr(0, ByteOrderMark.size()) == ByteOrderMark) head.remove_prefix(ByteOrderMark.size());
    if (head.find('\0') != std::string_view::npos) return false;
    std::size_t characters = 0, odd = 0;
    for (std::size_t at = 0; at < head.size();) {
        const Utf8Char ch = NextUtf8Char(head, at);
        const auto b = static_cast<unsigned char>(head[at]);
        at += ch.length;
        if (ch.truncated) break;
        ++characters;
        const bool control = (b < 0x20 && b != '\t' && b != '\n' && b != '\r' && b != '\f') || b == 0x7F;
        if (!ch.valid || control) ++odd;
    }
    return odd * 8 <= characters;
}

Columns ColumnsOf(std::string_view fileName) {
    constexpr std::string_view csv = ".csv";
    if (fileName.size() < csv.size()) return Columns::Tabs;
    const std::string_view end = fileName.substr(fileName.size() - csv.size());
    for (std::size_t i = 0; i < csv.size(); ++i) {
        if ((end[i] | 0x20) != csv[i]) return Columns::Tabs;
    }
    return Columns::Csv;
}

void SerialList::Start(Columns columns, std::size_t expectedBytes) {
    columns_ = columns;
    text_.clear();
    starts_.clear();
    failures_.clear();
    failedRows_.clear();
    head_.clear();
    started_ = false;
    inLine_ = false;
    cut_ = false;
    lastHasEnd_ = true;
    // A serial number and its line end take eleven or nine bytes.
    text_.reserve(expectedBytes + 2);
    starts_.reserve(expectedBytes / 9 + 1);
    failures_.reserve(expectedBytes / 9 + 1);
}

void SerialList::Feed(std::string_view chunk) {
    if (!started_) {
        // The mark's three bytes may come in several chunks.
        const std::size_t wanted = ByteOrderMark.size() - head_.size();
        head_.append(chunk.substr(0, wanted));
        chunk.remove_prefix(std::min(wanted, chunk.size()));
        if (head_.size() < ByteOrderMark.size() && ByteOrderMark.substr(0, head_.size()) == head_) return;
        started_ = true;
        if (head_ != ByteOrderMark) Take(head_);
        head_.clear();
    }
    Take(chunk);
}

void SerialList::Take(std::string_view bytes) {
    while (!bytes.empty()) {
        if (!inLine_) {
            inLine_ = true;
            cut_ = false;
            lineStart_ = text_.size();
        }
        const auto* nl = static_cast<const char*>(std::memchr(bytes.data(), '\n', bytes.size()));
        const std::size_t end = nl ? static_cast<std::size_t>(nl - bytes.data()) : bytes.size();
        if (!cut_) {
            const std::string_view piece = bytes.substr(0, end);
            const std::size_t column =
                piece.find_first_of(columns_ == Columns::Csv ? std::string_view("\t,;") : std::string_view("\t"));
            text_.append(piece.substr(0, column));
            cut_ = column != std::string_view::npos;
        }
        if (!nl) return;
        EndLine(true);
        bytes.remove_prefix(end + 1);
    }
}

void SerialList::End() {
    if (!started_) {
        // An input shorter than the mark: only the mark itself is dropped.
        started_ = true;
        if (head_ != ByteOrderMark) Take(head_);
        head_.clear();
    }
    if (inLine_) EndLine(false);
}

void SerialList::EndLine(bool lineEnd) {
    inLine_ = false;
    // The CR of a CR LF; a tab before it has left it out already.
    if (lineEnd && !cut_ && text_.size() > lineStart_ && text_.back() == '\r') text_.pop_back();
    const bool endsInCr = text_.size() > lineStart_ && text_.back() == '\r';
    if (lineEnd) text_ += endsInCr ? "\r\n" : "\n";
    lastHasEnd_ = lineEnd;
    starts_.push_back(static_cast<std::uint32_t>(lineStart_));
    const std::size_t row = starts_.size() - 1;
    Decode(Input(row), result_);
    failures_.push_back(static_cast<std::uint8_t>(result_.failures));
    if (result_.Osibka) failedRows_.push_back(static_cast<std::uint32_t>(row));
}

std::string_view SerialList::Input(std::size_t row) const {
    const std::size_t begin = starts_[row];
    const bool last = row + 1 == starts_.size();
    std::size_t end = last ? text_.size() : starts_[row + 1];
    if (!last || lastHasEnd_) {
        --end;  // the LF
        if (end > begin && text_[end - 1] == '\r') --end;
    }
    return std::string_view(text_).substr(begin, end - begin);
}

std::string_view ColumnName(std::string_view caption) {
    while (!caption.empty() && (caption.back() == ' ' || caption.back() == ':')) caption.remove_suffix(1);
    return caption;
}

namespace {

std::string_view LanguageOf(std::string_view languageText) {
    return languageText == LanguageRus ? LanguageRus : LanguageEng;
}

}  // namespace

SheetWriter::SheetWriter(std::string_view languageText, const SheetWords& words, std::string& out)
    : language_(LanguageOf(languageText)), words_(words), out_(out) {
    ApplyLanguage(language_, captions_);
}

void SheetWriter::Header() {
    out_ += words_.input;
    for (const TableRow& row : ResultTable) {
        out_ += '\t';
        out_ += ColumnName(captions_.Get(row.caption));
    }
    out_ += '\t';
    out_ += words_.reasons;
    out_ += '\n';
}

void SheetWriter::Row(std::string_view input) {
    Decode(input, result_);
    TranslateResult(language_, boxes_);
    AppendPlainText(out_, input);
    for (const TableRow& row : ResultTable) {
        out_ += '\t';
        AppendPlainText(out_, result_.*row.field);
    }
    out_ += '\t';
    bool first = true;
    for (std::size_t i = 0; i < ReasonWords.size(); ++i) {
        if ((result_.failures & ReasonWords[i].failure) == 0) continue;
        if (!first) out_ += words_.reasonSeparator;
        out_ += words_.reasonNames[i];
        first = false;
    }
    out_ += '\n';
}

ListOutput::ListOutput(const SerialList& list, ListFormat format, std::string_view languageText, bool bom,
                       const SheetWords& words)
    : list_(list),
      format_(format),
      source_(list.Text()),
      reader_(source_),
      run_(LanguageOf(languageText), format == ListFormat::Json ? Format::Json : Format::Csv, bom, out_),
      sheet_(languageText, words, out_) {}

std::string_view ListOutput::Next(std::size_t block) {
    out_.clear();
    if (ended_) return {};
    if (format_ != ListFormat::Sheet) {
        ended_ = !run_.Next(reader_, block);
        return out_;
    }
    if (!headed_) {
        sheet_.Header();
        headed_ = true;
    }
    for (; row_ < list_.Rows() && out_.size() < block; ++row_) sheet_.Row(list_.Input(row_));
    ended_ = row_ == list_.Rows();
    return out_;
}

}  // namespace kavrel::batch
