// Preview benchmark: 50 windows over a 2 x 2 grid, on the capture path and
// (with the stand-in DWM library's composition switched on) the thumbnail
// path, beside a floor measured in the same run: a bare program that, on
// the same hotkey, creates one full-screen window and paints a copy of the
// screen into it (floor.*). Per open it times, from the key-down of the
// hotkey's Space: the first frame (the window shown over the screen; both
// programs draw their copy of the screen into it right after), and the
// zoom-out's first moving frame; on the thumbnail path, from the stand-in's
// record, how long the zoom-out and the zoom-in last; and from Escape the
// close. Then 100
// opens and closes (threads and handles of Zelvane before and after), and
// opens with a hung window. Prints Markdown lines; scripts/preview-bench.sh
// runs it. Optionally saves a screenshot of the open preview (--shot=FILE.bmp).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <functional>
#include <string>
#include <vector>

#include "floor.h"
#include "keys.h"
#include "layout.h"
#include "menu_probe/menu_probe.h"
#include "poll.h"
#include "processes.h"
#include "window_host.h"
#include "zelvane_process.h"

using namespace e2e;

namespace {

constexpr wchar_t kViewClass[] = L"ZelvaneViewClass";
constexpr int kRounds = 3;        // the floor and Zelvane take turns
constexpr int kOpensPerTurn = 5;
constexpr int kTransitionTime = 200;

void setComposition(bool on) {
    CreateDirectoryA("C:\\zlvdwm", nullptr);
    std::ofstream("C:\\zlvdwm\\composition", std::ios::binary) << (on ? "1" : "0");
}

HWND shownWindow(DWORD pid, const wchar_t* cls) {
    for (HWND w : topLevelWindows(pid, cls))
        if (IsWindowVisible(w)) return w;
    return nullptr;
}

bool answers(HWND w) {
    DWORD_PTR r = 0;
    return SendMessageTimeoutW(w, WM_NULL, 0, 0, SMTO_NORMAL, 20000, &r) != 0;
}

// The screen's top-left corner: the marker window's frame while a
// workspace fills the screen, the black margin once the plane shrinks.
bool cornerBlack() {
    HDC screen = GetDC(nullptr);
    const COLORREF c = GetPixel(screen, 2, 2);
    ReleaseDC(nullptr, screen);
    return (c & 0xFFFFFF) == 0;
}

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

void saveScreen(const std::wstring& file) {
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
    std::ofstream out(narrow(file), std::ios::binary);
    out.write(reinterpret_cast<const char*>(&fh), sizeof fh);
    out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof(BITMAPINFOHEADER));
    out.write(static_cast<const char*>(bits), size);
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
}

// One open and close, every time from the key-down of Space (sent with no
// pause after it), with the modifiers held.
struct Open {
    double firstFrame = -1;  // the window shown with its first picture
    double zoomStart = -1;   // its first moving frame (the corner goes black)
    DWORD zoomStartTick = 0; // the same moment on the stand-in DWM record's clock
    double zoomedOut = -1;   // it answers again: the zoom-out is over
    double closing = -1;     // from Escape until the window is gone
};

// Presses the hotkey and times what the program `pid` shows with its window
// class `cls`; with zoom, the preview's zoom-out and zoom-in too.
bool openAndClose(DWORD pid, const wchar_t* cls, bool zoom, Open& t, const std::wstring& shot = {}) {
    HWND v = nullptr;
    double t0 = 0;
    bool shown = false;
    {
        HeldModifiers held({kAlt, kShift});
        held.reassert();
        const DWORD pacing = keyPacing();
        setKeyPacing(0);
        t0 = nowMs();
        const bool sent = keyDown(VK_SPACE);
        setKeyPacing(pacing);
        shown = sent && pollUntil([&] { return (v = shownWindow(pid, cls)) != nullptr; }, 10s, 1ms);
        t.firstFrame = nowMs() - t0;
        if (shown && zoom && pollUntil(cornerBlack, 10s, 1ms)) {
            t.zoomStart = nowMs() - t0;
            t.zoomStartTick = GetTickCount();
        }
        keyUp(VK_SPACE);
    }
    if (!shown) {
        std::fprintf(stderr, "preview_bench: no first frame within 10 s\n");
        // The chord went to a window instead (Wine may take it for Alt+Space
        // and open a window menu, which would swallow every later chord).
        for (int i = 0; i < 2; ++i) pressChord({}, VK_ESCAPE);
        return false;
    }
    // Twice: the first may be answered between the window's creation and
    // its zoom-out. Under Wine the second has come back before the zoom's
    // last frame, so this is the zoom-out's end at the earliest; when the
    // zoom is timed, from the record, a pause keeps the zoom-in apart from it.
    if (!answers(v) || !answers(v)) return false;
    t.zoomedOut = nowMs() - t0;
    if (zoom) Sleep(kTransitionTime + 100);
    if (!shot.empty()) {
        Sleep(700);
        saveScreen(shot);
    }
    const double t1 = nowMs();
    PostMessageW(v, WM_KEYDOWN, VK_ESCAPE, 0);
    if (!pollUntil([&] { return topLevelWindows(pid, cls).empty(); }, 20s, 1ms)) return false;
    t.closing = nowMs() - t1;
    return true;
}

// The zoom-out and the zoom-in of one open, from the stand-in DWM's record
// of the thumbnail of `marker` (what was appended from `from` on): each
// frame puts it once, with the time in milliseconds. The eased motion's
// last quarter moves the thumbnail by less than a pixel, so a zoom is not
// where its size stops changing: it is the run of frames, each at most
// kGap after the one before, from the first that changes the size in its
// direction to the last before the size turns back or the frames stop. Its
// duration is that run plus the frame interval before its first frame (the
// animation's clock starts one frame before its first picture). The
// thumbnails are registered a few frames into the zoom-out (its first frames
// show the still copy of the screen), so the zoom-out's run starts at
// `outStart` (GetTickCount), when its first moving frame was seen on the
// screen, if given.
struct Zooms {
    double out = -1, in = -1;
};
Zooms zoomsFromRecord(HWND marker, std::streamoff from, DWORD outStart) {
    constexpr double kGap = 60, kFrameMs = 10;
    std::ifstream log("C:\\zlvdwm\\log");
    log.seekg(from);
    std::string kind, line;
    unsigned long long thumbnail = 0;
    struct Frame {
        long width;
        double at;
    };
    std::vector<Frame> frames;
    while (std::getline(log, line)) {
        std::istringstream f(line);
        unsigned long long id = 0;
        if (!(f >> kind >> std::hex >> id)) continue;
        if (kind == "R") {
            unsigned long long destination = 0, source = 0;
            f >> destination >> source;
            if (source == reinterpret_cast<unsigned long long>(marker)) thumbnail = id;
        } else if (kind == "U" && id == thumbnail && thumbnail) {
            unsigned long flags = 0;
            long l = 0, t = 0, r = 0, b = 0;
            int visible = 0;
            unsigned opacity = 0;
            double at = 0;
            f >> flags >> std::dec >> l >> t >> r >> b >> visible >> opacity >> at;
            frames.push_back({r - l, at});
        }
    }
    // The run of frames from `first` that keeps the size moving one way
    // (shrinking: -1, growing: +1) or still; returns its last frame.
    const auto runEnd = [&](std::size_t first, int direction) {
        std::size_t last = first;
        while (last + 1 < frames.size() && frames[last + 1].at - frames[last].at <= kGap &&
               (frames[last + 1].width - frames[last].width) * direction >= 0)
            ++last;
        return last;
    };
    Zooms z;
    if (frames.empty()) return z;
    std::size_t firstOut = 1;
    while (firstOut < frames.size() && frames[firstOut].width >= frames.front().width) ++firstOut;
    if (firstOut >= frames.size()) return z;
    const std::size_t lastOut = runEnd(firstOut, -1);
    const double outFrom = outStart ? std::min<double>(outStart, frames[firstOut].at) : frames[firstOut].at;
    z.out = frames[lastOut].at - outFrom + kFrameMs;
    std::size_t firstIn = lastOut + 1;
    while (firstIn < frames.size() && frames[firstIn].width <= frames[lastOut].width) ++firstIn;
    if (firstIn >= frames.size()) return z;
    z.in = frames[runEnd(firstIn, +1)].at - frames[firstIn].at + kFrameMs;
    return z;
}

// The stand-in DWM library keeps its record open for as long as Zelvane
// runs, so the record is never deleted under it: each open reads what was
// appended since it began.
std::streamoff recordSize() {
    std::ifstream log("C:\\zlvdwm\\log", std::ios::binary | std::ios::ate);
    return log ? static_cast<std::streamoff>(log.tellg()) : 0;
}

double median(std::vector<double> v) {
    v.erase(std::remove_if(v.begin(), v.end(), [](double x) { return x < 0; }), v.end());
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

std::string ms(double v) {
    if (v < 0) return "-";
    char b[32];
    std::snprintf(b, sizeof b, "%.0f ms", v);
    return b;
}

std::string ratio(double a, double b) {
    if (a < 0 || b <= 0) return "-";
    char r[32];
    std::snprintf(r, sizeof r, "%.2f", a / b);
    return r;
}

std::wstring settingsHome(const wchar_t* tag, const std::string& settings) {
    const std::wstring home = ZelvaneProcess::freshHome(tag);
    std::ofstream(narrow(L"C:" + home + L"\\.zlvrc"), std::ios::binary) << settings;
    return home;
}

// Between two opens: the windows placed by the last close have settled.
void pause() { Sleep(1000); }

void run(const char* path, bool composition, HostWindow* hangable, HostWindow* marker, const std::wstring& shot) {
    setComposition(composition);
    // The zoom is timed alone: no dim overlay fading in after it.
    const std::string timing = "transitionTime=" + std::to_string(kTransitionTime) + "\r\nlightenPreview=false\r\n";
    const std::wstring home = settingsHome(composition ? L"bench-thumb" : L"bench-capture", timing);
    std::vector<double> floorFirst, first, zoomStart, zoomOut, zoomIn, closing;
    for (int round = 0; round < kRounds; ++round) {
        {
            preview_bench::FloorProgram floor;
            if (!floor.start()) {
                std::printf("| %s | the floor did not start | | | | | | | |\n", path);
                return;
            }
            for (int i = 0; i < kOpensPerTurn; ++i) {
                pause();
                Open t;
                if (openAndClose(floor.pid(), preview_bench::kFloorClass, false, t)) floorFirst.push_back(t.firstFrame);
            }
        }
        ZelvaneProcess z(home);
        if (!z.start() || !z.waitReady()) {
            std::printf("| %s | Zelvane did not start | | | | | | | |\n", path);
            return;
        }
        pollUntil([] { return hotkeyTaken(MOD_ALT | MOD_SHIFT, VK_SPACE); });
        for (int i = 0; i < kOpensPerTurn; ++i) {
            pause();
            const std::streamoff logStart = recordSize();
            Open t;
            if (!openAndClose(z.pid(), kViewClass, true, t)) {
                std::fprintf(stderr, "preview_bench: %s open failed\n", path);
                continue;
            }
            first.push_back(t.firstFrame);
            zoomStart.push_back(t.zoomStart);
            closing.push_back(t.closing);
            if (composition) {
                const Zooms recorded = zoomsFromRecord(marker->hwnd(), logStart, t.zoomStartTick);
                zoomOut.push_back(recorded.out);
                zoomIn.push_back(recorded.in);
            }
            pollUntil([] { return hotkeyTaken(MOD_ALT | MOD_SHIFT, VK_SPACE); });
        }
        z.close(30s);
    }
    const double floor = median(floorFirst);
    std::printf("| %s | %s | %s | %s | %s | %s | %s | %s | %s |\n", path, ms(floor).c_str(),
                ms(median(first)).c_str(), ratio(median(first), floor).c_str(), ms(median(zoomStart)).c_str(),
                ratio(median(zoomStart), floor).c_str(), ms(median(zoomOut)).c_str(),
                ms(median(zoomIn)).c_str(), ms(median(closing)).c_str());
    std::fflush(stdout);
    if (std::getenv("ZLV_BENCH_QUICK")) return;

    // The default settings (the dim overlay on): 100 opens and closes, then
    // five with a window hung.
    ZelvaneProcess z(settingsHome(composition ? L"bench-thumb-long" : L"bench-capture-long", ""));
    if (!z.start() || !z.waitReady()) return;
    pollUntil([] { return hotkeyTaken(MOD_ALT | MOD_SHIFT, VK_SPACE); });
    std::vector<double> interactive;
    for (int i = 0; i < 5; ++i) {
        pause();
        Open t;
        if (openAndClose(z.pid(), kViewClass, false, t, i == 0 ? shot : std::wstring())) interactive.push_back(t.zoomedOut);
        pollUntil([] { return hotkeyTaken(MOD_ALT | MOD_SHIFT, VK_SPACE); });
    }
    const std::string reach0 = handleReach(z.mainWindow());
    const int threads0 = threadCount(z.pid());
    int failed = 0;
    for (int i = 0; i < 100 && failed < 5; ++i) {
        Open t;
        if (!openAndClose(z.pid(), kViewClass, false, t)) ++failed;
        pollUntil([] { return hotkeyTaken(MOD_ALT | MOD_SHIFT, VK_SPACE); });
    }
    // Capture workers end on their own, once their last capture is done:
    // counted 1.5 s, 5 s and 15 s after the last close.
    Sleep(1500);
    const int threads1 = threadCount(z.pid());
    Sleep(3500);
    const int threads5 = threadCount(z.pid());
    Sleep(10000);
    std::printf("| %s, default settings | hotkey to zoomed out with the dim overlay %s | 100 opens and closes: threads "
                "%d -> %d / %d / %d (1.5 / 5 / 15 s after); USER / GDI handle reach %s -> %s | %d failed |\n",
                path, ms(median(interactive)).c_str(), threads0, threads1, threads5, threadCount(z.pid()),
                reach0.c_str(), handleReach(z.mainWindow()).c_str(), failed);

    hangable->hang();
    std::vector<double> hungOut, hungClose;
    for (int i = 0; i < 5; ++i) {
        pause();
        Open t;
        if (!openAndClose(z.pid(), kViewClass, false, t)) break;
        hungOut.push_back(t.zoomedOut);
        hungClose.push_back(t.closing);
        pollUntil([] { return hotkeyTaken(MOD_ALT | MOD_SHIFT, VK_SPACE); });
    }
    hangable->release();
    std::printf("| %s, one window hung | hotkey to zoomed out %s | closing %s | |\n", path, ms(median(hungOut)).c_str(),
                ms(median(hungClose)).c_str());
    std::fflush(stdout);
    z.close(30s);
}

}  // namespace

int main(int argc, char** argv) {
    std::string exe;
    std::wstring shot;
    std::string only;
    if (const char* env = std::getenv("ZELVANE_EXE")) exe = env;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--floor") == 0) return preview_bench::runFloor();
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
    // The marker in the screen's top-left corner (see cornerBlack).
    WindowOptions markerOptions;
    markerOptions.color = RGB(230, 200, 40);
    HostWindow* marker = layout.open(host, "corner", Workspace{}, makeRect(0, 0, 60, 60), Workspace{}, markerOptions)->window;
    std::printf("| path | floor: hotkey to its first frame | hotkey to first frame | first frame / floor | hotkey to "
                "zoom-out moving | moving / floor | zoom-out (%d ms) | zoom-in (%d ms) | closing |\n"
                "|---|---:|---:|---:|---:|---:|---:|---:|---:|\n",
                kTransitionTime, kTransitionTime);
    if (only != "thumbnail") run("capture path", false, hangable, marker, shot);
    if (only != "capture") run("thumbnail path", true, hangable, marker, std::wstring());
    setComposition(false);
    return 0;
}
