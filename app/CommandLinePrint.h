#pragma once

// The print switch of the command line: each document given is opened,
// printed whole on the system's default printer without a dialog, and
// closed; then the program leaves. With no printer this is told once and
// nothing waits for an answer that cannot come.

#include <QPrinter>
#include <QStringList>
#include <QStringView>

#include <cstdio>
#include <functional>
#include <memory>

#include "platform/ErrorReport.h"

namespace kavitro {

class CMainFrame;

// A printer for the next document; null when the system has none.
using PrinterFactory = std::function<std::unique_ptr<QPrinter>()>;
// The system's default printer, or null.
std::unique_ptr<QPrinter> MakeDefaultPrinter();

// Prints `paths` through `frame` (which need not be shown); a document that
// cannot be opened or printed is told once and the others still print. True
// when every document was printed.
bool PrintCommandLineDocuments(CMainFrame& frame, const QStringList& paths, const PrinterFactory& makePrinter,
                               ErrorReport& report);

// Whether a window shown on this Qt platform can be answered by a user: not
// on the platforms that draw into memory only ("offscreen", "minimal").
bool IsInteractivePlatform(QStringView platformName);

// Messages for a run that nobody can answer: each is written as a line to a
// stream (standard error) and answered with its default button, so that the
// run goes on to its end and its exit status tells the outcome.
class ConsoleErrorReport final : public ErrorReport {
public:
    using TextOf = std::function<QString(std::uint32_t stringId)>;
    explicit ConsoleErrorReport(std::FILE* stream = stderr) : m_stream(stream) {}
    // Where the texts of numbered messages come from (the language pack).
    void SetTexts(TextOf texts) { m_texts = std::move(texts); }

protected:
    DialogResult Show(const ErrorMessage& message) override;

private:
    std::FILE* m_stream;
    TextOf m_texts;
};

}  // namespace kavitro
