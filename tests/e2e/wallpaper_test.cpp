// The wallpaper of each workspace, as the system has it: the path that
// SPI_GETDESKWALLPAPER reports and the desktop's pixels; the snapshots in
// the data folder; the crops of "distant view"; the user's own wallpaper
// coming back; and a switch that changes the wallpaper while a window hangs.
#include <functional>
#include <optional>
#include <string>

#include "bitmap_file.h"
#include "fixture.h"

namespace e2e {
namespace {

constexpr unsigned kCmdSaveWallpaper = 4;
constexpr unsigned kCmdWallsDefault = 20;
constexpr unsigned kCmdWallsDistant = 22;
constexpr wchar_t kDesktopKey[] = L"Control Panel\\Desktop";

bool similar(COLORREF a, COLORREF b) {
    const auto d = [](int x, int y) { return x > y ? x - y : y - x; };
    return d(GetRValue(a), GetRValue(b)) < 24 && d(GetGValue(a), GetGValue(b)) < 24 &&
           d(GetBValue(a), GetBValue(b)) < 24;
}

std::string hex(COLORREF c) {
    char text[16];
    wsprintfA(text, "%06lx", static_cast<unsigned long>(c));
    return text;
}

// The wallpaper as the system keeps it for every program. (Wine answers
// SPI_GETDESKWALLPAPER from a copy each process reads once.)
std::wstring systemWallpaper() {
    wchar_t path[MAX_PATH + 1]{};
    DWORD bytes = sizeof(path) - sizeof(wchar_t);
    if (RegGetValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"Wallpaper", RRF_RT_REG_SZ, nullptr, path, &bytes) !=
        ERROR_SUCCESS)
        return L"(none)";
    return path;
}

COLORREF desktopPixel(int x, int y) {
    HDC screen = GetDC(nullptr);
    const COLORREF c = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return c;
}

class DesktopWallpaperTest : public ZelvaneTest {
protected:
    void SetUp() override {
        ZelvaneTest::SetUp();
        if (IsSkipped()) return;
        home = ZelvaneProcess::freshHome(L"walls");
        homeDir = L"C:" + home;
        userWallpaper = systemWallpaper();
        wchar_t tile[16] = {};
        DWORD bytes = sizeof(tile) - sizeof(wchar_t);
        if (RegGetValueW(HKEY_CURRENT_USER, kDesktopKey, L"TileWallpaper", RRF_RT_REG_SZ, nullptr, tile, &bytes) ==
            ERROR_SUCCESS)
            userTile = tile;
        // The pictures here are small: the user's own is tiled too, so that
        // a point of the desktop shows its colour.
        setTile(L"1");
    }
    static void setTile(const std::wstring& value) {
        RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopKey, L"TileWallpaper", REG_SZ, value.c_str(),
                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }
    void TearDown() override {
        ZelvaneTest::TearDown();
        // The prefix is shared by every test: its wallpaper goes back, and
        // what a test added to the registry goes.
        std::wstring saved = userWallpaper;
        SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, saved.data(), SPIF_UPDATEINIFILE);
        if (userTile)
            setTile(*userTile);
        else
            RegDeleteKeyValueW(HKEY_CURRENT_USER, kDesktopKey, L"TileWallpaper");
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kDesktopKey, L"TranscodedImageCache");
        RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Explorer\\Desktop\\General",
                           L"WallpaperSource");
    }

    std::wstring picture(const std::wstring& name, COLORREF colour) {
        const std::wstring path = homeDir + L"\\" + name;
        EXPECT_TRUE(writeBytes(path, makeBmp(64, 64, [&](int, int) { return colour; })));
        return path;
    }
    ZelvaneProcess* start(const std::string& settings) {
        EXPECT_TRUE(writeBytes(homeDir + L"\\.zlvrc", settings));
        return startZelvane(home);
    }
    std::string data(const std::string& name) const { return readBytes(homeDir + L"\\.zlv\\" + std::wstring(name.begin(), name.end())); }

    // A point of the desktop that no test window covers (Wine parks the icons
    // of minimised windows along the bottom), in the lower right quarter.
    POINT bare() const { return POINT{grid.width - 3, grid.height * 5 / 8}; }
    bool shows(const std::wstring& path, COLORREF colour) const {
        return pollUntil([&] { return systemWallpaper() == path && similar(desktopPixel(bare().x, bare().y), colour); });
    }
    std::string what() const {
        return " (the system has \"" + narrow(systemWallpaper()) + "\", the desktop shows " +
               hex(desktopPixel(bare().x, bare().y)) + ")";
    }

    std::wstring home, homeDir, userWallpaper;
    std::optional<std::wstring> userTile;
};

TEST_F(DesktopWallpaperTest, EachWorkspaceShowsItsOwnPictureAndExitPutsTheUsersBack) {
    const std::wstring mine = picture(L"mine.bmp", RGB(0, 160, 0));
    ASSERT_TRUE(SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, const_cast<wchar_t*>(mine.c_str()), SPIF_UPDATEINIFILE));
    const std::wstring red = picture(L"red.bmp", RGB(255, 0, 0)), blue = picture(L"blue.bmp", RGB(0, 0, 255));
    ZelvaneProcess* z = start("wallsType=1\r\npopupCtrlWnd=false\r\nwallpaper=1-1|" + narrow(red) + ",1-2|" +
                              narrow(blue) + "\r\n");
    ASSERT_NE(nullptr, z);
    EXPECT_TRUE(shows(red, RGB(255, 0, 0))) << what();
    ASSERT_TRUE(postSwitch(z->mainWindow(), 0, 1));
    EXPECT_TRUE(shows(blue, RGB(0, 0, 255))) << what();
    // Recorded before the first change, in the data folder.
    EXPECT_NE(std::string::npos, data("_wallpaper").find(narrow(mine)));

    ASSERT_TRUE(z->close());
    EXPECT_TRUE(shows(mine, RGB(0, 160, 0))) << "at exit" << what();
    EXPECT_TRUE(data("_wallpaper").empty()) << "the record outlived the restore";
}

TEST_F(DesktopWallpaperTest, SnapshotsGoToTheNamedFilesAndDistantViewCropsThem) {
    // Quarters: red, green / blue, white, as large as the screen.
    const std::wstring quarters = homeDir + L"\\quarters.bmp";
    const int w = grid.width, h = grid.height;
    ASSERT_TRUE(writeBytes(quarters, makeBmp(w, h, [&](int x, int y) {
        const bool right = x >= w / 2, low = y >= h / 2;
        return low ? (right ? RGB(255, 255, 255) : RGB(0, 0, 255)) : (right ? RGB(0, 255, 0) : RGB(255, 0, 0));
    })));
    ZelvaneProcess* z = start("wallsType=1\r\npopupCtrlWnd=false\r\nwallpaper=1-1|" + narrow(quarters) + "\r\n");
    ASSERT_NE(nullptr, z);
    ASSERT_TRUE(shows(quarters, RGB(255, 255, 255))) << what();

    PostMessageW(z->mainWindow(), WM_COMMAND, kCmdSaveWallpaper, 0);
    ASSERT_TRUE(pollUntil([&] { return !data("1_1.bmp").empty(); })) << "no 1_1.bmp";
    const std::string snapshot = data("1_1.bmp");
    EXPECT_TRUE(similar(bmpPixel(snapshot, 2, 2), RGB(255, 0, 0))) << hex(bmpPixel(snapshot, 2, 2));
    EXPECT_TRUE(similar(bmpPixel(snapshot, w - 3, h - 3), RGB(255, 255, 255))) << hex(bmpPixel(snapshot, w - 3, h - 3));

    // Distant view: the spread picture, and one crop per workspace whose
    // outer corner is the picture's corner on that side.
    PostMessageW(z->mainWindow(), WM_COMMAND, kCmdWallsDistant, 0);
    ASSERT_TRUE(pollUntil([&] { return !data("2_2.bmp").empty() && !data("previewBg.bmp").empty(); }));
    const struct {
        const char* file;
        POINT corner;
        COLORREF colour;
    } crops[] = {{"1_1.bmp", {2, 2}, RGB(255, 0, 0)},
                 {"1_2.bmp", {w - 3, 2}, RGB(0, 255, 0)},
                 {"2_1.bmp", {2, h - 3}, RGB(0, 0, 255)},
                 {"2_2.bmp", {w - 3, h - 3}, RGB(255, 255, 255)}};
    for (const auto& c : crops) {
        const COLORREF got = bmpPixel(data(c.file), c.corner.x, c.corner.y);
        EXPECT_TRUE(similar(got, c.colour)) << c.file << ": " << hex(got);
    }
    // The crops are larger than their quarter: workspace (0, 0)'s far corner is white.
    EXPECT_TRUE(similar(bmpPixel(data("1_1.bmp"), w - 3, h - 3), RGB(255, 255, 255)));
    const std::wstring cropPath = homeDir + L"\\.zlv\\2_2.bmp";
    ASSERT_TRUE(postSwitch(z->mainWindow(), 1, 1));
    EXPECT_TRUE(shows(cropPath, RGB(255, 255, 255))) << what();

    // Back to "default": the user's own wallpaper.
    PostMessageW(z->mainWindow(), WM_COMMAND, kCmdWallsDefault, 0);
    EXPECT_TRUE(pollUntil([&] { return systemWallpaper() == userWallpaper; })) << what();
}

// What the desktop reported before Zelvane started, and what comes back when
// it exits. From Windows 7 on the system may report its own transcoded copy
// of the user's picture, which Zelvane's changes overwrite on Windows: the
// file it came from is what must come back (the registry says which:
// "TranscodedImageCache" from Windows 8 on, "WallpaperSource" on Windows 7).
// A record an earlier run left behind holds only while the desktop still
// shows one of Zelvane's pictures.
TEST_F(DesktopWallpaperTest, TheUsersOwnPictureComesBackWhateverTheSystemReportedOrAnEarlierRunLeft) {
    const std::wstring themes = homeDir + L"\\Themes";
    CreateDirectoryW(themes.c_str(), nullptr);
    const std::wstring mine = picture(L"mine.bmp", RGB(0, 160, 0));
    const std::wstring old = picture(L"old.bmp", RGB(255, 255, 0));
    const std::wstring red = picture(L"red.bmp", RGB(255, 0, 0));
    const auto setWallpaper = [](std::wstring path) {
        return SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, path.data(), SPIF_UPDATEINIFILE) != FALSE;
    };
    const auto copyAs = [&](const std::wstring& name) {
        const std::wstring copy = themes + L"\\" + name;
        CopyFileW(mine.c_str(), copy.c_str(), FALSE);
        return copy;
    };
    const auto record = [&](const std::wstring& user) {
        CreateDirectoryW((homeDir + L"\\.zlv").c_str(), nullptr);
        const std::string u = narrow(user);
        return writeBytes(homeDir + L"\\.zlv\\_wallpaper", u + "\n0\n0\n\n\n" + u + "\n0\n0\n\n\n");
    };
    const struct {
        const char* what;
        std::function<bool()> before;
        std::wstring back;
    } cases[] = {
        {"the system's copy, Windows 8 and later",
         [&] {
             // A header, then the source's path in UTF-16 from byte 24 on.
             std::string cache(24, '\x7a');
             for (wchar_t c : mine) cache.append({static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)});
             cache.append(0x320 - cache.size(), '\0');
             return setWallpaper(copyAs(L"TranscodedWallpaper")) &&
                    RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"TranscodedImageCache", REG_BINARY,
                                    cache.data(), static_cast<DWORD>(cache.size())) == ERROR_SUCCESS;
         },
         mine},
        {"the system's copy, Windows 7",
         [&] {
             return setWallpaper(copyAs(L"TranscodedWallpaper.jpg")) &&
                    RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Explorer\\Desktop\\General",
                                    L"WallpaperSource", REG_SZ, mine.c_str(),
                                    static_cast<DWORD>((mine.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
         },
         mine},
        {"a record left behind, a wallpaper chosen since", [&] { return record(old) && setWallpaper(mine); }, mine},
        {"a record left behind, our picture still shown", [&] { return record(old) && setWallpaper(red); }, old},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(c.before());
        ZelvaneProcess* z = start("wallsType=1\r\npopupCtrlWnd=false\r\nwallpaper=1-1|" + narrow(red) + "\r\n");
        ASSERT_NE(nullptr, z);
        EXPECT_TRUE(shows(red, RGB(255, 0, 0))) << what();
        ASSERT_TRUE(z->close());
        EXPECT_EQ(narrow(c.back), narrow(systemWallpaper()));
        EXPECT_TRUE(data("_wallpaper").empty()) << "the record outlived the restore";
        RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"TranscodedImageCache");
        RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Explorer\\Desktop\\General",
                           L"WallpaperSource");
    }
}

// A tiled pattern of 3 x 2 pixels: the snapshot has it exactly where the
// system tiles it, over the whole screen.
TEST_F(DesktopWallpaperTest, ATinyTiledPatternIsSnapshottedExactly) {
    const auto pattern = [](int x, int y) { return RGB(x % 3 * 100, y % 2 * 200, 50); };
    const std::wstring tile = homeDir + L"\\tile.bmp";
    ASSERT_TRUE(writeBytes(tile, makeBmp(3, 2, pattern)));
    std::wstring path = tile;
    ASSERT_TRUE(SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, path.data(), SPIF_UPDATEINIFILE));
    ZelvaneProcess* z = start("popupCtrlWnd=false\r\n");
    ASSERT_NE(nullptr, z);
    PostMessageW(z->mainWindow(), WM_COMMAND, kCmdSaveWallpaper, 0);
    ASSERT_TRUE(pollUntil([&] { return !data("1_1.bmp").empty(); })) << "no 1_1.bmp";
    const std::string snapshot = data("1_1.bmp");
    const int w = grid.width, h = grid.height;
    for (const POINT p : {POINT{0, 0}, POINT{1, 0}, POINT{2, 1}, POINT{w / 2 + 1, h / 2}, POINT{w - 1, h - 1},
                          POINT{w - 2, h - 2}, POINT{w / 3, h - 1}}) {
        EXPECT_EQ(hex(pattern(p.x, p.y)), hex(bmpPixel(snapshot, p.x, p.y))) << p.x << "," << p.y;
    }
}

// The preview's background comes from the picture of the plane made once
// and kept (shared with the control window): once it has been made, opening
// the preview reads no file; here the files are gone by the second opening.
TEST_F(DesktopWallpaperTest, ThePreviewShowsEachWorkspacesPictureWithoutReadingItsFilesAgain) {
    const std::wstring red = picture(L"red.bmp", RGB(255, 0, 0)), blue = picture(L"blue.bmp", RGB(0, 0, 255)),
                       green = picture(L"green.bmp", RGB(0, 255, 0));
    ZelvaneProcess* z = start("wallsType=1\r\npopupCtrlWnd=false\r\nlightenPreview=false\r\nwallpaper=1-1|" +
                              narrow(red) + ",1-2|" + narrow(blue) + ",2-1|" + narrow(green) + ",2-2|" + narrow(blue) +
                              "\r\n");
    ASSERT_NE(nullptr, z);
    // The resting preview of the 2 x 2 grid at the default scale of 90 %: the plane is 8:5 as the screen.
    const int restW = grid.width * 90 / 100, restH = restW * grid.height / grid.width;
    const int left = (grid.width - restW) / 2, top = (grid.height - restH) / 2;
    const auto cellColour = [&](int row, int col) {
        const COLORREF c = desktopPixel(left + restW / 4 + col * restW / 2, top + restH / 4 + row * restH / 2);
        const int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
        return r > g && r > b ? 'r' : g > r && g > b ? 'g' : b > r && b > g ? 'b' : '?';
    };
    const auto cells = [&] {
        return std::string{cellColour(0, 0), cellColour(0, 1), ' ', cellColour(1, 0), cellColour(1, 1)};
    };
    const auto openShowsThePictures = [&]() -> ::testing::AssertionResult {
        if (!PostMessageW(z->mainWindow(), WM_COMMAND, 100027, 0)) return ::testing::AssertionFailure() << "post";
        HWND view = nullptr;
        if (!pollUntil([&] {
                for (HWND w : topLevelWindows(z->pid(), L"ZelvaneViewClass"))
                    if (IsWindowVisible(w)) view = w;
                return view != nullptr;
            }))
            return ::testing::AssertionFailure() << "no preview";
        std::string seen;
        const bool shown = pollUntil([&] { return (seen = cells()) == "rb gb"; });
        pressChord({}, VK_ESCAPE);
        if (!pollUntil([&] { return topLevelWindows(z->pid(), L"ZelvaneViewClass").empty(); }))
            return ::testing::AssertionFailure() << "the preview did not close";
        if (!shown) return ::testing::AssertionFailure() << "cells show \"" << seen << "\"";
        return ::testing::AssertionSuccess();
    };
    ASSERT_TRUE(openShowsThePictures());
    for (const std::wstring& f : {red, blue, green}) ASSERT_TRUE(DeleteFileW(f.c_str()));
    EXPECT_TRUE(openShowsThePictures()) << "with the files gone";
}

TEST_F(DesktopWallpaperTest, AHungWindowDoesNotHoldUpASwitchThatChangesTheWallpaper) {
    openOn({0, 0}, "a", 0);
    openOn({0, 1}, "b", 1);
    Tracked* hung = openOn({0, 0}, "hung", 2);
    const std::wstring red = picture(L"red.bmp", RGB(255, 0, 0)), blue = picture(L"blue.bmp", RGB(0, 0, 255));
    ZelvaneProcess* z = start("wallsType=1\r\npopupCtrlWnd=false\r\nwallpaper=1-1|" + narrow(red) + ",1-2|" +
                              narrow(blue) + "\r\n");
    ASSERT_NE(nullptr, z);
    ASSERT_TRUE(hung->window->hang());
    // Both switches finish, wallpaper and all, while the window still hangs.
    Workspace ws = press({}, VK_RIGHT);
    EXPECT_EQ("", layout.waitFor(layout.except({hung}), ws)) << zelvaneStatus();
    EXPECT_TRUE(shows(blue, RGB(0, 0, 255))) << what();
    ws = press(ws, VK_LEFT);
    EXPECT_EQ("", layout.waitFor(layout.except({hung}), ws)) << zelvaneStatus();
    EXPECT_TRUE(shows(red, RGB(255, 0, 0))) << what();
    EXPECT_FALSE(hung->window->answers(50ms)) << "the window stopped hanging early";
    hung->window->release();
    ASSERT_SETTLED(ws);
}

}  // namespace
}  // namespace e2e
