// The rescue book that the crash handler and the guard read: a reader always
// finds one whole list, the one published last, cut to the book's capacity.
#include "win32/rescue_book.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace zelvane::rescue {
namespace {

// Fills `filled` slots of the spare list with windows first, first + 1, ...
void fill(Book& book, std::uint64_t first, std::int32_t filled) {
    Slot* spare = spareList(book);
    for (std::int32_t i = 0; i < filled; ++i) spare[i] = Slot{first + static_cast<std::uint64_t>(i), i, -i, 1, 0};
}

std::vector<std::uint64_t> windowsRead(const Book& book) {
    std::int32_t n = -1;
    const Slot* list = currentList(book, n);
    std::vector<std::uint64_t> out;
    for (std::int32_t i = 0; i < n; ++i) out.push_back(list[i].window);
    return out;
}

TEST(RescueBookTest, AReaderSeesTheListPublishedLastWholeAndNoMoreThanTheBookHolds) {
    auto book = std::make_unique<Book>();
    open(*book);
    EXPECT_TRUE(windowsRead(*book).empty());
    fill(*book, 100, 3);
    publish(*book, 3);
    // The next list, being filled, leaves the published one as it is.
    fill(*book, 200, 1);
    EXPECT_EQ((std::vector<std::uint64_t>{100, 101, 102}), windowsRead(*book));
    publish(*book, 1);
    EXPECT_EQ((std::vector<std::uint64_t>{200}), windowsRead(*book));
    fill(*book, 1, kWindowCapacity);
    publish(*book, kWindowCapacity + 5);
    EXPECT_EQ(std::size_t(kWindowCapacity), windowsRead(*book).size());
    publish(*book, -3);
    EXPECT_TRUE(windowsRead(*book).empty());
    // A count damaged in the shared memory reads as an empty list.
    book->counts[book->current.load()].store(kWindowCapacity + 1);
    EXPECT_TRUE(windowsRead(*book).empty());
}

TEST(RescueBookTest, TheTaskbarListIsReplacedAndCutToItsCapacity) {
    auto book = std::make_unique<Book>();
    open(*book);
    std::vector<std::uint64_t> many(kTaskbarCapacity + 4, 7);
    keepTaskbar(*book, many.data(), static_cast<std::int32_t>(many.size()));
    EXPECT_EQ(kTaskbarCapacity, hiddenTaskbar(*book));
    const std::uint64_t one = 77;
    keepTaskbar(*book, &one, 1);
    ASSERT_EQ(1, hiddenTaskbar(*book));
    EXPECT_EQ(77u, book->taskbar[0]);
    keepTaskbar(*book, nullptr, 0);
    EXPECT_EQ(0, hiddenTaskbar(*book));
}

}  // namespace
}  // namespace zelvane::rescue
