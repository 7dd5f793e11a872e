// Printing a document of 1 to 100 pages of text into a PDF file through the
// printing loop. Printing holds at most a page at a time: the time grows
// with the pages, the memory only by the document's own texts (about
// 0.4 MB a page here; 42, 47 and 90 MiB at 1, 10 and 100 pages). Run one
// size per process (--benchmark_filter=BM_PrintPages/100/) to read its
// peak: the counter peak_rss_mib is the process's high-water mark.

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <QFile>
#include <QPdfWriter>
#include <QTemporaryDir>

#include <memory>

#include "document/DrawText.h"
#include "document/KavitroDoc.h"
#include "view/KavitroView.h"
#include "view/PagePrinter.h"
#include "view/RecordingViewHost.h"

#include "bench/BenchDocument.h"

namespace {

using namespace kavitro;

constexpr int kLines = 25;
constexpr int kWordsPerLine = 20;
constexpr const char16_t* kWordList[] = {u"سلام", u"بر", u"دوستان", u"خوب", u"من", u"کتاب", u"نستعلیق", u"گل"};

// An A4 document of `pages` pages, each holding 25 lines of 20 words.
std::unique_ptr<CKavitroDoc> TextPages(std::int64_t pages) {
    auto doc = bench::NewA4Document();
    doc->m_objects.m_bRecordingOff = 1;
    for (std::int64_t page = 0; page < pages; ++page) {
        if (page > 0) doc->AddPage(0);
        for (int line = 0; line < kLines; ++line) {
            CPolygonRect at;
            at.m_rect = Rect(-1000, -1500 - line * 1100, 0, 0);
            auto* text = new CDrawText(at, static_cast<std::uint32_t>(page), doc.get());
            doc->Add(text, false);
            for (int w = 0; w < kWordsPerLine; ++w) {
                for (const char16_t* c = kWordList[(line + w + page) % 8]; *c; ++c)
                    text->m_paragraph.InsertCharacter(text->m_nCaret, *c);
                text->m_paragraph.InsertCharacter(text->m_nCaret, u' ');
            }
            text->RecalcLayout(nullptr, false);
        }
    }
    doc->m_objects.m_bRecordingOff = 0;
    return doc;
}

double PeakRssMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void BM_PrintPages(benchmark::State& state) {
    auto doc = TextPages(state.range(0));
    RecordingViewHost host;
    CKavitroView view(*doc, host);
    QTemporaryDir dir;
    qint64 bytes = 0;
    for (auto _ : state) {
        QFile file(dir.filePath(QStringLiteral("pages.pdf")));
        if (!file.open(QIODevice::WriteOnly)) {
            state.SkipWithError("cannot write the PDF file");
            break;
        }
        {
            QPdfWriter writer(&file);
            writer.setPageLayout(DocumentPageLayout(*doc));
            std::string error;
            if (!PrintPages(view, writer, PrintJob{}, &error)) {
                state.SkipWithError(error.c_str());
                break;
            }
        }
        bytes = file.size();
    }
    state.counters["pdf_kib_per_page"] = static_cast<double>(bytes) / 1024.0 / static_cast<double>(state.range(0));
    state.counters["peak_rss_mib"] = PeakRssMiB();
}
BENCHMARK(BM_PrintPages)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
