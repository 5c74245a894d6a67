// Small pieces both windows build with.
#pragma once

#include "form/layout.h"

#include <QColor>
#include <QEvent>
#include <QFont>
#include <QIcon>
#include <QLatin1String>
#include <QMouseEvent>
#include <QPalette>
#include <QPixmap>
#include <QProxyStyle>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <string_view>

namespace kavrel {

// "Arial" where it is installed, else the first of its metric-compatible
// stand-ins that is. Asking for a family that is not installed would have
// Qt sort every font for a substitute (about 3 ms of the start-up).
const QStringList& ArialFamilies();

// Arial as the windows ask for it. The texts are Latin and Cyrillic, which
// need no shaping engine; without it (and with the skipped repaint of a
// shared cell border) a keystroke in Russian reaches the screen about a
// fifth sooner. Set without kerning, as the classic Windows text boxes draw
// their texts.
inline QFont Arial(const Font& face) {
    QFont font;
    font.setFamilies(ArialFamilies());
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(face.points);
    font.setBold(face.bold);
    font.setStyleStrategy(QFont::PreferNoShaping);
    font.setKerning(false);
    return font;
}

inline QColor Colour(const Rgb& rgb) { return QColor(rgb.red, rgb.green, rgb.blue); }

inline Qt::Alignment Alignment(Align align) {
    switch (align) {
    case Align::Left: break;
    case Align::Centre: return Qt::AlignHCenter | Qt::AlignVCenter;
    case Align::Right: return Qt::AlignRight | Qt::AlignVCenter;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

// The program's icon, 32 x 32, from its bare pixels: reading a PNG would
// load every image format plugin to ask each whether it reads PNG (about
// half a mebibyte and a millisecond on the way to the first paint).
QPixmap ProgramPicture();

// The program's style: the platform's own, except that it gives the menu
// bar's overflow button no picture. That button shows only when the menu bar
// cannot hold its items, which the fixed windows never let happen, and its
// picture, read from a PNG, would load the image format plugins as above.
class Style final : public QProxyStyle {
public:
    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option, const QWidget* widget) const override;
};

// A colour for text and lines on white: the palette's own where it stands
// out from white, black where it does not (a dark colour scheme's light
// text would vanish).
QColor InkOnWhite(const QPalette& palette, QPalette::ColorRole role = QPalette::Text);

// The control called `name` among the direct children of `parent`.
template <typename T>
T* Child(const QWidget* parent, std::string_view name) {
    auto* widget = parent->findChild<T*>(QLatin1String(name.data(), static_cast<qsizetype>(name.size())),
                                         Qt::FindDirectChildrenOnly);
    Q_ASSERT(widget);
    return widget;
}

// A site line opens its address on a left click released over it.
inline bool IsLeftClickOn(const QWidget* line, const QEvent* event) {
    if (event->type() != QEvent::MouseButtonRelease) return false;
    const auto* click = static_cast<const QMouseEvent*>(event);
    return click->button() == Qt::LeftButton && line->rect().contains(click->position().toPoint());
}

}  // namespace kavrel
