#include "document/Thumbnail.h"

#include "document/DrawObj.h"
#include "document/KavitroDoc.h"
#include "engine/Compressor.h"

namespace kavitro {

namespace {

void Put16(std::vector<std::uint8_t>& out, std::size_t at, std::uint16_t v) {
    out[at] = static_cast<std::uint8_t>(v);
    out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace

QImage RenderThumbnail(CKavitroDoc& document) {
    // The first page: objects of page 0 and objects on every page.
    std::vector<CDrawObj*> objects;
    for (CDrawObj* o : document.m_objects.m_objects)
        if (o->m_nPage == 0 || IsOnEveryPage(o->m_nPage)) objects.push_back(o);
    const COLORREF white = RGB(255, 255, 255);
    QImage image;
    if (!document.RenderToBitmap(image, Size{kThumbnailWidth, kThumbnailHeight}, objects, false, &white)) {
        // A drawing too large to render still leaves a blank page.
        image = QImage(kThumbnailWidth, kThumbnailHeight, QImage::Format_RGB32);
        image.fill(Qt::white);
    }
    return image;
}

std::vector<std::uint8_t> EncodeBmp24(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_RGB888);
    const std::uint32_t width = static_cast<std::uint32_t>(image.width());
    const std::uint32_t height = static_cast<std::uint32_t>(image.height());
    const std::uint32_t stride = ((24 * width + 31) >> 5) * 4;
    const std::uint32_t imageSize = stride * height;
    const std::uint32_t offBits = 14 + 40;
    std::vector<std::uint8_t> out(offBits + imageSize, 0);
    Put16(out, 0, 0x4D42);
    Put32(out, 2, offBits + imageSize);
    Put32(out, 10, offBits);
    Put32(out, 14, 40);
    Put32(out, 18, width);
    Put32(out, 22, height);
    Put16(out, 26, 1);
    Put16(out, 28, 24);
    Put32(out, 34, imageSize);
    for (std::uint32_t y = 0; y < height; ++y) {
        const std::uint8_t* src = image.constScanLine(static_cast<int>(height - 1 - y));
        std::uint8_t* dst = out.data() + offBits + std::size_t{y} * stride;
        for (std::uint32_t x = 0; x < width; ++x) {
            dst[3 * x] = src[3 * x + 2];  // blue, green, red
            dst[3 * x + 1] = src[3 * x + 1];
            dst[3 * x + 2] = src[3 * x];
        }
    }
    return out;
}

std::vector<std::uint8_t> BuildThumbnailBlock(CKavitroDoc& document) {
    if (!document.GetServices().drawThumbnails) {
        static const std::vector<std::uint8_t> blank = [] {
            QImage image(kThumbnailWidth, kThumbnailHeight, QImage::Format_RGB32);
            image.fill(Qt::white);
            CCompressor codec(kThumbnailLevel);
            return codec.PackBlock(EncodeBmp24(image));
        }();
        return blank;
    }
    const std::vector<std::uint8_t> bmp = EncodeBmp24(RenderThumbnail(document));
    CCompressor codec(kThumbnailLevel);
    return codec.PackBlock(bmp);
}

}  // namespace kavitro
