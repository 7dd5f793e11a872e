#pragma once

// Pictures made by the tests: packed DIBs of every depth, encoded images,
// metafiles recorded by our recorders, and Dodavo clip-art files packed with
// the program's codec.

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <vector>

#include <unistd.h>

#include <QBuffer>
#include <QByteArray>
#include <QImage>

#include "engine/Compressor.h"
#include "platform/DibImage.h"
#include "platform/EmfRecorder.h"
#include "platform/WmfRecorder.h"

namespace kavitro::test {

using Bytes = std::vector<std::uint8_t>;

inline void PutLE(Bytes& out, std::uint64_t v, int n) {
    for (int i = 0; i < n; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// A w x h DIB of a depth with a colour table for the palette depths and
// patterned pixels, as a packed DIB.
inline Bytes PackedDib(std::int32_t w, std::int32_t h, std::uint16_t bits) {
    const std::uint32_t colors = bits <= 8 ? (1u << bits) : 0;
    const std::uint32_t stride = ((static_cast<std::uint32_t>(w) * bits + 31) >> 5) * 4;
    Bytes out;
    PutLE(out, 40, 4);
    PutLE(out, static_cast<std::uint32_t>(w), 4);
    PutLE(out, static_cast<std::uint32_t>(h), 4);
    PutLE(out, 1, 2);
    PutLE(out, bits, 2);
    PutLE(out, 0, 4);
    PutLE(out, stride * static_cast<std::uint32_t>(h), 4);
    for (int i = 0; i < 4; ++i) PutLE(out, 0, 4);
    for (std::uint32_t i = 0; i < colors; ++i) PutLE(out, (i * 0x102030u) & 0xFFFFFFu, 4);
    for (std::uint32_t i = 0; i < stride * static_cast<std::uint32_t>(h); ++i)
        out.push_back(static_cast<std::uint8_t>((i * 37 + 11) & 0x7F));
    return out;
}

inline DibImage MakeDib(std::int32_t w, std::int32_t h, std::uint16_t bits) {
    return *DibImage::FromPacked(PackedDib(w, h, bits));
}

// An image file of a format, as Qt's writer makes it.
inline Bytes EncodedImage(const char* format, int w = 20, int h = 10) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image.setPixel(x, y, qRgb(x * 12, y * 25, 128));
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return Bytes(data.begin(), data.end());
}

// A 1 x 1 GIF (Qt has no GIF writer).
inline Bytes TinyGif() {
    return Bytes{0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x01, 0x00, 0x01, 0x00, 0x80, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x00, 0x00,
                 0x00, 0x2C, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x02, 0x02, 0x44, 0x01, 0x00, 0x3B};
}

// The same 35 bytes declaring a screen and an image of w x h pixels: a
// decoder fills what the one pixel of data leaves out.
inline Bytes GifDeclaring(std::uint16_t w, std::uint16_t h) {
    Bytes gif = TinyGif();
    for (const std::size_t at : {std::size_t{6}, std::size_t{24}}) {
        gif[at] = static_cast<std::uint8_t>(w);
        gif[at + 1] = static_cast<std::uint8_t>(w >> 8);
        gif[at + 2] = static_cast<std::uint8_t>(h);
        gif[at + 3] = static_cast<std::uint8_t>(h >> 8);
    }
    return gif;
}

// A Windows metafile (no placeable header) and an EMF of a small drawing.
inline Bytes RecordedWmf() {
    CWmfRecorder rec;
    rec.SetMapMode(MM_ANISOTROPIC);
    rec.SetWindowExt(Size{1000, 500});
    rec.Rectangle(Rect{10, 10, 990, 490});
    rec.LineTo(Point{1000, 500});
    return rec.Close();
}
inline Bytes PlaceableWmf(const Rect& box = Rect{0, 0, 1000, 500}) {
    return BuildPlaceableMetafile(RecordedWmf(), box, 576);
}
inline Bytes RecordedEmf() {
    CEmfRecorder rec;
    rec.SetFrame(Rect{0, 0, 4000, 2000});
    rec.Rectangle(Rect{10, 10, 150, 75});
    rec.Ellipse(Rect{20, 20, 60, 60});
    return rec.Close();
}

// ".kvt": the magic with its zero byte, mode, packed length - 1, unpacked
// length, stream. ".ekvt": the same with the longer magic and no zero.
inline Bytes DodavoFile(std::span<const std::uint8_t> content, bool enhanced, std::uint8_t level = 1) {
    CCompressor codec(level);
    codec.BorrowUnpacked(content);
    codec.Compress();
    const StoredBlockHeader h = codec.GetHeader();
    const std::string magic = enhanced ? std::string("Kavitro Enhanced Dodavo") : std::string("Kavitro Dodavo", 15);
    Bytes out(magic.begin(), magic.end());
    out.push_back(h.level);
    PutLE(out, h.packedCountMinusOne, 4);
    PutLE(out, h.unpackedLength, 4);
    out.insert(out.end(), codec.GetPacked().begin(), codec.GetPacked().end());
    return out;
}

inline void WriteFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}
inline Bytes ReadFile(const std::filesystem::path& path) {
    std::ifstream f(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// A 5 x 3 picture of four colours, stored compressed: 8- and 4-bit runs
// (with literal stretches, odd ones padded) and 16-bit masks. Rows are
// listed top first; the streams run bottom-up.
inline constexpr std::uint8_t kFourColourIndices[3][5] = {{0, 0, 0, 1, 2}, {3, 3, 3, 3, 3}, {1, 2, 1, 2, 0}};
inline constexpr std::uint32_t kFourColourPalette[4] = {0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF};
inline const Bytes kRle8Stream = {0, 5, 1, 2, 1, 2, 0, 0, 0, 0, 5, 3, 0, 0, 3, 0, 1, 1, 1, 2, 0, 1};
inline const Bytes kRle4Stream = {0, 5, 0x12, 0x12, 0x00, 0, 0, 0, 5, 0x33, 0, 0, 3, 0x00, 2, 0x12, 0, 1};

inline Bytes FourColourDib(std::uint16_t bits, std::uint32_t compression, const Bytes& pixels) {
    Bytes out;
    for (const std::uint32_t v : {40u, 5u, 3u}) PutLE(out, v, 4);
    PutLE(out, 1, 2);
    PutLE(out, bits, 2);
    PutLE(out, compression, 4);
    PutLE(out, pixels.size(), 4);
    for (const std::uint32_t v : {0u, 0u, bits <= 8 ? 4u : 0u, 0u}) PutLE(out, v, 4);
    if (compression == 3)
        for (const std::uint32_t m : {0xF800u, 0x07E0u, 0x001Fu}) PutLE(out, m, 4);
    if (bits <= 8)
        for (const std::uint32_t c : kFourColourPalette) PutLE(out, c, 4);
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
}
// The same picture uncompressed, 8 bits a pixel.
inline Bytes PlainFourColourDib() {
    Bytes rows;
    for (int y = 2; y >= 0; --y) {
        rows.insert(rows.end(), std::begin(kFourColourIndices[y]), std::end(kFourColourIndices[y]));
        rows.resize(rows.size() + 3, 0);
    }
    return FourColourDib(8, 0, rows);
}
inline Bytes MaskedFourColourDib() {
    Bytes rows;
    for (int y = 2; y >= 0; --y) {
        for (const std::uint8_t i : kFourColourIndices[y]) {
            const std::uint32_t c = kFourColourPalette[i];
            PutLE(rows, ((c >> 19) << 11) | (((c >> 10) & 0x3F) << 5) | ((c & 0xFF) >> 3), 2);
        }
        rows.resize(rows.size() + 2, 0);
    }
    return FourColourDib(16, 3, rows);
}
inline Bytes BitmapFileOf(const Bytes& dib) {
    Bytes out{'B', 'M'};
    PutLE(out, 14 + dib.size(), 4);
    PutLE(out, 0, 4);
    PutLE(out, 14 + 40 + (dib[14] <= 8 ? 16 : 0) + (dib[16] == 3 ? 12 : 0), 4);
    out.insert(out.end(), dib.begin(), dib.end());
    return out;
}

// A fresh folder for the files of one test.
inline std::filesystem::path TestFolder(const std::string& name) {
    const auto dir = std::filesystem::temp_directory_path() / ("kavitro-picture-" + name + "-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

}  // namespace kavitro::test
