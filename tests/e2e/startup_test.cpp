// Start-up: one Zelvane at a time.
#include "fixture.h"

namespace e2e {
namespace {

class StartupTest : public ZelvaneTest {};

TEST_F(StartupTest, SecondStartIsRefusedWithMessageBoxWhileFirstKeepsRunning) {
    openOn({0, 0}, "a1", 0);
    openOn({0, 1}, "b1", 1);
    ZelvaneProcess* first = startZelvane();
    ASSERT_NE(nullptr, first);

    // Its own home, so nothing but the running first copy can be the reason.
    zelvanes.push_back(std::make_unique<ZelvaneProcess>(ZelvaneProcess::freshHome(L"second")));
    ZelvaneProcess* second = zelvanes.back().get();
    ASSERT_TRUE(second->start()) << narrow(second->lastError());

    std::vector<MessageBoxInfo> boxes;
    ASSERT_TRUE(pollUntil([&] {
        boxes = messageBoxesOf(second->pid());
        return !boxes.empty() || !second->running();
    }, 60s));
    ASSERT_EQ(1u, boxes.size()) << "the second copy ended without a message box";
    EXPECT_EQ(L"Zelvane", boxes[0].caption);
    EXPECT_NE(std::wstring::npos, boxes[0].text.find(L"Zelvane is already running."))
        << "text: " << narrow(boxes[0].text);
    EXPECT_TRUE(topLevelWindows(second->pid(), kMainClass).empty())
        << "the second copy created a main window";

    ASSERT_TRUE(pressMessageBoxButton(boxes[0].hwnd, IDOK));
    EXPECT_TRUE(second->waitExit(30s)) << "the second copy still runs after OK";

    // The first copy was not disturbed: same main window, hotkeys still its own.
    ASSERT_TRUE(first->running());
    EXPECT_NE(nullptr, first->mainWindow());
    Workspace ws = press({}, VK_RIGHT);
    ASSERT_SETTLED(ws);
}

}  // namespace
}  // namespace e2e
