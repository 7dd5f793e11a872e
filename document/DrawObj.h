#pragma once

// The base of every drawing object on a page: its place (a rotatable
// rectangle at 100 % zoom), its page, its document, a pen and a brush, and
// the operations by which the view, the tools, the export and the undo
// replay handle any object.

#include <cstdint>
#include <utility>
#include <vector>

#include "document/PolygonRect.h"
#include "platform/Archive.h"
#include "platform/DcTypes.h"

namespace kavitro {

class CDC;
class CKavitroDoc;
class CVector;
class DocumentViewObserver;

// Page field: the low 28 bits are the page index; 0x10000000 or more puts
// the object on every page (written as 0xF0000000 | page).
inline constexpr std::uint32_t kPageIndexMask = 0x0FFFFFFF;
inline constexpr std::uint32_t kEveryPageThreshold = 0x10000000;
inline constexpr std::uint32_t kEveryPageFlags = 0xF0000000;
inline constexpr std::uint32_t kAllPages = 0xFFFFFFFF;  // a view showing every page
inline bool IsOnEveryPage(std::uint32_t pageField) { return pageField >= kEveryPageThreshold; }

// The pen and brush as drawing selects them: the stored values are kept
// as they are, but a style the drawing code does not know is drawn solid.
LogPen DrawablePen(const LogPen& pen);
LogBrush DrawableBrush(const LogBrush& brush);

// The system cursors of the handles.
enum class HandleCursor : std::uint8_t { SizeNWSE, SizeNS, SizeNESW, SizeWE, SizeAll };

class CDrawObj : public CObject {
    KAVITRO_DECLARE_SERIAL(CDrawObj)

public:
    // The stored record: position 36, page 4, pen flag 2, pen 16, brush flag
    // 2, brush 12 bytes.
    static constexpr std::size_t kStoredSize = 72;

    // For loading: an empty position and every field zero.
    CDrawObj();
    // Placed at a zoomed position (brought to 100 % with the document's
    // zoom), with the default pen and brush.
    CDrawObj(const CPolygonRect& zoomedPosition, std::uint32_t page, CKavitroDoc* document);
    ~CDrawObj() override = default;

    void Serialize(CArchive& ar) override;

    // --- Non-virtual -------------------------------------------------------
    CPolygonRect BuildZoomedPosition() const;
    // Snaps the object back to its natural size (100 %) by moving the edges
    // at a corner handle (1, 3, 5 or 7).
    void RestoreSizeAtHandle(Size natural, DocumentViewObserver* view, int handle);
    std::int32_t GetZoom() const;

    // --- Virtual -----------------------------------------------------------
    virtual void SetPosition(const CPolygonRect& zoomedPosition, bool record);
    virtual bool IsEmpty() const;
    virtual Point GetHandle(int handle) const;
    virtual int GetHandleCount() const;
    virtual HandleCursor GetHandleCursor(int handle) const;
    virtual int HitTest(Point point, DocumentViewObserver* view, bool selected);
    virtual void Draw(CDC& dc);
    // Outlines for the EPS writer (measure pass or write pass); none in the base.
    virtual void ExportEPS(CVector& writer, bool measure);
    virtual void GetCharacterCodes(std::vector<std::uint16_t>& codes) const;
    // The selection frame, in tracker states 1 and 2.
    virtual void DrawTracker(CDC& dc, DocumentViewObserver* view, int state);
    virtual void MoveTo(const CPolygonRect& zoomedPosition, DocumentViewObserver* view, bool invalidate);
    virtual bool IntersectsPoint(Point point);
    virtual bool Intersects(const Rect& zoomedRect);
    virtual void MoveHandleTo(int handle, Point point, DocumentViewObserver* view);
    virtual void OnOpen(DocumentViewObserver* view);
    virtual void OnEditProperties(DocumentViewObserver* view);
    // A copy at the same place; with a document it is added there (one undo
    // step of its own) and the document owns it, otherwise the caller does.
    // May give none (guide lines).
    virtual CDrawObj* Clone(CKavitroDoc* document);
    // Deletes the object.
    virtual void Remove();
    virtual void ApplyChange();
    virtual void ScaleAbout(Point pivot, double factor, DocumentViewObserver* view);
    virtual void CacheZoomedRect();
    virtual void ClearZoomedRect();
    virtual bool EnsureContent();
    virtual void GetZoomedPosition(CPolygonRect& out) const;
    virtual void GetZoomedRect(Rect& out) const;

    CPolygonRect m_position;
    std::uint32_t m_nPage = 0;
    Rect m_zoomedRectCache;
    CKavitroDoc* m_pDocument = nullptr;
    std::uint32_t m_bPen = 0;
    LogPen m_logpen;
    std::uint32_t m_bBrush = 0;
    LogBrush m_logbrush;

protected:
    // Copies pen and brush into a clone.
    void CopyStyleTo(CDrawObj& clone) const;
    // The pen scaled by the zoom, as drawing selects it.
    LogPen ZoomedPen() const;
    // Selects the object's pen (scaled) and brush, or the null ones when
    // switched off; returns what was selected before.
    std::pair<PenSelection, BrushSelection> SelectStyle(CDC& dc, bool withBrush) const;
    // Rectangle edges moved by the same amounts as the edges of the zoomed
    // bounds (the handle drags and scaling of rotated objects).
    CPolygonRect MovedEdges(const Rect& oldBounds, const Rect& newBounds) const;
};

}  // namespace kavitro
