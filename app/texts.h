#pragma once
// Every text the user sees, in English and Japanese (UTF-8).
#include <array>
#include <string>
#include <vector>

namespace zelvane {

struct UiTexts {
    std::array<std::string, 39> menu;              // the menu's labels, in their fixed index order
    std::string exitQuestion;
    std::array<std::string, 3> dragInstructions;   // painted at (34, 0), (5, 24), (5, 44)
    std::string help;                              // lines separated by "\n"
    std::string restartElevated;                   // the menu item offered when we are not elevated
    // The balloon that names the windows we may not place: its title, and
    // its text with "{windows}" where their names go.
    std::string refusedTitle;
    std::string refusedText;
};

// Japanese exactly when language is "japanese"; English for anything else.
const UiTexts& uiTexts(const std::string& language);

// The balloon's text naming the windows (their titles; an untitled one by
// its class) that stay on every workspace: at most three by name, then how
// many more.
std::string refusedMessage(const UiTexts& texts, const std::vector<std::string>& windows);

}  // namespace zelvane
