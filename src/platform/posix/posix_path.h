#pragma once

#include <string>
#include <string_view>

namespace vantorel::platform {

// The program builds Windows paths ("<game folder>\Favorites.ini"); the stand-ins read "\"
// as the folder separator so that the same texts name files here.
std::string ToPosixPath(std::string_view path);

}  // namespace vantorel::platform
