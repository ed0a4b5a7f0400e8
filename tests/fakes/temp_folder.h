#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace vantorel::testing {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
  public:
    TempFolder() {
        std::random_device random;
        path_ = std::filesystem::temp_directory_path() / ("vantorel-test-" + std::to_string(random()));
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }

    // The folder as the program names folders: UTF-8, with the system's separators.
    std::string Text() const { return Utf8(path_); }

    static std::string Utf8(const std::filesystem::path& path) {
        const std::u8string text = path.u8string();
        return std::string(text.begin(), text.end());
    }

    // A path from UTF-8 text, whatever the system's 8-bit code page.
    static std::filesystem::path FromUtf8(const std::string& text) {
        return std::filesystem::path(std::u8string(text.begin(), text.end()));
    }

    // Writes a file below the folder; `relative` is UTF-8 with "/" between folders.
    void Write(const std::string& relative, const std::string& bytes) const {
        const std::filesystem::path path = path_ / FromUtf8(relative);
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
    }

    std::string Read(const std::string& relative) const {
        std::ifstream file(path_ / FromUtf8(relative), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }

  private:
    std::filesystem::path path_;
};

}  // namespace vantorel::testing
