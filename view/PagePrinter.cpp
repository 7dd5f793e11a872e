#include "view/PagePrinter.h"

#include <QtGui/QPagedPaintDevice>
#include <QtGui/QPainter>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <exception>
#include <vector>

#include "document/KavitroDoc.h"
#include "platform/qt/QtPainterDC.h"
#include "view/KavitroView.h"

namespace kavitro {

namespace {

constexpr double kMillimetresPerInch = 25.4;

// Document units per inch in the document's mapping mode (0.01 mm unless
// the document says otherwise).
double UnitsPerInch(std::int32_t mapMode) {
    switch (mapMode) {
        case MM_LOMETRIC: return 254.0;
        case MM_LOENGLISH: return 100.0;
        case MM_HIENGLISH: return 1000.0;
        case MM_TWIPS: return 1440.0;
        default: return 2540.0;
    }
}

double ToMillimetres(const CKavitroDoc& doc, std::int32_t units) {
    return units * kMillimetresPerInch / UnitsPerInch(doc.m_nMapMode);
}

std::int32_t ToUnits(const CKavitroDoc& doc, double millimetres) {
    const double units = std::round(millimetres * UnitsPerInch(doc.m_nMapMode) / kMillimetresPerInch);
    return static_cast<std::int32_t>(std::clamp(units, 0.0, 2147483647.0));
}

bool Fail(std::string* error, std::string why) {
    if (error) *error = std::move(why);
    return false;
}

// The zoom and current page of a print job: 100 % and the printed page
// while it runs, the old ones (zoom clamped) on every way out, after which
// every view of the document repaints.
class PrintState {
public:
    explicit PrintState(CKavitroView& view)
        : m_view(view), m_savedZoom(view.GetDocument().GetZoom()), m_savedPage(view.GetCurrentPage()) {
        m_view.GetDocument().SetZoom(100);
    }
    ~PrintState() {
        CKavitroDoc& doc = m_view.GetDocument();
        doc.SetZoom(m_savedZoom);
        m_view.SetCurrentPage(m_savedPage);
        doc.UpdateAllViews(nullptr, kHintNone);
    }
    PrintState(const PrintState&) = delete;
    PrintState& operator=(const PrintState&) = delete;

private:
    CKavitroView& m_view;
    std::int32_t m_savedZoom;
    std::uint32_t m_savedPage;
};

// The view's print-selection-only flag, set for one sheet.
class SelectionOnlyFlag {
public:
    SelectionOnlyFlag(CKavitroView& view, bool on) : m_view(view) { m_view.m_bPrintSelectionOnly = on; }
    ~SelectionOnlyFlag() { m_view.m_bPrintSelectionOnly = false; }
    SelectionOnlyFlag(const SelectionOnlyFlag&) = delete;
    SelectionOnlyFlag& operator=(const SelectionOnlyFlag&) = delete;

private:
    CKavitroView& m_view;
};

std::vector<std::uint32_t> PagesOf(const CKavitroView& view, const PrintJob& job) {
    if (job.selectionOnly) return {view.GetCurrentPage()};
    const std::uint32_t count = view.GetDocument().GetPageCount();
    const std::uint32_t first = std::max<std::uint32_t>(job.firstPage, 1);
    const std::uint32_t last = job.lastPage == 0 ? count : std::min(job.lastPage, count);
    std::vector<std::uint32_t> pages;
    for (std::uint32_t p = first; p <= last; ++p) pages.push_back(p - 1);
    return pages;
}

// Draws the view's current page with the printing origin: the device's
// top-left is the printable area's corner, `offset` document units right
// of and below the paper's top-left corner.
void DrawSheet(CKavitroView& view, QPainter& painter, Point offset) {
    const CKavitroDoc& doc = view.GetDocument();
    painter.save();
    {
        CQtPainterDC dc(painter, true);
        if (!dc.SetMapMode(doc.m_nMapMode)) dc.SetMapMode(MM_HIMETRIC);
        dc.SetBkMode(TRANSPARENT);
        dc.SetTextAlign(TA_BASELINE | TA_RIGHT);
        dc.SetWindowOrg(Point{doc.Zoomed(offset.x - doc.m_nPageWidth), doc.Zoomed(-offset.y)});
        view.OnDraw(dc);
    }
    painter.restore();
}

}  // namespace

PrintOffer PreparePrinting(const CKavitroView& view) {
    PrintOffer offer;
    offer.maxPage = std::max<std::uint32_t>(view.GetDocument().GetPageCount(), 1);
    offer.offerSelection = !view.GetSelection().IsEmpty();
    return offer;
}

QPageLayout DocumentPageLayout(const CKavitroDoc& doc) {
    const double w = ToMillimetres(doc, std::max(doc.m_nPageWidth, 1));
    const double h = ToMillimetres(doc, std::max(doc.m_nPageHeight, 1));
    auto margin = [&](std::int32_t units, double side) { return std::clamp(ToMillimetres(doc, units), 0.0, side / 2); };
    const QMarginsF margins(margin(doc.m_margins.left, w), margin(doc.m_margins.top, h), margin(doc.m_margins.right, w),
                            margin(doc.m_margins.bottom, h));
    // A page size is held upright; a wide page is an upright one turned.
    const bool wide = w > h;
    const QPageSize size(wide ? QSizeF(h, w) : QSizeF(w, h), QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
    return QPageLayout(size, wide ? QPageLayout::Landscape : QPageLayout::Portrait, margins, QPageLayout::Millimeter);
}

void ApplyPageLayout(CKavitroDoc& doc, const QPageLayout& layout) {
    const QRectF full = layout.fullRect(QPageLayout::Millimeter);
    const QMarginsF m = layout.margins(QPageLayout::Millimeter);
    const Size size{ToUnits(doc, full.width()), ToUnits(doc, full.height())};
    const Rect margins(ToUnits(doc, m.left()), ToUnits(doc, m.top()), ToUnits(doc, m.right()), ToUnits(doc, m.bottom()));
    // The document's own paper comes back through millimetres a unit off:
    // that is no change. Another paper is one, which a save must keep and a
    // close must ask about.
    const auto near = [](std::int64_t a, std::int64_t b) { return std::llabs(a - b) <= 1; };
    if (near(size.cx, doc.m_nPageWidth) && near(size.cy, doc.m_nPageHeight) && near(margins.left, doc.m_margins.left) &&
        near(margins.top, doc.m_margins.top) && near(margins.right, doc.m_margins.right) &&
        near(margins.bottom, doc.m_margins.bottom))
        return;
    doc.SetPageSize(size, margins);
    doc.SetModifiedFlag();
}

bool PrintPages(CKavitroView& view, QPagedPaintDevice& device, const PrintJob& job, std::string* error) {
    const std::vector<std::uint32_t> pages = PagesOf(view, job);
    if (pages.empty()) return Fail(error, "there is no page to print");
    PrintState state(view);
    try {
        const CKavitroDoc& doc = view.GetDocument();
        const QPageLayout layout = device.pageLayout();
        const QRectF full = layout.fullRect(QPageLayout::Millimeter);
        const QRectF paint = layout.paintRect(QPageLayout::Millimeter);
        const Point offset{ToUnits(doc, paint.left() - full.left()), ToUnits(doc, paint.top() - full.top())};
        QPainter painter;
        if (!painter.begin(&device)) return Fail(error, "the printer cannot be started");
        // Pictures keep their pixels: Qt's PDF writer would store them as JPEG.
        painter.setRenderHint(QPainter::LosslessImageRendering);
        for (std::size_t i = 0; i < pages.size(); ++i) {
            if (i > 0 && !device.newPage()) return Fail(error, "the printer refused another page");
            view.SetCurrentPage(pages[i]);
            SelectionOnlyFlag flag(view, job.selectionOnly);
            DrawSheet(view, painter, offset);
        }
        if (!painter.end()) return Fail(error, "the printed pages cannot be finished");
    } catch (const std::exception& e) {
        return Fail(error, e.what());
    }
    return true;
}

}  // namespace kavitro
