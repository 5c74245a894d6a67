// Small pieces both windows build with.
#pragma once

#include <QEvent>
#include <QFont>
#include <QLatin1String>
#include <QMouseEvent>
#include <QString>
#include <QWidget>

namespace kavrel {

// Arial as the windows ask for it; fontconfig maps it to a metric-compatible
// face where Arial itself is not installed.
inline QFont Arial(double points, bool bold) {
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// The control called `name` among the direct children of `parent`.
template <typename T>
T* Child(const QWidget* parent, const char* name) {
    auto* widget = parent->findChild<T*>(QLatin1String(name), Qt::FindDirectChildrenOnly);
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
