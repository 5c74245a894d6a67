// The About window: the program's title, version, the team's contact and
// copyright lines and the site line, on a fixed white page. Nothing in it
// follows the main window's language. It is a top-level window of its own
// and deletes itself when closed, so every opening builds it afresh.
#pragma once

#include "form/kavrel_form.h"

#include <QWidget>

#include <string>

class QEvent;
class QFrame;
class QLabel;
class QLineEdit;

namespace kavrel {

class About : public QWidget, public AboutView {
    Q_OBJECT

    // Built first: every control member below is looked up in it by name.
    QWidget* const page_;

public:
    About();

    // The controls; each one's objectName is its member name.
    QLabel* const Image1;
    QLabel* const About_Nazvanie;
    QLabel* const About_Versia;
    QFrame* const Shape1;
    QLineEdit* const About_Avtor_Rus;
    QLineEdit* const About_Adres_Rus;
    QLineEdit* const Text3;
    QLabel* const About_Adres_Eng;
    QLineEdit* const About_Milo;
    QLineEdit* const About_Sait;
    QLineEdit* const Text1;
    QLineEdit* const Text2;

    // The view the site line's click needs.
    std::string Text(AboutControl box) const override;
    void OpenLink(const std::string& address) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace kavrel
