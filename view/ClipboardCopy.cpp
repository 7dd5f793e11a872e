#include "view/ClipboardCopy.h"

#include <QtCore/QBuffer>
#include <QtCore/QByteArray>
#include <QtCore/QMimeData>
#include <QtCore/QString>
#include <QtCore/QStringList>
#include <QtCore/QVariant>
#include <QtGui/QImage>

#include <algorithm>
#include <cmath>

#include "document/DrawText.h"
#include "document/KavitroDoc.h"
#include "platform/Vector.h"
#include "platform/WmfRecorder.h"

namespace kavitro {

namespace {

QByteArray ToByteArray(const std::vector<std::uint8_t>& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

QByteArray Encode(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format)) return {};
    return bytes;
}

bool HoldsText(const std::vector<CDrawObj*>& objects) {
    return std::any_of(objects.begin(), objects.end(),
                       [](const CDrawObj* o) { return dynamic_cast<const CDrawText*>(o) != nullptr; });
}

void AddPostScript(QMimeData& data, CKavitroDoc& document, const std::vector<CDrawObj*>& objects) {
    CVector writer;
    document.ExportObjectsToEPS(writer, objects, true);
    document.ExportObjectsToEPS(writer, objects, false);
    writer.BuildHeaderAndTrailer();
    writer.SetClipboardMode(CVector::kEncapsulatedPostScript);
    const std::string eps = writer.GetContents();
    data.setData(mime::kPostScript, QByteArray(eps.data(), static_cast<qsizetype>(eps.size())));
}

// The copy's data. The bitmap is kept as pixels and encoded as PNG or BMP
// only when a reader asks for that format, as delayed clipboard rendering
// does: most pastes never take it.
class CopiedData final : public QMimeData {
public:
    void SetBitmap(QImage image) { m_bitmap = std::move(image); }

    bool hasFormat(const QString& mimeType) const override {
        return (HasBitmap() && IsBitmapFormat(mimeType)) || QMimeData::hasFormat(mimeType);
    }
    QStringList formats() const override {
        QStringList f = QMimeData::formats();
        if (HasBitmap()) f << QString::fromLatin1(mime::kPng) << QString::fromLatin1(mime::kBmp);
        return f;
    }

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override {
        if (HasBitmap() && IsBitmapFormat(mimeType)) return Encode(m_bitmap, mimeType == mime::kPng ? "PNG" : "BMP");
        return QMimeData::retrieveData(mimeType, type);
    }

private:
    bool HasBitmap() const { return !m_bitmap.isNull(); }
    static bool IsBitmapFormat(const QString& mimeType) { return mimeType == mime::kPng || mimeType == mime::kBmp; }

    QImage m_bitmap;
};

void AddBitmap(CopiedData& data, CKavitroDoc& document, const std::vector<CDrawObj*>& objects, std::int32_t bmpSize) {
    Rect box;
    {
        ScopedZoom zoom(document, 100);
        box = document.GetBoundingRect(objects);
    }
    const Size size = ClipboardBitmapSize(std::abs(std::int64_t{box.right} - box.left),
                                          std::abs(std::int64_t{box.bottom} - box.top), bmpSize);
    if (size.cx <= 0 || size.cy <= 0) return;
    QImage image;
    if (document.RenderToBitmap(image, size, objects, false) && !image.isNull()) data.SetBitmap(std::move(image));
}

}  // namespace

ScopedZoom::ScopedZoom(CKavitroDoc& document, std::int32_t zoom) : m_document(document), m_saved(document.GetZoom()) {
    m_document.SetZoom(zoom);
}
ScopedZoom::~ScopedZoom() { m_document.SetZoom(CKavitroDoc::ClampZoom(m_saved)); }

Size ClipboardBitmapSize(std::int64_t w, std::int64_t h, std::int32_t bmpSize) {
    std::int64_t cx = MulDiv(Clamp32(w), bmpSize, 1000);
    std::int64_t cy = MulDiv(Clamp32(h), bmpSize, 1000);
    constexpr std::int64_t side = CKavitroDoc::kMaxBitmapSide, pixels = CKavitroDoc::kMaxBitmapPixels;
    if (cx <= 0 || cy <= 0 || (cx <= side && cy <= side && cx * cy <= pixels)) return {Clamp32(cx), Clamp32(cy)};
    // Smaller rather than none: the metafile and private formats still
    // carry the drawing at full resolution.
    const double scale = std::min({double(side) / double(cx), double(side) / double(cy),
                                   std::sqrt(double(pixels) / (double(cx) * double(cy)))});
    cx = std::max<std::int64_t>(1, static_cast<std::int64_t>(double(cx) * scale));
    cy = std::max<std::int64_t>(1, static_cast<std::int64_t>(double(cy) * scale));
    while (cx * cy > pixels) (cx > cy ? cx : cy) -= 1;  // a rounding's last pixel
    return {static_cast<std::int32_t>(std::min(cx, side)), static_cast<std::int32_t>(std::min(cy, side))};
}

std::u16string ClipboardText(const std::vector<CDrawObj*>& objects) {
    std::u16string text;
    for (const CDrawObj* o : objects) {
        std::vector<std::uint16_t> codes;
        o->GetCharacterCodes(codes);
        for (const std::uint16_t c : codes) text.push_back(static_cast<char16_t>(c));
        text += u"\r\n";
    }
    return text;
}

std::unique_ptr<QMimeData> BuildClipboardData(CKavitroDoc& document, const std::vector<CDrawObj*>& objects,
                                              const ClipboardSettings& settings) {
    auto data = std::make_unique<CopiedData>();
    if (settings.kavitro) data->setData(mime::kKavitro, ToByteArray(StoreObjectList(objects)));
    if (HoldsText(objects)) {
        if (settings.text) {
            const QString text = QString::fromStdU16String(ClipboardText(objects));
            data->setText(text);
            data->setData(mime::kText, text.toUtf8());
        }
        if (settings.eps) AddPostScript(*data, document, objects);
    }
    if (objects.empty()) return data;
    if (settings.bmp) AddBitmap(*data, document, objects, settings.bmpSize);
    if (settings.wmf) {
        MetafileResult wmf;
        if (document.RenderToMetafile(wmf, objects))
            data->setData(mime::kWmf, ToByteArray(BuildPlaceableMetafile(wmf.bytes, wmf.extent)));
    }
    if (settings.emf) {
        std::vector<std::uint8_t> emf;
        if (document.RenderToEnhMetafile(emf, objects)) data->setData(mime::kEmf, ToByteArray(emf));
    }
    return data;
}

}  // namespace kavitro
