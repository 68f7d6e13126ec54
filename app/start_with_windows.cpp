#include "app/start_with_windows.h"

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "app/run_entry.h"
#include "win32/app_instance.h"
#include "win32/handles.h"
#include "win32/text.h"

namespace zelvane {

namespace {

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::string programPathText() { return win32::narrow(programPath()); }

bool fileExists(const std::string& path) {
    return !path.empty() && GetFileAttributesW(win32::widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

win32::UniqueRegKey openRunKey(REGSAM access) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, access, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return {};
    return win32::UniqueRegKey(key);
}

std::optional<std::string> readRunValue() {
    win32::UniqueRegKey key = openRunKey(KEY_QUERY_VALUE);
    if (!key) return std::nullopt;
    const std::wstring name = win32::widen(kRunValueName);
    DWORD type = 0, bytes = 0;
    if (RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::nullopt;
    std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &bytes) !=
        ERROR_SUCCESS)
        return std::nullopt;
    value.resize(wcsnlen(value.c_str(), value.size()));  // stored with or without its terminator
    return win32::narrow(value);
}

bool writeRunValue(const std::string& program) {
    win32::UniqueRegKey key = openRunKey(KEY_SET_VALUE);
    if (!key) return false;
    const std::wstring value = win32::widen(runValueFor(program));
    return RegSetValueExW(key.get(), win32::widen(kRunValueName).c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool removeRunValue() {
    win32::UniqueRegKey key = openRunKey(KEY_SET_VALUE);
    if (!key) return false;
    const LONG result = RegDeleteValueW(key.get(), win32::widen(kRunValueName).c_str());
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

RunEntry currentEntry(const std::string& program) { return classifyRunEntry(readRunValue(), program, fileExists); }

}  // namespace

bool startsWithWindows() { return currentEntry(programPathText()) == RunEntry::ThisProgram; }

void followMovedProgram() {
    const std::string program = programPathText();
    if (!program.empty() && currentEntry(program) == RunEntry::MovedAway) writeRunValue(program);
}

bool toggleStartWithWindows() {
    const std::string program = programPathText();
    if (program.empty()) return false;
    return currentEntry(program) == RunEntry::ThisProgram ? removeRunValue() : writeRunValue(program);
}

}  // namespace zelvane
