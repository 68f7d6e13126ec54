#include "config/text_file.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <thread>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace zelvane {

namespace fs = std::filesystem;

namespace {

// The file a path names, following symbolic links (a few hops at most), so
// that replacing it keeps the link. A dangling link names its target too.
fs::path resolveLinks(fs::path p) {
    for (int hop = 0; hop < 8; ++hop) {
        std::error_code ec;
        if (!fs::is_symlink(p, ec)) break;
        const fs::path target = fs::read_symlink(p, ec);
        if (ec) break;
        p = target.is_absolute() ? target : p.parent_path() / target;
    }
    return p;
}

// A name beside target that no file has yet.
fs::path freshTemporaryPath(const fs::path& target) {
    static std::atomic<unsigned> counter{0};
    const auto ticks = static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path candidate = target;
        candidate += ".tmp-" + std::to_string(ticks % 1000000007ULL) + "-" + std::to_string(counter++);
        std::error_code ec;
        if (!fs::exists(fs::symlink_status(candidate, ec))) return candidate;
    }
    return {};
}

// Writes the whole content to a new file; with Flush::BeforeRename it is on
// the disk when this returns true.
bool writeWhole(const fs::path& path, const std::string& content, Flush flush) {
#ifdef _WIN32
    std::FILE* out = _wfopen(path.c_str(), L"wb");
#else
    std::FILE* out = std::fopen(path.c_str(), "wb");
#endif
    if (!out) return false;
    bool ok = std::fwrite(content.data(), 1, content.size(), out) == content.size() && std::fflush(out) == 0;
    if (ok && flush == Flush::BeforeRename) {
#ifdef _WIN32
        ok = _commit(_fileno(out)) == 0;
#else
        ok = fsync(fileno(out)) == 0;
#endif
    }
    return std::fclose(out) == 0 && ok;
}

}  // namespace

std::optional<std::string> readTextFile(const std::string& utf8Path) {
    try {
        const fs::path path = fs::u8path(utf8Path);
        std::error_code ec;
        if (fs::is_directory(path, ec)) return std::nullopt;
        std::ifstream in(path, std::ios::binary);
        if (!in) return std::nullopt;
        std::string data;
        char buffer[1 << 16];
        while (in.read(buffer, sizeof buffer) || in.gcount() > 0) data.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (in.bad()) return std::nullopt;
        return data;
    } catch (const std::exception&) {
        return std::nullopt;  // an unconvertible path, or no memory for the contents
    }
}

bool replaceFileContents(const std::string& utf8Path, const std::string& content, Flush flush) {
    fs::path temporary;
    try {
        const fs::path target = resolveLinks(fs::u8path(utf8Path));
        if (target.filename().empty()) return false;

        // A file the user made read-only is not replaced (Windows would refuse
        // the rename anyway; elsewhere the folder's rights would allow it).
        std::error_code ec;
        const fs::file_status old = fs::status(target, ec);
        const bool existed = fs::exists(old);
        if (existed && !fs::is_regular_file(old)) return false;
        if (existed && (old.permissions() & fs::perms::owner_write) == fs::perms::none) return false;

        temporary = freshTemporaryPath(target);
        if (temporary.empty()) return false;
        if (!writeWhole(temporary, content, flush)) {
            fs::remove(temporary, ec);
            return false;
        }
        // On Windows a file that another program holds open (a virus scanner,
        // an indexer) cannot be replaced for a moment: try a few times.
        for (int attempt = 0;; ++attempt) {
            fs::rename(temporary, target, ec);
            if (!ec || attempt == 4) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20 << attempt));  // 300 ms in all
        }
        if (ec) {
            fs::remove(temporary, ec);
            return false;
        }
        if (existed) fs::permissions(target, old.permissions(), ec);  // best effort: keep the old rights
        return true;
    } catch (const std::exception&) {
        std::error_code ec;
        if (!temporary.empty()) fs::remove(temporary, ec);
        return false;
    }
}

}  // namespace zelvane
