// The driver that runs a fuzz target without libFuzzer, as a CTest test of
// the normal (GCC, sanitizer) build: over the target's seed inputs, prefixes
// of each, and a fixed number of deterministic mutations of them.
//
//   fuzz_<name>_replay                     replay (exit status 1 on a finding), then
//                                          run every file of the target's corpus folder
//   fuzz_<name>_replay --runs N            N mutated inputs instead of the default
//   fuzz_<name>_replay --write-corpus DIR  write the seeds as files (a libFuzzer corpus)
//   fuzz_<name>_replay FILE...             run the given inputs (e.g. a crash file)
//
// A finding that kills the process (a sanitizer report, a signal) is
// preceded by a line naming the input and its bytes in hex.

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include <unistd.h>

#include "FuzzSupport.h"

#if defined(__SANITIZE_ADDRESS__)
#define KAVITRO_REPLAY_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KAVITRO_REPLAY_ASAN 1
#endif
#endif
#ifdef KAVITRO_REPLAY_ASAN
#include <sanitizer/common_interface_defs.h>
#endif

#ifndef KAVITRO_FUZZ_NAME
#define KAVITRO_FUZZ_NAME "target"
#endif
// The inputs long libFuzzer runs kept (tests/fuzz/corpus/<name>), if any.
#ifndef KAVITRO_FUZZ_CORPUS
#define KAVITRO_FUZZ_CORPUS ""
#endif

namespace {

using kavitro::fuzz::Bytes;

// Mutated inputs per target unless --runs says otherwise.
constexpr std::size_t kDefaultRuns = 3000;
// Every prefix up to this length is tried, then a few spread over the rest.
constexpr std::size_t kShortPrefixes = 64;
constexpr std::size_t kSpreadPrefixes = 16;
// Large seeds get fewer mutations, so that a replay stays quick.
constexpr std::size_t kBytesPerSeed = std::size_t{8} << 20;
constexpr std::size_t kMinMutationsPerSeed = 8;

// The input being run, for the report of a finding that kills the process.
// Plain data only: the report is written from a signal or death handler.
struct Current {
    const char* kind = "input";
    std::size_t seed = 0;
    std::size_t number = 0;
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
};
Current g_current;

void WriteRaw(const char* s, std::size_t n) {
    while (n > 0) {
        const ssize_t w = ::write(STDERR_FILENO, s, n);
        if (w <= 0)
            return;
        s += w;
        n -= static_cast<std::size_t>(w);
    }
}
void WriteRaw(const char* s) { WriteRaw(s, std::strlen(s)); }
void WriteNumber(std::size_t v) {
    char buffer[24];
    std::size_t i = sizeof buffer;
    do {
        buffer[--i] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    WriteRaw(buffer + i, sizeof buffer - i);
}

// Async-signal-safe: write(2) only.
void ReportCurrent() {
    WriteRaw("\nfuzz-replay " KAVITRO_FUZZ_NAME ": died on ");
    WriteRaw(g_current.kind);
    WriteRaw(" ");
    WriteNumber(g_current.number);
    WriteRaw(" of seed ");
    WriteNumber(g_current.seed);
    WriteRaw(" (");
    WriteNumber(g_current.size);
    WriteRaw(" bytes):\n");
    static constexpr char kDigits[] = "0123456789abcdef";
    char line[3 * 32 + 1];
    for (std::size_t at = 0; at < g_current.size; at += 32) {
        std::size_t n = 0;
        for (std::size_t i = at; i < std::min(g_current.size, at + 32); ++i) {
            if (n > 0) line[n++] = ' ';
            line[n++] = kDigits[g_current.data[i] >> 4];
            line[n++] = kDigits[g_current.data[i] & 0xF];
        }
        line[n++] = '\n';
        WriteRaw(line, n);
    }
}

extern "C" void OnFatalSignal(int signal) {
    ReportCurrent();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

#ifdef KAVITRO_REPLAY_ASAN
extern "C" void OnSanitizerDeath() { ReportCurrent(); }
#endif

void InstallDeathReports() {
#ifdef KAVITRO_REPLAY_ASAN
    // The sanitizer reports SIGSEGV, SIGBUS and SIGFPE with a stack and then
    // calls the death callback; its handlers stay in place.
    __sanitizer_set_death_callback(&OnSanitizerDeath);
    std::signal(SIGABRT, &OnFatalSignal);
#else
    for (const int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT})
        std::signal(signal, &OnFatalSignal);
#endif
}

class Replay {
public:
    // Runs one input; a finding is reported and counted.
    void Run(const char* kind, std::size_t seed, std::size_t number, const Bytes& input) {
        g_current = {kind, seed, number, input.data(), input.size()};
        ++m_inputs;
        try {
            LLVMFuzzerTestOneInput(input.data(), input.size());
            return;
        } catch (const kavitro::fuzz::FuzzFinding& e) {
            Report(e.what(), input);
        } catch (const std::exception& e) {
            Report(std::string("unexpected exception: ") + e.what(), input);
        } catch (...) {
            Report("unexpected exception of an unknown type", input);
        }
    }

    std::size_t Inputs() const { return m_inputs; }
    std::size_t Failures() const { return m_failures; }

private:
    void Report(const std::string& what, const Bytes& input) {
        ++m_failures;
        std::cerr << "fuzz-replay " KAVITRO_FUZZ_NAME ": FINDING on " << g_current.kind << ' ' << g_current.number
                  << " of seed " << g_current.seed << " (" << input.size() << " bytes): " << what << "\n  "
                  << kavitro::fuzz::ToHex(input, 4096) << '\n';
    }

    std::size_t m_inputs = 0;
    std::size_t m_failures = 0;
};

Bytes ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int WriteCorpus(const std::filesystem::path& dir, const std::vector<Bytes>& seeds) {
    std::filesystem::create_directories(dir);
    for (std::size_t i = 0; i < seeds.size(); ++i) {
        const auto path = dir / ("seed-" + std::to_string(i));
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(seeds[i].data()), static_cast<std::streamsize>(seeds[i].size()));
        if (!out) {
            std::cerr << "cannot write " << path << '\n';
            return 1;
        }
    }
    std::cout << "fuzz-replay " KAVITRO_FUZZ_NAME ": wrote " << seeds.size() << " seeds to " << dir << '\n';
    return 0;
}

void ReplaySeeds(Replay& replay, const std::vector<Bytes>& seeds, std::size_t runs) {
    const std::size_t perSeed = seeds.empty() ? 0 : (runs + seeds.size() - 1) / seeds.size();
    for (std::size_t s = 0; s < seeds.size(); ++s) {
        const Bytes& seed = seeds[s];
        replay.Run("seed", s, 0, seed);

        // Prefixes: every stream cut short must be refused cleanly.
        const std::size_t shortEnd = std::min(seed.size(), kShortPrefixes);
        for (std::size_t n = 0; n < shortEnd; ++n)
            replay.Run("prefix", s, n, Bytes(seed.begin(), seed.begin() + static_cast<std::ptrdiff_t>(n)));
        if (seed.size() > kShortPrefixes) {
            for (std::size_t k = 0; k < kSpreadPrefixes; ++k) {
                const std::size_t n = kShortPrefixes + (seed.size() - kShortPrefixes) * k / kSpreadPrefixes;
                replay.Run("prefix", s, n, Bytes(seed.begin(), seed.begin() + static_cast<std::ptrdiff_t>(n)));
            }
        }

        // Mutations, from a generator seeded by the seed's number alone.
        const std::size_t mutations =
            std::max(kMinMutationsPerSeed, std::min(perSeed, kBytesPerSeed / (seed.size() + 1)));
        kavitro::fuzz::Random random(0x4B415649ull * (s + 1));
        Bytes previous = seed;
        for (std::size_t m = 0; m < mutations; ++m) {
            // Mostly one to three changes of the seed; now and then more on
            // top of the last mutant.
            Bytes input = random.OneIn(4) ? previous : seed;
            kavitro::fuzz::Mutate(input, random, seeds);
            replay.Run("mutation", s, m, input);
            previous = std::move(input);
        }
    }
}

// Runs every regular file of the corpus folder, in name order; a missing
// folder is no error (a target's corpus starts empty).
void ReplayCorpus(Replay& replay, const std::filesystem::path& dir) {
    std::error_code ec;
    if (dir.empty() || !std::filesystem::is_directory(dir, ec))
        return;
    std::vector<std::filesystem::path> files;
    for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_regular_file(ec))
            files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    for (std::size_t i = 0; i < files.size(); ++i)
        replay.Run("corpus file", i, i, ReadFile(files[i]));
}

}  // namespace

int main(int argc, char** argv) {
    std::size_t runs = kDefaultRuns;
    std::vector<std::filesystem::path> files;
    std::filesystem::path corpus;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--runs" && i + 1 < argc) {
            runs = static_cast<std::size_t>(std::strtoull(argv[++i], nullptr, 10));
        } else if (arg == "--write-corpus" && i + 1 < argc) {
            corpus = argv[++i];
        } else if (arg.starts_with("-")) {
            std::cerr << "usage: " << argv[0] << " [--runs N] [--write-corpus DIR] [FILE...]\n";
            return 2;
        } else {
            files.emplace_back(arg);
        }
    }

    const std::vector<Bytes> seeds = KavitroFuzzSeeds();
    if (!corpus.empty())
        return WriteCorpus(corpus, seeds);

    InstallDeathReports();
    Replay replay;
    if (!files.empty()) {
        for (std::size_t i = 0; i < files.size(); ++i)
            replay.Run("file", i, i, ReadFile(files[i]));
    } else {
        ReplaySeeds(replay, seeds, runs);
        ReplayCorpus(replay, KAVITRO_FUZZ_CORPUS);
    }
    std::cout << "fuzz-replay " KAVITRO_FUZZ_NAME ": " << replay.Inputs() << " inputs, " << replay.Failures()
              << " failures" << std::endl;
    return replay.Failures() == 0 ? 0 : 1;
}
