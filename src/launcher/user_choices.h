#pragma once
// What the launcher remembers of the user's last choices from one start to the next: the
// game's folder when the user had to show it, and the last profile, mod and favourite. It
// is kept in the user's own settings folder, never in the game's folder, which belongs to
// every user of the computer and may not be writable.

#include <string>

namespace vantorel::userChoices {

struct Choices {
    std::string gameFolder;
    std::string profile;
    std::string mod;
    std::string favorite;
    bool operator==(const Choices&) const = default;
};

// The file: "Vantorel.ini" in the user's settings folder; empty when there is none.
std::string ChoicesPath();

// What was remembered; all empty when nothing was (no file, or a file that cannot be read).
Choices Load();

// Writes the choices in one atomic save; answers why they could not be, or the empty text.
std::string Save(const Choices& choices);

}  // namespace vantorel::userChoices
