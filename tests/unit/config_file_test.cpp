// Loading and saving the settings file: clamping, write-back in place, loads
// that stop early, editor line ends, non-ASCII paths, failed saves and input
// that is not a settings file at all.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "app/define.h"
#include "config/settings_file.h"
#include "config/text_file.h"
#include "config_snapshot.h"

namespace zelvane::testing {
namespace {

namespace fs = std::filesystem;

// Settings over files in a fresh temporary folder.
class ConfigFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device rd;
        dir = fs::temp_directory_path() / ("zelvane-test-" + std::to_string(rd()));
        fs::create_directories(dir);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    static SettingsFile fresh() { return SettingsFile(systemClassList()); }
    std::string pathOf(const std::string& name = "zlvrc") const { return (dir / fs::u8path(name)).u8string(); }
    void write(const std::string& bytes, const std::string& name = "zlvrc") const {
        std::ofstream(fs::u8path(pathOf(name)), std::ios::binary) << bytes;
    }
    std::string read(const std::string& name = "zlvrc") const { return readTextFile(pathOf(name)).value_or("<none>"); }
    bool load(const std::string& bytes) {
        write(bytes);
        return settings.load(pathOf());
    }
    std::string saved() {
        EXPECT_TRUE(settings.save(pathOf()));
        return read();
    }
    std::string defaults() { return settingsSnapshot(fresh().values()); }

    // Loads bytes, saves, loads the saved file into fresh settings: both
    // must hold the same settings, and saving again must give the same bytes.
    void expectStableRoundTrip(const std::string& bytes) {
        write(bytes);
        fs::remove(fs::u8path(pathOf("saved")));  // an empty save writes nothing
        auto first = fresh();
        first.load(pathOf());
        ASSERT_TRUE(first.save(pathOf("saved")));
        auto second = fresh();
        second.load(pathOf("saved"));
        EXPECT_EQ(settingsSnapshot(second.values()), settingsSnapshot(first.values()));
        const std::string once = read("saved");
        ASSERT_TRUE(second.save(pathOf("saved")));
        EXPECT_EQ(read("saved"), once);
    }

    fs::path dir;
    SettingsFile settings = fresh();
};

TEST_F(ConfigFileTest, WithoutAFileDefaultsStayAndOnlyChangedKeysAreWritten) {
    EXPECT_FALSE(settings.load(pathOf()));
    EXPECT_TRUE(settings.lines().empty());
    EXPECT_EQ(settingsSnapshot(settings.values()), defaults());
    EXPECT_TRUE(settings.save(pathOf()));
    EXPECT_FALSE(fs::exists(pathOf()));

    settings.setLoopWS(true);
    settings.setLoopWS(true);
    EXPECT_EQ(saved(), "loopWS=true\n");
}

TEST_F(ConfigFileTest, ValuesAreClampedOnReadingAndWrittenBackCanonically) {
    EXPECT_TRUE(load("# settings\n\nwsRowNum = 7\nwsColNum = 0\npreviewScale = 5\ntransitionTime = 5000\n"
                     "updateInterval = -1\npopupCtrlWndDelay = -20\nwallsType = 9\nmovKey = shift+ctrl\n"
                     "movWndKey = control+alt\nuseHotkey = 1\nkeyBind = vi # comment\nWSROWNUM = 3\n"));
    EXPECT_EQ(settings.values().wsRowNum, 5);
    EXPECT_EQ(settings.values().wsColNum, 1);
    EXPECT_EQ(settings.values().previewScale, 10);
    EXPECT_EQ(settings.values().transitionTime, 1000);
    EXPECT_EQ(settings.values().updateInterval, 0);
    EXPECT_EQ(settings.values().popupCtrlWndDelay, 0);
    EXPECT_EQ(settings.values().wallsType, 0);
    EXPECT_EQ(settings.values().movKey, 6);
    EXPECT_EQ(settings.values().movWndKey, 9);  // "control" names no modifier: value ignored
    EXPECT_FALSE(settings.values().useHotkey);
    EXPECT_EQ(settings.values().keyBind, "vi");
    EXPECT_EQ(saved(),
              "# settings\n\nwsRowNum=5\nwsColNum=1\npreviewScale=10\ntransitionTime=1000\nupdateInterval=0\n"
              "popupCtrlWndDelay=0\nwallsType=0\nmovKey=ctrl+shift\nmovWndKey=alt+win\nuseHotkey=false\n"
              "keyBind=vi\nWSROWNUM = 3\n");
}

TEST_F(ConfigFileTest, SaveRewritesKnownKeysInPlaceAndLeavesEverythingElseAlone) {
    EXPECT_TRUE(load("  # comment = not a setting\nfoo = bar\nmy_key = 1\nloopWS\nwsRowNum = 3 # three\n"
                     "wallpaper=1-1|C:\\a.bmp=x\nedgeFlip = true\nedgeFlip = false\n language = japanese"));
    EXPECT_EQ(settings.values().wsRowNum, 3);
    EXPECT_FALSE(settings.values().edgeFlip);  // the later line wins
    EXPECT_EQ(settings.values().wallpaperOf(0, 0), "C:\\a.bmp");
    const std::size_t lines = settings.lines().size();
    settings.setLanguage("english");  // has a line already
    EXPECT_EQ(settings.lines().size(), lines);
    settings.setEdgeFlip(true);
    settings.setKeyBind("emacs");  // new lines at the end, in the order first set
    settings.setLoopWS(true);      // "loopWS" alone is not a line for the key
    settings.setKeyBind("vi");
    const std::string expected =
        "  # comment = not a setting\nfoo = bar\nmy_key = 1\nloopWS\nwsRowNum=3\nwallpaper=1-1|C:\\a.bmp=x\n"
        "edgeFlip=true\nedgeFlip=true\nlanguage=english\nkeyBind=vi\nloopWS=true\n";
    EXPECT_EQ(saved(), expected);
    EXPECT_EQ(saved(), expected);
}

TEST_F(ConfigFileTest, DistantViewKeepsTheGridSquareAndTheFileKeepsBothSizes) {
    EXPECT_TRUE(load("wsRowNum = 2\nwsColNum = 4\nwallsType = 2\n"));
    EXPECT_EQ(settings.values().wsRowNum, 4);
    EXPECT_EQ(settings.values().wsColNum, 4);
    settings.setWsRowNum(1);
    EXPECT_EQ(settings.values().wsColNum, 2);
    settings.setWsColNum(9);
    EXPECT_EQ(settings.values().wsRowNum, 5);

    // A size changed as a side effect survives leaving the mode and a restart.
    auto c = fresh();
    c.setWsRowNum(4);
    c.setWallsType(2);
    EXPECT_EQ(c.values().wsColNum, 4);
    c.setWallsType(0);
    ASSERT_TRUE(c.save(pathOf()));
    auto restarted = fresh();
    EXPECT_TRUE(restarted.load(pathOf()));
    EXPECT_EQ(settingsSnapshot(restarted.values()), settingsSnapshot(c.values()));

    auto single = fresh();
    single.setWsRowNum(1);
    single.setWsColNum(1);
    single.setWallsType(2);
    EXPECT_EQ(single.values().wsRowNum * 10 + single.values().wsColNum, 22);  // a spread needs two cells each way
}

TEST_F(ConfigFileTest, ALoadThatStopsKeepsEarlierValuesAndNeverLosesTheRest) {
    EXPECT_FALSE(load("loopWS = true\nwsRowNum = abc\nedgeFlip = true\nmouseGes = true\n"));
    EXPECT_TRUE(settings.values().loopWS);
    EXPECT_FALSE(settings.values().edgeFlip);
    EXPECT_EQ(settings.lines().size(), 4u);
    // Keys set now get lines before the unread part, which the next load reads.
    settings.setMouseGes(true);
    settings.setLoopWS(false);
    const std::string expected = "loopWS=false\nmouseGes=true\nwsRowNum = abc\nedgeFlip = true\nmouseGes = true\n";
    EXPECT_EQ(saved(), expected);
    EXPECT_EQ(saved(), expected);
    auto restarted = fresh();
    EXPECT_FALSE(restarted.load(pathOf()));
    EXPECT_EQ(settingsSnapshot(restarted.values()), settingsSnapshot(settings.values()));

    EXPECT_FALSE(load("wsColNum=3\nwallpaper=1-1|a.bmp,no position,2-2|b.bmp\nloopWS=true\n"));
    EXPECT_EQ(settings.values().wsColNum, 3);
    EXPECT_EQ(settings.values().wallpaperOf(0, 0), "a.bmp");
    EXPECT_EQ(settings.values().wallpaperOf(1, 1), "");
    EXPECT_FALSE(load("previewScale=50\nwsRowNum = 4294967297\npreviewScale=60\n"));
    EXPECT_EQ(settings.values().previewScale, 50);
}

TEST_F(ConfigFileTest, NotepadFilesKeepTheirByteOrderMarkAndLineEnds) {
    const std::string bom = "\xEF\xBB\xBF";
    const std::string wall = "C:\\\xE5\xA3\x81\xE7\xB4\x99.bmp";
    EXPECT_TRUE(load(bom + "# Zelvane\r\nexclusions=Notepad,CabinetWClass\r\nkeyBind = vi\r\nwallpaper=1-1|" + wall +
                     "\r\nfoo = bar\r\nloopWS=true"));
    EXPECT_EQ(settings.lines().front(), "# Zelvane");
    EXPECT_EQ(settings.values().exclusions, (std::vector<std::string>{"Notepad", "CabinetWClass"}));
    EXPECT_EQ(settings.values().keyBind, "vi");
    EXPECT_EQ(settings.values().wallpaperOf(0, 0), wall);
    EXPECT_TRUE(settings.values().loopWS);
    EXPECT_EQ(saved(), bom + "# Zelvane\r\nexclusions=Notepad,CabinetWClass\r\nkeyBind=vi\r\nwallpaper=1-1|" + wall +
                           "\r\nfoo = bar\r\nloopWS=true\r\n");
}

TEST_F(ConfigFileTest, NonAsciiPathsWorkForTheFileAndInsideValues) {
    const std::string folder = "\xE8\xA8\xAD\xE5\xAE\x9A";                                  // 設定
    const std::string name = folder + "/\xE3\x82\xBC\xE3\x83\xAB\xE3\x83\xB4\xE3\x82\xA7.rc";  // ゼルヴェ.rc
    const std::string wall = "D:\\\xE5\x86\x99\xE7\x9C\x9F\\\xE6\xB5\xB7.bmp";                 // D:\写真\海.bmp
    fs::create_directory(fs::u8path(pathOf(folder)));
    write("wallpaper=2-2|" + wall + "\n", name);
    EXPECT_TRUE(settings.load(pathOf(name)));
    EXPECT_EQ(settings.values().wallpaperOf(1, 1), wall);
    settings.setLoopWS(true);
    EXPECT_TRUE(settings.save(pathOf(name)));
    EXPECT_EQ(read(name), "wallpaper=2-2|" + wall + "\nloopWS=true\n");
}

TEST_F(ConfigFileTest, AFailedSaveLeavesTheOldFileAndNoLitter) {
    settings.setLoopWS(true);
    write("loopWS=false\n");
    fs::permissions(pathOf(), fs::perms::owner_read);
    EXPECT_FALSE(settings.save(pathOf()));
    EXPECT_EQ(read(), "loopWS=false\n");
    fs::permissions(pathOf(), fs::perms::owner_read | fs::perms::owner_write);

    EXPECT_FALSE(settings.save(pathOf("missing/zlvrc")));
    fs::create_directory(dir / "adir");
    EXPECT_FALSE(settings.save(pathOf("adir")));
    EXPECT_TRUE(fs::is_directory(dir / "adir"));

    // Through a symbolic link the file it names is replaced; the link stays.
    fs::create_symlink("zlvrc", dir / "link");
    EXPECT_TRUE(settings.save(pathOf("link")));
    EXPECT_TRUE(fs::is_symlink(dir / "link"));
    EXPECT_EQ(read(), "loopWS=true\n");

    for (const auto& entry : fs::directory_iterator(dir))
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
    EXPECT_FALSE(settings.load(pathOf("adir")));
}

TEST_F(ConfigFileTest, HostileInputIsReadWithoutCrashingHangingOrDrifting) {
    const std::string mega(1 << 20, 'a');
    std::string movKeys;
    for (int i = 0; i < 200000; ++i) movKeys += "alt+";
    expectStableRoundTrip(
                          "keyBind=" + mega + "\nexclusions=" + mega + "\nwallpaper=3-3|" + mega + "\nmovKey=" +
                              movKeys + "shift\nlanguage=" + std::string("a\0b\xff\xfe", 5) + "\n" + mega + "=\n" +
                              "wsRowNum=" + std::string(1 << 20, '-') + "\n");

    std::mt19937 random(20240611);
    static const char kAlphabet[] = "==,,||-+#  \t\r\n\n\0\xff\xEF\xBB\xBF" "0123456789aeltTRUE_:$(.\\";
    const std::string alphabet(kAlphabet, sizeof kAlphabet - 1);
    const char* keys[] = {"wsRowNum", "wallsType", "wallpaper", "exclusions", "movKey", "keyBind", "loopWS"};
    for (int round = 0; round < 300; ++round) {
        std::string bytes;
        const int pieces = static_cast<int>(random() % 40);
        for (int i = 0; i < pieces; ++i) {
            if (random() % 3 == 0) bytes += keys[random() % 7];
            bytes += alphabet[random() % alphabet.size()];
        }
        std::string hex;
        for (unsigned char ch : bytes) hex += (ch >= 32 && ch < 127 && ch != '\\') ? std::string(1, static_cast<char>(ch)) : "\\x" + std::to_string(ch) + ";";
        SCOPED_TRACE(hex);
        expectStableRoundTrip(bytes);
    }

    std::string million;
    std::string rewritten;
    for (int i = 0; i < 250000; ++i) {
        million += "# note\npreviewScale = 50\nfoo = 1\nexclusions=Notepad\n";
        rewritten += "# note\npreviewScale=50\nfoo = 1\nexclusions=Notepad\n";
    }
    write(million);
    EXPECT_TRUE(settings.load(pathOf()));
    EXPECT_EQ(settings.values().previewScale, 50);
    EXPECT_EQ(settings.values().exclusions, (std::vector<std::string>{"Notepad"}));
    EXPECT_TRUE(settings.save(pathOf()));
    EXPECT_TRUE(read() == rewritten) << "the million-line file was not written back line for line";
}

TEST_F(ConfigFileTest, ExcludedClassesOfAnyNameSurviveASaveAndALoad) {
    // Written by an earlier version: names as they are, which still read the same.
    EXPECT_TRUE(load("exclusions=Notepad,Afx:400000:8\n"));
    // Added by the class-registration drag: the dialog class, a Japanese name,
    // a name with the list's own separator.
    for (const std::string name : {"#32770", "\xE3\x83\xA1\xE3\x83\xA2", "a,b=c"}) EXPECT_TRUE(settings.addExclusion(name));
    EXPECT_FALSE(settings.addExclusion(""));  // no class has an empty name, and no file could hold one
    const std::vector<std::string> names{"Notepad", "Afx:400000:8", "#32770", "\xE3\x83\xA1\xE3\x83\xA2", "a,b=c"};
    ASSERT_EQ(settings.values().exclusions, names);
    EXPECT_EQ(saved(), "exclusions=Notepad,Afx:400000:8,%2332770,%E3%83%A1%E3%83%A2,a%2Cb%3Dc\n");

    auto next = fresh();
    EXPECT_TRUE(next.load(pathOf()));
    EXPECT_EQ(next.values().exclusions, names);
    // The first name alone being "#..." once made the whole line a comment.
    ASSERT_TRUE(next.removeExclusion("Notepad"));
    ASSERT_TRUE(next.removeExclusion("Afx:400000:8"));
    EXPECT_TRUE(next.save(pathOf()));
    auto third = fresh();
    EXPECT_TRUE(third.load(pathOf()));
    EXPECT_EQ(third.values().exclusions, (std::vector<std::string>{"#32770", "\xE3\x83\xA1\xE3\x83\xA2", "a,b=c"}));
}

}  // namespace
}  // namespace zelvane::testing
