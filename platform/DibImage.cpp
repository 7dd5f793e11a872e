#include "platform/DibImage.h"

#include <algorithm>

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
