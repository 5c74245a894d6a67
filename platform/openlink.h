// Hands a web address to the desktop's browser. Both windows use it for
// their site lines. Opens `address` exactly as given, does not wait for the
// browser and reports nothing: a desktop without a browser simply opens
// nothing.
#pragma once

#ifdef _WIN32
#include <windows.h>

#include <string>

namespace kavrel {

// The shell's "open" verb, owned by `form`; texts cross in the ANSI code page.
void OpenLink(HWND form, const std::string& address);

}  // namespace kavrel
#else
class QString;
class QWidget;

namespace kavrel {

// xdg-open on an X11 or Wayland desktop, Qt's desktop services elsewhere.
void OpenLink(QWidget* form, const QString& address);

}  // namespace kavrel
#endif
