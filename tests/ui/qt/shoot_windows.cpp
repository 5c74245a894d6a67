// Takes pictures of both windows for a person to look at:
//   shoot_windows OUTPUT_DIR
// For each language the main window shows the worked example number, and a
// number with the longest plant texts and the error line shown. Writes each window as the widget
// renders it (kavrel-*.png, about.png) and, on a real display (run it under
// scripts/with-xvfb), the whole screen as the X server shows it
// (screen-*.png).
#include "ui/qt/about.h"
#include "ui/qt/kavrel.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPixmap>
#include <QScreen>
#include <QTest>

#include <cstdio>
#include <string_view>

namespace {

using kavrel::Kavrel;

// The window as the program shows it once the language is picked and the
// number typed: both run the window's own refresh.
void fill(Kavrel& window, bool russian, std::string_view serial) {
    window.Languag->setCurrentIndex(russian ? 1 : 0);
    window.ClickNomer->setText(QString::fromUtf8(serial));
}

bool save(const QPixmap& picture, const QString& path) {
    const bool ok = picture.save(path);
    std::printf("%s %s (%dx%d)\n", ok ? "wrote" : "FAILED", qPrintable(path), picture.width(),
                picture.height());
    return ok;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.mkpath(QStringLiteral(".")))
        return 1;
    const bool display = QGuiApplication::platformName() == QLatin1String("xcb");
    bool ok = true;

    struct Shot {
        const char* name;
        bool russian;
        std::string_view serial;
    };
    for (const Shot& shot : {Shot{"eng", false, "15700940"}, Shot{"rus", true, "15700940"},
                             Shot{"eng-error", false, "87800940"}, Shot{"rus-error", true, "87800940"}}) {
        Kavrel window;
        fill(window, shot.russian, shot.serial);
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            return 1;
        QTest::qWait(200);
        ok &= save(window.grab(), out.filePath(QStringLiteral("kavrel-%1.png").arg(QLatin1String(shot.name))));
        if (display)
            ok &= save(window.screen()->grabWindow(0),
                       out.filePath(QStringLiteral("screen-kavrel-%1.png").arg(QLatin1String(shot.name))));
    }

    Kavrel window;
    fill(window, false, "15700940");
    window.show();
    auto* about = new kavrel::About;
    about->show();
    if (!QTest::qWaitForWindowExposed(about))
        return 1;
    QTest::qWait(200);
    ok &= save(about->grab(), out.filePath(QStringLiteral("about.png")));
    if (display)
        ok &= save(about->screen()->grabWindow(0), out.filePath(QStringLiteral("screen-about.png")));
    about->close();
    return ok ? 0 : 1;
}
