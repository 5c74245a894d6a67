#include "ui/qt/kavrel.h"

#include "lang/texts.h"
#include "platform/settings.h"
#include "platform/site.h"
#include "ui/qt/wayland_frame.h"
#include "ui/qt/widgets.h"

#include <QAction>
#include <QAnyStringView>
#include <QColor>
#include <QComboBox>
#include <QIcon>
#include <QLineEdit>
#include <QMenuBar>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPolygonF>
#include <QScreen>
#include <QSignalBlocker>
#include <QStyle>
#include <QTextCursor>
#include <QTextOption>
#include <QUtf8StringView>
#include <QtMath>

#include <algorithm>
#include <array>
#include <string>
#include <utility>

namespace kavrel {
namespace {

QString qs(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

const char* lookName(Look look) {
    switch (look) {
    case Look::Input: return "input";
    case Look::Cell: return "cell";
    case Look::Label: return "label";
    case Look::List: return "list";
    }
    return "";
}

// A caption as a screen reader should say it: one line, blanks collapsed,
// without the trailing colon.
QString spoken(const QString& text) {
    QString name = text.simplified();
    while (name.endsWith(u':') || name.endsWith(u' '))
        name.chop(1);
    return name;
}

// The looks' borders and backgrounds, drawn by the boxes themselves: a style
// sheet draws the same pixels but takes twice as long to repaint a keystroke's
// boxes. A label is the window's face; a cell is white in a one-pixel line;
// the input box is white in a two-pixel sunken edge, dark at top and left,
// light at bottom and right, the colours meeting on the diagonal at the
// corners. On white, text and lines take a colour that stands out from white,
// whatever the colour scheme.
int BorderWidth(Look look) { return look == Look::Input ? 2 : look == Look::Cell ? 1 : 0; }

class TextBox final : public QLineEdit {
public:
    TextBox(Look look, QWidget* parent) : QLineEdit(parent), look_(look) {
        setFrame(false);
        const int border = BorderWidth(look);
        setTextMargins(border, border, border, border);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        // Neighbouring cells share a border line: a repaint of that line alone,
        // which comes with every change of the cell beside it, needs no text.
        if (look_ != Look::Cell || event->region().intersects(rect().adjusted(1, 1, -1, -1)))
            QLineEdit::paintEvent(event);
        if (look_ == Look::Label) return;
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        const qreal w = width();
        const qreal h = height();
        if (look_ == Look::Cell) {
            painter.setBrush(palette().text());
            painter.drawRect(QRectF(0, h - 1, w, 1));
            painter.drawRect(QRectF(w - 1, 0, 1, h));
            painter.drawRect(QRectF(0, 0, 1, h));
            painter.drawRect(QRectF(0, 0, w, 1));
            return;
        }
        // Light edges first, dark over them, as the corners share pixels.
        const qreal b = BorderWidth(Look::Input);
        painter.setBrush(palette().light());
        painter.drawConvexPolygon(QPolygonF{{{b, h - b}, {0, h}, {w, h}, {w, h - b}}});
        painter.drawConvexPolygon(QPolygonF{{{w - b, b}, {w - b, h}, {w, h}, {w, 0}}});
        painter.setBrush(palette().dark());
        painter.drawConvexPolygon(QPolygonF{{{0, 0}, {0, h}, {b, h - b}, {b, 0}}});
        painter.drawConvexPolygon(QPolygonF{{{0, 0}, {0, b}, {w - b, b}, {w, 0}}});
    }

private:
    const Look look_;
};

QWidget* makeControl(const ControlRow& c, QWidget* parent) {
    QWidget* widget = nullptr;
    if (c.look == Look::List) {
        auto* list = new QComboBox(parent);
        for (const std::string_view item : LanguageItems) list->addItem(qs(item));
        list->setCurrentIndex(-1);
        widget = list;
    } else if (c.lines == Lines::Wrap) {
        auto* box = new QPlainTextEdit(parent);
        box->setFrameShape(QFrame::NoFrame);
        box->setReadOnly(c.readOnly);
        box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        box->setWordWrapMode(QTextOption::WordWrap);
        box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        box->setTabChangesFocus(true);
        box->document()->setDocumentMargin(1);
        widget = box;
    } else {
        auto* box = new TextBox(c.look, parent);
        box->setReadOnly(c.readOnly);
        box->setAlignment(Alignment(c.align));
        widget = box;
    }
    widget->setObjectName(QLatin1String(c.name.data(), static_cast<qsizetype>(c.name.size())));
    widget->setProperty("look", QLatin1String(lookName(c.look)));
    widget->setGeometry(c.left, c.top, c.width, c.height);
    if (c.font.points > 0) widget->setFont(Arial(c.font));
    if (c.look != Look::List) {
        // A label on the window's face; the other looks on white, in a
        // colour that stands out from it.
        QPalette palette = widget->palette();
        if (c.look == Look::Label) {
            palette.setColor(QPalette::Base, palette.color(QPalette::Button));
        } else {
            palette.setColor(QPalette::Base, Colour(CellWhite));
            palette.setColor(QPalette::Text, InkOnWhite(palette));
        }
        if (c.ink == Ink::Red) palette.setColor(QPalette::Text, Colour(ErrorRed));
        widget->setPalette(palette);
    }
    // The text last, so that it is laid out once, in its own font.
    if (auto* line = qobject_cast<QLineEdit*>(widget)) {
        line->setText(qs(c.text));
    } else if (auto* text = qobject_cast<QPlainTextEdit*>(widget)) {
        text->setPlainText(qs(c.text));
    }
    return widget;
}

// Keeps a box's accessible name in step with a text box, now and on every
// later change of that text.
void nameAfter(QWidget* named, QWidget* source) {
    if (auto* line = qobject_cast<QLineEdit*>(source)) {
        // A combo box is read by its selection on Linux, where the name set
        // here is not used: its caption goes into its description as well.
        const bool list = qobject_cast<QComboBox*>(named) != nullptr;
        const auto name = [named, list](const QString& text) {
            named->setAccessibleName(spoken(text));
            if (list) named->setAccessibleDescription(spoken(text));
        };
        QObject::connect(line, &QLineEdit::textChanged, named, name);
        name(line->text());
    } else if (auto* box = qobject_cast<QPlainTextEdit*>(source)) {
        QObject::connect(box, &QPlainTextEdit::textChanged, named,
                         [named, box] { named->setAccessibleName(spoken(box->toPlainText())); });
        named->setAccessibleName(spoken(box->toPlainText()));
    }
}

// The client area: the button face with the engraved separator, grey over
// white, along its top edge, painted anew on every repaint. The rows are
// whole device pixels, as many as the scale factor rounds to, so that both
// show at every scale.
class ClientArea : public QWidget {
public:
    explicit ClientArea(QWidget* parent) : QWidget(parent) {
        QPalette palette = this->palette();
        palette.setColor(QPalette::Window, palette.color(QPalette::Button));
        setPalette(palette);
        setFixedSize(KavrelWindow.clientWidth, KavrelWindow.clientHeight);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), palette().window());
        const qreal ratio = devicePixelRatioF();
        const int rows = std::max(1, qRound(ratio));
        painter.scale(1 / ratio, 1 / ratio);
        const int wide = qCeil(width() * ratio);
        for (const SeparatorRow& row : Separator)
            painter.fillRect(0, row.y * rows, wide, rows, Colour(row.colour));
    }
};

QWidget* buildClientArea(QMainWindow* window) {
    auto* client = new ClientArea(window);
    client->setObjectName(QStringLiteral("client"));
    // Created in table order, which is the tab order.
    for (const ControlRow& c : KavrelControls) makeControl(c, client);
    const auto widget = [client](Control id) { return Child<QWidget>(client, Row(id).name); };
    for (const ControlRow& c : KavrelControls) {
        const auto pair = std::find_if(CaptionNames.begin(), CaptionNames.end(),
                                       [&c](const NamedBy& named) { return named.box == c.id; });
        nameAfter(widget(c.id), widget(pair == CaptionNames.end() ? c.id : pair->caption));
    }
    window->setCentralWidget(client);
    return client;
}

QAction* menuItem(QMainWindow* window, const MenuItem& item) {
    QAction* action = window->menuBar()->addAction(qs(item.caption));
    action->setObjectName(QLatin1String(item.name.data(), static_cast<qsizetype>(item.name.size())));
    return action;
}

// Sets a one-line box and shows it from its first character, as a box that
// has just been given a text does, however long the text is. A text the box
// already holds is not set again: laying it out anew is most of a keystroke.
void Show(QLineEdit* box, const QString& text) {
    if (box->text() != text) box->setText(text);
    box->setCursorPosition(0);
}

// The same for a multi-line box: the cursor back at the start, nothing
// selected.
void Show(QPlainTextEdit* box, const QString& text) {
    if (box->toPlainText() != text) {
        box->setPlainText(text);
    } else if (const QTextCursor cursor = box->textCursor(); cursor.position() != 0 || cursor.hasSelection()) {
        box->moveCursor(QTextCursor::Start);  // where setPlainText leaves it, selection cleared
    }
}

}  // namespace

Kavrel::Kavrel(std::string settingsFile, QWidget* parent)
    : QMainWindow(parent, Frame),
      client_(buildClientArea(this)),
      Print(menuItem(this, KavrelMenu[0])),
      mnuAbout(menuItem(this, KavrelMenu[1])),
      ClickNomer(Child<QLineEdit>(client_, "ClickNomer")),
      TextSeriiniiNomer(Child<QLineEdit>(client_, "TextSeriiniiNomer")),
      SeriiniiNomer(Child<QLineEdit>(client_, "SeriiniiNomer")),
      Strana(Child<QLineEdit>(client_, "Strana")),
      TextStrana(Child<QLineEdit>(client_, "TextStrana")),
      Zavod(Child<QLineEdit>(client_, "Zavod")),
      TextZavod(Child<QLineEdit>(client_, "TextZavod")),
      God(Child<QLineEdit>(client_, "God")),
      TextGod(Child<QLineEdit>(client_, "TextGod")),
      Mesiac(Child<QLineEdit>(client_, "Mesiac")),
      TextMesiac(Child<QLineEdit>(client_, "TextMesiac")),
      Seria(Child<QLineEdit>(client_, "Seria")),
      TextSeria(Child<QLineEdit>(client_, "TextSeria")),
      DataKoda(Child<QLineEdit>(client_, "DataKoda")),
      TextDataKoda(Child<QLineEdit>(client_, "TextDataKoda")),
      TextVvedite(Child<QLineEdit>(client_, "TextVvedite")),
      TextPrimer(Child<QLineEdit>(client_, "TextPrimer")),
      Text7(Child<QLineEdit>(client_, "Text7")),
      TextVnimanie(Child<QPlainTextEdit>(client_, "TextVnimanie")),
      TextOpredelenie(Child<QPlainTextEdit>(client_, "TextOpredelenie")),
      Osibka(Child<QLineEdit>(client_, "Osibka")),
      Languag(Child<QComboBox>(client_, "Languag")),
      TextLanguag(Child<QLineEdit>(client_, "TextLanguag")),
      TextPolucheno(Child<QLineEdit>(client_, "TextPolucheno")),
      www(Child<QLineEdit>(client_, "www")),
      controls_{ClickNomer, TextSeriiniiNomer, SeriiniiNomer, Strana, TextStrana, Zavod, TextZavod, God, TextGod,
                Mesiac, TextMesiac, Seria, TextSeria, DataKoda, TextDataKoda, TextVvedite, TextPrimer, Text7,
                TextVnimanie, TextOpredelenie, Osibka, Languag, TextLanguag, TextPolucheno, www},
      form_(*this, settings_, settingsFile.empty() ? SettingsPath() : std::move(settingsFile)) {
    setObjectName(qs(KavrelWindow.name));
    setWindowTitle(qs(KavrelWindow.title));
    setWindowIcon(QIcon(ProgramPicture()));

    // The menu bar takes what it needs; the client area keeps its exact size.
    // It stays in the window even where the desktop offers a global menu bar.
    menuBar()->setNativeMenuBar(false);
    // The separator is the one line under the menu bar: the bar draws none
    // of its own, which at a scale factor of 2 would end a device row above
    // the bar's bottom and leave a gap.
    menuBar()->setStyleSheet(QStringLiteral("QMenuBar { background: palette(window); }"));
    setFixedSize(KavrelWindow.clientWidth, KavrelWindow.clientHeight + menuBar()->sizeHint().height());
    FixedFrameOnWayland(this);
    setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(), screen()->availableGeometry()));
    ClickNomer->setFocus();
    connectHandlers();
}

std::string Kavrel::Text(Control box) const {
    if (auto* line = qobject_cast<QLineEdit*>(control(box))) return line->text().toStdString();
    if (auto* text = qobject_cast<QPlainTextEdit*>(control(box))) return text->toPlainText().toStdString();
    return {};
}

bool Kavrel::TextEquals(Control box, std::string_view utf8) const {
    const QUtf8StringView wanted(utf8.data(), static_cast<qsizetype>(utf8.size()));
    if (auto* line = qobject_cast<QLineEdit*>(control(box))) return QAnyStringView::equal(line->text(), wanted);
    return Text(box) == utf8;
}

void Kavrel::SetText(Control box, std::string_view utf8) {
    if (auto* line = qobject_cast<QLineEdit*>(control(box))) {
        Show(line, qs(utf8));
    } else if (auto* text = qobject_cast<QPlainTextEdit*>(control(box))) {
        Show(text, qs(utf8));
    }
}

void Kavrel::SetVisible(Control box, bool visible) { control(box)->setVisible(visible); }

int Kavrel::LanguageIndex() const { return Languag->currentIndex(); }

void Kavrel::SetLanguageIndex(int index) {
    const QSignalBlocker quiet(Languag);  // the form raises Languag_Click itself
    Languag->setCurrentIndex(index);
}

std::string Kavrel::LanguageText() const { return Languag->currentText().toStdString(); }

}  // namespace kavrel
