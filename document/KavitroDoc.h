#pragma once

// The version-2 document: pages of one size with margins, the zoom, the
// guide lines and the drawing objects with their undo and redo lists.

#include <cstdint>
#include <list>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "document/DocumentBase.h"
#include "document/DocumentServices.h"
#include "document/ObjectsBuffer.h"
#include "document/PolygonRect.h"

class QImage;

namespace kavitro {

class CDC;
class CDrawGuideLine;
class CDrawText;
class CVector;

// Set only while a Windows metafile is recorded: text then draws each glyph
// as its single byte.
extern bool g_bRecordingWmf;

// A Windows metafile of a page and the viewport extent it was recorded with.
struct MetafileResult {
    std::vector<std::uint8_t> bytes;
    Rect extent;  // (0, 0, cx, cy)
};

class CKavitroDoc : public CDocument {
public:
    static constexpr std::int32_t kMinZoom = 10;
    static constexpr std::int32_t kMaxZoom = 5000;
    static constexpr const char16_t* kMagic = u"Kavitro.2.DocumentV";
    static constexpr const char16_t* kOldMagic = u"Kavitro.2.Document";
    static constexpr std::uint32_t kSchema = 1;
    // US Letter with 5 mm margins, in 0.01 mm: the size without a printer.
    static constexpr std::int32_t kLetterWidth = 21590;
    static constexpr std::int32_t kLetterHeight = 27940;
    static constexpr std::int32_t kDefaultMargin = 500;
    // The string the failed paper match shows.
    static constexpr std::uint32_t kNoMatchingPaperMessage = 11041;

    using ObjectList = CObjectsBuffer::ObjectList;

    explicit CKavitroDoc(const DocumentServices& services = DocumentServices::Current());
    ~CKavitroDoc() override;
    CKavitroDoc(const CKavitroDoc&) = delete;
    CKavitroDoc& operator=(const CKavitroDoc&) = delete;

    const DocumentServices& GetServices() const { return m_services; }

    // --- Framework steps ------------------------------------------------------
    bool OnNewDocument() override;
    void Serialize(CArchive& ar) override;
    bool LoadFromBytes(std::span<const std::uint8_t> bytes, const std::string& fileName, std::string* error,
                       DocumentDamage* damage = nullptr) override;
    std::vector<std::uint8_t> StoreToBytes() override;

    // --- Zoom and geometry -----------------------------------------------------
    std::int32_t GetZoom() const { return m_nZoom; }
    // Clamps to 10..5000 and tells the main frame.
    void SetZoom(std::int32_t zoom);
    static std::int32_t ClampZoom(std::int64_t zoom);
    void ZoomPolygonRect(CPolygonRect& pr) const;
    Rect ZoomedToLogicalRect(const Rect& zoomed) const;
    std::int32_t Zoomed(std::int32_t v) const;
    std::int32_t Logical(std::int32_t v) const;

    // --- Objects and undo (the recording operations) ---------------------------
    // Purges empty objects, puts the object on top, records its add. The
    // document owns it.
    void Add(CDrawObj* object, bool bumpGroup);
    // Takes the object out. With discardLastAction, when the newest undo
    // action is this object's own add, that add is cancelled and the object
    // deleted; otherwise the removal is recorded (the action owns it).
    void Remove(CDrawObj* object, bool discardLastAction);
    void AddPage(TargetId notify);
    void RecordModify(CDrawObj* textObject);
    // The same record from a snapshot and position taken before an edit that
    // might have changed nothing, once the edit proved to change the text.
    void RecordModify(CDrawObj* textObject, TextSnapshot before, const CPolygonRect& position);
    void RecordObjectState(CDrawObj* object);
    // Moves an object in the z-order (0 one step back, 1 one step forward, 2
    // to the back, 3 to the front) and records it as a step of its own.
    // InvalidArgumentException when the object is not in the document.
    void ChangeZOrder(CDrawObj* object, std::uint32_t mode);
    // Records the pictures a picture object held before a Dodavo change.
    void RecordDodavoChange(CDrawObj* pictureObject, std::unique_ptr<PictureState> previous);
    // Records the object's page field, pen and brush before a change of them,
    // in the current action group (the caller ends the step).
    void RecordStyleChange(CDrawObj* object);
    // Deletes an object or a guide line for good, with every undo and redo
    // action naming it, out of every view's selection. False when the
    // document does not hold it.
    bool DeleteObject(CDrawObj* object);
    bool UndoRedo(bool undo, DocumentViewObserver* view) { return m_objects.UndoRedo(undo, view); }

    // The topmost object on the page whose IntersectsPoint takes the point.
    CDrawObj* ObjectAt(Point point, std::uint32_t page, DocumentViewObserver* view);
    // The next hit below `after`, wrapping round; `after` itself comes last.
    CDrawObj* ObjectAtAfter(Point point, CDrawObj* after, std::uint32_t page, DocumentViewObserver* view);
    // The objects shown on a page (every object for kAllPages), bottom first.
    std::vector<CDrawObj*> ObjectsOnPage(std::uint32_t page) const;

    // --- Text blocks -------------------------------------------------------------
    // Pours UTF-16 units into text objects: `text` takes the first line; a
    // carriage return, line feed or tab opens a new text object (a line step
    // lower after a carriage return, a tab step further left per tab), and a
    // zero unit ends the block. Units go through the keyboard translation.
    // The view's selection becomes the objects filled; with purge, empty
    // objects are purged afterwards. The whole insertion is one undo step.
    void InsertText(DocumentViewObserver* view, CDrawText* text, const char16_t* units, std::size_t count, bool purge);
    // Gives target the size and colour of source and turns it to source's
    // angle about its own baseline point.
    static void MatchTextScale(CDrawText& target, const CDrawText& source);

    // --- Page size -------------------------------------------------------------
    // Page size and margins from the default printer; without one the
    // system's paper (else US Letter) with 5 mm margins. matchPaper first
    // matches the printer's paper.
    void UpdatePageSize(bool matchPaper);
    void MatchPrinterPaper();
    Size GetPageSize() const { return {m_nPageWidth, m_nPageHeight}; }
    // Sets page size and margins (the page properties); views are told.
    void SetPageSize(Size size, const Rect& margins);
    std::uint32_t GetPageCount() const { return m_objects.m_nPages; }

    // --- Guide lines -------------------------------------------------------------
    // Adds a guide across the view's current page at a zoomed position
    // (vertical: an x; horizontal: a y). Not undoable.
    CDrawGuideLine* AddGuideline(DocumentViewObserver* view, std::uint32_t orientation, std::int32_t position);

    // --- Drawing and renderers ---------------------------------------------------
    // Draws the listed objects (bottom first) that meet the clip rectangle;
    // a view drawing only its selection skips the others.
    virtual void DrawObjectList(CDC& dc, DocumentViewObserver* view, const std::vector<CDrawObj*>& objects,
                                const Rect& clip);
    // The union of the objects' normalised zoomed rectangles and of what they
    // draw (ink may reach past a frame) at the zoom in force.
    Rect GetBoundingRect(const std::vector<CDrawObj*>& objects) const;
    // The objects' outlines into the EPS writer, at zoom 10.
    void ExportObjectsToEPS(CVector& writer, const std::vector<CDrawObj*>& objects, bool measure);
    // Every renderer draws at zoom 100 and restores the zoom on every way
    // out; none needs a view (the first view, when there is one, only
    // decides whether just the selection is drawn). False, with nothing
    // produced, for an empty list or a picture too large to make.
    bool RenderToMetafile(MetafileResult& out, const std::vector<CDrawObj*>& objects);
    bool RenderToEnhMetafile(std::vector<std::uint8_t>& out, const std::vector<CDrawObj*>& objects);
    // The objects fitted into size (a twentieth more with margin), on the
    // paper colour or the given background. An empty list gives a blank
    // picture of the size.
    bool RenderToBitmap(QImage& out, Size size, const std::vector<CDrawObj*>& objects, bool margin,
                        const COLORREF* background = nullptr);
    // A 32-bit ARGB picture of the objects fitted into size; null when it
    // cannot be made. Transparent: what nothing covers stays transparent.
    QImage RenderToGdiplusBitmap(Size size, const std::vector<CDrawObj*>& objects, bool transparent);
    // The paper colour of the settings.
    COLORREF GetPaperColor() const;
    // The largest picture a raster renderer makes, in pixels.
    static constexpr std::int64_t kMaxBitmapPixels = std::int64_t{1} << 26;
    static constexpr std::int32_t kMaxBitmapSide = 32767;

    // --- Drawing mode ------------------------------------------------------------
    std::uint16_t GetDrawingMode() const { return m_nDrawingMode; }
    void SetDrawingMode(std::uint16_t mode) { m_nDrawingMode = mode <= 2 ? mode : 0; }

    // Posts to the main frame.
    void PostToMainFrame(NotifyMessage message, WParam w = 0, LParam l = 0) const;

    std::uint16_t m_nDrawingMode = 0;
    std::list<CDrawObj*> m_guideLines;  // owned
    CObjectsBuffer m_objects;
    std::int32_t m_nPageWidth = 0;
    std::int32_t m_nPageHeight = 0;
    Rect m_margins;  // left, top, right, bottom
    std::int32_t m_nMapMode = 3;
    std::int32_t m_nZoom = 100;

protected:
    ErrorReport* GetErrorReport() const override { return m_services.errors; }
    const StringTable* GetStringTable() const override { return m_services.strings; }
    // Takes over the loaded content of another document.
    void TakeContentsOf(CKavitroDoc& loaded);

private:
    void StoreContents(CArchive& ar);
    void LoadContents(CArchive& ar);
    void DeleteGuideLines();
    void RemoveFromSelections(const CDrawObj* object);

    DocumentServices m_services;
};

}  // namespace kavitro
