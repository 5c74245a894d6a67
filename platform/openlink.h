// Hands a web address to the desktop's browser. Both windows use it for
// their site lines.
#pragma once

class QString;
class QWidget;

namespace kavrel {

// Opens `address` exactly as given; `form` owns the shell call on Windows.
// Does not wait for the browser and reports nothing: a desktop without a
// browser simply opens nothing.
void OpenLink(QWidget* form, const QString& address);

}  // namespace kavrel
