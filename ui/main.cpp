// Starts the program: the main window, and the program ends when it closes.
#include "ui/kavrel.h"
#include "ui/widgets.h"

#include <QApplication>

#ifdef KAVREL_FONTCONFIG
#include <fontconfig/fontconfig.h>

#include <system_error>
#include <thread>
#endif

int main(int argc, char* argv[]) {
#ifdef KAVREL_FONTCONFIG
    // Reading the font configuration and finding Arial's stand-in are the
    // longest steps before the first paint: they run on another core while
    // Qt connects to the display, and the windows find them done.
    std::thread fonts;
    try {
        fonts = std::thread([] {
            FcInit();
            kavrel::ArialFamily();
        });
    } catch (const std::system_error&) {
        // No second thread: the same work happens on the first, later.
    }
#endif
    // The menu bar stays in the window, where the layout has room for it,
    // and Qt need not ask the session bus for a global menu bar first.
    QApplication::setAttribute(Qt::AA_DontUseNativeMenuBar);
    // The program takes no arguments: Qt sees only the program's name.
    int qtArgc = argc > 0 ? 1 : 0;
    QApplication app(qtArgc, argv);
    QApplication::setStyle(new kavrel::Style);
#ifdef KAVREL_FONTCONFIG
    if (fonts.joinable()) fonts.join();
#endif
    kavrel::Kavrel window;
    window.Form_Load();
    window.show();
    return app.exec();
}
