#include "app/GalleryPictures.h"

#include <QPainter>

#include <algorithm>
#include <array>
#include <exception>
#include <optional>
#include <string_view>
#include <utility>

#include "app/LanguagePack.h"
#include "app/PackPicture.h"
#include "app/TextPicture.h"
#include "document/DrawText.h"
#include "engine/CalligraphyText.h"
#include "view/CommandIds.h"
#include "view/ViewCommands.h"
#include "view/tools/VowelsTool.h"

namespace kavitro {

namespace {

// The galleries' item counts and the offset of the modification images.
constexpr std::int32_t kVowelItems = 20;
constexpr std::int32_t kModificationItems = 3;
constexpr std::int32_t kModificationImageBase = 20;
// The text size (0.01 mm) the glyphs are drawn at before they are fitted.
constexpr std::int32_t kDrawSize = 1500;
constexpr int kCanvasSide = 384;
// Space left around the fitted glyphs.
constexpr int kMargin = 2;

// The part of a picture that holds ink, or an empty rectangle.
QRect InkBounds(const QImage& image) {
    int left = image.width(), top = image.height(), right = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(line[x]) == 0)
                continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

// Draws the components of `text` on a large canvas about a fixed origin.
QImage DrawCanvas(CDrawText& text, const CTextComponentSelection& selection, int mode) {
    QImage canvas(kCanvasSide, kCanvasSide, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    DrawTextPicture(canvas, RGB(0, 0, 0), QPoint(kCanvasSide * 3 / 4, kCanvasSide / 2),
                    [&](CDC& dc) { text.DrawComponents(dc, nullptr, selection, Point{0, 0}, mode); });
    return canvas;
}

// The part `frame` of a canvas scaled into a gallery picture, proportions kept.
QImage Fit(const QImage& canvas, const QRect& frame) {
    QImage picture(kGalleryPictureSide, kGalleryPictureSide, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    if (frame.isEmpty())
        return picture;
    const int room = kGalleryPictureSide - 2 * kMargin;
    const QSize fitted = frame.size().scaled(QSize(room, room), Qt::KeepAspectRatio);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRect target(QPoint((kGalleryPictureSide - fitted.width()) / 2, (kGalleryPictureSide - fitted.height()) / 2),
                       fitted);
    painter.drawImage(target, canvas, frame);
    return picture;
}

// A sample word with a modification applied to its letter before `offset`.
struct Sample {
    std::u16string_view letters;
    std::int32_t offset;
};

// Words that the modifications change: a letter inside the word, since a
// word's last letter keeps its form until a letter follows it.
constexpr std::array<Sample, 6> kSamples = {{
    {u"\u0628\u0628\u06A9", 2},
    {u"\u0628\u0633\u0644", 3},
    {u"\u0628\u0628\u0641", 3},
    {u"\u0628\u0628\u0644", 3},
    {u"\u0628\u0628\u0645", 2},
    {u"\u0628\u0641\u0644", 3},
}};

CCalligraphyWord TypeWord(const Sample& sample, std::uint16_t modification) {
    CCalligraphyParagraph paragraph;
    std::int32_t caret = 0;
    for (const char16_t c : sample.letters)
        paragraph.InsertCharacter(caret, c);
    if (paragraph.m_words.size() != 1)
        return {};
    try {
        if (modification != 0)
            paragraph.ModifyCharacter(0, sample.offset, modification);
    } catch (const std::exception&) {
        return {};  // rule tables that refuse the sample: the next one is tried
    }
    return std::as_const(paragraph.m_words).front();
}

}  // namespace

std::int32_t GalleryImageOfItem(std::uint32_t gallery, std::int32_t item) {
    return gallery == ViewCommand::TextModificationGallery ? item + kModificationImageBase : item;
}

std::vector<QImage> DrawVowelSignPictures() {
    std::vector<QImage> canvases;
    QRect frame;
    for (std::int32_t item = 0; item < kVowelItems; ++item) {
        CDrawText text;
        text.m_nSize = kDrawSize;
        text.m_paragraph.RemoveAll();
        text.m_paragraph.m_points.push_back(CCalligraphyPoint{CVowelsTool::SignCodeOf(VowelShape(item)), 0, 0});
        CTextComponentSelection point;
        point.m_point = 0;
        canvases.push_back(DrawCanvas(text, point, kVowelPoint));
        frame |= InkBounds(canvases.back());
    }
    // A square about the frame's middle: the signs keep their height.
    const int side = std::max(frame.width(), frame.height());
    frame = QRect(frame.center() - QPoint(side / 2, side / 2), QSize(side, side));
    std::vector<QImage> pictures;
    for (const QImage& canvas : canvases)
        pictures.push_back(Fit(canvas, frame));
    return pictures;
}

std::vector<QImage> DrawTextModificationPictures() {
    std::vector<QImage> pictures;
    for (std::int32_t item = 0; item < kModificationItems; ++item) {
        // The item's shape is the modification tool of code 65430 + shape - 11.
        const auto code = static_cast<std::uint16_t>(CDrawText::kFirstModifyCode + (TextModificationShape(item) - 11));
        std::optional<QImage> chosen;
        for (const Sample& sample : kSamples) {
            CCalligraphyWord word = TypeWord(sample, code);
            if (word.m_characters.empty() || word.HasSameGlyphs(TypeWord(sample, 0)))
                continue;
            CDrawText text;
            text.m_nSize = kDrawSize;
            word.m_x = 0;
            word.m_y = 0;
            text.m_paragraph.RemoveAll();
            text.m_paragraph.m_words.push_back(std::move(word));
            CTextComponentSelection all;
            all.m_firstWord = 0;
            all.m_lastWord = 0;
            const QImage canvas = DrawCanvas(text, all, kWordsWithMarks);
            QImage picture = Fit(canvas, InkBounds(canvas));
            chosen = picture;
            if (std::find(pictures.begin(), pictures.end(), picture) == pictures.end())
                break;
        }
        pictures.push_back(chosen.value_or(Fit(QImage(), QRect())));
    }
    return pictures;
}

std::vector<QImage> GalleryPictures(const LanguagePack& pack, std::uint32_t gallery) {
    std::vector<QImage> pictures;
    if (gallery == ViewCommand::VowelGallery)
        pictures = DrawVowelSignPictures();
    else if (gallery == ViewCommand::TextModificationGallery)
        pictures = DrawTextModificationPictures();
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const std::int32_t image = GalleryImageOfItem(gallery, static_cast<std::int32_t>(i));
        const QString path = pack.ImagePath(QStringLiteral("GALLERY%1").arg(image));
        if (path.isEmpty())
            continue;
        if (std::optional<QImage> own = ReadPackPicture(path))
            pictures[i] =
                own->scaled(kGalleryPictureSide, kGalleryPictureSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    return pictures;
}

}  // namespace kavitro
