// The main window on Qt: a thin driver of the core's window logic.
//
// Kavrel builds its 25 controls and menu from the layout table
// (form/layout.h), shows the view the behaviour (KavrelForm) asks for, and
// hands each notification to the handler of the same name: a typed key to
// the key filter, a change of the input to ClickNomer_Change, a selection
// in the language list to Languag_Click, the menu items, the site line and
// the close request. About (about.h) is the separate About window.
#pragma once

#include "form/kavrel_form.h"

#include <QMainWindow>
#include <QPointer>
#include <QString>

#include <array>
#include <string>
#include <string_view>

class QAction;
class QCloseEvent;
class QComboBox;
class QEvent;
class QLineEdit;
class QPlainTextEdit;

namespace kavrel {

class About;

class Kavrel : public QMainWindow, public KavrelView {
    Q_OBJECT

    // Built first: every control member below is looked up in it by name.
    QWidget* const client_;

public:
    // A fixed-size window with a title, a system menu and a close button only.
    static constexpr Qt::WindowFlags Frame = Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                                             Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                             Qt::WindowCloseButtonHint;

    // `settingsFile`: the kavrel.ini the window reads at its load and
    // writes at its closing.
    explicit Kavrel(std::string settingsFile = {}, QWidget* parent = nullptr);

    // The behaviour; Form_Load runs once, before the window is first shown.
    KavrelForm& form() { return form_; }
    const KavrelForm& form() const { return form_; }

    // The control that the layout calls `id`.
    QWidget* control(Control id) const { return controls_[static_cast<std::size_t>(id)]; }

    // The About window while it is open, or null.
    About* aboutWindow() const;

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

    // The view the behaviour drives. A multi-line box reads its line
    // breaks as "\n".
    std::string Text(Control box) const override;
    bool TextEquals(Control box, std::string_view utf8) const override;
    void SetText(Control box, std::string_view utf8) override;
    void SetVisible(Control box, bool visible) override;
    int LanguageIndex() const override;
    void SetLanguageIndex(int index) override;
    std::string LanguageText() const override;
    void ShowAbout() override;
    void CloseAbout() override;
    void PrintClientArea() override;
    void ShowMessage(std::string_view text, std::string_view detail) override;
    void OpenLink(const std::string& address) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void connectHandlers();

    std::array<QWidget*, ControlCount> controls_;
    ProfileSettings settings_;
    KavrelForm form_;
    QPointer<About> about_;
};

}  // namespace kavrel
