#pragma once
// Where the settings file and the data directory are: the file named on the
// command line, or the home folder's. Paths are UTF-8 with "\" separators.
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zelvane {

struct StartupPaths {
    std::string configPath;
    std::string dataDir;
};

using PathExists = std::function<bool(const std::string&)>;

// The first candidate that exists as a file or folder, else the first one.
std::string firstExisting(const std::vector<std::string>& candidates, const PathExists& exists);

// The folder part of a path: everything before its last separator; the
// current folder (".") for a bare file name.
std::string folderOf(const std::string& path);

// args are the command-line arguments after the program's own name. Throws
// std::runtime_error("<path> is not found.") for a named file that does not exist.
StartupPaths chooseStartupPaths(const std::vector<std::string>& args, const std::string& home,
                                const PathExists& exists);

}  // namespace zelvane
