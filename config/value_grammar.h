#pragma once
// Reading and writing the values of the settings file.
//
// A reader gets the value part of a line (the text between the first and the
// second "=") and picks out what it needs, disregarding the rest; a writer
// produces the one canonical text for a value, which reads back to the same
// setting. The readers are small scanners rather than regular expressions:
// they are linear in the length of the text and use no recursion, so a
// megabyte-long line costs nothing special.
//
// "Blank" below means the ASCII whitespace characters space, tab, line feed,
// vertical tab, form feed and carriage return. A carriage return is line-end
// residue and never part of a value: words and wallpaper paths stop at it by
// their rules, and class names stop at it too.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/grid.h"

namespace zelvane::grammar {

bool isBlank(char c);

// True for a text that is empty, only blanks, or whose first non-blank
// character is "#": comment lines, and key or value parts that say nothing.
bool isCommentOrBlank(std::string_view text);

// The first run of ASCII letters and digits; empty when there is none.
std::string_view firstAlnumRun(std::string_view text);

// Integer: the first optional "-" followed by decimal digits, anywhere in the
// text ("x-3y" gives -3). Nothing when there are no digits or the number does
// not fit in 32 bits (leading zeros do not count against the range).
std::optional<std::int32_t> readInteger(std::string_view value);
std::string writeInteger(std::int32_t v);

// Switch: true when the text contains "t" or "T" followed by "rue" or "RUE"
// ("untrue" counts; "1", "yes" and "on" do not).
bool readSwitch(std::string_view value);
std::string writeSwitch(bool v);

// Word: the first run of non-blank characters, case kept. Nothing when the
// text is all blanks.
std::optional<std::string> readWord(std::string_view value);

// Modifier set: the "+"-separated pieces each name ctrl, alt, shift or win
// (tested in that order, first match anywhere in the piece wins, "Ctrl" and
// "CTRL" but not "CtRl"). A piece naming none, an empty piece included, makes
// the whole value 0, which means "ignore this value".
std::int32_t readModifiers(std::string_view value);
// The set bits in the fixed order ctrl, alt, shift, win, joined with "+";
// the empty text for 0.
std::string writeModifiers(std::int32_t mask);

// Class list: the first run of letters, digits, blanks and _:#$()*,-|.\% is
// split at ","; each non-empty item is cut down to its first run of letters,
// digits, blanks, _:-.\ and escaped bytes ("%" and two hex digits, either
// case), which becomes a name with the escapes decoded (blanks inside are
// kept: "a, b" gives "a" and " b"; "%2332770" gives "#32770"). Items with no
// such run give no name.
std::vector<std::string> readClassList(std::string_view value);
// The names joined with ",". Window classes may be named with any
// characters ("#32770", a name in Japanese), so every byte outside letters,
// digits, the space and _:-.\ is written as "%" and two upper-case hex
// digits: the line reads back to the same names and never starts its value
// with "#". A list whose join would be all blanks (a single blank-only name)
// gets a trailing ",", since a blank value is never read.
std::string writeClassList(const std::vector<std::string>& names);

using WallpaperTable = WorkspaceTable<std::string>;

struct WallpaperItem {
    int row = 0;  // 0-based
    int col = 0;  // 0-based
    std::string path;  // empty: the workspace has no image
};

struct WallpaperList {
    std::vector<WallpaperItem> items;  // in value order, the ones before any malformed item
    bool malformed = false;            // an item had no "row-column" position
};

// Wallpaper list: "," separated items "row-column|path" with 1-based row and
// column. The position is the first "digits-digits" anywhere in the item; an
// item without one makes the list malformed and ends the reading there. Items
// outside the 5 x 5 grid are skipped, and so are items without any "|" (no
// path to take, so the workspace keeps its image). The path is the text
// between the first and a second "|", up to a line break; empty clears.
WallpaperList readWallpaperList(std::string_view value);
// Every workspace with an image, rows first, as "row-column|path" joined
// with ","; the empty text when there is none.
std::string writeWallpaperList(const WallpaperTable& table);

}  // namespace zelvane::grammar
