// Fuzz target for the settings file: any bytes as a file must load without
// harm, and what the save writes must read back to the same settings and
// save again to the same bytes; so must a class name of any bytes added the
// way the class-registration drag adds one.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "config/settings_file.h"
#include "config/text_file.h"
#include "tests/unit/config_snapshot.h"

namespace {

using namespace zelvane;

SettingsFile newSettings() { return SettingsFile({"Progman", "Shell_TrayWnd", "#32770"}); }

// Where the inputs are written: $ZELVANE_FUZZ_DIR (the run script points
// it into the build folder), else a fresh folder in the temporary directory.
const std::filesystem::path& workDir() {
    static const std::filesystem::path dir = [] {
        std::filesystem::path d;
        if (const char* given = std::getenv("ZELVANE_FUZZ_DIR")) {
            d = given;
        } else {
            std::random_device rd;
            d = std::filesystem::temp_directory_path() / ("zelvane-config-fuzz-" + std::to_string(rd()));
        }
        std::filesystem::create_directories(d);
        return d;
    }();
    return dir;
}

[[noreturn]] void fail(const char* what, const std::string& a, const std::string& b) {
    std::fprintf(stderr, "config_fuzz: %s\n--- first ---\n%s\n--- second ---\n%s\n", what, a.c_str(), b.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input = (workDir() / "input").string();
    const std::string saved = (workDir() / "saved").string();
    {
        std::ofstream out(input, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    std::filesystem::remove(saved);  // a save of no lines writes nothing

    SettingsFile first = newSettings();
    first.load(input);
    // The class-registration drag adds names that no file holds: any bytes at
    // all. The input's first line (up to 256 bytes) stands in for one.
    const std::string name(reinterpret_cast<const char*>(data), std::min<std::size_t>(size, 256));
    if (!name.empty()) first.addExclusion(name.substr(0, name.find('\n')));
    if (!first.save(saved)) fail("first save failed", "", "");

    SettingsFile second = newSettings();
    second.load(saved);
    const std::string a = testing::settingsSnapshot(first.values());
    const std::string b = testing::settingsSnapshot(second.values());
    if (a != b) fail("settings differ after a save and a load", a, b);

    const std::string once = readTextFile(saved).value_or("");
    if (!second.save(saved)) fail("second save failed", "", "");
    const std::string twice = readTextFile(saved).value_or("");
    if (once != twice) fail("second save differs", once, twice);
    return 0;
}
