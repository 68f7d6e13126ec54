// The control window's picture: cells, clicks, lines, dimming, fade and placement.
#include "ctrlwnd/grid_picture.h"

#include <gtest/gtest.h>

#include <vector>

namespace zelvane {
inline std::ostream& operator<<(std::ostream& out, const GridCell& c) {
    return out << '{' << c.row << ',' << c.col << '}';
}

namespace {

GridCell at(const GridPicture& g, int x, int y) {
    const auto c = cellAt(g, x, y);
    return c ? *c : GridCell{-1, -1};
}

TEST(GridPicture, ClicksLandInTheCellAboveOrLeftOfALineAndTheStripInTheLastCell) {
    // 2 x 2 on a 1920 x 1080 plane: 192 x 108, cells of 96 x 54.
    const GridPicture g{192, 108, 2, 2};
    EXPECT_EQ(at(g, 0, 0), (GridCell{0, 0}));
    EXPECT_EQ(at(g, 96, 54), (GridCell{0, 0}));  // on both lines
    EXPECT_EQ(at(g, 97, 54), (GridCell{0, 1}));
    EXPECT_EQ(at(g, 96, 55), (GridCell{1, 0}));
    EXPECT_EQ(at(g, 191, 107), (GridCell{1, 1}));
    EXPECT_FALSE(cellAt(g, 192, 10));  // outside the buffer
    EXPECT_FALSE(cellAt(g, -1, 10));

    // 3 x 3 on 100 x 50: cells of 33 x 16, a strip of 1 and 2 pixels left over.
    const GridPicture odd{100, 50, 3, 3};
    EXPECT_EQ(at(odd, 99, 49), (GridCell{2, 2}));
    EXPECT_EQ(at(odd, 99, 0), (GridCell{0, 2}));
    EXPECT_EQ(odd.cell(2, 2).w, 33);
    EXPECT_EQ(odd.cell(3, 0).w, 0);  // past the grid: no pixels

    // 1 x 1: every point is the only cell; a buffer smaller than the grid still answers.
    EXPECT_EQ(at(GridPicture{50, 40, 1, 1}, 49, 39), (GridCell{0, 0}));
    EXPECT_EQ(at(GridPicture{3, 3, 5, 5}, 2, 2), (GridCell{0, 0}));
}

TEST(GridPicture, LinesBetweenCellsOnly) {
    EXPECT_TRUE(gridLines(GridPicture{50, 40, 1, 1}).empty());
    const std::vector<Segment> lines = gridLines(GridPicture{192, 162, 3, 2});
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].from.y, 54);
    EXPECT_EQ(lines[0].to.x, 192);
    EXPECT_EQ(lines[1].from.y, 108);
    EXPECT_EQ(lines[2].from.x, 96);
    EXPECT_EQ(lines[2].to.y, 162);
}

TEST(GridPicture, EveryCellButTheCurrentOneIsDimmedToHalf) {
    const GridPicture g{4, 2, 2, 2};  // cells of 2 x 1
    std::vector<std::uint8_t> px(4 * 2 * 4, 201);
    dimExceptCell(px.data(), g, GridCell{0, 1});
    // Bottom-up: the first buffer row is the picture's bottom row.
    const auto byteAt = [&](int x, int yFromTop) { return px[static_cast<std::size_t>((1 - yFromTop) * 16 + x * 4)]; };
    EXPECT_EQ(byteAt(2, 0), 201);
    EXPECT_EQ(byteAt(3, 0), 201);
    EXPECT_EQ(byteAt(1, 0), 100);
    EXPECT_EQ(byteAt(2, 1), 100);
    EXPECT_EQ(px[static_cast<std::size_t>(16 + 2 * 4 + 3)], 201);  // the fourth byte too

    // A current cell outside the grid dims everything; a 1 x 1 grid nothing.
    std::vector<std::uint8_t> all(4 * 2 * 4, 8);
    dimExceptCell(all.data(), g, GridCell{5, 5});
    EXPECT_EQ(all, std::vector<std::uint8_t>(all.size(), 4));
    std::vector<std::uint8_t> one(4 * 2 * 4, 8);
    dimExceptCell(one.data(), GridPicture{4, 2, 1, 1}, GridCell{0, 0});
    EXPECT_EQ(one, std::vector<std::uint8_t>(one.size(), 8));
}

TEST(GridPicture, FadeSizeAndPlacement) {
    std::vector<int> alphas;
    for (int i = 0; i < kFadeSteps; ++i) alphas.push_back(fadeAlpha(i));
    EXPECT_EQ(alphas, (std::vector<int>{0, 50, 100, 150, 200}));
    EXPECT_EQ(fadeAlpha(99), kShownAlpha);

    const Rect screen{0, 0, 1280, 800};
    // Centred on the cursor; kept inside at the right and bottom edges.
    EXPECT_EQ(popupOrigin(Point{640, 400}, 128, 80, screen).x, 576);
    const Point corner = popupOrigin(Point{1279, 799}, 128, 80, screen);
    EXPECT_EQ(corner.x, 1280 - 128);
    EXPECT_EQ(corner.y, 800 - 80);
    EXPECT_EQ(popupOrigin(Point{0, 0}, 128, 80, screen).x, 0);
    // A virtual screen left of the primary monitor, and a window wider than it.
    EXPECT_EQ(popupOrigin(Point{-1000, 5}, 128, 80, Rect{-1024, 0, 1280, 800}).x, -1024);
    EXPECT_EQ(popupOrigin(Point{600, 5}, 2000, 80, screen).x, 0);

    // Whatever size a message claims, the buffer stays on the virtual screen.
    const Size huge = clampBufferSize(65535, 65535, 1280, 800);
    EXPECT_EQ(huge.w, 1280);
    EXPECT_EQ(huge.h, 800);
    const Size none = clampBufferSize(0, -5, 1280, 800);
    EXPECT_EQ(none.w, 1);
    EXPECT_EQ(none.h, 1);
}

}  // namespace
}  // namespace zelvane
