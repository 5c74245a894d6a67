// The engine's words, from its TSV output.
//
// Tesseract writes one row per page, block, paragraph, line and word:
// level, page_num, block_num, par_num, line_num, word_num, left, top,
// width, height, conf, text, separated by tabs. Only word rows (level 5)
// with text matter here. Rows that are malformed (too few fields, numbers
// that are not numbers, a header) are skipped, not fatal; a confidence of
// -1 or out of 0..100 is clamped; the text is kept as bytes (it need not be
// UTF-8: only ASCII letters and digits are read from it later).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kavrel {

struct OcrWord {
    int block = 0, paragraph = 0, line = 0, word = 0;
    int left = 0, top = 0, width = 0, height = 0;
    double confidence = 0;  // 0..100
    std::string text;

    bool SameLine(const OcrWord& o) const { return block == o.block && paragraph == o.paragraph && line == o.line; }
};

// The words in the order the engine wrote them.
std::vector<OcrWord> ParseTsv(std::string_view tsv);

}  // namespace kavrel
