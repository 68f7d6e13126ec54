#pragma once
// Every text the user sees, in English and Japanese (UTF-8).
#include <array>
#include <string>

namespace zelvane {

struct UiTexts {
    std::array<std::string, 40> menu;              // the menu's labels, in menu order
    std::string exitQuestion;
    std::array<std::string, 3> dragInstructions;   // painted at (34, 0), (5, 24), (5, 44)
    std::string help;                              // lines separated by "\n"
};

// Japanese exactly when language is "japanese"; English for anything else.
const UiTexts& uiTexts(const std::string& language);

}  // namespace zelvane
