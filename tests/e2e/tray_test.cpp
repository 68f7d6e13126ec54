// The tray icon and its menu, driven the way the shell drives them: the
// icon's callback message opens the menu, which is read from inside
// Zelvane's process by the menu probe; items are chosen by posting their
// commands. Covers the labels and marks, the grid commands, the modifier
// toggles with their new hotkeys, the language, the exit box, the end of a
// session, the icon after a shell restart and the menus' handles.
#include "bitmap_file.h"
#include "fixture.h"

#include <shellapi.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "menu_probe/probe_client.h"

namespace e2e {
namespace {

constexpr UINT kTrayCallback = WM_APP + 2;
constexpr UINT kTrayIconId = 0x8001;
constexpr UINT kPreviewCommand = 100027;

std::wstring widen(const std::string& s) {
    if (s.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(), n);
    return out;
}

// One entry of the menu as the probe read it.
struct MenuLine {
    int depth = 0;
    unsigned long id = 0;
    std::string handle;  // of a submenu
    bool checked = false;
    bool radio = false;
    std::string label;
};

struct Menu {
    std::string root;
    std::vector<MenuLine> lines;

    const MenuLine* item(unsigned long id) const {
        for (const MenuLine& l : lines)
            if (l.handle.empty() && l.id == id) return &l;
        return nullptr;
    }
    // "+" checked, "-" not, per item; "?" when the item is missing.
    std::string checks(unsigned long first, unsigned long last) const {
        std::string out;
        for (unsigned long id = first; id <= last; ++id) {
            const MenuLine* l = item(id);
            out += !l ? '?' : l->checked ? '+' : '-';
        }
        return out;
    }
    std::string labels() const {
        std::string out;
        for (const MenuLine& l : lines) out += std::string(l.depth * 2, ' ') + l.label + "\n";
        return out;
    }
    std::vector<std::string> handles() const {
        std::vector<std::string> out{root};
        for (const MenuLine& l : lines)
            if (!l.handle.empty()) out.push_back(l.handle);
        return out;
    }
};

Menu parseMenu(const std::string& reply) {
    Menu menu;
    std::istringstream in(reply);
    std::string line;
    std::getline(in, line);
    if (line.rfind("menu ", 0) == 0) menu.root = line.substr(5);
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        MenuLine l;
        std::string depth, id, flags;
        std::getline(fields, depth, '\t');
        std::getline(fields, id, '\t');
        std::getline(fields, flags, '\t');
        std::getline(fields, l.label);
        l.depth = std::atoi(depth.c_str());
        l.id = std::strtoul(id.c_str(), nullptr, 10);
        std::istringstream flagList(flags);
        for (std::string f; std::getline(flagList, f, ',');) {
            if (f.rfind("sub:", 0) == 0) l.handle = f.substr(4);
            if (f == "checked") l.checked = true;
            if (f == "radio") l.radio = true;
        }
        menu.lines.push_back(l);
    }
    return menu;
}

class TrayTest : public ZelvaneTest {
protected:
    // Starts Zelvane (with `settings` as its settings file when given) and
    // hooks the probe into it.
    ::testing::AssertionResult start(const std::string& settings = {}) {
        std::wstring home;
        if (!settings.empty()) {
            home = ZelvaneProcess::freshHome(L"tray");
            if (!writeBytes(L"C:" + home + L"\\.zlvrc", settings))
                return ::testing::AssertionFailure() << "could not write the settings file";
        }
        z = startZelvane(home);
        if (!z) return ::testing::AssertionFailure() << "Zelvane did not start";
        main = z->mainWindow();
        return probe.attach(main);
    }

    // As the shell does on a right click of the icon.
    void rightClickIcon() const { PostMessageW(main, kTrayCallback, kTrayIconId, WM_RBUTTONUP); }

    ::testing::AssertionResult openMenu(Menu* out) {
        SetCursorPos(900, 700);
        rightClickIcon();
        std::string reply;
        if (!pollUntil([&] {
                reply = probe.ask("menu");
                return reply.rfind("menu ", 0) == 0;
            }))
            return ::testing::AssertionFailure() << "no menu opened; probe says: " << reply;
        *out = parseMenu(reply);
        return ::testing::AssertionSuccess();
    }

    ::testing::AssertionResult closeMenu() {
        // Escape closes one level; the loop also covers an open submenu.
        const bool closed = pollUntil(
            [&] {
                if (probe.ask("menu") == "none") return true;
                pressChord({}, VK_ESCAPE);
                return probe.ask("menu") == "none";
            },
            kSettle, 200ms);
        return closed ? ::testing::AssertionSuccess() : ::testing::AssertionFailure() << "the menu stayed open";
    }

    // Opens the menu, reads it and closes it again.
    ::testing::AssertionResult readMenu(Menu* out) {
        auto opened = openMenu(out);
        if (!opened) return opened;
        return closeMenu();
    }

    void choose(UINT id) const { PostMessageW(main, WM_COMMAND, id, 0); }

    // The first message box of Zelvane whose text contains `text`.
    HWND waitForBox(const std::wstring& text, std::wstring* caption = nullptr) const {
        HWND found = nullptr;
        pollUntil([&] {
            for (const MessageBoxInfo& box : messageBoxesOf(z->pid()))
                if (box.text.find(text) != std::wstring::npos) {
                    found = box.hwnd;
                    if (caption) *caption = box.caption;
                    return true;
                }
            return false;
        });
        return found;
    }

    std::string settingsFile() const { return readBytes(z->settingsFile()); }

    ZelvaneProcess* z = nullptr;
    HWND main = nullptr;
    MenuProbe probe;
};

TEST_F(TrayTest, RightClickOpensTheMenuWithItsLabelsAndMarks) {
    ASSERT_TRUE(start());
    Menu menu;
    ASSERT_TRUE(openMenu(&menu));
    // Every entry holds its label whole, at whatever scale the screen has;
    // the settings submenu, with the longest labels, is opened beside it.
    const auto width = [&] {
        RECT r{};
        std::istringstream(probe.ask("rect")) >> r.left >> r.top >> r.right >> r.bottom;
        return r.right - r.left;
    };
    const LONG rootWidth = width();
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(pressChord({}, VK_DOWN));
    ASSERT_TRUE(pressChord({}, VK_RIGHT));
    EXPECT_TRUE(pollUntil([&] { return width() > rootWidth; })) << "the settings submenu did not open";
    EXPECT_EQ("ok", probe.ask("fit"));
    ASSERT_TRUE(closeMenu());

    EXPECT_EQ(menu.labels(),
              "Fullscreen Preview (Shift + Alt + Space)\n"
              "Change the num of workspaces\n"
              "  Add a row\n"
              "  Del a row\n"
              "  Add a column\n"
              "  Del a column\n"
              "Config\n"
              "  Modifier keys to change WS (and SPACE: preview mode) ...\n"
              "    ALT\n    CTRL\n    SHIFT\n    WIN\n"
              "  Modifier keys to change WS with the focused window ...\n"
              "    ALT\n    CTRL\n    SHIFT\n    WIN\n"
              "  Key bindings ...\n"
              "    Cursor keys [left down up right]\n    vi [h j k l]\n    emacs [b n p f]\n"
              "  Wallpapers ...\n"
              "    default\n    individual view\n    distant view\n"
              "  Loop the screen end\n"
              "  Show the control window by placing the mouse at the edge of the screen\n"
              "  Skip the animation of switching workspace\n"
              "  Change WS by moving a window at the edge of the screen (32bit Apps only)\n"
              "  Set mixer Volume individually in each workspace\n"
              "  Enable left-click + right-click controls\n"
              "  Use single-click to select workspace\n"
              "Register a window class to always display\n"
              "Save the current wallpaper\n"
              "Start with Windows\n"
              "Language\n"
              "  English\n  日本語\n"
              "Help\n"
              "Exit\n");
    // The preview item keeps its full identifier in the menu.
    ASSERT_NE(nullptr, menu.item(kPreviewCommand));
    EXPECT_EQ(menu.handles().size(), 8u);  // the root and seven submenus

    EXPECT_EQ(menu.checks(9, 16), "+-+-+--+");
    EXPECT_EQ(menu.checks(17, 22), "+--+--");
    EXPECT_EQ(menu.checks(23, 29), "-+-----");
    EXPECT_EQ(menu.checks(30, 31), "+-");
    EXPECT_EQ(menu.checks(32, 32), "-");  // Start with Windows is off until chosen
    for (unsigned long id : {17ul, 20ul, 30ul}) EXPECT_TRUE(menu.item(id)->radio) << id;
    for (unsigned long id : {9ul, 23ul, 24ul}) EXPECT_FALSE(menu.item(id)->radio) << id;

    // A changed setting shows after the rebuild.
    choose(23);
    choose(25);
    choose(18);
    ASSERT_TRUE(readMenu(&menu));
    EXPECT_EQ(menu.checks(23, 25), "+++");  // loop, control window, skip animation
    EXPECT_EQ(menu.checks(17, 19), "-+-");
    EXPECT_TRUE(menu.item(18)->radio);
}

TEST_F(TrayTest, GridCommandsChangeTheGridAndSwitchingFollows) {
    openOn({0, 0}, "a", 0);
    openOn({0, 1}, "b", 1);
    Tracked* c = openOn({1, 0}, "c", 2);
    ASSERT_TRUE(start());

    // A third column: two steps right reach it.
    choose(7);
    ASSERT_TRUE(pressChord({kAlt, kShift}, VK_RIGHT));
    ASSERT_SETTLED((Workspace{0, 1}));
    ASSERT_TRUE(pressChord({kAlt, kShift}, VK_RIGHT));
    ASSERT_SETTLED((Workspace{0, 2}));

    // Removing the current last column first moves one column to the left.
    choose(8);
    ASSERT_SETTLED((Workspace{0, 1}));
    ASSERT_TRUE(pressChord({kAlt, kShift}, VK_RIGHT));  // the edge now: nothing happens
    ASSERT_TRUE(pressChord({kAlt, kShift}, VK_LEFT));
    ASSERT_SETTLED((Workspace{0, 0}));

    // Removing the current last row first moves one row up.
    ASSERT_TRUE(pressChord({kAlt, kShift}, VK_DOWN));
    ASSERT_SETTLED((Workspace{1, 0}));
    choose(6);
    // c's row is gone: it comes onto the nearest workspace that remains, at
    // the same place, and stays there.
    layout.moveHome(c, {0, 0});
    ASSERT_SETTLED((Workspace{0, 0}));
    // One row left: Down leads nowhere, so the Right after it lands on (0, 1).
    ASSERT_TRUE(pressChord({kAlt, kShift}, VK_DOWN));
    ASSERT_TRUE(pressChord({kAlt, kShift}, VK_RIGHT));
    ASSERT_SETTLED((Workspace{0, 1}));

    // And back to two rows.
    choose(5);
    ASSERT_TRUE(pressChord({kAlt, kShift}, VK_DOWN));
    ASSERT_SETTLED((Workspace{1, 1}));
    ASSERT_TRUE(pressChord({kAlt, kShift}, VK_LEFT));
    ASSERT_SETTLED((Workspace{1, 0}));
}

TEST_F(TrayTest, DroppingAltRegistersTheHotkeysWithShiftAloneAndRelabelsPreview) {
    openOn({0, 0}, "a", 0);
    openOn({0, 1}, "b", 1);
    ASSERT_TRUE(start());
    ASSERT_TRUE(hotkeyTaken(MOD_ALT | MOD_SHIFT, VK_RIGHT));

    choose(9);
    ASSERT_TRUE(pollUntil([] { return hotkeyTaken(MOD_SHIFT, VK_RIGHT); })) << "Shift+Right was never registered";
    EXPECT_FALSE(hotkeyTaken(MOD_ALT | MOD_SHIFT, VK_RIGHT));
    EXPECT_TRUE(hotkeyTaken(MOD_SHIFT, VK_SPACE));

    ASSERT_TRUE(pressChord({kShift}, VK_RIGHT));
    ASSERT_SETTLED((Workspace{0, 1}));
    ASSERT_TRUE(pressChord({kAlt, kShift}, VK_LEFT));  // no longer ours
    ASSERT_TRUE(pressChord({kShift}, VK_RIGHT));       // the grid's edge
    ASSERT_SETTLED((Workspace{0, 1}));
    ASSERT_TRUE(pressChord({kShift}, VK_LEFT));
    ASSERT_SETTLED((Workspace{0, 0}));

    Menu menu;
    ASSERT_TRUE(readMenu(&menu));
    ASSERT_NE(nullptr, menu.item(kPreviewCommand));
    EXPECT_EQ(menu.item(kPreviewCommand)->label, "Fullscreen Preview (Shift + Space)");
    EXPECT_EQ(menu.checks(9, 12), "--+-");

    // The change is kept in the settings file at exit.
    ASSERT_TRUE(z->close());
    EXPECT_NE(settingsFile().find("movKey=shift"), std::string::npos) << settingsFile();
}

TEST_F(TrayTest, LanguageCommandTurnsTheMenuJapaneseAndBack) {
    ASSERT_TRUE(start());
    choose(31);
    Menu menu;
    ASSERT_TRUE(readMenu(&menu));
    ASSERT_FALSE(menu.lines.empty());
    EXPECT_EQ(menu.lines.front().label, "全画面プレビュー (Shift + Alt + Space)");
    EXPECT_EQ(menu.lines.back().label, "終了");
    EXPECT_EQ(menu.item(30)->label, "EngLish");
    EXPECT_EQ(menu.item(31)->label, "日本語");
    EXPECT_EQ(menu.item(17)->label, "カーソルキー [←↓↑→]");
    EXPECT_EQ(menu.item(32)->label, "Windows 起動時に実行");
    EXPECT_EQ(menu.checks(30, 31), "-+");

    // The boxes speak Japanese too.
    choose(1);
    std::wstring caption;
    HWND help = waitForBox(L"トレイアイコンをダブルクリック", &caption);
    ASSERT_NE(nullptr, help) << "no Japanese help box";
    EXPECT_EQ(caption, L"Zelvane");
    ASSERT_TRUE(pressMessageBoxButton(help, IDOK));

    choose(30);
    ASSERT_TRUE(readMenu(&menu));
    EXPECT_EQ(menu.lines.back().label, "Exit");
    EXPECT_EQ(menu.item(30)->label, "English");
    EXPECT_EQ(menu.checks(30, 31), "+-");
}

TEST_F(TrayTest, ExitAsksFirstAndYesEndsWithEveryWindowShownAndSettingsWritten) {
    openOnEveryWorkspace(1);
    ASSERT_TRUE(start());
    Workspace ws = press({}, VK_DOWN);
    ASSERT_SETTLED(ws);
    choose(23);  // loop at the edges: a setting to find in the file afterwards

    // No keeps the program running.
    choose(0);
    std::wstring caption;
    HWND box = waitForBox(L"Exit Zelvane?", &caption);
    ASSERT_NE(nullptr, box) << "no exit question";
    EXPECT_EQ(caption, L"Zelvane");
    EXPECT_TRUE(GetWindowLongW(box, GWL_EXSTYLE) & WS_EX_TOPMOST);
    ASSERT_TRUE(pressMessageBoxButton(box, IDNO));
    ASSERT_TRUE(pollUntil([&] { return messageBoxesOf(z->pid()).empty(); }));
    ws = press(ws, VK_RIGHT);
    ASSERT_SETTLED(ws);
    ASSERT_TRUE(z->running());

    choose(0);
    box = waitForBox(L"Exit Zelvane?");
    ASSERT_NE(nullptr, box);
    ASSERT_TRUE(pressMessageBoxButton(box, IDYES));
    const std::string misplaced = layout.waitAllReleased();
    EXPECT_TRUE(misplaced.empty()) << misplaced;
    ASSERT_TRUE(z->waitExit(30s)) << "still running after Yes";
    const std::string settings = settingsFile();
    EXPECT_NE(settings.find("loopWS=true"), std::string::npos) << settings;
}

TEST_F(TrayTest, EndOfSessionEndsWithEveryWindowShownAndSettingsWritten) {
    openOnEveryWorkspace(1);
    ASSERT_TRUE(start());
    Workspace ws = press({}, '4');
    ASSERT_SETTLED(ws);
    choose(26);  // edge flip on

    // The question is answered at once, and does not end anything yet.
    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutW(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL, 10000, &answer));
    EXPECT_EQ(answer, TRUE);
    ASSERT_TRUE(z->running());
    // A cancelled session end (wParam FALSE) ends nothing: the program runs
    // on and still switches.
    PostMessageW(main, WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF);
    ASSERT_TRUE(SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &answer));
    ASSERT_TRUE(z->running()) << "a cancelled log-off ended the program";
    ws = press({}, '1');
    ASSERT_SETTLED(ws);
    // The session really ends: every window comes back and the settings are written.
    PostMessageW(main, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    const std::string misplaced = layout.waitAllReleased();
    EXPECT_TRUE(misplaced.empty()) << misplaced;
    ASSERT_TRUE(z->waitExit(30s)) << "still running after WM_ENDSESSION";
    const std::string settings = settingsFile();
    EXPECT_NE(settings.find("edgeFlip=true"), std::string::npos) << settings;
}

TEST_F(TrayTest, IconComesBackWhenTheShellRestarts) {
    ASSERT_TRUE(start());
    NOTIFYICONDATAW icon{};
    icon.cbSize = sizeof(icon);
    icon.hWnd = main;
    icon.uID = kTrayIconId;
    // Modifying nothing succeeds exactly when the shell knows the icon.
    const auto iconShown = [&] { return Shell_NotifyIconW(NIM_MODIFY, &icon) != FALSE; };
    ASSERT_TRUE(pollUntil(iconShown)) << "no tray icon after start-up";

    // A restarted shell has forgotten every icon, then announces itself.
    ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &icon));
    ASSERT_FALSE(iconShown());
    PostMessageW(main, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_TRUE(pollUntil(iconShown)) << "the icon was not added again";
}

TEST_F(TrayTest, RebuildsDestroyTheOldMenusAndKeepHandleCountsFlat) {
    ASSERT_TRUE(start());
    Menu first;
    ASSERT_TRUE(readMenu(&first));
    ASSERT_EQ(first.handles().size(), 8u);
    std::string oldHandles;
    for (const std::string& h : first.handles()) oldHandles += " " + h;
    EXPECT_EQ(probe.ask("alive" + oldHandles), "8");

    const auto counts = [&] {
        std::array<long, 3> c{};  // GDI objects, USER objects, user-handle slot reach
        std::istringstream(probe.ask("gui") + " " + probe.ask("fresh")) >> c[0] >> c[1] >> c[2];
        return c;
    };
    const std::array<long, 3> before = counts();
    for (int i = 0; i < 100; ++i) {
        DWORD_PTR r = 0;
        // Sent, so each rebuild has finished when the call returns.
        ASSERT_TRUE(SendMessageTimeoutW(main, WM_COMMAND, 23, 0, SMTO_NORMAL, 10000, &r)) << i;
    }
    const std::array<long, 3> after = counts();
    std::printf("[ handles  ] over 100 rebuilds: GDI %ld -> %ld, USER %ld -> %ld, handle slot reach %ld -> %ld\n",
                before[0], after[0], before[1], after[1], before[2], after[2]);
    // A leak would add eight menus per rebuild, 800 in all. Windows counts
    // the objects; Wine counts none, but its handle slots would climb.
    EXPECT_LE(after[0], before[0] + 8);
    EXPECT_LE(after[1], before[1] + 8);
    EXPECT_LE(after[2], before[2] + 2 * 64);

    EXPECT_EQ(probe.ask("alive" + oldHandles), "0") << "menus of an earlier build still exist";
    Menu last;
    ASSERT_TRUE(readMenu(&last));
    EXPECT_EQ(last.labels(), first.labels());
    EXPECT_EQ(last.checks(23, 23), "-");  // toggled an even number of times
}

// Not a check: poses the menus for the pictures in docs/. Runs only when
// ZELVANE_MENU_SHOTS names a folder (as a Windows path); for each language
// it writes <lang>.ready holding the menus' screen rectangle and waits for
// <lang>.done, which scripts/menu-screenshots.sh writes after its picture.
// The current user's Run value for "Zelvane", read and written as any
// program would; removed when the test starts and again when it ends,
// whatever happened, so that no other test finds it.
class RunValue {
public:
    RunValue() { remove(); }
    ~RunValue() { remove(); }
    RunValue(const RunValue&) = delete;
    RunValue& operator=(const RunValue&) = delete;

    // The value, or "(none)".
    static std::wstring read() {
        wchar_t value[1024];
        DWORD bytes = sizeof value;
        const LONG r = RegGetValueW(HKEY_CURRENT_USER, kKey, L"Zelvane", RRF_RT_REG_SZ, nullptr, value, &bytes);
        return r == ERROR_SUCCESS ? std::wstring(value) : L"(none)";
    }
    static bool write(const std::wstring& value) {
        return RegSetKeyValueW(HKEY_CURRENT_USER, kKey, L"Zelvane", REG_SZ, value.c_str(),
                               static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    }
    static void remove() { RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, L"Zelvane"); }

private:
    static constexpr wchar_t kKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
};

TEST_F(TrayTest, StartWithWindowsWritesTheQuotedPathShowsWhatTheRegistryHoldsAndFollowsAMovedFolder) {
    RunValue run;
    // The program in a folder whose path has spaces and Japanese characters.
    const std::wstring original = ZelvaneProcess::executable();
    const std::wstring from = original.substr(0, original.find_last_of(L"\\/") + 1);
    const std::wstring folder = L"C:" + ZelvaneProcess::freshHome(L"Zelvane \u30C6\u30B9\u30C8 \u7248");
    const std::wstring moved = L"C:" + ZelvaneProcess::freshHome(L"\u79FB\u52D5 \u5148");  // "移動 先"
    ASSERT_TRUE(RemoveDirectoryW(moved.c_str()));  // a new name for the folder to move to
    for (const wchar_t* file : {L"Zelvane.exe", L"Quillet.dll", L"mag.bmp"})
        ASSERT_TRUE(CopyFileW((from + file).c_str(), (folder + L"\\" + file).c_str(), FALSE)) << narrow(file);
    struct Restore {
        std::wstring exe;
        ~Restore() { ZelvaneProcess::setExecutable(exe); }
    } restore{original};
    ZelvaneProcess::setExecutable(folder + L"\\Zelvane.exe");
    const std::wstring quoted = L"\"" + folder + L"\\Zelvane.exe\"";

    // Off by default: no value, no mark.
    ASSERT_TRUE(start());
    Menu menu;
    ASSERT_TRUE(readMenu(&menu));
    EXPECT_EQ("-", menu.checks(32, 32));
    EXPECT_EQ(L"(none)", RunValue::read());

    // Chosen: the quoted full path, and the mark.
    choose(32);
    EXPECT_TRUE(pollUntil([&] { return RunValue::read() == quoted; })) << narrow(RunValue::read());
    ASSERT_TRUE(readMenu(&menu));
    EXPECT_EQ("+", menu.checks(32, 32));

    // The mark shows what the registry holds, whoever changed it.
    RunValue::remove();
    ASSERT_TRUE(readMenu(&menu));
    EXPECT_EQ("-", menu.checks(32, 32)) << "the mark did not follow the registry";
    ASSERT_TRUE(RunValue::write(quoted));
    ASSERT_TRUE(readMenu(&menu));
    EXPECT_EQ("+", menu.checks(32, 32));

    // Chosen again: removed.
    choose(32);
    EXPECT_TRUE(pollUntil([&] { return RunValue::read() == L"(none)"; })) << narrow(RunValue::read());
    ASSERT_TRUE(readMenu(&menu));
    EXPECT_EQ("-", menu.checks(32, 32));

    // On, then the folder is moved and the program started from there: the
    // value follows it.
    choose(32);
    ASSERT_TRUE(pollUntil([&] { return RunValue::read() == quoted; }));
    ASSERT_TRUE(z->close());
    ASSERT_TRUE(MoveFileW(folder.c_str(), moved.c_str())) << "error " << GetLastError();
    ZelvaneProcess::setExecutable(moved + L"\\Zelvane.exe");
    ASSERT_TRUE(start());
    const std::wstring movedQuoted = L"\"" + moved + L"\\Zelvane.exe\"";
    EXPECT_TRUE(pollUntil([&] { return RunValue::read() == movedQuoted; })) << narrow(RunValue::read());
    ASSERT_TRUE(readMenu(&menu));
    EXPECT_EQ("+", menu.checks(32, 32));

    // Another copy that still exists keeps the value: this one shows no mark.
    ASSERT_TRUE(RunValue::write(L"\"" + from + L"Zelvane.exe\""));
    ASSERT_TRUE(readMenu(&menu));
    EXPECT_EQ("-", menu.checks(32, 32));
    ASSERT_TRUE(z->close());
    ASSERT_TRUE(start());
    EXPECT_EQ(L"\"" + from + L"Zelvane.exe\"", RunValue::read()) << "the value was taken from the other copy";
}

TEST_F(TrayTest, PoseForScreenshots) {
    const char* dirEnv = std::getenv("ZELVANE_MENU_SHOTS");
    if (!dirEnv || !*dirEnv) GTEST_SKIP() << "ZELVANE_MENU_SHOTS not set";
    const std::wstring dir = widen(dirEnv);
    openOn({0, 0}, "window", 0);
    ASSERT_TRUE(start());
    for (const char* language : {"english", "japanese"}) {
        if (std::string(language) == "japanese") choose(31);
        choose(23);  // a few marks to show
        Menu menu;
        ASSERT_TRUE(openMenu(&menu));
        // Open the settings submenu with the keyboard: down to its item, right.
        for (int i = 0; i < 3; ++i) ASSERT_TRUE(pressChord({}, VK_DOWN));
        ASSERT_TRUE(pressChord({}, VK_RIGHT));
        ASSERT_TRUE(pollUntil([&] {
            RECT r{};
            std::istringstream(probe.ask("rect")) >> r.left >> r.top >> r.right >> r.bottom;
            return r.right - r.left > 400;  // the submenu stands beside the root
        })) << "the settings submenu did not open";
        const std::wstring done = dir + L"\\" + widen(language) + L".done";
        DeleteFileW(done.c_str());
        ASSERT_TRUE(writeBytes(dir + L"\\" + widen(language) + L".ready", probe.ask("rect")));
        ASSERT_TRUE(pollUntil([&] { return fileExists(done); }, 120s)) << "no screenshot was taken";
        ASSERT_TRUE(closeMenu());
    }
}

}  // namespace
}  // namespace e2e
