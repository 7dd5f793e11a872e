// What the language pack and the update check add to the start: loading a
// pack from the share folder, and starting the update check. The check must
// never hold up the start, so its start is timed against a release server
// that accepts the connection and never answers: the time is that of queuing
// a request, whatever the network does.

#include <QCoreApplication>
#include <QTcpServer>
#include <benchmark/benchmark.h>
#include <memory>

#include "app/LanguagePack.h"
#include "app/UpdateCheck.h"

namespace {

QCoreApplication& App() {
    static int argc = 1;
    static char name[] = "language_start_bench";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

void BM_LoadLanguagePack(benchmark::State& state) {
    App();
    for (auto _ : state) {
        kavitro::LanguagePack pack;
        const kavitro::LanguagePack::LoadResult result =
            pack.Load(QStringLiteral(KAVITRO_SHARE_DIR "/lang"), QStringLiteral("Farsi"));
        if (!result.loaded) {
            state.SkipWithError("the Farsi pack is not built");
            break;
        }
        benchmark::DoNotOptimize(pack.Text(11015));
    }
}
BENCHMARK(BM_LoadLanguagePack)->Unit(benchmark::kMicrosecond);

// The start-up step: the check object is made and the due check started
// against a server that never answers. The event loop never runs here, as
// it does not run before the main window shows.
void BM_StartUpdateCheckAgainstSilentServer(benchmark::State& state) {
    App();
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0)) {
        state.SkipWithError("cannot listen on 127.0.0.1");
        return;
    }
    const QString address = QStringLiteral("http://127.0.0.1:%1/").arg(server.serverPort());
    const QDateTime now = QDateTime::currentDateTime();
    for (auto _ : state) {
        auto check = std::make_unique<kavitro::UpdateCheck>();
        qint32 last = 0;
        const bool started = kavitro::StartUpdateCheckIfDue(*check, address, true, 0, last, now);
        benchmark::DoNotOptimize(started);
        state.PauseTiming();  // taking the check down is not part of the start
        check.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartUpdateCheckAgainstSilentServer)->Unit(benchmark::kMicrosecond);

// Only the start of a check on an existing object (a second start abandons
// the first, still unanswered, request).
void BM_RestartUpdateCheckAgainstSilentServer(benchmark::State& state) {
    App();
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0)) {
        state.SkipWithError("cannot listen on 127.0.0.1");
        return;
    }
    const QUrl address(QStringLiteral("http://127.0.0.1:%1/").arg(server.serverPort()));
    kavitro::UpdateCheck check;
    for (auto _ : state) {
        check.Start(address, kavitro::ProgramVersion());
        benchmark::DoNotOptimize(check.IsRunning());
    }
}
BENCHMARK(BM_RestartUpdateCheckAgainstSilentServer)->Unit(benchmark::kMicrosecond);

}  // namespace
