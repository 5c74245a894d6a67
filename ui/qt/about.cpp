#include "ui/qt/about.h"

#include "platform/openlink.h"
#include "ui/qt/wayland_frame.h"
#include "ui/qt/widgets.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QColor>
#include <QEvent>
#include <QFont>
#include <QFrame>
#include <QIcon>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPixmap>
#include <QScreen>
#include <QShortcut>
#include <QStyle>

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>
#include <vector>

namespace kavrel {
namespace {

QString qs(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

QWidget* makeItem(const AboutRow& item, QWidget* page) {
    QWidget* widget = nullptr;
    switch (item.kind) {
    case AboutKind::Picture: {
        auto* picture = new QLabel(page);
        picture->setPixmap(ProgramPicture());
        picture->setScaledContents(true);
        widget = picture;
        break;
    }
    case AboutKind::Label: {
        auto* label = new QLabel(qs(item.text), page);
        label->setAlignment(Alignment(item.align));
        // The same inset as the text of a borderless text box, so that label
        // and box lines in one column start at the same x.
        label->setContentsMargins(2, 0, 2, 0);
        label->setAutoFillBackground(true);
        widget = label;
        break;
    }
    case AboutKind::Frame: {
        auto* frame = new QFrame(page);
        frame->setFrameStyle(QFrame::Box | QFrame::Plain);
        frame->setLineWidth(1);
        widget = frame;
        break;
    }
    case AboutKind::TextBox: {
        auto* box = new QLineEdit(qs(item.text), page);
        box->setFrame(false);
        box->setReadOnly(true);
        box->setAlignment(Alignment(item.align));
        box->setCursorPosition(0);
        widget = box;
        break;
    }
    }
    widget->setObjectName(qs(item.name));
    widget->setGeometry(item.left, item.top, item.width, item.height);
    QPalette palette = widget->palette();
    if (item.ink == AboutInk::Title) {
        widget->setFont(Arial(item.font));
        palette.setColor(QPalette::WindowText, Colour(AboutTitleGreen));
    } else if (item.ink == AboutInk::OnWhite) {
        palette.setColor(QPalette::WindowText, InkOnWhite(palette, QPalette::WindowText));
    }
    widget->setPalette(palette);
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
    page->setGeometry(0, 0, AboutWindow.clientWidth, AboutWindow.clientHeight);
    std::vector<std::pair<int, QWidget*>> focusable;
    for (const AboutRow& item : AboutControls) {
        QWidget* widget = makeItem(item, page);
        if (item.kind == AboutKind::TextBox)
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
    setObjectName(qs(AboutWindow.name));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(qs(AboutWindow.title));
    setWindowIcon(QIcon(ProgramPicture()));
    setFont(Arial(AboutWindowFont));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Colour(AboutPage));
    setPalette(palette);
    setAutoFillBackground(true);

    About_Sait->setCursor(Qt::PointingHandCursor);
    About_Sait->installEventFilter(this);
    // Escape closes the window, as its close box does.
    auto* closeKey = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(closeKey, &QShortcut::activated, this, &QWidget::close);
    // A screen reader names each line by what it says; the texts never change.
    for (QLineEdit* line : page_->findChildren<QLineEdit*>())
        line->setAccessibleName(line->text());
    // The icon stands for the program: it is read as the program's title.
    Image1->setAccessibleName(About_Nazvanie->text());

    setFixedSize(AboutWindow.clientWidth, AboutWindow.clientHeight);
    FixedFrameOnWayland(this);
    setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(),
                                    screen()->availableGeometry()));
}

bool About::eventFilter(QObject* watched, QEvent* event) {
    if (watched == About_Sait && IsLeftClickOn(About_Sait, event)) kavrel::About_Sait_Click(*this);
    return QWidget::eventFilter(watched, event);
}

std::string About::Text(AboutControl box) const {
    auto* line = page_->findChild<QLineEdit*>(qs(Row(box).name), Qt::FindDirectChildrenOnly);
    return line ? line->text().toStdString() : std::string();
}

void About::OpenLink(const std::string& address) { kavrel::OpenLink(this, QString::fromStdString(address)); }

}  // namespace kavrel
