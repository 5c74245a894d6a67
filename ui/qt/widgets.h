// Small pieces both windows build with.
#pragma once

#include "form/layout.h"

#include <QColor>
#include <QEvent>
#include <QFont>
#include <QIcon>
#include <QLatin1String>
#include <QMouseEvent>
#include <QPixmap>
#include <QProxyStyle>
#include <QString>
#include <QWidget>

#include <string_view>

namespace kavrel {

// The family that shows "Arial" on this system: Arial itself, or the face
// fontconfig puts in its place (a metric-compatible one such as Liberation
// Sans where that is installed). Asked once; safe to ask from any thread.
QString ArialFamily();

// Arial as the windows ask for it. The texts are Latin and Cyrillic, which
// need no shaping engine, and are set without kerning, as the classic
// Windows text boxes draw them.
inline QFont Arial(const Font& face) {
    QFont font(ArialFamily());
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

// The program's icon, 32 x 32, from its bare pixels: no image reader, which
// would load every image format plugin to ask each whether it reads PNG.
QPixmap ProgramPicture();

// The program's style: the platform's own, except that it gives the menu
// bar's overflow button no picture. That button shows only when the menu bar
// cannot hold its items, which the fixed windows never let happen, and its
// picture, read from a PNG, would load every image format plugin on the way
// to the first paint.
class Style final : public QProxyStyle {
public:
    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option, const QWidget* widget) const override;
};

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
