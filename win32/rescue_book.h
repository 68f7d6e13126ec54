#pragma once
// The rescue book: what must be put back should Zelvane die, in one block of
// fixed size and plain layout. Zelvane keeps it in a shared memory section,
// where two readers find it: the crash handler inside the dying process, and
// the guard, a small program of its own that waits for Zelvane to end and
// puts everything back when it ends without its clean exit (ended outright,
// a fail-fast, a stack overflow). Neither reader may allocate or lock, so
// the book holds no pointers and no containers.
//
// One writer (Zelvane's UI thread). The window list is kept twice: the
// writer fills the list not in use and then makes it current, so a reader
// running meanwhile (the crash handler of a fault on another thread) always
// reads a whole list, the old one or the new one.
//
// Needs no window system: the unit tests build it natively.
#include <atomic>
#include <cstdint>

namespace zelvane::rescue {

// Changes whenever the layout below changes; a guard from another build
// refuses a book of another layout.
constexpr std::uint32_t kLayout = 0x5A4C5201;
constexpr std::int32_t kWindowCapacity = 8192;
// The shell has one taskbar per monitor and a start button.
constexpr std::int32_t kTaskbarCapacity = 16;

// One window to show again, at (x, y) when `move` is set, else where it is.
struct Slot {
    std::uint64_t window;
    std::int32_t x;
    std::int32_t y;
    std::uint32_t move;
    std::uint32_t unused;
};

struct Book {
    std::uint32_t layout;
    std::atomic<std::int32_t> current;  // which list is whole: 0 or 1
    std::atomic<std::int32_t> counts[2];
    // Set once Zelvane has handed every window back on its way out: the
    // guard then has nothing to do.
    std::atomic<std::int32_t> cleanExit;
    std::atomic<std::int32_t> taskbarCount;
    std::uint64_t taskbar[kTaskbarCapacity];  // taskbar windows hidden now
    Slot lists[2][kWindowCapacity];
};

static_assert(std::atomic<std::int32_t>::is_always_lock_free,
              "the book is shared between processes: its counters must be plain memory");

// A fresh book in zeroed memory (a new section, or static storage).
inline void open(Book& book) {
    book.layout = kLayout;
    book.current.store(0);
    book.counts[0].store(0);
    book.counts[1].store(0);
    book.cleanExit.store(0);
    book.taskbarCount.store(0);
}

// Writer: the list to fill is the one not in use; publish(n) makes its first
// n slots the list (at most kWindowCapacity).
inline Slot* spareList(Book& book) { return book.lists[1 - book.current.load()]; }
inline void publish(Book& book, std::int32_t n) {
    const std::int32_t spare = 1 - book.current.load();
    book.counts[spare].store(n < 0 ? 0 : (n > kWindowCapacity ? kWindowCapacity : n));
    book.current.store(spare);
}

// Reader: the current list and its length.
inline const Slot* currentList(const Book& book, std::int32_t& n) {
    const std::int32_t current = book.current.load() & 1;
    n = book.counts[current].load();
    if (n < 0 || n > kWindowCapacity) n = 0;  // a book written by someone else
    return book.lists[current];
}

// The taskbar windows hidden now (at most kTaskbarCapacity are kept). They
// are written before the count, so a reader of the count finds them whole.
inline void keepTaskbar(Book& book, const std::uint64_t* windows, std::int32_t n) {
    book.taskbarCount.store(0);
    if (n > kTaskbarCapacity) n = kTaskbarCapacity;
    for (std::int32_t i = 0; i < n; ++i) book.taskbar[i] = windows[i];
    book.taskbarCount.store(n < 0 ? 0 : n);
}
inline std::int32_t hiddenTaskbar(const Book& book) {
    const std::int32_t n = book.taskbarCount.load();
    return n < 0 || n > kTaskbarCapacity ? 0 : n;
}

}  // namespace zelvane::rescue
