#include "app/startup_paths.h"

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>

namespace zelvane {
namespace {

TEST(StartupPaths, HomeFolderCandidatesInOrder) {
    std::set<std::string> present{"C:\\Users\\k\\_zlvrc", "C:\\Users\\k\\_zlv"};
    auto exists = [&](const std::string& p) { return present.count(p) != 0; };
    auto paths = chooseStartupPaths({}, "C:\\Users\\k", exists);
    EXPECT_EQ(paths.configPath, "C:\\Users\\k\\_zlvrc");
    EXPECT_EQ(paths.dataDir, "C:\\Users\\k\\_zlv");
    present.insert("C:\\Users\\k\\.zlvrc");
    EXPECT_EQ(chooseStartupPaths({}, "C:\\Users\\k", exists).configPath, "C:\\Users\\k\\.zlvrc");
    present.clear();
    paths = chooseStartupPaths({}, "C:\\Users\\k", exists);
    EXPECT_EQ(paths.configPath, "C:\\Users\\k\\.zlvrc");
    EXPECT_EQ(paths.dataDir, "C:\\Users\\k\\.zlv");
}

TEST(StartupPaths, NamedFileMustExistAndHoldsTheDataDirectory) {
    std::set<std::string> present{"D:\\cfg\\my.rc", "plain.rc"};
    auto exists = [&](const std::string& p) { return present.count(p) != 0; };
    auto paths = chooseStartupPaths({"D:\\cfg\\my.rc", "ignored"}, "C:\\home", exists);
    EXPECT_EQ(paths.configPath, "D:\\cfg\\my.rc");
    EXPECT_EQ(paths.dataDir, "D:\\cfg\\.zlv");
    EXPECT_EQ(chooseStartupPaths({"plain.rc"}, "", exists).dataDir, ".\\.zlv");
    try {
        chooseStartupPaths({"D:\\missing.rc"}, "", exists);
        FAIL() << "a missing file must stop start-up";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "D:\\missing.rc is not found.");
    }
}

}  // namespace
}  // namespace zelvane
