#include "view/tools/ObjectTools.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>

#include "document/DrawPicture.h"
#include "document/DrawText.h"
#include "document/KavitroDoc.h"
#include "document/SimpleObjects.h"
#include "engine/CalligraphyFont.h"
#include "view/KavitroView.h"

namespace kavitro {

namespace {

CDrawTool& SelectTool() { return *CDrawTool::FindTool(0); }

// An upright position with an empty rectangle at a zoomed point.
CPolygonRect EmptyAt(Point p) {
    CPolygonRect at;
    at.m_rect = Rect(p.x, p.y, p.x, p.y);
    at.SetAngle(0);
    return at;
}

bool NewestActionIsAddOf(const CKavitroDoc& doc, const CDrawObj* object) {
    const auto& undo = doc.m_objects.m_undo;
    return !undo.empty() && undo.back()->m_nKind == CObjectsBuffer::CAction::AddObject &&
           undo.back()->m_pObject == object;
}

// A click made nothing: the object goes. Only when its own add is the newest
// undo action is it discarded without a trace (and the modified state given
// back); otherwise its removal is a step of its own, so no other step's
// record is ever dropped.
void DiscardClickMade(CKavitroDoc& doc, CDrawObj* object, bool savedModified) {
    if (!object || !doc.m_objects.Contains(object))
        return;
    const bool ownAdd = NewestActionIsAddOf(doc, object);
    doc.Remove(object, true);
    if (ownAdd)
        doc.SetModifiedFlag(savedModified);
}

void StartSizing(CKavitroView& view, Point p) {
    view.GetSelection().Invalidate(view, false);
    CDrawTool::SelectMode() = CDrawTool::kSelectSize;
    CDrawTool::DragHandle() = 1;
    CDrawTool::MovePoint() = p;
}

}  // namespace

// --- Lines and rectangles ----------------------------------------------------------------------

void CRectTool::OnLButtonDown(CKavitroView& view, std::uint32_t flags, Point point) {
    CKavitroDoc& doc = view.GetDocument();
    m_bSavedModified = doc.IsModified() ? 1 : 0;
    CDrawTool::OnLButtonDown(view, flags, point);
    const Point p = view.ClientToDoc(point);
    const CPolygonRect at = EmptyAt(p);
    std::unique_ptr<CDrawObj> object;
    if (GetShape() == 2) {
        object = std::make_unique<CDrawLine>(at, view.GetCurrentPage(), &doc);
    } else {
        auto rect = std::make_unique<CDrawRect>(at, view.GetCurrentPage(), &doc);
        rect->m_nShape = static_cast<std::uint32_t>(GetShape() - 3);
        object = std::move(rect);
    }
    m_pCreated = object.get();
    doc.Add(object.release(), false);
    view.Select(m_pCreated, false, false);
    StartSizing(view, p);
}

void CRectTool::OnMouseMove(CKavitroView& view, std::uint32_t flags, Point point, bool setCursor) {
    LastPoint() = point;
    if (setCursor)
        ShowCursor(view, GetCursor());
    SelectTool().OnMouseMove(view, flags, point, false);
}

void CRectTool::OnLButtonUp(CKavitroView& view, std::uint32_t flags, Point point) {
    CDrawObj* created = std::exchange(m_pCreated, nullptr);
    if (IsClick(point)) {
        DiscardClickMade(view.GetDocument(), created, m_bSavedModified != 0);
        // The click selects what lies under it.
        SelectTool().OnLButtonDown(view, flags, point);
    }
    SelectTool().OnLButtonUp(view, flags, point);
}

// --- Picture -------------------------------------------------------------------------------------

void CObjectPictureTool::OnLButtonDown(CKavitroView& view, std::uint32_t flags, Point point) {
    CKavitroDoc& doc = view.GetDocument();
    m_bSavedModified = doc.IsModified() ? 1 : 0;
    CDrawTool::OnLButtonDown(view, flags, point);
    const Point p = view.ClientToDoc(point);
    // The picture the insert command added and selected last.
    const std::vector<CDrawObj*>& selected = view.GetSelection().GetObjects();
    m_pPicture = selected.empty() ? nullptr : dynamic_cast<CDrawPicture*>(selected.back());
    if (m_pPicture && !doc.m_objects.Contains(m_pPicture))
        m_pPicture = nullptr;
    if (!m_pPicture) {
        // Nothing to place: the drag does nothing.
        SelectMode() = kSelectNone;
        DragHandle() = 0;
        MovePoint() = p;
        return;
    }
    m_pPicture->SetPosition(EmptyAt(p), false);
    StartSizing(view, p);
}

void CObjectPictureTool::OnMouseMove(CKavitroView& view, std::uint32_t flags, Point point, bool setCursor) {
    if (setCursor)
        view.GetHost().SetCursor(ViewCursor::Cross);
    SelectTool().OnMouseMove(view, flags, point, false);
}

void CObjectPictureTool::OnLButtonUp(CKavitroView& view, std::uint32_t flags, Point point) {
    CDrawPicture* picture = std::exchange(m_pPicture, nullptr);
    if (IsClick(point)) {
        DiscardClickMade(view.GetDocument(), picture, m_bSavedModified != 0);
        SelectTool().OnLButtonDown(view, flags, point);
    }
    view.GetHost().SetCapture(true);
    SelectTool().OnLButtonUp(view, flags, point);
    CurrentShape() = 0;
}

// --- Text ----------------------------------------------------------------------------------------

CObjectTextTool::RibbonQuery& CObjectTextTool::Query() {
    static RibbonQuery query;
    return query;
}

void CObjectTextTool::SetRibbonQuery(RibbonQuery query) { Query() = std::move(query); }

void CObjectTextTool::OnLButtonDown(CKavitroView& view, std::uint32_t flags, Point point) {
    m_bSavedModified = view.GetDocument().IsModified() ? 1 : 0;
    CDrawTool::OnLButtonDown(view, flags, point);
    // The drag before the release must not act on what the last press of
    // another tool left: it would move or resize the old selection.
    SelectMode() = kSelectNone;
    TextComponentMode() = kComponentsNone;
    DragHandle() = 0;
}

void CObjectTextTool::OnMouseMove(CKavitroView& view, std::uint32_t flags, Point point, bool setCursor) {
    if (setCursor)
        ShowCursor(view, GetCursor());
    SelectTool().OnMouseMove(view, flags, point, false);
}

void CObjectTextTool::OnLButtonUp(CKavitroView& view, std::uint32_t flags, Point point) {
    CKavitroDoc& doc = view.GetDocument();
    CDrawTool::OnLButtonUp(view, flags, point);
    const Point p = view.ClientToDoc(point);
    const CApplicationProperties* settings = doc.GetServices().settings;
    RibbonTextSettings ribbon;
    if (Query())
        ribbon = Query()();
    else
        ribbon.size = settings ? (*settings)[CApplicationProperties::DefaultTextSize] : 25;
    // Points to text units; a size the ribbon cannot mean gives the least.
    const double units = ribbon.size * 20.0;
    const std::int32_t size =
        CDrawText::ClampSize(std::isfinite(units) ? static_cast<std::int64_t>(std::clamp(units, 0.0, 1e9)) : 0);

    const CCalligraphyFont& fonts = CCalligraphyFont::GetInstance();
    const std::int32_t ascent = MulDiv(fonts.GetAscent(), size, 2160);
    const std::int32_t top = Clamp32(std::int64_t{p.y} - MulDiv(ascent, doc.GetZoom(), 100));
    auto owned = std::make_unique<CDrawText>(EmptyAt(Point{p.x, top}), view.GetCurrentPage(), &doc);
    CDrawText* text = owned.get();
    doc.Add(owned.release(), false);
    text->SetTextSize(size);
    view.GetHost().Post(PostTarget::MainFrame, NotifyMessage::SelectionChanged);
    text->ApplyChange(&view, ribbon.angle, false, false);
    doc.RecordModify(text);
    text->m_color = settings ? static_cast<COLORREF>((*settings)[CApplicationProperties::DefaultTextColor]) : 0;
    view.Select(text, false, false);
    view.GetSelection().Invalidate(view, false);

    // The natural size of the paragraph; a paragraph without a letter is as
    // wide as nothing and one line high.
    Rect b = text->m_paragraph.GetBoundingRect();
    if (b.left > b.right)
        b = Rect();
    const std::int64_t width = std::int64_t{MulDiv(b.right, size, 2160)} - MulDiv(b.left, size, 2160);
    const std::int64_t height = std::int64_t{MulDiv(fonts.GetLineHeight(), size, 2160)} - MulDiv(b.bottom, size, 750) -
                                MulDiv(b.top, size, 750);
    text->RestoreSizeAtHandle(Size{Clamp32(width), Clamp32(height)}, &view, 5);

    view.GetHost().SetCapture(true);
    SelectMode() = kSelectNone;
    TextComponentMode() = kComponentsNone;
    SelectTool().OnLButtonUp(view, flags, point);
}

}  // namespace kavitro
