#include "view/KavitroView.h"

#include <QtCore/QString>
#include <QtGui/QPainter>

#include <algorithm>
#include <cstdlib>
#include <exception>

#include "document/SimpleObjects.h"
#include "engine/CalligraphyFont.h"
#include "platform/DC.h"
#include "platform/qt/QtPainterDC.h"
#include "view/DrawTool.h"

namespace kavitro {

namespace {

// The system colours the "Use System Color" settings stand for.
constexpr COLORREF kAppWorkspaceColor = 0xABABAB;

Rect Union(const Rect& a, const Rect& b) {
    if (a.IsRectEmpty()) return b;
    if (b.IsRectEmpty()) return a;
    Rect u;
    u.UnionRect(a, b);
    return u;
}

Rect Ordered(Rect r) {
    r.NormalizeRect();
    return r;
}

const CApplicationProperties& DefaultSettings() {
    static const CApplicationProperties defaults;
    return defaults;
}

}  // namespace

CKavitroView::CKavitroView(CKavitroDoc& document, ViewHost& host) : m_document(document), m_host(host) {
    m_document.AddView(this);
}

CKavitroView::~CKavitroView() { m_document.RemoveView(this); }

const CApplicationProperties* CKavitroView::Settings() const {
    const CApplicationProperties* s = m_document.GetServices().settings;
    return s ? s : &DefaultSettings();
}

void CKavitroView::OnActivateView(bool active) {
    if (active == m_bActive) return;
    if (active)
        m_host.Post(PostTarget::ParentFrame, NotifyMessage::ShowPage, m_nCurrentPage, m_document.GetPageCount());
    if (!m_selection.IsEmpty()) OnUpdate(kHintSelection, nullptr);
    m_bActive = active;
}

// --- Coordinates ---------------------------------------------------------------------------

Point CKavitroView::ScreenWindowOrigin() const {
    const std::int32_t zoom = GetZoom();
    CDcMapping scale;
    if (!scale.SetMapMode(m_document.m_nMapMode)) scale.SetMapMode(MM_HIMETRIC);
    const Size client = m_host.GetClientSize();
    const Point a = scale.DPtoLP(Point{0, 0});
    const Point b = scale.DPtoLP(Point{client.cx, client.cy});
    const std::int64_t width = std::int64_t{b.x} - a.x;
    const std::int64_t height = std::int64_t{a.y} - b.y;

    const Size page = m_document.GetPageSize();
    std::int64_t x = MulDiv(Clamp32(std::int64_t{page.cx} + kScrollMargin), zoom, 100);
    const std::int64_t y = MulDiv(Clamp32(std::int64_t{page.cy} + kScrollMargin), zoom, 100);
    if (x < width) x -= (x - width) >> 1;
    if (y < height) return {Clamp32(-x), Clamp32((height - y) >> 1)};
    return {Clamp32(-x), MulDiv(kScrollMargin, zoom, 100)};
}

CDcMapping CKavitroView::PrepareMapping() const {
    CDcMapping m;
    if (!m.SetMapMode(m_document.m_nMapMode)) m.SetMapMode(MM_HIMETRIC);
    m.SetViewportOrg({-m_scroll.position.x, -m_scroll.position.y});
    m.SetWindowOrg(ScreenWindowOrigin());
    return m;
}

void CKavitroView::PrepareDC(CDC& dc) const {
    const CDcMapping m = PrepareMapping();
    dc.SetMapMode(m.GetMapMode());
    dc.SetViewportOrg(m.GetViewportOrg());
    dc.SetWindowOrg(m.GetWindowOrg());
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextAlign(TA_BASELINE | TA_RIGHT);
}

Point CKavitroView::ClientToDoc(Point device) const { return PrepareMapping().DPtoLP(device); }

Rect CKavitroView::ClientToDoc(const Rect& device) const {
    const CDcMapping m = PrepareMapping();
    return Rect(m.DPtoLP(device.TopLeft()), m.DPtoLP(device.BottomRight()));
}

Point CKavitroView::DocToClient(Point logical) const { return PrepareMapping().LPtoDP(logical); }

Rect CKavitroView::DocToClient(const Rect& logical) const {
    const CDcMapping m = PrepareMapping();
    return Ordered(Rect(m.LPtoDP(logical.TopLeft()), m.LPtoDP(logical.BottomRight())));
}

// --- Scrolling and zoom ----------------------------------------------------------------------

Size CKavitroView::TotalDeviceSize() const {
    const std::int32_t zoom = GetZoom();
    const Size page = m_document.GetPageSize();
    CDcMapping scale;
    if (!scale.SetMapMode(m_document.m_nMapMode)) scale.SetMapMode(MM_HIMETRIC);
    const Point total = scale.LPtoDP(Point{MulDiv(Clamp32(std::int64_t{page.cx} + 2 * kScrollMargin), zoom, 100),
                                           MulDiv(Clamp32(std::int64_t{page.cy} + 2 * kScrollMargin), zoom, 100)});
    return {std::abs(total.x), std::abs(total.y)};
}

void CKavitroView::ClampScroll() {
    m_scroll.position.x = std::clamp(m_scroll.position.x, 0, m_scroll.limit.cx);
    m_scroll.position.y = std::clamp(m_scroll.position.y, 0, m_scroll.limit.cy);
}

void CKavitroView::UpdateScrollSizes() {
    const Size total = TotalDeviceSize();
    const Size client = m_host.GetClientSize();
    m_scrollClient = client;
    m_scroll.limit = {std::max(0, total.cx - client.cx), std::max(0, total.cy - client.cy)};
    // The scroll view's default steps: a tenth of the total, a tenth of that.
    m_scroll.pageStep = {total.cx / 10, total.cy / 10};
    m_scroll.lineStep = {m_scroll.pageStep.cx / 10, m_scroll.pageStep.cy / 10};
    ClampScroll();
    m_host.SetScrollInfo(m_scroll);
    m_document.UpdateAllViews(nullptr, kHintNone, nullptr);
}

void CKavitroView::OnInitialUpdate() {
    UpdateScrollSizes();
    ScrollToPosition({m_scroll.limit.cx, 0});
    if (m_document.m_objects.m_objects.empty()) {
        m_startingTextPending = true;
        m_host.PostTextBlock(u" ", 1);
    }
}

bool CKavitroView::OnScroll(std::uint32_t code, Point trackPosition, bool doScroll) {
    auto axis = [](std::uint32_t c, std::int32_t position, std::int32_t line, std::int32_t page,
                   std::int32_t track) -> std::int64_t {
        switch (c) {
            case 0: return std::int64_t{position} - line;
            case 1: return std::int64_t{position} + line;
            case 2: return std::int64_t{position} - page;
            case 3: return std::int64_t{position} + page;
            case 5: return track;
            case 6: return 0;
            case 7: return 0x7FFFFFFF;
            default: return position;
        }
    };
    const Point p = m_scroll.position;
    const std::int64_t x = axis(code & 0xFF, p.x, m_scroll.lineStep.cx, m_scroll.pageStep.cx, trackPosition.x);
    const std::int64_t y = axis((code >> 8) & 0xFF, p.y, m_scroll.lineStep.cy, m_scroll.pageStep.cy, trackPosition.y);
    return OnScrollBy(Size{Clamp32(x - p.x), Clamp32(y - p.y)}, doScroll);
}

void CKavitroView::ApplyScroll(Point position) {
    const Point old = m_scroll.position;
    m_scroll.position = position;
    ClampScroll();
    if (m_scroll.position == old) return;
    // The window's pixels move with the scroll, inverted ones too.
    m_overlay.Offset(old.x - m_scroll.position.x, old.y - m_scroll.position.y);
    m_host.SetScrollInfo(m_scroll);
}

void CKavitroView::ScrollToPosition(Point position) {
    ApplyScroll(position);
    m_host.InvalidateAll();
}

void CKavitroView::ScrollToCentre(Point p) {
    const std::int32_t zoom = GetZoom();
    Point d{Clamp32(-std::int64_t{MulDiv(Clamp32(std::int64_t{p.x} - kScrollMargin), zoom, 100)}),
            MulDiv(Clamp32(std::int64_t{p.y} - kScrollMargin), zoom, 100)};
    CDcMapping scale;
    if (!scale.SetMapMode(m_document.m_nMapMode)) scale.SetMapMode(MM_HIMETRIC);
    if (scale.GetMapMode() != MM_TEXT) d = scale.LPtoDP(d);
    const Size client = m_host.GetClientSize();
    d.x -= client.cx / 2;
    d.y -= client.cy / 2;
    Point position = m_scroll.position;
    if (m_scroll.limit.cx > 0) position.x = m_scroll.limit.cx - std::clamp(d.x, 0, m_scroll.limit.cx);
    if (m_scroll.limit.cy > 0) position.y = std::clamp(d.y, 0, m_scroll.limit.cy);
    ApplyScroll(position);
    OnUpdate(kHintNone, nullptr);
}

bool CKavitroView::OnScrollBy(Size delta, bool doScroll) {
    const Point old = m_scroll.position;
    ApplyScroll({Clamp32(std::int64_t{old.x} + delta.cx), Clamp32(std::int64_t{old.y} + delta.cy)});
    if (m_scroll.position == old) return false;
    if (doScroll) m_host.InvalidateAll();
    m_host.Post(PostTarget::ParentFrame, NotifyMessage::UpdateRulers);
    return true;
}

void CKavitroView::OnSize(Size client) {
    // Without fit mode the right edge of the visible part stays put: the
    // horizontal position grows by what the page (the client width) lost.
    if (m_nFitMode == 1 || m_nFitMode == 2) {
        // Re-zoom about the client's centre.
        const Point c = ClientToDoc(Point{client.cx / 2, client.cy / 2});
        SetZoom(SaturateToInt32(FitRatio(m_nFitMode) * 100),
                Point{MulDiv(c.x, 100, GetZoom()), MulDiv(c.y, 100, GetZoom())});
        return;
    }
    const std::int32_t oldX = m_scroll.position.x;
    const std::int32_t oldPage = m_scroll.limit.cx > 0 ? m_scrollClient.cx : 0;
    UpdateScrollSizes();
    if (m_nFitMode == 0) {
        const std::int32_t newPage = m_scroll.limit.cx > 0 ? client.cx : 0;
        ApplyScroll({Clamp32(std::int64_t{oldX} + oldPage - newPage), m_scroll.position.y});
    }
    m_host.InvalidateAll();
}

double CKavitroView::FitRatio(int mode) const {
    const Size page = m_document.GetPageSize();
    CDcMapping scale;
    if (!scale.SetMapMode(m_document.m_nMapMode)) scale.SetMapMode(MM_HIMETRIC);
    const Point pixels = scale.LPtoDP(Point{Clamp32(std::int64_t{page.cx} + 2 * kScrollMargin),
                                            Clamp32(std::int64_t{page.cy} + 2 * kScrollMargin)});
    const Size client = m_host.GetClientSize();
    const double w = static_cast<double>(client.cx) / std::max(1, std::abs(pixels.x));
    const double h = static_cast<double>(client.cy) / std::max(1, std::abs(pixels.y));
    return mode == 2 ? w : std::min(w, h);
}

void CKavitroView::OnZoomFitPage() {
    m_nFitMode = 1;
    std::int32_t& shape = CDrawTool::CurrentShape();
    if (shape == 6 || shape == 7 || shape == 8) shape = 0;
    SetZoom(SaturateToInt32(FitRatio(1) * 100), Point{});
}

void CKavitroView::OnZoomFitWidth() {
    m_nFitMode = 2;
    std::int32_t& shape = CDrawTool::CurrentShape();
    if (shape == 6 || shape == 7 || shape == 8) shape = 0;
    SetZoom(SaturateToInt32(FitRatio(2) * 100), Point{});
}

Point CKavitroView::GetPointOfInterest() const {
    const Size client = m_host.GetClientSize();
    const Rect clientRect(0, 0, client.cx, client.cy);
    auto shows = [&](Point device) { return clientRect.PtInRect(device); };
    auto toDocument = [&](Point device) {
        const Point zoomed = ClientToDoc(device);
        return Point{m_document.Logical(zoomed.x), m_document.Logical(zoomed.y)};
    };
    if (const std::optional<Rect> caret = GetCaretRect()) {
        const Point middle{caret->left, Clamp32((std::int64_t{caret->top} + caret->bottom) / 2)};
        if (shows(middle)) return toDocument(middle);
    }
    if (!m_selection.IsEmpty()) {
        const Rect device = DocToClient(m_selection.GetBoundingRect());
        const Point middle{Clamp32((std::int64_t{device.left} + device.right) / 2),
                           Clamp32((std::int64_t{device.top} + device.bottom) / 2)};
        if (shows(middle)) return toDocument(middle);
    }
    return toDocument(Point{client.cx / 2, client.cy / 2});
}

void CKavitroView::SetZoom(std::int32_t zoom, Point documentCentre) {
    m_document.SetZoom(zoom);
    UpdateScrollSizes();
    ScrollToCentre(documentCentre);
    m_host.InvalidateAll();
}

// --- Drawing ------------------------------------------------------------------------------------

void CKavitroView::ReportFailure(const std::string& what) {
    m_bFailedThisPaint = true;
    if (what == m_lastReported) return;  // one report, not one per repaint
    m_lastReported = what;
    if (ErrorReport* errors = m_document.GetServices().errors)
        errors->ReportError(QString::fromUtf8(what.c_str()).toStdU16String());
}

template <class F>
void CKavitroView::Guarded(F&& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        ReportFailure(e.what());
    } catch (...) {
        ReportFailure("unknown failure");
    }
}

std::vector<CDrawObj*> CKavitroView::ObjectsOfCurrentPage() const { return m_document.ObjectsOnPage(m_nCurrentPage); }

void CKavitroView::OnDraw(CDC& dc) {
    if (m_bCaretShown) {
        m_host.HideCaret();
        m_bCaretShown = false;
    }
    m_bFailedThisPaint = false;
    const CApplicationProperties& s = *Settings();
    Rect clip = dc.GetClipBox();
    if (clip.IsRectNull()) {
        // A context without clip or device size: the client area.
        const Size client = m_host.GetClientSize();
        clip = dc.DPtoLP(Rect(0, 0, client.cx, client.cy));
        clip.NormalizeRect();
    }
    const bool printing = dc.IsPrinting();
    Guarded([&] {
        if (printing) return;
        const COLORREF background = s[CApplicationProperties::AppBackgroundUseSystemColor]
                                        ? kAppWorkspaceColor
                                        : static_cast<COLORREF>(s[CApplicationProperties::AppBackgroundRGB]);
        dc.FillSolidRect(clip, background);
        dc.SelectBrush(StockBrush(StockObject::NULL_BRUSH));
        DrawPaper(dc);
    });
    // Object by object, so that one failing object leaves the rest drawn.
    for (CDrawObj* o : ObjectsOfCurrentPage()) {
        const int level = dc.SaveDC();
        Guarded([&] { m_document.DrawObjectList(dc, this, {o}, clip); });
        dc.RestoreDC(level);
    }
    Guarded([&] { m_selection.DrawHandles(dc, *this, 1); });
    Guarded([&] {
        if (printing) return;
        if (s[CApplicationProperties::ShowGrid]) DrawGrid(dc);
        if (!s[CApplicationProperties::ShowGuide]) return;
        for (CDrawObj* g : m_document.m_guideLines)
            if ((IsOnEveryPage(g->m_nPage) || g->m_nPage == m_nCurrentPage) && g->Intersects(clip)) g->Draw(dc);
    });
    if (s[CApplicationProperties::DebugLevel] & 8) {
        Rect box = dc.LPtoDP(clip);
        box.NormalizeRect();
        box.InflateRect(-2, -2);
        const BrushSelection old = dc.SelectBrush(StockBrush(StockObject::NULL_BRUSH));
        dc.Rectangle(dc.DPtoLP(box));
        dc.SelectBrush(old);
    }
    if (!m_bFailedThisPaint) m_lastReported.clear();
    UpdateCaret(true);
}

const QImage& CKavitroView::Paint(const Rect& deviceClip, double devicePixelRatio) {
    const Rect clip = Ordered(deviceClip);
    const double ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    const int w = std::max(1, static_cast<int>(clip.Width() * ratio));
    const int h = std::max(1, static_cast<int>(clip.Height() * ratio));
    if (m_backBuffer.width() != w || m_backBuffer.height() != h)
        m_backBuffer = QImage(w, h, QImage::Format_RGB32);
    m_backBuffer.setDevicePixelRatio(ratio);
    QPainter painter(&m_backBuffer);
    {
        CQtPainterDC dc(painter);
        PrepareDC(dc);
        dc.OffsetViewportOrg(-clip.left, -clip.top);
        m_paintOrigin = clip.TopLeft();
        dc.IntersectClipRect(dc.DPtoLP(Rect(0, 0, clip.Width(), clip.Height())));
        OnDraw(dc);
        RememberShownHandles(clip);
        // The inverting overlay goes on top of the content, in client pixels.
        dc.SetMapMode(MM_TEXT);
        dc.SetWindowOrg({0, 0});
        dc.SetViewportOrg({-clip.left, -clip.top});
        m_overlay.Draw(dc);
        m_paintOrigin = {};
    }
    painter.end();
    return m_backBuffer;
}

void CKavitroView::DrawPaper(CDC& dc) const {
    const Size page = m_document.GetPageSize();
    const Rect paper(m_document.Zoomed(-page.cx), 0, 0, m_document.Zoomed(-page.cy));
    dc.FillSolidRect(paper, m_document.GetPaperColor());
    const BrushSelection oldBrush = dc.SelectBrush(StockBrush(StockObject::NULL_BRUSH));
    dc.Rectangle(paper);
    const CApplicationProperties& s = *Settings();
    if (s[CApplicationProperties::ShowPrintableArea]) {
        const Rect& m = m_document.m_margins;
        const Rect printable(m_document.Zoomed(Clamp32(std::int64_t{-page.cx} + m.left)),
                             m_document.Zoomed(-m.top), m_document.Zoomed(-m.right),
                             m_document.Zoomed(Clamp32(std::int64_t{-page.cy} + m.bottom)));
        const PenSelection oldPen = dc.SelectPen(MakePen(
            LogPen{PS_DASHDOT, Point{1, 1}, static_cast<COLORREF>(s[CApplicationProperties::PrintableAreaColor])}));
        dc.Rectangle(printable);
        dc.SelectPen(oldPen);
    }
    dc.SelectBrush(oldBrush);
}

CKavitroView::GridDots CKavitroView::ComputeGrid() const {
    GridDots grid;
    const CApplicationProperties& s = *Settings();
    const std::int64_t fx = s[CApplicationProperties::GridHorizontalFreq];
    const std::int64_t fy = s[CApplicationProperties::GridVerticalFreq];
    if (fx <= 0 || fy <= 0) return grid;  // no spacing, no grid
    const std::int64_t zoom = GetZoom();

    // The visible area in document units.
    const Size client = m_host.GetClientSize();
    const Rect visible = ClientToDoc(Rect(0, 0, client.cx, client.cy));
    const std::int64_t left = MulDiv(std::min(visible.left, visible.right), 100, GetZoom());
    const std::int64_t right = MulDiv(std::max(visible.left, visible.right), 100, GetZoom());
    const std::int64_t bottom = MulDiv(std::min(visible.top, visible.bottom), 100, GetZoom());
    const std::int64_t top = MulDiv(std::max(visible.top, visible.bottom), 100, GetZoom());

    const std::int64_t sx = fx * 100, sy = fy * 100;
    const std::int64_t zx = sx * zoom / 100, zy = sy * zoom / 100;
    if (zx <= 0 || zy <= 0) return grid;
    const std::int64_t k = std::max({50 / zx, 50 / zy, std::int64_t{1}});
    const std::int64_t stepX = sx * k, stepY = sy * k;

    const CDcMapping mapping = PrepareMapping();
    for (std::int64_t x = right - right % stepX; x > left; x -= stepX)
        for (std::int64_t y = top - top % stepY; y > bottom; y -= stepY)
            grid.points.push_back(mapping.LPtoDP(Point{MulDiv(Clamp32(x), GetZoom(), 100),
                                                       MulDiv(Clamp32(y), GetZoom(), 100)}));

    CDcMapping scale;
    if (!scale.SetMapMode(m_document.m_nMapMode)) scale.SetMapMode(MM_HIMETRIC);
    const std::int32_t pixels = std::abs(scale.LPtoDP(Point{MulDiv(20, GetZoom(), 100), 0}).x);
    grid.dotSize = pixels <= 1 ? 1 : pixels <= 3 ? 2 : pixels <= 5 ? 3 : 4;
    return grid;
}

void CKavitroView::DrawGrid(CDC& dc) const {
    const GridDots grid = ComputeGrid();
    if (grid.points.empty()) return;
    const COLORREF colour = static_cast<COLORREF>((*Settings())[CApplicationProperties::GridColor]);
    const int level = dc.SaveDC();
    dc.SetMapMode(MM_TEXT);
    dc.SetWindowOrg({0, 0});
    dc.SetViewportOrg({-m_paintOrigin.x, -m_paintOrigin.y});
    for (const Point p : grid.points) dc.FillSolidRect(Rect(p.x, p.y, p.x + grid.dotSize, p.y + grid.dotSize), colour);
    dc.RestoreDC(level);
}

// --- Selection and repaint -------------------------------------------------------------------------

void CKavitroView::PostSelectionChanged() { m_host.Post(PostTarget::MainFrame, NotifyMessage::SelectionChanged); }

void CKavitroView::RememberShownHandles(const Rect& paintedClip) {
    // Painted over, or off the client (scrolled away, never shown again).
    const Size client = m_host.GetClientSize();
    std::erase_if(m_shownHandles, [&](const Rect& r) {
        Rect overlap;
        return (r.left >= paintedClip.left && r.top >= paintedClip.top && r.right <= paintedClip.right &&
                r.bottom <= paintedClip.bottom) ||
               !overlap.IntersectRect(r, Rect(0, 0, client.cx, client.cy));
    });
    if (!m_bActive) return;
    // One pixel more than the squares: the inverted square's edges round
    // through logical units.
    const auto reach = CSelectedObjects::kHandleHalfSize + 1;
    for (const Point p : m_selection.GetHandlePoints()) {
        const Point d = DocToClient(p);
        const Rect square(d.x - reach, d.y - reach, d.x + reach + 1, d.y + reach + 1);
        if (Rect overlap; !overlap.IntersectRect(square, paintedClip)) continue;
        if (std::find(m_shownHandles.begin(), m_shownHandles.end(), square) == m_shownHandles.end())
            m_shownHandles.push_back(square);
    }
}

void CKavitroView::InvalidateShownHandles() {
    for (const Rect& r : m_shownHandles) m_host.Invalidate(r);
}

void CKavitroView::RepaintSelection(const CSelectedObjects& selection) {
    InvalidateShownHandles();
    if (m_document.GetDrawingMode() == 0) {
        Rect area;
        for (const CDrawObj* o : selection.GetObjects()) area = Union(area, GetObjectRect(*o));
        if (!area.IsRectEmpty()) m_host.Invalidate(area);
    } else {
        InvertHandles(selection);
    }
}

void CKavitroView::Select(CDrawObj* object, bool add, bool redraw) {
    if (!add) {
        OnUpdate(kHintSelection, nullptr);
        m_selection.ClearComponent();
        m_selection.RemoveAll();
        PostSelectionChanged();
    } else if (redraw) {
        OnUpdate(kHintSelection, nullptr);
    }
    if (object && !IsSelected(*object)) {
        m_selection.ClearComponent();
        m_selection.Add(*object);
        PostSelectionChanged();
    }
}

void CKavitroView::SelectObjectsInRect(const Rect& device) {
    const Rect r = ClientToDoc(device);
    for (CDrawObj* o : ObjectsOfCurrentPage()) {
        if (!o->Intersects(r) || IsSelected(*o)) continue;
        m_selection.ClearComponent();
        m_selection.Add(*o);
        PostSelectionChanged();
    }
    RepaintSelection(m_selection);
}

Rect CKavitroView::GetObjectRect(const CDrawObj& object) const {
    CPolygonRect outline;
    object.GetZoomedPosition(outline);
    Rect zoomed = Union(Ordered(outline.m_bounds), Ordered(object.BuildZoomedPosition().m_bounds));
    if (const auto* text = dynamic_cast<const CDrawText*>(&object)) {
        // Calligraphy leaves its frame: tall letters, the kaf's stroke and
        // swashes reach out by up to about a text size, in any direction
        // once the text is turned.
        const std::int64_t reach = m_document.Zoomed(text->GetTextSize());
        zoomed = Rect(Clamp32(zoomed.left - reach), Clamp32(zoomed.top - reach),
                      Clamp32(zoomed.right + reach), Clamp32(zoomed.bottom + reach));
    }
    Rect r = DocToClient(zoomed);
    if (m_bActive && IsSelected(object)) {
        r.left -= 4;
        r.top -= 5;
        r.right += 5;
        r.bottom += 4;
    }
    r.InflateRect(1, 1);
    return r;
}

void CKavitroView::InvalidateObject(const CDrawObj& object, bool allViews) {
    m_host.Invalidate(GetObjectRect(object));
    if (IsSelected(object)) InvalidateShownHandles();
    if (!allViews) return;
    for (DocumentViewObserver* v : m_document.GetViews())
        if (v != this) v->InvalidateObject(object);
}

void CKavitroView::InvertHandles(const CSelectedObjects& selection) {
    if (!m_bActive) return;
    const auto half = CSelectedObjects::kHandleHalfSize;
    for (const Point p : selection.GetHandlePoints()) {
        const Point d = DocToClient(p);
        const Rect square(d.x - half, d.y - half, d.x + half, d.y + half);
        m_overlay.Toggle(CViewOverlay::Kind::Handle, square);
        m_host.Invalidate(square);
    }
}

CKavitroView::Snap CKavitroView::SnapToGuidelines(const Rect& rect, std::int32_t threshold) const {
    Snap snap;
    if (!(*Settings())[CApplicationProperties::SnapToGuide]) return snap;
    auto candidate = [threshold](std::int32_t guide, std::int32_t a, std::int32_t b) -> std::int32_t {
        const std::int64_t da = std::int64_t{guide} - a, db = std::int64_t{guide} - b;
        const std::int64_t best = std::llabs(da) < std::llabs(db) ? da : db;
        return std::llabs(best) < threshold ? static_cast<std::int32_t>(best) : 0;
    };
    auto take = [](std::int32_t& current, std::int32_t c) {
        if (current == 0 || std::abs(c) > std::abs(current)) current = c;
    };
    for (CDrawObj* g : m_document.m_guideLines) {
        if (!IsOnEveryPage(g->m_nPage) && g->m_nPage != m_nCurrentPage) continue;
        const Point p = g->BuildZoomedPosition().m_rect.TopLeft();
        const auto* guide = dynamic_cast<const CDrawGuideLine*>(g);
        if (guide && guide->IsVertical())
            take(snap.offset.x, candidate(p.x, rect.left, rect.right));
        else
            take(snap.offset.y, candidate(p.y, rect.top, rect.bottom));
        if (p.x == rect.left || p.x == rect.right) snap.exactX = true;
        if (p.y == rect.top || p.y == rect.bottom) snap.exactY = true;
    }
    return snap;
}

void CKavitroView::UpdateCaret(bool show) {
    if (m_bCaretShown) {
        m_host.HideCaret();
        m_bCaretShown = false;
    }
    if (!show || !m_host.HasFocus()) return;
    const std::optional<Rect> caret = GetCaretRect();
    if (!caret) return;
    m_nCaretHeight = caret->Height();
    m_host.ShowCaret(*caret);
    m_bCaretShown = true;
}

std::optional<Rect> CKavitroView::GetCaretRect() const {
    const CDrawText* text = m_selection.GetEditedText();
    if (!text) return std::nullopt;
    const CPolygonRect position = text->BuildZoomedPosition();
    const Point offset = text->GetCaretOffset();
    const Point base = text->GetZoomedBaselinePoint();
    Point point{Clamp32(std::int64_t{base.x} + offset.x), Clamp32(std::int64_t{base.y} + offset.y)};
    RotatePoint(GetTrigTable(), point, position.m_nAngle, base);
    // The caret spans the line the text stands on: the font's ascent over
    // the baseline and the rest of one line pitch under it. The frame is no
    // measure for it: it grows with the ink of tall strokes and tails, and a
    // caret as tall as the frame reached into the neighbouring lines.
    const CCalligraphyFont& fonts = CCalligraphyFont::GetInstance();
    const std::int32_t size = MulDiv(text->m_nSize, GetZoom(), 100);
    const std::int64_t pitch = std::max<std::int64_t>(1, MulDiv(fonts.GetLineHeight(), size, 2160));
    const std::int64_t ascent = std::clamp<std::int64_t>(MulDiv(fonts.GetAscent(), size, 2160), 0, pitch);
    // y points up in the document: the ascent lies above the baseline.
    const Point high = DocToClient(Point{point.x, Clamp32(std::int64_t{point.y} + ascent)});
    const Point low = DocToClient(Point{point.x, Clamp32(std::int64_t{point.y} + ascent - pitch)});
    const std::int32_t top = std::min(high.y, low.y);
    const std::int32_t bottom = std::max({high.y, low.y, Clamp32(std::int64_t{top} + 1)});
    return Rect(high.x, top, Clamp32(std::int64_t{high.x} + 1), bottom);
}

// --- DocumentViewObserver ----------------------------------------------------------------------------

void CKavitroView::OnUpdate(std::intptr_t hint, CDrawObj* object) {
    switch (hint) {
        case kHintNone: m_host.InvalidateAll(); break;
        case kHintObject:
            if (object) m_host.Invalidate(GetObjectRect(*object));
            break;
        case kHintSelection:
            // Another view's selection cannot travel through the observer:
            // an object given with the hint is repainted on its own.
            if (object && !IsSelected(*object))
                m_host.Invalidate(GetObjectRect(*object));
            else
                RepaintSelection(m_selection);
            break;
        case kHintInvalidateSelection:
            if (object && !IsSelected(*object))
                m_host.Invalidate(GetObjectRect(*object));
            else
                m_selection.Invalidate(*this, true);
            break;
        default: break;
    }
}

void CKavitroView::ToggleOverlay(CViewOverlay::Kind kind, const Rect& device) {
    m_overlay.Toggle(kind, device);
    Rect area = device;
    area.NormalizeRect();
    area.InflateRect(1, 1);
    m_host.Invalidate(area);
}

void CKavitroView::DrawDragOutline(const Rect& zoomedBounds) {
    ToggleOverlay(CViewOverlay::Kind::DragOutline, DocToClient(zoomedBounds));
}

bool CKavitroView::RemoveFromSelection(const CDrawObj& object) {
    if (m_pDraggedGuide == &object) m_pDraggedGuide = nullptr;
    if (!m_selection.Contains(object)) return false;
    // Still alive here: repaint where its handles were.
    m_host.Invalidate(GetObjectRect(object));
    m_selection.Remove(object);
    m_selection.ClearComponent();
    m_selection.ClearBounds();
    if (!m_overlay.IsEmpty()) {
        m_overlay.Clear();
        m_host.InvalidateAll();
    }
    return true;
}

void CKavitroView::ClearSelection() {
    InvalidateShownHandles();
    m_selection.RemoveAll();
    m_selection.ClearComponent();
    m_selection.ClearBounds();
}

void CKavitroView::AddToSelection(CDrawObj& object) {
    InvalidateShownHandles();
    m_selection.ClearComponent();
    m_selection.Add(object);
    // Its handles come with it.
    m_host.Invalidate(GetObjectRect(object));
}

Rect CKavitroView::GetHandleRect(const CDrawObj& object, int handle) const {
    const Point d = DocToClient(object.GetHandle(handle));
    const auto half = CSelectedObjects::kHandleHalfSize;
    return ClientToDoc(Rect(d.x - half, d.y - half, d.x + half, d.y + half));
}

// --- Input ---------------------------------------------------------------------------------------------

void CKavitroView::OnLButtonDown(std::uint32_t flags, Point point) {
    if (!m_bActive) return;
    Guarded([&] {
        CDrawTool* tool = CDrawTool::CurrentTool();
        if (!tool) return;
        if (m_selection.GetEditedText() && (flags & MK_CONTROL) &&
            tool->GetCtrlClickShape() != CDrawTool::CurrentShape()) {
            CDrawTool::CurrentShape() = tool->GetCtrlClickShape();
            tool = CDrawTool::CurrentTool();
            if (!tool) return;
        }
        tool->OnLButtonDown(*this, flags, point);
    });
}

void CKavitroView::OnLButtonUp(std::uint32_t flags, Point point) {
    if (!m_bActive) return;
    Guarded([&] {
        if (CDrawTool* tool = CDrawTool::CurrentTool()) tool->OnLButtonUp(*this, flags, point);
    });
}

void CKavitroView::OnLButtonDblClk(std::uint32_t flags, Point point) {
    if (!m_bActive) return;
    Guarded([&] {
        if (CDrawTool* tool = CDrawTool::CurrentTool()) tool->OnLButtonDblClk(*this, flags, point);
    });
}

void CKavitroView::OnMouseMove(std::uint32_t flags, Point point) {
    if (!m_bActive) return;
    Guarded([&] {
        if (CDrawTool* tool = CDrawTool::CurrentTool()) tool->OnMouseMove(*this, flags, point, true);
        ShowCursorPosition(kPositionStringId, point);
    });
}

void CKavitroView::OnRButtonDown(std::uint32_t, Point) {
    if (!m_bActive) return;
    CDrawTool::CurrentShape() = 0;
}

void CKavitroView::OnChar(std::uint32_t code, std::uint32_t repeat, std::uint32_t flags) {
    if (!m_bActive) return;
    Guarded([&] {
        if (code == 9) {
            std::int32_t& shape = CDrawTool::CurrentShape();
            if (shape == 0)
                shape = 1;
            else if (shape == 1)
                shape = 0;
            else if (shape == 10)
                shape = m_selection.GetEditedText() ? 1 : 0;
            return;
        }
        if (code == 27) {
            m_document.UpdateAllViews(nullptr, kHintInvalidateSelection, nullptr);
            if (m_selection.HasComponent()) {
                m_selection.ClearComponent();
            } else {
                m_selection.ClearComponent();
                m_selection.RemoveAll();
                PostSelectionChanged();
            }
            return;
        }
        if (CDrawTool* tool = CDrawTool::CurrentTool()) tool->OnChar(*this, code, repeat, flags);
    });
}

void CKavitroView::OnKeyDown(std::uint32_t key, std::uint32_t repeat, std::uint32_t flags) {
    if (!m_bActive) return;
    Guarded([&] {
        if (key == VK_PAUSE) {
            m_document.UpdateAllViews(nullptr, kHintNone, nullptr);
        } else if (key >= VK_LEFT && key <= VK_DOWN) {
            if (CDrawTool* tool = CDrawTool::CurrentTool()) tool->OnKeyDown(*this, key, repeat, flags);
        }
    });
}

bool CKavitroView::OnMouseWheel(std::uint32_t flags, std::int32_t delta, Point point) {
    if (!(flags & MK_CONTROL)) return ScrollByWheel(flags & MK_SHIFT ? Size{delta, 0} : Size{0, delta});
    if (!m_bActive) return false;
    std::int32_t& shape = CDrawTool::CurrentShape();
    const std::int32_t saved = shape;
    shape = delta > 0 ? 6 : 7;
    Guarded([&] {
        if (CDrawTool* tool = CDrawTool::CurrentTool()) {
            tool->OnLButtonDown(*this, flags, point);
            tool->OnLButtonUp(*this, flags, point);
        }
    });
    shape = saved;
    return true;
}

bool CKavitroView::ScrollByWheel(Size wheel) {
    constexpr std::int64_t kNotch = 120, kLinesPerNotch = 3;
    const Size client = m_host.GetClientSize();
    auto pixels = [&](std::int32_t units, std::int32_t line, std::int32_t page) {
        const std::int64_t limit = std::max(1, page);
        const std::int64_t d = std::int64_t{units} * kLinesPerNotch * std::max(1, line) / kNotch;
        return Clamp32(-std::clamp(d, -limit, limit));
    };
    bool scrolled = false;
    Guarded([&] {
        scrolled = OnScrollBy(Size{pixels(wheel.cx, m_scroll.lineStep.cx, client.cx),
                                   pixels(wheel.cy, m_scroll.lineStep.cy, client.cy)});
    });
    return scrolled;
}

void CKavitroView::OnContextMenu(Point client) {
    Guarded([&] {
        CDrawObj* hit = m_document.ObjectAt(ClientToDoc(client), m_nCurrentPage, this);
        if (!hit) return;
        if (!IsSelected(*hit)) {
            OnUpdate(kHintSelection, nullptr);
            m_selection.ClearComponent();
            m_selection.RemoveAll();
            m_selection.Add(*hit);
            PostSelectionChanged();
            RepaintSelection(m_selection);
        }
        m_host.ShowPopupMenu(kContextMenuId, client);
    });
}

void CKavitroView::OnMessage(const PostedMessage& message) {
    Guarded([&] {
        switch (message.message) {
            case NotifyMessage::TextSizeChanged:
                m_selection.SetFontSize(Clamp32(static_cast<std::int64_t>(message.wParam & 0x7FFFFFFF)), *this);
                break;
            case NotifyMessage::TextAngleChanged:
                if (CDrawTool* tool = CDrawTool::CurrentTool())
                    tool->RotateSelection(*this, static_cast<std::int32_t>(message.wParam), true);
                break;
            case NotifyMessage::InsertTextBlock: OnInsertText(message.text, message.lParam); break;
            default: break;
        }
    });
}

}  // namespace kavitro
