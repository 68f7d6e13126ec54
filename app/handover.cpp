#include "app/handover.h"

#include <cerrno>
#include <cstdlib>

namespace zelvane {

namespace {

constexpr const char* kTakeOver = "--take-over";

std::optional<std::uint32_t> processId(const std::string& text) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    errno = 0;
    const unsigned long long v = std::strtoull(text.c_str(), nullptr, 10);
    if (errno != 0 || v == 0 || v > 0xFFFFFFFFull) return std::nullopt;
    return static_cast<std::uint32_t>(v);
}

}  // namespace

Handover splitHandover(const std::vector<std::string>& args) {
    Handover h;
    std::size_t rest = 0;
    if (args.size() >= 2 && args[0] == kTakeOver) {
        h.predecessor = processId(args[1]);
        rest = 2;  // a damaged number is dropped with its switch: it names no settings file
    }
    h.args.assign(args.begin() + static_cast<std::ptrdiff_t>(rest), args.end());
    return h;
}

std::vector<std::string> successorArguments(std::uint32_t self, const std::vector<std::string>& args) {
    std::vector<std::string> out{kTakeOver, std::to_string(self)};
    out.insert(out.end(), args.begin(), args.end());
    return out;
}

// Backslashes count only before a quote: there each one is doubled, and the
// quote itself escaped; a closing quote needs the same for the ones before it.
std::string quoteArguments(const std::vector<std::string>& args) {
    std::string line;
    for (const std::string& a : args) {
        if (!line.empty()) line += ' ';
        if (!a.empty() && a.find_first_of(" \t\n\v\"") == std::string::npos) {
            line += a;
            continue;
        }
        line += '"';
        std::size_t slashes = 0;
        for (char c : a) {
            if (c == '\\') {
                ++slashes;
                continue;
            }
            if (c == '"') {
                line.append(slashes * 2 + 1, '\\');
            } else {
                line.append(slashes, '\\');
            }
            slashes = 0;
            line += c;
        }
        line.append(slashes * 2, '\\');
        line += '"';
    }
    return line;
}

}  // namespace zelvane
