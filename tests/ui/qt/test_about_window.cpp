// The About window: places, fonts, colours, the contact block inside its
// frame, the read-only lines, and the site line's click.
#include "browser_recorder.h"

#include "platform/site.h"
#include "ui/qt/about.h"

#include <QAccessible>
#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QScreen>
#include <QTest>
#include <QUrl>

#include <string_view>

using kavrel::About;

namespace {

QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

// Takes the place of the desktop's browser.
class AboutWindowTest : public QObject {
    Q_OBJECT

    QPointer<About> about;

    QWidget* item(const QString& name) const { return about->findChild<QWidget*>(name); }
    QRect place(QWidget* widget) const { return QRect(widget->mapTo(about.data(), QPoint(0, 0)), widget->size()); }
    QImage picture() const { return about->grab().toImage(); }

private Q_SLOTS:
    void init() {
        about = new About;
        about->show();
        QVERIFY(QTest::qWaitForWindowExposed(about.data()));
    }
    void cleanup() { delete about.data(); }

    void window() {
        QCOMPARE(about->windowTitle(), QStringLiteral("About"));
        QCOMPARE(about->objectName(), QStringLiteral("About"));
        QVERIFY(about->isWindow());
        QVERIFY(!about->parentWidget());
        QVERIFY(!about->isModal());
        const Qt::WindowFlags flags = about->windowFlags();
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QCOMPARE(about->size(), QSize(372, 341));
        QCOMPARE(about->minimumSize(), about->maximumSize());
        const QRect screen = about->screen()->availableGeometry();
        QVERIFY(qAbs(about->geometry().center().x() - screen.center().x()) <= 1);
        QVERIFY(qAbs(about->geometry().center().y() - screen.center().y()) <= 1);

        const QFontInfo font(about->font());
        QVERIFY2(font.family() == QLatin1String("Arial") || font.family() == QLatin1String("Liberation Sans"),
                 qPrintable(font.family()));
        QCOMPARE(font.pixelSize(), 11);  // 8.25 pt
        QVERIFY(!font.bold());
        QVERIFY(QFontMetrics(about->font()).inFont(QChar(u'Ж')));

        const QImage image = picture();
        QCOMPARE(image.pixelColor(3, 3), QColor(255, 255, 255));
        QCOMPARE(image.pixelColor(368, 337), QColor(255, 255, 255));
        QCOMPARE(about->windowIcon().pixmap(32, 32).toImage().convertToFormat(QImage::Format_RGB32),
                 QImage(QStringLiteral(KAVREL_ICON_PNG)).convertToFormat(QImage::Format_RGB32));
    }

    void items_data() {
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<int>("align");
        QTest::addColumn<QString>("text");
        const int L = Qt::AlignLeft, C = Qt::AlignHCenter;
        QTest::newRow("Image1") << QRect(24, 9, 55, 55) << 0 << QString();
        QTest::newRow("About_Nazvanie") << QRect(102, 12, 262, 25) << C << QStringLiteral("Kavrel");
        QTest::newRow("About_Versia") << QRect(102, 48, 262, 16) << C << QStringLiteral("Version 2");
        QTest::newRow("Shape1") << QRect(6, 72, 361, 190) << 0 << QString();
        QTest::newRow("About_Avtor_Rus") << QRect(12, 96, 349, 19) << L << QStringLiteral("Команда Kavrel");
        QTest::newRow("About_Adres_Rus") << QRect(12, 120, 349, 19) << L << QString();
        QTest::newRow("Text3") << QRect(12, 156, 349, 19) << L << QStringLiteral("The Kavrel team");
        QTest::newRow("About_Adres_Eng") << QRect(12, 180, 349, 19) << L << QString();
        QTest::newRow("About_Milo") << QRect(12, 204, 310, 19) << L
                                    << QStringLiteral("E-mail: team@") + qs(kavrel::SiteHost);
        QTest::newRow("About_Sait") << QRect(78, 231, 214, 19) << C << qs(kavrel::SiteHost);
        QTest::newRow("Text1") << QRect(12, 281, 346, 19) << C << QString();
        QTest::newRow("Text2") << QRect(12, 302, 346, 19) << C << QString();
    }

    void items() {
        QFETCH(QRect, rect);
        QFETCH(int, align);
        QFETCH(QString, text);
        QWidget* widget = item(QLatin1String(QTest::currentDataTag()));
        QVERIFY(widget);
        QCOMPARE(place(widget), rect);
        QVERIFY(widget->isVisible());

        QString shown;
        if (auto* box = qobject_cast<QLineEdit*>(widget)) {
            QVERIFY(box->isReadOnly());
            QVERIFY(!box->hasFrame());
            QCOMPARE(int(box->alignment() & Qt::AlignHorizontal_Mask), align);
            QCOMPARE(QFontInfo(box->font()).pixelSize(), 11);
            shown = box->text();
        } else if (auto* label = qobject_cast<QLabel*>(widget); label && align) {
            QCOMPARE(int(label->alignment() & Qt::AlignHorizontal_Mask), align);
            shown = label->text();
        }
        if (!text.isEmpty())
            QCOMPARE(shown, text);
        if (!shown.isEmpty()) {
            // The whole line fits, with the box's 2-pixel inset on each side.
            const int advance = QFontMetrics(widget->font()).horizontalAdvance(shown);
            QVERIFY2(advance + 4 <= rect.width(), qPrintable(shown));
        }
    }

    // Under a dark colour scheme the lines on the white page stay dark, the
    // frame included.
    void darkColourScheme() {
        const QPalette before = QApplication::palette();
        QPalette dark = before;
        dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
        dark.setColor(QPalette::Text, QColor(240, 240, 240));
        dark.setColor(QPalette::Base, QColor(30, 30, 30));
        dark.setColor(QPalette::Window, QColor(45, 45, 45));
        QApplication::setPalette(dark);
        delete about.data();
        init();
        const QImage image = picture();
        QApplication::setPalette(before);
        for (QWidget* line : {static_cast<QWidget*>(about->About_Versia), static_cast<QWidget*>(about->About_Adres_Eng)}) {
            int darkest = 255;
            const QRect area = place(line);
            for (int y = area.top(); y <= area.bottom(); ++y)
                for (int x = area.left(); x <= area.right(); ++x) darkest = qMin(darkest, qGray(image.pixel(x, y)));
            QVERIFY2(darkest < 80, qPrintable(line->objectName()));
            QCOMPARE(image.pixelColor(area.left() + 1, area.top()), QColor(255, 255, 255));
        }
        QVERIFY(qGray(image.pixel(6, 80)) < 80);
        QVERIFY(qGray(image.pixel(40, 261)) < 80);
    }

    void title() {
        const QFontInfo font(about->About_Nazvanie->font());
        QCOMPARE(font.pixelSize(), 19);  // 14.25 pt
        QVERIFY(font.bold());
        const QImage image = picture();
        int green = 0;
        for (int y = 12; y < 37; ++y)
            for (int x = 102; x < 364; ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c == QColor(0, 128, 0))
                    ++green;
                QVERIFY(c.red() >= c.green() - 128 && c.red() == c.blue());  // green or white only
            }
        QVERIFY(green > 40);
        // Opaque white around the text.
        QCOMPARE(image.pixelColor(104, 14), QColor(255, 255, 255));
    }

    void pictureAndFrame() {
        const QImage image = picture();
        // The icon stretched over 55 x 55: its dark rim at the corners, the
        // snowflake's white in the middle, white page just outside.
        for (const QPoint corner : {QPoint(24, 9), QPoint(78, 9), QPoint(24, 63), QPoint(78, 63)})
            QVERIFY2(image.pixelColor(corner).blue() < 140 && image.pixelColor(corner).red() < 40,
                     qPrintable(QStringLiteral("%1,%2").arg(corner.x()).arg(corner.y())));
        QVERIFY(image.pixelColor(51, 36).lightness() > 200);
        QCOMPARE(image.pixelColor(23, 36), QColor(255, 255, 255));
        QCOMPARE(image.pixelColor(79, 36), QColor(255, 255, 255));

        // A one-pixel line in the text colour; white inside and outside.
        const QColor ink = QApplication::palette().color(QPalette::WindowText);
        QCOMPARE(image.pixelColor(6, 80), ink);
        QCOMPARE(image.pixelColor(366, 80), ink);
        QCOMPARE(image.pixelColor(40, 72), ink);
        QCOMPARE(image.pixelColor(40, 261), ink);
        QCOMPARE(image.pixelColor(7, 80), QColor(255, 255, 255));
        QCOMPARE(image.pixelColor(5, 80), QColor(255, 255, 255));
        QCOMPARE(image.pixelColor(40, 262), QColor(255, 255, 255));
    }

    // The author lines stand above their addresses inside the frame, in the
    // same column; nothing overlaps; the copyright lines follow the site
    // line, centred on its axis.
    void contactBlock() {
        const QRect frame = place(about->Shape1).adjusted(1, 1, -1, -1);
        const QList<QWidget*> inside{about->About_Avtor_Rus, about->About_Adres_Rus, about->Text3,
                                     about->About_Adres_Eng,  about->About_Milo,      about->About_Sait};
        for (QWidget* line : inside)
            QVERIFY2(frame.contains(place(line)), qPrintable(line->objectName()));
        const QList<QWidget*> lines = inside + QList<QWidget*>{about->Text1, about->Text2, about->About_Nazvanie,
                                                              about->About_Versia, about->Image1};
        for (qsizetype i = 0; i < lines.size(); ++i)
            for (qsizetype j = i + 1; j < lines.size(); ++j)
                QVERIFY2(!place(lines[i]).intersects(place(lines[j])),
                         qPrintable(lines[i]->objectName() + QStringLiteral(" / ") + lines[j]->objectName()));
        QVERIFY(place(about->About_Avtor_Rus).bottom() < place(about->About_Adres_Rus).top());
        QVERIFY(place(about->About_Adres_Rus).bottom() < place(about->Text3).top());
        QVERIFY(place(about->Text3).bottom() < place(about->About_Adres_Eng).top());
        QCOMPARE(about->About_Avtor_Rus->x(), about->About_Adres_Rus->x());
        QCOMPARE(about->Text3->x(), about->About_Adres_Eng->x());
        QVERIFY(place(about->About_Sait).bottom() < place(about->Text1).top());
        QVERIFY(place(about->Text1).bottom() < place(about->Text2).top());
        QVERIFY(place(about->Text2).bottom() < kavrel::AboutWindow.clientHeight);
        const auto axis = [](QWidget* line) { return 2 * line->x() + line->width(); };
        for (QWidget* line : {about->Text1, about->Text2})
            QCOMPARE(axis(line), axis(about->About_Sait));
        // The author names the team in both scripts.
        QVERIFY(about->About_Avtor_Rus->text().contains(QStringLiteral("Команда")));
        QVERIFY(about->Text1->text().contains(QStringLiteral("Команда Kavrel")));
        QVERIFY(about->Text2->text().contains(QStringLiteral("The Kavrel team")));
    }

    void accessibleNames() {
        for (QWidget* widget : {static_cast<QWidget*>(about->About_Sait), static_cast<QWidget*>(about->About_Adres_Eng),
                                static_cast<QWidget*>(about->Text2)}) {
            QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
            QVERIFY(face);
            QVERIFY(!face->text(QAccessible::Name).isEmpty());
        }
        QCOMPARE(QAccessible::queryAccessibleInterface(about->About_Sait)->text(QAccessible::Name),
                 qs(kavrel::SiteHost));
        QCOMPARE(QAccessible::queryAccessibleInterface(about->Image1)->text(QAccessible::Name), QStringLiteral("Kavrel"));
    }

    // A screen reader sees a window named "About", not a nameless panel.
    void accessibleWindow() {
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(about.data());
        QVERIFY(face);
        QCOMPARE(face->role(), QAccessible::Window);
        QCOMPARE(face->text(QAccessible::Name), QStringLiteral("About"));
        QCOMPARE(face->childCount(), 1);
    }

    void typingChangesNothing() {
        for (QLineEdit* box : about->findChildren<QLineEdit*>()) {
            const QString before = box->text();
            box->setFocus();
            QTest::keyClicks(box, QStringLiteral("x1 "));
            QTest::keyClick(box, Qt::Key_Backspace);
            QTest::keyClick(box, Qt::Key_Delete);
            QCOMPARE(box->text(), before);
        }
    }

    void tabOrder() {
        const QList<QWidget*> order{about->About_Avtor_Rus, about->About_Adres_Rus, about->About_Milo,
                                    about->About_Sait,      about->Text1,           about->Text2,
                                    about->Text3,           about->About_Avtor_Rus};
        about->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(about.data()));
        order.first()->setFocus();
        for (qsizetype i = 1; i < order.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), order[i]);
        }
    }

    void siteClick() {
#ifdef Q_OS_WIN
        QSKIP("the shell opens addresses here");
#endif
        BrowserRecorder browser;
        QCOMPARE(about->About_Sait->cursor().shape(), Qt::PointingHandCursor);

        QTest::mouseClick(about->About_Sait, Qt::LeftButton);
        QCOMPARE(browser.opened(1), QStringList{QStringLiteral("http://") + qs(kavrel::SiteHost)});
        QCOMPARE(browser.opened(1)[0], QStringLiteral("http://") + about->About_Sait->text());

        // Other buttons and other lines open nothing.
        QTest::mouseClick(about->About_Sait, Qt::RightButton);
        QTest::mouseClick(about->About_Milo, Qt::LeftButton);
        QCOMPARE(browser.opened(0).size(), 1);

        // The line's text at the moment of the click.
        about->About_Sait->setText(QStringLiteral("other.example.net"));
        QTest::mouseClick(about->About_Sait, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(browser.opened(2).size(), 2);
        QCOMPARE(browser.opened(2)[1], QStringLiteral("http://other.example.net"));
    }

    void deletedOnClose() {
        QVERIFY(about->testAttribute(Qt::WA_DeleteOnClose));
        about->close();
        QTRY_VERIFY(about.isNull());
    }
};

QTEST_MAIN(AboutWindowTest)
#include "test_about_window.moc"
