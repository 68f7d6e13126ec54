#include "app/startup_paths.h"

#include <stdexcept>

#include "app/define.h"

namespace zelvane {

std::string firstExisting(const std::vector<std::string>& candidates, const PathExists& exists) {
    for (const auto& c : candidates)
        if (exists(c)) return c;
    return candidates.front();
}

std::string folderOf(const std::string& path) {
    const auto cut = path.find_last_of("\\/");
    if (cut == std::string::npos) return ".";  // not the root of the drive: that is rarely writable
    return path.substr(0, cut);
}

StartupPaths chooseStartupPaths(const std::vector<std::string>& args, const std::string& home,
                                const PathExists& exists) {
    StartupPaths paths;
    std::string folder;
    if (!args.empty()) {
        paths.configPath = args.front();
        if (!exists(paths.configPath)) throw std::runtime_error(paths.configPath + " is not found.");
        folder = folderOf(paths.configPath);
    } else {
        folder = home;
        paths.configPath = firstExisting(
            {home + "\\" + kConfigFileNames[0], home + "\\" + kConfigFileNames[1]}, exists);
    }
    paths.dataDir = firstExisting({folder + "\\" + kDataDirNames[0], folder + "\\" + kDataDirNames[1]}, exists);
    return paths;
}

}  // namespace zelvane
