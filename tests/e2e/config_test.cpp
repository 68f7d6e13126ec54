// Settings files under real conditions: read from the home folder or from
// the file named on the command line, honoured by the hotkeys, and written
// back at exit.
#include <fstream>

#include "fixture.h"
#include "unix_command.h"

namespace e2e {
namespace {

void writeFile(const std::wstring& path, const std::string& content) {
    std::ofstream(path.c_str(), std::ios::binary) << content;
}

std::string readFile(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class ConfigTest : public ZelvaneTest {
protected:
    // Starts Zelvane and waits until its main window answers; the settings
    // decide which hotkeys exist, so those are not awaited here.
    ZelvaneProcess* startWith(const std::wstring& home, const std::vector<std::wstring>& args = {}) {
        zelvanes.push_back(std::make_unique<ZelvaneProcess>(home));
        ZelvaneProcess* z = zelvanes.back().get();
        if (!z->start(args)) {
            ADD_FAILURE() << narrow(z->lastError());
            return nullptr;
        }
        if (!pollUntil([z] { return z->mainWindow() != nullptr || !z->running(); }, 60s) || !z->mainWindow()) {
            ADD_FAILURE() << "no main window";
            return nullptr;
        }
        DWORD_PTR r = 0;
        SendMessageTimeoutW(z->mainWindow(), WM_NULL, 0, 0, SMTO_NORMAL, 30000, &r);
        return z;
    }
    std::wstring home(const std::wstring& tag) { return ZelvaneProcess::freshHome(tag); }
};

TEST_F(ConfigTest, HomeSettingsShapeTheGridTheKeysAndLooping) {
    const std::wstring h = home(L"cfghome");
    writeFile(L"C:" + h + L"\\.zlvrc",
              "wsRowNum=1\nwsColNum=3\nloopWS=true\nmovKey=ctrl+alt\nmovWndKey=ctrl+shift\nkeyBind=vi\n");
    Layout row{Grid::fromSystem(1, 3)};
    WindowOptions options;
    Tracked* a = row.open(host, "a", {0, 0}, slot(0), {}, options);
    row.open(host, "b", {0, 1}, slot(1), {}, options);
    row.open(host, "c", {0, 2}, slot(2), {}, options);
    ASSERT_NE(nullptr, startWith(h));
    ASSERT_TRUE(pollUntil([] { return hotkeyTaken(MOD_CONTROL | MOD_ALT, 'L'); }));
    EXPECT_FALSE(hotkeyTaken(MOD_ALT | MOD_SHIFT, VK_RIGHT));  // the default chord is not ours now
    EXPECT_FALSE(hotkeyTaken(MOD_CONTROL | MOD_ALT, VK_RIGHT));  // vi keys, not arrows

    ASSERT_TRUE(pressChord({kCtrl, kAlt}, 'L'));
    std::string misplaced = row.waitFor({0, 1});
    ASSERT_TRUE(misplaced.empty()) << misplaced;
    ASSERT_TRUE(pressChord({kCtrl, kAlt}, 'L'));
    ASSERT_TRUE(pressChord({kCtrl, kAlt}, 'L'));  // past the last column: loops to the first
    misplaced = row.waitFor({0, 0});
    ASSERT_TRUE(misplaced.empty()) << misplaced;

    // The window-carrying chord from the file: a goes along to (0,2).
    ASSERT_TRUE(activate(a));
    ASSERT_TRUE(pressChord({kCtrl, kShift}, 'H'));
    row.moveHome(a, {0, 2});
    misplaced = row.waitFor({0, 2});
    ASSERT_TRUE(misplaced.empty()) << misplaced;
}

TEST_F(ConfigTest, HotkeysSwitchedOffRegisterNothingYetRequestsStillSwitch) {
    const std::wstring h = home(L"cfgnokeys");
    writeFile(L"C:" + h + L"\\.zlvrc", "useHotkey=false\n");
    openOn({0, 0}, "a", 0);
    openOn({0, 1}, "b", 1);
    ZelvaneProcess* z = startWith(h);
    ASSERT_NE(nullptr, z);
    EXPECT_FALSE(hotkeyTaken(MOD_ALT | MOD_SHIFT, VK_RIGHT));
    EXPECT_FALSE(hotkeyTaken(MOD_ALT | MOD_WIN, '9'));
    EXPECT_FALSE(hotkeyTaken(MOD_ALT | MOD_SHIFT, VK_SPACE));
    ASSERT_TRUE(postSwitch(z->mainWindow(), 0, 1));
    ASSERT_SETTLED((Workspace{0, 1}));
}

TEST_F(ConfigTest, NamedFileIsReadAndRewrittenCanonicallyAtExit) {
    const std::wstring h = home(L"cfgnamed");
    const std::wstring folder = L"C:" + h + L"\\settings";
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring file = folder + L"\\mine.rc";
    writeFile(file, "# my settings\nwsRowNum = 3 # three\n  foo = bar\n\nloopWS\n");
    openOnEveryWorkspace(1);  // 2 x 2 layout; the third row starts empty
    ZelvaneProcess* z = startWith(h, {file});
    ASSERT_NE(nullptr, z);
    ASSERT_TRUE(pollUntil([] { return hotkeyTaken(MOD_ALT | MOD_WIN, '9'); }));
    EXPECT_TRUE(fileExists(folder + L"\\.zlv")) << "the data directory belongs beside the named file";

    // Three rows: down twice reaches the third, where no window lives.
    ASSERT_TRUE(pressChord({kAlt, kShift}, VK_DOWN));
    ASSERT_TRUE(pressChord({kAlt, kShift}, VK_DOWN));
    ASSERT_TRUE(pollUntil([&] {
        for (Tracked* t : layout.all())
            if (IsWindowVisible(t->window->hwnd())) return false;
        return true;
    })) << "the third row should show none of the windows";

    ASSERT_TRUE(z->close());
    // Known keys in canonical form; comments, blank and unknown lines as they were.
    EXPECT_EQ("# my settings\nwsRowNum=3\n  foo = bar\n\nloopWS\n", readFile(file));
    const std::string released = layout.waitAllReleased();
    EXPECT_TRUE(released.empty()) << released;
}

TEST_F(ConfigTest, ANamedFileThatDoesNotExistStopsStartUp) {
    const std::wstring h = home(L"cfgmissing");
    const std::string mine = "wsRowNum = 3   # mine\r\nloopWS = TRUE\r\n";
    writeFile(L"C:" + h + L"\\.zlvrc", mine);
    const std::wstring missing = L"C:" + h + L"\\nowhere\\missing.rc";
    zelvanes.push_back(std::make_unique<ZelvaneProcess>(h));
    ZelvaneProcess* z = zelvanes.back().get();
    ASSERT_TRUE(z->start({missing}));
    std::vector<MessageBoxInfo> boxes;
    ASSERT_TRUE(pollUntil([&] {
        boxes = messageBoxesOf(z->pid());
        return !boxes.empty() || !z->running();
    }, 60s));
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(L"Zelvane", boxes[0].caption);
    EXPECT_NE(std::wstring::npos, boxes[0].text.find(missing + L" is not found.")) << narrow(boxes[0].text);
    ASSERT_TRUE(pressMessageBoxButton(boxes[0].hwnd, IDOK));
    EXPECT_TRUE(z->waitExit(30s));
    EXPECT_FALSE(fileExists(L"C:" + h + L"\\nowhere"));
    EXPECT_EQ(mine, readFile(L"C:" + h + L"\\.zlvrc")) << "the home settings file was rewritten";
}

// The data directory cannot be created: start-up fails after the settings
// file was chosen. The error is shown, and the user's file is left exactly
// as it was (a shutdown run regardless would write it back canonically).
TEST_F(ConfigTest, AFailedStartUpShowsItsErrorAndWritesNothing) {
    const std::wstring h = home(L"cfgnodata");
    const std::wstring folder = L"C:" + h;
    const std::string mine = "# kept as typed\r\nwsRowNum = 3   # mine\r\nloopWS = TRUE\r\n";
    writeFile(folder + L"\\.zlvrc", mine);
    // A dangling symbolic link: Windows' file queries do not find ".zlv",
    // and creating it fails because the name is taken.
    if (!runUnixShell(folder, L"ln -s /zelvane-e2e-nowhere .zlv"))
        GTEST_SKIP() << "Wine did not run /bin/sh, so the data directory cannot be blocked";
    if (GetFileAttributesW((folder + L"\\.zlv").c_str()) != INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "this Wine reports the dangling link as a file, so the data directory is not blocked";

    zelvanes.push_back(std::make_unique<ZelvaneProcess>(h));
    ZelvaneProcess* z = zelvanes.back().get();
    ASSERT_TRUE(z->start());
    std::vector<MessageBoxInfo> boxes;
    ASSERT_TRUE(pollUntil([&] {
        boxes = messageBoxesOf(z->pid());
        return !boxes.empty() || !z->running();
    }, 60s));
    ASSERT_EQ(1u, boxes.size()) << "Zelvane ended without showing why";
    EXPECT_EQ(L"Zelvane", boxes[0].caption);
    EXPECT_NE(std::wstring::npos, boxes[0].text.find(L"cannot create the data directory")) << narrow(boxes[0].text);
    // While the box is up the program has already given up: no main window.
    EXPECT_TRUE(topLevelWindows(z->pid(), kMainClass).empty());
    ASSERT_TRUE(pressMessageBoxButton(boxes[0].hwnd, IDOK));
    EXPECT_TRUE(z->waitExit(30s));
    EXPECT_EQ(mine, readFile(folder + L"\\.zlvrc")) << "a failed start-up rewrote the home settings file";
    EXPECT_FALSE(fileExists(folder + L"\\_zlv"));
}

}  // namespace
}  // namespace e2e
