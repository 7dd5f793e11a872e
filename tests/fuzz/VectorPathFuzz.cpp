// The vector-path file loader: CVectorPathFile::Parse over a whole file
// (title string, stored block, 1280 records in its body).
//
// Beyond "no crash": a file that loads holds only well-formed polygon
// records, and writing them again (body, title, block) gives a file that
// loads to the same records.

#include <algorithm>

#include "FuzzSupport.h"
#include "engine/PathData.h"
#include "engine/VectorPathFile.h"
#include "tests/support/CapturedPolygon.h"

namespace kavitro::fuzz {
namespace {

// The round trip is only checked for bodies up to this size.
constexpr std::size_t kLargestRewrite = 1u << 20;

void FuzzVectorPath(std::span<const std::uint8_t> input) {
    std::vector<CPathData> records(CVectorPathFile::kRecordCount);
    if (!CompletesOrRefuses([&] { CVectorPathFile::Parse(input, records); }))
        return;

    std::size_t points = 0;
    for (const CPathData& record : records) {
        KAVITRO_FUZZ_CHECK(record.GetPointCount() == record.GetSegmentCount());
        KAVITRO_FUZZ_CHECK(record.GetTypes().size() == record.GetPoints().size());
        if (!record.GetTypes().empty())
            KAVITRO_FUZZ_CHECK(record.GetTypes()[0] == PathPoint::MoveTo);
        points += record.GetPoints().size();
    }
    // Sixteen bytes per record and nine per point came out of the block.
    const std::size_t bodySize = 16 * records.size() + 9 * points;
    if (bodySize > kLargestRewrite)
        return;
    const Bytes body = CVectorPathFile::SerializeBody(records);
    KAVITRO_FUZZ_CHECK(body.size() == bodySize);
    const Bytes file = CVectorPathFile::Pack(body, CVectorPathFile::TitleForm::Utf16, 0);
    std::vector<CPathData> again(CVectorPathFile::kRecordCount);
    CVectorPathFile::Parse(file, again);
    KAVITRO_FUZZ_CHECK(again == records);
}

std::vector<CPathData> EmptyRecords() {
    std::vector<CPathData> records(CVectorPathFile::kRecordCount);
    for (CPathData& r : records)
        r.MakeEmpty();
    return records;
}

// Every fifth record a polygon of one or two figures, the others empty.
std::vector<CPathData> SampleRecords() {
    std::vector<CPathData> records = EmptyRecords();
    for (std::size_t i = 0; i < records.size(); i += 5) {
        const auto v = static_cast<std::int32_t>(i);
        records[i] = test::CapturedPolygon({{-v, 40}, {-v, -300 - v}, {-10, -300}, {-10, 40 + v % 7}}, 1 + i % 2);
    }
    return records;
}

}  // namespace
}  // namespace kavitro::fuzz

std::vector<kavitro::fuzz::Bytes> KavitroFuzzSeeds() {
    using kavitro::CVectorPathFile;
    using kavitro::fuzz::Bytes;
    const Bytes empty = CVectorPathFile::SerializeBody(kavitro::fuzz::EmptyRecords());
    const Bytes sample = CVectorPathFile::SerializeBody(kavitro::fuzz::SampleRecords());

    std::vector<Bytes> seeds;
    for (std::uint8_t level = 0; level <= 2; ++level) {
        seeds.push_back(CVectorPathFile::Pack(sample, CVectorPathFile::TitleForm::EightBit, level));
        seeds.push_back(CVectorPathFile::Pack(sample, CVectorPathFile::TitleForm::Utf16, level));
    }
    seeds.push_back(CVectorPathFile::Pack(empty, CVectorPathFile::TitleForm::EightBit, 1));
    // The title's length in the longer forms the writer never uses.
    {
        const Bytes eightBit = CVectorPathFile::Pack(empty, CVectorPathFile::TitleForm::EightBit, 2);
        const Bytes utf16 = CVectorPathFile::Pack(empty, CVectorPathFile::TitleForm::Utf16, 2);
        const std::uint8_t n = eightBit[0];
        const std::vector<Bytes> lengths = {
            {0xFF, n, 0},
            {0xFF, 0xFF, 0xFF, n, 0, 0, 0},
            {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, n, 0, 0, 0, 0, 0, 0, 0},
        };
        for (const Bytes& length : lengths) {
            Bytes b = length;
            b.insert(b.end(), eightBit.begin() + 1, eightBit.end());
            seeds.push_back(b);
            b = {0xFF, 0xFE, 0xFF};  // the UTF-16 tag, then the same length
            b.insert(b.end(), length.begin(), length.end());
            b.insert(b.end(), utf16.begin() + 4, utf16.end());
            seeds.push_back(b);
        }
    }
    // Damaged bodies, well packed: the block unpacks and the records are
    // what is wrong. Level 0 packs the varied records mostly as literals, so
    // mutations of these files also reach the body.
    kavitro::fuzz::Random random(0x565046);
    for (int i = 0; i < 24; ++i) {
        Bytes body = sample;
        kavitro::fuzz::Mutate(body, random);
        seeds.push_back(CVectorPathFile::Pack(body, CVectorPathFile::TitleForm::EightBit, 0));
    }
    return seeds;
}

KAVITRO_FUZZ_ENTRY(kavitro::fuzz::FuzzVectorPath)
