// The batch decoder's standard output and standard error on Windows. A
// console gets the text through WriteConsoleW, so that Russian shows
// whatever the console's code page; a file or a pipe gets the UTF-8 bytes
// as they are, the same bytes as on any other system.
#pragma once

#include "tools/batch.h"

#include <memory>

namespace kavrel::batch {

enum class Standard { Output, Error };

// The sink for standard output or standard error.
std::unique_ptr<Sink> StandardSink(Standard which);

}  // namespace kavrel::batch
