#include "platform/openlink.h"

#include "platform/ansi.h"

#include <shellapi.h>

namespace kavrel {

void OpenLink(HWND form, const std::string& address) {
    const std::string copy = AnsiFromUtf8(address);
    ShellExecuteA(form, "open", copy.c_str(), "", "", SW_SHOW);  // the outcome is not examined
}

}  // namespace kavrel
