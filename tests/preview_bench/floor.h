#pragma once
// The preview benchmark's floor: the least any preview must do on its
// hotkey. This program started with --floor registers Alt+Shift+Space and,
// when it fires, creates one full-screen topmost window and paints a copy
// of the screen into it, the way a preview shows its first frame; Escape
// closes that window. The benchmark times it exactly as it times Zelvane.
#include <windows.h>

namespace preview_bench {

constexpr wchar_t kFloorClass[] = L"PreviewFloorClass";
constexpr wchar_t kFloorMainClass[] = L"PreviewFloorMainClass";

// The floor program's whole run (this program with --floor); returns its exit code.
int runFloor();

// The floor program, started and ended by the benchmark.
class FloorProgram {
public:
    FloorProgram() = default;
    ~FloorProgram() { stop(); }
    FloorProgram(const FloorProgram&) = delete;
    FloorProgram& operator=(const FloorProgram&) = delete;
    // Starts it and waits until it holds the hotkey.
    bool start();
    // Ends it and waits until the hotkey is free.
    void stop();
    DWORD pid() const { return pid_; }

private:
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
};

}  // namespace preview_bench
