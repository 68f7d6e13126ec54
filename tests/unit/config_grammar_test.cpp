// The value grammar of the settings file: what each reader picks out of a
// value part, and that each writer's text reads back to the same value.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "config/config_lines.h"
#include "config/value_grammar.h"

namespace zelvane::grammar {
namespace {

using Names = std::vector<std::string>;

TEST(ValueGrammar, IntegerTakesTheFirstSignedRunAndRejectsWhatDoesNotFit32Bits) {
    struct Case {
        const char* value;
        std::optional<std::int32_t> expected;
    };
    const Case cases[] = {
        {" 12 # twelve", 12},
        {"x-3y", -3},
        {"--3", -3},            // the first "-" has no digit after it
        {"-x3", 3},
        {"7-2", 7},
        {"000000000000000000042", 42},  // leading zeros do not count against the range
        {"-0", 0},
        {"2147483647", 2147483647},
        {"-2147483648", INT32_MIN},
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"99999999999999999999999999999", std::nullopt},
        {"abc", std::nullopt},
        {"-", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(readInteger(c.value), c.expected) << '"' << c.value << '"';

    for (std::int32_t v : {0, 2, -1, 1000, INT32_MIN, INT32_MAX}) EXPECT_EQ(readInteger(writeInteger(v)), v);
    EXPECT_EQ(writeInteger(-1), "-1");
}

TEST(ValueGrammar, SwitchIsTrueOnlyForTrueInOneOfItsSpellings) {
    for (const char* yes : {"true", " TRUE", "True", "tRUE", "untrue", "xtruex # on"})
        EXPECT_TRUE(readSwitch(yes)) << yes;
    for (const char* no : {"false", "1", "yes", "on", "TRue", "trUE", "tru", "t rue"})
        EXPECT_FALSE(readSwitch(no)) << no;
    EXPECT_TRUE(readSwitch(writeSwitch(true)));
    EXPECT_FALSE(readSwitch(writeSwitch(false)));
}

TEST(ValueGrammar, WordIsTheFirstRunOfNonBlanks) {
    EXPECT_EQ(readWord(" vi # comment"), "vi");
    EXPECT_EQ(readWord("\tVi"), "Vi");
    EXPECT_EQ(readWord("a#b c"), "a#b");
    EXPECT_EQ(readWord(" \xE6\x97\xA5\xE6\x9C\xAC x"), "\xE6\x97\xA5\xE6\x9C\xAC");  // UTF-8 kept as it is
    EXPECT_EQ(readWord("emacs\r"), "emacs");
    EXPECT_EQ(readWord(" \t\r\v\f"), std::nullopt);
}

TEST(ValueGrammar, ModifierPiecesNameOneModifierEachOrTheValueIsIgnored) {
    struct Case {
        const char* value;
        std::int32_t mask;
    };
    const Case cases[] = {
        {"Ctrl+Alt", 3},
        {"shift+ctrl", 6},
        {" ALT + SHIFT ", 5},
        {"win", 8},
        {"alt+alt", 1},
        {"xaltx+WINDOWS", 9},   // a match anywhere in the piece counts
        {"altctrl", 2},         // ctrl is tested before alt
        {"control+alt", 0},     // "control" names nothing
        {"CtRl+alt", 0},
        {"alt+", 0},            // an empty piece spoils the value
        {"alt++shift", 0},
        {"+alt", 0},
        {"alt+nothing+shift", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(readModifiers(c.value), c.mask) << '"' << c.value << '"';

    EXPECT_EQ(writeModifiers(5), "alt+shift");
    EXPECT_EQ(writeModifiers(9), "alt+win");
    EXPECT_EQ(writeModifiers(6), "ctrl+shift");
    EXPECT_EQ(writeModifiers(15), "ctrl+alt+shift+win");
    EXPECT_EQ(writeModifiers(0), "");
    for (std::int32_t mask = 1; mask <= 15; ++mask) EXPECT_EQ(readModifiers(writeModifiers(mask)), mask);
}

TEST(ValueGrammar, ClassListKeepsOnlyTheAllowedCharactersOfEachName) {
    EXPECT_EQ(readClassList("Notepad,CabinetWClass"), (Names{"Notepad", "CabinetWClass"}));
    EXPECT_EQ(readClassList("a, b"), (Names{"a", " b"}));  // blanks belong to the name
    EXPECT_EQ(readClassList(" Notepad"), (Names{" Notepad"}));
    EXPECT_EQ(readClassList("a,,b,"), (Names{"a", "b"}));
    EXPECT_EQ(readClassList("Afx:400000:8,WindowsForms10.Window.8.app.0"),
              (Names{"Afx:400000:8", "WindowsForms10.Window.8.app.0"}));
    // "#", "$", "(", ")", "*" and "|" may appear in the list but end a name.
    EXPECT_EQ(readClassList("#32770,x(y)z,$,a|b"), (Names{"32770", "x", "a"}));
    // Any other character ends the whole list; non-ASCII text never forms a name.
    EXPECT_EQ(readClassList("Note@pad,Other"), (Names{"Note"}));
    EXPECT_EQ(readClassList("\xE3\x83\xA1\xE3\x83\xA2,Notepad"), (Names{"Notepad"}));
    // A carriage return is line-end residue, not part of a name.
    EXPECT_EQ(readClassList("a\r,b"), (Names{"a"}));
    EXPECT_EQ(readClassList("###"), Names{});

    EXPECT_EQ(writeClassList({"Notepad", "CabinetWClass"}), "Notepad,CabinetWClass");
    EXPECT_EQ(writeClassList({}), "");
    for (const Names& names : {Names{"a", " b ", "c:d"}, Names{" "}, Names{"\t", "x"}})
        EXPECT_EQ(readClassList(writeClassList(names)), names);
}

// Window classes can be named with anything; the class-registration drag
// adds whatever it finds, the dialog class "#32770" first of all.
TEST(ValueGrammar, ClassListWritesAnyNameInAFormThatReadsBackToIt) {
    EXPECT_EQ(writeClassList({"#32770", "Notepad"}), "%2332770,Notepad");
    EXPECT_EQ(writeClassList({"a,b", "x=y", "100%", "t\tab", "\xE3\x83\xA1\xE3\x83\xA2"}),
              "a%2Cb,x%3Dy,100%25,t%09ab,%E3%83%A1%E3%83%A2");
    std::string everyByte;
    for (int c = 1; c < 256; ++c) everyByte += static_cast<char>(c);
    for (const Names& names : {Names{"#32770", "Notepad"}, Names{"Notepad", "#32770", "# x"}, Names{"a,b", "x=y"},
                               Names{"100%", "%25", "%", "%%"}, Names{std::string("nul\0in", 6), "\r\n"},
                               Names{everyByte}, Names{" #"}}) {
        const std::string written = writeClassList(names);
        EXPECT_FALSE(isCommentOrBlank(written)) << written;
        EXPECT_EQ(written.find_first_of("=\r\n"), std::string::npos) << written;
        EXPECT_EQ(readClassList(written), names) << written;
    }
    // Escapes read in either case; a "%" without two hex digits is an ordinary
    // character outside the set and ends the name, as it always did.
    EXPECT_EQ(readClassList("%2332770,%e3%83%a1"), (Names{"#32770", "\xE3\x83\xA1"}));
    EXPECT_EQ(readClassList("ab%G1,c%,d%4"), (Names{"ab", "c", "d"}));
}

using Items = std::vector<std::tuple<int, int, std::string>>;

Items itemsOf(const WallpaperList& list) {
    Items items;
    for (const WallpaperItem& item : list.items) items.emplace_back(item.row, item.col, item.path);
    return items;
}

TEST(ValueGrammar, WallpaperItemsNeedAPositionAndStayInsideTheGrid) {
    WallpaperList list = readWallpaperList("1-1|C:\\a.bmp, 6-1|C:\\b.bmp,2-3|,5-5|D:\\x|y,x 01-05 |e.bmp");
    EXPECT_FALSE(list.malformed);
    EXPECT_EQ(itemsOf(list), (Items{{0, 0, "C:\\a.bmp"}, {1, 2, ""}, {4, 4, "D:\\x"},
                                                   {0, 4, "e.bmp"}}));

    // The position is the first "digits-digits" anywhere in the item.
    list = readWallpaperList("a12-x 3-4|p,99999999999999999999-1|q,0-1|r");
    EXPECT_EQ(itemsOf(list), (Items{{2, 3, "p"}}));

    // An item without "|" has no path to take: skipped, the image stays.
    list = readWallpaperList("1-1,2-2|b");
    EXPECT_FALSE(list.malformed);
    EXPECT_EQ(itemsOf(list), (Items{{1, 1, "b"}}));

    // An item without a position ends the reading; earlier items count.
    list = readWallpaperList("1-1|a,C:\\no-position.bmp,2-2|b");
    EXPECT_TRUE(list.malformed);
    EXPECT_EQ(itemsOf(list), (Items{{0, 0, "a"}}));

    // The path runs to a line break; UTF-8 is kept byte for byte.
    const std::string japanese = "C:\\\xE5\xA3\x81\xE7\xB4\x99\\\xE6\xB5\xB7.bmp";
    list = readWallpaperList("1-2|" + japanese + ",2-1|\rab\rc");
    EXPECT_EQ(itemsOf(list), (Items{{0, 1, japanese}, {1, 0, "ab"}}));

    WallpaperTable table{};
    EXPECT_EQ(writeWallpaperList(table), "");
    table[1][0] = "C:\\pic\\b.bmp";
    table[0][1] = "C:\\pic\\a.bmp";
    table[4][4] = japanese;
    const std::string text = writeWallpaperList(table);
    EXPECT_EQ(text, "1-2|C:\\pic\\a.bmp,2-1|C:\\pic\\b.bmp,5-5|" + japanese);
    EXPECT_EQ(itemsOf(readWallpaperList(text)), (Items{{0, 1, "C:\\pic\\a.bmp"},
                                                                      {1, 0, "C:\\pic\\b.bmp"},
                                                                      {4, 4, japanese}}));
}

TEST(SettingLines, LinesSplitAtTheFirstTwoEqualSigns) {
    EXPECT_FALSE(splitSettingLine("  # a=b"));
    EXPECT_FALSE(splitSettingLine(" \t"));
    EXPECT_FALSE(splitSettingLine("loopWS"));
    const auto parts = splitSettingLine(" wallpaper = 1-1|a=x=y");
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts->keyPart, " wallpaper ");
    EXPECT_EQ(parts->valuePart, " 1-1|a");
    EXPECT_EQ(parts->rest, "=x=y");

    EXPECT_TRUE(lineStartsWithKey(" \tloopWS \t= x", "loopWS"));
    EXPECT_FALSE(lineStartsWithKey("loopWSx=1", "loopWS"));
    EXPECT_FALSE(lineStartsWithKey("_loopWS=1", "loopWS"));
    EXPECT_FALSE(lineStartsWithKey("loopWS", "loopWS"));
    EXPECT_EQ(keysWithLines({"loopWS=1", " # wsRowNum=2", "x edgeFlip=1", " language =", "keyBind", "mouseGes=1"}, 5),
              keyBit(ConfigKey::loopWS) | keyBit(ConfigKey::language));
}

}  // namespace
}  // namespace zelvane::grammar
