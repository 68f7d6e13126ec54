// The taskbar order of a workspace against the stand-in taskbar: it comes
// back after switching away and back, with and without group headers; a
// hung taskbar holds up no switch and gets its order once it answers again;
// a desktop without a taskbar switches as usual.
#include <algorithm>

#include "fixture.h"
#include "stand_in_taskbar.h"
#include "taskbar_stand_in/stand_in_protocol.h"
#include "win32/shell_taskbar.h"

namespace e2e {
namespace {

// Window classes of their own, so the stand-in with headers puts each
// window in a group of its own, as the shell does for different programs.
const wchar_t* groupClass(int i) {
    static const wchar_t* names[] = {L"ZlvTestGroupA", L"ZlvTestGroupB", L"ZlvTestGroupC"};
    static const bool registered = [] {
        for (const wchar_t* name : names) {
            WNDCLASSW wc{};
            wc.lpfnWndProc = DefWindowProcW;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
            wc.lpszClassName = name;
            RegisterClassW(&wc);
        }
        return true;
    }();
    (void)registered;
    return names[i];
}

class TaskbarOrderTest : public ZelvaneTest {
protected:
    // Opens three windows on (0,0) and one on (0,1), waits for their buttons,
    // and arranges the three in the reverse of the order the taskbar gave
    // them: the order it would give them again when they are shown together.
    void openAndArrange(bool groups) {
        for (int i = 0; i < 3; ++i) {
            WindowOptions options;
            if (groups) options.className = groupClass(i);
            Tracked* t = layout.open(host, std::string(1, static_cast<char>('A' + i)), {0, 0}, slot(i), {}, options);
            ASSERT_TRUE(t->window->ok());
            three.push_back(t->window->hwnd());
        }
        openOn({0, 1}, "R", 3);
        ASSERT_TRUE(pollUntil([&] { return taskbar.orderOf(three).size() == 3; }))
            << describeWindows(taskbar.order());
        const std::vector<HWND> given = taskbar.orderOf(three);
        for (HWND w : given) ASSERT_TRUE(taskbar.toFront(w));
        arranged.assign(given.rbegin(), given.rend());
        ASSERT_EQ(arranged, taskbar.orderOf(three)) << describeWindows(taskbar.order());
    }

    ::testing::AssertionResult arrangedOrderComesBack(Millis wait = 20s) {
        if (pollUntil([&] { return taskbar.orderOf(three) == arranged; }, wait, 100ms))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "taskbar: " << describeWindows(taskbar.order())
                                             << ", wanted " << describeWindows(arranged);
    }

    // Switches right and back, checking the windows each time.
    void awayAndBack() {
        Workspace ws = press({}, VK_RIGHT);
        ASSERT_SETTLED(ws);
        ASSERT_TRUE(pollUntil([&] { return taskbar.orderOf(three).empty(); })) << describeWindows(taskbar.order());
        ws = press(ws, VK_LEFT);
        ASSERT_SETTLED(ws);
    }

    // The arranged order comes back with every window right behind its own
    // header. Polled as a whole: the windows can be in order while a torn
    // group is still being mended.
    ::testing::AssertionResult groupsComeBackWhole(Millis wait = 20s) {
        const auto whole = [&] {
            const std::vector<HWND> all = taskbar.order();
            return taskbar.orderOf(three) == arranged && std::all_of(three.begin(), three.end(), [&](HWND w) {
                       const auto it = std::find(all.begin(), all.end(), w);
                       return it != all.end() && it != all.begin() && *(it - 1) == nullptr;
                   });
        };
        if (pollUntil(whole, wait, 100ms)) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "taskbar: " << describeWindows(taskbar.order())
                                             << ", wanted " << describeWindows(arranged) << ", each behind a header";
    }

    StandInTaskbar taskbar;
    std::vector<HWND> three;
    std::vector<HWND> arranged;
};

TEST_F(TaskbarOrderTest, OrderComesBackAfterSwitchingAwayAndBack) {
    ASSERT_TRUE(taskbar.start(false)) << narrow(taskbar.error());
    openAndArrange(false);
    ASSERT_NE(nullptr, startZelvane());
    awayAndBack();
    EXPECT_TRUE(arrangedOrderComesBack());
}

TEST_F(TaskbarOrderTest, GroupsComeBackInOrderBehindTheirHeaders) {
    ASSERT_TRUE(taskbar.start(true)) << narrow(taskbar.error());
    openAndArrange(true);
    ASSERT_NE(nullptr, startZelvane());
    awayAndBack();
    EXPECT_TRUE(groupsComeBackWhole());
}

// The shell changes its buttons between Zelvane's check of a button and its
// move, twice: each move lands on another button, and the groups still come
// back whole and in order.
TEST_F(TaskbarOrderTest, GroupsComeBackWholeWhenTheTaskbarChangesBetweenCheckAndMove) {
    ASSERT_TRUE(taskbar.start(true)) << narrow(taskbar.error());
    openAndArrange(true);
    ASSERT_NE(nullptr, startZelvane());
    ASSERT_TRUE(taskbar.churnBefore(2));
    awayAndBack();
    EXPECT_TRUE(groupsComeBackWhole());
}

TEST_F(TaskbarOrderTest, HungTaskbarHoldsUpNoSwitchAndGetsItsOrderWhenItAnswers) {
    ASSERT_TRUE(taskbar.start(false)) << narrow(taskbar.error());
    openAndArrange(false);
    ASSERT_NE(nullptr, startZelvane());
    Workspace ws = press({}, VK_RIGHT);
    ASSERT_SETTLED(ws);

    // Long enough for two switches to finish inside it; well within the
    // time a restore keeps trying.
    ASSERT_TRUE(taskbar.hangFor(6000));
    ws = press(ws, VK_LEFT);
    ASSERT_SETTLED(ws);
    ws = press(ws, VK_RIGHT);
    ASSERT_SETTLED(ws);
    ws = press(ws, VK_LEFT);
    ASSERT_SETTLED(ws);
    // Both switches were done while the taskbar still did not answer.
    EXPECT_FALSE(taskbar.answers(10ms));
    EXPECT_TRUE(arrangedOrderComesBack());
}

TEST_F(TaskbarOrderTest, SwitchesWorkWithoutATaskbar) {
    openOn({0, 0}, "A", 0);
    openOn({0, 1}, "B", 1);
    ASSERT_NE(nullptr, startZelvane());
    Workspace ws = press({}, VK_RIGHT);
    ASSERT_SETTLED(ws);
    ws = press(ws, VK_LEFT);
    ASSERT_SETTLED(ws);
}

}  // namespace
}  // namespace e2e

// The program's own reader, in this process, against the stand-in.
namespace e2e {
namespace {

class TaskbarReaderTest : public ::testing::Test {
protected:
    StandInTaskbar taskbar;
    WindowHost host;
    zelvane::win32::ShellTaskbar reader;
};

std::vector<HWND> asWindows(const std::vector<zelvane::WindowId>& ids) {
    std::vector<HWND> out;
    for (auto id : ids) out.push_back(reinterpret_cast<HWND>(id));
    return out;
}

TEST_F(TaskbarReaderTest, ReadsButtonsHeadersAndMovesAcrossProcesses) {
    ASSERT_TRUE(taskbar.start(true)) << narrow(taskbar.error());
    std::vector<HWND> mine;
    for (int i = 0; i < 3; ++i) {
        WindowOptions options;
        options.className = groupClass(i);
        HostWindow* w = host.open(L"reader" + std::to_wstring(i), makeRect(100 + 40 * i, 100, 300, 200), options);
        ASSERT_TRUE(w->ok());
        mine.push_back(w->hwnd());
    }
    ASSERT_TRUE(pollUntil([&] { return taskbar.orderOf(mine).size() == 3; }));

    const zelvane::TaskbarRead read = reader.readButtons({});
    ASSERT_EQ(zelvane::TaskbarReadStatus::Done, read.status);
    EXPECT_EQ(taskbar.order(), asWindows(read.buttons));  // headers read as 0 entries
    // The stand-in's toolbar, whatever other "Shell_TrayWnd" (Wine's own) exists.
    EXPECT_EQ(taskbar.tray(), GetAncestor(reinterpret_cast<HWND>(read.toolbar), GA_ROOT));
    std::printf("[ facts    ] \"Shell_TrayWnd\" windows: %zu\n", topLevelWindows(0, L"Shell_TrayWnd").size());

    // The last group (header and button) to the front, as the restore does it.
    std::vector<HWND> expected = taskbar.order();
    std::rotate(expected.begin(), expected.end() - 2, expected.end());
    const std::size_t last = read.buttons.size() - 1;
    // A move planned for another button than the one there is refused.
    EXPECT_FALSE(reader.moveButtonToFront(read.toolbar, last, read.buttons[last - 1], std::chrono::milliseconds(500)));
    EXPECT_EQ(asWindows(read.buttons), taskbar.order());
    ASSERT_TRUE(reader.moveButtonToFront(read.toolbar, last, read.buttons[last], std::chrono::milliseconds(500)));
    ASSERT_TRUE(reader.moveButtonToFront(read.toolbar, last, read.buttons[last - 1], std::chrono::milliseconds(500)));
    EXPECT_EQ(expected, taskbar.order());

    const auto wanting = asWindows(reader.windowsWantingButtons());
    for (HWND w : mine) EXPECT_NE(std::find(wanting.begin(), wanting.end(), w), wanting.end());
    EXPECT_EQ(std::find(wanting.begin(), wanting.end(), taskbar.tray()), wanting.end());  // a tool window
}

TEST_F(TaskbarReaderTest, SlowOrHungTaskbarEndsTheReadUnfinishedWithinItsBudget) {
    ASSERT_TRUE(taskbar.start(false)) << narrow(taskbar.error());
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(host.open(L"slow" + std::to_wstring(i), makeRect(100 + 40 * i, 100, 300, 200))->ok());
    ASSERT_TRUE(pollUntil([&] { return taskbar.order().size() >= 4; }));

    // Each message answered after 80 ms: the whole read does not fit in 250 ms.
    ASSERT_TRUE(PostMessageW(taskbar.tray(), standin::kSlow, 80, 0));
    zelvane::TaskbarLimits limits;
    limits.perCall = std::chrono::milliseconds(100);
    limits.total = std::chrono::milliseconds(250);
    EXPECT_EQ(zelvane::TaskbarReadStatus::Unfinished, reader.readButtons(limits).status);
    ASSERT_TRUE(PostMessageW(taskbar.tray(), standin::kSlow, 0, 0));
    zelvane::TaskbarLimits wide;
    wide.perCall = std::chrono::milliseconds(2000);
    wide.total = std::chrono::milliseconds(20000);
    EXPECT_EQ(zelvane::TaskbarReadStatus::Done, reader.readButtons(wide).status);

    ASSERT_TRUE(taskbar.hangFor(3000));
    const zelvane::TaskbarRead hung = reader.readButtons(limits);
    EXPECT_EQ(zelvane::TaskbarReadStatus::Unfinished, hung.status);
    EXPECT_TRUE(hung.buttons.empty());
}

}  // namespace
}  // namespace e2e
