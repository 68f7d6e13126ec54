#include "app/run_entry.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace zelvane {
namespace {

const std::string kHere = "C:\\Tools\\Zelvane テスト 版\\Zelvane.exe";

TEST(RunEntry, TheValueIsTheQuotedPathAndReadsBack) {
    EXPECT_EQ(runValueFor(kHere), "\"" + kHere + "\"");
    EXPECT_EQ(programOfRunValue(runValueFor(kHere)), kHere);
    // Written by hand: arguments after the quotes, blanks around, or no
    // quotes at all.
    EXPECT_EQ(programOfRunValue("\"C:\\A B\\Zelvane.exe\" C:\\settings.txt"), "C:\\A B\\Zelvane.exe");
    EXPECT_EQ(programOfRunValue("  \"C:\\A B\\Zelvane.exe\"  "), "C:\\A B\\Zelvane.exe");
    EXPECT_EQ(programOfRunValue("C:\\Tools\\Zelvane.exe "), "C:\\Tools\\Zelvane.exe");
    EXPECT_EQ(programOfRunValue("\"C:\\unclosed\\Zelvane.exe"), "C:\\unclosed\\Zelvane.exe");
    EXPECT_EQ(programOfRunValue(""), "");
}

TEST(RunEntry, WhatTheValueSaysAboutTheRunningCopy) {
    const std::set<std::string> existing{kHere, "D:\\Other copy\\Zelvane.exe"};
    const auto exists = [&](const std::string& p) { return existing.count(p) > 0; };
    struct Case {
        std::optional<std::string> value;
        RunEntry expected;
    };
    const Case cases[] = {
        {std::nullopt, RunEntry::Absent},
        {runValueFor(kHere), RunEntry::ThisProgram},
        // Windows paths ignore case; the Japanese part has none.
        {"\"c:\\TOOLS\\zelvane テスト 版\\ZELVANE.EXE\"", RunEntry::ThisProgram},
        {kHere, RunEntry::ThisProgram},
        // The folder was moved: the old path is gone.
        {"\"E:\\Old place\\Zelvane.exe\"", RunEntry::MovedAway},
        {"", RunEntry::MovedAway},
        // Another copy that is still there keeps its entry.
        {"\"D:\\Other copy\\Zelvane.exe\"", RunEntry::OtherProgram},
        // Not the same path, though it differs only past ASCII case.
        {"\"C:\\Tools\\Zelvane テスト\\Zelvane.exe\"", RunEntry::MovedAway},
    };
    for (const Case& c : cases)
        EXPECT_EQ(classifyRunEntry(c.value, kHere, exists), c.expected) << (c.value ? *c.value : "(none)");
}

}  // namespace
}  // namespace zelvane
