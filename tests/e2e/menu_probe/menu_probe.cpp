#include "menu_probe.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "hooklib/shared_section.h"

namespace {

constexpr int kRequestSize = 4096;
constexpr int kReplySize = 65536;

// One copy for the test and for Zelvane: the request goes in, the reply out.
// Access is serialised by the sent message, which blocks the test until the
// hook has answered.
SHARED_SECTION_BEGIN(".probe")
SHARED_IN(".probe") char g_request[kRequestSize] = {0};
SHARED_IN(".probe") char g_reply[kReplySize] = {0};
SHARED_IN(".probe") LONG g_answered = 0;
SHARED_SECTION_END

HMODULE g_module = nullptr;  // per process
HHOOK g_hook = nullptr;      // in the test's process only

UINT probeMessage() {
    static const UINT message = RegisterWindowMessageW(L"ZelvaneTestMenuProbe");
    return message;
}

std::string utf8(const wchar_t* s, int n) {
    if (n <= 0) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, s, n, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, s, n, out.data(), size, nullptr, nullptr);
    return out;
}

std::string hex(const void* p) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%lx", static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(p)));
    return buf;
}

void dumpMenu(HMENU menu, int depth, std::string& out) {
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        wchar_t label[512] = {0};
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
        info.dwTypeData = label;
        info.cch = 511;
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info)) {
            out += std::to_string(depth) + "\t?\t-\t?\n";
            continue;
        }
        std::string flags;
        const auto add = [&flags](const std::string& f) { flags += (flags.empty() ? "" : ",") + f; };
        if (info.hSubMenu) add("sub:" + hex(info.hSubMenu));
        if (info.fState & MFS_CHECKED) add("checked");
        if (info.fType & MFT_RADIOCHECK) add("radio");
        if (info.fState & MFS_GRAYED) add("grayed");
        if (flags.empty()) flags = "-";
        out += std::to_string(depth) + "\t" + std::to_string(info.wID) + "\t" + flags + "\t" +
               utf8(label, static_cast<int>(wcslen(label))) + "\n";
        if (info.hSubMenu) dumpMenu(info.hSubMenu, depth + 1, out);
    }
}

BOOL CALLBACK collectPopup(HWND hwnd, LPARAM lp) {
    wchar_t cls[16] = {0};
    GetClassNameW(hwnd, cls, 16);
    if (std::wcscmp(cls, L"#32768") == 0 && IsWindowVisible(hwnd))
        reinterpret_cast<std::vector<HWND>*>(lp)->push_back(hwnd);
    return TRUE;
}

std::vector<HWND> openPopups() {
    std::vector<HWND> popups;
    EnumThreadWindows(GetCurrentThreadId(), collectPopup, reinterpret_cast<LPARAM>(&popups));
    return popups;
}

bool isSubmenuOf(HMENU sub, HMENU parent) {
    for (int i = 0, n = GetMenuItemCount(parent); i < n; ++i) {
        HMENU child = GetSubMenu(parent, i);
        if (child && (child == sub || isSubmenuOf(sub, child))) return true;
    }
    return false;
}

// The root of the open menu: the popup whose menu is nobody's submenu.
HMENU openRootMenu() {
    std::vector<HMENU> menus;
    for (HWND popup : openPopups()) {
        HMENU m = reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0));
        if (m) menus.push_back(m);
    }
    for (HMENU m : menus) {
        bool inner = false;
        for (HMENU other : menus) inner = inner || (other != m && isSubmenuOf(m, other));
        if (!inner) return m;
    }
    return nullptr;
}

// The highest slot (low word) among 32 handles made and freed at once.
template <typename Make, typename Free>
unsigned long highestSlot(Make make, Free free) {
    std::vector<decltype(make())> batch;
    unsigned long highest = 0;
    for (int i = 0; i < 32; ++i) {
        const auto h = make();
        if (!h) break;
        batch.push_back(h);
        highest = std::max(highest, static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(h) & 0xFFFF));
    }
    for (const auto h : batch) free(h);
    return highest;
}

// Whether every entry of the menu holds its label whole: an entry is at
// least as tall as the menu font's text and as wide as its label in that
// font (the font of the system's metrics, which follow the screen's scale).
// "ok", or the first entry that is cut.
std::string labelsFit(HMENU menu) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return "no metrics";
    HFONT font = CreateFontIndirectW(&metrics.lfMenuFont);
    HDC dc = GetDC(nullptr);
    const HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    std::string result = "ok";
    int measured = 0;
    for (int i = 0, n = GetMenuItemCount(menu); i < n && result == "ok"; ++i) {
        wchar_t label[512] = {0};
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_STRING;
        info.dwTypeData = label;
        info.cch = 511;
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info) || (info.fType & MFT_SEPARATOR)) continue;
        std::wstring text(label);
        text.erase(std::remove(text.begin(), text.end(), L'&'), text.end());
        RECT r{};
        SIZE extent{};
        if (!GetMenuItemRect(nullptr, menu, static_cast<UINT>(i), &r) ||
            !GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent)) {
            result = "unmeasured: " + utf8(label, static_cast<int>(wcslen(label)));
        } else if (++measured, r.bottom - r.top < tm.tmHeight || r.right - r.left < extent.cx) {
            result = "cut: " + utf8(label, static_cast<int>(wcslen(label))) + " in " +
                     std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top) + ", needs " +
                     std::to_string(extent.cx) + "x" + std::to_string(tm.tmHeight);
        }
    }
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    DeleteObject(font);
    return result == "ok" && measured == 0 ? "no entry measured" : result;
}

std::string answer(const std::string& request) {
    std::istringstream in(request);
    std::string verb;
    in >> verb;
    if (verb == "menu") {
        HMENU root = openRootMenu();
        if (!root) return "none";
        std::string out = "menu " + hex(root) + "\n";
        dumpMenu(root, 0, out);
        return out;
    }
    if (verb == "fit") {
        std::string result = "none";
        for (HWND popup : openPopups()) {
            HMENU m = reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0));
            if (m && (result = labelsFit(m)) != "ok") break;
        }
        return result;
    }
    if (verb == "alive") {
        int alive = 0;
        std::string h;
        while (in >> h)
            if (IsMenu(reinterpret_cast<HMENU>(static_cast<ULONG_PTR>(std::stoul(h, nullptr, 16))))) ++alive;
        return std::to_string(alive);
    }
    if (verb == "rect") {
        RECT all{};
        for (HWND popup : openPopups()) {
            RECT r;
            GetWindowRect(popup, &r);
            UnionRect(&all, &all, &r);
        }
        return std::to_string(all.left) + " " + std::to_string(all.top) + " " + std::to_string(all.right) + " " +
               std::to_string(all.bottom);
    }
    // A handle table's reach: the highest slot among a batch of new handles.
    // Freed slots are handed out again first, so this only climbs when
    // handles pile up somewhere.
    if (verb == "fresh") return std::to_string(highestSlot(CreatePopupMenu, DestroyMenu));
    if (verb == "freshgdi")
        return std::to_string(highestSlot([] { return CreateRectRgn(0, 0, 1, 1); }, DeleteObject));
    if (verb == "gui") {
        return std::to_string(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)) + " " +
               std::to_string(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS));
    }
    return "unknown request";
}

LRESULT CALLBACK callWndProc(int code, WPARAM wp, LPARAM lp) {
    const auto* cwp = reinterpret_cast<const CWPSTRUCT*>(lp);
    if (code == HC_ACTION && cwp && cwp->message == probeMessage() && cwp->wParam == 0x5A4D) {
        std::string reply;
        try {
            reply = answer(std::string(g_request, strnlen(g_request, kRequestSize)));
        } catch (...) {
            reply = "error";
        }
        std::strncpy(g_reply, reply.c_str(), kReplySize - 1);
        g_reply[kReplySize - 1] = '\0';
        InterlockedExchange(&g_answered, 1);
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) g_module = module;
    return TRUE;
}

extern "C" __declspec(dllexport) BOOL ProbeAttach(HWND target) {
    if (g_hook) return TRUE;
    const DWORD thread = GetWindowThreadProcessId(target, nullptr);
    if (!thread) return FALSE;
    g_hook = SetWindowsHookExW(WH_CALLWNDPROC, callWndProc, g_module, thread);
    return g_hook != nullptr;
}

extern "C" __declspec(dllexport) void ProbeDetach() {
    if (g_hook) UnhookWindowsHookEx(g_hook);
    g_hook = nullptr;
}

extern "C" __declspec(dllexport) BOOL ProbeAsk(HWND target, const char* request, char* reply, int replySize, UINT timeoutMs) {
    if (!g_hook || replySize <= 0) return FALSE;
    std::strncpy(g_request, request, kRequestSize - 1);
    g_request[kRequestSize - 1] = '\0';
    InterlockedExchange(&g_answered, 0);
    DWORD_PTR result = 0;
    // The marker in wParam keeps a stray broadcast of the same message inert.
    if (!SendMessageTimeoutW(target, probeMessage(), 0x5A4D, 0, SMTO_NORMAL, timeoutMs, &result)) return FALSE;
    if (InterlockedCompareExchange(&g_answered, 0, 0) != 1) return FALSE;
    std::strncpy(reply, g_reply, static_cast<size_t>(replySize) - 1);
    reply[replySize - 1] = '\0';
    return TRUE;
}
