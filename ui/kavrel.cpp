#include "ui/kavrel.h"

#include "lang/texts.h"
#include "platform/settings.h"
#include "platform/site.h"
#include "ui/widgets.h"

#include <QAccessible>
#include <QAction>
#include <QColor>
#include <QComboBox>
#include <QFont>
#include <QIcon>
#include <QLineEdit>
#include <QMenuBar>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPolygonF>
#include <QScreen>
#include <QStyle>
#include <QTextDocument>
#include <QTextOption>

#include <algorithm>
#include <array>

namespace kavrel {
namespace {

// Text boxes look like plain text on the window (Label), like a cell of the
// result table (Cell: white, thin flat border) or like an input field (Input:
// white, sunken border). The language chooser is a drop-down list.
enum Look { Input, Cell, Label, List };
enum Lines { One, Wrap };
enum Align { Left, Centre, Right, NoAlign };
enum Access { Editable, ReadOnly, Pick };

// Fonts are Arial in points; size 0 leaves the system's dialog font.
struct Face {
    double points;
    bool bold;
    bool red;
};
constexpr Face Regular{9.75, false, false};
constexpr Face Large{14.25, false, false};
constexpr Face Alarm{12, false, true};
constexpr Face Bold{9.75, true, false};
constexpr Face Dialog{0, false, false};

struct Control {
    const char* name;
    std::string_view role;
    int left, top, width, height;
    Look look;
    Lines lines;
    Face face;
    Align align;
    Access access;
};

// The 25 controls in tab order; pixels from the top-left of the client area.
// Label and value cells of a result row overlap by one pixel so that they
// share a border line; the place of a row at top 312 stays empty.
constexpr std::array<Control, 25> Controls{{
    // Name               Role                                     L    T    W    H  Look   Lines Face     Alignment Read-only
    {"ClickNomer",        "input box for the serial number",     375,  48, 232, 28, Input, One,  Large,   Centre,   Editable},
    {"TextSeriiniiNomer", "label of row 1",                        6, 186, 202, 19, Cell,  One,  Regular, Left,     ReadOnly},
    {"SeriiniiNomer",     "result: serial number",               207, 186, 403, 19, Cell,  One,  Regular, Left,     ReadOnly},
    {"Strana",            "result: country, city",               207, 207, 403, 19, Cell,  One,  Regular, Left,     ReadOnly},
    {"TextStrana",        "label of row 2",                        6, 207, 202, 19, Cell,  One,  Regular, Left,     ReadOnly},
    {"Zavod",             "result: factory",                     207, 228, 403, 19, Cell,  One,  Regular, Left,     ReadOnly},
    {"TextZavod",         "label of row 3",                        6, 228, 202, 19, Cell,  One,  Regular, Left,     ReadOnly},
    {"God",               "result: year of manufacture",         207, 249, 403, 19, Cell,  One,  Regular, Left,     ReadOnly},
    {"TextGod",           "label of row 4",                        6, 249, 202, 19, Cell,  One,  Regular, Left,     ReadOnly},
    {"Mesiac",            "result: month of manufacture",        207, 270, 403, 19, Cell,  One,  Regular, Left,     ReadOnly},
    {"TextMesiac",        "label of row 5",                        6, 270, 202, 19, Cell,  One,  Regular, Left,     ReadOnly},
    {"Seria",             "result: order number",                207, 291, 403, 19, Cell,  One,  Regular, Left,     ReadOnly},
    {"TextSeria",         "label of row 6",                        6, 291, 202, 19, Cell,  One,  Regular, Left,     ReadOnly},
    {"DataKoda",          "result: date from which the code is valid", 207, 333, 403, 19, Cell, One, Regular, Left, ReadOnly},
    {"TextDataKoda",      "label of row 7",                        6, 333, 202, 19, Cell,  One,  Regular, Left,     ReadOnly},
    {"TextVvedite",       "prompt over the input box",           375,  24, 232, 16, Label, One,  Regular, Centre,   Editable},
    {"TextPrimer",        "label of the example numbers",        375,  84, 232, 16, Label, One,  Regular, Centre,   ReadOnly},
    {"Text7",             "the example numbers",                 375, 108, 232, 16, Label, One,  Regular, Centre,   ReadOnly},
    {"TextVnimanie",      "nameplate note, multi-line",            9,  81, 352, 70, Label, Wrap, Regular, Left,     ReadOnly},
    {"TextOpredelenie",   "title line, multi-line",                9,  42, 352, 34, Label, Wrap, Regular, Left,     ReadOnly},
    {"Osibka",            "error line, red",                     285, 162, 322, 19, Label, One,  Alarm,   Centre,   ReadOnly},
    {"Languag",           "language chooser",                    168,   9, 124, 21, List,  One,  Dialog,  NoAlign,  Pick},
    {"TextLanguag",       "label of the language chooser",        48,  12, 118, 19, Label, One,  Regular, Right,    ReadOnly},
    {"TextPolucheno",     "heading over the result table",         9, 162, 271, 19, Label, One,  Regular, Right,    ReadOnly},
    {"www",               "web address line, bold",              192, 366, 217, 16, Label, One,  Bold,    Centre,   ReadOnly},
}};

struct DesignText {
    const char* name;
    std::string_view text;
};

// The texts the window is built with. The captions keep them, leading "1"
// included, until a language is applied.
constexpr std::array<DesignText, 16> DesignTexts{{
    {"ClickNomer", "15700940"},
    {"Text7", "15700940         1065100088"},
    {"TextLanguag", "1Language"},
    {"TextPolucheno", "1Полученная информация :"},
    {"TextVvedite", "1Введите серийный номер :"},
    {"TextPrimer", "1Пример :"},
    {"Osibka", "1Ошибка ! Уточните серийный номер"},
    {"TextSeriiniiNomer", "1Серийный номер :"},
    {"TextStrana", "1Страна, город :"},
    {"TextZavod", "1Завод изготовитель :"},
    {"TextGod", "1Год изготовления :"},
    {"TextMesiac", "1Месяц изготовления :"},
    {"TextSeria", "1Порядковый номер :"},
    {"TextDataKoda", "1Дата действия кода :"},
    {"TextOpredelenie", "1Определение информации в серийном номере \r\nкомпрессоров \"Bitzer\"\r\n"},
    {"TextVnimanie",
     "1Внимание : Серийный номер компрессоров Bitzer нигде \r\n"
     "на его корпусе, кроме как на шильде, не указывается. \r\n"
     "Смотрите только на шильдике !\r\n"},
}};

// For a screen reader, a result box, the input box, the example numbers and
// the language list are named by the caption beside them; every other box
// is named by its own text.
struct NamedBy {
    const char* caption;
    const char* box;
};
constexpr std::array<NamedBy, 10> Captions{{
    {"TextVvedite", "ClickNomer"},
    {"TextSeriiniiNomer", "SeriiniiNomer"},
    {"TextStrana", "Strana"},
    {"TextZavod", "Zavod"},
    {"TextGod", "God"},
    {"TextMesiac", "Mesiac"},
    {"TextSeria", "Seria"},
    {"TextDataKoda", "DataKoda"},
    {"TextPrimer", "Text7"},
    {"TextLanguag", "Languag"},
}};

const char* lookName(Look look) {
    switch (look) {
    case Input: return "input";
    case Cell: return "cell";
    case Label: return "label";
    case List: return "list";
    }
    return "";
}

Qt::Alignment alignment(Align align) {
    switch (align) {
    case Left: return Qt::AlignLeft | Qt::AlignVCenter;
    case Centre: return Qt::AlignHCenter | Qt::AlignVCenter;
    case Right: return Qt::AlignRight | Qt::AlignVCenter;
    case NoAlign: break;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

// A caption as a screen reader should say it: one line, blanks collapsed,
// without the trailing colon.
QString spoken(const QString& text) {
    QString name = text.simplified();
    while (name.endsWith(u':') || name.endsWith(u' '))
        name.chop(1);
    return name;
}

// Borders and backgrounds, drawn by the boxes themselves (a style sheet would
// bring its whole engine into the start-up): a label is the window's face; a
// cell is white in a one-pixel line of the text colour; the input box is
// white in a two-pixel sunken edge, dark at top and left, light at bottom
// and right, the colours meeting on the diagonal at the corners.
int borderWidth(Look look) { return look == Input ? 2 : look == Cell ? 1 : 0; }

void setBackground(QWidget* box, Look look) {
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, look == Label ? palette.color(QPalette::Window) : QColor(Qt::white));
    box->setPalette(palette);
}

class TextBox final : public QLineEdit {
public:
    TextBox(Look look, QWidget* parent) : QLineEdit(parent), look_(look) {
        setFrame(false);
        const int border = borderWidth(look);
        setTextMargins(border, border, border, border);
        setBackground(this, look);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        // Neighbouring cells share a border line: a repaint of that line alone,
        // which comes with every change of the cell beside it, needs no text.
        if (look_ != Cell || event->region().intersects(rect().adjusted(1, 1, -1, -1)))
            QLineEdit::paintEvent(event);
        if (look_ == Label) return;
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        const qreal w = width();
        const qreal h = height();
        if (look_ == Cell) {
            painter.setBrush(palette().text());
            painter.drawRect(QRectF(0, h - 1, w, 1));
            painter.drawRect(QRectF(w - 1, 0, 1, h));
            painter.drawRect(QRectF(0, 0, 1, h));
            painter.drawRect(QRectF(0, 0, w, 1));
            return;
        }
        // Light edges first, dark over them, as the corners share pixels.
        const qreal b = borderWidth(Input);
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

QWidget* makeControl(const Control& c, QWidget* parent) {
    QWidget* widget = nullptr;
    if (c.look == List) {
        auto* list = new QComboBox(parent);
        list->addItems({QString::fromUtf8(LanguageEng), QString::fromUtf8(LanguageRus)});  // indexes 0 and 1
        list->setCurrentIndex(-1);
        widget = list;
    } else if (c.lines == Wrap) {
        auto* box = new QPlainTextEdit(parent);
        box->setFrameShape(QFrame::NoFrame);
        setBackground(box, c.look);
        box->setReadOnly(c.access == ReadOnly);
        box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        box->setWordWrapMode(QTextOption::WordWrap);
        box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        box->setTabChangesFocus(true);
        box->document()->setDocumentMargin(1);
        widget = box;
    } else {
        auto* box = new TextBox(c.look, parent);
        box->setReadOnly(c.access == ReadOnly);
        box->setAlignment(alignment(c.align));
        widget = box;
    }
    widget->setObjectName(QLatin1String(c.name));
    widget->setProperty("look", QLatin1String(lookName(c.look)));
    widget->setGeometry(c.left, c.top, c.width, c.height);
    if (c.face.points > 0)
        widget->setFont(Arial(c.face.points, c.face.bold));
    if (c.face.red) {
        QPalette palette = widget->palette();
        palette.setColor(QPalette::Text, QColor(255, 0, 0));
        widget->setPalette(palette);
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
// white, along its top edge, painted anew on every repaint.
class ClientArea : public QWidget {
public:
    explicit ClientArea(QWidget* parent) : QWidget(parent) {
        QPalette palette = this->palette();
        palette.setColor(QPalette::Window, palette.color(QPalette::Button));
        setPalette(palette);
        setFixedSize(Kavrel::ClientWidth, Kavrel::ClientHeight);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), palette().window());
        painter.setPen(QColor(128, 128, 128));
        painter.drawLine(0, 0, width() - 1, 0);
        painter.setPen(QColor(255, 255, 255));
        painter.drawLine(0, 1, width() - 1, 1);
    }
};

QWidget* buildClientArea(QMainWindow* window) {
    auto* client = new ClientArea(window);
    client->setObjectName(QStringLiteral("client"));
    // Created in table order, which is the tab order.
    for (const Control& c : Controls)
        makeControl(c, client);
    for (const NamedBy& pair : Captions)
        nameAfter(Child<QWidget>(client, pair.box), Child<QWidget>(client, pair.caption));
    for (const Control& c : Controls) {
        const bool hasCaption = std::any_of(Captions.begin(), Captions.end(), [&c](const NamedBy& pair) {
            return std::string_view(pair.box) == c.name;
        });
        if (!hasCaption) {
            QWidget* box = Child<QWidget>(client, c.name);
            nameAfter(box, box);
        }
    }
    window->setCentralWidget(client);
    return client;
}

QAction* menuItem(QMainWindow* window, const char* name, const QString& caption) {
    QAction* item = window->menuBar()->addAction(caption);
    item->setObjectName(QLatin1String(name));
    return item;
}

}  // namespace

Kavrel::Kavrel(QWidget* parent)
    : QMainWindow(parent, Frame),
      client_(buildClientArea(this)),
      Print(menuItem(this, "Print", QStringLiteral("Print"))),
      mnuAbout(menuItem(this, "mnuAbout", QStringLiteral("About"))),
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
      www(Child<QLineEdit>(client_, "www")) {
    setObjectName(QStringLiteral("Kavrel"));
    setWindowTitle(QStringLiteral("Kavrel"));
    setWindowIcon(QIcon(ProgramPicture()));

    for (const DesignText& design : DesignTexts)
        setBoxText(design.name, QString::fromUtf8(design.text));
    www->setText(QString::fromUtf8(SiteHost));

    // The menu bar takes what it needs; the client area keeps its exact size.
    // It stays in the window even where the desktop offers a global menu bar.
    menuBar()->setNativeMenuBar(false);
    setFixedSize(ClientWidth, ClientHeight + menuBar()->sizeHint().height());
    setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(),
                                    screen()->availableGeometry()));
    ClickNomer->setFocus();

    settingsFile = SettingsPath();
    connectHandlers();
}

QString Kavrel::boxText(std::string_view name) const {
    const QString objectName = QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
    if (auto* line = client_->findChild<QLineEdit*>(objectName, Qt::FindDirectChildrenOnly))
        return line->text();
    if (auto* box = client_->findChild<QPlainTextEdit*>(objectName, Qt::FindDirectChildrenOnly))
        return box->toPlainText();
    return {};
}

void Kavrel::setBoxText(std::string_view name, const QString& text) {
    const QString objectName = QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
    if (auto* line = client_->findChild<QLineEdit*>(objectName, Qt::FindDirectChildrenOnly))
        line->setText(text);
    else if (auto* box = client_->findChild<QPlainTextEdit*>(objectName, Qt::FindDirectChildrenOnly))
        box->setPlainText(text);
}

}  // namespace kavrel
