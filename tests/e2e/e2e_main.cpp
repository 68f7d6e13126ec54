// Entry of the end-to-end tests. Zelvane.exe is named by --zelvane=PATH or
// by the environment variable ZELVANE_EXE (a Windows path or a Unix path).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "zelvane_process.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    std::string exe;
    if (const char* env = std::getenv("ZELVANE_EXE")) exe = env;
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--zelvane=", 10) == 0) exe = argv[i] + 10;
    e2e::ZelvaneProcess::setExecutable(std::wstring(exe.begin(), exe.end()));
    return RUN_ALL_TESTS();
}
