#pragma once
// How a file is replaced and locked safely, the same on every system: the content goes to a
// temporary file beside the old one, held against other saves' clean-up, is flushed to the
// disk and renamed over the old file; what earlier saves that were killed left behind is
// removed first; and the lock lives in a file of its own beside the file. A backend gives
// only the system's steps, each of which answers whether it worked and, if not, why.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace vantorel::platform {

inline constexpr const char* kNotPlainFile = "It is not a plain file.";

// A temporary file being written; closing it (destroying it) does not remove it.
class TemporaryFile {
  public:
    virtual ~TemporaryFile() = default;
    virtual bool Write(std::string_view bytes, std::string& reason) = 0;
    // Puts the content on the disk, with the access of the file it is to replace.
    virtual bool Flush(std::string& reason) = 0;
    // Takes the place of `target`, replacing it in one step.
    virtual bool RenameOver(const std::string& target, std::string& reason) = 0;
    // Removes it after a failed step.
    virtual void Discard() = 0;
};

// The open lock file; destroying it lets the lock go and closes it.
class LockFile : public FileLock {
  public:
    enum class Attempt { kTaken, kBusy, kFailed };
    virtual bool IsPlainFile() = 0;
    // Takes the lock if nobody else holds it, without waiting.
    virtual Attempt TryTake(LockMode mode, std::string& reason) = 0;
    // Waits for the lock: 0 once it is held, or the system's error number.
    virtual int Take(LockMode mode) = 0;
};

class SafeFiles : public Files {
  public:
    WriteResult ReplaceContents(const std::string& path, std::string_view bytes) final;
    LockResult Lock(const std::string& path, LockMode mode, std::chrono::milliseconds wait) final;

  protected:
    enum class Found { kMissing, kPlainFile, kOther };

    // Paths below are in the system's own form.
    virtual std::string SystemPath(const std::string& path) = 0;
    // The file that `path` finally names once every link is followed; a missing file is
    // named as it is, for the save to create.
    virtual bool FollowLinks(std::string& path, std::string& reason) = 0;
    virtual bool Examine(const std::string& path, Found& found, std::string& reason) = 0;
    // Whether this user may write the plain file in place: it is not read-only (which
    // refuses an administrator too) and it opens for writing.
    virtual bool MayWrite(const std::string& path, std::string& reason) = 0;
    // The files beside `path` whose names begin with its name and a dot; a few others that
    // the system's listing matches may come too.
    virtual std::vector<std::string> Siblings(const std::string& path) = 0;
    // Removes a file that no running save holds; one that a save holds stays.
    virtual void RemoveUnlessHeld(const std::string& path) = 0;
    virtual unsigned long ProcessId() = 0;
    // Creates (or empties) the temporary file and holds it, so that the clean-up of another
    // save leaves it alone until it has been renamed.
    virtual std::unique_ptr<TemporaryFile> CreateTemporary(const std::string& path, const std::string& target,
                                                           std::string& reason) = 0;
    // Once the rename is done: where the system needs it, makes the rename itself last.
    virtual void SettleRename(const std::string&) {}
    // Opens the lock file, creating it where it is missing.
    virtual std::unique_ptr<LockFile> OpenLockFile(const std::string& path, std::string& reason) = 0;
    virtual std::string ErrorText(int error) = 0;

  private:
    void RemoveLeftTemporaries(const std::string& target);
};

}  // namespace vantorel::platform
