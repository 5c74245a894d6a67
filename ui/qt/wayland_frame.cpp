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

#include <utility>

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

    // The icon and the close box act when the left button is released over
    // the one it was pressed on, and the right button opens the system menu
    // when released. A menu opened at the press that activates the window
    // would keep Qt's active window where it was: Qt takes no activation
    // while a menu is open, and the compositor's comes a moment later.
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton) return;
        const QStyle::SubControl hit = at(event->position().toPoint());
        if (hit == QStyle::SC_TitleBarSysMenu || hit == QStyle::SC_TitleBarCloseButton) {
            pressed_ = hit;
            update();
        } else {
            window()->windowHandle()->startSystemMove();
        }
    }

    void mouseReleaseEvent(QMouseEvent* event) override {
        const QStyle::SubControl pressed = std::exchange(pressed_, QStyle::SC_None);
        update();
        const bool over = event->button() == Qt::LeftButton && at(event->position().toPoint()) == pressed;
        if (event->button() == Qt::RightButton || (over && pressed == QStyle::SC_TitleBarSysMenu)) {
            systemMenu(event->globalPosition().toPoint());
        } else if (over && pressed == QStyle::SC_TitleBarCloseButton) {
            window()->close();
        }
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
        if (states & Qt::WindowMaximized) {
            // Maximised, the surface would have to take the compositor's
            // size: nothing is drawn, so nothing is committed, until it has
            // left. Weston answers only a request that differs from the
            // state last drawn: from the normal state the way out is full
            // screen, which a smaller surface may hold (shown centred).
            window()->setUpdatesEnabled(false);
            passing_ = !fullScreenDrawn_;
            surface->setWindowStates(passing_ ? Qt::WindowFullScreen : Qt::WindowNoState);
            return false;
        }
        window()->setUpdatesEnabled(true);
        // The state holds from the next frame, which Qt does not draw by
        // itself when the size stays the same.
        window()->repaint();
        fullScreenDrawn_ = states & Qt::WindowFullScreen;
        if (std::exchange(passing_, false) && fullScreenDrawn_) surface->setWindowStates(Qt::WindowNoState);
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
        const QAction* close = menu.addAction(QStringLiteral("Close"));
        if (menu.exec(where) == close) window()->close();
    }

    QStyle::SubControl pressed_ = QStyle::SC_None;
    bool fullScreenDrawn_ = false;  // the state of the frame last committed
    bool passing_ = false;          // full screen only on the way out of maximised
};

}  // namespace

void FixedFrameOnWayland(QWidget* window) {
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) return;
    const QSize size = window->size();
    // No decoration of Qt's. The frame's other hints go: beside them Qt
    // drops the frameless one.
    window->setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
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
