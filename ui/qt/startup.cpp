#include "ui/qt/startup.h"

#include "ui/qt/widgets.h"

#include <QApplication>

#include <system_error>

#ifdef KAVREL_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

namespace kavrel {

StartUp::StartUp() {
#ifdef KAVREL_FONTCONFIG
    // Reading the font configuration and finding Arial's stand-in are the
    // longest steps before the first paint: they run on another core while
    // Qt connects to the display, and the windows find them done.
    try {
        fonts_ = std::thread([] {
            FcInit();
            ArialFamily();
        });
    } catch (const std::system_error&) {
        // No second thread: the same work happens on the first, later.
    }
#endif
    // The main window keeps its menu bar in the window: Qt need not ask the
    // session bus for a global menu bar when it makes one.
    QApplication::setAttribute(Qt::AA_DontUseNativeMenuBar);
}

StartUp::~StartUp() {
    if (fonts_.joinable()) fonts_.join();
}

void StartUp::ApplicationMade() {
    QApplication::setStyle(new Style);
    if (fonts_.joinable()) fonts_.join();
}

}  // namespace kavrel
