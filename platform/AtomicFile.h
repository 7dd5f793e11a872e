#pragma once

// Whole-file reading and atomic writing for the layers without Qt.
//
// A file we write is either the old one or the complete new one, never half
// of each, and it stays the file it was: the bytes go to an unnamed file in
// the target's folder (a symbolic link is followed to the file it names),
// get the old file's permissions, are flushed to disk, and only then get a
// name and replace the target. A process killed while writing leaves
// nothing behind. A file the user may not write is refused, not replaced.
//
// A file we read must be a regular file no larger than the caller's cap,
// checked before any byte is read: a FIFO, a device such as /dev/zero or a
// huge sparse file is refused at once instead of blocking or filling memory.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kavitro {

// True when the file now holds exactly bytes. On failure the old file (if
// any) is untouched and no temporary file is left behind; reason (when
// given) gets an English description.
bool WriteFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                         std::string* reason = nullptr);

// The whole file; nullopt when it cannot be opened or read, is not a
// regular file, or holds more than maxBytes. reason (when given) gets an
// English description of the failure.
std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::filesystem::path& path, std::size_t maxBytes,
                                                       std::string* reason = nullptr);

}  // namespace kavitro
