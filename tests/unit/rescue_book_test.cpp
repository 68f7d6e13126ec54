// The rescue book that the crash handler and the guard read: a reader always
// finds one whole list, the one published last, cut to the book's capacity.
#include "win32/rescue_book.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace zelvane::rescue {
namespace {

std::unique_ptr<Book> freshBook() {
    auto book = std::make_unique<Book>();
    open(*book);
    return book;
}

// Fills the spare list with windows first, first + 1, ... and publishes n of them.
void write(Book& book, std::uint64_t first, std::int32_t filled, std::int32_t n) {
    Slot* spare = spareList(book);
    for (std::int32_t i = 0; i < filled; ++i) spare[i] = Slot{first + static_cast<std::uint64_t>(i), i, -i, 1, 0};
    publish(book, n);
}

std::vector<std::uint64_t> windowsRead(const Book& book) {
    std::int32_t n = -1;
    const Slot* list = currentList(book, n);
    std::vector<std::uint64_t> out;
    for (std::int32_t i = 0; i < n; ++i) out.push_back(list[i].window);
    return out;
}

TEST(RescueBookTest, AReaderSeesTheListPublishedLastWhole) {
    auto book = freshBook();
    EXPECT_TRUE(windowsRead(*book).empty());
    write(*book, 100, 3, 3);
    EXPECT_EQ((std::vector<std::uint64_t>{100, 101, 102}), windowsRead(*book));
    // Filling the next list leaves the published one as it is until it is
    // published in turn; a list of one follows a list of three.
    Slot* spare = spareList(*book);
    spare[0] = Slot{200, 0, 0, 0, 0};
    EXPECT_EQ((std::vector<std::uint64_t>{100, 101, 102}), windowsRead(*book));
    publish(*book, 1);
    EXPECT_EQ((std::vector<std::uint64_t>{200}), windowsRead(*book));
    write(*book, 300, 2, 2);
    EXPECT_EQ((std::vector<std::uint64_t>{300, 301}), windowsRead(*book));
    publish(*book, 0);
    EXPECT_TRUE(windowsRead(*book).empty());
}

TEST(RescueBookTest, CountsOutsideTheBookReadAsTheirNearestSafeValue) {
    const struct {
        std::int32_t published;
        std::int32_t read;
    } cases[] = {{kWindowCapacity + 5, kWindowCapacity}, {-3, 0}, {kWindowCapacity, kWindowCapacity}};
    for (const auto& c : cases) {
        auto book = freshBook();
        write(*book, 1, kWindowCapacity, c.published);
        std::int32_t n = -1;
        currentList(*book, n);
        EXPECT_EQ(c.read, n) << "published " << c.published;
    }
    // A count damaged in the shared memory reads as an empty list.
    auto book = freshBook();
    book->counts[book->current.load()].store(kWindowCapacity + 1);
    EXPECT_TRUE(windowsRead(*book).empty());
}

TEST(RescueBookTest, TheTaskbarListIsReplacedAndCutToItsCapacity) {
    auto book = freshBook();
    EXPECT_EQ(0, hiddenTaskbar(*book));
    std::vector<std::uint64_t> many;
    for (std::uint64_t w = 1; w <= static_cast<std::uint64_t>(kTaskbarCapacity) + 4; ++w) many.push_back(w);
    keepTaskbar(*book, many.data(), static_cast<std::int32_t>(many.size()));
    ASSERT_EQ(kTaskbarCapacity, hiddenTaskbar(*book));
    EXPECT_EQ(std::uint64_t(kTaskbarCapacity), book->taskbar[kTaskbarCapacity - 1]);
    const std::uint64_t one = 77;
    keepTaskbar(*book, &one, 1);
    ASSERT_EQ(1, hiddenTaskbar(*book));
    EXPECT_EQ(77u, book->taskbar[0]);
    keepTaskbar(*book, nullptr, 0);
    EXPECT_EQ(0, hiddenTaskbar(*book));
}

}  // namespace
}  // namespace zelvane::rescue
