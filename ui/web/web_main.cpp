// The WebAssembly module behind the page: one main window's logic over a
// WebView, and the settings in the browser's storage. The page's script
// calls the functions below and copies texts; it decides nothing itself.
#include "platform/settings.h"
#include "ui/web/link.h"
#include "ui/web/page_texts.h"
#include "ui/web/web_view.h"

#include <emscripten.h>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// The stored value of `key`, copied into `out` (at most `size` bytes with
// the closing zero): 1 when one is stored, 0 when none is or the browser
// refuses its storage (private windows, blocked storage).
EM_JS(int, kavrel_stored, (const char* key, char* out, int size), {
    try {
        const value = localStorage.getItem(UTF8ToString(key));
        if (value === null) return 0;
        stringToUTF8(value, out, size);
        return 1;
    } catch (refused) {
        return 0;
    }
});

// Storage that is refused or full keeps nothing, and says nothing.
EM_JS(void, kavrel_store, (const char* key, const char* value), {
    try {
        localStorage.setItem(UTF8ToString(key), UTF8ToString(value));
    } catch (refused) {
    }
});

// Whether the browser's preferred language is Russian.
EM_JS(int, kavrel_prefers_russian, (), {
    const preferred = (navigator.languages && navigator.languages[0]) || navigator.language || "";
    return preferred.toLowerCase().split("-")[0] === "ru" ? 1 : 0;
});

namespace kavrel {
namespace {

// sGetINI and writeINI over the browser's storage, one entry per file,
// section and key. Nothing stored yet means a first visit, which follows
// the browser's preferred language: Russian selects "RUS" (index 1),
// anything else the default.
class BrowserSettings final : public SettingsStore {
public:
    std::string sGetINI(const std::string& sINIFile, const std::string& sSection, const std::string& sKey,
                        const std::string& sdefault) override {
        // The profile functions' limit: 254 characters and the closing zero.
        std::array<char, 255> value{};
        if (kavrel_stored(Entry(sINIFile, sSection, sKey).c_str(), value.data(), static_cast<int>(value.size())))
            return value.data();
        return kavrel_prefers_russian() ? std::to_string(1) : sdefault;
    }
    void writeINI(const std::string& sINIFile, const std::string& sSection, const std::string& sKey,
                  const std::string& sValue) override {
        kavrel_store(Entry(sINIFile, sSection, sKey).c_str(), CleanedValue(sValue).c_str());
    }

private:
    static std::string Entry(const std::string& file, const std::string& section, const std::string& key) {
        return file + "[" + section + "]" + key;
    }
};

struct Page {
    WebView view;
    BrowserSettings settings;
    KavrelForm form{view, settings, "kavrel.ini"};
    std::string input;  // where the script writes the input box's text
    // Links: the last one read, and the language it named while it holds
    // (the user's own choice ends it); what was last handed back.
    Link link;
    int linkLanguage = -1;
    std::string handed;
};

// A language named by a link holds for this visit and is not stored: a
// link from someone else does not change what this device remembers.
void FollowLinkLanguage(Page& page) {
    if (page.linkLanguage < 0 || page.linkLanguage == page.view.LanguageIndex()) return;
    page.view.SetLanguageIndex(page.linkLanguage);
    page.form.Languag_Click();
}

Page& ThePage() {
    static Page page;
    return page;
}

}  // namespace
}  // namespace kavrel

using kavrel::Control;
using kavrel::FollowLinkLanguage;
using kavrel::Page;
using kavrel::ThePage;

extern "C" {

// Room for `bytes` bytes of UTF-8 from the script, the zero included.
EMSCRIPTEN_KEEPALIVE char* kavrel_input(int bytes) {
    std::string& input = ThePage().input;
    input.assign(static_cast<std::size_t>(bytes > 0 ? bytes : 1), '\0');
    return input.data();
}

// The input box as it reads now (in kavrel_input's room), then the load,
// in the language of a link read before it, if it named one.
EMSCRIPTEN_KEEPALIVE void kavrel_load() {
    ThePage().view.SetInput(ThePage().input.c_str());
    ThePage().form.Form_Load();
    FollowLinkLanguage(ThePage());
}

// A typed character's code: the code that passes, 0 when it is refused.
EMSCRIPTEN_KEEPALIVE int kavrel_key(int code) {
    ThePage().form.ClickNomer_KeyPress(code);
    return code;
}

// Several characters typed in one go (in kavrel_input's room): 1 when taken.
EMSCRIPTEN_KEEPALIVE int kavrel_takes_typed() { return ThePage().form.ClickNomer_TakesTyped(ThePage().input.c_str()); }

// The input box changed; its new text is in kavrel_input's room.
EMSCRIPTEN_KEEPALIVE void kavrel_change() {
    ThePage().view.SetInput(ThePage().input.c_str());
    ThePage().form.ClickNomer_Change();
}

// The user picked item `index` of the language list; kept at once.
EMSCRIPTEN_KEEPALIVE void kavrel_choose(int index) {
    ThePage().linkLanguage = -1;
    ThePage().view.SetLanguageIndex(index);
    ThePage().form.Languag_Click();
    ThePage().form.SaveLanguage();
}

// A menu item, by its place in the menu bar.
EMSCRIPTEN_KEEPALIVE void kavrel_menu(int item) {
    if (item < 0 || static_cast<std::size_t>(item) >= kavrel::KavrelMenu.size()) return;
    const std::string_view name = kavrel::KavrelMenu[static_cast<std::size_t>(item)].name;
    if (name == "Print") ThePage().form.Print_Click();
    if (name == "mnuAbout") ThePage().form.mnuAbout_Click();
}

EMSCRIPTEN_KEEPALIVE std::uint32_t kavrel_changed() { return ThePage().view.TakeChanged(); }
EMSCRIPTEN_KEEPALIVE std::uint32_t kavrel_errands() { return ThePage().view.TakeErrands(); }
EMSCRIPTEN_KEEPALIVE int kavrel_controls() { return static_cast<int>(kavrel::ControlCount); }
// The control's name, which is its element's id; the names are literals,
// so their texts end in a zero.
EMSCRIPTEN_KEEPALIVE const char* kavrel_name(int box) {
    return kavrel::KavrelControls[static_cast<std::size_t>(box)].name.data();
}
EMSCRIPTEN_KEEPALIVE const char* kavrel_text(int box) {
    return ThePage().view.Shown(static_cast<Control>(box)).c_str();
}
EMSCRIPTEN_KEEPALIVE int kavrel_visible(int box) { return ThePage().view.Visible(static_cast<Control>(box)); }
EMSCRIPTEN_KEEPALIVE int kavrel_language() { return ThePage().view.LanguageIndex(); }
// A text of the page's own controls in the chosen language; every text of
// the table is a whole literal, so it ends in a zero.
EMSCRIPTEN_KEEPALIVE const char* kavrel_page_text(const char* name) {
    return kavrel::PageTextFor(name, ThePage().view.LanguageIndex()).data();
}

// Links. The address's fragment (in kavrel_input's room) read: 1 when it
// names a serial number, which kavrel_link_serial then holds; a language
// it names is taken at the load, or at once by kavrel_follow_link.
EMSCRIPTEN_KEEPALIVE int kavrel_link() {
    ThePage().link = kavrel::ReadFragment(ThePage().input.c_str());
    if (ThePage().link.language >= 0) ThePage().linkLanguage = ThePage().link.language;
    return ThePage().link.hasSerial;
}
EMSCRIPTEN_KEEPALIVE const char* kavrel_link_serial() { return ThePage().link.serial.c_str(); }
EMSCRIPTEN_KEEPALIVE void kavrel_follow_link() { FollowLinkLanguage(ThePage()); }
// The fragment for the input box as it reads now, and a link's language
// while it holds: what the address shows as the user types.
EMSCRIPTEN_KEEPALIVE const char* kavrel_address() {
    ThePage().handed = kavrel::FragmentFor(ThePage().view.Text(Control::ClickNomer), ThePage().linkLanguage);
    return ThePage().handed.c_str();
}
// The text that sharing the decode hands on, with the page's address
// (without a fragment, in kavrel_input's room) made a link to it.
EMSCRIPTEN_KEEPALIVE const char* kavrel_share() {
    Page& page = ThePage();
    const std::string input = page.view.Text(Control::ClickNomer);
    page.handed = kavrel::ShareText(page.view, page.input.c_str() + kavrel::FragmentFor(input, -1));
    return page.handed.c_str();
}

}  // extern "C"
