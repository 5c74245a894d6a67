#include "platform/openlink.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QWidget>

namespace kavrel {

void OpenLink(QWidget* form, const QString& address) {
    const QString copy = address;
    Q_UNUSED(form);
#if !defined(Q_OS_MACOS)
    // On an X11 or Wayland desktop xdg-open gets the address as one argument,
    // exactly as given. Qt's own launcher would first parse it as a URL,
    // which lower-cases the host, re-encodes blanks, quotes and non-ASCII
    // characters, and refuses an address that ends in a blank.
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("xcb") || platform.startsWith(QLatin1String("wayland"))) {
        const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
        if (!opener.isEmpty()) {
            QProcess::startDetached(opener, QStringList{copy});
            return;
        }
    }
#endif
    // Elsewhere (macOS, or no desktop at all) Qt's desktop services decide.
    QDesktopServices::openUrl(QUrl(copy, QUrl::TolerantMode));
}

}  // namespace kavrel
