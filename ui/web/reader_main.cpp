// The WebAssembly module of the photo reader's worker: the core's reader
// (what a file is, the size to decode it to, the prepared images, the
// reading plan, the candidates and their texts) behind small exported
// calls. The worker's script moves bytes and texts and decides nothing.
#include "lang/texts.h"
#include "read/reader.h"
#include "read/sniff.h"

#include <emscripten.h>

#include <algorithm>
#include <utility>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kavrel {
namespace {

// The first bytes handed over for sniffing: a JPEG's size may follow a
// large Exif block.
constexpr int kHeadBytes = 256 * 1024;

struct Worker {
    std::vector<std::uint8_t> room;  // where the script writes bytes
    ImageInfo info;
    Size decode;
    PhotoReader reader;
    const EnginePass* pass = nullptr;
    std::vector<Candidate> candidates;
    std::string text;  // the last text handed out
};

Worker& TheWorker() {
    static Worker worker;
    return worker;
}

std::string_view Mime(ImageKind kind) {
    switch (kind) {
        case ImageKind::Jpeg: return "image/jpeg";
        case ImageKind::Png: return "image/png";
        case ImageKind::Gif: return "image/gif";
        case ImageKind::WebP: return "image/webp";
        case ImageKind::Bmp: return "image/bmp";
        case ImageKind::Unknown: break;
    }
    return "";
}

const char* Handed(std::string text) {
    TheWorker().text = std::move(text);
    return TheWorker().text.c_str();
}

const Candidate* At(int i) {
    const auto& list = TheWorker().candidates;
    return i >= 0 && static_cast<std::size_t>(i) < list.size() ? &list[static_cast<std::size_t>(i)] : nullptr;
}

}  // namespace
}  // namespace kavrel

using kavrel::TheWorker;

extern "C" {

EMSCRIPTEN_KEEPALIVE int reader_head_size() { return kavrel::kHeadBytes; }

// Room for `bytes` bytes from the script; its address.
EMSCRIPTEN_KEEPALIVE std::uint8_t* reader_room(int bytes) {
    auto& room = TheWorker().room;
    room.assign(static_cast<std::size_t>(bytes > 0 ? bytes : 1), 0);
    return room.data();
}

// The file's first `bytes` bytes are in the room: 1 when it is a picture
// a browser decodes, and its size is known.
EMSCRIPTEN_KEEPALIVE int reader_sniff(int bytes) {
    auto& worker = TheWorker();
    const std::size_t size = bytes < 0 ? 0 : std::min(static_cast<std::size_t>(bytes), worker.room.size());
    worker.info = kavrel::SniffImage(worker.room.data(), size);
    worker.decode = kavrel::DecodeSize(worker.info.width, worker.info.height);
    return worker.info.kind != kavrel::ImageKind::Unknown && worker.decode.width > 0 ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE int reader_decode_width() { return static_cast<int>(TheWorker().decode.width); }
EMSCRIPTEN_KEEPALIVE int reader_decode_height() { return static_cast<int>(TheWorker().decode.height); }
EMSCRIPTEN_KEEPALIVE const char* reader_mime() { return kavrel::Mime(TheWorker().info.kind).data(); }

// The engine's settings, "name=value" a line.
EMSCRIPTEN_KEEPALIVE const char* reader_engine_settings() {
    std::string lines;
    for (const kavrel::EngineSetting& setting : kavrel::kEngineSettings) {
        lines.append(setting.name).append("=").append(setting.value).append("\n");
    }
    return kavrel::Handed(std::move(lines));
}

// The decoded photo's RGBA pixels are in the room: the reading begins.
EMSCRIPTEN_KEEPALIVE int reader_begin(int width, int height) {
    auto& worker = TheWorker();
    worker.pass = nullptr;
    worker.candidates.clear();
    const bool started = worker.reader.Start(worker.room.data(), worker.room.size(), width, height,
                                             static_cast<std::size_t>(width > 0 ? width : 0) * 4);
    worker.room = {};  // the photo is not kept beyond what the reader made of it
    return started ? 1 : 0;
}

// 1 when the engine has another pass to run, 0 when the candidates are final.
EMSCRIPTEN_KEEPALIVE int reader_next_pass() {
    auto& worker = TheWorker();
    worker.pass = worker.reader.Next();
    if (!worker.pass) worker.candidates = worker.reader.Candidates();
    return worker.pass ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE int reader_pass_mode() { return TheWorker().pass->psm; }
// The characters the pass may read, "" for all; a string with its end.
EMSCRIPTEN_KEEPALIVE const char* reader_pass_chars() { return kavrel::Handed(std::string(TheWorker().pass->chars)); }
// The pass's image as a PGM file.
EMSCRIPTEN_KEEPALIVE const char* reader_pass_pgm() { return TheWorker().pass->pgm.data(); }
EMSCRIPTEN_KEEPALIVE int reader_pass_pgm_bytes() { return static_cast<int>(TheWorker().pass->pgm.size()); }

// The engine's TSV of the pass, `bytes` long, is in the room.
EMSCRIPTEN_KEEPALIVE void reader_take(int bytes) {
    auto& worker = TheWorker();
    const std::size_t size = bytes < 0 ? 0 : std::min(static_cast<std::size_t>(bytes), worker.room.size());
    worker.reader.Take(std::string_view(reinterpret_cast<const char*>(worker.room.data()), size));
}

EMSCRIPTEN_KEEPALIVE int reader_candidates() { return static_cast<int>(TheWorker().candidates.size()); }
EMSCRIPTEN_KEEPALIVE const char* reader_candidate_digits(int i) {
    const auto* candidate = kavrel::At(i);
    return candidate ? candidate->digits.c_str() : "";
}
EMSCRIPTEN_KEEPALIVE int reader_candidate_decoded(int i) {
    const auto* candidate = kavrel::At(i);
    return candidate && candidate->full ? 1 : 0;
}
// Plant, month and year in a language: 0 English, 1 Russian.
EMSCRIPTEN_KEEPALIVE const char* reader_candidate_text(int i, int language) {
    const auto* candidate = kavrel::At(i);
    if (!candidate) return "";
    return kavrel::Handed(kavrel::DescribeCandidate(*candidate, language == 1 ? kavrel::LanguageRus : kavrel::LanguageEng).line);
}

// The reading is over: nothing of the photo stays.
EMSCRIPTEN_KEEPALIVE void reader_end() {
    auto& worker = TheWorker();
    worker.reader = {};
    worker.pass = nullptr;
    worker.candidates = {};
}

}  // extern "C"
