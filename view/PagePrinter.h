#pragma once

// Printing: one printed sheet per document page, drawn by the view at
// 100 % onto any paged device (a printer, a PDF writer), or only the
// selected objects of the current page. While a job runs the document's
// zoom is 100 and the view's current page follows the printed page; both
// are put back on every way out. Only one job runs at a time.

#include <cstdint>
#include <string>

#include <QtGui/QPageLayout>

class QPagedPaintDevice;

namespace kavitro {

class CKavitroDoc;
class CKavitroView;

// What the print dialog offers.
struct PrintOffer {
    std::uint32_t minPage = 1;
    std::uint32_t maxPage = 1;
    // "Selection" is offered whenever at least one object is selected.
    bool offerSelection = false;
};
PrintOffer PreparePrinting(const CKavitroView& view);

struct PrintJob {
    std::uint32_t firstPage = 1;  // 1-based, inclusive
    std::uint32_t lastPage = 0;   // 0: the document's last page
    // Only the selected objects of the view's current page, on one sheet.
    bool selectionOnly = false;
};

// The document's paper as a page layout: its page size, portrait, with its
// margins (clamped into the page).
QPageLayout DocumentPageLayout(const CKavitroDoc& doc);
// The document takes the page size and margins of a layout (page setup or
// the print dialog's paper); its views are told.
void ApplyPageLayout(CKavitroDoc& doc, const QPageLayout& layout);

// Runs the job on a device whose page layout the caller has set; the device
// must not be painted on yet. Each sheet is drawn with its origin at the
// device's printable area, so that a page lands where it lies on the paper.
// False, with the reason, when the device cannot be painted on or the range
// holds no page; nothing is reported.
bool PrintPages(CKavitroView& view, QPagedPaintDevice& device, const PrintJob& job, std::string* error = nullptr);

}  // namespace kavitro
