#pragma once
#include <windows.h>

#include <string>

namespace zelvane {

// The program's own module: the instance its window classes are registered
// with and its resources are loaded from.
inline HINSTANCE appInstance() { return GetModuleHandleW(nullptr); }

// The full path of the program's own file; empty when it cannot be read.
inline std::wstring programPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

// The folder of the program's own file, with no separator at its end;
// empty when it cannot be read.
inline std::wstring programFolder() {
    const std::wstring path = programPath();
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

}  // namespace zelvane
