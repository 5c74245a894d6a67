// The two language procedures of the refresh sequence, as pure logic.
//
// The decoder writes English result texts; ApplyLanguage then sets the
// fourteen captions for the language text of the combo box, and
// TranslateResult renders the results in Russian when that text is "RUS".
// Both reach the window only through the small interfaces below, so the
// main window passes its boxes and the batch decoder and the tests pass
// plain in-memory ones. Texts are matched whole and case-sensitively; a
// language text other than exactly "RUS" or "ENG" changes nothing.
#pragma once

#include "decode/decoder.h"
#include "lang/texts.h"

#include <array>
#include <string>
#include <string_view>

namespace kavrel {

class CaptionBoxes {
public:
    virtual void SetCaption(Caption box, std::string_view utf8) = 0;

protected:
    ~CaptionBoxes() = default;
};

class ResultBoxes {
public:
    virtual std::string Text(ResultBox box) const = 0;
    virtual void SetText(ResultBox box, std::string_view utf8) = 0;
    // Whether the box holds exactly `utf8`; boxes that can answer without
    // copying their text override it, with the same answer as Text().
    virtual bool TextEquals(ResultBox box, std::string_view utf8) const { return Text(box) == utf8; }

protected:
    ~ResultBoxes() = default;
};

// "RUS" sets every caption to its Russian text, "ENG" to its English text,
// in table order; anything else leaves the captions as they are.
void ApplyLanguage(std::string_view languageText, CaptionBoxes& boxes);

// "RUS" replaces each result text found in the translation table (in its
// own box's rows) by its Russian text; anything else changes nothing.
void TranslateResult(std::string_view languageText, ResultBoxes& boxes);

// The seven texts of a DecodeResult seen as result boxes, for code that
// renders results without a window.
class DecodeResultBoxes final : public ResultBoxes {
public:
    explicit DecodeResultBoxes(DecodeResult& result) : result_(result) {}
    std::string Text(ResultBox box) const override { return Field(box); }
    void SetText(ResultBox box, std::string_view utf8) override { Field(box).assign(utf8); }
    bool TextEquals(ResultBox box, std::string_view utf8) const override { return Field(box) == utf8; }

private:
    std::string& Field(ResultBox box) const {
        switch (box) {
            case ResultBox::SeriiniiNomer: return result_.SeriiniiNomer;
            case ResultBox::Strana: return result_.Strana;
            case ResultBox::Zavod: return result_.Zavod;
            case ResultBox::God: return result_.God;
            case ResultBox::Mesiac: return result_.Mesiac;
            case ResultBox::Seria: return result_.Seria;
            case ResultBox::DataKoda: return result_.DataKoda;
        }
        return result_.SeriiniiNomer;  // not reached: every box is listed above
    }
    DecodeResult& result_;
};

// The fourteen captions kept in memory, each empty until it is set.
class CaptionTexts final : public CaptionBoxes {
public:
    void SetCaption(Caption box, std::string_view utf8) override;
    const std::string& Get(Caption box) const { return texts_[static_cast<std::size_t>(box)]; }

private:
    std::array<std::string, CaptionCount> texts_;
};

}  // namespace kavrel
