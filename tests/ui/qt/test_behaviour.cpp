// What only the Qt window does of the main window's behaviour: key events
// and input-method text through the key filter, the editing keys, a paste
// from the context menu, the boxes reset at every refresh, the About
// window, the print message box and the site line's click. The behaviour
// itself is tested without widgets in tests/form/.
#include "browser_recorder.h"

#include "lang/texts.h"
#include "platform/site.h"
#include "ui/qt/about.h"
#include "ui/qt/kavrel.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPrinterInfo>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTest>
#include <QUrl>

#include <memory>
#include <string>

using kavrel::Kavrel;

namespace {

QString qs(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// Everything the window shows that the behaviour writes.
QStringList Snapshot(Kavrel& w) {
    QStringList all;
    for (QLineEdit* box : w.centralWidget()->findChildren<QLineEdit*>()) {
        all << box->objectName() + "=" + box->text() + "|" + box->accessibleName();
    }
    for (QPlainTextEdit* box : w.centralWidget()->findChildren<QPlainTextEdit*>()) {
        all << box->objectName() + "=" + box->toPlainText();
    }
    all << "Osibka visible=" + QString::number(w.Osibka->isVisibleTo(&w));
    all << "Languag=" + w.Languag->currentText();
    return all;
}

// Marks the result boxes so that a test can tell whether a decode ran.
constexpr auto Untouched = "untouched";
void Mark(Kavrel& w) { w.SeriiniiNomer->setText(Untouched); }
bool DecodeRan(Kavrel& w) { return w.SeriiniiNomer->text() != Untouched; }

// Types a text into the emptied input box, key by key.
void Retype(Kavrel& w, const QString& text) {
    w.ClickNomer->clear();
    QTest::keyClicks(w.ClickNomer, text);
    QCOMPARE(w.ClickNomer->text(), text);
}

}  // namespace

class BehaviourTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<Kavrel> window;

    QString settingsPath() const { return dir->filePath("kavrel.ini"); }

    void writeSettings(const QByteArray& content) {
        QFile file(settingsPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    QByteArray readSettings() const {
        QFile file(settingsPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
    }

    // A window loaded from the settings file of this test, shown, with the
    // focus in the input box.
    std::unique_ptr<Kavrel> start() {
        auto w = std::make_unique<Kavrel>(settingsPath().toStdString());
        w->form().Form_Load();
        w->show();
        w->activateWindow();
        w->ClickNomer->setFocus();
        return w;
    }

private Q_SLOTS:
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
    }
    void cleanup() {
        window.reset();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        dir.reset();
    }

    // Characters that are not digits are thrown away before they reach the
    // box, and no decode runs for them.
    void refusedCharacters_data() {
        QTest::addColumn<QString>("typed");
        QTest::newRow("letters") << "abcXYZ";
        QTest::newRow("blank") << " ";
        QTest::newRow("punctuation") << "-+.,;:/\\'\"!?";
        QTest::newRow("cyrillic") << "жЖя";
        QTest::newRow("full-width digit") << QString(QChar(0xFF11));
    }
    void refusedCharacters() {
        QFETCH(QString, typed);
        window = start();
        Mark(*window);
        for (const QChar c : typed) QTest::sendKeyEvent(QTest::Click, window->ClickNomer, Qt::Key_unknown, QString(c), {});
        QCOMPARE(window->ClickNomer->text(), QStringLiteral("15700940"));
        QVERIFY(!DecodeRan(*window));
    }

    // Keys that type control codes do nothing in the box: Enter, Escape and
    // the copy, cut, paste, select-all and undo shortcuts.
    void controlCodes_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("Enter") << int(Qt::Key_Return) << int(Qt::NoModifier);
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier);
        QTest::newRow("Escape") << int(Qt::Key_Escape) << int(Qt::NoModifier);
        QTest::newRow("Ctrl+C") << int(Qt::Key_C) << int(Qt::ControlModifier);
        QTest::newRow("Ctrl+X") << int(Qt::Key_X) << int(Qt::ControlModifier);
        QTest::newRow("Ctrl+V") << int(Qt::Key_V) << int(Qt::ControlModifier);
        QTest::newRow("Ctrl+A") << int(Qt::Key_A) << int(Qt::ControlModifier);
        QTest::newRow("Ctrl+Z") << int(Qt::Key_Z) << int(Qt::ControlModifier);
        QTest::newRow("Ctrl+Backspace") << int(Qt::Key_Backspace) << int(Qt::ControlModifier);
    }
    void controlCodes() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        window = start();
        QApplication::clipboard()->setText(QStringLiteral("99"));
        window->ClickNomer->selectAll();  // what cut and copy would act on
        QTest::keyClick(window->ClickNomer, Qt::Key_End);
        QTest::keyClick(window->ClickNomer, Qt::Key_Left, Qt::ShiftModifier);  // select the last digit
        Mark(*window);
        QTest::keyClick(window->ClickNomer, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(window->ClickNomer->text(), QStringLiteral("15700940"));
        QVERIFY(!DecodeRan(*window));
        // Nothing was copied and the selection still stands: a digit now
        // replaces the one selected character.
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("99"));
        QTest::keyClick(window->ClickNomer, Qt::Key_7);
        QCOMPARE(window->ClickNomer->text(), QStringLiteral("15700947"));
    }

    // Keys that type nothing keep their editing behaviour, and every change
    // of the text decodes anew.
    void editingKeys() {
        window = start();
        QTest::keyClick(window->ClickNomer, Qt::Key_Home);
        QTest::keyClick(window->ClickNomer, Qt::Key_Delete);
        QCOMPARE(window->ClickNomer->text(), QStringLiteral("5700940"));
        QCOMPARE(window->SeriiniiNomer->text(), QStringLiteral("It is not used"));
        QVERIFY(window->Osibka->isVisibleTo(window.get()));
        QTest::keyClick(window->ClickNomer, Qt::Key_1);
        QCOMPARE(window->ClickNomer->text(), QStringLiteral("15700940"));
        QVERIFY(!window->Osibka->isVisibleTo(window.get()));
        QTest::keyClick(window->ClickNomer, Qt::Key_End);
        QTest::keyClick(window->ClickNomer, Qt::Key_Left, Qt::ShiftModifier);
        QTest::keyClick(window->ClickNomer, Qt::Key_Left, Qt::ShiftModifier);
        QTest::keyClick(window->ClickNomer, Qt::Key_Backspace);
        QCOMPARE(window->ClickNomer->text(), QStringLiteral("157009"));
        QCOMPARE(window->Seria->text(), QStringLiteral("It is not used"));
        QTest::keyClicks(window->ClickNomer, "4088");
        QCOMPARE(window->ClickNomer->text(), QStringLiteral("1570094088"));
        QCOMPARE(window->Strana->text(), QStringLiteral("Great Britain, Grays"));
        QCOMPARE(window->Mesiac->text(), QStringLiteral("It is not used"));  // "00" is no month
        QCOMPARE(window->Seria->text(), QStringLiteral("94088"));
        QVERIFY(window->Osibka->isVisibleTo(window.get()));
        QCOMPARE(qs(window->form().Nomer), window->ClickNomer->text());
    }

    void sixteenCharacters() {
        window = start();
        Retype(*window, QStringLiteral("123456789012345"));
        QTest::keyClick(window->ClickNomer, Qt::Key_6);
        QCOMPARE(window->ClickNomer->text(), QStringLiteral("1234567890123456"));
        QTest::keyClick(window->ClickNomer, Qt::Key_7);
        QCOMPARE(window->ClickNomer->text(), QStringLiteral("1234567890123456"));
        // With 16 characters even a digit that would replace a selection is refused.
        QTest::keyClick(window->ClickNomer, Qt::Key_Home, Qt::ShiftModifier);
        QTest::keyClick(window->ClickNomer, Qt::Key_9);
        QCOMPARE(window->ClickNomer->text(), QStringLiteral("1234567890123456"));
        QTest::keyClick(window->ClickNomer, Qt::Key_End);
        QTest::keyClick(window->ClickNomer, Qt::Key_Backspace);
        QCOMPARE(window->ClickNomer->text(), QStringLiteral("123456789012345"));
        QTest::keyClick(window->ClickNomer, Qt::Key_8);
        QCOMPARE(window->ClickNomer->text(), QStringLiteral("1234567890123458"));
    }

    // Every refresh sets the captions and results afresh, also where the text
    // is already right: an edited prompt comes back, selections and cursors
    // in the caption and result boxes go back to the start.
    void refreshResetsUnchangedBoxes() {
        window = start();
        QTest::keyClick(window->ClickNomer, Qt::Key_End);
        QTest::keyClicks(window->ClickNomer, QStringLiteral("404"));  // eleven digits: nothing decodes
        QCOMPARE(window->Zavod->text(), QStringLiteral("It is not used"));
        window->TextVvedite->setText(QStringLiteral("edited"));  // the prompt box is not read-only
        window->TextVnimanie->selectAll();
        QTextCursor middle = window->TextOpredelenie->textCursor();
        middle.setPosition(5);
        window->TextOpredelenie->setTextCursor(middle);
        window->TextPolucheno->setSelection(2, 4);
        window->Zavod->setCursorPosition(3);
        window->Seria->setSelection(1, 5);
        QTest::keyClick(window->ClickNomer, Qt::Key_5);  // twelve digits: the same results
        QCOMPARE(window->ClickNomer->text(), QStringLiteral("157009404045"));
        QCOMPARE(window->TextVvedite->text(), qs(kavrel::InterfaceTexts[4].english));
        for (QPlainTextEdit* box : {window->TextVnimanie, window->TextOpredelenie}) {
            QVERIFY(!box->textCursor().hasSelection());
            QCOMPARE(box->textCursor().position(), 0);
        }
        for (QLineEdit* box : {window->TextPolucheno, window->Zavod, window->Seria}) {
            QVERIFY(!box->hasSelectedText());
            QCOMPARE(box->cursorPosition(), 0);
        }
    }

    // Text from an input method goes through the key filter too.
    void inputMethod_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("commit");
        QTest::addColumn<QString>("result");
        QTest::newRow("digits") << "157009" << "40" << "15700940";
        QTest::newRow("beyond sixteen") << "12345678901234" << "567" << "12345678901234";
    }
    void inputMethod() {
        QFETCH(QString, before);
        QFETCH(QString, commit);
        QFETCH(QString, result);
        window = start();
        Retype(*window, before);
        QInputMethodEvent event;
        event.setCommitString(commit);
        QApplication::sendEvent(window->ClickNomer, &event);
        QCOMPARE(window->ClickNomer->text(), result);
        QCOMPARE(qs(window->form().Nomer), result);
    }

    // A paste from the box's context menu is not typing: it is taken as it
    // is, whatever its length, and decoded.
    void pasteFromContextMenu_data() {
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QString>("serial");
        QTest::addColumn<QString>("strana");
        QTest::addColumn<bool>("error");
        QTest::newRow("twenty digits") << "12345678901234567890" << "It is not used" << "It is not used" << true;
        QTest::newRow("ten digits") << "1065100088" << "1065100088" << "Deutschland, Rottenburg" << false;
        QTest::newRow("letters") << "A5700940" << "A5700940" << "It is not used" << true;
    }
    void pasteFromContextMenu() {
        QFETCH(QString, clipboard);
        QFETCH(QString, serial);
        QFETCH(QString, strana);
        QFETCH(bool, error);
        window = start();
        Retype(*window, QStringLiteral("1234567890123456"));  // full for typing, not for pasting
        window->ClickNomer->clear();
        QApplication::clipboard()->setText(clipboard);
        std::unique_ptr<QMenu> menu(window->ClickNomer->createStandardContextMenu());
        QAction* paste = nullptr;
        for (QAction* action : menu->actions()) {
            if (action->text().startsWith(QStringLiteral("&Paste"))) paste = action;
        }
        QVERIFY(paste);
        QVERIFY(paste->isEnabled());
        paste->trigger();
        QCOMPARE(window->ClickNomer->text(), clipboard);
        QCOMPARE(window->SeriiniiNomer->text(), serial);
        QCOMPARE(window->Strana->text(), strana);
        QCOMPARE(window->Osibka->isVisibleTo(window.get()), error);
    }

    // A start in Russian, as a screen reader names the boxes, and the
    // language picked with the keyboard.
    void russianTexts() {
        writeSettings("[LANG]\nLANG=1\n");
        window = start();
        QCOMPARE(window->Languag->currentText(), QStringLiteral("RUS"));
        QCOMPARE(window->Strana->text(), QStringLiteral("Германия, Зиндельфинген"));
        QCOMPARE(window->SeriiniiNomer->accessibleName(), QStringLiteral("Серийный номер"));
        QCOMPARE(window->ClickNomer->accessibleName(), QStringLiteral("Введите серийный номер"));
        Retype(*window, QStringLiteral("1"));
        QVERIFY(window->Osibka->isVisibleTo(window.get()));
        QCOMPARE(window->God->text(), QStringLiteral("Не используется"));
        // The language is picked with the keyboard as a user would.
        window->Languag->setFocus();
        QTest::keyClick(window->Languag, Qt::Key_Up);
        QCOMPARE(window->Languag->currentText(), QStringLiteral("ENG"));
        QCOMPARE(window->God->text(), QStringLiteral("It is not used"));
        QCOMPARE(window->Osibka->text(), QStringLiteral("Error !  Specify serial number !"));
    }

    // F10 takes the keyboard to the menu bar as Alt does, from any box: the
    // arrow keys move between the items, Enter chooses one; nothing else
    // changes. Escape closes the About window as its close box does.
    void menuKeys() {
        window = start();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        const QStringList before = Snapshot(*window);
        for (QWidget* from : {static_cast<QWidget*>(window->ClickNomer), static_cast<QWidget*>(window->Strana)}) {
            from->setFocus();
            QTest::keyClick(from, Qt::Key_F10);
            QCOMPARE(QApplication::focusWidget(), window->menuBar());
            QCOMPARE(window->menuBar()->activeAction(), window->Print);
            QTest::keyClick(window->menuBar(), Qt::Key_Right);
            QCOMPARE(window->menuBar()->activeAction(), window->mnuAbout);
            QTest::keyClick(window->menuBar(), Qt::Key_Left);
            QCOMPARE(window->menuBar()->activeAction(), window->Print);
            QTest::keyClick(window->menuBar(), Qt::Key_Escape);
        }
        QVERIFY(!window->aboutWindow());
        window->ClickNomer->setFocus();
        QTest::keyClick(window->ClickNomer, Qt::Key_F10);
        QTest::keyClick(window->menuBar(), Qt::Key_Right);
        QTest::keyClick(window->menuBar(), Qt::Key_Return);
        QPointer<kavrel::About> about = window->aboutWindow();
        QVERIFY(about);
        QVERIFY(about->isVisible());
        QCOMPARE(window->Print->text(), QStringLiteral("Print"));
        QCOMPARE(window->mnuAbout->text(), QStringLiteral("About"));
        QCOMPARE(Snapshot(*window), before);

        about->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(about.data()));
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : about.data(), Qt::Key_Escape);
        QTRY_VERIFY(!about);
        QVERIFY(!window->aboutWindow());
    }

    void aboutWindowIsSingle() {
        window = start();
        QVERIFY(!window->aboutWindow());
        window->mnuAbout->trigger();
        QPointer<kavrel::About> first = window->aboutWindow();
        QVERIFY(first);
        QVERIFY(first->isVisible());
        QVERIFY(!first->parent());  // no owner
        window->mnuAbout->trigger();
        QCOMPARE(window->aboutWindow(), first.data());
        int abouts = 0;
        for (QWidget* top : QApplication::topLevelWidgets()) abouts += qobject_cast<kavrel::About*>(top) ? 1 : 0;
        QCOMPARE(abouts, 1);

        // The language does not reach the About window.
        const QString site = first->About_Sait->text();
        window->Languag->setCurrentIndex(1);
        QCOMPARE(first->About_Sait->text(), site);

        first->close();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!first);
        QVERIFY(!window->aboutWindow());
        window->mnuAbout->trigger();
        QVERIFY(window->aboutWindow());
        QVERIFY(window->aboutWindow()->isVisible());
    }

    void closingClosesAbout() {
        window = start();
        window->mnuAbout->trigger();
        QPointer<kavrel::About> about = window->aboutWindow();
        window->close();
        QVERIFY(!about || !about->isVisible());
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!about);
        QVERIFY(readSettings().contains("LANG=0"));
    }

    void printWithoutPrinter_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("message");
        QTest::newRow("ENG") << 0 << "Nothing was printed: no printer is set up on this computer.";
        QTest::newRow("RUS") << 1 << "Ничего не напечатано: на этом компьютере не настроен принтер.";
    }
    void printWithoutPrinter() {
        QFETCH(int, language);
        QFETCH(QString, message);
        if (!QPrinterInfo::defaultPrinter().isNull()) QSKIP("a default printer is set up here");
        window = start();
        window->Languag->setCurrentIndex(language);
        const QStringList before = Snapshot(*window);
        window->Print->trigger();
        auto* box = window->findChild<QMessageBox*>(QStringLiteral("PrintMessage"));
        QVERIFY(box);
        QVERIFY(box->isVisible());
        QCOMPARE(box->text(), message);
        QCOMPARE(Snapshot(*window), before);
        box->accept();
    }

    // The bold site line opens the site when clicked.
    void siteLine() {
        window = start();
        BrowserRecorder browser;
        QTest::mouseClick(window->www, Qt::RightButton);
        QVERIFY(browser.opened(0).isEmpty());
        QTest::mouseClick(window->www, Qt::LeftButton);
        QCOMPARE(browser.opened(1), QStringList{"http://" + qs(kavrel::SiteHost)});
        QCOMPARE(window->www->cursor().shape(), Qt::PointingHandCursor);
    }
};

QTEST_MAIN(BehaviourTest)
#include "test_behaviour.moc"
