#include "config/config_lines.h"

#include "config/value_grammar.h"

namespace zelvane {

std::optional<SettingLine> splitSettingLine(std::string_view line) {
    if (grammar::isCommentOrBlank(line)) return std::nullopt;
    const std::size_t first = line.find('=');
    if (first == std::string_view::npos) return std::nullopt;
    const std::size_t second = line.find('=', first + 1);
    SettingLine parts;
    parts.keyPart = line.substr(0, first);
    if (second == std::string_view::npos) {
        parts.valuePart = line.substr(first + 1);
    } else {
        parts.valuePart = line.substr(first + 1, second - first - 1);
        parts.rest = line.substr(second);
    }
    return parts;
}

bool lineStartsWithKey(std::string_view line, std::string_view key) {
    std::size_t i = 0;
    while (i < line.size() && grammar::isBlank(line[i])) ++i;
    if (line.substr(i, key.size()) != key) return false;
    i += key.size();
    while (i < line.size() && grammar::isBlank(line[i])) ++i;
    return i < line.size() && line[i] == '=';
}

std::uint32_t keysWithLines(const std::vector<std::string>& lines, std::size_t count) {
    std::uint32_t bits = 0;
    for (std::size_t n = 0; n < count && n < lines.size(); ++n) {
        const std::string& line = lines[n];
        // Keys are letters and digits only, so the one candidate is the run
        // of them right after the leading blanks.
        std::size_t i = 0;
        while (i < line.size() && grammar::isBlank(line[i])) ++i;
        const std::string_view run = grammar::firstAlnumRun(std::string_view(line).substr(i));
        if (run.empty() || run.data() != line.data() + i) continue;
        if (const auto key = findConfigKey(run); key && lineStartsWithKey(line, run)) bits |= keyBit(*key);
    }
    return bits;
}

}  // namespace zelvane
