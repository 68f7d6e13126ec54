// Preview benchmark: 50 windows over a 2 x 2 grid, on the capture path and
// (with the stand-in DWM library's composition switched on) the thumbnail
// path. Measures the time from the hotkey to the preview window's first
// frame, the zoom-out, opening and closing 100 times (threads and handles
// of Zelvane's process before and after), and opening and closing with a
// hung window. Prints Markdown lines; scripts/preview-bench.sh runs it.
// Optionally saves a screenshot of the open preview (--shot=FILE.bmp).
#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "keys.h"
#include "menu_probe/menu_probe.h"
#include "layout.h"
#include "poll.h"
#include "window_host.h"
#include "zelvane_process.h"

using namespace e2e;

namespace {

constexpr wchar_t kViewClass[] = L"ZelvaneViewClass";

void setComposition(bool on) {
    CreateDirectoryA("C:\\zlvdwm", nullptr);
    std::ofstream("C:\\zlvdwm\\composition", std::ios::binary) << (on ? "1" : "0");
}

HWND viewOf(DWORD pid) {
    for (HWND w : topLevelWindows(pid, kViewClass))
        if (IsWindowVisible(w)) return w;
    return nullptr;
}

bool answers(HWND w) {
    DWORD_PTR r = 0;
    return SendMessageTimeoutW(w, WM_NULL, 0, 0, SMTO_NORMAL, 20000, &r) != 0;
}

int threadsOf(DWORD pid) {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snap == INVALID_HANDLE_VALUE) return -1;
    THREADENTRY32 t{};
    t.dwSize = sizeof t;
    int n = 0;
    for (BOOL ok = Thread32First(snap, &t); ok; ok = Thread32Next(snap, &t))
        if (t.th32OwnerProcessID == pid) ++n;
    CloseHandle(snap);
    return n;
}

DWORD handlesOf(DWORD pid) {
    HANDLE p = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid);
    DWORD n = 0;
    if (p) {
        GetProcessHandleCount(p, &n);
        CloseHandle(p);
    }
    return n;
}

struct Times {
    double toFirstFrame = 0;   // hotkey to the preview's own first picture (the freeze cover gone)
    double toInteractive = 0;  // hotkey to the zoom-out (and fade) done
    double closing = 0;        // Escape to the window gone
    double start = 0;
};

// How far new USER and GDI handles reach into Zelvane's handle tables
// ("<user> / <gdi>"): Wine's GetGuiResources counts nothing, so leaks show
// as a climbing reach. Read by the test-only probe library
// (tests/e2e/menu_probe), hooked into Zelvane's UI thread only for the
// reading: a hook left in place slows every message of that thread.
std::string handleReach(HWND main) {
    if (std::getenv("ZLV_NO_PROBE")) return "off";
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring dir(self);
    dir.resize(dir.find_last_of(L'\\'));
    dir.resize(dir.find_last_of(L'\\'));  // the e2e program's folder, one up
    HMODULE module = LoadLibraryW((dir + L"\\" + kMenuProbeLibrary).c_str());
    if (!module) return "-";
    const auto attach = reinterpret_cast<ProbeAttachFn>(reinterpret_cast<void*>(GetProcAddress(module, "ProbeAttach")));
    const auto detach = reinterpret_cast<ProbeDetachFn>(reinterpret_cast<void*>(GetProcAddress(module, "ProbeDetach")));
    const auto ask = reinterpret_cast<ProbeAskFn>(reinterpret_cast<void*>(GetProcAddress(module, "ProbeAsk")));
    std::string out = "-";
    if (attach && detach && ask && attach(main)) {
        char user[64] = "?", gdi[64] = "?";
        ask(main, "fresh", user, sizeof user, 10000);
        ask(main, "freshgdi", gdi, sizeof gdi, 10000);
        out = std::string(user) + " / " + gdi;
        detach();
    }
    FreeLibrary(module);
    return out;
}

bool coverShown(DWORD pid) {
    for (HWND w : topLevelWindows(pid, L"ZelvaneCoverClass"))
        if (IsWindowVisible(w)) return true;
    return false;
}

bool openAndClose(ZelvaneProcess& z, Times& t, const std::wstring& shot = {}) {
    // Timed from the key that fires the hotkey, sent with no pause after it.
    HWND v = nullptr;
    bool shown = false;
    {
        HeldModifiers held({kAlt, kShift});
        held.reassert();
        const DWORD pacing = keyPacing();
        setKeyPacing(0);
        const double t0 = nowMs();
        const bool sent = keyDown(VK_SPACE);
        setKeyPacing(pacing);
        // The view is shown under the freeze cover; the first frame of the
        // zoom is on the screen once the cover is gone.
        shown = sent && pollUntil([&] { return (v = viewOf(z.pid())) != nullptr && !coverShown(z.pid()); }, 10s, 1ms);
        t.toFirstFrame = nowMs() - t0;
        t.start = t0;
        keyUp(VK_SPACE);
    }
    if (!shown) {
        wchar_t cls[128] = {};
        GetClassNameW(GetForegroundWindow(), cls, 128);
        std::fprintf(stderr, "preview_bench: no first frame within 10 s (view %p, cover %d, hotkey %d, fg %ls, at %.0f)\n",
                     static_cast<void*>(viewOf(z.pid())), coverShown(z.pid()) ? 1 : 0,
                     hotkeyTaken(MOD_ALT | MOD_SHIFT, VK_SPACE) ? 1 : 0, cls, nowMs());
        // The chord went to a window instead (Wine may take it for Alt+Space
        // and open a window menu, which would swallow every later chord).
        for (int i = 0; i < 2; ++i) pressChord({}, VK_ESCAPE);
        return false;
    }
    if (!answers(v)) {
        std::fprintf(stderr, "preview_bench: the preview did not answer\n");
        return false;
    }
    t.toInteractive = nowMs() - t.start;
    if (!shot.empty()) {
        Sleep(700);  // a refresh or two: the pictures are in
        HDC screen = GetDC(nullptr);
        const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
        HDC mem = CreateCompatibleDC(screen);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        void* bits = nullptr;
        HBITMAP bmp = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(mem, bmp);
        BitBlt(mem, 0, 0, w, h, screen, 0, 0, SRCCOPY);
        const DWORD stride = ((w * 3 + 3) / 4) * 4, size = stride * h;
        BITMAPFILEHEADER fh{};
        fh.bfType = 0x4D42;
        fh.bfOffBits = sizeof fh + sizeof(BITMAPINFOHEADER);
        fh.bfSize = fh.bfOffBits + size;
        std::ofstream out(narrow(shot), std::ios::binary);
        out.write(reinterpret_cast<const char*>(&fh), sizeof fh);
        out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof(BITMAPINFOHEADER));
        out.write(static_cast<const char*>(bits), size);
        SelectObject(mem, old);
        DeleteObject(bmp);
        DeleteDC(mem);
        ReleaseDC(nullptr, screen);
    }
    const double t1 = nowMs();
    PostMessageW(v, WM_KEYDOWN, VK_ESCAPE, 0);
    if (!pollUntil([&] { return topLevelWindows(z.pid(), kViewClass).empty(); }, 20s, 1ms)) {
        std::fprintf(stderr, "preview_bench: the preview did not close\n");
        return false;
    }
    t.closing = nowMs() - t1;
    return pollUntil([] { return hotkeyTaken(MOD_ALT | MOD_SHIFT, VK_SPACE); });
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void run(const char* path, bool composition, WindowHost& host, HostWindow* hangable, const std::wstring& shot) {
    setComposition(composition);
    ZelvaneProcess z(ZelvaneProcess::freshHome(composition ? L"bench-thumb" : L"bench-capture"));
    if (!z.start() || !z.waitReady()) {
        std::printf("| %s | Zelvane did not start | | | |\n", path);
        return;
    }
    pollUntil([] { return hotkeyTaken(MOD_ALT | MOD_SHIFT, VK_SPACE); });
    std::vector<double> first, interactive, closing;
    for (int i = 0; i < 10; ++i) {
        Times t;
        if (!openAndClose(z, t, i == 0 ? shot : std::wstring())) {
            std::printf("| %s | open/close failed | | | |\n", path);
            return;
        }
        first.push_back(t.toFirstFrame);
        interactive.push_back(t.toInteractive);
        closing.push_back(t.closing);
    }
    std::printf("| %s, 50 windows | %.0f ms | %.0f ms | %.0f ms |\n", path, median(first), median(interactive),
                median(closing));

    const std::string reach0 = handleReach(z.mainWindow());
    const int threads0 = threadsOf(z.pid());
    const DWORD handles0 = handlesOf(z.pid());
    int failed = 0;
    for (int i = 0; i < 100 && failed < 5; ++i) {
        Times t;
        if (!openAndClose(z, t)) {
            std::fprintf(stderr, "preview_bench: open %d failed\n", i);
            ++failed;
        }
    }
    // Capture workers end on their own, once their last capture is done:
    // counted 1.5 s, 5 s and 15 s after the last close.
    Sleep(1500);
    const int threads1 = threadsOf(z.pid());
    Sleep(3500);
    const int threads5 = threadsOf(z.pid());
    Sleep(10000);
    std::printf("| %s, 100 opens and closes | threads %d -> %d / %d / %d (1.5 / 5 / 15 s after) | kernel handles "
                "%lu -> %lu; USER / GDI handle reach %s -> %s | %d failed |\n",
                path, threads0, threads1, threads5, threadsOf(z.pid()), handles0, handlesOf(z.pid()), reach0.c_str(),
                handleReach(z.mainWindow()).c_str(), failed);

    hangable->hang();
    std::vector<double> hungFirst, hungClose;
    for (int i = 0; i < 5; ++i) {
        Times t;
        if (!openAndClose(z, t)) break;
        hungFirst.push_back(t.toInteractive);
        hungClose.push_back(t.closing);
    }
    hangable->release();
    std::printf("| %s, one window hung | %.0f ms to interactive | %.0f ms closing | |\n", path, median(hungFirst),
                median(hungClose));
    z.close(30s);
    (void)host;
}

}  // namespace

int main(int argc, char** argv) {
    std::string exe;
    std::wstring shot;
    std::string only;
    if (const char* env = std::getenv("ZELVANE_EXE")) exe = env;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--zelvane=", 10) == 0) exe = argv[i] + 10;
        if (std::strncmp(argv[i], "--only=", 7) == 0) only = argv[i] + 7;  // capture or thumbnail
        if (std::strncmp(argv[i], "--shot=", 7) == 0) {
            const std::string s = argv[i] + 7;
            shot.assign(s.begin(), s.end());
        }
    }
    ZelvaneProcess::setExecutable(std::wstring(exe.begin(), exe.end()));
    const Grid grid = Grid::fromSystem();
    WindowHost host;
    Layout layout(grid);
    HostWindow* hangable = nullptr;
    for (int i = 0; i < 50; ++i) {
        const Workspace ws{(i / 2) % 2, i % 2};
        const RECT base = makeRect(30 + (i % 7) * 150, 30 + (i % 5) * 130, 300, 220);
        WindowOptions o;
        o.color = RGB(40 + (i * 37) % 180, 70 + (i * 53) % 150, 90 + (i * 29) % 140);
        Tracked* t = layout.open(host, "w" + std::to_string(i), ws, base, Workspace{}, o);
        if (i == 0) hangable = t->window;
    }
    std::printf("| path | hotkey to first frame | hotkey to zoomed out | closing |\n|---|---|---|---|\n");
    if (only != "thumbnail") run("capture path", false, host, hangable, shot);
    if (only != "capture") run("thumbnail path", true, host, hangable, std::wstring());
    setComposition(false);
    return 0;
}
