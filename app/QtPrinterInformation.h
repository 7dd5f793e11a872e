#pragma once

// The system's printers as the document's page size needs them: the default
// printer's page and papers from Qt's printing support, and, while no
// printer is set up, the paper of the user's locale or of the system.

#include <QPrinterInfo>
#include <functional>
#include <optional>

#include "document/DocumentServices.h"

namespace kavitro {

class CQtPrinterInformation final : public PrinterInformation {
public:
    using PrinterSource = std::function<QPrinterInfo()>;
    using PaperSource = std::function<std::optional<Size>()>;
    // Empty sources: the system's default printer and SystemPaper().
    explicit CQtPrinterInformation(PrinterSource printer = {}, PaperSource systemPaper = {});

    std::optional<PrinterPageMetrics> GetDefaultPrinter() const override;
    std::vector<PrinterPaper> GetPapers() const override;
    // Kept for the next page size asked of the printer.
    void SelectPaper(const PaperSelection& selection) override { m_selection = selection; }
    std::optional<Size> GetSystemPaper() const override;

private:
    QPrinterInfo DefaultPrinter() const;

    PrinterSource m_printer;
    PaperSource m_systemPaper;
    std::optional<PaperSelection> m_selection;
};

// The device values of a page layout at a resolution (dots per inch).
PrinterPageMetrics PageMetricsOf(const QPageLayout& layout, int dpi);

}  // namespace kavitro
