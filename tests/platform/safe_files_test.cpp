// The policy of a safe replacement and of the lock, over scripted system steps.

#include "platform/safe_files.h"

#include <gtest/gtest.h>

#include <future>

namespace vantorel::platform {
namespace {

// Records every step; the step named in `failing` fails with the reason "<step> failed".
class ScriptedFiles : public SafeFiles {
  public:
    using SafeFiles::Found;
    ReadResult ReadAll(const std::string&, std::size_t) override { return {}; }
    bool IsRegularFile(const std::string&) override { return false; }
    bool Step(const std::string& step, std::string& reason) {
        steps.push_back(step);
        reason = step == failing ? step + " failed" : "";
        return step != failing;
    }

    std::string failing;
    Found found = Found::kPlainFile;
    std::vector<std::string> steps;
    // The lock file: whether it is a plain file, what taking it at once gives, and what
    // waiting for it gives (it may block).
    bool plainLockFile = true;
    LockFile::Attempt attempt = LockFile::Attempt::kTaken;
    std::function<int()> take = [] { return 0; };
    // Kept by the lock file itself, which a helper thread may close after the test's end.
    std::shared_ptr<std::promise<void>> lockClosed = std::make_shared<std::promise<void>>();

  protected:
    std::string SystemPath(const std::string& path) override { return path; }
    bool FollowLinks(std::string&, std::string& reason) override { return Step("follow", reason); }
    bool Examine(const std::string&, Found& found, std::string& reason) override {
        found = this->found;
        return Step("examine", reason);
    }
    bool MayWrite(const std::string&, std::string& reason) override { return Step("may write", reason); }
    std::vector<std::string> Siblings(const std::string&) override { return {}; }
    void RemoveUnlessHeld(const std::string&) override {}
    unsigned long ProcessId() override { return 42; }
    std::unique_ptr<TemporaryFile> CreateTemporary(const std::string& path, const std::string&,
                                                   std::string& reason) override;
    std::unique_ptr<LockFile> OpenLockFile(const std::string& path, std::string& reason) override;
    void SettleRename(const std::string&) override { steps.push_back("settle"); }
    std::string ErrorText(int error) override { return "error " + std::to_string(error); }
};

class ScriptedTemporary : public TemporaryFile {
  public:
    explicit ScriptedTemporary(ScriptedFiles& files) : files_(files) {}
    bool Write(std::string_view, std::string& reason) override { return files_.Step("write", reason); }
    bool Flush(std::string& reason) override { return files_.Step("flush", reason); }
    bool RenameOver(const std::string& target, std::string& reason) override {
        return files_.Step("rename over " + target, reason);
    }
    void Discard() override { files_.steps.push_back("discard"); }

  private:
    ScriptedFiles& files_;
};

class ScriptedLock : public LockFile {
  public:
    explicit ScriptedLock(ScriptedFiles& files) : files_(files), closed_(files.lockClosed) {}
    ~ScriptedLock() override { closed_->set_value(); }
    bool IsPlainFile() override { return files_.plainLockFile; }
    Attempt TryTake(LockMode, std::string& reason) override {
        reason = "refused";
        return files_.attempt;
    }
    int Take(LockMode) override { return files_.take(); }

  private:
    ScriptedFiles& files_;
    std::shared_ptr<std::promise<void>> closed_;
};

std::unique_ptr<TemporaryFile> ScriptedFiles::CreateTemporary(const std::string& path, const std::string&,
                                                              std::string& reason) {
    return Step("create " + path, reason) ? std::make_unique<ScriptedTemporary>(*this) : nullptr;
}

std::unique_ptr<LockFile> ScriptedFiles::OpenLockFile(const std::string& path, std::string& reason) {
    return Step("open " + path, reason) ? std::make_unique<ScriptedLock>(*this) : nullptr;
}

TEST(SafeFiles, AStepThatFailsEndsTheSaveAndATemporaryFileThatWasMadeIsRemoved) {
    const std::string kCreate = "create C:\\g\\a.ini.vantorel-42.tmp";
    const std::string kRename = "rename over C:\\g\\a.ini";
    using Found = ScriptedFiles::Found;
    const struct {
        std::string failing;
        Found found;
        std::vector<std::string> steps;
        std::string reason;
    } cases[] = {
        {"", Found::kPlainFile, {"follow", "examine", "may write", kCreate, "write", "flush", kRename, "settle"}, ""},
        {"", Found::kMissing, {"follow", "examine", kCreate, "write", "flush", kRename, "settle"}, ""},
        {"", Found::kOther, {"follow", "examine"}, "It is not a plain file."},
        {"follow", Found::kPlainFile, {"follow"}, "follow failed"},
        {"may write", Found::kPlainFile, {"follow", "examine", "may write"}, "may write failed"},
        {kCreate, Found::kMissing, {"follow", "examine", kCreate}, kCreate + " failed"},
        {"write", Found::kMissing, {"follow", "examine", kCreate, "write", "discard"}, "write failed"},
        {"flush", Found::kMissing, {"follow", "examine", kCreate, "write", "flush", "discard"}, "flush failed"},
        {kRename,
         Found::kMissing,
         {"follow", "examine", kCreate, "write", "flush", kRename, "discard"},
         kRename + " failed"},
    };
    for (const auto& c : cases) {
        ScriptedFiles files;
        files.failing = c.failing;
        files.found = c.found;
        const WriteResult result = files.ReplaceContents("C:\\g\\a.ini", "new");
        EXPECT_EQ(result.ok, c.reason.empty()) << c.failing;
        EXPECT_EQ(result.reason, c.reason) << c.failing;
        EXPECT_EQ(files.steps, c.steps) << c.failing;
    }
}

TEST(SafeFiles, ALockIsTakenAtOnceOrWaitedForAndOneNeverTakenIsLetGoByTheHelper) {
    using Attempt = LockFile::Attempt;
    // A wait that ends with the helper's answer never takes this long; one that times out
    // takes the short one.
    constexpr std::chrono::seconds kLongWait{30};
    constexpr std::chrono::milliseconds kShortWait{20};
    const struct {
        const char* label;
        bool plain;
        Attempt attempt;
        int waited;  // what the wait for it answers
        bool taken;
        std::string reason;
    } cases[] = {
        {"free", true, Attempt::kTaken, 0, true, ""},
        {"freed while waiting", true, Attempt::kBusy, 0, true, ""},
        {"failed while waiting", true, Attempt::kBusy, 33, false, "error 33"},
        {"refused", true, Attempt::kFailed, 0, false, "refused"},
        {"a folder", false, Attempt::kTaken, 0, false, "C:\\g\\a.ini.vantorel-lock: It is not a plain file."},
    };
    for (const auto& c : cases) {
        ScriptedFiles files;
        files.plainLockFile = c.plain;
        files.attempt = c.attempt;
        files.take = [&c] { return c.waited; };
        LockResult result = files.Lock("C:\\g\\a.ini", LockMode::kExclusive, kLongWait);
        EXPECT_EQ(result.lock != nullptr, c.taken) << c.label;
        EXPECT_FALSE(result.busy) << c.label;
        EXPECT_EQ(result.reason, c.reason) << c.label;
    }

    // A holder that never lets go within the wait: busy, and the helper closes the file
    // once its own wait ends.
    ScriptedFiles files;
    files.attempt = Attempt::kBusy;
    std::promise<void> holderDone;
    std::shared_future<void> holder = holderDone.get_future().share();
    files.take = [holder] {
        holder.wait();
        return 0;
    };
    std::future<void> closed = files.lockClosed->get_future();
    const LockResult result = files.Lock("C:\\g\\a.ini", LockMode::kShared, kShortWait);
    EXPECT_TRUE(result.busy);
    EXPECT_EQ(result.lock, nullptr);
    // Still the helper's while it waits: closed neither now nor twice later.
    EXPECT_NE(closed.wait_for(std::chrono::seconds(0)), std::future_status::ready);
    holderDone.set_value();
    closed.wait();
}

}  // namespace
}  // namespace vantorel::platform
