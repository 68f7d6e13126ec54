// The wallpaper bitmaps' layout and geometry, the tiling of a small pattern,
// and the record of the user's own wallpaper.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "controller/bmp_layout.h"
#include "controller/wallpaper_geometry.h"
#include "controller/wallpaper_record.h"

namespace zelvane::testing {
namespace {

std::uint32_t read32(const std::array<std::uint8_t, kBmpHeaderSize>& h, std::size_t at) {
    return h[at] | h[at + 1] << 8 | h[at + 2] << 16 | static_cast<std::uint32_t>(h[at + 3]) << 24;
}

TEST(BmpLayout, RowsArePaddedToFourBytesAndTheHeadersDescribeTheFile) {
    EXPECT_EQ(bmpRowBytes(333), 1000u);  // 999 rounded up
    EXPECT_EQ(bmpRowBytes(1), 4u);
    EXPECT_EQ(bmpRowBytes(4), 12u);
    EXPECT_EQ(bmpRowBytes(0), 0u);
    EXPECT_EQ(bmpFileSize(333, 2), 54u + 2000u);
    EXPECT_EQ(bmpFileSize(1280, 800), 54u + 3840u * 800u);
    // Nothing to write, and sizes the 32-bit field cannot hold.
    EXPECT_FALSE(bmpFileSize(0, 10));
    EXPECT_FALSE(bmpFileSize(10, -1));
    EXPECT_FALSE(bmpFileSize(65535, 65535));

    const auto h = bmpHeaders(333, 2);
    EXPECT_EQ(h[0], 'B');
    EXPECT_EQ(h[1], 'M');
    EXPECT_EQ(read32(h, 2), 2054u);
    EXPECT_EQ(read32(h, 6), 0u);  // reserved
    EXPECT_EQ(read32(h, 10), 54u);
    EXPECT_EQ(read32(h, 14), 40u);
    EXPECT_EQ(read32(h, 18), 333u);
    EXPECT_EQ(read32(h, 22), 2u);  // positive: bottom-up rows
    EXPECT_EQ(h[26] | h[27] << 8, 1);
    EXPECT_EQ(h[28] | h[29] << 8, 24);
    for (std::size_t i = 30; i < kBmpHeaderSize; ++i) EXPECT_EQ(h[i], 0) << i;
}

TEST(WallpaperGeometry, SpreadCropsTouchThePicturesEdges) {
    // 2 x 2 on 1000 x 800: 800 x 640 crops, 200 and 160 apart.
    EXPECT_EQ(spreadCrop(1000, 800, 2, 2, 125, 0, 0), (Box{0, 0, 800, 640}));
    EXPECT_EQ(spreadCrop(1000, 800, 2, 2, 125, 1, 0), (Box{0, 160, 800, 640}));
    EXPECT_EQ(spreadCrop(1000, 800, 2, 2, 125, 1, 1), (Box{200, 160, 800, 640}));
    // 5 x 5: the last crop ends within a rounding step of the far edge.
    const Box last = spreadCrop(1280, 800, 5, 5, 125, 4, 4);
    EXPECT_EQ(last.w, 1024);
    EXPECT_LE(last.x + last.w, 1280);
    EXPECT_GE(last.x + last.w, 1280 - 4);
    // One cell wide or high (never divided by zero): the middle.
    EXPECT_EQ(spreadCrop(1000, 800, 1, 1, 125, 0, 0), (Box{100, 80, 800, 640}));
    // A scale under 100 % would crop beyond the picture.
    EXPECT_EQ(spreadCrop(1000, 800, 2, 2, 50, 1, 1), (Box{0, 0, 1000, 800}));
}

TEST(WallpaperGeometry, OldAndNewTiling) {
    EXPECT_FALSE(isNewTiling(6, 1));  // Windows 7
    EXPECT_TRUE(isNewTiling(6, 2));
    EXPECT_TRUE(isNewTiling(10, 0));
    EXPECT_FALSE(isNewTiling(5, 9));

    const Box dest{10, 20, 400, 300};
    const std::vector<Blit> whole{Blit{dest, Box{0, 0, 1000, 800}}};
    EXPECT_EQ(wallpaperDrawBlits(Tiling{true, -500, -200, 2000, 1000}, dest, 1000, 800), whole);
    // The primary monitor at the virtual screen's corner: one unshifted copy.
    EXPECT_EQ(wallpaperDrawBlits(Tiling{false, 0, 0, 2000, 1000}, dest, 1000, 800), whole);

    // A monitor left of and above the primary one: the picture is cut at the
    // primary monitor's origin and its four parts change places.
    const Tiling old{false, -500, -200, 2000, 1000};
    const std::vector<Blit> four = wallpaperDrawBlits(old, Box{0, 0, 400, 200}, 1000, 800);
    ASSERT_EQ(four.size(), 4u);
    EXPECT_EQ(four[0], (Blit{Box{100, 40, 300, 160}, Box{0, 0, 750, 640}}));
    EXPECT_EQ(four[1], (Blit{Box{0, 40, 100, 160}, Box{750, 0, 250, 640}}));
    EXPECT_EQ(four[2], (Blit{Box{100, 0, 300, 40}, Box{0, 640, 750, 160}}));
    EXPECT_EQ(four[3], (Blit{Box{0, 0, 100, 40}, Box{750, 640, 250, 160}}));

    // Saving undoes the shift: every pixel of the picture lands once in the
    // file, and each copy keeps its size.
    const std::vector<Blit> save = snapshotSaveBlits(old, 2000, 1000);
    ASSERT_EQ(save.size(), 4u);
    long long area = 0;
    for (const Blit& b : save) {
        EXPECT_EQ(b.dst.w, b.src.w);
        EXPECT_EQ(b.dst.h, b.src.h);
        area += static_cast<long long>(b.dst.w) * b.dst.h;
    }
    EXPECT_EQ(area, 2000LL * 1000);
    EXPECT_EQ(save[0], (Blit{Box{0, 0, 1500, 800}, Box{500, 200, 1500, 800}}));
    EXPECT_EQ(snapshotSaveBlits(Tiling{false, 0, 0, 2000, 1000}, 2000, 1000).size(), 1u);
}

// Every pixel of a w x h surface after the fill holds the tile's pixel the
// pattern puts there; pixels are tile coordinates, -1 for nothing drawn.
void expectTiledExactly(std::int32_t w, std::int32_t h, std::int32_t tw, std::int32_t th, std::int32_t ox,
                        std::int32_t oy) {
    std::vector<int> px(static_cast<std::size_t>(w * h), -1);
    const auto at = [&](int x, int y) -> int& { return px[static_cast<std::size_t>(y * w + x)]; };
    const TileFill fill = tileFill(w, h, tw, th, ox, oy);
    for (const Box& t : fill.tiles)
        for (int y = std::max(t.y, 0); y < std::min(t.y + t.h, h); ++y)
            for (int x = std::max(t.x, 0); x < std::min(t.x + t.w, w); ++x) at(x, y) = (y - t.y) * tw + (x - t.x);
    for (const Blit& c : fill.copies) {
        ASSERT_EQ(c.dst.w, c.src.w);
        ASSERT_EQ(c.dst.h, c.src.h);
        ASSERT_TRUE(c.src.x >= 0 && c.src.y >= 0 && c.src.x + c.src.w <= w && c.src.y + c.src.h <= h);
        ASSERT_TRUE(c.dst.x >= 0 && c.dst.y >= 0 && c.dst.x + c.dst.w <= w && c.dst.y + c.dst.h <= h);
        for (int y = 0; y < c.src.h; ++y)
            for (int x = 0; x < c.src.w; ++x) at(c.dst.x + x, c.dst.y + y) = at(c.src.x + x, c.src.y + y);
    }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int tx = ((x - ox) % tw + tw) % tw, ty = ((y - oy) % th + th) % th;
            ASSERT_EQ(at(x, y), ty * tw + tx) << "pixel " << x << "," << y;
        }
}

TEST(WallpaperGeometry, ATiledPatternIsCopiedOnByDoublingAndComesOutExact) {
    const struct {
        std::int32_t w, h, tileW, tileH, originX, originY;
    } cases[] = {
        {37, 23, 5, 3, 0, 0},     {37, 23, 5, 3, 2, 1},  {37, 23, 5, 3, -7, -4},  // from the corner, or shifted
        {40, 30, 1, 1, 0, 0},     {12, 9, 40, 30, -3, -2},                        // a pattern larger than the surface
        {64, 48, 16, 16, 60, 44}, {7, 5, 3, 2, 6, 4},                              // shifted past the edges
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.w << "x" << c.h << " tile " << c.tileW << "x" << c.tileH << " at "
                                          << c.originX << "," << c.originY);
        expectTiledExactly(c.w, c.h, c.tileW, c.tileH, c.originX, c.originY);
    }
    // A 1 x 1 pattern on a 3840 x 2160 screen: a few dozen calls, not millions.
    const TileFill tiny = tileFill(3840, 2160, 1, 1, 0, 0);
    EXPECT_LE(tiny.tiles.size() + tiny.copies.size(), 30u);
    EXPECT_TRUE(tileFill(100, 100, 0, 5, 0, 0).tiles.empty());
}

TEST(WallpaperRecord, TextBothHalvesAndRecordsOfBothVersions) {
    const WallpaperRecord r{DesktopWallpaper{"C:\\mine.bmp", "0", "2", "", ""},
                            DesktopWallpaper{"C:\\Themes\\TranscodedWallpaper", "0", "10", "", ""}};
    const auto back = parseRecord(recordText(r));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->user, r.user);
    EXPECT_EQ(back->shown, r.shown);
    // Five lines (an older record, or Windows line ends): it showed what it records.
    const auto older = parseRecord("C:\\mine.bmp\r\n0\r\n2\r\n");
    ASSERT_TRUE(older);
    EXPECT_EQ(older->user, (DesktopWallpaper{"C:\\mine.bmp", "0", "2", "", ""}));
    EXPECT_EQ(older->shown, older->user);
    EXPECT_FALSE(parseRecord(""));
}

TEST(WallpaperRecord, TheSystemsTranscodedCopyAndTheFileItCameFrom) {
    EXPECT_TRUE(isTranscodedCopy("C:\\Users\\u\\AppData\\Roaming\\Microsoft\\Windows\\Themes\\TranscodedWallpaper"));
    EXPECT_TRUE(isTranscodedCopy("c:/users/u/appdata/roaming/microsoft/windows/themes/transcodedwallpaper.jpg"));
    EXPECT_FALSE(isTranscodedCopy("C:\\pics\\TranscodedWallpaper.bmp"));
    EXPECT_FALSE(isTranscodedCopy("C:\\Themes\\MyTranscodedWallpaper"));

    // "TranscodedImageCache" as Windows 8 and later write it: a header, then
    // the source's path in UTF-16 at byte 24, then zeros.
    const std::u16string source = u"C:\\Bilder\\M\u00fcnchen \u6771\u4eac.jpg";
    std::string cache(24, '\x7a');
    for (char16_t c : source) {
        cache += static_cast<char>(c & 0xFF);
        cache += static_cast<char>(c >> 8);
    }
    cache += std::string(0x320 - cache.size(), '\0');
    EXPECT_EQ(transcodedSource(cache), std::optional<std::string>("C:\\Bilder\\M\xc3\xbcnchen \xe6\x9d\xb1\xe4\xba\xac.jpg"));
    EXPECT_EQ(transcodedSource(std::string(24, '\1') + std::string(8, '\0')), std::nullopt);
    EXPECT_EQ(transcodedSource("short"), std::nullopt);
}

}  // namespace
}  // namespace zelvane::testing
