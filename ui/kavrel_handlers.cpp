// The main window's behaviour: the load, the key filter of the input box,
// the refresh sequence, the menu commands, the site line and the closing.
#include "decode/decoder.h"
#include "lang/language.h"
#include "platform/openlink.h"
#include "platform/settings.h"
#include "platform/site.h"
#include "ui/about.h"
#include "ui/kavrel.h"
#include "ui/printout.h"
#include "ui/widgets.h"

#include <QAction>
#include <QAnyStringView>
#include <QCloseEvent>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTextCursor>

#include <algorithm>
#include <array>
#include <charconv>
#include <string>

namespace kavrel {
namespace {

constexpr char SettingsSection[] = "LANG";
constexpr char SettingsKey[] = "LANG";

// Sets a one-line box and shows it from its first character, as a box that
// has just been given a text does, however long the text is. A text the box
// already holds is not set again: laying it out anew is most of a keystroke.
void Show(QLineEdit* box, const QString& text) {
    if (box->text() != text) box->setText(text);
    box->setCursorPosition(0);
}

// What the message says when nothing was printed; "%1" is the printer.
struct NothingPrinted {
    PrintFault fault;
    std::string_view english;
    std::string_view russian;
};
constexpr std::array<NothingPrinted, 7> NothingPrintedTexts{{
    {PrintFault::NoPrinter, "Nothing was printed: no printer is set up on this computer.",
     "Ничего не напечатано: на этом компьютере не настроен принтер."},
    {PrintFault::NoDefaultPrinter, "Nothing was printed: no printer is chosen as the default printer.",
     "Ничего не напечатано: не выбран принтер по умолчанию."},
    {PrintFault::Stopped, "Nothing was printed: the printer \"%1\" is stopped.",
     "Ничего не напечатано: принтер \"%1\" остановлен."},
    {PrintFault::NotAccepting, "Nothing was printed: the printer \"%1\" does not accept jobs.",
     "Ничего не напечатано: принтер \"%1\" не принимает задания."},
    {PrintFault::PageNotMade, "Nothing was printed: the page could not be prepared.",
     "Ничего не напечатано: не удалось подготовить страницу."},
    {PrintFault::NotTaken, "Nothing was printed: the printer \"%1\" did not take the page.",
     "Ничего не напечатано: принтер \"%1\" не принял страницу."},
    {PrintFault::NotPrinted, "Nothing was printed: the printer \"%1\" could not print the page.",
     "Ничего не напечатано: принтер \"%1\" не смог напечатать страницу."},
}};

// The seven result boxes seen by the language step.
class ResultWidgets final : public ResultBoxes {
public:
    explicit ResultWidgets(std::array<QLineEdit*, ResultBoxCount> boxes) : boxes_(boxes) {}
    std::string Text(ResultBox box) const override { return at(box)->text().toStdString(); }
    void SetText(ResultBox box, std::string_view utf8) override { Show(at(box), QString::fromUtf8(utf8)); }
    bool TextEquals(ResultBox box, std::string_view utf8) const override {
        return QAnyStringView::equal(at(box)->text(), QUtf8StringView(utf8.data(), static_cast<qsizetype>(utf8.size())));
    }

private:
    QLineEdit* at(ResultBox box) const { return boxes_[static_cast<std::size_t>(box)]; }
    std::array<QLineEdit*, ResultBoxCount> boxes_;
};

// The fourteen caption boxes seen by the language step; two of them are
// multi-line.
class CaptionWidgets final : public CaptionBoxes {
public:
    explicit CaptionWidgets(std::array<QWidget*, CaptionCount> boxes) : boxes_(boxes) {}
    void SetCaption(Caption box, std::string_view utf8) override {
        QWidget* widget = boxes_[static_cast<std::size_t>(box)];
        if (auto* line = qobject_cast<QLineEdit*>(widget)) {
            Show(line, QString::fromUtf8(utf8));
        } else if (auto* text = qobject_cast<QPlainTextEdit*>(widget)) {
            const QString caption = QString::fromUtf8(utf8);
            const QTextCursor cursor = text->textCursor();
            if (text->toPlainText() != caption) {
                text->setPlainText(caption);
            } else if (cursor.position() != 0 || cursor.hasSelection()) {
                text->moveCursor(QTextCursor::Start);  // where setPlainText leaves it, selection cleared
            }
        }
    }

private:
    std::array<QWidget*, CaptionCount> boxes_;
};

// The stored language index: a whole number from -1 to 1. Anything else
// (empty, not a number, out of range) starts the program as a first start
// would, with the first language.
int LanguageIndex(const std::string& stored) {
    std::string_view digits = stored;
    if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
    int value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size() || digits.empty()) return 0;
    return value >= -1 && value <= 1 ? value : 0;
}

// The character code that a key press types into a text box, or -1 for a
// key that types nothing (arrows, Delete, Home, End, Tab, ...), which keeps
// its usual editing or focus behaviour. Control keys type their control
// codes: Backspace 8, Enter 13, Escape 27, Ctrl+A to Ctrl+Z 1 to 26.
int TypedCharacter(const QKeyEvent& key) {
    const Qt::KeyboardModifiers mods = key.modifiers();
    switch (key.key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Delete:
        return -1;
    case Qt::Key_Backspace:
        return mods & Qt::ControlModifier ? 127 : 8;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Escape:
        return 27;
    default:
        break;
    }
    if ((mods & Qt::ControlModifier) && !(mods & Qt::AltModifier) && key.key() >= Qt::Key_A && key.key() <= Qt::Key_Z)
        return key.key() - Qt::Key_A + 1;
    const QString text = key.text();
    return text.isEmpty() ? -1 : text.front().unicode();
}

// Characters as a person counts them: a pair of surrogates is one.
qsizetype CharactersIn(const QString& text) {
    qsizetype count = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!(text[i].isLowSurrogate() && i > 0 && text[i - 1].isHighSurrogate())) ++count;
    }
    return count;
}

}  // namespace

void Kavrel::connectHandlers() {
    ClickNomer->installEventFilter(this);
    www->installEventFilter(this);
    www->setCursor(Qt::PointingHandCursor);
    connect(ClickNomer, &QLineEdit::textChanged, this, &Kavrel::ClickNomer_Change);
    connect(Languag, &QComboBox::currentIndexChanged, this, &Kavrel::Languag_Click);
    connect(Print, &QAction::triggered, this, &Kavrel::Print_Click);
    connect(mnuAbout, &QAction::triggered, this, &Kavrel::mnuAbout_Click);
}

void Kavrel::Form_Load() {
    // The separator under the menu bar is painted by the client area itself.
    const std::string stored = sGetINI(settingsFile, SettingsSection, SettingsKey, std::to_string(0));
    Languag->setCurrentIndex(LanguageIndex(stored));  // runs Languag_Click unless the index stays -1
    Refresh();
}

void Kavrel::Refresh() {
    RaschetNomer();
    ApplyLanguage();
    TranslateResult();
}

void Kavrel::RaschetNomer() {
    Nomer = ClickNomer->text();
    const DecodeResult result = Decode(Nomer.toStdString());
    Show(SeriiniiNomer, QString::fromUtf8(result.SeriiniiNomer));
    Show(Strana, QString::fromUtf8(result.Strana));
    Show(Zavod, QString::fromUtf8(result.Zavod));
    Show(DataKoda, QString::fromUtf8(result.DataKoda));
    Show(Mesiac, QString::fromUtf8(result.Mesiac));
    Show(God, QString::fromUtf8(result.God));
    Show(Seria, QString::fromUtf8(result.Seria));
    Osibka->setVisible(result.Osibka);
}

void Kavrel::ApplyLanguage() {
    CaptionWidgets captions({TextLanguag, TextOpredelenie, TextVnimanie, TextPolucheno, TextVvedite, TextPrimer,
                             Osibka, TextSeriiniiNomer, TextStrana, TextZavod, TextGod, TextMesiac, TextSeria,
                             TextDataKoda});
    kavrel::ApplyLanguage(Languag->currentText().toStdString(), captions);
}

void Kavrel::TranslateResult() {
    ResultWidgets results({SeriiniiNomer, Strana, Zavod, God, Mesiac, Seria, DataKoda});
    kavrel::TranslateResult(Languag->currentText().toStdString(), results);
}

int Kavrel::ClickNomer_KeyPress(int keyAscii) const {
    if (keyAscii == 8) return keyAscii;  // Backspace always passes
    if (keyAscii > '9' || keyAscii < '0') keyAscii = 0;
    if (CharactersIn(Nomer) > 15) keyAscii = 0;
    return keyAscii;
}

void Kavrel::ClickNomer_Change() { Refresh(); }

void Kavrel::Languag_Click() { Refresh(); }

bool Kavrel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ClickNomer && event->type() == QEvent::KeyPress) {
        const int typed = TypedCharacter(*static_cast<QKeyEvent*>(event));
        if (typed >= 0 && ClickNomer_KeyPress(typed) == 0) return true;  // discarded
    } else if (watched == ClickNomer && event->type() == QEvent::InputMethod) {
        // Text composed by an input method is typed too: it passes only
        // when every one of its characters would pass on its own.
        const QString commit = static_cast<QInputMethodEvent*>(event)->commitString();
        QString nomer = Nomer;
        for (const QChar c : commit) {
            if (c.unicode() != 8 && (c < u'0' || c > u'9' || CharactersIn(nomer) > 15)) return true;
            nomer += c;
        }
    } else if (watched == www && IsLeftClickOn(www, event)) {
        www_Click();
    }
    return QMainWindow::eventFilter(watched, event);
}

About* Kavrel::aboutWindow() const { return about_; }

void Kavrel::www_Click() { OpenLink(this, QStringLiteral("http://") + QString::fromUtf8(SiteHost)); }

void Kavrel::mnuAbout_Click() {
    if (!about_) about_ = new About;  // no owner: either window can be in front
    about_->show();
    about_->raise();
    about_->activateWindow();
}

void Kavrel::Print_Click() {
    // The client area as the user sees it, separator included.
    PrintOutcome outcome;
    Printout* job = Printout::Send(centralWidget()->grab(), QStringLiteral("Kavrel"), this, outcome);
    if (outcome.fault != PrintFault::None) {
        tellNothingPrinted(outcome);
    } else if (job) {
        connect(job, &Printout::failed, this, &Kavrel::tellNothingPrinted);
    }
}

void Kavrel::tellNothingPrinted(const PrintOutcome& outcome) {
    const auto found = std::find_if(NothingPrintedTexts.begin(), NothingPrintedTexts.end(),
                                    [&outcome](const NothingPrinted& texts) { return texts.fault == outcome.fault; });
    if (found == NothingPrintedTexts.end()) return;
    QString text = QString::fromUtf8(Languag->currentText() == QString::fromUtf8(LanguageRus) ? found->russian : found->english);
    if (text.contains(QLatin1String("%1"))) text = text.arg(outcome.printer);
    auto* message = new QMessageBox(QMessageBox::Warning, QStringLiteral("Kavrel"), text, QMessageBox::Ok, this);
    message->setObjectName(QStringLiteral("PrintMessage"));
    message->setInformativeText(outcome.detail);  // the print system's own words
    message->setAttribute(Qt::WA_DeleteOnClose);
    message->open();  // window-modal, and the handler returns at once
}

void Kavrel::closeEvent(QCloseEvent* event) {
    Form_QueryUnload();
    event->accept();  // the closing always goes on
}

void Kavrel::Form_QueryUnload() {
    if (about_) about_->close();
    writeINI(settingsFile, SettingsSection, SettingsKey, std::to_string(Languag->currentIndex()));
}

}  // namespace kavrel
