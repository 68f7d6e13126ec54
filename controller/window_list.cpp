// The window-list file: the places of all managed windows, rewritten at every
// rescan and deleted at a clean exit, so that after a crash the next start
// can take the windows hidden on other workspaces back.
#include <sstream>

#include "config/text_file.h"
#include "controller/wsctrl.h"

namespace zelvane {

bool WSController::saveWindowList() {
    if (dataDir_.empty()) return false;
    // Written aside and renamed over the old list, so a crash during the
    // write never leaves a half list behind; on a thread of its own, so the
    // switch does not wait for the disk.
    listWriter_.write(resumeFilePath(), model_.windowListText());
    return true;
}

void WSController::removeWindowListFile() {
    if (dataDir_.empty()) return;
    listWriter_.remove(resumeFilePath());
}

bool WSController::restoreWindowList() {
    if (dataDir_.empty()) return false;
    removeStaleTemporaryFiles(resumeFilePath());
    const auto text = readTextFile(resumeFilePath());
    if (!text) return false;
    std::vector<WndInfo> records;
    std::istringstream in(*text);
    std::string line;
    bool complete = true;
    while (std::getline(in, line)) {
        auto record = WndInfo::fromText(line);
        if (!record) {  // a damaged line ends the restore; what came before stays
            complete = false;
            break;
        }
        records.push_back(std::move(*record));
    }
    carryOut(model_.planRestore(records, executor_.snapshot(&WorkspaceModel::readsForRestore)));
    return complete;
}

}  // namespace zelvane
