#pragma once
// Fakes of the desktop's services: the user's settings folder and the folder picker.

#include <deque>
#include <string>
#include <vector>

#include "platform/folder_picker.h"
#include "platform/platform.h"
#include "platform/settings_folder.h"

namespace vantorel::testing {

class FakeSettingsFolder : public platform::SettingsFolder {
  public:
    platform::SettingsFolderResult Locate() override { return {path, {}}; }
    platform::SettingsFolderResult Make() override {
        ++made;
        return failure.empty() ? platform::SettingsFolderResult{path, {}} : platform::SettingsFolderResult{{}, failure};
    }
    std::string path = "C:\\Users\\Player\\AppData\\Local\\Vantorel";
    std::string failure;  // when set, the folder cannot be made
    int made = 0;
};

// Answers each question with the next scripted folder; cancels when none is left.
class FakeFolderPicker : public platform::FolderPicker {
  public:
    std::string PickFolder(const std::string& prompt, platform::WindowHandle owner) override {
        prompts.push_back(prompt);
        owners.push_back(owner);
        if (answers.empty()) {
            return {};
        }
        std::string answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::deque<std::string> answers;
    std::vector<std::string> prompts;
    std::vector<platform::WindowHandle> owners;
};

// Puts both in force for the life of a test.
class FakeDesktop {
  public:
    FakeDesktop() {
        platform::Current().settings = &settings;
        platform::Current().folderPicker = &picker;
    }
    FakeSettingsFolder settings;
    FakeFolderPicker picker;

  private:
    platform::ScopedPlatform restore_;
};

}  // namespace vantorel::testing
