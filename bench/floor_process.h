#pragma once
// The floor of a switch: what the same placements cost when another
// process simply makes them itself, one synchronous SetWindowPos per window
// (moving and hiding, or moving and showing, in one call), with no switcher
// running. The benchmark starts a copy of itself in floor mode and signals
// it through named events; the benchmark times the floor exactly like a
// switch, from the signal, by polling the windows.
#include <windows.h>

#include <string>
#include <vector>

#include "kernel_handle.h"
#include "switch_timing.h"

namespace bench {

struct FloorStep {
    HWND hwnd = nullptr;
    POINT pos{};
    bool show = false;
};
// The calls of one switch, in the order they are made.
using FloorPlan = std::vector<FloorStep>;

// The calls that switch `windows` to `to`: first every window leaving is
// moved and hidden, then every window arriving is moved and shown, to the
// places the switcher gives them.
FloorPlan floorPlan(const e2e::Grid& grid, const std::vector<BenchWindow>& windows, e2e::Workspace to);

// The floor process, seen from the benchmark. Used from one thread.
class FloorProcess {
public:
    // Hands the plans to a new floor process and waits (at most 60 s) until
    // it is ready; see ok() and error().
    explicit FloorProcess(const std::vector<FloorPlan>& plans);
    // Tells the process to end and waits for it (at most 10 s, then ends it).
    ~FloorProcess();
    FloorProcess(const FloorProcess&) = delete;
    FloorProcess& operator=(const FloorProcess&) = delete;

    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }

    // Tells the process to make the calls of plan `index`; does not wait.
    bool go(size_t index);
    // Waits until the process has made every call of the last go().
    bool waitDone(DWORD timeoutMs);

private:
    std::string error_;
    std::wstring planFile_;
    std::vector<KernelHandle> go_;
    KernelHandle done_, ready_, quit_, process_;
};

// Entry of the floor process (switch_bench.exe --floor=PID, PID being the
// benchmark's process). Returns the exit code.
int runFloorProcess(DWORD benchPid);

}  // namespace bench
