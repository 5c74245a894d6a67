// Starts the program: the main window, and the program ends when it closes.
#include "ui/kavrel.h"

#include <QApplication>

#ifdef KAVREL_FONTCONFIG
#include <fontconfig/fontconfig.h>

#include <system_error>
#include <thread>
#endif

int main(int argc, char* argv[]) {
#ifdef KAVREL_FONTCONFIG
    // Reading the font configuration is the longest step before the first
    // paint: it runs on another core while Qt connects to the display, and
    // Qt finds it loaded when the first text box asks for a font.
    std::thread fontconfig;
    try {
        fontconfig = std::thread([] { FcInit(); });
    } catch (const std::system_error&) {
        // No second thread: Qt reads the configuration itself, later.
    }
#endif
    // The program takes no arguments: Qt sees only the program's name.
    int qtArgc = argc > 0 ? 1 : 0;
    QApplication app(qtArgc, argv);
#ifdef KAVREL_FONTCONFIG
    if (fontconfig.joinable()) fontconfig.join();
#endif
    kavrel::Kavrel window;
    window.Form_Load();
    window.show();
    return app.exec();
}
