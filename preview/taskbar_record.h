#pragma once
// The record of the taskbar windows the full preview hid, kept in the data
// folder while they are hidden: if the program dies during a preview, its
// next start shows them again. One handle per line, in hexadecimal.
#include <cstdint>
#include <string>
#include <vector>

namespace zelvane {

inline std::string taskbarRecordPath(const std::string& dataDir) { return dataDir + "/_taskbar"; }

std::string taskbarRecordText(const std::vector<std::uintptr_t>& hidden);
// Lines that are not a non-zero handle are skipped; at most 16 are taken
// (the shell has one taskbar per monitor and a start button).
std::vector<std::uintptr_t> parseTaskbarRecord(const std::string& text);

}  // namespace zelvane
