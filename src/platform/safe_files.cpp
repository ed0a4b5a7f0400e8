#include "platform/safe_files.h"

#include "platform/lock_wait.h"

namespace vantorel::platform {
namespace {

// The last part of a path, after either separator.
std::string NameOf(const std::string& path) {
    const std::size_t separator = path.find_last_of("\\/");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

bool StartsWith(const std::string& text, const std::string& start) {
    return text.compare(0, start.size(), start) == 0;
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Whether `entry` is a temporary file of the file named `name` that a save left behind:
// "<name>.vantorel-<n>.tmp" from this program, "<name>.tmp<process id>" from its earlier
// versions.
bool IsTemporaryOf(const std::string& entry, const std::string& name) {
    const std::string mark = name + kTemporaryMark;
    const std::string end = kTemporaryEnd;
    if (entry.size() > mark.size() + end.size() && StartsWith(entry, mark) && EndsWith(entry, end)) {
        return true;
    }
    const std::string legacy = name + ".tmp";
    return entry.size() > legacy.size() && StartsWith(entry, legacy) &&
           entry.find_first_not_of("0123456789", legacy.size()) == std::string::npos;
}

}  // namespace

void SafeFiles::RemoveLeftTemporaries(const std::string& target) {
    // A listing may also hold names that only look alike (Windows matches its patterns
    // against short 8.3 names too), so every name is checked in full.
    const std::string name = NameOf(target);
    for (const std::string& sibling : Siblings(target)) {
        if (IsTemporaryOf(NameOf(sibling), name)) {
            RemoveUnlessHeld(sibling);
        }
    }
}

WriteResult SafeFiles::ReplaceContents(const std::string& path, std::string_view bytes) {
    std::string target = SystemPath(path);
    std::string reason;
    Found found = Found::kMissing;
    if (!FollowLinks(target, reason) || !Examine(target, found, reason)) {
        return {false, reason};
    }
    // A file that the user could not write in place is never replaced, though the folder
    // would let a new one take its place.
    if (found == Found::kOther) {
        return {false, kNotPlainFile};
    }
    if (found == Found::kPlainFile && !MayWrite(target, reason)) {
        return {false, reason};
    }
    RemoveLeftTemporaries(target);

    const std::string temporary = target + kTemporaryMark + std::to_string(ProcessId()) + kTemporaryEnd;
    std::unique_ptr<TemporaryFile> file = CreateTemporary(temporary, target, reason);
    if (!file) {
        return {false, reason};
    }
    // Until the rename the old content is whole; after it the new content is.
    if (!file->Write(bytes, reason) || !file->Flush(reason) || !file->RenameOver(target, reason)) {
        file->Discard();
        return {false, reason};
    }
    file.reset();
    SettleRename(target);
    return {true, {}};
}

LockResult SafeFiles::Lock(const std::string& path, LockMode mode, std::chrono::milliseconds wait) {
    std::string target = SystemPath(path);
    std::string reason;
    if (!FollowLinks(target, reason)) {
        return {nullptr, false, reason};
    }
    const std::string lockPath = target + kLockEnd;
    std::unique_ptr<LockFile> file = OpenLockFile(lockPath, reason);
    if (!file) {
        return {nullptr, false, reason};
    }
    if (!file->IsPlainFile()) {
        return {nullptr, false, lockPath + ": " + kNotPlainFile};
    }
    switch (file->TryTake(mode, reason)) {
        case LockFile::Attempt::kTaken: return {std::move(file), false, {}};
        case LockFile::Attempt::kFailed: return {nullptr, false, reason};
        case LockFile::Attempt::kBusy: break;
    }
    // Once the time is up, the helper that waits owns the file and lets it go.
    LockFile* waiting = file.get();
    const LockWait waited =
        WaitOnHelper([waiting, mode] { return waiting->Take(mode); }, [waiting](int) { delete waiting; }, wait);
    switch (waited.outcome) {
        case LockWait::kTaken: return {std::move(file), false, {}};
        case LockWait::kTimedOut: static_cast<void>(file.release()); return {nullptr, true, {}};
        case LockWait::kFailed: break;
    }
    return {nullptr, false, ErrorText(waited.error)};
}

}  // namespace vantorel::platform
