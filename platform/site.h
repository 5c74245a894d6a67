// The host name of the program's web site, shown by both windows' site
// lines and opened by them. A host under example.org until the project has
// a site of its own.
#pragma once

#include <string_view>

namespace kavrel {

inline constexpr std::string_view SiteHost = "kavrel.example.org";

}  // namespace kavrel
