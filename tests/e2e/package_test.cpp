// The release zip as a user unpacks it: the files of the package, copied
// into a folder whose name has spaces and Japanese characters, start (with
// the guard from the same folder), switch and end cleanly, leaving nothing
// running, and the package's 64-bit companion runs from there.
// scripts/check-package.sh names the unpacked package in
// ZELVANE_PACKAGE_DIR; without it the test is skipped.
#include "child_process.h"
#include "fixture.h"
#include "processes.h"

namespace e2e {
namespace {

std::wstring environmentValue(const wchar_t* name) {
    wchar_t buffer[1024];
    const DWORD n = GetEnvironmentVariableW(name, buffer, 1024);
    return n > 0 && n < 1024 ? std::wstring(buffer, n) : std::wstring();
}

class PackageTest : public ZelvaneTest {
protected:
    void SetUp() override {
        packageDir_ = environmentValue(L"ZELVANE_PACKAGE_DIR");
        if (packageDir_.empty()) GTEST_SKIP() << "no unpacked package named (ZELVANE_PACKAGE_DIR)";
        savedExe_ = ZelvaneProcess::executable();
    }
    void TearDown() override {
        if (packageDir_.empty()) return;
        ZelvaneTest::TearDown();
        ZelvaneProcess::setExecutable(savedExe_);
    }

    std::wstring packageDir_;
    std::wstring savedExe_;
};

TEST_F(PackageTest, UnpackedIntoAFolderWithSpacesAndJapaneseItStartsSwitchesAndExitsCleanly) {
    // "C:\zlvtest\Zelvane テスト 版 <pid>"
    CreateDirectoryW(L"C:\\zlvtest", nullptr);
    const std::wstring folder = L"C:\\zlvtest\\Zelvane \u30C6\u30B9\u30C8 \u7248 " + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    for (const wchar_t* file : {L"Zelvane.exe", L"Quillet.dll", L"Quillet64.dll", L"Quillet64Host.exe",
                                L"ZelvaneGuard.exe", L"mag.bmp", L"README.txt", L"LICENSE.txt"})
        ASSERT_TRUE(CopyFileW((packageDir_ + L"\\" + file).c_str(), (folder + L"\\" + file).c_str(), FALSE))
            << "cannot copy " << narrow(file) << " from " << narrow(packageDir_) << ", error " << GetLastError();
    ZelvaneProcess::setExecutable(folder + L"\\Zelvane.exe");

    openOn({0, 0}, "a", 0);
    openOn({0, 1}, "b", 1);
    openOn({1, 0}, "c", 0);
    ZelvaneProcess* z = startZelvane();
    ASSERT_NE(nullptr, z);
    // The hook library was found beside the program: no warning box.
    EXPECT_TRUE(messageBoxesOf(z->pid()).empty()) << zelvaneStatus();
    // So was the guard.
    const auto guards = childProcesses(z->pid(), kGuardExe);
    ASSERT_EQ(1u, guards.size()) << "no guard started from the package's folder";
    const WatchedProcess guard(guards.front());

    Workspace ws = press({}, VK_RIGHT);
    ASSERT_SETTLED(ws);
    ws = press(ws, '3');
    ASSERT_SETTLED(ws);

    ASSERT_TRUE(PostMessageW(z->mainWindow(), WM_CLOSE, 0, 0));
    const std::string misplaced = layout.waitAllReleased();
    EXPECT_TRUE(misplaced.empty()) << misplaced;
    DWORD exitCode = 1;
    ASSERT_TRUE(z->waitExit(30s, &exitCode));
    EXPECT_EQ(0u, exitCode);
    EXPECT_TRUE(guard.waitExit(kSettle, &exitCode)) << "the guard outlived a clean exit";
    EXPECT_EQ(0u, exitCode);
    EXPECT_FALSE(fileExists(z->resumeFile())) << "window list left behind by a clean exit";

    // The companion of the package (as on 64-bit Windows; here by the
    // test-only switch): the host starts from the folder with its library,
    // says nothing, and ends with Zelvane.
    useHooks(*z, Hooks::Companion);
    ASSERT_TRUE(z->start() && z->waitReady()) << narrow(z->lastError());
    DWORD hostPid = 0;
    ASSERT_TRUE(pollUntil([&] {
        const auto hosts = processesNamed(L"Quillet64Host.exe");
        hostPid = hosts.size() == 1 ? hosts.front() : 0;
        return hostPid != 0 && processHasModule(hostPid, L"Quillet64.dll");
    })) << "the package's companion host did not run with its library";
    EXPECT_TRUE(messageBoxesOf(hostPid).empty());
    EXPECT_TRUE(messageBoxesOf(z->pid()).empty()) << zelvaneStatus();
    ASSERT_TRUE(z->close());
    EXPECT_TRUE(pollUntil([] { return processesNamed(L"Quillet64Host.exe").empty(); })) << "the host outlived Zelvane";
}

}  // namespace
}  // namespace e2e
