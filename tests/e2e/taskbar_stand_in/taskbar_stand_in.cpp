// A stand-in for the shell's taskbar, for the end-to-end tests only: the
// window tree the shell has ("Shell_TrayWnd" > "ReBarWindow32" >
// "MSTaskSwWClass" > a real common-controls "ToolbarWindow32"), with one
// button per window that should have one. Like the shell, it appends a
// button when a window is shown and removes it when the window is hidden;
// each button's data is a block of this process's memory that starts with
// the window's handle. With --groups, buttons are grouped by window class
// under a header button whose block starts with 0; a header goes when its
// group has no button left.
//
// It notices windows by looking every 25 ms; windows found in the same look
// are appended in the order of their handles. The messages of
// stand_in_protocol.h make it hang, answer slowly, change its buttons
// between another program's check and move, and tell its order.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "stand_in_protocol.h"

namespace {

using namespace e2e::standin;

constexpr UINT_PTR kLookTimer = 1;

struct State {
    HWND tray = nullptr;
    HWND toolbar = nullptr;
    bool groups = false;
    DWORD slowMs = 0;
    int churnMoves = 0;  // foreign moves still to be preceded by a change
    bool churning = false;
    WNDPROC toolbarProc = nullptr;
    int nextId = 1;
    // The data block of each button, by command id: [0] is the window (0 for
    // a header), the rest is room as in the shell's own blocks.
    std::map<int, std::unique_ptr<std::array<DWORD_PTR, 6>>> blocks;
    std::map<int, std::wstring> headerGroup;  // command id of a header -> its class
    std::map<int, std::wstring> buttonGroup;  // command id of a window's button -> its class
};
State g;  // one taskbar per process, used only on its thread

std::wstring classOf(HWND w) {
    wchar_t name[256] = {};
    GetClassNameW(w, name, 256);
    return name;
}

BOOL CALLBACK collectWanting(HWND w, LPARAM lp) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid == GetCurrentProcessId() || !IsWindowVisible(w)) return TRUE;
    const LONG_PTR ex = GetWindowLongPtrW(w, GWL_EXSTYLE);
    if (ex & WS_EX_TOOLWINDOW) return TRUE;
    if (GetWindow(w, GW_OWNER) && !(ex & WS_EX_APPWINDOW)) return TRUE;
    reinterpret_cast<std::set<HWND>*>(lp)->insert(w);
    return TRUE;
}

int buttonCount() { return static_cast<int>(SendMessageW(g.toolbar, TB_BUTTONCOUNT, 0, 0)); }

TBBUTTON buttonAt(int i) {
    TBBUTTON b{};
    SendMessageW(g.toolbar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&b));
    return b;
}

HWND windowOf(const TBBUTTON& b) {
    auto it = g.blocks.find(b.idCommand);
    return it == g.blocks.end() ? nullptr : reinterpret_cast<HWND>((*it->second)[0]);
}

void removeAt(int i) {
    const int id = buttonAt(i).idCommand;
    SendMessageW(g.toolbar, TB_DELETEBUTTON, i, 0);
    g.blocks.erase(id);
    g.headerGroup.erase(id);
    g.buttonGroup.erase(id);
}

void insertAt(int index, HWND window, const std::wstring& group) {
    const int id = g.nextId++;
    auto block = std::make_unique<std::array<DWORD_PTR, 6>>();
    block->fill(0);
    (*block)[0] = reinterpret_cast<DWORD_PTR>(window);
    TBBUTTON b{};
    b.iBitmap = I_IMAGENONE;
    b.idCommand = id;
    b.fsState = TBSTATE_ENABLED;
    b.fsStyle = BTNS_BUTTON;
    b.dwData = reinterpret_cast<DWORD_PTR>(block.get());
    b.iString = -1;
    g.blocks[id] = std::move(block);
    (window ? g.buttonGroup : g.headerGroup)[id] = group;
    SendMessageW(g.toolbar, TB_INSERTBUTTONW, index, reinterpret_cast<LPARAM>(&b));
}

// Index of the header of `group`, or -1.
int headerIndex(const std::wstring& group) {
    for (int i = 0, n = buttonCount(); i < n; ++i) {
        auto it = g.headerGroup.find(buttonAt(i).idCommand);
        if (it != g.headerGroup.end() && it->second == group) return i;
    }
    return -1;
}

bool isHeader(int i) { return g.headerGroup.count(buttonAt(i).idCommand) != 0; }

// The buttons [first, last] that move with button i: its group with headers,
// itself without.
std::pair<int, int> groupOf(int i) {
    if (!g.groups) return {i, i};
    int first = i;
    while (first > 0 && !isHeader(first)) --first;
    int last = i;
    while (last + 1 < buttonCount() && !isHeader(last + 1)) ++last;
    return {first, last};
}

void look() {
    std::set<HWND> wanting;
    EnumWindows(collectWanting, reinterpret_cast<LPARAM>(&wanting));
    std::set<HWND> present;
    for (int i = buttonCount() - 1; i >= 0; --i) {
        const TBBUTTON b = buttonAt(i);
        if (g.headerGroup.count(b.idCommand)) continue;
        HWND w = windowOf(b);
        if (wanting.count(w))
            present.insert(w);
        else
            removeAt(i);
    }
    // Headers whose group has no button left go too. Like the shell, the
    // stand-in knows each button's group; where the buttons stand does not
    // matter (a group is torn apart for a moment while it is moved).
    for (int i = buttonCount() - 1; i >= 0; --i) {
        const auto header = g.headerGroup.find(buttonAt(i).idCommand);
        if (header == g.headerGroup.end()) continue;
        const bool used = std::any_of(g.buttonGroup.begin(), g.buttonGroup.end(),
                                      [&](const auto& b) { return b.second == header->second; });
        if (!used) removeAt(i);
    }

    for (HWND w : wanting) {  // std::set: in the order of the handles
        if (present.count(w)) continue;
        if (!g.groups) {
            insertAt(buttonCount(), w, {});
            continue;
        }
        const std::wstring group = classOf(w);
        const int header = headerIndex(group);
        if (header < 0) {
            insertAt(buttonCount(), nullptr, group);
            insertAt(buttonCount(), w, group);
        } else {
            insertAt(groupOf(header).second + 1, w, group);
        }
    }
}

// The first group (or button) to the end, by the stand-in's own moves.
void churn() {
    const int n = buttonCount();
    if (n < 2) return;
    const auto [first, last] = groupOf(0);
    for (int k = first; k <= last; ++k) SendMessageW(g.toolbar, TB_MOVEBUTTON, 0, n - 1);
}

LRESULT CALLBACK toolbarProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (g.slowMs && msg >= WM_USER && InSendMessage()) Sleep(g.slowMs);
    // (The stand-in's own moves below come back through here while the
    // foreign one is being handled, and InSendMessage is still true for them.)
    if (msg == TB_MOVEBUTTON && g.churnMoves > 0 && !g.churning && InSendMessage()) {
        --g.churnMoves;
        g.churning = true;
        churn();
        g.churning = false;
    }
    return CallWindowProcW(g.toolbarProc, h, msg, wp, lp);
}

LRESULT toFront(HWND window) {
    for (int i = 0, n = buttonCount(); i < n; ++i) {
        if (isHeader(i) || windowOf(buttonAt(i)) != window) continue;
        const auto [first, last] = groupOf(i);
        for (int k = first; k <= last; ++k) SendMessageW(g.toolbar, TB_MOVEBUTTON, last, 0);
        return 1;
    }
    return 0;
}

LRESULT CALLBACK trayProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_TIMER:
            if (wp == kLookTimer) look();
            return 0;
        case kHang:
            Sleep(static_cast<DWORD>(wp));
            return 0;
        case kSlow:
            g.slowMs = static_cast<DWORD>(wp);
            return 0;
        case kChurn:
            g.churnMoves = static_cast<int>(wp);
            return 0;
        case kRefresh:
            look();
            return buttonCount();
        case kButtonWindow: {
            const int i = static_cast<int>(wp);
            if (i < 0 || i >= buttonCount()) return -1;
            return reinterpret_cast<LRESULT>(windowOf(buttonAt(i)));
        }
        case kToFront:
            return toFront(reinterpret_cast<HWND>(wp));
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(h, msg, wp, lp);
    }
}

HWND child(const wchar_t* cls, HWND parent, DWORD style = 0) {
    return CreateWindowExW(0, cls, nullptr, WS_CHILD | WS_VISIBLE | style, 0, 0, 1280, 30, parent, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    for (int i = 1; argv && i < argc; ++i)
        if (lstrcmpW(argv[i], kGroupsFlag) == 0) g.groups = true;
    LocalFree(argv);

    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_BAR_CLASSES | ICC_COOL_CLASSES};
    InitCommonControlsEx(&icc);

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = trayProc;
    wc.hInstance = instance;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"Shell_TrayWnd";
    RegisterClassExW(&wc);
    WNDCLASSEXW tasks = wc;
    tasks.lpfnWndProc = DefWindowProcW;
    tasks.lpszClassName = L"MSTaskSwWClass";
    RegisterClassExW(&tasks);

    // A tool window, as the shell's taskbar is: it has no button of its own.
    g.tray = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, L"Shell_TrayWnd", nullptr, WS_POPUP | WS_VISIBLE, 0,
                             GetSystemMetrics(SM_CYSCREEN) - 30, GetSystemMetrics(SM_CXSCREEN), 30, nullptr, nullptr,
                             instance, nullptr);
    HWND rebar = child(REBARCLASSNAMEW, g.tray);
    HWND taskSwitch = child(L"MSTaskSwWClass", rebar);
    g.toolbar = child(TOOLBARCLASSNAMEW, taskSwitch, TBSTYLE_LIST | CCS_NORESIZE | CCS_NODIVIDER);
    if (!g.tray || !rebar || !taskSwitch || !g.toolbar) return 1;
    SendMessageW(g.toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    g.toolbarProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(g.toolbar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(toolbarProc)));
    look();
    SetTimer(g.tray, kLookTimer, 25, nullptr);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
