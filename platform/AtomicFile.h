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
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kavitro {

// Why a file could not be read or written, in terms the interface names in
// the user's language.
enum class FileProblem : std::uint8_t {
    None,
    NoSpace,        // the disk or the user's quota is full
    NoPermission,   // the file or its folder may not be used by this user
    FolderMissing,  // the folder (or a folder on the way) does not exist
    FileMissing,
    ReadOnlyDisk,   // a read-only file system
    ReadOnlyFile,
    NotAFile,       // a folder, a device, a FIFO
    TooLarge,
    DiskError,      // the device failed (input/output error)
    Other,
};

// The problem a system error number stands for; `writing` tells a missing
// path apart: a file being written lacks its folder, one being read is missing.
FileProblem FileProblemOf(int systemError, bool writing);

// True when the file now holds exactly bytes. On failure the old file (if
// any) is untouched and no temporary file is left behind; reason (when
// given) gets an English description and problem (when given) what it was.
bool WriteFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                         std::string* reason = nullptr, FileProblem* problem = nullptr);

// Takes the next piece of a file being written; false when it cannot be
// written (the writer should stop).
using ByteSink = std::function<bool(std::span<const std::uint8_t>)>;
// The same for a file made piece by piece, so that it is never held whole:
// `produce` hands its bytes to the sink in order and returns true once all
// were handed over. When it returns false, or a piece cannot be written,
// the old file (if any) is untouched and nothing is left behind.
bool WriteFileAtomically(const std::filesystem::path& path, const std::function<bool(const ByteSink&)>& produce,
                         std::string* reason = nullptr, FileProblem* problem = nullptr);

// The whole file; nullopt when it cannot be opened or read, is not a
// regular file, or holds more than maxBytes. reason (when given) gets an
// English description of the failure and problem (when given) what it was.
std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::filesystem::path& path, std::size_t maxBytes,
                                                       std::string* reason = nullptr,
                                                       FileProblem* problem = nullptr);

}  // namespace kavitro
