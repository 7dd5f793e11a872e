#include "view/ClipboardPaste.h"

#include <QtCore/QByteArray>
#include <QtCore/QMimeData>
#include <QtCore/QStringList>
#include <QtGui/QImage>

#include <algorithm>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "document/DrawPicture.h"
#include "document/DrawText.h"
#include "document/KavitroDoc.h"
#include "document/PictureBudget.h"
#include "view/ClipboardFormat.h"
#include "view/KavitroView.h"

namespace kavitro {

namespace {

// A picture decodes into memory proportional to its bytes; clipboard data
// larger than this is refused before it is read.
constexpr qsizetype kMaxPictureBytes = qsizetype{256} << 20;
// Pixels are taken at 96 per inch: 2540 / 96 document units each.
constexpr std::int32_t kUnitsPerInch = 2540;
constexpr std::int32_t kPixelsPerInch = 96;

std::span<const std::uint8_t> Bytes(const QByteArray& a) {
    return {reinterpret_cast<const std::uint8_t*>(a.constData()), static_cast<std::size_t>(a.size())};
}

bool HasImage(const QMimeData& data) {
    if (data.hasImage()) return true;
    const QStringList formats = data.formats();
    return std::any_of(formats.begin(), formats.end(), [](const QString& f) { return f.startsWith(u"image/"); });
}

bool HasMetafile(const QMimeData& data) { return data.hasFormat(mime::kEmf) || data.hasFormat(mime::kWmf); }

CDrawText* SelectedText(const CKavitroView& view) { return view.GetSelection().GetEditedText(); }

// The zoomed bounds of the objects, each ordered.
Rect BoundsOf(const std::vector<std::unique_ptr<CDrawObj>>& objects) {
    Rect all;
    for (const auto& o : objects) {
        Rect b = o->BuildZoomedPosition().m_bounds;
        b.NormalizeRect();
        if (all.IsRectNull()) all = b;
        else {
            all.left = std::min(all.left, b.left);
            all.top = std::min(all.top, b.top);
            all.right = std::max(all.right, b.right);
            all.bottom = std::max(all.bottom, b.bottom);
        }
    }
    return all;
}

// Moves not-yet-added objects so that their common centre lies on a point
// (view logical units).
void CentreOn(std::vector<std::unique_ptr<CDrawObj>>& objects, Point centre) {
    const Point c = BoundsOf(objects).CenterPoint();
    const std::int64_t dx = std::int64_t{centre.x} - c.x;
    const std::int64_t dy = std::int64_t{centre.y} - c.y;
    for (auto& o : objects) {
        CPolygonRect p = o->BuildZoomedPosition();
        p.m_rect = Rect(Clamp32(p.m_rect.left + dx), Clamp32(p.m_rect.top + dy),
                        Clamp32(p.m_rect.right + dx), Clamp32(p.m_rect.bottom + dy));
        o->SetPosition(p, false);
    }
}

// Adds the objects as steps of their own and makes them the selection.
bool AddObjects(CKavitroView& view, std::vector<std::unique_ptr<CDrawObj>> objects) {
    CKavitroDoc& doc = view.GetDocument();
    view.Select(nullptr, false, false);
    bool any = false;
    for (auto& o : objects) {
        CDrawObj* added = o.release();
        doc.Add(added, true);
        view.Select(added, true, false);
        any = true;
    }
    return any;
}

// Drops the objects that the document would purge on the next add anyway.
void DropEmpty(std::vector<std::unique_ptr<CDrawObj>>& objects) {
    std::erase_if(objects, [](const std::unique_ptr<CDrawObj>& o) { return o->IsEmpty(); });
}

bool PasteObjects(CKavitroView& view, const QMimeData& data, std::optional<Point> dropPoint) {
    CKavitroDoc& doc = view.GetDocument();
    view.OnUpdate(CKavitroView::kHintSelection, nullptr);
    std::vector<std::unique_ptr<CDrawObj>> loaded =
        LoadObjectList(Bytes(data.data(mime::kKavitro)), &doc, view.GetCurrentPage());
    DropEmpty(loaded);
    if (loaded.empty()) return false;

    CDrawText* target = SelectedText(view);
    auto* single = loaded.size() == 1 ? dynamic_cast<CDrawText*>(loaded.front().get()) : nullptr;
    if (!dropPoint && target && single) {
        doc.RecordModify(target);
        CCalligraphyParagraph& paragraph = target->m_paragraph;
        // The words go in at the caret's word boundary, after the word the
        // caret stands inside.
        std::size_t at = 0;
        if (!paragraph.m_words.empty()) {
            const WordPosition pos = paragraph.CaretToWord(target->m_nCaret, false);
            at = static_cast<std::size_t>(pos.word) + (pos.offset == 0 ? 0 : 1);
        }
        const std::size_t before = paragraph.m_words.size();
        paragraph.InsertWords(single->m_paragraph, target->m_nCaret);
        // The caret follows what was pasted, as it follows typed and pasted
        // characters, instead of staying in front of the pasted words.
        if (paragraph.m_words.size() > before)
            target->SetCaretAfterWord(static_cast<std::uint32_t>(at + paragraph.m_words.size() - before - 1));
        ++CObjectsBuffer::GetActionIdCounter();
        target->RecalcLayout(&view, true);
        return true;
    }
    if (dropPoint) CentreOn(loaded, view.ClientToDoc(*dropPoint));
    return AddObjects(view, std::move(loaded));
}

bool PasteText(CKavitroView& view, const QMimeData& data) {
    std::u16string text = data.text().toStdU16String();
    if (text.empty()) return false;
    // As the inserted-text message with purging: every character through
    // the keyboard translation, the block closed by its terminator.
    view.OnInsertText(std::move(text), 0);
    return true;
}

// The picture's natural size in document units, fitted into the page.
Size NaturalSize(const CDrawPicture& picture, Size page) {
    std::int64_t w = 100, h = 100;
    if (picture.m_pMetafile) {
        w = picture.m_pMetafile->GetWidth();
        h = picture.m_pMetafile->GetHeight();
    } else if (picture.m_pDib) {
        w = std::int64_t{picture.m_pDib->GetWidth()} * kUnitsPerInch / kPixelsPerInch;
        h = std::int64_t{picture.m_pDib->GetHeight()} * kUnitsPerInch / kPixelsPerInch;
    }
    w = std::max<std::int64_t>(1, std::llabs(w));
    h = std::max<std::int64_t>(1, std::llabs(h));
    const double fit = std::min({1.0, static_cast<double>(std::max(1, page.cx)) / static_cast<double>(w),
                                 static_cast<double>(std::max(1, page.cy)) / static_cast<double>(h)});
    return {std::max(1, static_cast<std::int32_t>(static_cast<double>(w) * fit)),
            std::max(1, static_cast<std::int32_t>(static_cast<double>(h) * fit))};
}

std::unique_ptr<CMetafilePicture> DecodeMetafile(const QMimeData& data) {
    auto picture = std::make_unique<CMetafilePicture>();
    const bool emf = data.hasFormat(mime::kEmf);
    const QByteArray bytes = data.data(emf ? mime::kEmf : mime::kWmf);
    if (bytes.isEmpty() || bytes.size() > kMaxPictureBytes) throw UserException("no metafile in the data");
    if (emf) picture->SetEmfBits(std::vector<std::uint8_t>(Bytes(bytes).begin(), Bytes(bytes).end()));
    else picture->SetWmfBits(Bytes(bytes));
    if (!picture->HasMetafile()) throw UserException("the metafile does not decode");
    return picture;
}

std::unique_ptr<CDib> DecodeImage(const QMimeData& data) {
    auto picture = std::make_unique<CDib>();
    for (const char* format : {mime::kPng, mime::kBmp}) {
        if (!data.hasFormat(format)) continue;
        const QByteArray bytes = data.data(format);
        if (bytes.size() <= kMaxPictureBytes && picture->LoadImageBytes(Bytes(bytes))) return picture;
    }
    if (data.hasImage() && picture->FromImage(qvariant_cast<QImage>(data.imageData()))) return picture;
    for (const QString& format : data.formats()) {
        if (!format.startsWith(u"image/")) continue;
        const QByteArray bytes = data.data(format);
        if (bytes.size() <= kMaxPictureBytes && picture->LoadImageBytes(Bytes(bytes))) return picture;
    }
    throw UserException("the image does not decode");
}

}  // namespace

bool InsertPicture(CKavitroView& view, std::unique_ptr<CMetafilePicture> vector, std::unique_ptr<CDib> raster,
                   std::optional<Point> dropPoint) {
    CKavitroDoc& doc = view.GetDocument();
    auto picture = std::make_unique<CDrawPicture>(CPolygonRect(), view.GetCurrentPage(), &doc);
    picture->m_nPictureType = vector ? CDrawPicture::VectorPicture : CDrawPicture::RasterPicture;
    picture->m_pMetafile = std::move(vector);
    picture->m_pDib = std::move(raster);
    picture->m_bLoaded = 1;
    const Size size = NaturalSize(*picture, doc.GetPageSize());
    const std::int32_t zoom = doc.GetZoom();
    const Size zoomed{std::max(1, MulDiv(size.cx, zoom, 100)), std::max(1, MulDiv(size.cy, zoom, 100))};
    const Size client = view.GetHost().GetClientSize();
    const Point centre = view.ClientToDoc(dropPoint.value_or(Point{client.cx / 2, client.cy / 2}));
    picture->SetPosition(CPolygonRect(Point{centre.x - zoomed.cx / 2, centre.y - zoomed.cy / 2}, zoomed), false);
    view.OnUpdate(CKavitroView::kHintSelection, nullptr);
    std::vector<std::unique_ptr<CDrawObj>> list;
    list.push_back(std::move(picture));
    return AddObjects(view, std::move(list));
}

PasteKind ClassifyPaste(const QMimeData& data, const CKavitroView& view, bool drop) {
    if (data.hasFormat(mime::kKavitro)) return PasteKind::Objects;
    if (data.hasText() && SelectedText(view)) return PasteKind::Text;
    if (HasMetafile(data)) return PasteKind::Metafile;
    if (HasImage(data)) return PasteKind::Image;
    if (drop && data.hasText()) return PasteKind::Text;
    return PasteKind::None;
}

bool PasteData(CKavitroView& view, const QMimeData& data, std::optional<Point> dropPoint) {
    // Pasted and dropped pictures share the per-document budget.
    const PictureBudget budget(RemainingPictureBytes(view.GetDocument()));
    bool inserted = false;
    switch (ClassifyPaste(data, view, dropPoint.has_value())) {
        case PasteKind::None: return false;
        case PasteKind::Objects: inserted = PasteObjects(view, data, dropPoint); break;
        case PasteKind::Text: inserted = PasteText(view, data); break;
        case PasteKind::Metafile: inserted = InsertPicture(view, DecodeMetafile(data), nullptr, dropPoint); break;
        case PasteKind::Image: inserted = InsertPicture(view, nullptr, DecodeImage(data), dropPoint); break;
    }
    if (!inserted) return false;
    CKavitroDoc& doc = view.GetDocument();
    doc.SetModifiedFlag();
    doc.UpdateAllViews(nullptr, CKavitroView::kHintSelection, nullptr);
    return true;
}

}  // namespace kavitro
