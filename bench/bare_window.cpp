// The yardstick of bench/startup.py: an empty Qt window of the main window's
// outer size (616 x 392 client area under a 19-pixel menu bar at 96 dpi),
// with the same window flags and a title, and nothing else. Whatever
// Kavrel's start-up costs beyond this one is the program's own.
#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[]) {
    int qtArgc = argc > 0 ? 1 : 0;
    QApplication app(qtArgc, argv);
    QWidget window(nullptr, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                                Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    window.setWindowTitle(QStringLiteral("Bare window"));
    window.setFixedSize(616, 411);
    window.show();
    return app.exec();
}
