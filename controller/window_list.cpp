// The window-list file: the places of all managed windows, rewritten at every
// rescan and deleted at a clean exit, so that after a crash the next start
// can take the windows hidden on other workspaces back.
#include "config/text_file.h"
#include "controller/window_list_file.h"
#include "controller/wsctrl.h"

namespace zelvane {

bool WSController::saveWindowList() {
    if (dataDir_.empty()) return false;
    // Written aside and renamed over the old list, so a crash during the
    // write never leaves a half list behind; on a thread of its own, so the
    // switch does not wait for the disk.
    listWriter_.write(resumeFilePath(), model_.windowListText(executor_.desktop().sessionStamp()));
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
    // A damaged line ends the list; what came before it stays.
    WindowListFile file = parseWindowList(*text);
    // After a reboot or in another logon session every handle of the list
    // names another window, or none: nothing is taken back. (A list written
    // before this was recorded is checked window by window only.)
    if (file.session && !sameSystemRun(*file.session, executor_.desktop().sessionStamp())) file.records.clear();
    carryOut(model_.planRestore(file.records, file.screen,
                                executor_.snapshot(&WorkspaceModel::readsForRestore)));
    return file.complete;
}

}  // namespace zelvane
