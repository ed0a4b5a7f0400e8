#pragma once
// What the launcher remembers of the user's last choices from one start to the next: the
// game's folder when the user had to show it, and the last profile, mod and favourite. It
// is kept in the user's own settings folder, never in the game's folder, which belongs to
// every user of the computer and may not be writable.

#include <optional>
#include <string>

namespace vantorel::userChoices {

struct Choices {
    std::string gameFolder;
    std::string profile;
    std::string mod;
    std::string favorite;
    std::string serversWindow;  // where the Servers window was left: PlaceText
    bool operator==(const Choices&) const = default;
};

// A window's place and size on the screen, in pixels.
struct WindowPlace {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const WindowPlace&) const = default;
};

// "LEFT,TOP,WIDTH,HEIGHT"; a text that is not four whole numbers, or a size that is not
// positive, is no place.
std::string PlaceText(const WindowPlace& place);
std::optional<WindowPlace> ParsePlace(const std::string& text);

// Keeps the Servers window's place with the other choices as they are in the file.
std::string SaveServersWindow(const WindowPlace& place);

// The file: "Vantorel.ini" in the user's settings folder; empty when there is none.
std::string ChoicesPath();

// What was remembered; all empty when nothing was (no file, or a file that cannot be read).
Choices Load();

// Writes the choices in one atomic save; answers why they could not be, or the empty text.
std::string Save(const Choices& choices);

}  // namespace vantorel::userChoices
