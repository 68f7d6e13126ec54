#pragma once
// Puts a function of the test in place of one that a loaded module imports
// (its entry in the module's import address table), and the original back
// at the end: how a test sees which system calls a library makes, and with
// what, inside a process of its own.
#include <windows.h>

namespace e2e {

class ImportPatch {
public:
    ImportPatch(HMODULE module, const char* dll, const char* function, void* replacement);
    // Puts the original back, if the module is still the one loaded there.
    ~ImportPatch();
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;

    bool ok() const { return slot_ != nullptr; }
    // The address the module called before.
    void* original() const { return original_; }

private:
    HMODULE module_;
    void** slot_ = nullptr;
    void* original_ = nullptr;
};

}  // namespace e2e
