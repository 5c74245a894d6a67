#include "ui/about.h"

#include "platform/openlink.h"
#include "platform/site.h"
#include "ui/widgets.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QColor>
#include <QEvent>
#include <QFont>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPixmap>
#include <QScreen>
#include <QStyle>

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>
#include <vector>

namespace kavrel {
namespace {

enum Kind { Picture, Label, Frame, TextBox };
enum Align { Left, Centre };
enum Face { WindowFont, TitleFont };

struct Item {
    const char* name;
    Kind kind;
    int left, top, width, height;
    Align align;
    Face face;
    int tab;  // -1: takes no focus
    std::string_view text;
};

// Top to bottom; pixels from the top-left of the client area. The author
// lines stand above their addresses inside the frame, in the address
// column; the copyright lines have no room left inside the frame under the
// site line, so they follow it under the frame, centred on the same axis.
// The e-mail and site lines are filled in from the site's host name.
constexpr std::array<Item, 12> Items{{
    // Name             Kind      L    T    W    H  Alignment Face        Tab  Text
    {"Image1",          Picture,  24,   9,  55,  55, Left,   WindowFont, -1, ""},
    {"About_Nazvanie",  Label,   102,  12, 262,  25, Centre, TitleFont,   0, "Kavrel"},
    {"About_Versia",    Label,   102,  48, 262,  16, Centre, WindowFont,  2, "Version 2"},
    {"Shape1",          Frame,     6,  72, 361, 190, Left,   WindowFont, -1, ""},
    {"About_Avtor_Rus", TextBox,  12,  96, 349,  19, Left,   WindowFont,  3, "Команда Kavrel"},
    {"About_Adres_Rus", TextBox,  12, 120, 349,  19, Left,   WindowFont,  4, "Россия, Санкт-Петербург"},
    {"Text3",           TextBox,  12, 156, 349,  19, Left,   WindowFont,  9, "The Kavrel team"},
    {"About_Adres_Eng", Label,    12, 180, 349,  19, Left,   WindowFont,  1, "Russia, Saint Petersburg"},
    {"About_Milo",      TextBox,  12, 204, 310,  19, Left,   WindowFont,  5, ""},
    {"About_Sait",      TextBox,  78, 231, 214,  19, Centre, WindowFont,  6, ""},
    {"Text1",           TextBox,  12, 281, 346,  19, Centre, WindowFont,  7, "© 2026 Команда Kavrel. Все права защищены."},
    {"Text2",           TextBox,  12, 302, 346,  19, Centre, WindowFont,  8, "© 2026 The Kavrel team. All rights reserved."},
}};

Qt::Alignment alignment(Align align) {
    return (align == Centre ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter;
}

QWidget* makeItem(const Item& item, QWidget* page) {
    QWidget* widget = nullptr;
    switch (item.kind) {
    case Picture: {
        auto* picture = new QLabel(page);
        picture->setPixmap(ProgramPicture());
        picture->setScaledContents(true);
        widget = picture;
        break;
    }
    case Label: {
        auto* label = new QLabel(QString::fromUtf8(item.text), page);
        label->setAlignment(alignment(item.align));
        // The same inset as the text of a borderless text box, so that label
        // and box lines in one column start at the same x.
        label->setContentsMargins(2, 0, 2, 0);
        label->setAutoFillBackground(true);
        widget = label;
        break;
    }
    case Frame: {
        auto* frame = new QFrame(page);
        frame->setFrameStyle(QFrame::Box | QFrame::Plain);
        frame->setLineWidth(1);
        widget = frame;
        break;
    }
    case TextBox: {
        auto* box = new QLineEdit(QString::fromUtf8(item.text), page);
        box->setFrame(false);
        box->setReadOnly(true);
        box->setAlignment(alignment(item.align));
        box->setCursorPosition(0);
        widget = box;
        break;
    }
    }
    widget->setObjectName(QLatin1String(item.name));
    widget->setGeometry(item.left, item.top, item.width, item.height);
    if (item.face == TitleFont) {
        widget->setFont(Arial(14.25, true));
        QPalette palette = widget->palette();
        palette.setColor(QPalette::WindowText, QColor(0, 128, 0));
        widget->setPalette(palette);
    }
    return widget;
}

// What a screen reader is told the About window is. A plain QWidget would be
// announced as a nameless panel ("filler"), not as a window of its own.
QAccessibleInterface* AccessibleAbout(const QString& className, QObject* object) {
    if (className == QLatin1String("kavrel::About") && object && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
    return nullptr;
}

QWidget* buildPage(QWidget* window) {
    auto* page = new QWidget(window);
    page->setObjectName(QStringLiteral("page"));
    page->setGeometry(0, 0, About::ClientWidth, About::ClientHeight);
    std::vector<std::pair<int, QWidget*>> focusable;
    for (const Item& item : Items) {
        QWidget* widget = makeItem(item, page);
        if (item.kind == TextBox)
            focusable.emplace_back(item.tab, widget);
    }
    std::sort(focusable.begin(), focusable.end());
    for (std::size_t i = 1; i < focusable.size(); ++i)
        QWidget::setTabOrder(focusable[i - 1].second, focusable[i].second);
    return page;
}

}  // namespace

About::About()
    : QWidget(nullptr, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                           Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      page_(buildPage(this)),
      Image1(Child<QLabel>(page_, "Image1")),
      About_Nazvanie(Child<QLabel>(page_, "About_Nazvanie")),
      About_Versia(Child<QLabel>(page_, "About_Versia")),
      Shape1(Child<QFrame>(page_, "Shape1")),
      About_Avtor_Rus(Child<QLineEdit>(page_, "About_Avtor_Rus")),
      About_Adres_Rus(Child<QLineEdit>(page_, "About_Adres_Rus")),
      Text3(Child<QLineEdit>(page_, "Text3")),
      About_Adres_Eng(Child<QLabel>(page_, "About_Adres_Eng")),
      About_Milo(Child<QLineEdit>(page_, "About_Milo")),
      About_Sait(Child<QLineEdit>(page_, "About_Sait")),
      Text1(Child<QLineEdit>(page_, "Text1")),
      Text2(Child<QLineEdit>(page_, "Text2")) {
    [[maybe_unused]] static const bool accessible = [] {
        QAccessible::installFactory(&AccessibleAbout);
        return true;
    }();
    setObjectName(QStringLiteral("About"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("About"));
    setWindowIcon(QIcon(ProgramPicture()));
    setFont(Arial(8.25, false));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor(255, 255, 255));
    setPalette(palette);
    setAutoFillBackground(true);

    const QString host = QString::fromUtf8(SiteHost);
    About_Milo->setText(QStringLiteral("E-mail: team@") + host);
    About_Sait->setText(host);
    About_Sait->setCursor(Qt::PointingHandCursor);
    About_Sait->installEventFilter(this);
    // A screen reader names each line by what it says; the texts never change.
    for (QLineEdit* line : page_->findChildren<QLineEdit*>())
        line->setAccessibleName(line->text());
    // The icon stands for the program: it is read as the program's title.
    Image1->setAccessibleName(About_Nazvanie->text());

    setFixedSize(ClientWidth, ClientHeight);
    setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(),
                                    screen()->availableGeometry()));
}

bool About::eventFilter(QObject* watched, QEvent* event) {
    if (watched == About_Sait && IsLeftClickOn(About_Sait, event)) About_Sait_Click();
    return QWidget::eventFilter(watched, event);
}

void About::About_Sait_Click() {
    OpenLink(this, QStringLiteral("http://") + About_Sait->text());
}

}  // namespace kavrel
