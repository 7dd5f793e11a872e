#include "document/Dib.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QPainter>

#include "platform/AtomicFile.h"
#include "platform/DC.h"
#include "platform/Exceptions.h"

namespace kavitro {

namespace {

void PutU16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
std::uint16_t GetU16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}
std::uint32_t GetU32(std::span<const std::uint8_t> b, std::size_t at) {
    return std::uint32_t{b[at]} | (std::uint32_t{b[at + 1]} << 8) | (std::uint32_t{b[at + 2]} << 16) |
           (std::uint32_t{b[at + 3]} << 24);
}

// The readers a picture file may go through; anything else (vector formats,
// formats a plugin happens to add) is refused.
bool IsAcceptedFormat(const QByteArray& format) {
    for (const char* f : {"bmp", "png", "jpeg", "jpg", "gif", "tiff", "tif"})
        if (format == f) return true;
    return false;
}

// A 32-bit DIB of the image composed over white, rows bottom-up.
std::optional<DibImage> DibFromImage(const QImage& image) {
    if (image.isNull()) return std::nullopt;
    const std::int64_t w = image.width(), h = image.height();
    if (w < 1 || h < 1 || w > DibImage::kMaxDimension || h > DibImage::kMaxDimension || w * h > CDib::kMaxPixels)
        return std::nullopt;
    QImage rgb(image.size(), QImage::Format_RGB32);
    if (rgb.isNull()) return std::nullopt;
    rgb.fill(Qt::white);
    {
        QPainter painter(&rgb);
        painter.drawImage(0, 0, image);
    }
    const std::uint32_t stride = static_cast<std::uint32_t>(w) * 4;
    std::vector<std::uint8_t> packed;
    packed.reserve(BitmapInfoHeader::kSize + static_cast<std::size_t>(stride) * static_cast<std::size_t>(h));
    PutU32(packed, BitmapInfoHeader::kSize);
    PutU32(packed, static_cast<std::uint32_t>(w));
    PutU32(packed, static_cast<std::uint32_t>(h));
    PutU16(packed, 1);
    PutU16(packed, 32);
    PutU32(packed, 0);
    PutU32(packed, stride * static_cast<std::uint32_t>(h));
    for (int i = 0; i < 4; ++i) PutU32(packed, 0);
    for (std::int64_t y = h - 1; y >= 0; --y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(static_cast<int>(y)));
        for (std::int64_t x = 0; x < w; ++x) {
            const QRgb c = line[x];
            packed.push_back(static_cast<std::uint8_t>(qBlue(c)));
            packed.push_back(static_cast<std::uint8_t>(qGreen(c)));
            packed.push_back(static_cast<std::uint8_t>(qRed(c)));
            packed.push_back(0);
        }
    }
    return DibImage::FromPacked(packed);
}

// Decodes an encoded image; nothing for an unaccepted format, an image too
// large to hold, or bytes that do not decode.
std::optional<DibImage> DecodeImage(std::span<const std::uint8_t> bytes) {
    if (bytes.empty() || bytes.size() > CDib::kMaxUnpackedLength) return std::nullopt;
    QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    if (!buffer.open(QIODevice::ReadOnly)) return std::nullopt;
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);
    const QByteArray format = reader.format();
    if (!IsAcceptedFormat(format)) return std::nullopt;
    // Qt's BMP reader leaves the rows of a truncated file undefined; our
    // own reader checks every row against the bytes. The DIB copy is
    // 32-bit, as for every other encoded picture.
    if (format == "bmp") return DibImage::FromBitmapFile(bytes, CDib::kMaxPixels);
    const QSize size = reader.size();
    // The size is checked before decoding, when the reader can tell it.
    if (size.isValid() && (size.width() > DibImage::kMaxDimension || size.height() > DibImage::kMaxDimension ||
                           std::int64_t{size.width()} * size.height() > CDib::kMaxPixels))
        return std::nullopt;
    // Qt refuses images over 128 MB by default: an A4 page scanned at 600
    // dpi is more. Our own pixel bound above is the one that holds, so Qt's
    // is raised to what that bound takes in its widest decoded form (16 bits
    // a channel, 8 bytes a pixel); a reader that cannot tell the size first
    // still stops there.
    QImageReader::setAllocationLimit(static_cast<int>(CDib::kMaxPixels * 8 >> 20));
    const QImage image = reader.read();
    return DibFromImage(image);
}

}  // namespace

void CDib::Free() {
    m_codec.Free();
    m_dib.reset();
    m_encoded.clear();
}

std::int32_t CDib::GetWidth() const { return m_dib ? m_dib->GetWidth() : 0; }
std::int32_t CDib::GetHeight() const { return m_dib ? m_dib->GetHeight() : 0; }

int CDib::Draw(CDC& dc, const Rect& rect) const {
    if (!m_dib) return 0;
    const int oldMode = dc.SetStretchBltMode(COLORONCOLOR);
    const std::int32_t w = m_dib->GetWidth(), h = m_dib->GetHeight();
    bool drawn = false;
    if (rect.Width() == w && rect.Height() == h)
        drawn = dc.SetDIBitsToDevice(rect.TopLeft(), *m_dib);
    else
        drawn = dc.StretchDIBits(rect, Rect{0, 0, w, h}, *m_dib);
    dc.SetStretchBltMode(oldMode);
    return drawn ? h : 0;
}

void CDib::SetDib(DibImage dib) {
    Free();
    if (!dib.IsEmpty()) m_dib = std::move(dib);
}

bool CDib::FromImage(const QImage& image) {
    Free();
    m_dib = DibFromImage(image);
    return m_dib.has_value();
}

bool CDib::LoadImageFile(const std::filesystem::path& path) {
    Free();
    const auto bytes = ReadWholeFile(path, kMaxUnpackedLength);
    return bytes && LoadImageBytes(*bytes);
}

bool CDib::LoadImageBytes(std::span<const std::uint8_t> bytes) {
    Free();
    std::optional<DibImage> dib = DecodeImage(bytes);
    if (!dib) return false;
    m_dib = std::move(dib);
    m_encoded.assign(bytes.begin(), bytes.end());
    return true;
}

void CDib::Copy(const CDib& other) {
    Free();
    m_dib = other.m_dib;
    m_encoded = other.m_encoded;
    m_codec.CopyFrom(other.m_codec);
}

std::vector<std::uint8_t> CDib::BuildBitmapFile() const {
    if (!m_dib) throw UserException("no picture to write");
    const std::vector<std::uint8_t> dib = m_dib->ToPacked();
    const std::size_t colorTable = m_dib->GetColorTable().size() * 4;
    std::vector<std::uint8_t> file;
    file.reserve(kFileHeaderSize + dib.size());
    PutU16(file, kBitmapFileTag);
    PutU32(file, static_cast<std::uint32_t>(kFileHeaderSize + dib.size()));
    PutU16(file, 0);
    PutU16(file, 0);
    PutU32(file, static_cast<std::uint32_t>(kFileHeaderSize + BitmapInfoHeader::kSize + colorTable));
    file.insert(file.end(), dib.begin(), dib.end());
    return file;
}

void CDib::TakeBitmapFile(std::span<const std::uint8_t> file) {
    if (file.size() < kFileHeaderSize || GetU16(file, 0) != kBitmapFileTag) throw UserException("not a bitmap file");
    TakeDib(file.subspan(kFileHeaderSize));
}

void CDib::TakeDib(std::span<const std::uint8_t> packed) {
    std::optional<DibImage> dib = DibImage::FromPacked(packed);
    if (!dib) throw UserException("bad bitmap");
    m_dib = std::move(dib);
}

void CDib::Store(CArchive& ar) {
    if (IsEncoded()) {
        const auto marker = StoredBlockHeader::UnpackedMarker().ToBytes();
        ar.Write(marker);
        WriteUnpacked(ar);
        return;
    }
    const std::vector<std::uint8_t> file = BuildBitmapFile();
    const std::vector<std::uint8_t> block = m_codec.PackBlock(file);
    ar.Write(block);
    // The codec borrowed the file, which goes out of scope here.
    m_codec.Free();
}

void CDib::Load(CArchive& ar, bool skip) {
    Free();
    std::uint8_t head[StoredBlockHeader::kSize];
    ar.ReadExact(head, sizeof head);
    const StoredBlockHeader h = StoredBlockHeader::Read(head);
    if (h.IsUnpackedMarker()) {
        if (skip) {
            // The unpacked form: its own header says how long it is.
            CDib skipped;
            skipped.ReadUnpacked(ar);
            return;
        }
        ReadUnpacked(ar);
        return;
    }
    if (h.level > CCompressor::kMaxLevel) throw UserException("unknown packing level");
    if (h.unpackedLength < kFileHeaderSize + 1 || h.unpackedLength > kMaxUnpackedLength ||
        h.unpackedLength > CCompressor::MaxUnpackedLength(h.level, h.PackedCount()))
        throw UserException("bad unpacked length");
    // Unpacked straight from the archive's input, and the BMP file's pixels
    // kept where the codec wrote them: a large picture is never copied.
    const std::span<const std::uint8_t> packed = ar.ReadSpan(static_cast<std::size_t>(h.PackedCount()));
    if (skip) return;
    try {
        m_codec.Decompress(h.level, h.unpackedLength, packed);
        std::vector<std::uint8_t> file = m_codec.TakeUnpacked();
        m_codec.Free();
        if (file.size() < kFileHeaderSize || GetU16(file, 0) != kBitmapFileTag) throw UserException("not a bitmap file");
        m_dib = DibImage::AdoptPacked(std::move(file), kFileHeaderSize);
        if (!m_dib) throw UserException("bad bitmap");
    } catch (...) {
        Free();
        throw;
    }
}

void CDib::WriteUnpacked(CArchive& ar) const {
    if (IsEncoded()) {
        if (m_encoded.size() > 0xFFFFFFFFu) throw UserException("encoded picture too large");
        ar.WriteU16(kEncodedTag);
        const std::uint8_t zeros[12] = {};
        ar.Write(zeros, sizeof zeros);
        ar.WriteU32(static_cast<std::uint32_t>(m_encoded.size()));
        ar.Write(m_encoded);
        return;
    }
    ar.Write(BuildBitmapFile());
}

void CDib::ReadUnpacked(CArchive& ar) {
    Free();
    std::uint8_t head[kFileHeaderSize];
    ar.ReadExact(head, sizeof head);  // a short header is the end of the file
    const std::span<const std::uint8_t> h(head, sizeof head);
    const std::uint16_t tag = GetU16(h, 0);
    if (tag == kBitmapFileTag) {
        const std::uint32_t fileSize = GetU32(h, 2);
        if (fileSize < kFileHeaderSize + BitmapInfoHeader::kSize || fileSize > kMaxUnpackedLength)
            throw UserException("bad bitmap file size");
        // Read in place: the pixels are copied once, into the picture.
        TakeDib(ar.ReadSpan(fileSize - kFileHeaderSize));
        return;
    }
    if (tag == kEncodedTag) {
        const std::uint32_t n = ar.ReadU32();
        if (n > kMaxUnpackedLength) throw UserException("encoded picture too large");
        if (!LoadImageBytes(ar.ReadSpan(n))) throw UserException("encoded picture does not decode");
        return;
    }
    throw UserException("unknown picture form");
}

void Draw3DFrame(CDC& dc, const Rect& rect, COLORREF topLeft, COLORREF bottomRight) {
    // One device pixel in logical units; y grows upwards.
    const Point origin = dc.DPtoLP(Point{0, 0});
    const Point one = dc.DPtoLP(Point{1, -1});
    const std::int32_t px = one.x - origin.x, py = one.y - origin.y;
    const std::int32_t l = rect.left, t = rect.top, r = rect.right, b = rect.bottom;
    dc.FillSolidRect(Rect{l, t, r - px, t + py}, topLeft);
    dc.FillSolidRect(Rect{l, t, l + px, b - py}, topLeft);
    dc.FillSolidRect(Rect{r - px, t, r, b}, bottomRight);
    dc.FillSolidRect(Rect{l, b - py, r, b}, bottomRight);
}

}  // namespace kavitro
