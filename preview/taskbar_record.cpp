#include "preview/taskbar_record.h"

#include <cctype>
#include <sstream>

namespace zelvane {

namespace {
constexpr std::size_t kMaxEntries = 16;
}

std::string taskbarRecordText(const std::vector<std::uintptr_t>& hidden) {
    std::ostringstream out;
    for (std::uintptr_t h : hidden) out << std::hex << h << '\n';
    return out.str();
}

std::vector<std::uintptr_t> parseTaskbarRecord(const std::string& text) {
    std::vector<std::uintptr_t> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line) && out.size() < kMaxEntries) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line.size() > 2 * sizeof(std::uintptr_t)) continue;
        bool hex = true;
        for (unsigned char c : line) hex = hex && std::isxdigit(c);
        if (!hex) continue;
        const std::uintptr_t h = static_cast<std::uintptr_t>(std::stoull(line, nullptr, 16));
        if (h != 0) out.push_back(h);
    }
    return out;
}

}  // namespace zelvane
