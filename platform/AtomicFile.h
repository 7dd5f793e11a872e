#pragma once

// Whole-file reading and atomic writing for the layers without Qt. A file we
// write is either the old one or the complete new one, never half of each:
// the bytes go to a temporary file in the same folder, are flushed to disk,
// and the temporary is renamed over the target.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

namespace kavitro {

// True when the file now holds exactly bytes. On failure the old file (if
// any) is untouched and no temporary file is left behind.
bool WriteFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

// The whole file; nullopt when it cannot be opened or read, or when it holds
// more than maxBytes (so that a huge or endless file is never loaded).
std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::filesystem::path& path, std::size_t maxBytes);

}  // namespace kavitro
