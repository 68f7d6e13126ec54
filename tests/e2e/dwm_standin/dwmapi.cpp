// A stand-in for the desktop window manager's library, for the end-to-end
// tests only (never shipped). Wine reports composition off and cannot draw
// thumbnails; this library answers in its place so that the preview's
// thumbnail path runs, and it records what the program asked of it.
//
// Everything goes through files in C:\zlvdwm, so a test can change the
// answers while Zelvane runs and read the record afterwards:
//   composition  "1": composition is on; anything else or no file: off
//   cloaked      window handles (hexadecimal, one per line) reported cloaked
//   log          one line per call, appended in the order of the calls:
//                  R <thumbnail> <destination> <source> <ms>
//                  U <thumbnail> <flags> <left> <top> <right> <bottom> <visible> <opacity> <ms>
//                  X <thumbnail> <ms>
// Thumbnail handles count up from 1 within a process.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

#pragma pack(push, 1)
struct ThumbnailProperties {  // laid out as the system declares it
    DWORD flags;
    RECT destination;
    RECT source;
    BYTE opacity;
    BOOL visible;
    BOOL sourceClientAreaOnly;
};
#pragma pack(pop)

constexpr DWORD kCloakedAttribute = 14;
LONG g_nextThumbnail = 0;

// A state file, read again only when it changed (its write time or size):
// under Wine every file call is a round trip to the server, and the preview
// asks for the cloaked state of every window when it opens.
struct StateFile {
    const char* name;
    FILETIME written{};
    DWORD size = MAXDWORD;
    bool present = false;
    char text[1024] = {};
};

const char* readState(StateFile& f) {
    char path[MAX_PATH];
    std::snprintf(path, sizeof path, "C:\\zlvdwm\\%s", f.name);
    WIN32_FILE_ATTRIBUTE_DATA info{};
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &info)) {
        f.present = false;
        f.size = MAXDWORD;
        return nullptr;
    }
    if (f.present && CompareFileTime(&info.ftLastWriteTime, &f.written) == 0 && info.nFileSizeLow == f.size)
        return f.text;
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    DWORD n = 0;
    const BOOL ok = ReadFile(h, f.text, sizeof f.text - 1, &n, nullptr);
    CloseHandle(h);
    f.text[ok ? n : 0] = '\0';
    f.present = ok != FALSE;
    f.written = info.ftLastWriteTime;
    f.size = info.nFileSizeLow;
    return f.present ? f.text : nullptr;
}

StateFile g_composition{"composition"};
StateFile g_cloaked{"cloaked"};

// The record, appended through one handle kept open (a test deletes the
// file only while no program of its run has it).
void record(const char* line) {
    static HANDLE log = INVALID_HANDLE_VALUE;
    if (log == INVALID_HANDLE_VALUE) {
        CreateDirectoryA("C:\\zlvdwm", nullptr);
        log = CreateFileA("C:\\zlvdwm\\log", FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          nullptr, OPEN_ALWAYS, 0, nullptr);
        if (log == INVALID_HANDLE_VALUE) return;
    }
    DWORD written = 0;
    WriteFile(log, line, static_cast<DWORD>(std::strlen(line)), &written, nullptr);
}

unsigned long long handleValue(const void* h) { return reinterpret_cast<unsigned long long>(h); }

}  // namespace

extern "C" {

HRESULT WINAPI DwmIsCompositionEnabled(BOOL* enabled) {
    if (!enabled) return E_INVALIDARG;
    const char* text = readState(g_composition);
    *enabled = text && text[0] == '1';
    return S_OK;
}

HRESULT WINAPI DwmRegisterThumbnail(HWND destination, HWND source, HANDLE* thumbnail) {
    if (!thumbnail || !IsWindow(destination) || !IsWindow(source)) return E_INVALIDARG;
    *thumbnail = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(InterlockedIncrement(&g_nextThumbnail)));
    char line[160];
    std::snprintf(line, sizeof line, "R %llx %llx %llx %lu\n", handleValue(*thumbnail), handleValue(destination),
                  handleValue(source), GetTickCount());
    record(line);
    return S_OK;
}

HRESULT WINAPI DwmUnregisterThumbnail(HANDLE thumbnail) {
    char line[80];
    std::snprintf(line, sizeof line, "X %llx %lu\n", handleValue(thumbnail), GetTickCount());
    record(line);
    return S_OK;
}

HRESULT WINAPI DwmUpdateThumbnailProperties(HANDLE thumbnail, const ThumbnailProperties* p) {
    if (!p) return E_INVALIDARG;
    char line[200];
    std::snprintf(line, sizeof line, "U %llx %lx %ld %ld %ld %ld %d %u %lu\n", handleValue(thumbnail), p->flags,
                  p->destination.left, p->destination.top, p->destination.right, p->destination.bottom,
                  p->visible ? 1 : 0, static_cast<unsigned>(p->opacity), GetTickCount());
    record(line);
    return S_OK;
}

HRESULT WINAPI DwmGetWindowAttribute(HWND window, DWORD attribute, void* value, DWORD size) {
    if (!value || attribute != kCloakedAttribute || size < sizeof(DWORD)) return E_INVALIDARG;
    DWORD cloaked = 0;
    if (const char* text = readState(g_cloaked)) {
        for (const char* p = text; *p;) {
            char* end = nullptr;
            const unsigned long long h = std::strtoull(p, &end, 16);
            if (end == p) break;
            if (h != 0 && h == handleValue(window)) cloaked = 1;
            p = end;
            while (*p == '\r' || *p == '\n' || *p == ' ') ++p;
        }
    }
    *static_cast<DWORD*>(value) = cloaked;
    return S_OK;
}

}  // extern "C"
