#pragma once
// Whole-file reading and safe replacement of small data files. Paths are
// UTF-8; on Windows they are opened through their wide form, so any file
// name works.
#include <optional>
#include <string>

namespace zelvane {

// The bytes of the file, unchanged (no line-end translation). Nothing when
// the file does not exist, is not a regular file, or cannot be read.
std::optional<std::string> readTextFile(const std::string& utf8Path);

// Whether the new contents reach the disk before they replace the old ones.
// Without it a power cut soon after the rename can leave an empty file
// under the name; with it the write costs a wait for the disk.
enum class Flush { No, BeforeRename };

// Replaces the file's contents with content: writes a temporary file in the
// same folder and renames it over the file only once it is completely
// written, so a reader sees either the old or the new contents, never a
// mixture. On any failure the old file is left as it was, the temporary file
// is removed, and the result is false. A symbolic link is followed: the file
// it names is replaced, the link stays.
bool replaceFileContents(const std::string& utf8Path, const std::string& content, Flush flush = Flush::No);

}  // namespace zelvane
