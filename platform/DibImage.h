#pragma once

// A device-independent bitmap as a value: the 40-byte header, the colour
// table and the pixel rows, exactly as a packed DIB lays them out (rows
// bottom-up unless the height is negative, each row padded to 4 bytes).

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/DcTypes.h"

namespace kavitro {

struct BitmapInfoHeader {
    static constexpr std::uint32_t kSize = 40;
    std::uint32_t size = kSize;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t planes = 1;
    std::uint16_t bitCount = 0;
    std::uint32_t compression = 0;  // 0 BI_RGB; others are refused
    std::uint32_t sizeImage = 0;
    std::int32_t xPelsPerMeter = 0;
    std::int32_t yPelsPerMeter = 0;
    std::uint32_t clrUsed = 0;
    std::uint32_t clrImportant = 0;
    friend bool operator==(const BitmapInfoHeader&, const BitmapInfoHeader&) = default;
};

class DibImage {
public:
    static constexpr std::int32_t kMaxDimension = 1 << 15;

    DibImage() = default;

    // An uncompressed bitmap of 1, 4, 8, 16, 24 or 32 bits per pixel, filled
    // with zero bytes; a grey colour ramp for the palette depths. Nothing
    // for another depth or a size outside 1..kMaxDimension.
    static std::optional<DibImage> Create(std::int32_t width, std::int32_t height, std::uint16_t bitCount);

    // Reads a packed DIB (header, colour table, pixels). Every size is
    // checked against the bytes given; nothing for a header other than 40
    // bytes, a compressed or unknown depth, a zero or oversized dimension,
    // a colour table or rows that the bytes do not hold. Bytes after the
    // pixels are ignored.
    static std::optional<DibImage> FromPacked(std::span<const std::uint8_t> bytes);
    // The same checks over bytes[offset..]; the image keeps the vector and
    // uses its pixels where they are, without copying them.
    static std::optional<DibImage> AdoptPacked(std::vector<std::uint8_t>&& bytes, std::size_t offset);
    std::vector<std::uint8_t> ToPacked() const;
    // Reads a whole BMP file ("BM", the 14-byte file header) into a 32-bit
    // bitmap. Takes the info headers image editors write (40, 52, 56, 108
    // and 124 bytes), uncompressed or with BI_BITFIELDS masks at 16 and 32
    // bits; the rows start at the file's pixel offset when they fit there,
    // else right after the colour table. Nothing for anything else, for
    // more than maxPixels pixels, or for sizes the bytes do not hold.
    static std::optional<DibImage> FromBitmapFile(std::span<const std::uint8_t> file, std::int64_t maxPixels);

    bool IsEmpty() const { return m_header.width == 0; }
    const BitmapInfoHeader& GetHeader() const { return m_header; }
    std::int32_t GetWidth() const { return m_header.width; }
    std::int32_t GetHeight() const { return m_header.height < 0 ? -m_header.height : m_header.height; }
    std::uint32_t GetStride() const;
    // Colour table entries as 0x00RRGGBB (RGBQUAD read little-endian).
    const std::vector<std::uint32_t>& GetColorTable() const { return m_colors; }
    std::span<const std::uint8_t> GetBits() const { return std::span(m_bits).subspan(m_bitsOffset); }

    // Pixel (x, y), y counted from the top row; 0 outside the bitmap.
    COLORREF GetPixel(std::int32_t x, std::int32_t y) const;
    // Sets a pixel of a 24- or 32-bit bitmap; false otherwise or outside.
    bool SetPixel(std::int32_t x, std::int32_t y, COLORREF color);

    friend bool operator==(const DibImage& a, const DibImage& b);

private:
    std::size_t RowOffset(std::int32_t y) const;
    // The header and colour table checked against bytes; the pixel bytes
    // follow them. Nothing when the bytes do not hold a bitmap.
    static std::optional<DibImage> ReadHead(std::span<const std::uint8_t> bytes, std::size_t& pixelsAt);

    BitmapInfoHeader m_header;
    std::vector<std::uint32_t> m_colors;
    std::vector<std::uint8_t> m_bits;  // the pixel rows from m_bitsOffset on
    std::size_t m_bitsOffset = 0;
};

}  // namespace kavitro
