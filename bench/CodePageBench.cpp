// Converting an imported file through a code-page filter, plain and in
// visual order (line reversal and digit runs). The goal: a few nanoseconds
// per byte, one record lookup each.

#include "input/CodePageTranslator.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace {

using kavitro::CCodePageTranslator;

void BM_TranslateFile(benchmark::State& state) {
    CCodePageTranslator filter;
    filter.m_header.m_id = std::u16string(CCodePageTranslator::kFilterId);
    filter.m_header.m_visualOrder = static_cast<std::int32_t>(state.range(0));
    filter.m_records.resize(CCodePageTranslator::kRecordCount);
    for (std::size_t i = 0; i + 1 < CCodePageTranslator::kRecordCount; ++i) {
        if (i % 17 == 3)
            continue;  // dropped bytes
        filter.m_records[i].m_units = {static_cast<std::uint16_t>(i < 0x5E ? 0x21 + i : 0x0600 + i % 0x100)};
    }

    // Lines of about 60 bytes of Persian letters, digits and spaces.
    std::vector<std::uint8_t> file(256 * 1024);
    std::uint32_t x = 12345;
    for (std::size_t i = 0; i < file.size(); ++i) {
        x = x * 1103515245u + 12345u;
        const std::uint32_t r = x >> 16;
        file[i] = r % 60 == 0 ? 10 : r % 7 == 0 ? 0x20 : r % 11 == 0 ? 0x30 + r % 10 : 0xA0 + r % 0x5F;
    }
    for (auto _ : state) {
        const std::u16string text = filter.Translate(file);
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(file.size()));
}
BENCHMARK(BM_TranslateFile)->Arg(0)->Arg(1);

}  // namespace
