#include "document/Dib.h"

#include <algorithm>
#include <climits>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>

#include "document/FailureReasons.h"
#include "document/PictureBudget.h"
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

// The decoded bytes a picture of this size takes as a 32-bit bitmap.
std::int64_t DecodedBytes(std::int64_t width, std::int64_t height) { return width * height * 4; }

bool IsWithinPictureLimits(std::int64_t w, std::int64_t h) {
    return w >= 1 && h >= 1 && w <= DibImage::kMaxDimension && h <= DibImage::kMaxDimension && w * h <= CDib::kMaxPixels;
}

// One premultiplied pixel over white, as a BGR0 quad.
void PutOverWhite(std::uint8_t* out, QRgb premultiplied) {
    const int background = 255 - qAlpha(premultiplied);
    out[0] = static_cast<std::uint8_t>(std::min(255, qBlue(premultiplied) + background));
    out[1] = static_cast<std::uint8_t>(std::min(255, qGreen(premultiplied) + background));
    out[2] = static_cast<std::uint8_t>(std::min(255, qRed(premultiplied) + background));
    out[3] = 0;
}

// A 32-bit DIB of the image composed over white, rows bottom-up. The rows
// are composed straight into the bitmap's bytes, so that the pixels exist
// twice at most (the image and the bitmap) however large the picture.
std::optional<DibImage> DibFromImage(const QImage& image) {
    if (image.isNull()) return std::nullopt;
    const std::int64_t w = image.width(), h = image.height();
    if (!IsWithinPictureLimits(w, h)) return std::nullopt;
    const QImage::Format format = image.format();
    const bool direct = format == QImage::Format_RGB32 || format == QImage::Format_ARGB32 ||
                        format == QImage::Format_ARGB32_Premultiplied;
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
    // Composed a row at a time and appended: the bitmap's bytes are written
    // once, never cleared first.
    std::vector<std::uint8_t> row(stride);
    for (std::int64_t y = h - 1; y >= 0; --y) {
        // Other formats are converted a row at a time, never as a whole.
        QImage converted;
        if (!direct)
            converted = image.copy(0, static_cast<int>(y), static_cast<int>(w), 1)
                            .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        const auto* line = reinterpret_cast<const QRgb*>(direct ? image.constScanLine(static_cast<int>(y))
                                                                : converted.constScanLine(0));
        if (!line) return std::nullopt;
        for (std::int64_t x = 0; x < w; ++x) {
            const QRgb c = line[x];
            PutOverWhite(row.data() + x * 4, format == QImage::Format_ARGB32 ? qPremultiply(c) : c);
        }
        packed.insert(packed.end(), row.begin(), row.end());
    }
    return DibImage::AdoptPacked(std::move(packed), 0);
}

// The pixel size a BMP file's info header declares (Qt's reader does not
// tell it for every header our own reader takes); invalid when the bytes
// hold no header.
QSize BitmapFileSize(std::span<const std::uint8_t> file) {
    if (file.size() < CDib::kFileHeaderSize + 12) return {};
    const std::uint32_t headerSize = GetU32(file, CDib::kFileHeaderSize);
    if (headerSize == 12) return {GetU16(file, 18), GetU16(file, 20)};
    if (headerSize < 40 || file.size() < CDib::kFileHeaderSize + 12) return {};
    const auto width = static_cast<std::int32_t>(GetU32(file, 18));
    const auto height = static_cast<std::int32_t>(GetU32(file, 22));
    if (width <= 0 || height == 0 || height == INT32_MIN) return {};
    return {width, height < 0 ? -height : height};
}

// Qt refuses images over 128 MB by default: an A4 page scanned at 600 dpi
// is more. Our own pixel bound is the one that holds, so Qt's is raised to
// what that bound takes in its widest decoded form (16 bits a channel, 8
// bytes a pixel) and stays in force for every decoding Qt does for us,
// clipboard images included.
void ApplyQtDecodeLimit() { QImageReader::setAllocationLimit(static_cast<int>(CDib::kMaxPixels * 8 >> 20)); }

constexpr std::uint32_t kRle8 = 1, kRle4 = 2, kBitFields = 3;

// The compression a packed DIB's header declares; 0 (none) for bytes too
// short to declare one, which the plain reader then refuses.
std::uint32_t CompressionOf(std::span<const std::uint8_t> dib) {
    return dib.size() >= BitmapInfoHeader::kSize && GetU32(dib, 0) >= BitmapInfoHeader::kSize ? GetU32(dib, 16) : 0;
}

// The pixels a run-length stream fills must lie inside the bitmap, and the
// stream must end (or fill every row) within its bytes. Qt's reader clips
// runs and stops quietly where the bytes stop, which would hand out a
// damaged picture as a good one; such streams are refused here instead.
bool IsWholeRunLengthStream(std::span<const std::uint8_t> s, std::int64_t w, std::int64_t h, bool fourBits) {
    std::int64_t x = 0, y = 0;
    std::size_t i = 0;
    while (i + 2 <= s.size()) {
        const std::uint8_t count = s[i], code = s[i + 1];
        i += 2;
        if (count != 0) {  // a run of one index (two alternating for 4 bits)
            x += count;
            if (x > w || y >= h) return false;
            continue;
        }
        if (code == 0) {  // end of line
            x = 0;
            if (++y > h) return false;
        } else if (code == 1) {  // end of bitmap
            return true;
        } else if (code == 2) {  // delta
            if (i + 2 > s.size()) return false;
            x += s[i];
            y += s[i + 1];
            i += 2;
            if (x > w || y >= h) return false;
        } else {  // literal indices, padded to a 16-bit boundary
            const std::size_t bytes = fourBits ? (code + 1u) / 2 : code;
            i += (bytes + 1) & ~std::size_t{1};
            x += code;
            if (i > s.size() || x > w || y >= h) return false;
        }
    }
    return i == s.size() && y == h;
}

// A compressed packed DIB (4- or 8-bit runs, or colour masks) as a 32-bit
// DIB; nothing when it is damaged or unlike what its header declares. The
// caller checks the size and takes it from the budget first.
std::optional<DibImage> DecodeCompressedDib(std::span<const std::uint8_t> dib) {
    const std::uint32_t headerSize = GetU32(dib, 0);
    const std::uint16_t bits = GetU16(dib, 14);
    const std::uint32_t compression = GetU32(dib, 16);
    const auto width = static_cast<std::int32_t>(GetU32(dib, 4));
    const auto height = static_cast<std::int32_t>(GetU32(dib, 8));
    const std::uint32_t clrUsed = GetU32(dib, 32);
    if (headerSize > dib.size() || !IsWithinPictureLimits(width, height < 0 ? -std::int64_t{height} : height))
        return std::nullopt;
    // A BMP file around the DIB: the pixels follow the header, the masks of
    // a 40-byte header and the colour table.
    const std::uint64_t masks = compression == kBitFields && headerSize == BitmapInfoHeader::kSize ? 12 : 0;
    const std::uint64_t colors = clrUsed != 0 ? clrUsed : bits <= 8 ? std::uint64_t{1} << bits : 0;
    const std::uint64_t offBits = CDib::kFileHeaderSize + headerSize + masks + colors * 4;
    if (offBits > CDib::kFileHeaderSize + dib.size()) return std::nullopt;
    std::vector<std::uint8_t> file;
    file.reserve(CDib::kFileHeaderSize + dib.size());
    PutU16(file, CDib::kBitmapFileTag);
    PutU32(file, static_cast<std::uint32_t>(CDib::kFileHeaderSize + dib.size()));
    PutU32(file, 0);
    PutU32(file, static_cast<std::uint32_t>(offBits));
    file.insert(file.end(), dib.begin(), dib.end());
    if (compression == kBitFields) return DibImage::FromBitmapFile(file, CDib::kMaxPixels);
    const bool fourBits = compression == kRle4;
    if ((compression != kRle8 || bits != 8) && (!fourBits || bits != 4)) return std::nullopt;
    if (height < 0 || !IsWholeRunLengthStream(std::span(file).subspan(static_cast<std::size_t>(offBits)), width,
                                              height, fourBits))
        return std::nullopt;
    ApplyQtDecodeLimit();
    QImage image;
    if (!image.loadFromData(file.data(), static_cast<int>(file.size()), "BMP") || image.width() != width ||
        image.height() != height)
        return std::nullopt;
    return DibFromImage(image);
}

// Takes the decoded size of a compressed DIB from the budget, then decodes
// it; a UserException for a damaged or unaffordable one.
DibImage TakeCompressedDib(std::span<const std::uint8_t> dib) {
    const auto width = static_cast<std::int32_t>(GetU32(dib, 4));
    const auto height = static_cast<std::int32_t>(GetU32(dib, 8));
    const std::int64_t rows = height < 0 ? -std::int64_t{height} : height;
    const std::uint32_t compression = CompressionOf(dib);
    if (compression < kRle8 || compression > kBitFields || !IsWithinPictureLimits(width, rows))
        throw UserException("bad bitmap");
    if (!PictureBudget::Take(DecodedBytes(width, rows))) throw PictureBudgetException();
    std::optional<DibImage> decoded = DecodeCompressedDib(dib);
    if (!decoded) throw UserException("bad compressed bitmap");
    return std::move(*decoded);
}

// Decodes an encoded image; nothing for an unaccepted format, an image too
// large to hold or to afford, or bytes that do not decode.
std::optional<DibImage> DecodeImage(std::span<const std::uint8_t> bytes) {
    if (bytes.empty() || bytes.size() > CDib::kMaxUnpackedLength) return std::nullopt;
    ApplyQtDecodeLimit();
    QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    if (!buffer.open(QIODevice::ReadOnly)) return std::nullopt;
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);
    const QByteArray format = reader.format();
    if (!IsAcceptedFormat(format)) return std::nullopt;
    // The size is read from the header and checked, against the picture's
    // limits and the document's budget, before anything is decoded; an
    // image that does not tell its size first is not decoded at all.
    const QSize size = format == "bmp" ? BitmapFileSize(bytes) : reader.size();
    if (!size.isValid() || !IsWithinPictureLimits(size.width(), size.height())) return std::nullopt;
    if (!PictureBudget::Take(DecodedBytes(size.width(), size.height()))) return std::nullopt;
    // Qt's BMP reader leaves the rows of a truncated file undefined; our
    // own reader checks every row against the bytes. The DIB copy is
    // 32-bit, as for every other encoded picture.
    if (format == "bmp") {
        const auto dib = bytes.subspan(CDib::kFileHeaderSize);
        const std::uint32_t compression = CompressionOf(dib);
        if (compression == kRle8 || compression == kRle4) return DecodeCompressedDib(dib);
        return DibImage::FromBitmapFile(bytes, CDib::kMaxPixels);
    }
    const QImage image = reader.read();
    // A reader may decode more than its header said (an animation's frame
    // outside the screen): the bound holds for what it made.
    if (image.isNull() || image.width() > size.width() || image.height() > size.height()) return std::nullopt;
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
    // Measured in 64 bits: the rectangle may span more than 32 bits hold.
    if (std::int64_t{rect.right} - rect.left == w && std::int64_t{rect.bottom} - rect.top == h)
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
    if (image.isNull() || !PictureBudget::Take(DecodedBytes(image.width(), image.height()))) return false;
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
    LoadAfterHead(head, ar, skip);
}

void CDib::LoadAnyForm(CArchive& ar) {
    Free();
    // Both heads are longer than one byte: a short one is the end of the file.
    std::uint8_t head[std::max(StoredBlockHeader::kSize, kFileHeaderSize)];
    head[0] = ar.ReadU8();
    if (head[0] <= CCompressor::kMaxLevel) {
        ar.ReadExact(head + 1, StoredBlockHeader::kSize - 1);
        LoadAfterHead(head, ar, false);
    } else if (head[0] == (kBitmapFileTag & 0xFF) || head[0] == (kEncodedTag & 0xFF)) {
        ar.ReadExact(head + 1, kFileHeaderSize - 1);
        ReadUnpackedAfterHead(head, ar);
    } else {
        throw UserException("unknown picture form");
    }
}

void CDib::LoadAfterHead(const std::uint8_t* head, CArchive& ar, bool skip) {
    const StoredBlockHeader h = StoredBlockHeader::Read(std::span(head, StoredBlockHeader::kSize));
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
    if (!PictureBudget::Take(static_cast<std::int64_t>(h.unpackedLength))) throw PictureBudgetException();
    try {
        m_codec.Decompress(h.level, h.unpackedLength, packed);
        std::vector<std::uint8_t> file = m_codec.TakeUnpacked();
        m_codec.Free();
        if (file.size() < kFileHeaderSize || GetU16(file, 0) != kBitmapFileTag) throw UserException("not a bitmap file");
        const std::span<const std::uint8_t> dib = std::span(file).subspan(kFileHeaderSize);
        if (CompressionOf(dib) != 0) m_dib = TakeCompressedDib(dib);
        else m_dib = DibImage::AdoptPacked(std::move(file), kFileHeaderSize);
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
    ReadUnpackedAfterHead(head, ar);
}

void CDib::ReadUnpackedAfterHead(const std::uint8_t* head, CArchive& ar) {
    const std::span<const std::uint8_t> h(head, kFileHeaderSize);
    const std::uint16_t tag = GetU16(h, 0);
    if (tag == kBitmapFileTag) {
        const std::uint32_t fileSize = GetU32(h, 2);
        if (fileSize < kFileHeaderSize + BitmapInfoHeader::kSize || fileSize > kMaxUnpackedLength)
            throw UserException("bad bitmap file size");
        // Read in place: the pixels are copied once, into the picture.
        const std::span<const std::uint8_t> dib = ar.ReadSpan(fileSize - kFileHeaderSize);
        if (CompressionOf(dib) != 0) {
            m_dib = TakeCompressedDib(dib);
            return;
        }
        if (!PictureBudget::Take(fileSize)) throw PictureBudgetException();
        TakeDib(dib);
        return;
    }
    if (tag == kEncodedTag) {
        const std::uint32_t n = ar.ReadU32();
        if (n > kMaxUnpackedLength) throw UserException("encoded picture too large");
        if (!LoadImageBytes(ar.ReadSpan(n))) throw UserException("encoded picture does not decode or is too large");
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
