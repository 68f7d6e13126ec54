#pragma once
// What the settings-file code remembers between a load and the save at exit,
// besides the lines themselves.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "config/keys.h"

namespace zelvane {

struct ConfigFileState {
    // The file began with a UTF-8 byte-order mark; the save writes it back.
    bool byteOrderMark = false;
    // The file's lines end in CR LF; the save keeps that style. A new file
    // gets the platform's usual line end.
#ifdef _WIN32
    bool crlf = true;
#else
    bool crlf = false;
#endif

    // lines_ before this index are the lines the program read (or
    // added); the save brings their values up to date. From here on are the
    // lines of a load that stopped at a value it could not read: that line
    // and the ones after it were never applied and are written back exactly
    // as they were. New entries for keys without a line go here, so that the
    // next load reads them before it stops. Equal to lines_.size()
    // after a complete load.
    std::size_t readEnd = 0;

    // During a load: the keys marked so far, in the order first marked.
    bool loading = false;
    std::uint32_t markedBits = 0;
    std::vector<ConfigKey> markedOrder;

    // One bit per ConfigKey: lines_[0, indexedEnd) has an entry
    // "^\s*key\s*=". Rebuilt whenever indexedEnd is not readEnd.
    std::uint32_t hasLine = 0;
    std::size_t indexedEnd = static_cast<std::size_t>(-1);
};

}  // namespace zelvane
