// The page's side of the main window, free of the browser.
//
// WebView keeps what the window logic (KavrelForm) sets: each box's text
// and visibility, the language list's selection, and the page's errands
// (show About, print). The page's script copies only what changed into its
// elements, after each notification it hands to the logic. The same class
// runs natively to write the page's first texts at build time.
#pragma once

#include "form/kavrel_form.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kavrel {

// What the page is asked to do besides copying texts, as bits.
enum WebErrand : std::uint32_t {
    ErrandShowAbout = 1u << 0,
    ErrandCloseAbout = 1u << 1,
    ErrandPrint = 1u << 2,
    ErrandOpenLink = 1u << 3,
};

class WebView final : public KavrelView {
public:
    // The design-time texts of the control table, every box visible, no
    // language selected; every box counts as changed until first taken.
    WebView();

    // The input box's text as the page holds it, set before the logic is
    // told of a change; it does not count as a change to copy back.
    void SetInput(std::string_view utf8);

    // Bits by control index of the boxes (Languag for its selection) whose
    // text, visibility or selection differs from what the last call handed
    // on. A refresh in Russian writes a result in English and then back in
    // Russian: a box that ends as it was is not handed on again.
    std::uint32_t TakeChanged();
    std::uint32_t TakeErrands();
    // The address of the last ErrandOpenLink.
    const std::string& Link() const { return link_; }
    bool Visible(Control box) const { return visible_[Index(box)]; }
    const std::string& Shown(Control box) const { return texts_[Index(box)]; }

    std::string Text(Control box) const override { return texts_[Index(box)]; }
    bool TextEquals(Control box, std::string_view utf8) const override { return texts_[Index(box)] == utf8; }
    void SetText(Control box, std::string_view utf8) override;
    void SetVisible(Control box, bool visible) override;
    int LanguageIndex() const override { return language_; }
    void SetLanguageIndex(int index) override;
    std::string LanguageText() const override;
    void ShowAbout() override { errands_ |= ErrandShowAbout; }
    void CloseAbout() override { errands_ |= ErrandCloseAbout; }
    void PrintClientArea() override { errands_ |= ErrandPrint; }
    void OpenLink(const std::string& address) override {
        link_ = address;
        errands_ |= ErrandOpenLink;
    }
    // A browser prints through its own dialog, which reports nothing back.
    void ShowMessage(std::string_view, std::string_view) override {}

private:
    static std::size_t Index(Control box) { return static_cast<std::size_t>(box); }
    void Mark(Control box) { changed_ |= std::uint32_t{1} << Index(box); }

    std::array<std::string, ControlCount> texts_;
    std::array<bool, ControlCount> visible_;
    int language_ = -1;
    // What the page was last handed, and the boxes written since.
    std::array<std::string, ControlCount> takenTexts_;
    std::array<bool, ControlCount> takenVisible_;
    int takenLanguage_ = -1;
    std::uint32_t changed_ = 0;
    std::uint32_t errands_ = 0;
    std::string link_;
};
static_assert(ControlCount <= 32, "a change bit for every control");

}  // namespace kavrel
