#include "app/PrintExport.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QPageSetupDialog>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>
#include <span>
#include <string>
#include <vector>

#include "app/dialogs/DialogLanguage.h"
#include "app/dialogs/PersianFileDialog.h"
#include "document/FailureReasons.h"
#include "document/KavitroDoc.h"
#include "document/StringIds.h"
#include "platform/AtomicFile.h"
#include "platform/ErrorReport.h"
#include "view/KavitroView.h"
#include "view/PageExport.h"
#include "view/PagePrinter.h"

using namespace kavitro;

namespace {

BitmapSizeDialog& SizeDialog() {
    static BitmapSizeDialog dialog;
    return dialog;
}

std::filesystem::path ToPath(const QString& path) { return std::filesystem::path(QFile::encodeName(path).toStdString()); }

std::vector<FileFilterEntry> ExportFilters() {
    std::vector<FileFilterEntry> filters;
    for (const PageExportFormatInfo& f : PageExportFormats())
        filters.push_back({QString::fromStdU16String(std::u16string(f.description)),
                           {QString::fromLatin1(f.pattern.data(), static_cast<qsizetype>(f.pattern.size()))}});
    return filters;
}

// The format of the filter the user chose, by its place in the list (the
// names shown are the pack's); the first when none matches.
PageExportFormat ChosenFormat(const QFileDialog& dialog) {
    const qsizetype chosen = dialog.nameFilters().indexOf(dialog.selectedNameFilter());
    const auto formats = PageExportFormats();
    return chosen >= 0 && static_cast<std::size_t>(chosen) < formats.size() ? formats[static_cast<std::size_t>(chosen)].format
                                                                             : formats.front().format;
}

// A failed print names the file it concerns (the PDF being written, else
// the document) and why.
struct PrintFailure {
    QString file;
    std::uint32_t reasonId = StringId::ReasonPrinterRefused;
};

void ReportPrintFailure(const CKavitroDoc& doc, const PrintFailure& failure) {
    const QString file = failure.file.isEmpty() ? doc.GetPathName() : failure.file;
    if (ErrorReport* errors = doc.GetServices().errors)
        errors->ReportFileError(StringId::PrintFailed, file.toStdU16String(), failure.reasonId);
}

PrintJob JobOf(const QPrinter& printer, const CKavitroView& view) {
    switch (printer.printRange()) {
        case QPrinter::Selection: return PrintJob{1, 0, true};
        case QPrinter::PageRange:
            return PrintJob{static_cast<std::uint32_t>(std::max(printer.fromPage(), 1)),
                            static_cast<std::uint32_t>(std::max(printer.toPage(), 0)), false};
        case QPrinter::CurrentPage: {
            const std::uint32_t page = view.GetCurrentPage() + 1;
            return PrintJob{page, page, false};
        }
        default: return PrintJob{};
    }
}

// Prints onto the printer; a PDF file is made in memory first and then
// written atomically, so that a failed job leaves an earlier file whole.
bool PrintTo(QPrinter& printer, CKavitroView& view, std::string& error, PrintFailure& failure) {
    const PrintJob job = JobOf(printer, view);
    if (printer.outputFormat() != QPrinter::PdfFormat || printer.outputFileName().isEmpty())
        return PrintPages(view, printer, job, &error);
    QByteArray pdf;
    {
        QBuffer buffer(&pdf);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setResolution(printer.resolution());
        writer.setCreator(QStringLiteral("Kavitro"));
        writer.setTitle(printer.docName());
        if (!writer.setPageLayout(printer.pageLayout())) {
            error = "the paper cannot be used for a PDF file";
            failure.file = printer.outputFileName();
            return false;
        }
        if (!PrintPages(view, writer, job, &error)) return false;
    }
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(pdf.constData());
    FileProblem problem = FileProblem::None;
    if (!WriteFileAtomically(ToPath(printer.outputFileName()), std::span(bytes, static_cast<std::size_t>(pdf.size())),
                             nullptr, &problem)) {
        error = "cannot write " + printer.outputFileName().toStdString();
        failure = {printer.outputFileName(), ReasonStringId(problem)};
        return false;
    }
    return true;
}

}  // namespace

void SetBitmapSizeDialog(BitmapSizeDialog dialog) { SizeDialog() = std::move(dialog); }

bool ExportPageInteractive(QWidget* parent, CKavitroView& view) {
    CKavitroDoc& doc = view.GetDocument();
    const DocumentServices& services = doc.GetServices();
    const char* section = CApplicationProperties::kSettingsSection;
    const char* name = CApplicationProperties::kLastExportDirName;
    const QString lastFolder =
        services.profile ? QString::fromStdU16String(services.profile->GetProfileString(section, name, u"")) : QString();
    const QString exportFolder = QString::fromStdString((services.programFolder / "Export").string());

    const std::vector<FileFilterEntry> filters = ExportFilters();
    CPersianFileDialog dialog(parent, false, filters, QString(), DialogText(StringId::ExportDialogTitle), lastFolder,
                              exportFolder);
    dialog.SetSuppliedPreview([&view](QSize room) {
        return RenderExportPreviewWithin(view, Size{room.width(), room.height()});
    });
    if (dialog.exec() != QDialog::Accepted) return false;
    const QString chosen = dialog.ChosenPath();
    if (chosen.isEmpty()) return false;
    if (services.profile)
        services.profile->WriteProfileString(section, name, QFileInfo(chosen).absolutePath().toStdU16String());

    // The file always gets the extension of the chosen type, whatever was typed.
    const PageExportFormat format = ChosenFormat(dialog);
    const std::filesystem::path path = WithExportExtension(ToPath(chosen), format);
    const BitmapSizeHook askSize = [parent](Size& size) { return !SizeDialog() || SizeDialog()(parent, size); };
    return ExportCurrentPage(view, path, format, askSize).status == ExportStatus::Written;
}

bool PrintInteractive(QWidget* parent, CKavitroView& view, bool preview) {
    CKavitroDoc& doc = view.GetDocument();
    // The default printer is asked for the document's paper; a size it has
    // not is told before the dialog.
    doc.MatchPrinterPaper();
    QPrinter printer(QPrinter::HighResolution);
    // The printer starts on the document's paper.
    printer.setPageLayout(DocumentPageLayout(doc));
    std::string error;
    if (preview) {
        QPrintPreviewDialog dialog(&printer, parent);
        bool failed = false;
        QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&](QPrinter* target) {
            if (!PrintPages(view, *target, JobOf(*target, view), &error)) failed = true;
        });
        dialog.exec();
        if (failed) ReportPrintFailure(doc, {});
        return !failed;
    }
    const PrintOffer offer = PreparePrinting(view);
    QPrintDialog dialog(&printer, parent);
    dialog.setMinMax(static_cast<int>(offer.minPage), static_cast<int>(offer.maxPage));
    dialog.setFromTo(static_cast<int>(offer.minPage), static_cast<int>(offer.maxPage));
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, offer.offerSelection);
    if (dialog.exec() != QDialog::Accepted) return false;
    // The document takes the paper and margins of the chosen printer.
    ApplyPageLayout(doc, printer.pageLayout());
    PrintFailure failure;
    if (!PrintTo(printer, view, error, failure)) {
        ReportPrintFailure(doc, failure);
        return false;
    }
    return true;
}

bool IsPageSetupAvailable() { return !QPrinterInfo::availablePrinters().isEmpty(); }

bool PageSetupInteractive(QWidget* parent, CKavitroView& view) {
    CKavitroDoc& doc = view.GetDocument();
    QPrinter printer(QPrinter::HighResolution);
    if (printer.outputFormat() != QPrinter::NativeFormat) return false;
    printer.setPageLayout(DocumentPageLayout(doc));
    QPageSetupDialog dialog(&printer, parent);
    // Cancel leaves the document as it was.
    if (dialog.exec() != QDialog::Accepted) return false;
    ApplyPageLayout(doc, printer.pageLayout());
    return true;
}
