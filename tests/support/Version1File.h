#pragma once

// Writes version-1.x document files (".kvl") from a description, byte for
// byte as that version lays them out, for the reader's tests and fuzz seeds:
// a 118-byte header, a skipped thumbnail, and for each page its picture
// blocks, the text-block head, the 1286-byte page record with its vowel
// signs, and 4436-byte text records of 200 character items.

#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/LittleEndian.h"

namespace kavitro::test {

// A Windows metafile without placeable header: one rectangle over (0, 0) to
// (w, h) and the end record.
inline std::vector<std::uint8_t> SmallWmfRecords(std::int16_t w = 1000, std::int16_t h = 800) {
    std::vector<std::uint8_t> bytes;
    LeWriter out(bytes);
    out.U16(1);       // in memory
    out.U16(9);       // header words
    out.U16(0x0300);  // version
    out.U32(9 + 7 + 3);
    out.U16(0);  // objects
    out.U32(7);  // largest record
    out.U16(0);
    out.U32(7);
    out.U16(0x041B);  // rectangle: bottom, right, top, left
    out.I16(h);
    out.I16(w);
    out.I16(0);
    out.I16(0);
    out.U32(3);
    out.U16(0);  // end
    return bytes;
}

struct Version1Picture {
    std::uint32_t kind = 1;  // 1: this page, 2: every page
    std::int32_t x = 0, y = 0, width = 0, height = 0;
    std::uint16_t metafileWidth = 1000, metafileHeight = 800;
    std::vector<std::uint8_t> records = SmallWmfRecords();
};

struct Version1Point {
    std::uint8_t sign = 0;
    float x = 0, y = 0, third = 0;
    std::int32_t angleTenths = 0;
    std::uint8_t kept[4] = {1, 2, 3, 4};
};

struct Version1Character {
    std::uint8_t glyph = 0;
    std::uint8_t legacyCode = 0;
    float x = 0, y = 0;
    std::uint8_t mark = 0, alternate = 0, font = 1;
    std::int32_t markDx = 0, markDy = 0;
};

struct Version1Text {
    std::uint32_t color = 0;
    float size = 20;
    std::int32_t angleTenths = 0;
    float x = 0, y = 0;
    std::vector<Version1Character> characters;
};

struct Version1Page {
    std::int32_t number = 0;  // 0: the page's place, counted from 1
    std::vector<Version1Picture> pictures;
    std::vector<Version1Point> points;
    std::optional<std::int32_t> pointsInUse;  // none: the number of points
    std::vector<Version1Text> texts;
};

struct Version1File {
    std::uint32_t landscape = 1;
    // Millimetres: width, height, left, right, top, bottom with landscape set;
    // height, width, top, bottom, left, right without.
    float pageValues[6] = {210, 297, 10, 12, 14, 16};
    std::int32_t screenWidth = 1000;
    std::vector<std::uint8_t> thumbnail = {'B', 'M', 0, 0};
    std::vector<Version1Page> pages;
    std::int64_t pageCount = -1;  // -1: the number of pages
};

// Calls write for each of a record's `places` fixed places: the items
// first, then default items for the places left.
template <class Item, class Write>
void ForEachPlace(const std::vector<Item>& items, std::size_t places, Write write) {
    for (std::size_t i = 0; i < places; ++i) write(i < items.size() ? items[i] : Item{});
}

inline std::vector<std::uint8_t> WriteVersion1File(const Version1File& file) {
    std::vector<std::uint8_t> bytes;
    LeWriter out(bytes);
    const char magic[] = "Kavitro Document File";
    out.Bytes(std::span(reinterpret_cast<const std::uint8_t*>(magic), sizeof magic - 1));
    out.U8(0);
    out.I32(static_cast<std::int32_t>(file.thumbnail.size()));
    out.U32(static_cast<std::uint32_t>(file.pageCount < 0 ? file.pages.size() : file.pageCount));
    out.Zeros(56);
    for (float v : file.pageValues) out.F32(v);
    out.U32(file.landscape);
    out.I32(file.screenWidth);
    out.Bytes(file.thumbnail);

    for (std::size_t p = 0; p < file.pages.size(); ++p) {
        const Version1Page& page = file.pages[p];
        for (const Version1Picture& picture : page.pictures) {
            const std::size_t head = out.Position();
            out.U32(picture.kind);
            out.U32(static_cast<std::uint32_t>(picture.records.size()));
            out.I32(picture.width);
            out.I32(picture.height);
            out.U16(picture.metafileWidth);
            out.U16(0);
            out.U16(picture.metafileHeight);
            out.Zeros(10);
            out.I32(picture.x);
            out.I32(picture.y);
            out.Zeros(head + 56 - out.Position());
            out.Bytes(picture.records);
        }
        out.U32(0);  // the text block
        out.U32(static_cast<std::uint32_t>(page.texts.size()));
        out.Zeros(48);

        const std::size_t record = out.Position();
        out.I32(page.number != 0 ? page.number : static_cast<std::int32_t>(p + 1));
        out.Zeros(12);
        ForEachPlace(page.points, 50, [&](const Version1Point& point) {
            out.U8(point.sign);
            out.F32(point.x);
            out.F32(point.y);
            out.F32(point.third);
            out.I32(point.angleTenths);
            out.Bytes(point.kept);
        });
        out.I32(page.pointsInUse.value_or(static_cast<std::int32_t>(page.points.size())));
        out.Zeros(record + 1286 - out.Position());

        for (const Version1Text& text : page.texts) {
            ForEachPlace(text.characters, 200, [&](const Version1Character& c) {
                out.U8(c.glyph);
                out.U8(c.legacyCode);
                out.F32(c.x);
                out.F32(c.y);
                out.U8(c.mark);
                out.U8(c.alternate);
                out.U8(0);
                out.U8(c.font);
                out.I32(c.markDx);
                out.I32(c.markDy);
            });
            out.U32(text.color);
            out.I32(static_cast<std::int32_t>(text.characters.size()));
            out.I32(0);
            out.F32(text.size);
            out.I32(text.angleTenths);
            out.F32(text.x);
            out.F32(text.y);
            out.Zeros(8);
        }
    }
    return bytes;
}

}  // namespace kavitro::test
