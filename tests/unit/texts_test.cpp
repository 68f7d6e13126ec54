#include "app/texts.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "app/define.h"

namespace zelvane {
namespace {

// Strict UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF.
bool isUtf8(const std::string& s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto b = static_cast<unsigned char>(s[i]);
        int extra = 0;
        std::uint32_t cp = 0;
        if (b < 0x80) {
            ++i;
            continue;
        } else if ((b & 0xE0) == 0xC0) {
            extra = 1;
            cp = b & 0x1F;
        } else if ((b & 0xF0) == 0xE0) {
            extra = 2;
            cp = b & 0x0F;
        } else if ((b & 0xF8) == 0xF0) {
            extra = 3;
            cp = b & 0x07;
        } else {
            return false;
        }
        if (i + extra >= s.size()) return false;
        for (int k = 1; k <= extra; ++k) {
            const auto c = static_cast<unsigned char>(s[i + k]);
            if ((c & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (c & 0x3F);
        }
        static const std::uint32_t kMin[] = {0, 0x80, 0x800, 0x10000};
        if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += extra + 1;
    }
    return true;
}

std::vector<std::string> allTexts(const UiTexts& t) {
    std::vector<std::string> v(t.menu.begin(), t.menu.end());
    v.push_back(t.exitQuestion);
    v.insert(v.end(), t.dragInstructions.begin(), t.dragInstructions.end());
    v.push_back(t.help);
    v.insert(v.end(), {t.restartElevated, t.refusedTitle, t.refusedText});
    return v;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

TEST(Texts, JapaneseOnlyForTheExactWord) {
    const UiTexts& english = uiTexts("english");
    const UiTexts& japanese = uiTexts("japanese");
    EXPECT_NE(&english, &japanese);
    for (const char* other : {"Japanese", "JAPANESE", "japanese ", " japanese", "", "english", "ja"})
        EXPECT_EQ(&uiTexts(other), &english) << '"' << other << '"';
}

TEST(Texts, EveryTextIsNonEmptyWellFormedUtf8) {
    for (const char* language : {"english", "japanese"}) {
        for (const std::string& text : allTexts(uiTexts(language))) {
            EXPECT_FALSE(text.empty()) << language;
            EXPECT_TRUE(isUtf8(text)) << language << ": " << text;
        }
    }
}

// Spelled as bytes, so a compiler that read the source in another encoding
// (and so mangled every Japanese literal) is caught here.
TEST(Texts, JapaneseLiteralsSurviveCompilationAsUtf8) {
    const UiTexts& ja = uiTexts("japanese");
    EXPECT_EQ(ja.menu[38], "\xE7\xB5\x82\xE4\xBA\x86");                        // 終了
    EXPECT_EQ(ja.menu[36], "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E");            // 日本語
    EXPECT_EQ(ja.menu[18], "\xE3\x82\xAB\xE3\x83\xBC\xE3\x82\xBD\xE3\x83\xAB"  // カーソル
                           "\xE3\x82\xAD\xE3\x83\xBC [\xE2\x86\x90\xE2\x86\x93\xE2\x86\x91\xE2\x86\x92]");  // キー [←↓↑→]
    EXPECT_EQ(ja.exitQuestion,
              "Zelvane\xE3\x82\x92\xE7\xB5\x82\xE4\xBA\x86\xE3\x81\x97\xE3\x81\xA6\xE3\x82\x88\xE3\x82\x8D"
              "\xE3\x81\x97\xE3\x81\x84\xE3\x81\xA7\xE3\x81\x99\xE3\x81\x8B\xEF\xBC\x9F");  // を終了してよろしいですか？
}

// The texts that read alike in both languages, and the one deliberate oddity.
TEST(Texts, LanguageItemsAndSharedLabels) {
    const UiTexts& en = uiTexts("english");
    const UiTexts& ja = uiTexts("japanese");
    EXPECT_EQ(en.menu[35], "English");
    EXPECT_EQ(ja.menu[35], "EngLish");
    EXPECT_EQ(en.menu[36], ja.menu[36]);
    for (std::size_t i : {8u, 9u, 10u, 11u, 13u, 14u, 15u, 16u, 19u, 20u}) EXPECT_EQ(en.menu[i], ja.menu[i]) << i;
    EXPECT_EQ(en.menu[8], "ALT");
    EXPECT_EQ(en.menu[16], "WIN");
    EXPECT_EQ(en.menu[0], "Fullscreen Preview");
    EXPECT_EQ(en.menu[38], "Exit");
    EXPECT_EQ(ja.menu[0], "全画面プレビュー");
}

TEST(Texts, HelpHasSixLinesNamingTheProgramAndItsVersion) {
    for (const char* language : {"english", "japanese"}) {
        const std::vector<std::string> help = lines(uiTexts(language).help);
        ASSERT_EQ(help.size(), 6u) << language;
        EXPECT_EQ(help[0], std::string(kProgramName) + " ver." + kVersion);
        EXPECT_TRUE(help[1].empty());
        EXPECT_NE(uiTexts(language).help.back(), '\n');
    }
    // The gaps around "or" are ideographic spaces in Japanese, plain in English.
    EXPECT_NE(lines(uiTexts("japanese").help)[4].find("Space\xE3\x80\x80or\xE3\x80\x80"), std::string::npos);
    EXPECT_NE(lines(uiTexts("english").help)[4].find("Space  or  Double-Click"), std::string::npos);
}

// The balloon names the windows that stay on every workspace: three by
// name, then how many more, in the language's own quotes.
TEST(Texts, RefusedWindowsAreNamedInTheBalloon) {
    struct Case {
        const char* language;
        std::vector<std::string> windows;
        const char* named;
    };
    const Case cases[] = {
        {"english", {"Task Manager"}, "these stay on every workspace: \"Task Manager\". Choose"},
        {"english", {"a", "b", "c", "d", "e"}, ": \"a\", \"b\", \"c\" and 2 more. Choose"},
        {"japanese", {"regedit", "cmd"}, ": 「regedit」、「cmd」。"},
        {"japanese", {"a", "b", "c", "d"}, "「a」、「b」、「c」ほか1個"},
    };
    for (const Case& c : cases) {
        const std::string text = refusedMessage(uiTexts(c.language), c.windows);
        EXPECT_NE(text.find(c.named), std::string::npos) << c.language << ": " << text;
        EXPECT_EQ(text.find("{windows}"), std::string::npos) << text;
        EXPECT_TRUE(isUtf8(text)) << text;
    }
    EXPECT_NE(uiTexts("english").refusedText.find("\"" + uiTexts("english").restartElevated + "\""), std::string::npos);
    EXPECT_NE(uiTexts("japanese").refusedText.find("「" + uiTexts("japanese").restartElevated + "」"),
              std::string::npos);
}

}  // namespace
}  // namespace zelvane
