// One keystroke in the main window, in-process and offscreen: a key event
// sent into ClickNomer passes the key filter, changes the text, and the
// refresh sequence runs (decode, the fourteen captions, the translation and
// the updates of the boxes). The keys alternate between Backspace and the
// number's last digit, so the number alternates between a valid one and an
// invalid one and every keystroke rewrites every result box. The "paint"
// runs also let the window repaint into its backing store after each key,
// as it does before the next key is read.
#include "ui/qt/kavrel.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <string_view>

namespace {

kavrel::Kavrel* g_window = nullptr;

void Keystroke(benchmark::State& state, int language, std::string_view number, bool paint) {
    kavrel::Kavrel& w = *g_window;
    w.Languag->setCurrentIndex(language);
    const QString full = QString::fromLatin1(number.data(), static_cast<qsizetype>(number.size()));
    w.ClickNomer->setText(full);
    w.ClickNomer->end(false);
    QApplication::processEvents();
    const auto lastDigit = static_cast<Qt::Key>(Qt::Key_0 + (number.back() - '0'));
    bool shortened = false;
    for (auto _ : state) {
        QTest::keyClick(w.ClickNomer, shortened ? lastDigit : Qt::Key_Backspace);
        shortened = !shortened;
        if (paint) QApplication::processEvents();
    }
    // Every key must have gone through the filter into the box and the decode.
    const QString expected = shortened ? full.chopped(1) : full;
    if (w.ClickNomer->text() != expected || QString::fromStdString(w.form().Nomer) != expected)
        state.SkipWithError("the keystrokes did not reach ClickNomer");
    state.SetLabel(w.Languag->currentText().toStdString());
}

constexpr int Eng = 0;
constexpr int Rus = 1;

}  // namespace

BENCHMARK_CAPTURE(Keystroke, eng_8_digits, Eng, "15700940", false)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK_CAPTURE(Keystroke, rus_8_digits, Rus, "15700940", false)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK_CAPTURE(Keystroke, eng_10_digits, Eng, "1065100088", false)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK_CAPTURE(Keystroke, rus_10_digits, Rus, "1065100088", false)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK_CAPTURE(Keystroke, eng_8_digits_paint, Eng, "15700940", true)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK_CAPTURE(Keystroke, rus_8_digits_paint, Rus, "15700940", true)->Unit(benchmark::kMicrosecond)->UseRealTime();

int main(int argc, char** argv) {
    // Offscreen, with a private runtime folder where none is set (Qt warns
    // without one), and settings of its own: the benchmark needs no display
    // and leaves nothing behind.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir runtimeDir;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeDir.path()));
    int qtArgc = 1;
    QApplication app(qtArgc, argv);

    QTemporaryDir settingsDir;
    kavrel::Kavrel window(settingsDir.filePath(QStringLiteral("kavrel.ini")).toStdString());
    window.form().Form_Load();
    window.show();
    QApplication::processEvents();
    g_window = &window;

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
