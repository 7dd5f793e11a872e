#include "platform/DibImage.h"

#include <algorithm>
#include <bit>

namespace kavitro {

namespace {

std::uint32_t ReadU32(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
           (static_cast<std::uint32_t>(b[at + 2]) << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
std::uint16_t ReadU16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}
void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void PutU16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

bool IsKnownDepth(std::uint16_t bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

std::uint64_t StrideOf(std::int32_t width, std::uint16_t bits) {
    return ((static_cast<std::uint64_t>(bits) * static_cast<std::uint64_t>(width) + 31) >> 5) * 4;
}

std::size_t ColorCount(const BitmapInfoHeader& h) {
    if (h.clrUsed != 0) return h.clrUsed;
    return h.bitCount <= 8 ? (std::size_t{1} << h.bitCount) : 0;
}

constexpr std::size_t kFileHeaderBytes = 14;
constexpr std::uint32_t kBitFields = 3;  // BI_BITFIELDS

bool IsReadableHeaderSize(std::uint32_t size) {
    return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

// One colour channel of a masked pixel, widened to 8 bits by repeating its
// bits (a 5-bit 31 gives 255, as the 16-bit reader above does).
class ChannelMask {
public:
    explicit ChannelMask(std::uint32_t mask)
        : m_mask(mask), m_shift(mask ? std::countr_zero(mask) : 0), m_bits(std::bit_width(mask >> m_shift)) {}
    std::uint8_t Of(std::uint32_t pixel) const {
        if (m_bits == 0) return 0;
        const std::uint64_t value = (pixel & m_mask) >> m_shift;
        std::uint64_t repeated = 0;
        int filled = 0;
        while (filled < 8) {
            repeated = (repeated << m_bits) | value;
            filled += m_bits;
        }
        return static_cast<std::uint8_t>(repeated >> (filled - 8));
    }

private:
    std::uint32_t m_mask;
    int m_shift;
    int m_bits;
};

COLORREF FromQuad(std::uint32_t quad) {
    return RGB(static_cast<std::uint8_t>(quad >> 16), static_cast<std::uint8_t>(quad >> 8),
               static_cast<std::uint8_t>(quad));
}

}  // namespace

std::optional<DibImage> DibImage::Create(std::int32_t width, std::int32_t height, std::uint16_t bitCount) {
    if (!IsKnownDepth(bitCount) || width < 1 || height < 1 || width > kMaxDimension || height > kMaxDimension)
        return std::nullopt;
    DibImage dib;
    dib.m_header.width = width;
    dib.m_header.height = height;
    dib.m_header.bitCount = bitCount;
    dib.m_header.sizeImage = static_cast<std::uint32_t>(StrideOf(width, bitCount) * static_cast<std::uint64_t>(height));
    const std::size_t colors = ColorCount(dib.m_header);
    for (std::size_t i = 0; i < colors; ++i) {
        const std::uint32_t v = static_cast<std::uint32_t>(i * 255 / (colors - 1));
        dib.m_colors.push_back(v | (v << 8) | (v << 16));
    }
    dib.m_bits.assign(dib.m_header.sizeImage, 0);
    return dib;
}

std::optional<DibImage> DibImage::ReadHead(std::span<const std::uint8_t> bytes, std::size_t& pixelsAt) {
    if (bytes.size() < BitmapInfoHeader::kSize) return std::nullopt;
    BitmapInfoHeader h;
    h.size = ReadU32(bytes, 0);
    h.width = static_cast<std::int32_t>(ReadU32(bytes, 4));
    h.height = static_cast<std::int32_t>(ReadU32(bytes, 8));
    h.planes = ReadU16(bytes, 12);
    h.bitCount = ReadU16(bytes, 14);
    h.compression = ReadU32(bytes, 16);
    h.sizeImage = ReadU32(bytes, 20);
    h.xPelsPerMeter = static_cast<std::int32_t>(ReadU32(bytes, 24));
    h.yPelsPerMeter = static_cast<std::int32_t>(ReadU32(bytes, 28));
    h.clrUsed = ReadU32(bytes, 32);
    h.clrImportant = ReadU32(bytes, 36);
    if (h.size != BitmapInfoHeader::kSize || h.compression != 0 || !IsKnownDepth(h.bitCount)) return std::nullopt;
    if (h.width < 1 || h.width > kMaxDimension || h.height == 0 || h.height < -kMaxDimension ||
        h.height > kMaxDimension)
        return std::nullopt;
    if (h.bitCount <= 8 && h.clrUsed > (1u << h.bitCount)) return std::nullopt;
    if (h.clrUsed > 256) return std::nullopt;
    const std::size_t colors = ColorCount(h);
    const std::size_t tableBytes = colors * 4;
    const std::uint64_t rows = static_cast<std::uint64_t>(h.height < 0 ? -static_cast<std::int64_t>(h.height) : h.height);
    const std::uint64_t imageBytes = StrideOf(h.width, h.bitCount) * rows;
    if (bytes.size() - BitmapInfoHeader::kSize < tableBytes ||
        bytes.size() - BitmapInfoHeader::kSize - tableBytes < imageBytes)
        return std::nullopt;
    DibImage dib;
    dib.m_header = h;
    dib.m_header.sizeImage = static_cast<std::uint32_t>(imageBytes);
    for (std::size_t i = 0; i < colors; ++i) dib.m_colors.push_back(ReadU32(bytes, BitmapInfoHeader::kSize + i * 4) & 0xFFFFFFu);
    pixelsAt = BitmapInfoHeader::kSize + tableBytes;
    return dib;
}

std::optional<DibImage> DibImage::FromPacked(std::span<const std::uint8_t> bytes) {
    std::size_t pixelsAt = 0;
    std::optional<DibImage> dib = ReadHead(bytes, pixelsAt);
    if (!dib) return std::nullopt;
    const auto pixels = bytes.subspan(pixelsAt, dib->m_header.sizeImage);
    dib->m_bits.assign(pixels.begin(), pixels.end());
    return dib;
}

std::optional<DibImage> DibImage::AdoptPacked(std::vector<std::uint8_t>&& bytes, std::size_t offset) {
    if (offset > bytes.size()) return std::nullopt;
    std::size_t pixelsAt = 0;
    std::optional<DibImage> dib = ReadHead(std::span(bytes).subspan(offset), pixelsAt);
    if (!dib) return std::nullopt;
    // Bytes after the pixels are dropped; shrinking moves nothing.
    dib->m_bitsOffset = offset + pixelsAt;
    bytes.resize(dib->m_bitsOffset + dib->m_header.sizeImage);
    dib->m_bits = std::move(bytes);
    return dib;
}

std::optional<DibImage> DibImage::FromBitmapFile(std::span<const std::uint8_t> file, std::int64_t maxPixels) {
    if (file.size() < kFileHeaderBytes + BitmapInfoHeader::kSize || file[0] != 'B' || file[1] != 'M')
        return std::nullopt;
    const std::span<const std::uint8_t> info = file.subspan(kFileHeaderBytes);
    const std::uint32_t headerSize = ReadU32(info, 0);
    if (!IsReadableHeaderSize(headerSize) || info.size() < headerSize) return std::nullopt;
    const auto width = static_cast<std::int32_t>(ReadU32(info, 4));
    const auto height = static_cast<std::int32_t>(ReadU32(info, 8));
    const std::uint16_t bits = ReadU16(info, 14);
    const std::uint32_t compression = ReadU32(info, 16);
    const std::uint32_t clrUsed = ReadU32(info, 32);
    const bool masked = compression == kBitFields;
    if (!IsKnownDepth(bits) || (compression != 0 && !(masked && (bits == 16 || bits == 32)))) return std::nullopt;
    if (width < 1 || width > kMaxDimension || height == 0 || height < -kMaxDimension || height > kMaxDimension)
        return std::nullopt;
    const std::int32_t rows = height < 0 ? -height : height;
    if (std::int64_t{width} * rows > maxPixels) return std::nullopt;
    if (clrUsed > 256 || (bits <= 8 && clrUsed > (1u << bits))) return std::nullopt;

    // Unmasked pixels use the fixed layouts; the masks sit inside a header
    // of 52 bytes or more, and right after a 40-byte one.
    std::uint32_t masks[3] = {0xFF0000u, 0x00FF00u, 0x0000FFu};
    if (bits == 16) {
        masks[0] = 0x7C00u;
        masks[1] = 0x03E0u;
        masks[2] = 0x001Fu;
    }
    std::size_t tableAt = headerSize;
    if (masked) {
        if (headerSize == BitmapInfoHeader::kSize) tableAt += 12;
        if (info.size() < BitmapInfoHeader::kSize + 12) return std::nullopt;
        for (std::size_t i = 0; i < 3; ++i) masks[i] = ReadU32(info, BitmapInfoHeader::kSize + 4 * i);
    }
    const std::size_t colors = clrUsed != 0 ? clrUsed : bits <= 8 ? std::size_t{1} << bits : 0;
    const std::size_t tableEnd = tableAt + colors * 4;
    if (info.size() < tableEnd) return std::nullopt;
    const std::uint64_t stride = StrideOf(width, bits);
    const std::uint64_t imageBytes = stride * static_cast<std::uint64_t>(rows);
    // The file header's pixel offset leaves room for a gap (V5 writers put
    // none, but some pad); a wrong one falls back to the rows after the table.
    std::size_t pixelsAt = tableEnd;
    const std::uint32_t offBits = ReadU32(file, 10);
    if (offBits >= kFileHeaderBytes + tableEnd && offBits <= file.size() && file.size() - offBits >= imageBytes)
        pixelsAt = offBits - kFileHeaderBytes;
    else if (info.size() - tableEnd < imageBytes)
        return std::nullopt;

    std::vector<COLORREF> table;
    for (std::size_t i = 0; i < colors; ++i) table.push_back(FromQuad(ReadU32(info, tableAt + i * 4)));
    auto fromTable = [&](std::size_t index) { return index < table.size() ? table[index] : COLORREF{0}; };
    const ChannelMask red(masks[0]), green(masks[1]), blue(masks[2]);
    auto fromMasks = [&](std::uint32_t v) { return RGB(red.Of(v), green.Of(v), blue.Of(v)); };

    std::optional<DibImage> out = Create(width, rows, 32);
    if (!out) return std::nullopt;
    for (std::int32_t y = 0; y < rows; ++y) {
        const std::int32_t stored = height < 0 ? y : rows - 1 - y;
        const std::span<const std::uint8_t> row = info.subspan(pixelsAt + static_cast<std::size_t>(stored) * stride, stride);
        for (std::int32_t x = 0; x < width; ++x) {
            const auto at = static_cast<std::size_t>(x);
            COLORREF color = 0;
            switch (bits) {
                case 1: color = fromTable((row[at >> 3] >> (7 - (at & 7))) & 1); break;
                case 4: color = fromTable((row[at >> 1] >> ((at & 1) ? 0 : 4)) & 0x0F); break;
                case 8: color = fromTable(row[at]); break;
                case 16: color = fromMasks(ReadU16(row, 2 * at)); break;
                case 24: color = RGB(row[3 * at + 2], row[3 * at + 1], row[3 * at]); break;
                default: color = fromMasks(ReadU32(row, 4 * at)); break;
            }
            out->SetPixel(x, y, color);
        }
    }
    return out;
}

bool operator==(const DibImage& a, const DibImage& b) {
    const std::span<const std::uint8_t> x = a.GetBits(), y = b.GetBits();
    return a.m_header == b.m_header && a.m_colors == b.m_colors && std::equal(x.begin(), x.end(), y.begin(), y.end());
}

std::vector<std::uint8_t> DibImage::ToPacked() const {
    std::vector<std::uint8_t> out;
    if (IsEmpty()) return out;
    out.reserve(BitmapInfoHeader::kSize + m_colors.size() * 4 + GetBits().size());
    PutU32(out, m_header.size);
    PutU32(out, static_cast<std::uint32_t>(m_header.width));
    PutU32(out, static_cast<std::uint32_t>(m_header.height));
    PutU16(out, m_header.planes);
    PutU16(out, m_header.bitCount);
    PutU32(out, m_header.compression);
    PutU32(out, m_header.sizeImage);
    PutU32(out, static_cast<std::uint32_t>(m_header.xPelsPerMeter));
    PutU32(out, static_cast<std::uint32_t>(m_header.yPelsPerMeter));
    PutU32(out, m_header.clrUsed);
    PutU32(out, m_header.clrImportant);
    for (std::uint32_t c : m_colors) PutU32(out, c);
    const std::span<const std::uint8_t> bits = GetBits();
    out.insert(out.end(), bits.begin(), bits.end());
    return out;
}

std::uint32_t DibImage::GetStride() const { return static_cast<std::uint32_t>(StrideOf(m_header.width, m_header.bitCount)); }

std::size_t DibImage::RowOffset(std::int32_t y) const {
    const std::int32_t row = m_header.height < 0 ? y : GetHeight() - 1 - y;
    return m_bitsOffset + static_cast<std::size_t>(row) * GetStride();
}

COLORREF DibImage::GetPixel(std::int32_t x, std::int32_t y) const {
    if (IsEmpty() || x < 0 || y < 0 || x >= GetWidth() || y >= GetHeight()) return 0;
    const std::uint8_t* row = m_bits.data() + RowOffset(y);
    auto fromTable = [&](std::size_t index) { return index < m_colors.size() ? FromQuad(m_colors[index]) : COLORREF{0}; };
    switch (m_header.bitCount) {
        case 1: return fromTable((row[x >> 3] >> (7 - (x & 7))) & 1);
        case 4: return fromTable((row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F);
        case 8: return fromTable(row[x]);
        case 16: {
            // 5-5-5, the uncompressed 16-bit layout.
            const unsigned v = static_cast<unsigned>(row[2 * x] | (row[2 * x + 1] << 8));
            auto expand = [](unsigned c) { return static_cast<std::uint8_t>((c << 3) | (c >> 2)); };
            return RGB(expand((v >> 10) & 31), expand((v >> 5) & 31), expand(v & 31));
        }
        case 24: return RGB(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
        case 32: return RGB(row[4 * x + 2], row[4 * x + 1], row[4 * x]);
        default: return 0;
    }
}

bool DibImage::SetPixel(std::int32_t x, std::int32_t y, COLORREF color) {
    if (IsEmpty() || x < 0 || y < 0 || x >= GetWidth() || y >= GetHeight()) return false;
    const std::size_t bytesPerPixel = m_header.bitCount == 24 ? 3 : m_header.bitCount == 32 ? 4 : 0;
    if (bytesPerPixel == 0) return false;
    std::uint8_t* p = m_bits.data() + RowOffset(y) + static_cast<std::size_t>(x) * bytesPerPixel;
    p[0] = GetBValue(color);
    p[1] = GetGValue(color);
    p[2] = GetRValue(color);
    return true;
}

}  // namespace kavitro
