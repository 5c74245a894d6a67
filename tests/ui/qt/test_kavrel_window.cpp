// The main window's layout: places, looks, fonts, texts, tab order, the
// separator and the names a screen reader hears. Runs offscreen and, through
// scripts/with-xvfb, on an X display.
#include "decode/tables.h"
#include "platform/site.h"
#include "ui/qt/kavrel.h"
#include "ui/qt/widgets.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextOption>

#include <memory>
#include <string>
#include <string_view>

using kavrel::Kavrel;

namespace {

QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

enum Look { Input, Cell, Label, List };

// Width of a look's border on each side, in pixels.
int borderOf(int look) {
    return look == Input ? 2 : look == Cell ? 1 : 0;
}

QColor pixel(const QImage& image, int x, int y) {
    return image.pixelColor(x, y);
}

// The control of the layout called `name`.
kavrel::Control ControlNamed(std::string_view name) {
    for (const kavrel::ControlRow& row : kavrel::KavrelControls)
        if (row.name == name) return row.id;
    qFatal("no control %s", std::string(name).c_str());
}

// A dark colour scheme, as dark themes set it: light text on dark faces.
QPalette DarkPalette() {
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(45, 45, 45));
    dark.setColor(QPalette::Button, QColor(53, 53, 53));
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    dark.setColor(QPalette::ButtonText, QColor(230, 230, 230));
    dark.setColor(QPalette::Text, QColor(240, 240, 240));
    dark.setColor(QPalette::Dark, QColor(20, 20, 20));
    dark.setColor(QPalette::Light, QColor(90, 90, 90));
    return dark;
}

// The darkest pixel of a rectangle of a picture.
int Darkest(const QImage& image, const QRect& area) {
    int least = 255;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) least = qMin(least, qGray(image.pixel(x, y)));
    return least;
}

QString accessibleName(QWidget* widget) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(QAccessible::Name) : QString();
}

}  // namespace

class KavrelWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<Kavrel> window;

    QWidget* control(const QString& name) const {
        return window->centralWidget()->findChild<QWidget*>(name);
    }
    // The client area as the window renders it.
    QImage client() const { return window->centralWidget()->grab().toImage(); }

private Q_SLOTS:
    void init() {
        window = std::make_unique<Kavrel>();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }
    void cleanup() { window.reset(); }

    void windowFrame() {
        QCOMPARE(window->windowTitle(), QStringLiteral("Kavrel"));
        QCOMPARE(window->objectName(), QStringLiteral("Kavrel"));
        const Qt::WindowFlags flags = window->windowFlags();
        QVERIFY(flags & Qt::WindowTitleHint);
        QVERIFY(flags & Qt::WindowSystemMenuHint);
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));

        QWidget* area = window->centralWidget();
        QCOMPARE(area->size(), QSize(616, 392));
        QCOMPARE(area->y(), window->menuBar()->geometry().bottom() + 1);
        QCOMPARE(window->minimumSize(), window->maximumSize());
        QCOMPARE(window->size(), window->minimumSize());
        // A resize request changes nothing.
        window->resize(900, 700);
        QCOMPARE(area->size(), QSize(616, 392));

        const QRect screen = window->screen()->availableGeometry();
        QVERIFY(qAbs(window->geometry().center().x() - screen.center().x()) <= 1);
        QVERIFY(qAbs(window->geometry().center().y() - screen.center().y()) <= 1);

        // Button face behind the controls: a pixel between them.
        QCOMPARE(pixel(client(), 300, 160), QApplication::palette().color(QPalette::Button));
    }

    void icon() {
        const QImage image(QStringLiteral(KAVREL_ICON_PNG));
        QCOMPARE(image.size(), QSize(32, 32));
        QVERIFY(!image.hasAlphaChannel());
        QVERIFY(!window->windowIcon().isNull());
        QCOMPARE(window->windowIcon().pixmap(32, 32).toImage().convertToFormat(QImage::Format_RGB32),
                 image.convertToFormat(QImage::Format_RGB32));
    }

    // The family the windows name for Arial is an installed one, and the one
    // Qt itself picks for "Arial" here.
    void arialStandIn() {
        const QString picked = QFontInfo(QFont(QStringLiteral("Arial"))).family();
        QCOMPARE(kavrel::ArialFamilies(), QStringList{picked});
        QCOMPARE(QFontInfo(window->SeriiniiNomer->font()).family(), picked);
        QVERIFY(QFontInfo(kavrel::Arial(kavrel::Bold)).bold());
    }

    void menu() {
        const QList<QAction*> items = window->menuBar()->actions();
        QCOMPARE(items.size(), 2);
        QCOMPARE(items[0], window->Print);
        QCOMPARE(items[1], window->mnuAbout);
        QCOMPARE(window->Print->objectName(), QStringLiteral("Print"));
        QCOMPARE(window->Print->text(), QStringLiteral("Print"));
        QCOMPARE(window->mnuAbout->objectName(), QStringLiteral("mnuAbout"));
        QCOMPARE(window->mnuAbout->text(), QStringLiteral("About"));
        for (QAction* item : items)
            QVERIFY(!item->menu());
    }

    void members() {
        // Each named member is the control that carries that name.
        const QList<QPair<QWidget*, QString>> members{
            {window->ClickNomer, "ClickNomer"}, {window->TextSeriiniiNomer, "TextSeriiniiNomer"},
            {window->SeriiniiNomer, "SeriiniiNomer"}, {window->Strana, "Strana"},
            {window->TextStrana, "TextStrana"}, {window->Zavod, "Zavod"},
            {window->TextZavod, "TextZavod"}, {window->God, "God"}, {window->TextGod, "TextGod"},
            {window->Mesiac, "Mesiac"}, {window->TextMesiac, "TextMesiac"}, {window->Seria, "Seria"},
            {window->TextSeria, "TextSeria"}, {window->DataKoda, "DataKoda"},
            {window->TextDataKoda, "TextDataKoda"}, {window->TextVvedite, "TextVvedite"},
            {window->TextPrimer, "TextPrimer"}, {window->Text7, "Text7"},
            {window->TextVnimanie, "TextVnimanie"}, {window->TextOpredelenie, "TextOpredelenie"},
            {window->Osibka, "Osibka"}, {window->Languag, "Languag"},
            {window->TextLanguag, "TextLanguag"}, {window->TextPolucheno, "TextPolucheno"},
            {window->www, "www"}};
        QCOMPARE(window->centralWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).size(), 25);
        for (const auto& [widget, name] : members) {
            QVERIFY2(widget, qPrintable(name));
            QCOMPARE(widget->objectName(), name);
            QCOMPARE(control(name), widget);
            QVERIFY(widget->isVisible());
            QVERIFY(widget->isEnabled());
        }
    }

    void controls_data() {
        QTest::addColumn<QRect>("place");
        QTest::addColumn<int>("look");
        QTest::addColumn<int>("pixels");  // font size; 0: the system's dialog font
        QTest::addColumn<bool>("bold");
        QTest::addColumn<int>("align");
        QTest::addColumn<bool>("readOnly");
        const int L = Qt::AlignLeft, C = Qt::AlignHCenter, R = Qt::AlignRight;
        // 9.75 pt = 13 px, 14.25 pt = 19 px, 12 pt = 16 px at 96 dpi.
        QTest::newRow("ClickNomer") << QRect(375, 48, 232, 28) << +Input << 19 << false << C << false;
        QTest::newRow("TextSeriiniiNomer") << QRect(6, 186, 202, 19) << +Cell << 13 << false << L << true;
        QTest::newRow("SeriiniiNomer") << QRect(207, 186, 403, 19) << +Cell << 13 << false << L << true;
        QTest::newRow("Strana") << QRect(207, 207, 403, 19) << +Cell << 13 << false << L << true;
        QTest::newRow("TextStrana") << QRect(6, 207, 202, 19) << +Cell << 13 << false << L << true;
        QTest::newRow("Zavod") << QRect(207, 228, 403, 19) << +Cell << 13 << false << L << true;
        QTest::newRow("TextZavod") << QRect(6, 228, 202, 19) << +Cell << 13 << false << L << true;
        QTest::newRow("God") << QRect(207, 249, 403, 19) << +Cell << 13 << false << L << true;
        QTest::newRow("TextGod") << QRect(6, 249, 202, 19) << +Cell << 13 << false << L << true;
        QTest::newRow("Mesiac") << QRect(207, 270, 403, 19) << +Cell << 13 << false << L << true;
        QTest::newRow("TextMesiac") << QRect(6, 270, 202, 19) << +Cell << 13 << false << L << true;
        QTest::newRow("Seria") << QRect(207, 291, 403, 19) << +Cell << 13 << false << L << true;
        QTest::newRow("TextSeria") << QRect(6, 291, 202, 19) << +Cell << 13 << false << L << true;
        QTest::newRow("DataKoda") << QRect(207, 333, 403, 19) << +Cell << 13 << false << L << true;
        QTest::newRow("TextDataKoda") << QRect(6, 333, 202, 19) << +Cell << 13 << false << L << true;
        QTest::newRow("TextVvedite") << QRect(375, 24, 232, 16) << +Label << 13 << false << C << false;
        QTest::newRow("TextPrimer") << QRect(375, 84, 232, 16) << +Label << 13 << false << C << true;
        QTest::newRow("Text7") << QRect(375, 108, 232, 16) << +Label << 13 << false << C << true;
        QTest::newRow("TextVnimanie") << QRect(9, 81, 352, 70) << +Label << 13 << false << L << true;
        QTest::newRow("TextOpredelenie") << QRect(9, 42, 352, 34) << +Label << 13 << false << L << true;
        QTest::newRow("Osibka") << QRect(285, 162, 322, 19) << +Label << 16 << false << C << true;
        QTest::newRow("Languag") << QRect(168, 9, 124, 21) << +List << 0 << false << L << false;
        QTest::newRow("TextLanguag") << QRect(48, 12, 118, 19) << +Label << 13 << false << R << true;
        QTest::newRow("TextPolucheno") << QRect(9, 162, 271, 19) << +Label << 13 << false << R << true;
        QTest::newRow("www") << QRect(192, 366, 217, 16) << +Label << 13 << true << C << true;
    }

    void controls() {
        QFETCH(QRect, place);
        QFETCH(int, look);
        QFETCH(int, pixels);
        QFETCH(bool, bold);
        QFETCH(int, align);
        QFETCH(bool, readOnly);
        QWidget* widget = control(QLatin1String(QTest::currentDataTag()));
        QVERIFY(widget);

        // Outer geometry, in the client area.
        QCOMPARE(widget->geometry(), place);

        // Font: Arial (or its metric twin) at its pixel size, with Cyrillic.
        if (pixels > 0) {
            const QFontInfo info(widget->font());
            QVERIFY2(info.family() == QLatin1String("Arial") || info.family() == QLatin1String("Liberation Sans"),
                     qPrintable(info.family()));
            QCOMPARE(info.pixelSize(), pixels);
            QCOMPARE(info.bold(), bold);
            QVERIFY(!info.italic());
            const QFontMetrics metrics(widget->font());
            for (const char16_t letter : u"ЖжЯяЁё")
                if (letter)
                    QVERIFY(metrics.inFont(QChar(letter)));
        }

        // Alignment and the text box kind.
        if (auto* line = qobject_cast<QLineEdit*>(widget)) {
            QCOMPARE(int(line->alignment() & Qt::AlignHorizontal_Mask), align);
            QVERIFY(line->maxLength() >= 32767);
        } else if (auto* box = qobject_cast<QPlainTextEdit*>(widget)) {
            QCOMPARE(box->wordWrapMode(), QTextOption::WordWrap);
            QCOMPARE(box->lineWrapMode(), QPlainTextEdit::WidgetWidth);
        } else {
            auto* list = qobject_cast<QComboBox*>(widget);
            QVERIFY(list);
            QCOMPARE(look, int(List));
            QVERIFY(!list->isEditable());
        }

        // Borders and backgrounds as rendered: a cell has a one-pixel line in
        // the text colour around white, the input box a two-pixel border dark
        // at top and left and light at bottom and right around white, a label
        // is the window's button face edge to edge.
        if (look == List) {
            QVERIFY(!readOnly);
            return;
        }
        const QImage image = client();
        const QColor face = QApplication::palette().color(QPalette::Button);
        const QColor ink = QApplication::palette().color(QPalette::Text);
        const QColor white(255, 255, 255);
        const int midY = place.top() + place.height() / 2;
        const int b = borderOf(look);
        // A spot inside the border that holds no text: the right end of a
        // left-aligned box, the left end of a centred or right-aligned one.
        const int emptyX = align == Qt::AlignLeft ? place.right() - b - 1 : place.left() + b + 1;
        const int emptyY = place.top() + b;
        if (look == Cell) {
            QCOMPARE(pixel(image, place.left(), midY), ink);
            QCOMPARE(pixel(image, place.right(), midY), ink);
            QCOMPARE(pixel(image, place.left() + 40, place.top()), ink);
            QCOMPARE(pixel(image, place.left() + 40, place.bottom()), ink);
            QCOMPARE(pixel(image, emptyX, midY), white);
        } else if (look == Input) {
            const int leftEdge = pixel(image, place.left(), midY).lightness();
            const int topEdge = pixel(image, place.left() + 20, place.top() + 1).lightness();
            const int rightEdge = pixel(image, place.right(), midY).lightness();
            const int bottomEdge = pixel(image, place.left() + 20, place.bottom() - 1).lightness();
            QVERIFY(leftEdge < face.lightness());
            QVERIFY(topEdge < face.lightness());
            QVERIFY(rightEdge > leftEdge);
            QVERIFY(bottomEdge > topEdge);
            QCOMPARE(pixel(image, emptyX + 2, midY), white);
        } else {
            QCOMPARE(pixel(image, place.left(), place.top()), face);
            QCOMPARE(pixel(image, place.right(), place.bottom()), face);
            QCOMPARE(pixel(image, emptyX, emptyY), face);
        }

        // Read-only as the user meets it: typing changes only the boxes
        // that are not read-only.
        const std::string name = QTest::currentDataTag();
        const std::string before = window->Text(ControlNamed(name));
        widget->setFocus();
        QTest::keyClicks(widget, QStringLiteral("7x"));
        QCOMPARE(window->Text(ControlNamed(name)) != before, !readOnly);
    }

    // The corners of the input box's two-pixel sunken edge: the dark top and
    // left edges meet the light bottom and right edges on the diagonal, where
    // a pixel is half of each; the corners of a cell are its line colour.
    void borderCorners_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QPoint>("fromTopLeft");  // negative: from the right or bottom edge
        QTest::addColumn<QString>("colour");
        const QString input = QStringLiteral("ClickNomer");
        QTest::newRow("input, top left") << input << QPoint(0, 0) << "dark";
        QTest::newRow("input, top left inner") << input << QPoint(1, 1) << "dark";
        QTest::newRow("input, top right outer") << input << QPoint(-1, 0) << "half";
        QTest::newRow("input, top right, top edge") << input << QPoint(-2, 0) << "dark";
        QTest::newRow("input, top right inner") << input << QPoint(-1, 1) << "light";
        QTest::newRow("input, top right, diagonal") << input << QPoint(-2, 1) << "half";
        QTest::newRow("input, bottom left outer") << input << QPoint(0, -1) << "half";
        QTest::newRow("input, bottom left, left edge") << input << QPoint(0, -2) << "dark";
        QTest::newRow("input, bottom left inner") << input << QPoint(1, -1) << "light";
        QTest::newRow("input, bottom left, diagonal") << input << QPoint(1, -2) << "half";
        QTest::newRow("input, bottom right") << input << QPoint(-1, -1) << "light";
        QTest::newRow("input, bottom right inner") << input << QPoint(-2, -2) << "light";
        QTest::newRow("input, inside") << input << QPoint(2, 2) << "white";
        QTest::newRow("cell, top left") << "Strana" << QPoint(0, 0) << "ink";
        QTest::newRow("cell, top right") << "Strana" << QPoint(-1, 0) << "ink";
        QTest::newRow("cell, bottom left") << "Strana" << QPoint(0, -1) << "ink";
        QTest::newRow("cell, bottom right") << "Strana" << QPoint(-1, -1) << "ink";
        QTest::newRow("cell, inside") << "Strana" << QPoint(1, 1) << "white";
    }
    void borderCorners() {
        QFETCH(QString, box);
        QFETCH(QPoint, fromTopLeft);
        QFETCH(QString, colour);
        const QRect place = control(box)->geometry();
        const int x = fromTopLeft.x() >= 0 ? place.left() + fromTopLeft.x() : place.right() + 1 + fromTopLeft.x();
        const int y = fromTopLeft.y() >= 0 ? place.top() + fromTopLeft.y() : place.bottom() + 1 + fromTopLeft.y();
        const QPalette palette = QApplication::palette();
        const QColor dark = palette.color(QPalette::Dark);
        const QColor light = palette.color(QPalette::Light);
        const QColor expected = colour == "dark"    ? dark
                                : colour == "light" ? light
                                : colour == "ink"   ? palette.color(QPalette::Text)
                                : colour == "white" ? QColor(Qt::white)
                                                    : QColor((dark.red() + light.red()) / 2, (dark.green() + light.green()) / 2,
                                                             (dark.blue() + light.blue()) / 2);
        const QColor seen = pixel(client(), x, y);
        QVERIFY2(qAbs(seen.red() - expected.red()) <= 1 && qAbs(seen.green() - expected.green()) <= 1 &&
                     qAbs(seen.blue() - expected.blue()) <= 1,
                 qPrintable(seen.name() + " instead of " + expected.name()));
    }

    // Under a dark colour scheme the white boxes keep dark text and border
    // lines, and the labels stay readable on the scheme's face.
    void darkColourScheme() {
        const QPalette before = QApplication::palette();
        QApplication::setPalette(DarkPalette());
        window = std::make_unique<Kavrel>();
        window->SetText(kavrel::Control::Strana, "Deutschland, Sindelfingen");
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        const QImage image = client();
        QApplication::setPalette(before);
        for (QWidget* box : {static_cast<QWidget*>(window->ClickNomer), static_cast<QWidget*>(window->Strana),
                             static_cast<QWidget*>(window->TextStrana)}) {
            const QRect place = box->geometry();
            const QRect inside = place.adjusted(3, 3, -3, -3);
            QCOMPARE(image.pixelColor(inside.right(), inside.center().y()), QColor(Qt::white));
            QVERIFY2(Darkest(image, inside) < 80, qPrintable(box->objectName()));  // its text
            QVERIFY2(qGray(image.pixel(place.left(), place.center().y())) < 128, qPrintable(box->objectName()));
            QVERIFY2(qGray(image.pixel(place.center().x(), place.top())) < 128, qPrintable(box->objectName()));
        }
        // A label's text stands out from the dark face it is drawn on.
        const QRect label = window->TextVvedite->geometry();
        int lightest = 0;
        for (int y = label.top(); y <= label.bottom(); ++y)
            for (int x = label.left(); x <= label.right(); ++x) lightest = qMax(lightest, qGray(image.pixel(x, y)));
        QVERIFY(lightest > 180);
    }

    // A cell and its neighbour share a border line, which every change of
    // the neighbour repaints alone: that repaint still draws the line.
    void sharedBorderRepaintedAlone() {
        QWidget* cell = window->TextStrana;
        QCOMPARE(cell->geometry().right(), window->Strana->geometry().left());
        const QRect line(cell->width() - 1, 0, 1, cell->height());
        QImage image(cell->size(), QImage::Format_RGB32);
        image.fill(Qt::green);
        cell->render(&image, line.topLeft(), QRegion(line));
        for (int y = 0; y < cell->height(); ++y)
            QCOMPARE(pixel(image, line.x(), y), QApplication::palette().color(QPalette::Text));
        QCOMPARE(pixel(image, line.x() - 1, cell->height() / 2), QColor(Qt::green));  // only the line was asked for
    }

    void osibkaIsRed() {
        const QImage image = client();
        int red = 0;
        for (int y = 162; y < 181; ++y)
            for (int x = 285; x < 607; ++x) {
                const QColor c = pixel(image, x, y);
                if (c.red() > 200 && c.green() < 90 && c.blue() < 90)
                    ++red;
                QVERIFY(!(c.red() < 100 && c.green() < 100 && c.blue() < 100));  // no black ink
            }
        QVERIFY2(red > 50, qPrintable(QString::number(red)));
        QCOMPARE(window->Osibka->palette().color(QPalette::Text), QColor(255, 0, 0));
    }

    void designTexts_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("ClickNomer") << QStringLiteral("15700940");
        QTest::newRow("Text7") << QStringLiteral("15700940         1065100088");
        QTest::newRow("www") << qs(kavrel::SiteHost);
        QTest::newRow("TextLanguag") << QStringLiteral("1Language");
        QTest::newRow("TextPolucheno") << QStringLiteral("1Полученная информация :");
        QTest::newRow("TextVvedite") << QStringLiteral("1Введите серийный номер :");
        QTest::newRow("TextPrimer") << QStringLiteral("1Пример :");
        QTest::newRow("Osibka") << QStringLiteral("1Ошибка ! Уточните серийный номер");
        QTest::newRow("TextSeriiniiNomer") << QStringLiteral("1Серийный номер :");
        QTest::newRow("TextStrana") << QStringLiteral("1Страна, город :");
        QTest::newRow("TextZavod") << QStringLiteral("1Завод изготовитель :");
        QTest::newRow("TextGod") << QStringLiteral("1Год изготовления :");
        QTest::newRow("TextMesiac") << QStringLiteral("1Месяц изготовления :");
        QTest::newRow("TextSeria") << QStringLiteral("1Порядковый номер :");
        QTest::newRow("TextDataKoda") << QStringLiteral("1Дата действия кода :");
        // A multi-line box reads its line breaks back as "\n".
        QTest::newRow("TextOpredelenie")
            << QStringLiteral("1Определение информации в серийном номере \nкомпрессоров \"Bitzer\"\n");
        QTest::newRow("TextVnimanie") << QStringLiteral(
            "1Внимание : Серийный номер компрессоров Bitzer нигде \nна его корпусе, кроме как на шильде, "
            "не указывается. \nСмотрите только на шильдике !\n");
        for (const char* result : {"SeriiniiNomer", "Strana", "Zavod", "God", "Mesiac", "Seria", "DataKoda"})
            QTest::newRow(result) << QString();
    }

    void designTexts() {
        QFETCH(QString, text);
        QCOMPARE(qs(window->Text(ControlNamed(QTest::currentDataTag()))), text);
    }

    // The multi-line boxes break at the design-time line breaks, wrap long
    // text at word boundaries and never show a scroll bar.
    void multiLine() {
        QPlainTextEdit* box = window->TextVnimanie;
        QCOMPARE(box->document()->blockCount(), 4);  // three lines and the closing break
        QCOMPARE(box->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QCOMPARE(box->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        const QString longText = QStringLiteral("Attention  serial number of compressors \"Bitzer\" is "
                                                "indicated only on its nameplate . See the nameplate only  !");
        window->SetText(kavrel::Control::TextVnimanie, longText.toStdString());
        QCOMPARE(qs(window->Text(kavrel::Control::TextVnimanie)), longText);
        QCOMPARE(box->document()->blockCount(), 1);
        const QTextLayout* layout = box->document()->firstBlock().layout();
        QVERIFY(layout->lineCount() >= 2);
        for (int i = 0; i + 1 < layout->lineCount(); ++i) {
            // Every wrapped line ends after a blank, so no word is cut.
            const QTextLine line = layout->lineAt(i);
            QCOMPARE(longText.at(line.textStart() + line.textLength() - 1), QChar(u' '));
        }
        QVERIFY(!box->verticalScrollBar()->isVisible());
        QVERIFY(!box->horizontalScrollBar()->isVisible());
    }

    void language() {
        QComboBox* list = window->Languag;
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->itemText(0), QStringLiteral("ENG"));
        QCOMPARE(list->itemText(1), QStringLiteral("RUS"));
        QCOMPARE(list->currentIndex(), -1);
        QCOMPARE(list->currentText(), QString());
    }

    void tabOrder() {
        const QStringList order{"ClickNomer", "TextSeriiniiNomer", "SeriiniiNomer", "Strana", "TextStrana",
                                "Zavod", "TextZavod", "God", "TextGod", "Mesiac", "TextMesiac", "Seria",
                                "TextSeria", "DataKoda", "TextDataKoda", "TextVvedite", "TextPrimer", "Text7",
                                "TextVnimanie", "TextOpredelenie", "Osibka", "Languag", "TextLanguag",
                                "TextPolucheno", "www", "ClickNomer"};
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QCOMPARE(QApplication::focusWidget(), window->ClickNomer);
        for (qsizetype i = 1; i < order.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget()->objectName(), order[i]);
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), window->www);
        // Tab moves on from a multi-line box rather than being typed into it.
        QCOMPARE(window->TextVnimanie->tabChangesFocus(), true);
    }

    // Grey over white across the client area, directly under the menu bar,
    // each row as many device pixels as the scale factor rounds to (the
    // test also runs at scale factors 1.5 and 2).
    void separator() {
        const qreal ratio = window->devicePixelRatioF();
        const int rows = qMax(1, qRound(ratio));
        const auto check = [this, ratio, rows] {
            const QImage whole = window->grab().toImage();  // device pixels
            const int width = qFloor(616 * ratio);
            const int x = width / 2;
            int top = 0;
            while (top < whole.height() && pixel(whole, x, top) != QColor(128, 128, 128)) ++top;
            if (qAbs(top - window->centralWidget()->y() * ratio) > 1) return false;  // under the menu bar
            for (int y = top; y < top + 2 * rows; ++y)
                for (int column = 0; column < width; ++column)
                    if (pixel(whole, column, y) != (y < top + rows ? QColor(128, 128, 128) : QColor(255, 255, 255)))
                        return false;
            // No line of the menu bar's own just above it, with a gap between.
            const QColor face = QApplication::palette().color(QPalette::Button);
            for (int y = qMax(0, top - 4); y < top; ++y)
                if (pixel(whole, 10, y) != face && pixel(whole, 10, y) == pixel(whole, width - 10, y)) return false;
            return pixel(whole, x, top + 2 * rows) == face;
        };
        QVERIFY(check());

        // Covered and uncovered again: the lines are back.
        auto* cover = new QWidget(window->centralWidget());
        cover->setAutoFillBackground(true);
        QPalette palette = cover->palette();
        palette.setColor(QPalette::Window, Qt::blue);
        cover->setPalette(palette);
        cover->setGeometry(0, 0, 616, 40);
        cover->show();
        QCOMPARE(pixel(client(), 10, 0), QColor(Qt::blue));
        delete cover;
        window->centralWidget()->repaint();
        QVERIFY(check());
    }

    void accessibleNames_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("ClickNomer") << QStringLiteral("1Введите серийный номер");
        QTest::newRow("SeriiniiNomer") << QStringLiteral("1Серийный номер");
        QTest::newRow("TextSeriiniiNomer") << QStringLiteral("1Серийный номер");
        QTest::newRow("DataKoda") << QStringLiteral("1Дата действия кода");
        QTest::newRow("Text7") << QStringLiteral("1Пример");
        QTest::newRow("Languag") << QStringLiteral("1Language");
        QTest::newRow("www") << qs(kavrel::SiteHost);
        QTest::newRow("Osibka") << QStringLiteral("1Ошибка ! Уточните серийный номер");
        QTest::newRow("TextOpredelenie")
            << QStringLiteral("1Определение информации в серийном номере компрессоров \"Bitzer\"");
    }

    void accessibleNames() {
        QFETCH(QString, name);
        QCOMPARE(accessibleName(control(QLatin1String(QTest::currentDataTag()))), name);
    }

    void everyControlNamed() {
        for (QWidget* widget : window->centralWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            QVERIFY2(!accessibleName(widget).isEmpty(), qPrintable(widget->objectName()));
    }

    // The names follow the captions when a language is applied.
    void accessibleNamesFollowCaptions() {
        for (const auto& caption : kavrel::InterfaceTexts)
            window->SetText(kavrel::ControlOf(caption.box), caption.english);
        QCOMPARE(accessibleName(window->Strana), QStringLiteral("Country, city"));
        QCOMPARE(accessibleName(window->ClickNomer), QStringLiteral("Enter the serial number"));
        QCOMPARE(accessibleName(window->Languag), QStringLiteral("Language"));
        QCOMPARE(accessibleName(window->Text7), QStringLiteral("Example"));
        QCOMPARE(accessibleName(window->Osibka), QStringLiteral("Error ! Specify serial number !"));
        for (const auto& caption : kavrel::InterfaceTexts)
            window->SetText(kavrel::ControlOf(caption.box), caption.russian);
        QCOMPARE(accessibleName(window->Strana), QStringLiteral("Страна, город"));
        QCOMPARE(accessibleName(window->Mesiac), QStringLiteral("Месяц изготовления"));
        QCOMPARE(accessibleName(window->TextVnimanie), qs(kavrel::InterfaceTexts[2].russian).simplified());
        // The language list with an item chosen: a screen reader on Linux
        // names it by the item, and still hears the caption in its description.
        window->Languag->setCurrentIndex(1);
        QCOMPARE(QAccessible::queryAccessibleInterface(window->Languag)->text(QAccessible::Description),
                 QStringLiteral("Язык"));
        // A result's own text does not rename it.
        window->Strana->setText(QStringLiteral("Italy"));
        QCOMPARE(accessibleName(window->Strana), QStringLiteral("Страна, город"));
    }

    void captionsFit_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("text");
        for (const auto& caption : kavrel::InterfaceTexts) {
            const char* box = kavrel::Row(kavrel::ControlOf(caption.box)).name.data();
            QTest::addRow("%s rus", box) << QString::fromLatin1(box) << qs(caption.russian);
            QTest::addRow("%s eng", box) << QString::fromLatin1(box) << qs(caption.english);
        }
        // The longest result texts of each kind in both languages.
        for (const auto* table : {&kavrel::PlantTable8, &kavrel::PlantTable10})
            for (const kavrel::PlantRow& row : *table) {
                QTest::addRow("Strana %d", row.code) << QStringLiteral("Strana") << qs(row.strana);
                QTest::addRow("Zavod %d", row.code) << QStringLiteral("Zavod") << qs(row.zavod);
                QTest::addRow("DataKoda %d", row.code) << QStringLiteral("DataKoda") << qs(row.dataKoda);
            }
        // Every Russian result (the not-used text once).
        for (const kavrel::TranslationRow& row : kavrel::TranslationTable) {
            if (row.english != kavrel::NotUsed || row.box == kavrel::ResultBox::SeriiniiNomer)
                QTest::addRow("result %s", row.russian.data()) << QStringLiteral("Strana") << qs(row.russian);
        }
        QTest::newRow("Mesiac September") << QStringLiteral("Mesiac") << QStringLiteral("September");
        QTest::newRow("ClickNomer 16 digits") << QStringLiteral("ClickNomer") << QStringLiteral("1234567890123456");
    }

    // Every text the window will show fits its box: the whole line within
    // the box's inner width and height, and all lines of a multi-line box.
    void captionsFit() {
        QFETCH(QString, box);
        QFETCH(QString, text);
        QWidget* widget = control(box);
        const int border = widget == window->ClickNomer ? 2 : qobject_cast<QLineEdit*>(widget) &&
                                                                     widget->property("look") == "cell"
                                                                 ? 1
                                                                 : 0;
        const QFontMetrics metrics(widget->font());
        if (auto* multi = qobject_cast<QPlainTextEdit*>(widget)) {
            QTextDocument document;
            document.setDefaultFont(widget->font());
            document.setDocumentMargin(multi->document()->documentMargin());
            QTextOption option = document.defaultTextOption();
            option.setWrapMode(QTextOption::WordWrap);
            document.setDefaultTextOption(option);
            document.setTextWidth(multi->viewport()->width());
            document.setPlainText(text);
            QVERIFY2(document.size().height() <= multi->viewport()->height(),
                     qPrintable(QStringLiteral("%1 > %2").arg(document.size().height()).arg(multi->viewport()->height())));
        } else {
            // A line edit keeps 2 pixels between its border and the text.
            const int room = widget->width() - 2 * border - 4;
            QVERIFY2(metrics.horizontalAdvance(text) <= room,
                     qPrintable(QStringLiteral("%1 > %2").arg(metrics.horizontalAdvance(text)).arg(room)));
            QVERIFY(metrics.height() <= widget->height() - 2 * border);
        }
    }

    // The program's style only drops a picture the fixed window never shows:
    // the window it draws is the one the platform's own style draws, pixel
    // for pixel, menu bar included.
    void programStyleDrawsTheSame() {
        const QString platformStyle = QApplication::style()->name();
        const QImage before = window->grab().toImage();
        window.reset();
        QApplication::setStyle(new kavrel::Style);
        QVERIFY(QApplication::style()->standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton).isNull());
        QVERIFY(!QApplication::style()->standardIcon(QStyle::SP_ArrowDown).isNull());
        init();
        const QImage after = window->grab().toImage();
        QApplication::setStyle(platformStyle);
        QCOMPARE(after.size(), before.size());
        QVERIFY(after == before);
    }
};

QTEST_MAIN(KavrelWindowTest)
#include "test_kavrel_window.moc"
