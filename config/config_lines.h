#pragma once
// How the settings file's lines are taken apart: which lines are comments,
// where the key and the value parts are, and which key a line names.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/keys.h"

namespace zelvane {

inline constexpr std::uint32_t keyBit(ConfigKey k) { return std::uint32_t{1} << static_cast<unsigned>(k); }

// A non-comment line cut at its first two "=": the key part before the first,
// the value part between the first and the second (or the end), and the rest
// from the second "=" on (empty when there is none).
struct SettingLine {
    std::string_view keyPart;
    std::string_view valuePart;
    std::string_view rest;
};

// Nothing for comment and blank lines and for lines without "=".
std::optional<SettingLine> splitSettingLine(std::string_view line);

// True when the line starts with optional blanks, then key, optional blanks
// and "=": the line that already holds the key, as far as marking it
// modified is concerned.
bool lineStartsWithKey(std::string_view line, std::string_view key);

// The known keys that have a line starting with them among the first count
// lines (a bit per key).
std::uint32_t keysWithLines(const std::vector<std::string>& lines, std::size_t count);

}  // namespace zelvane
