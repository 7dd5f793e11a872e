#include <algorithm>

#include "document/DrawObj.h"
#include "document/DrawText.h"
#include "document/KavitroDoc.h"
#include "document/RendererSupport.h"
#include "platform/EmfRecorder.h"
#include "platform/PathRecorderDC.h"
#include "platform/Vector.h"
#include "platform/WmfRecorder.h"

namespace kavitro {

bool g_bRecordingWmf = false;

using namespace renderer;

void CKavitroDoc::DrawObjectList(CDC& dc, DocumentViewObserver* view, const std::vector<CDrawObj*>& objects,
                                 const Rect& clip) {
    for (CDrawObj* o : objects) {
        if (view && view->IsDrawingSelectedOnly() && !view->IsSelected(*o)) continue;
        if (!o->Intersects(clip)) continue;
        o->Draw(dc);
    }
}

Rect CKavitroDoc::GetBoundingRect(const std::vector<CDrawObj*>& objects) const {
    Rect bounds;
    auto add = [&bounds](const Rect& r) {
        Rect u;
        u.UnionRect(bounds, r);
        bounds = u;
    };
    // What is drawn may reach past the frames (tall letters, the kaf's
    // stroke, marks): the objects are drawn into a recorder and its bounds
    // join the frames, so that an export never cuts the ink. The recorder
    // holds one object's outlines at a time (a page of text would otherwise
    // keep every glyph outline of the page); the box of all of them is the
    // box of the objects' boxes.
    // The recorder maps like a page (y up).
    CPathRecorderDC ink;
    bool inked = false;
    Rect drawn;
    if (!ink.SetMapMode(m_nMapMode)) ink.SetMapMode(MM_HIMETRIC);
    ink.SetGlyphOutlineSource(&CGlyphFontOutlines::Instance());
    ink.SetBkMode(TRANSPARENT);
    ink.SetTextAlign(TA_BASELINE | TA_RIGHT);
    for (CDrawObj* o : objects) {
        Rect r;
        o->GetZoomedRect(r);
        r.NormalizeRect();
        add(r);
        // A text without pen and brush draws its layout rectangle with the
        // null pen: invisible, yet the recorder would count it, and that
        // rectangle stands an ascent lower than the writing.
        auto* text = dynamic_cast<CDrawText*>(o);
        if (text && !text->m_bPen && !text->m_bBrush)
            text->DrawGlyphs(ink, true);
        else
            o->Draw(ink);
        if (ink.GetOutline().IsEmpty()) continue;
        const Rect own = ink.GetBounds();
        ink.Clear();
        drawn = inked ? Rect(std::min(drawn.left, own.left), std::min(drawn.top, own.top),
                             std::max(drawn.right, own.right), std::max(drawn.bottom, own.bottom))
                      : own;
        inked = true;
    }
    if (!drawn.IsRectEmpty()) add(drawn);
    return bounds;
}

void CKavitroDoc::ExportObjectsToEPS(CVector& writer, const std::vector<CDrawObj*>& objects, bool measure) {
    ZoomScope zoom(*this, 10);
    for (CDrawObj* o : objects) o->ExportEPS(writer, measure);
}

bool CKavitroDoc::RenderToMetafile(MetafileResult& out, const std::vector<CDrawObj*>& objects) {
    ZoomScope zoom(*this, 100);
    const Rect r = GetBoundingRect(objects);
    std::int64_t w, h;
    if (!PictureExtent(r, w, h)) return false;
    // The smallest shift, at least one, that brings the extent into 16 bits.
    int n = 1;
    while ((w >> n) > 32767 || (h >> n) > 32767) ++n;
    const Size viewport{static_cast<std::int32_t>(w >> n), static_cast<std::int32_t>(h >> n)};
    CWmfRecorder dc;
    SetUpPage(dc, r, w, h, viewport, Point{0, 0});
    {
        WmfRecordingScope recording;
        DrawObjectList(dc, GetFirstView(), objects, r);
    }
    out.bytes = dc.Close();
    out.extent = Rect(0, 0, viewport.cx, viewport.cy);
    return true;
}

bool CKavitroDoc::RenderToEnhMetafile(std::vector<std::uint8_t>& out, const std::vector<CDrawObj*>& objects) {
    ZoomScope zoom(*this, 100);
    const Rect r = GetBoundingRect(objects);
    std::int64_t w, h;
    if (!PictureExtent(r, w, h)) return false;
    CEmfRecorder dc;
    dc.SetFrame(Rect(0, 0, static_cast<std::int32_t>(w), static_cast<std::int32_t>(h)));
    dc.SetDescription(u"Kavitro Export");
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextAlign(TA_BASELINE | TA_RIGHT);
    dc.SetMapMode(m_nMapMode);
    // As with the system's context, the extents only act in the scalable modes.
    dc.SetWindowExt(Size{static_cast<std::int32_t>(w), static_cast<std::int32_t>(-h)});
    dc.SetViewportExt(Size{static_cast<std::int32_t>(w), static_cast<std::int32_t>(h)});
    dc.SetWindowOrg(Point{r.left, r.bottom});
    DrawObjectList(dc, GetFirstView(), objects, r);
    out = dc.Close();
    return true;
}

}  // namespace kavitro
