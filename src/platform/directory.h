#pragma once

#include <string>

namespace vantorel::platform {

// The attribute that includes folders in a listing (ordinary files are always included).
inline constexpr unsigned kAttributeDirectory = 16;

// Listing of a folder by wildcard pattern ("C:\Game\Mods\*.*"): the first call gives the
// first matching name (name only, no path), each further call the next, the empty text
// when none is left. Ordinary files and folders are returned, hidden and system entries
// are not; "." and ".." are returned like other names.
class DirectoryListing {
  public:
    virtual ~DirectoryListing() = default;
    virtual std::string First(const std::string& pattern, unsigned attributes) = 0;
    virtual std::string Next() = 0;
};

}  // namespace vantorel::platform
