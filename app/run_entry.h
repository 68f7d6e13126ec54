#pragma once
// "Start with Windows": the value "Zelvane" under the current user's Run key
// (Software\Microsoft\Windows\CurrentVersion\Run) holding the program's
// quoted full path. What that value says about the running copy, without
// the window system (strings are UTF-8).
#include <functional>
#include <optional>
#include <string>

namespace zelvane {

inline constexpr const char* kRunValueName = "Zelvane";

// The value that starts `programPath`: the path in double quotes.
std::string runValueFor(const std::string& programPath);

// The program a Run value starts: the quoted path, or the whole (trimmed)
// value when it has no quotes.
std::string programOfRunValue(const std::string& value);

enum class RunEntry {
    Absent,        // no value: the program does not start with Windows
    ThisProgram,   // the value starts the running copy (the check mark)
    MovedAway,     // it names a program that is no longer there: the copy was moved
    OtherProgram,  // it names another copy that still exists: left alone
};

// Paths are compared as Windows does, ignoring the case of ASCII letters.
RunEntry classifyRunEntry(const std::optional<std::string>& value, const std::string& programPath,
                          const std::function<bool(const std::string&)>& fileExists);

}  // namespace zelvane
