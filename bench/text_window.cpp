// The second yardstick of bench/startup.py: the bare window plus one line of
// text in each of the five fonts the main window shows (the input box's,
// the result table's, the error line's, the bold site line's and the
// system's), each asked for as the windows ask for it. What any window pays
// to show text at all, Kavrel pays too; the rest of its start-up is its own.
#include "ui/qt/kavrel.h"
#include "ui/qt/widgets.h"

#include <QApplication>
#include <QLabel>
#include <QWidget>

#include <array>

namespace {

struct Line {
    double points;  // 0: the system's font
    bool bold;
    const char* text;
};

constexpr std::array<Line, 5> Lines{{
    {14.25, false, "15700940"},
    {9.75, false, "Серийный номер : Serial number :"},
    {12, false, "Ошибка ! Уточните серийный номер"},
    {9.75, true, "kavrel.example.org"},
    {0, false, "Print About ENG"},
}};

}  // namespace

int main(int argc, char* argv[]) {
    int qtArgc = argc > 0 ? 1 : 0;
    QApplication app(qtArgc, argv);
    QApplication::setStyle(new kavrel::Style);
    QWidget window(nullptr, kavrel::Kavrel::Frame);
    window.setWindowTitle(QStringLiteral("Text window"));
    window.setFixedSize(kavrel::KavrelWindow.clientWidth, 411);
    int top = 20;
    for (const Line& line : Lines) {
        auto* label = new QLabel(QString::fromUtf8(line.text), &window);
        if (line.points > 0) label->setFont(kavrel::Arial(kavrel::Font{line.points, line.bold}));
        label->setGeometry(20, top, 576, 30);
        top += 40;
    }
    window.show();
    return app.exec();
}
