#include "win32/shell_taskbar.h"

#include <commctrl.h>

#include <cstdint>
#include <memory>
#include <optional>

#include "controller/tray_order.h"
#include "win32/handles.h"
#include "win32/win32_desktop.h"

namespace zelvane::win32 {

namespace {

using Clock = std::chrono::steady_clock;

// TBBUTTON as a shell of our own pointer size lays it out; a shell of another
// pointer size is not read at all.
struct ShellButton {
    int iBitmap;
    int idCommand;
    BYTE fsState;
    BYTE fsStyle;
    BYTE reserved[sizeof(void*) - 2];
    DWORD_PTR dwData;
    INT_PTR iString;
};
static_assert(sizeof(ShellButton) == sizeof(TBBUTTON), "the shell's button record");

// One message to the toolbar, within what is left of the budget.
std::optional<LRESULT> sendBounded(HWND toolbar, UINT msg, WPARAM wp, LPARAM lp, const CallBudget& budget,
                                   const TaskbarLimits& limits) {
    if (limits.cancel && limits.cancel->load()) return std::nullopt;
    const auto timeout = budget.nextCall(Clock::now());
    if (!timeout) return std::nullopt;
    DWORD_PTR result = 0;
    // SMTO_BLOCK: the caller handles no other sent message meanwhile, so the
    // UI thread is not re-entered in the middle of a switch.
    if (!SendMessageTimeoutW(toolbar, msg, wp, lp, SMTO_BLOCK | SMTO_ABORTIFHUNG,
                             static_cast<UINT>(timeout->count()), &result))
        return std::nullopt;
    return static_cast<LRESULT>(result);
}

bool readExactly(HANDLE process, const void* from, void* to, SIZE_T size) {
    SIZE_T got = 0;
    return ReadProcessMemory(process, from, to, size, &got) && got == size;
}

bool runsUnderWow64(HANDLE process) {
    using IsWow64Fn = BOOL(WINAPI*)(HANDLE, PBOOL);
    // Missing below Windows XP SP2: then nothing runs under WOW64.
    const auto isWow64 = reinterpret_cast<IsWow64Fn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "IsWow64Process")));
    BOOL wow = FALSE;
    return isWow64 && isWow64(process, &wow) && wow;
}

HWND toolbarUnder(HWND tray) {
    HWND rebar = FindWindowExW(tray, nullptr, L"ReBarWindow32", nullptr);
    HWND tasks = rebar ? FindWindowExW(rebar, nullptr, L"MSTaskSwWClass", nullptr) : nullptr;
    return tasks ? FindWindowExW(tasks, nullptr, L"ToolbarWindow32", nullptr) : nullptr;
}

BOOL CALLBACK collectWanting(HWND w, LPARAM lp) {
    if (!IsWindowVisible(w)) return TRUE;
    const LONG_PTR ex = GetWindowLongPtrW(w, GWL_EXSTYLE);
    if (ex & WS_EX_TOOLWINDOW) return TRUE;
    if (GetWindow(w, GW_OWNER) && !(ex & WS_EX_APPWINDOW)) return TRUE;
    reinterpret_cast<std::vector<WindowId>*>(lp)->push_back(toWindowId(w));
    return TRUE;
}

}  // namespace

HWND findTaskbarToolbar() {
    // Another program may own a window of the same class without the
    // toolbar (Wine's own desktop taskbar does): take the first that has it.
    for (HWND tray = FindWindowExW(nullptr, nullptr, L"Shell_TrayWnd", nullptr); tray;
         tray = FindWindowExW(nullptr, tray, L"Shell_TrayWnd", nullptr)) {
        if (HWND toolbar = toolbarUnder(tray)) return toolbar;
    }
    return nullptr;
}

namespace {

// The shell's process opened for reading its buttons, with one block of its
// memory that TB_GETBUTTON fills in.
class ButtonReader {
public:
    explicit ButtonReader(HWND toolbar) {
        DWORD pid = 0;
        GetWindowThreadProcessId(toolbar, &pid);
        process_.reset(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE |
                                       PROCESS_QUERY_INFORMATION,
                                   FALSE, pid));
        if (!process_) return;
        if (shellPointerBytes(static_cast<int>(sizeof(void*)), runsUnderWow64(GetCurrentProcess()),
                              runsUnderWow64(process_.get())) != static_cast<int>(sizeof(void*)))
            return;
        block_ = std::make_unique<RemoteMemory>(process_.get(), sizeof(ShellButton));
        if (!*block_) block_.reset();
    }
    bool ok() const { return block_ != nullptr; }

    enum class Result { Read, NoAccess, Unfinished };
    // The window behind button i (kNoWindow: a header, or a button whose data
    // could not be read).
    Result windowAt(HWND toolbar, std::size_t i, const CallBudget& budget, const TaskbarLimits& limits,
                    WindowId& window) {
        window = kNoWindow;
        // Cleared first, so a call the toolbar does not carry out cannot
        // leave the previous button's record to be read as this one's.
        const ShellButton cleared{};
        SIZE_T written = 0;
        if (!WriteProcessMemory(process_.get(), block_->get(), &cleared, sizeof(cleared), &written) ||
            written != sizeof(cleared))
            return Result::NoAccess;
        const auto got =
            sendBounded(toolbar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(block_->get()), budget, limits);
        if (!got) return Result::Unfinished;
        ShellButton button{};
        if (*got == 0 || !readExactly(process_.get(), block_->get(), &button, sizeof(button)) || button.dwData == 0)
            return Result::Read;
        // The button's data block starts with the handle of its window.
        WindowId read = kNoWindow;
        if (readExactly(process_.get(), reinterpret_cast<const void*>(button.dwData), &read, sizeof(read)))
            window = read;
        return Result::Read;
    }

private:
    UniqueKernelHandle process_;
    std::unique_ptr<RemoteMemory> block_;
};

}  // namespace

TaskbarRead ShellTaskbar::readButtons(const TaskbarLimits& limits) {
    const CallBudget budget(limits.perCall, limits.total, Clock::now());
    TaskbarRead out;
    HWND toolbar = findTaskbarToolbar();
    if (!toolbar) return out;
    out.toolbar = toWindowId(toolbar);
    out.status = TaskbarReadStatus::NoAccess;
    ButtonReader reader(toolbar);
    if (!reader.ok()) return out;

    out.status = TaskbarReadStatus::Unfinished;
    const auto reported = sendBounded(toolbar, TB_BUTTONCOUNT, 0, 0, budget, limits);
    if (!reported) return out;
    const auto count = buttonsToRead(*reported, limits.maxButtons);
    if (!count) return out;

    out.buttons.assign(*count, kNoWindow);
    for (std::size_t i = 0; i < *count; ++i) {
        switch (reader.windowAt(toolbar, i, budget, limits, out.buttons[i])) {
            case ButtonReader::Result::Read:
                break;
            case ButtonReader::Result::NoAccess:
                out.status = TaskbarReadStatus::NoAccess;
                out.buttons.clear();
                return out;
            case ButtonReader::Result::Unfinished:
                out.buttons.clear();
                return out;
        }
    }
    out.status = TaskbarReadStatus::Done;
    return out;
}

bool ShellTaskbar::moveButtonToFront(WindowId toolbar, std::size_t index, WindowId expected,
                                     std::chrono::milliseconds timeout) {
    HWND h = toHwnd(toolbar);
    if (!IsWindow(h)) return false;
    // The shell adds and removes buttons on its own: the button must still
    // be the one the move was planned for, or the move would tear a group apart.
    ButtonReader reader(h);
    if (!reader.ok()) return false;
    const CallBudget budget(timeout, timeout, Clock::now());
    const TaskbarLimits limits{timeout, timeout, 0, nullptr};
    WindowId there = kNoWindow;
    if (reader.windowAt(h, index, budget, limits, there) != ButtonReader::Result::Read || there != expected)
        return false;
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(h, TB_MOVEBUTTON, index, 0, SMTO_BLOCK | SMTO_ABORTIFHUNG,
                             static_cast<UINT>(timeout.count()), &result) ||
        result == 0)
        return false;
    // The check and the move are two messages: the shell may have added or
    // removed a button in between, and then another button went to the
    // front. Looked at once more, so that the caller plans anew from what
    // the shell has.
    WindowId front = kNoWindow;
    const CallBudget after(timeout, timeout, Clock::now());
    return reader.windowAt(h, 0, after, limits, front) == ButtonReader::Result::Read && front == expected;
}

std::vector<WindowId> ShellTaskbar::windowsWantingButtons() {
    std::vector<WindowId> out;
    EnumWindows(collectWanting, reinterpret_cast<LPARAM>(&out));
    return out;
}

}  // namespace zelvane::win32
