#pragma once

// The print switch of the command line: each document given is opened,
// printed whole on the system's default printer without a dialog, and
// closed; then the program leaves. With no printer this is told once and
// nothing waits for an answer that cannot come.

#include <QPrinter>
#include <QStringList>

#include <functional>
#include <memory>

namespace kavitro {

class CMainFrame;
class ErrorReport;

// A printer for the next document; null when the system has none.
using PrinterFactory = std::function<std::unique_ptr<QPrinter>()>;
// The system's default printer, or null.
std::unique_ptr<QPrinter> MakeDefaultPrinter();

// Prints `paths` through `frame` (which need not be shown); a document that
// cannot be opened or printed is told once and the others still print. True
// when every document was printed.
bool PrintCommandLineDocuments(CMainFrame& frame, const QStringList& paths, const PrinterFactory& makePrinter,
                               ErrorReport& report);

}  // namespace kavitro
