#pragma once

#include <string>
#include <vector>

#include "platform/directory.h"

namespace vantorel::platform {

// Directory listing with opendir. Names are matched against the pattern's last part with
// the Windows wildcard rules, without regard to case, and returned as an NTFS folder lists
// them: "." and ".." first, then by name. Entries whose names begin with a dot (other than
// "." and "..") are this system's hidden entries and are not returned.
class PosixDirectoryListing : public DirectoryListing {
  public:
    std::string First(const std::string& pattern, unsigned attributes) override;
    std::string Next() override;

  private:
    std::vector<std::string> names_;
    std::size_t next_ = 0;
};

// Windows wildcard match: "*" any run, "?" one character, "*.*" everything.
bool MatchesWildcard(const std::string& name, const std::string& pattern);

}  // namespace vantorel::platform
