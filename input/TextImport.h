#pragma once

// The text-import conversion, without any dialog: recognising a text file's
// byte-order mark, turning the file into UTF-16 (through a code-page filter
// when it has no mark) and writing UTF-16 text files.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "input/CodePageTranslator.h"

namespace kavitro {

enum class TextByteOrderMark { None, Utf8, Utf16LE, Utf16BE };

// Only a complete mark counts: "EF BB" without "BF" is no mark, and a file
// shorter than its mark has none.
TextByteOrderMark DetectByteOrderMark(std::span<const std::uint8_t> bytes);

// An import source larger than this is refused rather than read into memory.
inline constexpr std::uintmax_t kMaxImportFileSize = 64u << 20;

// The whole file, or nothing when it cannot be read completely (missing,
// unreadable, too large, or no regular file: a FIFO or device is refused
// before it is read).
std::optional<std::vector<std::uint8_t>> ReadImportSource(const std::filesystem::path& path);

// The UTF-16 text of a source. A marked source is decoded by its mark and the
// mark itself is left out; a UTF-8 source with an invalid sequence gives an
// empty text; a trailing odd byte of UTF-16 is dropped. An unmarked source
// goes through filter filterIndex of filters (InvalidArgumentException when
// the index is outside the list). Controls and line ends pass through.
std::u16string ConvertToUnicode(std::span<const std::uint8_t> source, std::span<const CCodePageTranslator> filters,
                                std::size_t filterIndex);

// A UTF-16LE text file: one mark FF FE, then the units. A text that already
// starts with U+FEFF keeps that one as its mark.
std::vector<std::uint8_t> EncodeUtf16TextFile(std::u16string_view text);
// Written atomically; false when the file could not be written.
bool SaveUtf16TextFile(const std::filesystem::path& path, std::u16string_view text);

}  // namespace kavitro
