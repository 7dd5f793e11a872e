// Page export: a whole A4 page holding 500 words written as a PNG file at
// 300 dpi (2480 x 3508 pixels; goal under 300 ms), rendering, encoding and
// the atomic write included.

#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include <filesystem>
#include <memory>

#include "document/DrawText.h"
#include "document/KavitroDoc.h"
#include "document/SimpleObjects.h"
#include "engine/CalligraphyFont.h"
#include "platform/qt/QtPainterDC.h"
#include "view/PageExport.h"

#include "bench/BenchDocument.h"

namespace {

using namespace kavitro;

constexpr int kLines = 25;
constexpr int kWordsPerLine = 20;
constexpr const char16_t* kWordList[] = {u"سلام", u"بر", u"دوستان", u"خوب", u"من", u"کتاب", u"نستعلیق", u"گل"};

// An A4 page of text, with two corner marks so that the page's objects
// span the whole sheet.
struct TextPage {
    std::unique_ptr<CKavitroDoc> doc;

    TextPage() {
        doc = bench::NewA4Document();
        for (const Point corner : {Point{-21000, -29700}, Point{-200, -200}}) {
            auto* mark = new CDrawRect(CPolygonRect(corner, Size{200, 200}), 0, doc.get());
            doc->Add(mark, true);
        }
        for (int line = 0; line < kLines; ++line) {
            CPolygonRect at;
            at.m_rect = Rect(-1000, -1500 - line * 1100, 0, 0);
            auto* text = new CDrawText(at, 0, doc.get());
            doc->Add(text, true);
            for (int w = 0; w < kWordsPerLine; ++w) {
                for (const char16_t* c = kWordList[(line + w) % 8]; *c; ++c)
                    text->m_paragraph.InsertCharacter(text->m_nCaret, *c);
                text->m_paragraph.InsertCharacter(text->m_nCaret, u' ');
            }
            text->RecalcLayout(nullptr, false);
        }
    }
};

void BM_ExportA4PageAsPngAt300Dpi(benchmark::State& state) {
    TextPage page;
    QTemporaryDir dir;
    const std::filesystem::path path = dir.filePath("page.png").toStdString();
    const std::vector<CDrawObj*> objects = page.doc->ObjectsOnPage(0);
    const auto at300Dpi = [](Size& size) {
        size = Size{2480, 3508};
        return true;
    };
    for (auto _ : state) {
        const ExportOutcome outcome = WritePageExport(*page.doc, objects, path, PageExportFormat::Png, at300Dpi);
        if (outcome.status != ExportStatus::Written) {
            state.SkipWithError(outcome.reason.c_str());
            break;
        }
    }
}
BENCHMARK(BM_ExportA4PageAsPngAt300Dpi)->Unit(benchmark::kMillisecond);

}  // namespace
