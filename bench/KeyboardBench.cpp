// Translating an inserted block of text character by character, as pasting
// and the import wizard do: a mix of typed Latin keys, Persian letters,
// Arabic forms that fold and characters that are refused. The goal is a few
// nanoseconds per character, with no allocation.

#include "input/KeyboardLayoutModule.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace {

using kavitro::CKeyboardLayoutModule;

void BM_TranslateBlock(benchmark::State& state) {
    CKeyboardLayoutModule module;
    CKeyboardLayoutModule::KeyTable table;
    for (std::size_t i = 0; i < table.size(); ++i)
        table[i] = i < 0x21 ? 0xFFFF : static_cast<std::uint16_t>(0x0621 + i % 0x2A);
    module.SetTable(table);

    std::vector<std::uint32_t> block(64 * 1024);
    std::uint32_t x = 12345;
    for (std::uint32_t& code : block) {
        x = x * 1103515245u + 12345u;
        const std::uint32_t r = x >> 8;
        switch ((x >> 16) % 4) {
        case 0: code = 0x20 + r % 0x5F; break;     // typed keys
        case 1: code = 0x0600 + r % 0x100; break;  // the Arabic block
        case 2: code = 0x06F0 + r % 10; break;     // Persian digits
        default: code = r % 0x3000; break;         // anything
        }
    }
    for (auto _ : state) {
        std::uint32_t kept = 0;
        for (std::uint32_t code : block)
            kept += module.TranslateChar(code) < 0xFFFF ? 1u : 0u;
        benchmark::DoNotOptimize(kept);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(block.size()));
}
BENCHMARK(BM_TranslateBlock);

}  // namespace
