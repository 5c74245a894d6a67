// The main window's notifications, handed to the behaviour, and the parts
// of the view that open other windows: About, the print message, the
// browser.
#include "platform/openlink.h"
#include "ui/qt/about.h"
#include "ui/qt/kavrel.h"
#include "ui/qt/printout.h"
#include "ui/qt/widgets.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QMessageBox>
#include <QShortcut>

namespace kavrel {
namespace {

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

}  // namespace

void Kavrel::connectHandlers() {
    ClickNomer->installEventFilter(this);
    www->installEventFilter(this);
    www->setCursor(Qt::PointingHandCursor);
    connect(ClickNomer, &QLineEdit::textChanged, this, [this] { form_.ClickNomer_Change(); });
    connect(Languag, &QComboBox::currentIndexChanged, this, [this] { form_.Languag_Click(); });
    connect(Print, &QAction::triggered, this, [this] { form_.Print_Click(); });
    connect(mnuAbout, &QAction::triggered, this, [this] { form_.mnuAbout_Click(); });
    // F10 takes the keyboard to the menu bar, as Alt does, wherever the
    // focus is in the window.
    auto* menuKey = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(menuKey, &QShortcut::activated, this, [this] {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Alt, Qt::AltModifier);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Alt, Qt::NoModifier);
        QApplication::sendEvent(this, &press);
        QApplication::sendEvent(this, &release);
    });
}

bool Kavrel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ClickNomer && event->type() == QEvent::KeyPress) {
        int typed = TypedCharacter(*static_cast<QKeyEvent*>(event));
        if (typed >= 0) {
            form_.ClickNomer_KeyPress(typed);
            if (typed == 0) return true;  // discarded
        }
    } else if (watched == ClickNomer && event->type() == QEvent::InputMethod) {
        const QString commit = static_cast<QInputMethodEvent*>(event)->commitString();
        if (!form_.ClickNomer_TakesTyped(commit.toStdString())) return true;
    } else if (watched == www && IsLeftClickOn(www, event)) {
        form_.www_Click();
    }
    return QMainWindow::eventFilter(watched, event);
}

void Kavrel::closeEvent(QCloseEvent* event) {
    form_.Form_QueryUnload();
    event->accept();  // the closing always goes on
}

About* Kavrel::aboutWindow() const { return about_; }

void Kavrel::ShowAbout() {
    if (!about_) about_ = new About;  // no owner: either window can be in front
    about_->show();
    about_->raise();
    about_->activateWindow();
}

void Kavrel::CloseAbout() {
    if (about_) about_->close();
}

void Kavrel::PrintClientArea() {
    // The client area as the user sees it, separator included.
    PrintImage(centralWidget()->grab(), windowTitle(), this,
               [this](const PrintOutcome& outcome) { form_.PrintFinished(outcome); });
}

void Kavrel::ShowMessage(std::string_view text, std::string_view detail) {
    auto* message = new QMessageBox(QMessageBox::Warning, windowTitle(),
                                    QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                                    QMessageBox::Ok, this);
    message->setObjectName(QStringLiteral("PrintMessage"));
    message->setInformativeText(QString::fromUtf8(detail.data(), static_cast<qsizetype>(detail.size())));
    message->setAttribute(Qt::WA_DeleteOnClose);
    message->open();  // window-modal, and the handler returns at once
}

void Kavrel::OpenLink(const std::string& address) { kavrel::OpenLink(this, QString::fromStdString(address)); }

}  // namespace kavrel
