#include "app/CommandLinePrint.h"

#include <QMdiSubWindow>
#include <QPrinter>
#include <QPrinterInfo>

#include "app/ChildFrame.h"
#include "app/KavitroApp.h"
#include "app/MainFrame.h"
#include "document/KavitroDoc.h"
#include "document/StringIds.h"
#include "platform/ErrorReport.h"
#include "view/PagePrinter.h"

namespace kavitro {

std::unique_ptr<QPrinter> MakeDefaultPrinter() {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return nullptr;
    return std::make_unique<QPrinter>(info, QPrinter::HighResolution);
}

bool IsInteractivePlatform(QStringView platformName) {
    for (const QStringView memoryOnly : {u"offscreen", u"minimal", u"minimalegl"}) {
        if (platformName.compare(memoryOnly, Qt::CaseInsensitive) == 0)
            return false;
    }
    return true;
}

DialogResult ConsoleErrorReport::Show(const ErrorMessage& message) {
    const auto textOf = [this](std::uint32_t id) {
        const QString text = m_texts ? m_texts(id) : QString();
        return (text.isEmpty() ? QStringLiteral("message %1").arg(id) : text).toStdU16String();
    };
    const QString text = QString::fromStdU16String(MessageText(message, textOf));
    const QByteArray line = QStringLiteral("kavitro: %1\n").arg(text).toUtf8();
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), m_stream);
    std::fflush(m_stream);
    return ButtonsOf(message.buttons).front();
}

bool PrintCommandLineDocuments(CMainFrame& frame, const QStringList& paths, const PrinterFactory& makePrinter,
                               ErrorReport& report) {
    bool all = true;
    for (const QString& path : paths) {
        std::unique_ptr<QPrinter> printer = makePrinter ? makePrinter() : nullptr;
        if (!printer) {
            // Told once for the whole command line: no document can print.
            report.ReportError(StringId::NoPrinter, MessageButtons::Ok, MessageIcon::Error);
            return false;
        }
        // The document tells why it cannot be opened.
        CChildFrame* child = frame.OpenDocument(path);
        if (!child) {
            all = false;
            continue;
        }
        printer->setDocName(child->DisplayName());
        printer->setPageLayout(DocumentPageLayout(child->Document()));
        if (!PrintPages(child->View(), *printer, PrintJob{})) {
            report.ReportFileError(StringId::PrintFailed, path.toStdU16String(), StringId::ReasonPrinterRefused);
            all = false;
        }
        // Printing changed nothing worth asking about.
        child->SetCloseGuard({});
        if (auto* window = qobject_cast<QMdiSubWindow*>(child->parentWidget()))
            delete window;
    }
    return all;
}

}  // namespace kavitro
