// The two windows of the program.
//
// Kavrel is the working window: an input box for the serial number, the
// fourteen caption boxes, the seven result boxes of the result table, the
// language list and the site line, all placed at fixed pixel positions from
// one table in kavrel.cpp. Its handlers (kavrel_handlers.cpp) give it life:
// every change of the input and every choice of language runs the refresh
// sequence RaschetNomer, ApplyLanguage, TranslateResult over the core
// library's decoder and language tables; Form_Load and Form_QueryUnload
// read and write the language choice in the settings file. About (about.h)
// is the separate About window, opened from the menu item mnuAbout.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QString>

#include <string>
#include <string_view>

class QAction;
class QCloseEvent;
class QComboBox;
class QEvent;
class QLineEdit;
class QPlainTextEdit;

namespace kavrel {

class About;
struct PrintOutcome;

class Kavrel : public QMainWindow {
    Q_OBJECT

    // Built first: every control member below is looked up in it by name.
    QWidget* const client_;

public:
    // Client area under the menu bar, in pixels.
    static constexpr int ClientWidth = 616;
    static constexpr int ClientHeight = 392;
    // A fixed-size window with a title, a system menu and a close button only.
    static constexpr Qt::WindowFlags Frame = Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                                             Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                             Qt::WindowCloseButtonHint;

    explicit Kavrel(QWidget* parent = nullptr);

    // The whole text of the text box called `name` (any of the 24 boxes;
    // a line break of a multi-line box reads as "\n"), and writing it.
    // Unknown names read as empty and write nothing.
    QString boxText(std::string_view name) const;
    void setBoxText(std::string_view name, const QString& text);

    // The input text as of the last decode.
    QString Nomer;

    // The settings file that keeps the language choice; kavrel.ini beside
    // the executable unless set otherwise before Form_Load.
    std::string settingsFile;

    // Loads the window's state: the language choice from the settings file,
    // then the refresh sequence. Run once, before the window is first shown.
    void Form_Load();

    // The three steps of the refresh sequence, always run together by
    // Refresh(): decode the input into the result boxes in English, set the
    // captions for the chosen language, render the results in it.
    void RaschetNomer();
    void ApplyLanguage();
    void TranslateResult();

    // The About window while it is open, or null.
    About* aboutWindow() const;

    // The menu bar's two items.
    QAction* const Print;
    QAction* const mnuAbout;

    // The controls, in tab order. Each one's objectName is its member name.
    QLineEdit* const ClickNomer;
    QLineEdit* const TextSeriiniiNomer;
    QLineEdit* const SeriiniiNomer;
    QLineEdit* const Strana;
    QLineEdit* const TextStrana;
    QLineEdit* const Zavod;
    QLineEdit* const TextZavod;
    QLineEdit* const God;
    QLineEdit* const TextGod;
    QLineEdit* const Mesiac;
    QLineEdit* const TextMesiac;
    QLineEdit* const Seria;
    QLineEdit* const TextSeria;
    QLineEdit* const DataKoda;
    QLineEdit* const TextDataKoda;
    QLineEdit* const TextVvedite;
    QLineEdit* const TextPrimer;
    QLineEdit* const Text7;
    QPlainTextEdit* const TextVnimanie;
    QPlainTextEdit* const TextOpredelenie;
    QLineEdit* const Osibka;
    QComboBox* const Languag;
    QLineEdit* const TextLanguag;
    QLineEdit* const TextPolucheno;
    QLineEdit* const www;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void connectHandlers();
    void Refresh();
    // The character code of a key typed into ClickNomer after the filter:
    // the code itself, or 0 when the character is refused.
    int ClickNomer_KeyPress(int keyAscii) const;
    void ClickNomer_Change();
    void Languag_Click();
    void Print_Click();
    void mnuAbout_Click();
    void www_Click();
    void Form_QueryUnload();
    void tellNothingPrinted(const PrintOutcome& outcome);

    QPointer<About> about_;
};

}  // namespace kavrel
