#include "app/companion.h"

#include <chrono>
#include <string>
#include <utility>

#include "hooklib/companion.h"

namespace zelvane {

namespace {

namespace protocol = quillet::companion;

// How long a host may take to start taking messages, and to end when asked.
constexpr DWORD kStartLimitMs = 5000;
constexpr DWORD kStopLimitMs = 5000;

std::wstring folderOf(const std::wstring& path) {
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

// Exit codes that say a new start would end the same way, or that the host
// was asked to end.
bool endedOnPurpose(DWORD code) {
    return code == protocol::kExitDone || code == protocol::kExitBadArguments || code == protocol::kExitNoLibrary ||
           code == protocol::kExitHookFailed;
}

// A thread's message queue exists only once the thread has used it: a post
// before that fails, so it is tried again for a moment.
std::uint64_t nowMs() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

bool postToThread(DWORD threadId, UINT message) {
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (PostThreadMessageW(threadId, message, 0, 0)) return true;
        Sleep(20);
    }
    return false;
}

}  // namespace

Companion::Companion(HWND mainWnd, std::wstring hostPath)
    : mainWnd_(mainWnd),
      hostPath_(std::move(hostPath)),
      stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      wake_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
    if (stop_ && wake_) watcher_ = std::thread([this] { watch(); });
}

Companion::~Companion() {
    if (!watcher_.joinable()) return;
    SetEvent(stop_.get());
    watcher_.join();
}

void Companion::suspend() {
    wantHooks_ = false;
    if (wake_) SetEvent(wake_.get());
}

void Companion::resume() {
    wantHooks_ = true;
    if (wake_) SetEvent(wake_.get());
}

void Companion::watch() {
    Host host = launch();
    for (;;) {
        const HANDLE waits[3] = {stop_.get(), wake_.get(), host.process.get()};
        const DWORD count = host.process ? 3 : 2;
        const DWORD woke = WaitForMultipleObjects(count, waits, FALSE, INFINITE);
        if (woke == WAIT_OBJECT_0 + 1) {
            tell(host);
        } else if (woke == WAIT_OBJECT_0 + 2) {
            DWORD code = 0;
            GetExitCodeProcess(host.process.get(), &code);
            host = Host{};
            if (restarts_.restartAfterEnd(endedOnPurpose(code), nowMs())) host = launch();
        } else {
            // Asked to stop (or the wait itself failed): the host goes too.
            stopHost(host);
            return;
        }
    }
}

Companion::Host Companion::launch() {
    Host host;
    std::wstring command = L"\"" + hostPath_ + L"\" " + std::to_wstring(reinterpret_cast<UINT_PTR>(mainWnd_));
    const std::wstring folder = folderOf(hostPath_);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(hostPath_.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &si, &pi))
        return host;
    CloseHandle(pi.hThread);
    host.process.reset(pi.hProcess);
    host.threadId = pi.dwThreadId;
    // Once it waits for messages it hears what it is told.
    WaitForInputIdle(pi.hProcess, kStartLimitMs);
    tell(host);
    return host;
}

void Companion::tell(Host& host) {
    const bool want = wantHooks_;
    if (!host.process || host.hooked == want) return;
    if (postToThread(host.threadId, want ? protocol::kMsgResume : protocol::kMsgSuspend)) host.hooked = want;
}

void Companion::stopHost(Host& host) {
    if (!host.process) return;
    if (!postToThread(host.threadId, protocol::kMsgStop) ||
        WaitForSingleObject(host.process.get(), kStopLimitMs) != WAIT_OBJECT_0) {
        TerminateProcess(host.process.get(), 1);
        WaitForSingleObject(host.process.get(), kStopLimitMs);
    }
    host = Host{};
}

}  // namespace zelvane
