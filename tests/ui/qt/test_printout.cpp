// The page of a printout: the window's image at 96 pixels to the inch from
// the top-left corner of the page's paint area, every pixel kept. Pages are
// written as PDF files and rendered back with pdftoppm, as a printer would
// render them.
#include "ui/qt/printout.h"

#include <QColor>
#include <QImage>
#include <QList>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPixmap>
#include <QProcess>
#include <QRegularExpression>
#include <QSizeF>
#include <QTemporaryDir>
#include <QTest>

#include <utility>

namespace {

constexpr int Width = 616;
constexpr int Height = 392;
const QColor Face(240, 240, 240);

// What a printout must keep: the separator (a grey row on a white one),
// detail one pixel wide (a checkerboard, which a lossy encoding blurs) and
// flat colours, drawn `density` device pixels to the pixel, as a grab from
// a screen of that density is.
QPixmap Picture(int density) {
    QImage image(Width * density, Height * density, QImage::Format_RGB32);
    image.fill(Face);
    QPainter painter(&image);
    painter.scale(density, density);
    painter.fillRect(0, 0, Width, 1, QColor(128, 128, 128));
    painter.fillRect(0, 1, Width, 1, Qt::white);
    for (int y = 20; y < 60; ++y)
        for (int x = 20; x < 120; ++x)
            if ((x + y) % 2) painter.fillRect(x, y, 1, 1, Qt::black);
    painter.fillRect(200, 100, 100, 50, QColor(200, 30, 30));
    painter.fillRect(Width - 10, Height - 10, 10, 10, QColor(20, 40, 160));
    painter.end();
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(density);
    return pixmap;
}

// pdftoppm smooths an image it draws at less than four times its size, so
// the page is rendered at 384 dpi, where each pixel of a 96 dpi image is a
// solid block of 4 x 4, and read back at the blocks' centres. `area` is in
// pixels at 96 dpi.
constexpr int Zoom = 4;

QImage Render(const QString& pdf, const QString& stem, const QRect& area) {
    QProcess pdftoppm;
    pdftoppm.start(QStringLiteral("pdftoppm"),
                   {QStringLiteral("-r"), QString::number(96 * Zoom), QStringLiteral("-x"), QString::number(area.x() * Zoom),
                    QStringLiteral("-y"), QString::number(area.y() * Zoom), QStringLiteral("-W"),
                    QString::number(area.width() * Zoom), QStringLiteral("-H"), QString::number(area.height() * Zoom),
                    QStringLiteral("-singlefile"), QStringLiteral("-png"), pdf, stem});
    if (!pdftoppm.waitForFinished(30000) || pdftoppm.exitCode() != 0) return {};
    return QImage(stem + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
}

// The colour of the 96 dpi pixel (x, y) of a rendering.
QRgb At(const QImage& rendering, int x, int y) { return rendering.pixel(x * Zoom + Zoom / 2, y * Zoom + Zoom / 2); }

}  // namespace

class PrintoutTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void naturalSizeInsideTheMargins_data() {
        QTest::addColumn<int>("resolution");
        QTest::addColumn<QMarginsF>("margins");  // points
        QTest::addColumn<int>("density");
        QTest::newRow("72 dpi, no margins") << 72 << QMarginsF(0, 0, 0, 0) << 1;
        QTest::newRow("1200 dpi, half-inch margins") << 1200 << QMarginsF(36, 36, 36, 36) << 1;
        QTest::newRow("300 dpi, a quarter inch, high-density grab") << 300 << QMarginsF(18, 18, 18, 18) << 2;
        QTest::newRow("96 dpi, one inch left, none on top") << 96 << QMarginsF(72, 0, 0, 0) << 1;
    }
    void naturalSizeInsideTheMargins() {
        QFETCH(int, resolution);
        QFETCH(QMarginsF, margins);
        QFETCH(int, density);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString pdf = dir.filePath(QStringLiteral("page.pdf"));
        {
            QPdfWriter writer(pdf);
            writer.setResolution(resolution);
            writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, margins,
                                             QPageLayout::Point));
            QVERIFY(kavrel::PaintAtNaturalSize(writer, Picture(density)));
        }
        const int left = qRound(margins.left() * 96 / 72);
        const int top = qRound(margins.top() * 96 / 72);
        // The image and a pixel around it, where the page must be white.
        const QRect area(left - 1, top - 1, Width + 2, Height + 2);
        const QImage page = Render(pdf, dir.filePath(QStringLiteral("page")), area.intersected(QRect(0, 0, 794, 1123)));
        QVERIFY2(!page.isNull(), "pdftoppm did not render the page");
        const int dx = left > 0 ? 1 : 0;
        const int dy = top > 0 ? 1 : 0;

        const QImage expected = Picture(1).toImage().convertToFormat(QImage::Format_RGB32);
        int differing = 0;
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x < Width; ++x)
                if (At(page, dx + x, dy + y) != expected.pixel(x, y)) ++differing;
        QCOMPARE(differing, 0);
        // Nothing beyond the image: its natural size, not a pixel more.
        const QRgb white = qRgb(255, 255, 255);
        for (int x = 0; x < Width; ++x) {
            QVERIFY(dy == 0 || At(page, dx + x, 0) == white);
            QCOMPARE(At(page, dx + x, dy + Height), white);
        }
        for (int y = 0; y < Height; ++y) {
            QVERIFY(dx == 0 || At(page, 0, dy + y) == white);
            QCOMPARE(At(page, dx + Width, dy + y), white);
        }
    }

    // The page for the sheet the print server names (hundredths of a
    // millimetre): half an inch from the top and left edges, or the
    // printer's least margin there where larger, and the printer's own on
    // the other two edges.
    void pageForTheSheet_data() {
        QTest::addColumn<QList<int>>("sheet");  // width, length, left, top, right, bottom
        QTest::addColumn<int>("size");          // QPageSize::PageSizeId
        QTest::addColumn<QSizeF>("millimetres");
        QTest::addColumn<QMarginsF>("margins");  // points
        QTest::newRow("A4 as cups-pdf gives it, no margins")
            << QList<int>{20990, 29704, 0, 0, 0, 0} << int(QPageSize::A4) << QSizeF(210, 297)
            << QMarginsF(36, 36, 0, 0);
        QTest::newRow("Letter, a quarter inch all round")
            << QList<int>{21590, 27940, 635, 635, 635, 635} << int(QPageSize::Letter) << QSizeF(215.9, 279.4)
            << QMarginsF(36, 36, 18, 18);
        QTest::newRow("A4, an inch on the left, 5 mm at the foot")
            << QList<int>{21000, 29700, 2540, 423, 423, 500} << int(QPageSize::A4) << QSizeF(210, 297)
            << QMarginsF(72, 36, 11.99, 14.17);
        QTest::newRow("a sheet of its own, 0.6 inch on top")
            << QList<int>{10000, 15000, 0, 1524, 0, 0} << int(QPageSize::Custom) << QSizeF(100, 150)
            << QMarginsF(36, 43.2, 0, 0);
    }
    void pageForTheSheet() {
        QFETCH(QList<int>, sheet);
        QFETCH(int, size);
        QFETCH(QSizeF, millimetres);
        QFETCH(QMarginsF, margins);
        const QPageLayout page = kavrel::PageFor({sheet[0], sheet[1], sheet[2], sheet[3], sheet[4], sheet[5]});
        QCOMPARE(int(page.pageSize().id()), size);
        const QSizeF sheetSize = page.pageSize().size(QPageSize::Millimeter);
        QVERIFY2(qAbs(sheetSize.width() - millimetres.width()) < 0.5 &&
                     qAbs(sheetSize.height() - millimetres.height()) < 0.5,
                 qPrintable(QStringLiteral("%1 x %2 mm").arg(sheetSize.width()).arg(sheetSize.height())));
        QCOMPARE(page.orientation(), QPageLayout::Portrait);
        QCOMPARE(page.units(), QPageLayout::Point);
        const QMarginsF got = page.margins();
        for (const auto& [have, want] : {std::pair{got.left(), margins.left()}, {got.top(), margins.top()},
                                         {got.right(), margins.right()}, {got.bottom(), margins.bottom()}})
            QVERIFY2(qAbs(have - want) < 0.01, qPrintable(QStringLiteral("margin %1, not %2").arg(have).arg(want)));
    }

    // A page that cannot be written is not reported as drawn.
    void unwritableFile() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QPdfWriter writer(dir.filePath(QStringLiteral("missing-folder/page.pdf")));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("QPainter::begin")));
        QVERIFY(!kavrel::PaintAtNaturalSize(writer, Picture(1)));
    }
};

QTEST_MAIN(PrintoutTest)
#include "test_printout.moc"
