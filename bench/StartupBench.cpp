// From nothing to the first painted page: the application object, the
// start-up steps (language pack, document kinds, main frame with ribbon,
// a new document, cursors, keyboard layouts) and the first paint of the
// page view, offscreen. The first run is the cold start (glyph fonts and
// artwork loaded); later runs show what a second start in the same process
// costs. Goal: a cold start under 0.5 s.

#include <QApplication>
#include <QImage>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include "app/ChildFrame.h"
#include "app/KavitroApp.h"
#include "app/MainFrame.h"
#include "app/PageViewWidget.h"

namespace {

void StartAndPaint() {
    kavitro::CApplicationProperties properties;
    properties[kavitro::CApplicationProperties::CheckForUpdates] = 0;
    kavitro::RecordingErrorReport report;
    kavitro::AppOptions options;
    options.showSplash = false;
    options.programFolder = QStringLiteral(KAVITRO_SHARE_DIR);
    options.report = &report;
    kavitro::CKavitroApp app(properties, options);
    if (!app.Start())
        throw std::runtime_error("the program did not start");
    QApplication::processEvents();
    kavitro::CChildFrame* child = app.MainFrame()->ActiveChild();
    const QImage page = child->ViewWidget().viewport()->grab().toImage();
    benchmark::DoNotOptimize(page.constBits());
}

void BM_ColdStartToFirstPaintedPage(benchmark::State& state) {
    for (auto _ : state)
        StartAndPaint();
}
BENCHMARK(BM_ColdStartToFirstPaintedPage)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_WarmStartToFirstPaintedPage(benchmark::State& state) {
    for (auto _ : state)
        StartAndPaint();
}
BENCHMARK(BM_WarmStartToFirstPaintedPage)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // A profile of its own, so that no user's settings are read or written.
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    qputenv("XDG_DATA_HOME", home.path().toLocal8Bit());
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Kavitro Applications"));
    QApplication::setApplicationName(QStringLiteral("KavitroBench"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
