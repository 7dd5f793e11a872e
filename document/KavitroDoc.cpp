#include "document/KavitroDoc.h"

#include "document/FailureReasons.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <new>

#include "document/DrawObj.h"
#include "document/PictureBudget.h"
#include "document/SimpleObjects.h"
#include "document/Thumbnail.h"
#include "engine/CalligraphyFont.h"
#include "engine/Compressor.h"
#include "platform/qt/QtPainterDC.h"

namespace kavitro {

namespace {

using CAction = CObjectsBuffer::CAction;

[[noreturn]] void Refuse(const CArchive& ar, ArchiveException::Cause cause, const char* what) {
    throw ArchiveException(cause, what, ar.GetFileName());
}

}  // namespace

CKavitroDoc::CKavitroDoc(const DocumentServices& services) : m_objects(*this), m_services(services) {
    PostToMainFrame(NotifyMessage::ZoomChanged, static_cast<WParam>(m_nZoom));
    // The first document builds the glyph fonts (a program folder is needed;
    // documents without one, as in tests, draw no text).
    CCalligraphyFont& fonts = CCalligraphyFont::GetInstance();
    if (!m_services.programFolder.empty() && !fonts.IsInitialized()) {
        try {
            fonts.Init(m_services.programFolder,
                       m_services.settings ? (*m_services.settings)[CApplicationProperties::ZurazOrovaWriting] : 0);
        } catch (const UserException&) {
            // Already tried: Init reports its own failures.
        }
        // Painting (screen, thumbnails, raster export) draws the glyphs from
        // the same font files the engine measures them with.
        CQtPainterDC::SetGlyphFontFolder(m_services.programFolder / CCalligraphyFont::kFontsFolderName);
    }
    if (m_services.profile)
        m_nDrawingMode = CApplicationProperties::CheckedDrawingMode(m_services.profile->GetProfileInt(
            CApplicationProperties::kSettingsSection, CApplicationProperties::kDrawingModeName, 0));
}

CKavitroDoc::~CKavitroDoc() {
    DeleteGuideLines();
    if (m_services.profile)
        m_services.profile->WriteProfileInt(CApplicationProperties::kSettingsSection,
                                            CApplicationProperties::kDrawingModeName, m_nDrawingMode);
}

void CKavitroDoc::DeleteGuideLines() {
    for (CDrawObj* g : m_guideLines) delete g;
    m_guideLines.clear();
}

void CKavitroDoc::PostToMainFrame(NotifyMessage message, WParam w, LParam l) const {
    if (m_services.notifier) m_services.notifier->Post(m_services.mainFrame, message, w, l);
}

// --- Framework steps ------------------------------------------------------------

bool CKavitroDoc::OnNewDocument() {
    if (!CDocument::OnNewDocument()) return false;
    SetZoom(m_nZoom);
    UpdatePageSize(false);
    return true;
}

void CKavitroDoc::Serialize(CArchive& ar) {
    if (ar.IsStoring())
        StoreContents(ar);
    else
        LoadContents(ar);
}

void CKavitroDoc::StoreContents(CArchive& ar) {
    ar.WriteString(kMagic);
    ar << kSchema;
    ar.SetObjectSchema(kSchema);
    ar.Write(BuildThumbnailBlock(*this));
    ar << m_nPageWidth << m_nPageHeight;
    ar << m_margins.left << m_margins.top << m_margins.right << m_margins.bottom;
    m_objects.Serialize(ar);
    ar.WriteCount(m_guideLines.size());
    for (const CDrawObj* g : m_guideLines) ar.WriteObject(g);
}

namespace {

// Reads past a picture block without unpacking it, checking that its sizes
// are ones the stream and the codec can hold.
void SkipPictureBlock(CArchive& ar) {
    ar.EnsureAvailable(StoredBlockHeader::kSize);
    std::uint8_t head[StoredBlockHeader::kSize];
    ar.ReadExact(head, sizeof head);
    const StoredBlockHeader h = StoredBlockHeader::Read(head);
    if (h.IsUnpackedMarker()) {
        const std::uint16_t tag = ar.ReadU16();
        if (tag == 0x4D42) {  // "BM": the rest of a BMP file
            const std::uint32_t fileSize = ar.ReadU32();
            if (fileSize < 14) Refuse(ar, ArchiveException::Cause::Generic, "bad picture size");
            ar.Skip(fileSize - 6);
        } else if (tag == 0xAAFF) {  // an encoded image
            ar.Skip(12);
            ar.Skip(ar.ReadU32());
        } else {
            Refuse(ar, ArchiveException::Cause::Generic, "unknown picture form");
        }
        return;
    }
    if (h.level > CCompressor::kMaxLevel) Refuse(ar, ArchiveException::Cause::Generic, "bad picture packing");
    if (h.unpackedLength > CCompressor::MaxUnpackedLength(h.level, h.PackedCount()))
        Refuse(ar, ArchiveException::Cause::Generic, "picture longer than its packed bytes can hold");
    if (h.PackedCount() > ar.GetRemaining()) Refuse(ar, ArchiveException::Cause::EndOfFile, "picture runs past the end");
    ar.Skip(static_cast<std::size_t>(h.PackedCount()));
}

}  // namespace

void CKavitroDoc::LoadContents(CArchive& ar) {
    // A file that does not even hold the mark is some other file.
    std::u16string magic;
    try {
        magic = ar.ReadString();
    } catch (const ArchiveException& e) {
        throw DocumentDamageException(DocumentDamage::NotADocument, e.GetCause(), e.what(), e.GetFileName());
    }
    if (magic == kMagic) {
        const std::uint32_t schema = ar.ReadU32();
        ar.SetObjectSchema(schema);
    } else if (magic != kOldMagic) {
        throw DocumentDamageException(DocumentDamage::NotADocument, ArchiveException::Cause::BadIndex,
                                      "not a version-2 document", "Kavitro");
    }
    m_nMapMode = 3;
    SkipPictureBlock(ar);

    ar.EnsureAvailable(24);
    const std::int32_t width = ar.ReadI32();
    const std::int32_t height = ar.ReadI32();
    Rect margins;
    margins.left = ar.ReadI32();
    margins.top = ar.ReadI32();
    margins.right = ar.ReadI32();
    margins.bottom = ar.ReadI32();
    if (width <= 0 || height <= 0) Refuse(ar, ArchiveException::Cause::Generic, "page size not positive");
    m_nPageWidth = width;
    m_nPageHeight = height;
    m_margins = margins;

    m_objects.Serialize(ar);

    const std::size_t guides = ar.ReadCount(2 + CDrawObj::kStoredSize + 4);
    for (std::size_t i = 0; i < guides; ++i) {
        std::unique_ptr<CDrawGuideLine> g = ar.ReadObjectAs<CDrawGuideLine>();
        if (!g) Refuse(ar, ArchiveException::Cause::BadIndex, "null entry in the guide-line list");
        m_guideLines.push_back(g.release());
    }
}

bool CKavitroDoc::LoadFromBytes(std::span<const std::uint8_t> bytes, const std::string& fileName, std::string* error,
                               DocumentDamage* damage) {
    RegisterDocumentClasses();
    DocumentServices quiet = m_services;
    quiet.profile = nullptr;  // the scratch document neither reads nor writes the drawing mode
    quiet.programFolder.clear();
    DroppingNotifier dropping;
    quiet.notifier = &dropping;
    CKavitroDoc loaded(quiet);
    PictureBudget budget(PictureBudget::kMaxDocumentBytes);
    const bool read = ReadDocumentGuarded(
        [&] {
            CArchive ar = CArchive::ForLoading(bytes);
            ar.SetFileName(fileName);
            ar.SetDocument(&loaded);
            loaded.Serialize(ar);
        },
        error, damage);
    if (!read) return false;
    TakeContentsOf(loaded);
    return true;
}

void CKavitroDoc::TakeContentsOf(CKavitroDoc& loaded) {
    for (DocumentViewObserver* v : GetViews()) v->ClearSelection();
    m_objects.Clear();
    DeleteGuideLines();
    m_objects.m_objects.swap(loaded.m_objects.m_objects);
    m_objects.NoteAllMayBeEmpty();
    m_objects.m_nPages = loaded.m_objects.m_nPages;
    m_guideLines.swap(loaded.m_guideLines);
    for (CDrawObj* o : m_objects.m_objects) o->m_pDocument = this;
    for (CDrawObj* g : m_guideLines) g->m_pDocument = this;
    m_nPageWidth = loaded.m_nPageWidth;
    m_nPageHeight = loaded.m_nPageHeight;
    m_margins = loaded.m_margins;
    m_nMapMode = loaded.m_nMapMode;
    SetZoom(m_nZoom);
    for (DocumentViewObserver* v : GetViews()) v->UpdateScrollSizes();
}

std::vector<std::uint8_t> CKavitroDoc::StoreToBytes() {
    CArchive ar = CArchive::ForStoring();
    ar.SetDocument(this);
    Serialize(ar);
    return ar.TakeStoredBytes();
}

// --- Zoom and geometry ----------------------------------------------------------------

std::int32_t CKavitroDoc::ClampZoom(std::int64_t zoom) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(zoom, kMinZoom, kMaxZoom));
}

void CKavitroDoc::SetZoom(std::int32_t zoom) {
    m_nZoom = ClampZoom(zoom);
    PostToMainFrame(NotifyMessage::ZoomChanged, static_cast<WParam>(m_nZoom));
}

std::int32_t CKavitroDoc::Zoomed(std::int32_t v) const { return MulDiv(v, m_nZoom, 100); }
std::int32_t CKavitroDoc::Logical(std::int32_t v) const { return MulDiv(v, 100, m_nZoom); }

void CKavitroDoc::ZoomPolygonRect(CPolygonRect& pr) const {
    pr.m_rect = Rect(Zoomed(pr.m_rect.left), Zoomed(pr.m_rect.top), Zoomed(pr.m_rect.right), Zoomed(pr.m_rect.bottom));
    pr.SetAngle(pr.m_nAngle);
}

Rect CKavitroDoc::ZoomedToLogicalRect(const Rect& z) const {
    return Rect(Logical(z.left), Logical(z.top), Logical(z.right), Logical(z.bottom));
}

// --- Objects and undo ----------------------------------------------------------------

void CKavitroDoc::Add(CDrawObj* object, bool bumpGroup) {
    m_objects.PurgeEmptyObjects();
    m_objects.m_objects.push_back(object);
    m_objects.NoteMayBeEmpty(object);
    if (!m_objects.m_bRecordingOff) {
        m_objects.Record(std::make_unique<CAction>(CObjectsBuffer::GetActionIdCounter(), CAction::AddObject, object));
        if (bumpGroup) ++CObjectsBuffer::GetActionIdCounter();
    }
    object->m_pDocument = this;
    SetModifiedFlag();
}

void CKavitroDoc::RemoveFromSelections(const CDrawObj* object) {
    for (DocumentViewObserver* v : GetViews())
        if (v->RemoveFromSelection(*object)) PostToMainFrame(NotifyMessage::SelectionChanged);
}

void CKavitroDoc::Remove(CDrawObj* object, bool discardLastAction) {
    RemoveFromSelections(object);
    CDrawObj* below = nullptr;
    if (!m_objects.Unlink(object, &below)) return;
    auto& undo = m_objects.m_undo;
    if (discardLastAction && !undo.empty() && undo.back()->m_nKind == CAction::AddObject &&
        undo.back()->m_pObject == object) {
        undo.pop_back();
        m_objects.DropActionsNaming(object);
        delete object;
    } else {
        auto a = std::make_unique<CAction>(CObjectsBuffer::GetActionIdCounter(), CAction::RemoveObject, object);
        a->m_pBelow = below;
        m_objects.Record(std::move(a));
        ++CObjectsBuffer::GetActionIdCounter();
    }
    SetModifiedFlag();
}

void CKavitroDoc::AddPage(TargetId notify) {
    if (m_objects.m_nPages >= CObjectsBuffer::kMaxPages) return;
    const std::uint32_t old = m_objects.m_nPages++;
    if (!m_objects.m_bRecordingOff) {
        auto a = std::make_unique<CAction>(CObjectsBuffer::GetActionIdCounter(), CAction::AddPage, nullptr);
        a->m_notify = notify;
        a->m_nOldPageCount = old;
        m_objects.Record(std::move(a));
        ++CObjectsBuffer::GetActionIdCounter();
    }
    SetModifiedFlag();
}

void CKavitroDoc::RecordModify(CDrawObj* textObject) {
    auto* text = dynamic_cast<TextUndoTarget*>(textObject);
    if (!text || m_objects.m_bRecordingOff || m_objects.IsObjectInCurrentAction(textObject)) return;
    RecordModify(textObject, text->TakeTextSnapshot(), textObject->m_position);
}

void CKavitroDoc::RecordModify(CDrawObj* textObject, TextSnapshot before, const CPolygonRect& position) {
    if (!dynamic_cast<TextUndoTarget*>(textObject) || m_objects.m_bRecordingOff ||
        m_objects.IsObjectInCurrentAction(textObject))
        return;
    auto a = std::make_unique<CAction>(CObjectsBuffer::GetActionIdCounter(), CAction::TextEdit, textObject);
    a->m_text = std::move(before);
    a->m_position = position;
    m_objects.Record(std::move(a));
}

void CKavitroDoc::RecordObjectState(CDrawObj* object) {
    if (m_objects.m_bRecordingOff || m_objects.IsObjectInCurrentAction(object)) return;
    auto a = std::make_unique<CAction>(CObjectsBuffer::GetActionIdCounter(), CAction::SetObjectPosition, object);
    a->m_position = object->m_position;
    if (auto* text = dynamic_cast<TextUndoTarget*>(object)) a->m_nTextSize = text->GetTextSize();
    m_objects.Record(std::move(a));
}

void CKavitroDoc::ChangeZOrder(CDrawObj* object, std::uint32_t mode) {
    auto& list = m_objects.m_objects;
    auto it = std::find(list.begin(), list.end(), object);
    if (it == list.end()) throw InvalidArgumentException("object is not in the document");
    CDrawObj* before = it == list.begin() ? nullptr : *std::prev(it);
    CDrawObj* after = std::next(it) == list.end() ? nullptr : *std::next(it);
    list.erase(it);
    switch (mode) {
        case 0:  // one step back
            list.insert(before ? std::find(list.begin(), list.end(), before) : list.begin(), object);
            break;
        case 1:  // one step forward
            list.insert(after ? std::next(std::find(list.begin(), list.end(), after)) : list.end(), object);
            break;
        case 2: list.push_front(object); break;
        default: list.push_back(object); break;
    }
    if (!m_objects.m_bRecordingOff) {
        auto a = std::make_unique<CAction>(CObjectsBuffer::GetActionIdCounter(), CAction::ChangeZOrder, object);
        a->m_pBelow = before;
        a->m_nZOrderCommand = mode;
        m_objects.Record(std::move(a));
        ++CObjectsBuffer::GetActionIdCounter();
    }
    SetModifiedFlag();
}

void CKavitroDoc::RecordDodavoChange(CDrawObj* pictureObject, std::unique_ptr<PictureState> previous) {
    if (m_objects.m_bRecordingOff) return;
    auto a = std::make_unique<CAction>(CObjectsBuffer::GetActionIdCounter(), CAction::ChangeDodavo, pictureObject);
    a->m_pictures = std::move(previous);
    m_objects.Record(std::move(a));
    ++CObjectsBuffer::GetActionIdCounter();
}

void CKavitroDoc::RecordStyleChange(CDrawObj* object) {
    if (m_objects.m_bRecordingOff) return;
    auto a = std::make_unique<CAction>(CObjectsBuffer::GetActionIdCounter(), CAction::ChangeStyle, object);
    a->m_nPage = object->m_nPage;
    a->m_bPen = object->m_bPen;
    a->m_logpen = object->m_logpen;
    a->m_bBrush = object->m_bBrush;
    a->m_logbrush = object->m_logbrush;
    m_objects.Record(std::move(a));
}

bool CKavitroDoc::DeleteObject(CDrawObj* object) {
    if (!m_objects.Unlink(object, nullptr)) {
        auto it = std::find(m_guideLines.begin(), m_guideLines.end(), object);
        if (it == m_guideLines.end()) return false;
        m_guideLines.erase(it);
    }
    RemoveFromSelections(object);
    m_objects.DropActionsNaming(object);
    delete object;
    SetModifiedFlag();
    return true;
}

std::vector<CDrawObj*> CKavitroDoc::ObjectsOnPage(std::uint32_t page) const {
    std::vector<CDrawObj*> result;
    for (CDrawObj* o : m_objects.m_objects)
        if (page == kAllPages || IsOnEveryPage(o->m_nPage) || o->m_nPage == page) result.push_back(o);
    return result;
}

CDrawObj* CKavitroDoc::ObjectAt(Point point, std::uint32_t page, DocumentViewObserver*) {
    // From the top down, without a copy of the page's list: a click on a
    // page of thousands of objects usually meets one near the top.
    const CObjectsBuffer::ObjectList& objects = m_objects.m_objects;
    for (auto it = objects.rbegin(); it != objects.rend(); ++it) {
        CDrawObj* o = *it;
        const bool shown = page == kAllPages || IsOnEveryPage(o->m_nPage) || o->m_nPage == page;
        if (shown && o->IntersectsPoint(point)) return o;
    }
    return nullptr;
}

CDrawObj* CKavitroDoc::ObjectAtAfter(Point point, CDrawObj* after, std::uint32_t page, DocumentViewObserver*) {
    const std::vector<CDrawObj*> c = ObjectsOnPage(page);
    const std::ptrdiff_t n = static_cast<std::ptrdiff_t>(c.size());
    std::ptrdiff_t start = n;  // none: from the top
    if (after) {
        auto it = std::find(c.begin(), c.end(), after);
        if (it == c.end()) throw InvalidArgumentException("object is not among the candidates");
        start = it - c.begin();
    }
    // Below `after` down to the bottom, then from the top down to it.
    for (std::ptrdiff_t k = 1; k <= n; ++k) {
        const std::ptrdiff_t i = ((start - k) % n + n) % n;
        if (c[static_cast<std::size_t>(i)]->IntersectsPoint(point)) return c[static_cast<std::size_t>(i)];
    }
    return nullptr;
}

// --- Page size ---------------------------------------------------------------------------

void CKavitroDoc::UpdatePageSize(bool matchPaper) {
    if (matchPaper) MatchPrinterPaper();
    Size size{kLetterWidth, kLetterHeight};
    Rect margins(kDefaultMargin, kDefaultMargin, kDefaultMargin, kDefaultMargin);
    // Without a printer the paper the system uses (A4 in most of the world),
    // with the same margins as the fallback.
    const std::optional<Size> systemPaper = m_services.printer ? m_services.printer->GetSystemPaper() : std::nullopt;
    if (systemPaper && systemPaper->cx > 0 && systemPaper->cy > 0) size = *systemPaper;
    const std::optional<PrinterPageMetrics> p = m_services.printer ? m_services.printer->GetDefaultPrinter() : std::nullopt;
    if (p) {
        const std::int32_t k = m_nMapMode == 3 ? 2540 : m_nMapMode == 5 ? 1000 : 0;
        const Size fromPrinter{MulDiv(p->physicalWidth, k, p->logPixelsX), MulDiv(p->physicalHeight, k, p->logPixelsY)};
        // A printer that reports nonsense (no resolution) leaves the fallback.
        if (fromPrinter.cx > 0 && fromPrinter.cy > 0) {
            size = fromPrinter;
            margins = Rect(MulDiv(p->physicalOffsetX, k, p->logPixelsX), MulDiv(p->physicalOffsetY, k, p->logPixelsY),
                           MulDiv(p->physicalWidth - p->physicalOffsetX - p->horzRes, k, p->logPixelsX),
                           MulDiv(p->physicalHeight - p->vertRes - p->physicalOffsetY, k, p->logPixelsY));
        }
    }
    SetPageSize(size, margins);
}

void CKavitroDoc::SetPageSize(Size size, const Rect& margins) {
    if (size.cx == m_nPageWidth && size.cy == m_nPageHeight && margins == m_margins) return;
    m_nPageWidth = size.cx;
    m_nPageHeight = size.cy;
    m_margins = margins;
    for (DocumentViewObserver* v : GetViews()) v->UpdateScrollSizes();
}

void CKavitroDoc::MatchPrinterPaper() {
    if (!m_services.printer || !m_services.printer->GetDefaultPrinter()) return;
    for (const PrinterPaper& paper : m_services.printer->GetPapers()) {
        const std::int64_t pw = std::int64_t{paper.size.cx} * 10, ph = std::int64_t{paper.size.cy} * 10;
        if (std::llabs(ph - m_nPageHeight) < 10 && std::llabs(pw - m_nPageWidth) < 10) {
            m_services.printer->SelectPaper(PaperSelection{1, static_cast<std::int16_t>(paper.id), 0, 0});
            return;
        }
        if (std::llabs(pw - m_nPageHeight) < 10 && std::llabs(ph - m_nPageWidth) < 10) {
            m_services.printer->SelectPaper(PaperSelection{2, static_cast<std::int16_t>(paper.id), 0, 0});
            return;
        }
    }
    m_services.printer->SelectPaper(PaperSelection{1, 0, static_cast<std::int16_t>(m_nPageHeight / 10),
                                                   static_cast<std::int16_t>(m_nPageWidth / 10)});
    if (m_services.errors) m_services.errors->ReportError(kNoMatchingPaperMessage);
}

// --- Guide lines ---------------------------------------------------------------------------

CDrawGuideLine* CKavitroDoc::AddGuideline(DocumentViewObserver* view, std::uint32_t orientation, std::int32_t position) {
    const std::int32_t t = MulDiv(100, m_nZoom, 100);
    CPolygonRect pr;
    if (orientation != 0)
        pr.m_rect = Rect(position, 0, position - t, -Zoomed(m_nPageHeight));
    else
        pr.m_rect = Rect(-Zoomed(m_nPageWidth), position, 0, position - t);
    pr.SetAngle(0);
    const std::uint32_t page = view ? view->GetCurrentPage() : 0;
    auto* guide = new CDrawGuideLine(pr, page, this, orientation);
    m_guideLines.push_back(guide);
    SetModifiedFlag();
    return guide;
}

}  // namespace kavitro
