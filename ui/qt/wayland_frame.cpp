#include "ui/qt/wayland_frame.h"

#include <QApplication>
#include <QEvent>
#include <QLatin1String>
#include <QMenu>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionTitleBar>
#include <QStylePainter>
#include <QWidget>
#include <QWindow>

namespace kavrel {
namespace {

// The title bar as the style draws one for a window inside a window (the
// picture an MDI window's title has): the icon, the title and, with the
// system menu, the close box; no minimise or maximise button, since the
// flags given to the style name none.
class TitleBar : public QWidget {
public:
    explicit TitleBar(QWidget* window) : QWidget(window) {
        setObjectName(QStringLiteral("titleBar"));
        setFont(QApplication::font());
        const QStyleOptionTitleBar option = this->option();
        setFixedSize(window->width(), style()->pixelMetric(QStyle::PM_TitleBarHeight, &option, this));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QStylePainter painter(this);
        painter.drawComplexControl(QStyle::CC_TitleBar, option());
    }

    void mousePressEvent(QMouseEvent* event) override {
        const QStyle::SubControl hit = at(event->position().toPoint());
        if (event->button() == Qt::RightButton || (event->button() == Qt::LeftButton && hit == QStyle::SC_TitleBarSysMenu)) {
            systemMenu(event->globalPosition().toPoint());
        } else if (event->button() == Qt::LeftButton && hit == QStyle::SC_TitleBarCloseButton) {
            pressed_ = hit;
            update();
        } else if (event->button() == Qt::LeftButton) {
            window()->windowHandle()->startSystemMove();
        }
    }

    void mouseReleaseEvent(QMouseEvent* event) override {
        const bool close = pressed_ == QStyle::SC_TitleBarCloseButton && event->button() == Qt::LeftButton &&
                           at(event->position().toPoint()) == QStyle::SC_TitleBarCloseButton;
        pressed_ = QStyle::SC_None;
        update();
        if (close) window()->close();
    }

    bool event(QEvent* event) override {
        if (event->type() == QEvent::WindowActivate || event->type() == QEvent::WindowDeactivate) update();
        // The window's surface exists once the window is shown.
        if (event->type() == QEvent::Show) window()->windowHandle()->installEventFilter(this);
        return QWidget::event(event);
    }

    // The compositor's states as they reach the window's surface.
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::WindowStateChange) return false;
        auto* surface = static_cast<QWindow*>(watched);
        const Qt::WindowStates states = surface->windowStates();
        const bool maximised = states & Qt::WindowMaximized;
        // Maximised, the surface would have to take the compositor's size:
        // nothing is drawn, so nothing is committed, until it has left.
        window()->setUpdatesEnabled(!maximised);
        // Any other state shows with the next frame, which Qt does not draw
        // when the size stays the same.
        if (!maximised) window()->repaint();
        if (maximised) {
            // The way out has to be a state that the compositor confirms with
            // a configure of its own. Weston answers only a change from the
            // state last drawn, so after a normal one it is full screen,
            // which a smaller surface may hold (shown centred), and from
            // there the normal state.
            leaving_ = !(static_cast<QWindowStateChangeEvent*>(event)->oldState() & Qt::WindowFullScreen);
            surface->setWindowStates(leaving_ ? Qt::WindowFullScreen : Qt::WindowNoState);
        } else if (leaving_ && (states & Qt::WindowFullScreen)) {
            leaving_ = false;  // drawn full screen above, before the request to leave it
            surface->setWindowStates(Qt::WindowNoState);
        }
        return false;
    }

private:
    QStyleOptionTitleBar option() const {
        QStyleOptionTitleBar option;
        option.initFrom(this);
        option.text = window()->windowTitle();
        option.icon = window()->windowIcon();
        option.subControls = QStyle::SC_TitleBarLabel | QStyle::SC_TitleBarSysMenu | QStyle::SC_TitleBarCloseButton;
        option.titleBarFlags = Qt::WindowTitleHint | Qt::WindowSystemMenuHint;
        if (window()->isActiveWindow()) option.titleBarState |= QStyle::State_Active;
        if (pressed_ != QStyle::SC_None) {
            option.activeSubControls = pressed_;
            option.state |= QStyle::State_Sunken;
        }
        return option;
    }

    QStyle::SubControl at(const QPoint& point) const {
        const QStyleOptionTitleBar option = this->option();
        return style()->hitTestComplexControl(QStyle::CC_TitleBar, &option, point, this);
    }

    void systemMenu(const QPoint& where) {
        QMenu menu(this);
        menu.addAction(QStringLiteral("Close"), window(), &QWidget::close);
        menu.exec(where);
    }

    QStyle::SubControl pressed_ = QStyle::SC_None;
    bool leaving_ = false;  // full screen only on the way out of maximised
};

}  // namespace

void FixedFrameOnWayland(QWidget* window) {
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) return;
    const QSize size = window->size();
    window->setWindowFlags(Qt::Window | Qt::FramelessWindowHint);  // no decoration of Qt's
    auto* bar = new TitleBar(window);
    const int height = bar->height();
    // What the window shows moves down by the bar: a layout keeps to the
    // margins, a page placed by hand is moved.
    window->setContentsMargins(0, height, 0, 0);
    if (!window->layout()) {
        for (QWidget* child : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (child != bar) child->move(child->x(), child->y() + height);
    }
    window->setFixedSize(size.width(), size.height() + height);
}

}  // namespace kavrel
