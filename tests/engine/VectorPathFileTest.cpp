#include "engine/VectorPathFile.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/Compressor.h"
#include "engine/PathData.h"
#include "platform/Exceptions.h"
#include "tests/support/CapturedPolygon.h"

namespace kavitro {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Every seventh record a polygon, the others empty.
std::vector<CPathData> SampleRecords() {
    std::vector<CPathData> records(CVectorPathFile::kRecordCount);
    for (std::size_t i = 0; i < records.size(); ++i) {
        const auto v = static_cast<std::int32_t>(i);
        if (i % 7 == 0) {
            records[i] = test::CapturedPolygon({{-v, 40}, {-v, -300 - v}, {-10, -300}, {-10, 40 + v % 5}});
        } else {
            records[i].MakeEmpty();
        }
    }
    return records;
}

// Shortens bytes to their first n.
void Truncate(Bytes& bytes, std::size_t n) {
    bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(std::min(n, bytes.size())), bytes.end());
}

void PutI32(Bytes& bytes, std::size_t offset, std::int32_t v) {
    for (int i = 0; i < 4; ++i) {
        bytes[offset + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * i));
    }
}

TEST(VectorPathFileTest, ReadsBothTitleFormsAtEveryLevel) {
    const auto records = SampleRecords();
    const Bytes body = CVectorPathFile::SerializeBody(records);
    for (const auto form : {CVectorPathFile::TitleForm::EightBit, CVectorPathFile::TitleForm::Utf16}) {
        for (std::uint8_t level = 0; level <= 2; ++level) {
            const Bytes file = CVectorPathFile::Pack(body, form, level);
            const bool utf16 = form == CVectorPathFile::TitleForm::Utf16;
            ASSERT_EQ(file[0], utf16 ? 0xFF : 24);
            if (utf16) {
                ASSERT_EQ(Bytes(file.begin(), file.begin() + 5), (Bytes{0xFF, 0xFE, 0xFF, 24, 'K'}));
            }
            std::vector<CPathData> loaded(CVectorPathFile::kRecordCount);
            CVectorPathFile::Parse(file, loaded);
            ASSERT_EQ(loaded, records) << "title form " << utf16 << " level " << int{level};
        }
    }
    // The polygon records keep their measures: heights from device y.
    EXPECT_EQ(records[7].GetHeight(), 307);
    EXPECT_EQ(records[7].GetDepth(), 42);
}

TEST(VectorPathFileTest, RefusesFilesThatAreNotVectorPathFiles) {
    const Bytes good = CVectorPathFile::Pack(CVectorPathFile::SerializeBody(SampleRecords()),
                                             CVectorPathFile::TitleForm::EightBit, 1);
    const std::size_t header = 1 + 24;  // behind the title
    const std::vector<std::pair<std::string, std::function<void(Bytes&)>>> cases = {
        {"empty file", [](Bytes& f) { f.clear(); }},
        {"title in another case", [](Bytes& f) { f[1 + 8] = 'v'; }},
        {"title too short", [](Bytes& f) { f[0] = 23; }},
        {"title in UTF-16 form of another length", [](Bytes& f) { f[0] = 0xFF; f[1] = 0xFE; f[2] = 0xFF; f[3] = 0xFE; }},
        {"file cut inside the packed bytes", [](Bytes& f) { Truncate(f, f.size() - 10); }},
        {"file cut inside the header", [&](Bytes& f) { Truncate(f, header + 5); }},
        {"unknown level", [&](Bytes& f) { f[header] = 3; }},
        {"unpacked marker", [&](Bytes& f) { std::memset(&f[header + 1], 0xFF, 8); f[header] = 0; }},
        {"packed count beyond the file", [&](Bytes& f) { PutI32(f, header + 1, 0x7FFFFFF0); }},
        {"unpacked length no packed bytes can hold", [&](Bytes& f) { PutI32(f, header + 5, -16); }},
    };
    for (const auto& [name, corrupt] : cases) {
        Bytes file = good;
        corrupt(file);
        std::vector<CPathData> loaded(CVectorPathFile::kRecordCount);
        EXPECT_ANY_THROW(CVectorPathFile::Parse(file, loaded)) << name;
        EXPECT_TRUE(loaded.front().IsUnfilled()) << name;
    }
}

TEST(VectorPathFileTest, RefusesBadRecordsAndKeepsTheOnesBefore) {
    const auto records = SampleRecords();
    const Bytes body = CVectorPathFile::SerializeBody(records);
    // Record 0 is empty (16 bytes); record 7 is the first polygon, 4 points.
    std::size_t polygon = 0;
    for (std::size_t i = 0; i < 7; ++i) {
        polygon += 16 + 9 * static_cast<std::size_t>(records[i].GetPointCount());
    }
    const std::size_t types = polygon + 16;
    const std::vector<std::pair<std::string, std::function<void(Bytes&)>>> cases = {
        {"Bezier point", [&](Bytes& b) { b[types + 2] = PathPoint::BezierTo; }},
        {"closing Bezier point", [&](Bytes& b) { b[types + 3] = PathPoint::BezierTo | PathPoint::CloseFigure; }},
        {"unknown point type", [&](Bytes& b) { b[types + 1] = 7; }},
        {"figure not starting with a move", [&](Bytes& b) { b[types] = PathPoint::LineTo; }},
        {"segment count beside the points", [&](Bytes& b) { PutI32(b, polygon + 4, 3); }},
        {"negative point count", [&](Bytes& b) { PutI32(b, polygon, -4); }},
        {"point count beyond the body", [&](Bytes& b) { PutI32(b, polygon, 0x7FFFFFFF); }},
        {"body ends inside the record", [&](Bytes& b) { Truncate(b, types + 10); }},
        {"body ends before the record", [&](Bytes& b) { Truncate(b, polygon); }},
    };
    for (const auto& [name, corrupt] : cases) {
        Bytes damaged = body;
        corrupt(damaged);
        std::vector<CPathData> loaded(CVectorPathFile::kRecordCount);
        EXPECT_ANY_THROW(CVectorPathFile::Parse(
            CVectorPathFile::Pack(damaged, CVectorPathFile::TitleForm::Utf16, 0), loaded))
            << name;
        for (std::size_t i = 0; i < 7; ++i) {
            ASSERT_EQ(loaded[i], records[i]) << name << ": record " << i << " was read before the fault";
        }
        for (std::size_t i = 7; i < loaded.size(); ++i) {
            ASSERT_TRUE(loaded[i].IsUnfilled()) << name << ": record " << i;
        }
    }
}

TEST(PathDataTest, CaptureCountsSegmentsAndMeasuresEndPointsOnly) {
    PathBuffer path;
    path.points = {{0, 30}, {-100, 30}, {-100, -500}, {-200, -900}, {-300, 0}, {-300, 200}};
    path.types = {PathPoint::MoveTo, PathPoint::LineTo, PathPoint::BezierTo, PathPoint::BezierTo,
                  PathPoint::BezierTo, PathPoint::LineTo | PathPoint::CloseFigure};
    CPathData record;
    EXPECT_TRUE(record.IsUnfilled());
    record.Capture(path);
    EXPECT_EQ(record.GetPointCount(), 6);
    EXPECT_EQ(record.GetSegmentCount(), 4);
    EXPECT_EQ(record.GetDepth(), 200);  // the last point; the controls at -500 and -900 do not count
    EXPECT_EQ(record.GetHeight(), 0);
    EXPECT_EQ(record.GetPoints()[3], (Point{-200, 900}));  // y turned upward

    CPathData empty;
    empty.Capture(PathBuffer{});
    EXPECT_EQ(empty.GetPointCount(), 0);
    EXPECT_EQ(empty.GetYMax(), 0);
    EXPECT_EQ(empty.GetYMin(), 0);
}

TEST(PathDataTest, MalformedPathIsRefusedAndLeavesTheRecord) {
    const std::vector<PathBuffer> bad = {
        {{{0, 0}, {1, 1}}, {PathPoint::MoveTo}},                                              // arrays disagree
        {{{0, 0}, {1, 1}, {2, 2}}, {PathPoint::MoveTo, PathPoint::BezierTo, PathPoint::BezierTo}},  // Bezier cut short
        {{{0, 0}, {1, 1}}, {PathPoint::MoveTo, 8}},                                           // unknown type
    };
    for (const PathBuffer& path : bad) {
        CPathData record;
        EXPECT_THROW(record.Capture(path), UserException);
        EXPECT_TRUE(record.IsUnfilled());
    }
}

}  // namespace
}  // namespace kavitro
