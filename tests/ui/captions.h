// The caption boxes by name, for tests that put the interface texts of
// lang/texts.h into the window to see that they fit and are read out.
#pragma once

#include "lang/texts.h"

#include <array>
#include <cstddef>

namespace kavrel::test {

// In the order of the Caption enumeration.
inline constexpr std::array<const char*, CaptionCount> CaptionBoxNames{{
    "TextLanguag", "TextOpredelenie", "TextVnimanie", "TextPolucheno", "TextVvedite", "TextPrimer", "Osibka",
    "TextSeriiniiNomer", "TextStrana", "TextZavod", "TextGod", "TextMesiac", "TextSeria", "TextDataKoda",
}};

inline const char* BoxName(Caption box) { return CaptionBoxNames[static_cast<std::size_t>(box)]; }

}  // namespace kavrel::test
