// The code-page filter reader: CCodePageTranslator::LoadFromBytes over a whole
// filter file, then the conversion of the same bytes through what loaded.
//
// Beyond "no crash": the reader never throws (a bad file is a refusal) and a
// refusal leaves the translator as it was; a filter that loads has exactly
// 224 records, and stored again it loads to the same header and records and
// stores to the same bytes; the conversion gives each byte below 0x21 as
// itself and each other byte its record's units, so the output length is
// the sum of those (in visual order too, which only reorders).

#include "FuzzSupport.h"
#include "SampleCodePageFilter.h"
#include "input/CodePageTranslator.h"

namespace kavitro::fuzz {
namespace {

using Filter = CCodePageTranslator;

std::vector<std::vector<std::uint16_t>> RecordsOf(const Filter& filter) {
    std::vector<std::vector<std::uint16_t>> records;
    for (const CTranslatedUnicodeChar& record : filter.m_records)
        records.push_back(record.m_units);
    return records;
}

void FuzzFilter(std::span<const std::uint8_t> input) {
    Filter filter;
    filter.m_header.m_displayName = u"before";
    const int result = filter.LoadFromBytes(input);
    KAVITRO_FUZZ_CHECK(result == Filter::kLoaded || result == Filter::kWrongId || result == Filter::kFailed);
    if (result != Filter::kLoaded) {
        KAVITRO_FUZZ_CHECK(filter.m_header.m_displayName == u"before" && filter.m_records.empty() &&
                           filter.m_loaded == 0);
        return;
    }
    KAVITRO_FUZZ_CHECK(filter.m_loaded == 1 && filter.m_records.size() == Filter::kRecordCount);
    KAVITRO_FUZZ_CHECK(filter.m_header.m_id == Filter::kFilterId);

    const Bytes stored = filter.StoreToBytes();
    Filter again;
    KAVITRO_FUZZ_CHECK(again.LoadFromBytes(stored) == Filter::kLoaded);
    KAVITRO_FUZZ_CHECK(again.m_header.m_displayName == filter.m_header.m_displayName &&
                       again.m_header.m_visualOrder == filter.m_header.m_visualOrder);
    KAVITRO_FUZZ_CHECK(RecordsOf(again) == RecordsOf(filter));
    KAVITRO_FUZZ_CHECK(again.StoreToBytes() == stored);

    const std::u16string text = filter.Translate(input);
    std::size_t expected = 0;
    for (std::uint8_t byte : input)
        expected += byte < Filter::kFirstMappedByte ? 1 : filter.m_records[byte - Filter::kFirstMappedByte].m_units.size();
    KAVITRO_FUZZ_CHECK(text.size() == expected);
}

}  // namespace
}  // namespace kavitro::fuzz

std::vector<kavitro::fuzz::Bytes> KavitroFuzzSeeds() {
    using kavitro::fuzz::Bytes;
    std::vector<Bytes> seeds = {kavitro::fuzz::SampleCodePageFilter(0).StoreToBytes(),
                                kavitro::fuzz::SampleCodePageFilter(1).StoreToBytes()};
    // The id in the 8-bit string form.
    seeds.push_back(kavitro::fuzz::WithEightBitString(seeds.front(), "DefaultKB_Kavitro"));
    return seeds;
}

KAVITRO_FUZZ_ENTRY(kavitro::fuzz::FuzzFilter)
