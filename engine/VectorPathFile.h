#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "engine/PathData.h"

namespace kavitro {

// The vector-path file: the flattened polygon outline of every glyph of the
// five glyph fonts. Layout: the title "Kavitro Vector Path Info" as an
// archive string (8-bit or UTF-16 form), then a stored block (9-byte header
// and LZ-packed bytes) whose body holds 1280 records, font 1 glyph 0 to font
// 5 glyph 255, each: i32 point count n, i32 segment count, i32 y max (depth),
// i32 y min (height), then n type bytes and n points (i32 x, i32 y).
class CVectorPathFile {
public:
    static constexpr const char* kFileName = "VPFinfo.bin";
    static constexpr const char* kTitle = "Kavitro Vector Path Info";
    static constexpr std::size_t kRecordCount = 5 * 256;

    enum class TitleForm { EightBit, Utf16 };

    // The unpacked body of the given records.
    static std::vector<std::uint8_t> SerializeBody(std::span<const CPathData> records);
    // Title and stored block around a body, as the file holds them.
    static std::vector<std::uint8_t> Pack(std::span<const std::uint8_t> body, TitleForm form, std::uint8_t level);

    // Reads a whole file into `records` (kRecordCount of them). Every failure
    // raises: a missing or unreadable file, a title that is not exactly the
    // expected one (case counts), a corrupt block, or a body that is short or
    // holds a record with a bad count or a point type other than move-to and
    // line-to. Records read before the failure keep their content; the others
    // are untouched. Nothing read from the file sizes an allocation before it
    // is checked against the bytes there are.
    static void Load(const std::filesystem::path& file, std::span<CPathData> records);
    static void Parse(std::span<const std::uint8_t> fileBytes, std::span<CPathData> records);
};

}  // namespace kavitro
