#include "platform/posix/directory_posix.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

#include "common/text.h"
#include "platform/posix/posix_path.h"

namespace vantorel::platform {
namespace {

bool Match(const char* name, const char* pattern) {
    for (; *pattern; ++pattern) {
        if (*pattern == '*') {
            while (pattern[1] == '*') {
                ++pattern;
            }
            for (const char* rest = name;; ++rest) {
                if (Match(rest, pattern + 1)) {
                    return true;
                }
                if (!*rest) {
                    return false;
                }
            }
        }
        if (!*name || (*pattern != '?' && *pattern != *name)) {
            return false;
        }
        ++name;
    }
    return *name == 0;
}

bool IsFolder(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

bool MatchesWildcard(const std::string& name, const std::string& pattern) {
    // As on Windows, "*.*" also matches names without a dot, and a trailing ".*" may match
    // nothing.
    std::string folded = FoldCase(pattern);
    if (folded.size() >= 2 && folded.compare(folded.size() - 2, 2, ".*") == 0 && name.find('.') == std::string::npos) {
        folded.resize(folded.size() - 2);
    }
    return Match(FoldCase(name).c_str(), folded.c_str());
}

std::string PosixDirectoryListing::First(const std::string& pattern, unsigned attributes) {
    names_.clear();
    next_ = 0;
    const std::string path = ToPosixPath(pattern);
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".")
                               : slash == 0               ? std::string("/")
                                                          : path.substr(0, slash);
    const std::string namePattern = slash == std::string::npos ? path : path.substr(slash + 1);

    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) {
        return {};
    }
    std::vector<std::string> dots;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        const bool dotEntry = name == "." || name == "..";
        if (!dotEntry && name[0] == '.') {
            continue;
        }
        if (!MatchesWildcard(name, namePattern)) {
            continue;
        }
        if ((attributes & kAttributeDirectory) == 0 && (dotEntry || IsFolder(folder + "/" + name))) {
            continue;
        }
        (dotEntry ? dots : names_).push_back(name);
    }
    closedir(dir);
    std::sort(dots.begin(), dots.end());
    std::sort(names_.begin(), names_.end(),
              [](const std::string& a, const std::string& b) { return FoldCase(a) < FoldCase(b); });
    names_.insert(names_.begin(), dots.begin(), dots.end());
    return Next();
}

std::string PosixDirectoryListing::Next() {
    if (next_ >= names_.size()) {
        return {};
    }
    return names_[next_++];
}

}  // namespace vantorel::platform
