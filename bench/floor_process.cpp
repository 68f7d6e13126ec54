#include "floor_process.h"

#include <cstdint>
#include <cstdio>
#include <memory>

#include "zelvane_process.h"

namespace bench {
namespace {

// The names shared by the benchmark and its floor process: both derive them
// from the benchmark's process id.
std::wstring objectName(DWORD benchPid, const std::wstring& what) {
    return L"ZelvaneBenchFloor-" + std::to_wstring(benchPid) + L"-" + what;
}

std::wstring planFileOf(DWORD benchPid) {
    wchar_t dir[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, dir);
    return std::wstring(dir) + L"zelvane-floor-" + std::to_wstring(benchPid) + L".txt";
}

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

// One line per call: plan index, window handle, x, y, 1 to show / 0 to hide.
bool writePlans(const std::wstring& path, const std::vector<FloorPlan>& plans) {
    File f(_wfopen(path.c_str(), L"w"));
    if (!f) return false;
    for (size_t i = 0; i < plans.size(); ++i)
        for (const FloorStep& s : plans[i])
            std::fprintf(f.get(), "%zu %llu %ld %ld %d\n", i,
                         static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(s.hwnd)),
                         static_cast<long>(s.pos.x), static_cast<long>(s.pos.y), s.show ? 1 : 0);
    return std::fflush(f.get()) == 0;
}

std::vector<FloorPlan> readPlans(const std::wstring& path) {
    std::vector<FloorPlan> plans;
    File f(_wfopen(path.c_str(), L"r"));
    if (!f) return plans;
    size_t index;
    unsigned long long hwnd;
    long x, y;
    int show;
    while (std::fscanf(f.get(), "%zu %llu %ld %ld %d", &index, &hwnd, &x, &y, &show) == 5) {
        if (index >= 16) break;  // two are written; more is a damaged file
        if (plans.size() <= index) plans.resize(index + 1);
        plans[index].push_back({reinterpret_cast<HWND>(static_cast<std::uintptr_t>(hwnd)), {x, y}, show != 0});
    }
    return plans;
}

constexpr UINT kFloorFlags = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;

}  // namespace

FloorPlan floorPlan(const e2e::Grid& grid, const std::vector<BenchWindow>& windows, e2e::Workspace to) {
    FloorPlan plan;
    for (bool arriving : {false, true})
        for (const BenchWindow& w : windows) {
            if ((w.home == to) != arriving) continue;
            const RECT r = targetRect(grid, w, to);
            plan.push_back({w.hwnd, {r.left, r.top}, arriving});
        }
    return plan;
}

FloorProcess::FloorProcess(const std::vector<FloorPlan>& plans) {
    const DWORD pid = GetCurrentProcessId();
    planFile_ = planFileOf(pid);
    if (!writePlans(planFile_, plans)) {
        error_ = "could not write " + e2e::narrow(planFile_);
        return;
    }
    for (size_t i = 0; i < plans.size(); ++i)
        go_.emplace_back(CreateEventW(nullptr, FALSE, FALSE, objectName(pid, L"go" + std::to_wstring(i)).c_str()));
    done_.reset(CreateEventW(nullptr, FALSE, FALSE, objectName(pid, L"done").c_str()));
    ready_.reset(CreateEventW(nullptr, TRUE, FALSE, objectName(pid, L"ready").c_str()));
    quit_.reset(CreateEventW(nullptr, TRUE, FALSE, objectName(pid, L"quit").c_str()));
    for (const KernelHandle& h : go_)
        if (!h) error_ = "could not create the floor's events";
    if (!done_ || !ready_ || !quit_) error_ = "could not create the floor's events";
    if (!error_.empty()) return;

    wchar_t self[MAX_PATH + 1] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring cmd = L"\"" + std::wstring(self) + L"\" --floor=" + std::to_wstring(pid);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(self, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        error_ = "could not start the floor process, error " + std::to_string(GetLastError());
        return;
    }
    CloseHandle(pi.hThread);
    process_.reset(pi.hProcess);
    HANDLE wait[2] = {ready_.get(), process_.get()};
    if (WaitForMultipleObjects(2, wait, FALSE, 60000) != WAIT_OBJECT_0)
        error_ = "the floor process did not get ready";
}

FloorProcess::~FloorProcess() {
    if (quit_) SetEvent(quit_.get());
    if (process_ && WaitForSingleObject(process_.get(), 10000) != WAIT_OBJECT_0)
        TerminateProcess(process_.get(), 1);
    if (!planFile_.empty()) DeleteFileW(planFile_.c_str());
}

bool FloorProcess::go(size_t index) {
    return ok() && index < go_.size() && SetEvent(go_[index].get());
}

bool FloorProcess::waitDone(DWORD timeoutMs) {
    if (!ok()) return false;
    HANDLE wait[2] = {done_.get(), process_.get()};
    return WaitForMultipleObjects(2, wait, FALSE, timeoutMs) == WAIT_OBJECT_0;
}

int runFloorProcess(DWORD benchPid) {
    const std::vector<FloorPlan> plans = readPlans(planFileOf(benchPid));
    KernelHandle bench(OpenProcess(SYNCHRONIZE, FALSE, benchPid));
    KernelHandle quit(OpenEventW(SYNCHRONIZE, FALSE, objectName(benchPid, L"quit").c_str()));
    KernelHandle ready(OpenEventW(EVENT_MODIFY_STATE, FALSE, objectName(benchPid, L"ready").c_str()));
    KernelHandle done(OpenEventW(EVENT_MODIFY_STATE, FALSE, objectName(benchPid, L"done").c_str()));
    if (plans.empty() || !bench || !quit || !ready || !done) return 2;
    // Waited for in this order: quitting wins over a pending signal.
    std::vector<HANDLE> wait = {quit.get(), bench.get()};
    std::vector<KernelHandle> go;
    for (size_t i = 0; i < plans.size(); ++i) {
        go.emplace_back(OpenEventW(SYNCHRONIZE, FALSE, objectName(benchPid, L"go" + std::to_wstring(i)).c_str()));
        if (!go.back()) return 2;
        wait.push_back(go.back().get());
    }
    SetEvent(ready.get());
    for (;;) {
        // Ends by itself when the benchmark has been gone or silent for long.
        const DWORD r = WaitForMultipleObjects(static_cast<DWORD>(wait.size()), wait.data(), FALSE, 600000);
        if (r < WAIT_OBJECT_0 + 2 || r >= WAIT_OBJECT_0 + wait.size()) return 0;
        for (const FloorStep& s : plans[r - WAIT_OBJECT_0 - 2])
            SetWindowPos(s.hwnd, nullptr, s.pos.x, s.pos.y, 0, 0,
                         kFloorFlags | (s.show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
        SetEvent(done.get());
    }
}

}  // namespace bench
