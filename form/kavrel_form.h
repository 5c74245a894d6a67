// The main window's behaviour, free of any toolkit.
//
// KavrelForm holds what the window does: the load, the key filter of the
// input box, the refresh sequence (RaschetNomer, ApplyLanguage,
// TranslateResult) run on every change of the input and of the language,
// the menu commands, the site line and the closing. It reaches the window
// only through KavrelView and the settings file only through SettingsStore,
// so the Qt window, the Win32 window and the tests' fake view all drive the
// same code. A front end builds its controls from form/layout.h, forwards
// each notification to the handler of the same name, and implements the
// view in a few lines.
#pragma once

#include "form/layout.h"
#include "form/print.h"
#include "lang/texts.h"

#include <string>
#include <string_view>

namespace kavrel {

// What the behaviour needs of the main window. Texts are UTF-8.
class KavrelView {
public:
    // The whole text of a text box (not Languag).
    virtual std::string Text(Control box) const = 0;
    // Whether a box holds exactly `utf8`; a view that can answer without
    // copying its text overrides it, with the same answer as Text().
    virtual bool TextEquals(Control box, std::string_view utf8) const { return Text(box) == utf8; }
    virtual void SetText(Control box, std::string_view utf8) = 0;
    virtual void SetVisible(Control box, bool visible) = 0;

    // The language list: the selected index (-1 for none) and the text of
    // the selected item (empty for none). Setting the index raises no
    // notification; the form runs Languag_Click itself where the selection
    // changes.
    virtual int LanguageIndex() const = 0;
    virtual void SetLanguageIndex(int index) = 0;
    virtual std::string LanguageText() const = 0;

    // The one About window: shown (made first where it is not open) and
    // brought to the front; closed, where it is open.
    virtual void ShowAbout() = 0;
    virtual void CloseAbout() = 0;

    // Prints the client area as the user sees it, as one page on the
    // default printer, without a dialog. The front end reports the outcome
    // once, through KavrelForm::PrintFinished, now or later.
    virtual void PrintClientArea() = 0;
    // A message about a failure, with the system's own words under it.
    virtual void ShowMessage(std::string_view text, std::string_view detail) = 0;

    // Hands a web address to the desktop's browser; the outcome is not
    // examined.
    virtual void OpenLink(const std::string& address) = 0;

protected:
    ~KavrelView() = default;
};

// The sGetINI / writeINI contract of the settings file.
class SettingsStore {
public:
    virtual std::string sGetINI(const std::string& sINIFile, const std::string& sSection, const std::string& sKey,
                                const std::string& sdefault) = 0;
    virtual void writeINI(const std::string& sINIFile, const std::string& sSection, const std::string& sKey,
                          const std::string& sValue) = 0;

protected:
    ~SettingsStore() = default;
};

// The platform's settings file: the Win32 profile functions on Windows, the
// project's own profile code elsewhere (platform/settings.h).
class ProfileSettings final : public SettingsStore {
public:
    std::string sGetINI(const std::string& sINIFile, const std::string& sSection, const std::string& sKey,
                        const std::string& sdefault) override;
    void writeINI(const std::string& sINIFile, const std::string& sSection, const std::string& sKey,
                  const std::string& sValue) override;
};

// The main window's box that shows a caption or a result of the language
// steps.
Control ControlOf(Caption caption);
Control ControlOf(ResultBox result);

// The language index a stored value selects: the value itself when it is a
// whole number from -1 to 1; 0 (the first start's "ENG") for anything
// else, so that start-up never fails on a file edited by hand.
int StoredLanguageIndex(std::string_view stored);

class KavrelForm {
public:
    // `settingsFile` is the full path of kavrel.ini.
    KavrelForm(KavrelView& view, SettingsStore& settings, std::string settingsFile);

    // The input text as of the last decode.
    std::string Nomer;
    const std::string settingsFile;

    // Before the window is first shown: the language choice from the
    // settings file, then the refresh sequence. (The separator under the
    // menu bar is the front end's to paint, on every repaint.)
    void Form_Load();

    // A character typed into ClickNomer, before it is inserted: only the
    // digits and Backspace pass, and a digit only while Nomer holds at most
    // 15 characters. Sets `KeyAscii` to 0 to discard the character.
    void ClickNomer_KeyPress(int& KeyAscii) const;
    // Text typed in one go (an input method's commit): it is taken only
    // when each of its characters would pass the filter in turn.
    bool ClickNomer_TakesTyped(std::string_view utf8) const;

    void ClickNomer_Change();
    void Languag_Click();
    void Print_Click();
    void mnuAbout_Click();
    // The bold site line at the foot of the window, clicked.
    void www_Click();
    // The window is about to close, whatever the reason; never cancels.
    void Form_QueryUnload();
    // Writes the selected language index to the settings file: at the
    // closing, and at once on a page, which has no reliable closing.
    void SaveLanguage();

    // The outcome of the print started by Print_Click: a message in the
    // window's language when nothing was printed, nothing otherwise.
    void PrintFinished(const PrintOutcome& outcome);

    // The refresh sequence, always run whole and in this order.
    void Refresh();
    void RaschetNomer();
    void ApplyLanguage();
    void TranslateResult();

private:
    KavrelView& view_;
    SettingsStore& settings_;
};

// The About window's behaviour: its site line opens "http://" and the
// line's text as it reads at the click.
class AboutView {
public:
    virtual std::string Text(AboutControl box) const = 0;
    virtual void OpenLink(const std::string& address) = 0;

protected:
    ~AboutView() = default;
};

void About_Sait_Click(AboutView& view);

}  // namespace kavrel
