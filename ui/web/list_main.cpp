// The WebAssembly module behind the page's list view, run in a worker: it
// holds the list (tools/list.h), hands the view the rows it shows and
// writes the outputs a block at a time. The worker's script only moves
// bytes between the file, this module and the page.
#include "form/layout.h"
#include "tools/list.h"
#include "ui/web/page_texts.h"

#include <emscripten.h>

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace kavrel {
namespace {


struct Worker {
    batch::SerialList list;
    std::string room;  // where the script writes the next bytes of the input
    std::string shown;  // the last view handed to the script
    std::unique_ptr<batch::ListOutput> output;
    std::string_view block;  // the output's last block
};

Worker& TheWorker() {
    static Worker worker;
    return worker;
}

// The language item's text ("ENG", "RUS") for an index of the language
// list; the page's texts for it.
std::string_view LanguageText(int language) {
    return language >= 0 && static_cast<std::size_t>(language) < LanguageItems.size()
               ? LanguageItems[static_cast<std::size_t>(language)]
               : LanguageItems[0];
}

batch::SheetWords WordsFor(int language) {
    const auto text = [language](std::string_view name) { return ListTextFor(name, language); };
    return {text("ListInput"),
            text("ListReasons"),
            {text("ListReasonLength"), text("ListReasonPlant"), text("ListReasonMonth"), text("ListReasonYear")},
            ", "};
}

const char* Handed(std::string&& text) {
    TheWorker().shown = std::move(text);
    return TheWorker().shown.c_str();
}

}  // namespace
}  // namespace kavrel

using kavrel::TheWorker;

extern "C" {

// Room for the next `bytes` bytes of the input.
EMSCRIPTEN_KEEPALIVE char* list_room(int bytes) {
    TheWorker().room.resize(static_cast<std::size_t>(bytes > 0 ? bytes : 0));
    return TheWorker().room.data();
}

// Whether an input that begins with the room's bytes is text.
EMSCRIPTEN_KEEPALIVE int list_is_text() { return kavrel::batch::LooksLikeText(TheWorker().room); }

// A new list from a file named as the room's text (empty for a paste) of
// `bytes` bytes.
EMSCRIPTEN_KEEPALIVE void list_start(double bytes) {
    TheWorker().output.reset();
    TheWorker().list.Start(kavrel::batch::ColumnsOf(TheWorker().room), bytes > 0 ? static_cast<std::size_t>(bytes) : 0);
}

EMSCRIPTEN_KEEPALIVE void list_feed() { TheWorker().list.Feed(TheWorker().room); }
EMSCRIPTEN_KEEPALIVE void list_end() { TheWorker().list.End(); }
EMSCRIPTEN_KEEPALIVE int list_rows() { return static_cast<int>(TheWorker().list.Rows()); }
EMSCRIPTEN_KEEPALIVE int list_failed() { return static_cast<int>(TheWorker().list.Failed()); }
EMSCRIPTEN_KEEPALIVE int list_shown(int failedOnly) { return static_cast<int>(TheWorker().list.Shown(failedOnly != 0)); }

// Every text of the list view in a language: per text its name, a tab,
// the text and a line end.
EMSCRIPTEN_KEEPALIVE const char* list_texts(int language) {
    std::string texts;
    for (const kavrel::PageText& text : kavrel::ListTexts) {
        texts += text.name;
        texts += '\t';
        texts += kavrel::ListTextFor(text.name, language);
        texts += '\n';
    }
    return kavrel::Handed(std::move(texts));
}

// The table's header and up to `count` of the rows shown from place
// `first` on, in a language: per row its line number, 1 when it failed,
// then its fields as the tab-separated text has them; a tab between
// fields, a line end after each row.
EMSCRIPTEN_KEEPALIVE const char* list_view(int first, int count, int failedOnly, int language) {
    const kavrel::batch::SerialList& list = TheWorker().list;
    std::string text = std::string(kavrel::ListTextFor("ListLine", language)) + '\t';
    kavrel::batch::SheetWriter sheet(kavrel::LanguageText(language), kavrel::WordsFor(language), text);
    sheet.Header();
    const std::size_t shown = list.Shown(failedOnly != 0);
    for (std::size_t place = static_cast<std::size_t>(first > 0 ? first : 0);
         place < shown && count-- > 0; ++place) {
        const std::size_t row = list.ShownRow(place, failedOnly != 0);
        text += std::to_string(row + 1);
        text += list.Failures(row) != 0 ? "\t1\t" : "\t0\t";
        sheet.Row(list.Input(row));
    }
    return kavrel::Handed(std::move(text));
}

// An output of the whole list: 0 CSV, 1 JSON Lines, 2 tab-separated text;
// then its blocks, one by one, until an empty one.
EMSCRIPTEN_KEEPALIVE void list_output(int format, int language, int bom) {
    using kavrel::batch::ListFormat;
    const ListFormat formats[] = {ListFormat::Csv, ListFormat::Json, ListFormat::Sheet};
    TheWorker().output = std::make_unique<kavrel::batch::ListOutput>(
        TheWorker().list, formats[format >= 0 && format < 3 ? format : 0], kavrel::LanguageText(language), bom != 0,
        kavrel::WordsFor(language));
}
EMSCRIPTEN_KEEPALIVE int list_output_next(int block) {
    if (!TheWorker().output) return 0;
    TheWorker().block = TheWorker().output->Next(static_cast<std::size_t>(block));
    if (TheWorker().block.empty()) TheWorker().output.reset();
    return static_cast<int>(TheWorker().block.size());
}
// The last block's bytes (list_output_next told how many).
EMSCRIPTEN_KEEPALIVE const char* list_block() { return TheWorker().block.data(); }

}  // extern "C"
