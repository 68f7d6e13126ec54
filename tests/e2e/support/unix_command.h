#pragma once
// Unix programs run from the Windows test program: Wine starts a Unix
// executable named by its file like any other. Used for what only the host
// can do, such as holding keys in the X server itself.
#include <string>
#include <vector>

namespace e2e {

// Runs `line` with /bin/sh in `folder` and waits until it has finished
// successfully. False when Wine did not run it or it failed.
bool runUnixShell(const std::wstring& folder, const std::wstring& line);

// Keys held down in the X server (with xdotool), as a user's fingers hold
// them: Wine reads the keyboard back from X whenever its focus moves and
// then still finds them down, which keys injected with SendInput are not.
// Released when the object ends.
class XKeysHeld {
public:
    explicit XKeysHeld(std::vector<std::wstring> keysyms);
    ~XKeysHeld();
    XKeysHeld(const XKeysHeld&) = delete;
    XKeysHeld& operator=(const XKeysHeld&) = delete;
    bool ok() const { return ok_; }

private:
    std::vector<std::wstring> keys_;
    bool ok_ = false;
};

}  // namespace e2e
