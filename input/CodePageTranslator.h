#pragma once

// Code-page filters: the tables that turn the 8-bit codes of a text file in a
// legacy Persian code page into UTF-16, one archive file per code page in the
// "filter" folder of the installation. The import wizard offers every valid
// filter by its display name and converts a file without byte-order mark
// through the chosen one.
//
// A filter file (archive, little-endian):
//   id            archive string, must be "DefaultKB_Kavitro" (compared
//                 case-sensitively; another id means "not a filter")
//   display name  archive string
//   visual order  int32: non-zero when the file stores each line in visual
//                 (left-to-right) order
//   224 records   no count before them; each an int32 n, then n UTF-16 units.
//                 Record i is what byte 0x21 + i becomes; record 223 must be
//                 present and stands for no byte.
// Bytes 0x00..0x20 have no record: they pass through as the same code.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Archive.h"

namespace kavitro {

class CCodePageMapFileHeader : public CObject {
    KAVITRO_DECLARE_SERIAL(CCodePageMapFileHeader)

    CCodePageMapFileHeader() = default;
    CCodePageMapFileHeader(const CCodePageMapFileHeader&) = default;
    CCodePageMapFileHeader& operator=(const CCodePageMapFileHeader&) = default;
    CCodePageMapFileHeader(CCodePageMapFileHeader&&) = default;
    CCodePageMapFileHeader& operator=(CCodePageMapFileHeader&&) = default;

    // Loading reads the id, the display name and the flag; storing writes the
    // two strings in the UTF-16 form and the flag.
    void Serialize(CArchive& ar) override;

    std::u16string m_id;
    std::u16string m_displayName;
    std::u16string m_thirdString;  // always empty: never stored or read
    std::int32_t m_visualOrder = 0;
};

// The UTF-16 units one byte code becomes: none (the byte is dropped), one or
// several.
class CTranslatedUnicodeChar : public CObject {
    KAVITRO_DECLARE_SERIAL(CTranslatedUnicodeChar)

    CTranslatedUnicodeChar() = default;
    CTranslatedUnicodeChar(const CTranslatedUnicodeChar&) = default;
    CTranslatedUnicodeChar& operator=(const CTranslatedUnicodeChar&) = default;
    CTranslatedUnicodeChar(CTranslatedUnicodeChar&&) = default;
    CTranslatedUnicodeChar& operator=(CTranslatedUnicodeChar&&) = default;

    // Storing writes the count as int32 and the units. Loading reads the
    // count and the units; a negative count, or one larger than the bytes
    // left can hold, raises ArchiveException before anything is allocated.
    void Serialize(CArchive& ar) override;

    std::vector<std::uint16_t> m_units;
};

class CCodePageTranslator : public CObject {
    KAVITRO_DECLARE_SERIAL(CCodePageTranslator)

    static constexpr std::size_t kRecordCount = 224;
    static constexpr std::uint8_t kFirstMappedByte = 0x21;
    static constexpr std::u16string_view kFilterId = u"DefaultKB_Kavitro";
    static constexpr std::string_view kFileExtension = ".kvp";
    // A filter is a few kilobytes; anything far larger is not one.
    static constexpr std::size_t kMaxFileSize = 1u << 20;
    // Results of LoadFromFile and LoadFromBytes.
    static constexpr int kWrongId = 0;  // not a filter; the translator is untouched
    static constexpr int kFailed = 1;   // unreadable, damaged or truncated; untouched
    static constexpr int kLoaded = 2;   // accepted and loaded

    CCodePageTranslator() = default;
    CCodePageTranslator(const CCodePageTranslator&) = default;
    CCodePageTranslator& operator=(const CCodePageTranslator&) = default;
    CCodePageTranslator(CCodePageTranslator&&) = default;
    CCodePageTranslator& operator=(CCodePageTranslator&&) = default;

    // The records only (the header is serialized on its own, before them).
    // Loading sets loaded to 1 and reads exactly kRecordCount records.
    void Serialize(CArchive& ar) override;
    // Copies the header (all three strings and the flag), the loaded flag and
    // every record.
    void Copy(const CCodePageTranslator& other);

    // kLoaded, kWrongId or kFailed. Nothing is taken from a file that is not
    // accepted whole: on kWrongId and kFailed the translator keeps what it
    // held. Never throws for bad bytes.
    int LoadFromFile(const std::filesystem::path& path);
    int LoadFromBytes(std::span<const std::uint8_t> bytes);
    // The whole file: the header, then the records.
    std::vector<std::uint8_t> StoreToBytes() const;

    // The text of a byte buffer without byte-order mark. With the visual-order
    // flag, every line (ended by CR or LF) is first reversed, and afterwards
    // every run of two or more Persian digits is put back in reading order.
    std::u16string Translate(std::span<const std::uint8_t> bytes) const;

    CCodePageMapFileHeader m_header;
    std::vector<CTranslatedUnicodeChar> m_records;
    std::int32_t m_loaded = 0;
};

// The valid filters of a folder ("*.kvp" files whose id is the filter id and
// whose records are complete), sorted by file name so that the list is the
// same on every file system. A missing folder gives an empty list; files that
// are not filters are left out silently.
std::vector<CCodePageTranslator> FillCodepageList(const std::filesystem::path& filterFolder);

// The text of bytes through filter index of the list; InvalidArgumentException
// when the index is outside the list.
std::u16string TranslateWithFilter(std::span<const CCodePageTranslator> filters, std::size_t index,
                                   std::span<const std::uint8_t> bytes);

}  // namespace kavitro
