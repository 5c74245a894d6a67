// Starts the program: the main window, and the program ends when it closes.
#include "ui/qt/kavrel.h"
#include "ui/qt/widgets.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    // The program takes no arguments: Qt sees only the program's name.
    int qtArgc = argc > 0 ? 1 : 0;
    QApplication app(qtArgc, argv);
    QApplication::setStyle(new kavrel::Style);
    kavrel::Kavrel window;
    window.form().Form_Load();
    window.show();
    return app.exec();
}
