#include "message_spy.h"

#include <algorithm>

#include "processes.h"

namespace e2e {
namespace {

template <typename Fn>
Fn exported(HMODULE module, const char* name) {
    using AnyFunction = void (*)();
    return reinterpret_cast<Fn>(reinterpret_cast<AnyFunction>(GetProcAddress(module, name)));
}

double qpcToNowMs(LONGLONG ticks) {
    // nowMs() counts from an arbitrary start as well; both come from the
    // same counter, so the difference between two readings is exact.
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    const double ageMs = static_cast<double>(now.QuadPart - ticks) * 1000.0 / static_cast<double>(frequency.QuadPart);
    return nowMs() - ageMs;
}

}  // namespace

MessageSpy::~MessageSpy() {
    if (remove_) remove_();
    if (module_) FreeLibrary(module_);
}

bool MessageSpy::attach(HWND mainWindow) {
    if (!module_) module_ = LoadLibraryW(besideThisProgram(L"zelvane_spy.dll").c_str());
    if (!module_) {
        error_ = "zelvane_spy.dll not found beside the test program";
        return false;
    }
    const auto install = exported<int (*)(HWND)>(module_, "SpyInstall");
    const auto log = exported<const spy::Log* (*)()>(module_, "SpyLog");
    remove_ = exported<void (*)()>(module_, "SpyRemove");
    if (!install || !log || !remove_) {
        error_ = "zelvane_spy.dll lacks its exports";
        return false;
    }
    log_ = log();
    target_ = mainWindow;
    if (!install(mainWindow)) {
        error_ = "could not hook the main window's thread, error " + std::to_string(GetLastError());
        return false;
    }
    // The hook is in place once it has seen a message.
    if (!drain()) {
        error_ = "the spy saw nothing of the main window";
        return false;
    }
    return true;
}

bool MessageSpy::crashTarget() {
    const auto crash = exported<int (*)()>(module_, "SpyCrashTarget");
    return crash && crash() != 0;
}

std::size_t MessageSpy::mark() const {
    if (!log_) return 0;
    const LONG reserved = InterlockedCompareExchange(const_cast<LONG*>(&log_->reserved), 0, 0);
    return static_cast<std::size_t>(std::min(reserved, spy::kCapacity));
}

std::vector<SpiedMessage> MessageSpy::since(std::size_t from) const {
    std::vector<SpiedMessage> out;
    const std::size_t end = mark();
    for (std::size_t i = from; i < end; ++i) {
        const spy::Entry& e = log_->entries[i];
        // An entry still being written ends what can be read for now.
        if (InterlockedCompareExchange(const_cast<LONG*>(&e.ready), 0, 0) != 1) break;
        out.push_back(SpiedMessage{e.message, e.wParam, qpcToNowMs(e.when)});
    }
    return out;
}

std::size_t MessageSpy::count(UINT message, unsigned wParam, std::size_t from) const {
    const auto seen = since(from);
    return static_cast<std::size_t>(std::count_if(seen.begin(), seen.end(), [&](const SpiedMessage& m) {
        return m.message == message && m.wParam == wParam;
    }));
}

bool MessageSpy::waitFor(UINT message, unsigned wParam, std::size_t from, Millis timeout) const {
    return pollUntil([&] { return count(message, wParam, from) > 0; }, timeout);
}

bool MessageSpy::drain(Millis timeout) {
    // Twice: what the main window posted to itself while handling the
    // messages before the first marker is queued before the second.
    const UINT marker = spy::markerMessage();
    for (int round = 0; round < 2; ++round) {
        const unsigned id = ++markers_;
        const std::size_t from = mark();
        if (!PostMessageW(target_, marker, id, 0)) return false;
        if (!waitFor(marker, id, from, timeout)) return false;
    }
    return true;
}

}  // namespace e2e
