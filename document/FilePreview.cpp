#include "document/FilePreview.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <QPainter>

#include "document/Dib.h"
#include "document/MetafilePicture.h"
#include "document/PolygonRect.h"
#include "platform/Exceptions.h"
#include "platform/qt/QtPainterDC.h"

namespace kavitro {

namespace {

std::string LowerExtension(const std::filesystem::path& path) {
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return ext;
}

// At most `limit` bytes from the start of the file; `whole` says whether
// that was all of it.
std::optional<std::vector<std::uint8_t>> ReadPrefix(const std::filesystem::path& path, std::size_t limit,
                                                    bool& whole) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::min<std::uintmax_t>(size, limit)));
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (in.bad()) return std::nullopt;
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    whole = size <= limit && in.peek() == std::char_traits<char>::eof();
    return bytes;
}

// The picture centred in a transparent image of the bound, drawn by `draw`
// into the fitted rectangle (device pixels).
template <typename Draw>
QImage Compose(Size picture, QSize bound, Draw&& draw) {
    if (picture.cx <= 0 || picture.cy <= 0 || bound.isEmpty()) return {};
    const Rect fitted = FitPreviewRect(picture, Rect{0, 0, bound.width(), bound.height()});
    if (fitted.right <= fitted.left || fitted.bottom <= fitted.top) return {};
    QImage image(bound, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    draw(painter, fitted);
    painter.end();
    return image;
}

QImage ImageOfDib(const CDib& dib) {
    if (dib.IsEmpty()) return {};
    const std::vector<std::uint8_t> file = dib.BuildBitmapFile();
    QImage image;
    image.loadFromData(file.data(), static_cast<int>(file.size()), "BMP");
    return image;
}

QImage ComposeImage(const QImage& picture, QSize bound) {
    if (picture.isNull()) return {};
    return Compose(Size{picture.width(), picture.height()}, bound, [&](QPainter& painter, const Rect& r) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRect(r.left, r.top, r.right - r.left, r.bottom - r.top), picture);
    });
}

QImage PreviewMetafile(std::span<const std::uint8_t> bytes, const std::filesystem::path& name, QSize bound) {
    CMetafilePicture::Type type = CMetafilePicture::None;
    const std::string ext = LowerExtension(name);
    if (ext == ".emf") type = CMetafilePicture::Emf;
    else if (ext == ".wmf") type = CMetafilePicture::Wmf;
    else if (ext == ".kvt") type = CMetafilePicture::Dodavo;
    else if (ext == ".ekvt") type = CMetafilePicture::EnhancedDodavo;
    if (type == CMetafilePicture::None || bytes.size() > UINT32_MAX) return {};
    // The stored form (type, size, bytes) decodes every kind by its type.
    CArchive out = CArchive::ForStoring();
    out << static_cast<std::uint16_t>(type) << static_cast<std::uint32_t>(bytes.size());
    out.Write(bytes);
    const std::vector<std::uint8_t> stored = out.TakeStoredBytes();
    CMetafilePicture picture;
    CArchive in = CArchive::ForLoading(stored);
    picture.Load(in);
    if (!picture.HasMetafile()) return {};
    return Compose(Size{picture.GetWidth(), picture.GetHeight()}, bound, [&](QPainter& painter, const Rect& r) {
        CQtPainterDC dc(painter);
        picture.Draw(dc, r);
    });
}

QImage PreviewRaster(std::span<const std::uint8_t> bytes, QSize bound) {
    // The size from the image's header first, so that a huge picture is
    // refused before its pixels are decoded.
    QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (!size.isValid() || std::int64_t{size.width()} * size.height() > kMaxPreviewPixels) return {};
    CDib dib;
    if (!dib.LoadImageBytes(bytes)) return {};
    return ComposeImage(ImageOfDib(dib), bound);
}

QImage PreviewKv2(std::span<const std::uint8_t> bytes, QSize bound) {
    CArchive ar = CArchive::ForLoading(bytes);
    const std::u16string magic = ar.ReadString();
    if (magic == u"Kavitro.2.DocumentV") ar.ReadU32();
    else if (magic != u"Kavitro.2.Document") return {};
    CDib thumbnail;
    thumbnail.Load(ar);
    return ComposeImage(ImageOfDib(thumbnail), bound);
}

QImage PreviewKvl(std::span<const std::uint8_t> bytes, QSize bound) {
    constexpr std::size_t magic = sizeof kKvlMagic - 1;
    if (bytes.size() < kKvlHeaderSize || std::memcmp(bytes.data(), kKvlMagic, magic) != 0) return {};
    CArchive ar = CArchive::ForLoading(bytes.subspan(kKvlHeaderSize));
    CDib thumbnail;
    thumbnail.ReadUnpacked(ar);
    return ComposeImage(ImageOfDib(thumbnail), bound);
}

QImage Decode(PreviewKind kind, std::span<const std::uint8_t> bytes, const std::filesystem::path& name,
              QSize bound) {
    // Every reader refuses bad bytes by raising; a preview then shows nothing.
    try {
        switch (kind) {
            case PreviewKind::Metafile: return PreviewMetafile(bytes, name, bound);
            case PreviewKind::Raster: return PreviewRaster(bytes, bound);
            case PreviewKind::Kvl: return PreviewKvl(bytes, bound);
            case PreviewKind::Kv2: return PreviewKv2(bytes, bound);
            case PreviewKind::None: return {};
        }
    } catch (const std::exception&) {
    }
    return {};
}

}  // namespace

PreviewKind PreviewKindOf(const std::filesystem::path& path) {
    const std::string ext = LowerExtension(path);
    for (const char* e : {".emf", ".wmf", ".kvt", ".ekvt"})
        if (ext == e) return PreviewKind::Metafile;
    for (const char* e : {".bmp", ".png", ".jpeg", ".jpg", ".gif", ".tiff"})
        if (ext == e) return PreviewKind::Raster;
    if (ext == ".kvl") return PreviewKind::Kvl;
    if (ext == ".kv2") return PreviewKind::Kv2;
    return PreviewKind::None;
}

Rect FitPreviewRect(Size picture, const Rect& target) {
    Rect fitted = target;
    Rect source{0, 0, picture.cx, picture.cy};
    FitRectInRect(fitted, source, true);
    return fitted;
}

QImage DecodePreview(const std::filesystem::path& name, std::span<const std::uint8_t> bytes, QSize bound) {
    return Decode(PreviewKindOf(name), bytes, name, bound);
}

QImage DecodeFilePreview(const std::filesystem::path& path, QSize bound) {
    const PreviewKind kind = PreviewKindOf(path);
    if (kind == PreviewKind::None) return {};
    bool whole = false;
    std::optional<std::vector<std::uint8_t>> bytes;
    try {
        bytes = ReadPrefix(path, kMaxPreviewBytes, whole);
    } catch (const std::exception&) {
        return {};
    }
    if (!bytes) return {};
    const bool document = kind == PreviewKind::Kv2 || kind == PreviewKind::Kvl;
    if (!whole && !document) return {};
    return Decode(kind, *bytes, path, bound);
}

}  // namespace kavitro
