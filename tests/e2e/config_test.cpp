// Settings files under real conditions: read from the home folder or from
// the file named on the command line, honoured by the hotkeys, and written
// back at exit.
#include <fstream>

#include "fixture.h"

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
}

}  // namespace
}  // namespace e2e
