#include "app/run_entry.h"

#include <algorithm>

namespace zelvane {

namespace {

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool samePath(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
}

std::string trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

}  // namespace

std::string runValueFor(const std::string& programPath) { return "\"" + programPath + "\""; }

std::string programOfRunValue(const std::string& value) {
    const std::string v = trimmed(value);
    if (v.empty() || v.front() != '"') return v;
    const auto close = v.find('"', 1);
    return v.substr(1, close == std::string::npos ? std::string::npos : close - 1);
}

RunEntry classifyRunEntry(const std::optional<std::string>& value, const std::string& programPath,
                          const std::function<bool(const std::string&)>& fileExists) {
    if (!value) return RunEntry::Absent;
    const std::string named = programOfRunValue(*value);
    if (samePath(named, programPath)) return RunEntry::ThisProgram;
    return fileExists(named) ? RunEntry::OtherProgram : RunEntry::MovedAway;
}

}  // namespace zelvane
