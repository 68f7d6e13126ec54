#include "config/value_grammar.h"

#include <cstddef>
#include <limits>

#include "config/settings.h"

namespace zelvane::grammar {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool isAlnum(char c) { return isDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Blanks that may sit inside a class name: all but the carriage return.
bool isNameBlank(char c) { return c != '\r' && isBlank(c); }

// Characters of the exclusions value as a whole (names, separators and the
// "%" of an escaped byte).
bool isClassListChar(char c) {
    switch (c) {
        case '_': case ':': case '#': case '$': case '(': case ')': case '%':
        case '*': case ',': case '-': case '|': case '.': case '\\':
            return true;
        default:
            return isAlnum(c) || isNameBlank(c);
    }
}

// Characters of one class name.
bool isClassNameChar(char c) {
    switch (c) {
        case '_': case ':': case '-': case '.': case '\\':
            return true;
        default:
            return isAlnum(c) || isNameBlank(c);
    }
}

// Characters the writer puts into a name as they are; every other byte is
// written as "%" and two hex digits. Blanks other than the space are escaped
// too, so that no name can break the line or be taken for line-end residue.
bool isPlainNameChar(char c) { return c == ' ' || (c != '%' && !isBlank(c) && isClassNameChar(c)); }

int hexValue(char c) {
    if (isDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "%" and two hex digits at text[i]: the byte they stand for.
std::optional<char> escapedByteAt(std::string_view text, std::size_t i) {
    if (i + 2 >= text.size() || text[i] != '%') return std::nullopt;
    const int high = hexValue(text[i + 1]);
    const int low = hexValue(text[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    return static_cast<char>(high * 16 + low);
}

// The first name in one item of the class list: the first run of name
// characters and escaped bytes, decoded. A "%" without two hex digits after
// it is a character outside the set like any other.
std::string firstClassName(std::string_view item) {
    std::string name;
    std::size_t i = 0;
    for (; i < item.size(); ++i)
        if (isClassNameChar(item[i]) || escapedByteAt(item, i)) break;
    while (i < item.size()) {
        if (isClassNameChar(item[i])) {
            name += item[i++];
        } else if (const auto byte = escapedByteAt(item, i)) {
            name += *byte;
            i += 3;
        } else {
            break;
        }
    }
    return name;
}

// The first (leftmost, longest) run of characters for which pred holds.
template <typename Pred>
std::string_view firstRun(std::string_view text, Pred pred) {
    std::size_t begin = 0;
    while (begin < text.size() && !pred(text[begin])) ++begin;
    std::size_t end = begin;
    while (end < text.size() && pred(text[end])) ++end;
    return text.substr(begin, end - begin);
}

// Calls f with every piece of text between separators, in order (n
// separators give n + 1 pieces, empty ones included). f returns false to stop.
template <typename F>
void forEachPiece(std::string_view text, char separator, F f) {
    std::size_t begin = 0;
    for (;;) {
        const std::size_t end = text.find(separator, begin);
        if (!f(text.substr(begin, end == std::string_view::npos ? std::string_view::npos : end - begin))) return;
        if (end == std::string_view::npos) return;
        begin = end + 1;
    }
}

// One letter in either case followed by a tail all lower case or all upper
// case, anywhere in the text: "(c|C)(trl|TRL)" and its kind.
bool containsName(std::string_view text, char lowerFirst, std::string_view lowerTail, std::string_view upperTail) {
    const char upperFirst = static_cast<char>(lowerFirst - 'a' + 'A');
    for (std::size_t i = 0; i + lowerTail.size() < text.size(); ++i) {
        if (text[i] != lowerFirst && text[i] != upperFirst) continue;
        const std::string_view tail = text.substr(i + 1, lowerTail.size());
        if (tail == lowerTail || tail == upperTail) return true;
    }
    return false;
}

// Decimal digits to a number, saturating far above anything meaningful.
std::int64_t digitsValue(std::string_view digits) {
    constexpr std::int64_t kCap = std::int64_t{1} << 40;
    std::int64_t v = 0;
    for (char c : digits) {
        v = v * 10 + (c - '0');
        if (v > kCap) return kCap;
    }
    return v;
}

}  // namespace

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

bool isCommentOrBlank(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i])) ++i;
    return i == text.size() || text[i] == '#';
}

std::string_view firstAlnumRun(std::string_view text) { return firstRun(text, isAlnum); }

std::optional<std::int32_t> readInteger(std::string_view value) {
    // The leftmost match of "-?[0-9]+": a "-" counts only when a digit follows it.
    std::size_t begin = 0;
    while (begin < value.size() && !isDigit(value[begin]) &&
           !(value[begin] == '-' && begin + 1 < value.size() && isDigit(value[begin + 1])))
        ++begin;
    if (begin == value.size()) return std::nullopt;
    const bool negative = value[begin] == '-';
    const std::string_view digits = firstRun(value.substr(begin + (negative ? 1 : 0)), isDigit);
    const std::int64_t magnitude = digitsValue(digits);
    const std::int64_t v = negative ? -magnitude : magnitude;
    if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(v);
}

std::string writeInteger(std::int32_t v) { return std::to_string(v); }

bool readSwitch(std::string_view value) { return containsName(value, 't', "rue", "RUE"); }

std::string writeSwitch(bool v) { return v ? "true" : "false"; }

std::optional<std::string> readWord(std::string_view value) {
    const std::string_view word = firstRun(value, [](char c) { return !isBlank(c); });
    if (word.empty()) return std::nullopt;
    return std::string(word);
}

std::int32_t readModifiers(std::string_view value) {
    std::int32_t mask = 0;
    forEachPiece(value, '+', [&mask](std::string_view piece) {
        if (containsName(piece, 'c', "trl", "TRL"))
            mask |= kModCtrl;
        else if (containsName(piece, 'a', "lt", "LT"))
            mask |= kModAlt;
        else if (containsName(piece, 's', "hift", "HIFT"))
            mask |= kModShift;
        else if (containsName(piece, 'w', "in", "IN"))
            mask |= kModWin;
        else {
            mask = 0;
            return false;
        }
        return true;
    });
    return mask;
}

std::string writeModifiers(std::int32_t mask) {
    std::string text;
    struct Name {
        std::int32_t bit;
        const char* text;
    };
    static constexpr Name kOrder[] = {{kModCtrl, "ctrl"}, {kModAlt, "alt"}, {kModShift, "shift"}, {kModWin, "win"}};
    for (const Name& name : kOrder) {
        if ((mask & name.bit) == 0) continue;
        if (!text.empty()) text += '+';
        text += name.text;
    }
    return text;
}

std::vector<std::string> readClassList(std::string_view value) {
    std::vector<std::string> names;
    forEachPiece(firstRun(value, isClassListChar), ',', [&names](std::string_view item) {
        std::string name = firstClassName(item);
        if (!name.empty()) names.push_back(std::move(name));
        return true;
    });
    return names;
}

std::string writeClassList(const std::vector<std::string>& names) {
    std::string text;
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) text += ',';
        for (const char c : names[i]) {
            if (isPlainNameChar(c)) {
                text += c;
            } else {
                const auto byte = static_cast<unsigned char>(c);
                text += '%';
                text += kHex[byte >> 4];
                text += kHex[byte & 0xF];
            }
        }
    }
    if (!names.empty() && firstRun(text, [](char c) { return !isBlank(c); }).empty()) text += ',';
    return text;
}

WallpaperList readWallpaperList(std::string_view value) {
    WallpaperList list;
    forEachPiece(value, ',', [&list](std::string_view item) {
        if (item.empty()) return true;
        // The leftmost "[0-9]+-[0-9]+": a run of digits directly followed by
        // "-" and a digit; a run that is not is passed over whole.
        std::string_view rowDigits;
        std::string_view colDigits;
        for (std::size_t i = 0; i < item.size();) {
            if (!isDigit(item[i])) {
                ++i;
                continue;
            }
            const std::string_view run = firstRun(item.substr(i), isDigit);
            const std::size_t dash = i + run.size();
            if (dash + 1 < item.size() && item[dash] == '-' && isDigit(item[dash + 1])) {
                rowDigits = run;
                colDigits = firstRun(item.substr(dash + 1), isDigit);
                break;
            }
            i = dash;
        }
        if (rowDigits.empty()) {
            list.malformed = true;
            return false;
        }
        const std::int64_t row = digitsValue(rowDigits);
        const std::int64_t col = digitsValue(colDigits);
        if (row < 1 || row > kMaxGrid || col < 1 || col > kMaxGrid) return true;
        const std::size_t bar = item.find('|');
        if (bar == std::string_view::npos) return true;
        std::string_view second = item.substr(bar + 1);
        second = second.substr(0, second.find('|'));
        // ".+" : the first run of characters other than line breaks.
        const std::string_view path = firstRun(second, [](char c) { return c != '\n' && c != '\r'; });
        list.items.push_back({static_cast<int>(row - 1), static_cast<int>(col - 1), std::string(path)});
        return true;
    });
    return list;
}

std::string writeWallpaperList(const WallpaperTable& table) {
    std::string text;
    for (int row = 0; row < kMaxGrid; ++row) {
        for (int col = 0; col < kMaxGrid; ++col) {
            const std::string& path = table[row][col];
            if (path.empty()) continue;
            if (!text.empty()) text += ',';
            text += std::to_string(row + 1) + "-" + std::to_string(col + 1) + "|" + path;
        }
    }
    return text;
}

}  // namespace zelvane::grammar
