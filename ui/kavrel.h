// The two windows of the program.
//
// Kavrel is the working window: an input box for the serial number, the
// fourteen caption boxes, the seven result boxes of the result table, the
// language list and the site line, all placed at fixed pixel positions from
// one table in kavrel.cpp. The window only lays them out; decoding, the
// language steps, the settings file and the menu commands are wired to the
// named members below by the window's behaviour. About (about.h) is the
// separate About window, opened from the menu item mnuAbout.
#pragma once

#include <QMainWindow>
#include <QString>

#include <string_view>

class QAction;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;

namespace kavrel {

class Kavrel : public QMainWindow {
    Q_OBJECT

    // Built first: every control member below is looked up in it by name.
    QWidget* const client_;

public:
    // Client area under the menu bar, in pixels.
    static constexpr int ClientWidth = 616;
    static constexpr int ClientHeight = 392;

    explicit Kavrel(QWidget* parent = nullptr);

    // The whole text of the text box called `name` (any of the 24 boxes;
    // a line break of a multi-line box reads as "\n"), and writing it.
    // Unknown names read as empty and write nothing.
    QString boxText(std::string_view name) const;
    void setBoxText(std::string_view name, const QString& text);

    // The input text as of the last decode.
    QString Nomer;

    // The menu bar's two items.
    QAction* const Print;
    QAction* const mnuAbout;

    // The controls, in tab order. Each one's objectName is its member name.
    QLineEdit* const ClickNomer;
    QLineEdit* const TextSeriiniiNomer;
    QLineEdit* const SeriiniiNomer;
    QLineEdit* const Strana;
    QLineEdit* const TextStrana;
    QLineEdit* const Zavod;
    QLineEdit* const TextZavod;
    QLineEdit* const God;
    QLineEdit* const TextGod;
    QLineEdit* const Mesiac;
    QLineEdit* const TextMesiac;
    QLineEdit* const Seria;
    QLineEdit* const TextSeria;
    QLineEdit* const DataKoda;
    QLineEdit* const TextDataKoda;
    QLineEdit* const TextVvedite;
    QLineEdit* const TextPrimer;
    QLineEdit* const Text7;
    QPlainTextEdit* const TextVnimanie;
    QPlainTextEdit* const TextOpredelenie;
    QLineEdit* const Osibka;
    QComboBox* const Languag;
    QLineEdit* const TextLanguag;
    QLineEdit* const TextPolucheno;
    QLineEdit* const www;

private:
    template <typename T>
    T* control(const char* name) const;
};

}  // namespace kavrel
