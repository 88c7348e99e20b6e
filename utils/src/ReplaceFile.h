#pragma once
// Private to Utils: replacing a file's whole content without ever leaving a half-written file.

#include <string_view>

namespace utils_posix {

// Writes `bytes` to a new file beside `path`, flushes it to disk and renames it over `path`.
// Returns false (errno set, the existing file unchanged, no temporary left behind) when the path is
// not writable, names something other than a regular file, or a write, flush or rename fails.
bool ReplaceFileContent(std::u16string_view path, std::string_view bytes);

} // namespace utils_posix
