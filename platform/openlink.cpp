#include "platform/openlink.h"

#include <QString>
#include <QWidget>

#ifdef Q_OS_WIN
#include <windows.h>
#include <shellapi.h>
#else
#include <QDesktopServices>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QUrl>
#endif

namespace kavrel {

void OpenLink(QWidget* form, const QString& address) {
    const QString copy = address;
#ifdef Q_OS_WIN
    const HWND owner = form ? reinterpret_cast<HWND>(form->winId()) : nullptr;
    ShellExecuteW(owner, L"open", reinterpret_cast<LPCWSTR>(copy.utf16()), L"", L"", SW_SHOW);
#else
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
#endif
}

}  // namespace kavrel
