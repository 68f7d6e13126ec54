// The restart as administrator: the take-over switch on the successor's
// command line, and the quoting that must survive the system's split.
#include "app/handover.h"

#include <gtest/gtest.h>

namespace zelvane {
namespace {

TEST(Handover, TheTakeOverSwitchIsSplitOffTheSettingsPath) {
    struct Case {
        std::vector<std::string> args;
        std::optional<std::uint32_t> predecessor;
        std::vector<std::string> rest;
    };
    const Case cases[] = {
        {{}, std::nullopt, {}},
        {{"C:\\z\\.zlvrc"}, std::nullopt, {"C:\\z\\.zlvrc"}},
        {{"--take-over", "4242"}, 4242u, {}},
        {{"--take-over", "4242", "C:\\z\\.zlvrc"}, 4242u, {"C:\\z\\.zlvrc"}},
        {{"--take-over", "-1", "x"}, std::nullopt, {"x"}},           // damaged: dropped, waits for nothing
        {{"--take-over", "99999999999"}, std::nullopt, {}},
        {{"x", "--take-over", "5"}, std::nullopt, {"x", "--take-over", "5"}},  // only in front
    };
    for (const Case& c : cases) {
        const Handover h = splitHandover(c.args);
        EXPECT_EQ(h.predecessor, c.predecessor);
        EXPECT_EQ(h.args, c.rest);
    }
    EXPECT_EQ(splitHandover(successorArguments(77, {"a b"})).args, std::vector<std::string>{"a b"});
    EXPECT_EQ(splitHandover(successorArguments(77, {"a b"})).predecessor, 77u);
}

// The rules of CommandLineToArgvW: blanks and quotes need quoting, and
// backslashes double only where a quote follows them.
TEST(Handover, ArgumentsAreQuotedForTheSystemsSplit) {
    EXPECT_EQ(quoteArguments({"--take-over", "12"}), "--take-over 12");
    EXPECT_EQ(quoteArguments({"C:\\My Files\\.zlvrc"}), "\"C:\\My Files\\.zlvrc\"");
    EXPECT_EQ(quoteArguments({"C:\\dir with blank\\"}), "\"C:\\dir with blank\\\\\"");
    EXPECT_EQ(quoteArguments({"say \"hi\""}), "\"say \\\"hi\\\"\"");
    EXPECT_EQ(quoteArguments({"a\\\\\"b"}), "\"a\\\\\\\\\\\"b\"");
    EXPECT_EQ(quoteArguments({""}), "\"\"");
    EXPECT_EQ(quoteArguments({"C:\\plain\\path"}), "C:\\plain\\path");
}

}  // namespace
}  // namespace zelvane
