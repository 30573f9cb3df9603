#pragma once

#include <cstddef>
#include <string>

namespace settings {

// Puts data at path in one step: it is written to a new file beside it
// (path followed by ".tmp-" and six random characters), flushed to the disk, then renamed over
// path. A crash, a kill or a full disk at any point leaves either the old file whole or the new one
// whole; a failed flush counts as a failed write. A symbolic link at path stays, and the file it
// leads to is replaced. Returns 0, or the errno of the step that failed (the old file is then as it
// was, and no temporary file is left).
int replaceFile(const std::string& path, const char* data, size_t size) noexcept;

// Makes a folder and the folders above it that are missing; 0 or errno.
int makeFolders(const std::string& path) noexcept;

}  // namespace settings
