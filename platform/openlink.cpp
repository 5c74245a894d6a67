#include "platform/openlink.h"

#include <QString>
#include <QWidget>

#ifdef Q_OS_WIN
#include <windows.h>
#include <shellapi.h>
#else
#include <QDesktopServices>
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
    QDesktopServices::openUrl(QUrl(copy, QUrl::TolerantMode));
#endif
}

}  // namespace kavrel
