#include "app/QtPrinterInformation.h"

#include <QPageLayout>
#include <QPrinter>
#include <cmath>

#include "platform/SystemPaper.h"

namespace kavitro {

namespace {

// Papers with no id of their own are numbered from here, past the ids of
// the common papers.
constexpr int kFirstOwnPaperId = 256;

int PaperId(const QPageSize& size, int index) {
    const int id = size.windowsId();
    return id > 0 ? id : kFirstOwnPaperId + index;
}

}  // namespace

PrinterPageMetrics PageMetricsOf(const QPageLayout& layout, int dpi) {
    const QRect full = layout.fullRectPixels(dpi);
    const QRect paint = layout.paintRectPixels(dpi);
    PrinterPageMetrics m;
    m.physicalWidth = full.width();
    m.physicalHeight = full.height();
    m.physicalOffsetX = paint.left() - full.left();
    m.physicalOffsetY = paint.top() - full.top();
    m.logPixelsX = m.logPixelsY = dpi;
    m.horzRes = paint.width();
    m.vertRes = paint.height();
    return m;
}

CQtPrinterInformation::CQtPrinterInformation(PrinterSource printer, PaperSource systemPaper)
    : m_printer(std::move(printer)), m_systemPaper(std::move(systemPaper)) {}

QPrinterInfo CQtPrinterInformation::DefaultPrinter() const {
    return m_printer ? m_printer() : QPrinterInfo::defaultPrinter();
}

std::optional<PrinterPageMetrics> CQtPrinterInformation::GetDefaultPrinter() const {
    const QPrinterInfo info = DefaultPrinter();
    if (info.isNull()) return std::nullopt;
    QPrinter printer(info, QPrinter::HighResolution);
    QPageLayout layout = printer.pageLayout();
    if (m_selection) {
        // The paper chosen last: one of the printer's, or a size of its own.
        const QList<QPageSize> sizes = info.supportedPageSizes();
        if (m_selection->paperSize != 0) {
            for (int i = 0; i < sizes.size(); ++i)
                if (PaperId(sizes[i], i) == m_selection->paperSize) layout.setPageSize(sizes[i]);
        } else if (m_selection->paperWidth > 0 && m_selection->paperLength > 0) {
            layout.setPageSize(QPageSize(QSizeF(m_selection->paperWidth / 10.0, m_selection->paperLength / 10.0),
                                         QPageSize::Millimeter));
        }
        layout.setOrientation(m_selection->orientation == 2 ? QPageLayout::Landscape : QPageLayout::Portrait);
    }
    const int dpi = printer.resolution() > 0 ? printer.resolution() : 600;
    return PageMetricsOf(layout, dpi);
}

std::vector<PrinterPaper> CQtPrinterInformation::GetPapers() const {
    std::vector<PrinterPaper> papers;
    const QList<QPageSize> sizes = DefaultPrinter().supportedPageSizes();
    for (int i = 0; i < sizes.size(); ++i) {
        const QSizeF mm = sizes[i].size(QPageSize::Millimeter);
        papers.push_back(PrinterPaper{static_cast<std::uint16_t>(PaperId(sizes[i], i)),
                                      Size{static_cast<std::int32_t>(std::lround(mm.width() * 10)),
                                           static_cast<std::int32_t>(std::lround(mm.height() * 10))}});
    }
    return papers;
}

std::optional<Size> CQtPrinterInformation::GetSystemPaper() const {
    return m_systemPaper ? m_systemPaper() : SystemPaper(ReadSystemPaperSources());
}

}  // namespace kavitro
