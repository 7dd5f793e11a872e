// Raster and vector pictures: their stored forms, the files they read and
// write, and how they refuse bad bytes.

#include <algorithm>
#include <functional>

#include <gtest/gtest.h>

#include "PictureFixtures.h"
#include "document/Dib.h"
#include "document/MetafilePicture.h"
#include "document/PictureBudget.h"
#include "platform/Exceptions.h"
#include "platform/Metafile.h"
#include "platform/SpyDC.h"
#include "tests/support/StoredBytes.h"

namespace kavitro::test {
namespace {

void LoadDib(CDib& dib, const Bytes& bytes, bool unpacked = false) {
    CArchive ar = CArchive::ForLoading(bytes);
    if (unpacked) dib.ReadUnpacked(ar);
    else dib.Load(ar);
    EXPECT_TRUE(ar.IsAtEnd());
}
std::uint32_t U32At(const Bytes& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t{b[at + 3]} << 24);
}

TEST(DibTest, PackedAndUnpackedFormsKeepEveryDepth) {
    for (const std::uint16_t bits : {1, 4, 8, 16, 24, 32}) {
        SCOPED_TRACE(bits);
        CDib dib;
        dib.SetDib(MakeDib(13, 7, bits));
        const Bytes stored = StoredBytes(&CDib::Store, dib);
        // 9-byte head: level, packed length - 1, unpacked length (the BMP file).
        ASSERT_GT(stored.size(), 9u);
        EXPECT_EQ(U32At(stored, 1) + 1u, stored.size() - 9);
        EXPECT_EQ(U32At(stored, 5), dib.BuildBitmapFile().size());

        CDib loaded;
        LoadDib(loaded, stored);
        ASSERT_NE(loaded.GetDib(), nullptr);
        EXPECT_EQ(*loaded.GetDib(), *dib.GetDib());
        EXPECT_EQ(StoredBytes(&CDib::Store, loaded), stored);

        const Bytes bmp = StoredBytes(&CDib::WriteUnpacked, dib);
        const std::uint32_t colorTable = bits <= 8 ? (4u << bits) : 0;
        EXPECT_EQ(bmp[0], 'B');
        EXPECT_EQ(bmp[1], 'M');
        EXPECT_EQ(U32At(bmp, 2), bmp.size());
        EXPECT_EQ(U32At(bmp, 10), 14 + 40 + colorTable);
        CDib fromBmp;
        LoadDib(fromBmp, bmp, true);
        EXPECT_EQ(*fromBmp.GetDib(), *dib.GetDib());
        EXPECT_FALSE(fromBmp.IsEncoded());
    }
}

TEST(DibTest, EncodedImagesKeepTheirBytes) {
    for (const char* format : {"PNG", "JPEG", "GIF", "TIFF", "BMP"}) {
        SCOPED_TRACE(format);
        const bool gif = std::string(format) == "GIF";
        const Bytes file = gif ? TinyGif() : EncodedImage(format);
        ASSERT_FALSE(file.empty());
        CDib dib;
        ASSERT_TRUE(dib.LoadImageBytes(file));
        EXPECT_TRUE(dib.IsEncoded());
        EXPECT_EQ(dib.GetWidth(), gif ? 1 : 20);
        EXPECT_EQ(dib.GetHeight(), gif ? 1 : 10);
        EXPECT_EQ(dib.GetDib()->GetHeader().bitCount, 32);

        const Bytes stored = StoredBytes(&CDib::Store, dib);
        // The unpacked marker, tag 0xAAFF, 12 zeros, length, the file as read.
        const Bytes head{0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xAA};
        ASSERT_EQ(stored.size(), 9 + 2 + 12 + 4 + file.size());
        EXPECT_TRUE(std::equal(head.begin(), head.end(), stored.begin()));
        EXPECT_TRUE(std::all_of(stored.begin() + 11, stored.begin() + 23, [](std::uint8_t b) { return b == 0; }));
        EXPECT_EQ(U32At(stored, 23), file.size());
        EXPECT_TRUE(std::equal(file.begin(), file.end(), stored.begin() + 27));

        CDib loaded;
        LoadDib(loaded, stored);
        EXPECT_EQ(loaded.GetEncodedBytes(), file);
        EXPECT_EQ(*loaded.GetDib(), *dib.GetDib());
        EXPECT_EQ(StoredBytes(&CDib::Store, loaded), stored);
    }
}

TEST(DibTest, LoadsImageFilesAndRefusesWhatDoesNotDecode) {
    const auto dir = TestFolder("dib-files");
    const Bytes png = EncodedImage("PNG");
    WriteFile(dir / "a.png", png);
    WriteFile(dir / "broken.png", Bytes(png.begin(), png.begin() + 30));
    WriteFile(dir / "a.pbm", Bytes{'P', '1', '\n', '1', ' ', '1', '\n', '1', '\n'});  // a format we do not take

    CDib dib;
    EXPECT_TRUE(dib.LoadImageFile(dir / "a.png"));
    EXPECT_EQ(dib.GetEncodedBytes(), png);
    for (const char* name : {"broken.png", "a.pbm", "missing.png"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(dib.LoadImageFile(dir / name));
        EXPECT_TRUE(dib.IsEmpty());
        EXPECT_EQ(dib.GetWidth(), 0);
        EXPECT_EQ(dib.GetHeight(), 0);
    }
    std::filesystem::remove_all(dir);
}

// An 8-bit RGB PNG of w x h black pixels, holding the data of its first
// `rows` rows only, so that a huge header costs nothing to make.
Bytes BlackPng(std::uint32_t w, std::uint32_t h, std::uint32_t rows) {
    const auto putBE = [](Bytes& out, std::uint32_t v) {
        for (int i = 3; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    const auto chunk = [&](Bytes& out, const char* type, const Bytes& data) {
        putBE(out, static_cast<std::uint32_t>(data.size()));
        const std::size_t from = out.size();
        out.insert(out.end(), type, type + 4);
        out.insert(out.end(), data.begin(), data.end());
        std::uint32_t crc = ~0u;
        for (std::size_t i = from; i < out.size(); ++i) {
            crc ^= out[i];
            for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
        putBE(out, ~crc);
    };
    Bytes header;
    putBE(header, w);
    putBE(header, h);
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB, no interlace
    // Each row is its filter byte and the pixels, all zero.
    const QByteArray packed = qCompress(QByteArray(static_cast<qsizetype>(rows) * (1 + 3 * qsizetype{w}), '\0'), 1);
    const Bytes pixels(packed.begin() + 4, packed.end());  // past qCompress's length prefix: a zlib stream
    Bytes out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    chunk(out, "IHDR", header);
    chunk(out, "IDAT", pixels);
    chunk(out, "IEND", {});
    return out;
}

TEST(DibTest, TakesLargeScansAndRefusesHugeHeadersBeforeDecoding) {
    // 5800 x 5800 decodes to about 135 MB of 32-bit pixels, as much as an A4
    // page scanned at 600 dpi.
    CDib dib;
    ASSERT_TRUE(dib.LoadImageBytes(BlackPng(5800, 5800, 5800)));
    EXPECT_EQ(dib.GetWidth(), 5800);
    EXPECT_EQ(dib.GetHeight(), 5800);
    EXPECT_EQ(dib.GetDib()->GetPixel(5799, 0), 0u);
    // 900 million pixels is refused from the header alone (its rows are missing).
    EXPECT_FALSE(dib.LoadImageBytes(BlackPng(30000, 30000, 1)));
    EXPECT_TRUE(dib.IsEmpty());
}

// Every form a picture arrives in takes its decoded bytes from the budget
// before anything is decoded or unpacked; one the budget cannot afford is
// refused and takes nothing. A 35-byte GIF declaring 65 million pixels
// would cost a quarter of a gigabyte to decode.
TEST(DibTest, EveryPictureFormTakesFromTheBudgetBeforeDecoding) {
    const auto archived = [](const Bytes& bytes, bool unpacked) {
        return [bytes, unpacked](CDib& dib) {
            try {
                CArchive ar = CArchive::ForLoading(bytes);
                if (unpacked) dib.ReadUnpacked(ar);
                else dib.Load(ar);
                return true;
            } catch (const UserException&) {
                return false;
            }
        };
    };
    CDib source;
    source.SetDib(MakeDib(20, 10, 8));
    const Bytes packedBytes = StoredBytes(&CDib::Store, source);
    const Bytes bitmapFileBytes = StoredBytes(&CDib::WriteUnpacked, source);
    const Bytes png = EncodedImage("png");
    const Bytes bomb = GifDeclaring(2053, 31872);
    const QImage clipboardImage(20, 10, QImage::Format_ARGB32);

    struct Case {
        const char* form;
        std::function<bool(CDib&)> load;
        std::int64_t bytes;
    };
    const Case cases[] = {
        {"png", [&](CDib& d) { return d.LoadImageBytes(png); }, 20 * 10 * 4},
        {"gif bomb", [&](CDib& d) { return d.LoadImageBytes(bomb); }, std::int64_t{2053} * 31872 * 4},
        {"clipboard image", [&](CDib& d) { return d.FromImage(clipboardImage); }, 20 * 10 * 4},
        {"packed bitmap", archived(packedBytes, false), StoredBlockHeader::Read(packedBytes).unpackedLength},
        {"bitmap file", archived(bitmapFileBytes, true), U32At(bitmapFileBytes, 2)},
        {"run-length bitmap file", archived(BitmapFileOf(FourColourDib(8, 1, kRle8Stream)), true), 5 * 3 * 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.form);
        {
            PictureBudget budget(c.bytes - 1);
            CDib dib;
            EXPECT_FALSE(c.load(dib));
            EXPECT_TRUE(dib.IsEmpty());
            EXPECT_EQ(budget.GetRemaining(), c.bytes - 1);
        }
        if (c.bytes > 1000) continue;  // the bomb is never decoded here
        PictureBudget outer(c.bytes + 5);
        PictureBudget inner(c.bytes * 10);
        CDib dib;
        EXPECT_TRUE(c.load(dib));
        EXPECT_EQ(outer.GetRemaining(), 5);  // a nested budget takes from both
        EXPECT_FALSE(c.load(dib));
    }
}

// A 2 x 2 BMP file: red, green on the top row; blue, white below.
struct BitmapFileForm {
    const char* name;
    std::uint32_t headerSize;
    std::uint16_t bits;
    bool bitFields;
    bool topDown = false;
    std::uint32_t gap = 0;  // bytes between the colour table and the rows
};

Bytes BitmapFile(const BitmapFileForm& f) {
    const std::uint32_t rgb[2][2] = {{0xFF0000, 0x00FF00}, {0x0000FF, 0xFFFFFF}};
    // 16 bits: 5-6-5; 32 bits: red in the top byte, as RGBA writers lay it out.
    const std::uint32_t masks[3] = {f.bits == 16 ? 0xF800u : 0xFF000000u, f.bits == 16 ? 0x07E0u : 0x00FF0000u,
                                    f.bits == 16 ? 0x001Fu : 0x0000FF00u};
    const std::uint32_t colors = f.bits == 8 ? 4 : 0;
    const std::uint32_t stride = ((f.bits * 2 + 31) / 32) * 4;
    const std::uint32_t extraMasks = f.bitFields && f.headerSize == 40 ? 12 : 0;
    const std::uint32_t offBits = 14 + f.headerSize + extraMasks + colors * 4 + f.gap;
    Bytes out{'B', 'M'};
    PutLE(out, offBits + stride * 2, 4);
    PutLE(out, 0, 4);
    PutLE(out, offBits, 4);
    Bytes header;
    PutLE(header, f.headerSize, 4);
    PutLE(header, 2, 4);
    PutLE(header, f.topDown ? 0xFFFFFFFEu : 2u, 4);
    PutLE(header, 1, 2);
    PutLE(header, f.bits, 2);
    PutLE(header, f.bitFields ? 3 : 0, 4);
    PutLE(header, stride * 2, 4);
    PutLE(header, 2835, 4);
    PutLE(header, 2835, 4);
    PutLE(header, colors, 4);
    PutLE(header, 0, 4);
    if (f.bitFields || f.headerSize > 40)
        for (std::uint32_t m : masks) PutLE(header, f.bitFields ? m : 0xA5A5A5A5u, 4);  // ignored unless BI_BITFIELDS
    header.resize(f.headerSize + extraMasks, 0);
    out.insert(out.end(), header.begin(), header.end());
    for (std::uint32_t i = 0; i < colors; ++i) PutLE(out, rgb[i / 2][i % 2], 4);
    out.resize(offBits, 0xCC);
    for (int r = 0; r < 2; ++r) {
        const int y = f.topDown ? r : 1 - r;
        Bytes row;
        for (int x = 0; x < 2; ++x) {
            const std::uint32_t c = rgb[y][x];
            const std::uint32_t red = c >> 16, green = (c >> 8) & 0xFF, blue = c & 0xFF;
            switch (f.bits) {
                case 8: row.push_back(static_cast<std::uint8_t>(y * 2 + x)); break;
                case 16: PutLE(row, ((red >> 3) << 11) | ((green >> 2) << 5) | (blue >> 3), 2); break;
                case 24: PutLE(row, c, 3); break;
                default: PutLE(row, f.bitFields ? (red << 24) | (green << 16) | (blue << 8) | 0xFF : c, 4); break;
            }
        }
        row.resize(stride, 0);
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

TEST(DibTest, ReadsBitmapFilesOfEveryCommonHeader) {
    const BitmapFileForm forms[] = {
        {"info 24-bit", 40, 24, false},
        {"info 16-bit masks", 40, 16, true},
        {"V2 8-bit palette", 52, 8, false},
        {"V3 16-bit masks top-down", 56, 16, true, true},
        {"V4 24-bit rows after a gap", 108, 24, false, false, 6},
        {"V5 32-bit RGBA masks", 124, 32, true},
        {"V5 32-bit plain", 124, 32, false},
        {"V5 8-bit palette top-down", 124, 8, false, true},
    };
    for (const BitmapFileForm& form : forms) {
        SCOPED_TRACE(form.name);
        CDib dib;
        ASSERT_TRUE(dib.LoadImageBytes(BitmapFile(form)));
        const DibImage& image = *dib.GetDib();
        EXPECT_EQ(image.GetHeader().size, 40u);
        EXPECT_EQ(image.GetPixel(0, 0), RGB(255, 0, 0));
        EXPECT_EQ(image.GetPixel(1, 0), RGB(0, 255, 0));
        EXPECT_EQ(image.GetPixel(0, 1), RGB(0, 0, 255));
        EXPECT_EQ(image.GetPixel(1, 1), RGB(255, 255, 255));
    }

    Bytes unknownHeader = BitmapFile({"", 64, 24, false});
    Bytes maskedDepth = BitmapFile({"", 124, 24, false});
    maskedDepth[14 + 16] = 3;  // BI_BITFIELDS is for 16 and 32 bits only
    Bytes shortRows = BitmapFile({"", 124, 32, true});
    shortRows.pop_back();
    Bytes shortHeader = BitmapFile({"", 124, 32, true});
    shortHeader.resize(14 + 100);
    const std::pair<const char*, const Bytes*> refused[] = {
        {"64-byte header", &unknownHeader}, {"masks at 24 bits", &maskedDepth},
        {"rows cut short", &shortRows},     {"header cut short", &shortHeader}};
    for (const auto& [name, bytes] : refused) {
        CDib dib;
        EXPECT_FALSE(dib.LoadImageBytes(*bytes)) << name;
    }
}

TEST(DibTest, RefusesBadAndShortForms) {
    CDib good;
    good.SetDib(MakeDib(5, 3, 24));
    const Bytes packed = StoredBytes(&CDib::Store, good);
    CCompressor codec;
    const Bytes notBmp = codec.PackBlock(Bytes(64, 'x'));
    const Bytes fourteen = codec.PackBlock(Bytes{'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    Bytes bmpTooSmall = StoredBytes(&CDib::WriteUnpacked, good);
    bmpTooSmall[2] = 40;  // bfSize below file header + info header
    bmpTooSmall[3] = bmpTooSmall[4] = bmpTooSmall[5] = 0;
    Bytes encodedJunk{0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xAA};
    encodedJunk.resize(23, 0);
    PutLE(encodedJunk, 4, 4);
    for (char c : std::string("junk")) encodedJunk.push_back(static_cast<std::uint8_t>(c));
    Bytes unknownTag = {0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 'X', 'Y'};
    unknownTag.resize(9 + 14, 0);
    Bytes badLevel = packed;
    badLevel[0] = 3;
    Bytes overlong = packed;
    overlong[5] = overlong[6] = overlong[7] = 0xFF;
    overlong[8] = 0x0F;

    struct Case {
        const char* name;
        Bytes bytes;
        bool userError;  // otherwise the end of the file
    };
    const Case cases[] = {
        {"short head", Bytes(packed.begin(), packed.begin() + 8), false},
        {"unpacked length 14", fourteen, true},
        {"not a bitmap file", notBmp, true},
        {"level 3", badLevel, true},
        {"longer than the packed bytes can hold", overlong, true},
        {"unpacked marker without a picture", Bytes{0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, false},
        {"encoded bytes that do not decode", encodedJunk, true},
        {"unknown tag", unknownTag, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CDib dib;
        CArchive ar = CArchive::ForLoading(c.bytes);
        if (c.userError) EXPECT_THROW(dib.Load(ar), UserException);
        else EXPECT_THROW(dib.Load(ar), ArchiveException);
        EXPECT_TRUE(dib.IsEmpty());
    }
    CDib dib;
    CArchive ar = CArchive::ForLoading(bmpTooSmall);
    EXPECT_THROW(dib.ReadUnpacked(ar), UserException);

    // Every truncation of a stored picture is refused (and leaks nothing).
    CDib png;
    ASSERT_TRUE(png.LoadImageBytes(EncodedImage("PNG")));
    for (const Bytes& whole : {packed, StoredBytes(&CDib::WriteUnpacked, good), StoredBytes(&CDib::Store, png)}) {
        const bool unpacked = whole[0] == 'B';
        for (std::size_t n = 0; n < whole.size(); ++n) {
            CDib d;
            CArchive cut = CArchive::ForLoading(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n)));
            EXPECT_ANY_THROW(unpacked ? d.ReadUnpacked(cut) : d.Load(cut)) << n;
            EXPECT_TRUE(d.IsEmpty());
        }
    }
}

TEST(DibTest, CompressedBitmapsReadAsTheirPixelsInEveryForm) {
    CDib plain;
    plain.SetDib(*DibImage::FromPacked(PlainFourColourDib()));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
                const std::uint32_t c = kFourColourPalette[kFourColourIndices[y][x]];
                ASSERT_EQ(plain.GetDib()->GetPixel(x, y), RGB(c >> 16, (c >> 8) & 0xFF, c & 0xFF));
            }
    const std::pair<const char*, Bytes> compressed[] = {
        {"8-bit runs", FourColourDib(8, 1, kRle8Stream)},
        {"4-bit runs", FourColourDib(4, 2, kRle4Stream)},
        {"16-bit masks", MaskedFourColourDib()},
    };
    CCompressor codec;
    for (const auto& [name, dib] : compressed) {
        const Bytes file = BitmapFileOf(dib);
        const std::pair<const char*, std::function<void(CDib&)>> forms[] = {
            {"bitmap file", [&](CDib& d) { LoadDib(d, file, true); }},
            {"packed", [&](CDib& d) { LoadDib(d, codec.PackBlock(file)); }},
            {"image file", [&](CDib& d) { ASSERT_TRUE(d.LoadImageBytes(file)); }},
        };
        for (const auto& [form, load] : forms) {
            SCOPED_TRACE(std::string(name) + ", " + form);
            CDib loaded;
            load(loaded);
            ASSERT_FALSE(loaded.IsEmpty());
            ASSERT_EQ(loaded.GetWidth(), 5);
            ASSERT_EQ(loaded.GetHeight(), 3);
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 5; ++x)
                    EXPECT_EQ(loaded.GetDib()->GetPixel(x, y), plain.GetDib()->GetPixel(x, y)) << x << "," << y;
            // Stored again it is an uncompressed bitmap.
            EXPECT_EQ(loaded.GetDib()->GetHeader().compression, 0u);
        }
    }

    // Streams that leave the bitmap or their bytes are damage, not pictures.
    const auto with = [](std::size_t at, std::size_t erase, Bytes insert) {
        Bytes b = kRle8Stream;
        b.erase(b.begin() + static_cast<std::ptrdiff_t>(at), b.begin() + static_cast<std::ptrdiff_t>(at + erase));
        b.insert(b.begin() + static_cast<std::ptrdiff_t>(at), insert.begin(), insert.end());
        return b;
    };
    const std::pair<const char*, Bytes> damaged[] = {
        {"no end of bitmap", with(20, 2, {})},
        {"run past the row", with(10, 1, {6})},
        {"literal past the row", with(1, 1, {6})},
        {"delta past the top", with(0, 0, {0, 2, 0, 3})},
        {"literal cut by the end", Bytes{0, 5, 1, 2}},
        {"a fourth row", with(20, 0, {0, 0, 1, 1})},
    };
    for (const auto& [name, stream] : damaged) {
        SCOPED_TRACE(name);
        const Bytes file = BitmapFileOf(FourColourDib(8, 1, stream));
        CDib dib;
        CArchive ar = CArchive::ForLoading(file);
        EXPECT_THROW(dib.ReadUnpacked(ar), UserException);
        EXPECT_TRUE(dib.IsEmpty());
        CArchive packed = CArchive::ForLoading(codec.PackBlock(file));
        EXPECT_THROW(dib.Load(packed), UserException);
        EXPECT_TRUE(dib.IsEmpty());
        EXPECT_FALSE(dib.LoadImageBytes(file));
    }
    // Runs declared at a depth they do not come in.
    CDib dib;
    CArchive ar = CArchive::ForLoading(BitmapFileOf(FourColourDib(4, 1, kRle8Stream)));
    EXPECT_THROW(dib.ReadUnpacked(ar), UserException);
}

TEST(DibTest, DrawsOneToOneOrStretched) {
    CDib empty;
    CSpyDC spy;
    EXPECT_EQ(empty.Draw(spy, Rect{0, 0, 4, 4}), 0);
    EXPECT_TRUE(spy.Calls().empty());

    for (const std::uint16_t bits : {1, 16, 32}) {
        CDib dib;
        dib.SetDib(MakeDib(4, 3, bits));
        spy.Clear();
        EXPECT_EQ(dib.Draw(spy, Rect{10, 20, 14, 23}), 3);
        EXPECT_EQ(dib.Draw(spy, Rect{10, 20, 18, 26}), 3);
        const std::string d = "dib=4x3x" + std::to_string(bits);
        EXPECT_EQ(spy.Calls(), (std::vector<std::string>{"SetStretchBltMode 3", "SetDIBitsToDevice 10,20,14,23 src=0,0,4,3 " + d,
                                                         "SetStretchBltMode 1", "SetStretchBltMode 3",
                                                         "StretchDIBits 10,20,18,26 src=0,0,4,3 " + d,
                                                         "SetStretchBltMode 1"}));
    }
}

TEST(DibTest, ThreeDFrameIsOneDevicePixelInside) {
    CSpyDC spy;
    spy.SetMapMode(MM_HIMETRIC);  // 96 dpi: one pixel is 26.46 units, y up
    const Point one = spy.DPtoLP(Point{1, -1});
    const Point zero = spy.DPtoLP(Point{0, 0});
    const std::int32_t px = one.x - zero.x, py = one.y - zero.y;
    ASSERT_GT(px, 0);
    ASSERT_GT(py, 0);
    spy.Clear();
    Draw3DFrame(spy, Rect{0, 0, 1000, 500}, 0x111111, 0x222222);
    auto fill = [](std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b, const char* c) {
        return "FillSolidRect " + std::to_string(l) + "," + std::to_string(t) + "," + std::to_string(r) + "," +
               std::to_string(b) + " " + c;
    };
    std::vector<std::string> fills;
    for (const std::string& c : spy.Calls())
        if (c.rfind("FillSolidRect", 0) == 0) fills.push_back(c);
    EXPECT_EQ(fills, (std::vector<std::string>{fill(0, 0, 1000 - px, py, "0x111111"), fill(0, 0, px, 500 - py, "0x111111"),
                                               fill(1000 - px, 0, 1000, 500, "0x222222"),
                                               fill(0, 500 - py, 1000, 500, "0x222222")}));
}

// --- Vector pictures ----------------------------------------------------------

TEST(MetafilePictureTest, LoadsEveryKindByExtensionAndStoresTheFileBytes) {
    const auto dir = TestFolder("metafiles");
    const Bytes wmf = PlaceableWmf();
    const Bytes emf = RecordedEmf();
    struct Case {
        const char* name;
        Bytes file;
        CMetafilePicture::Type type;
        MetafileKind kind;
    };
    const Case cases[] = {
        {"a.WMF", wmf, CMetafilePicture::Wmf, MetafileKind::Wmf},
        {"a.emf", emf, CMetafilePicture::Emf, MetafileKind::Emf},
        {"a.Kvt", DodavoFile(wmf, false, 0), CMetafilePicture::Dodavo, MetafileKind::Wmf},
        {"a.ekvt", DodavoFile(emf, true, 2), CMetafilePicture::EnhancedDodavo, MetafileKind::Emf},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(dir / c.name, c.file);
        CMetafilePicture picture;
        ASSERT_TRUE(picture.LoadFile(dir / c.name));
        EXPECT_EQ(picture.GetType(), c.type);
        EXPECT_EQ(picture.GetRawBytes(), c.file);
        EXPECT_EQ(picture.GetMetafileBits(), c.kind == MetafileKind::Wmf ? wmf : emf);
        if (c.kind == MetafileKind::Emf) {
            EXPECT_EQ(picture.GetWidth(), 4000);
            EXPECT_EQ(picture.GetHeight(), 2000);
        } else {
            EXPECT_EQ(picture.GetWidth(), MulDiv(1000, 2540, 576));
            EXPECT_EQ(picture.GetHeight(), MulDiv(500, 2540, 576));
        }

        const Bytes stored = StoredBytes(&CMetafilePicture::Store, picture);
        ASSERT_EQ(stored.size(), 6 + c.file.size());
        EXPECT_EQ(stored[0], c.type);
        EXPECT_EQ(U32At(stored, 2), c.file.size());
        CMetafilePicture loaded;
        CArchive ar = CArchive::ForLoading(stored);
        loaded.Load(ar);
        EXPECT_EQ(loaded.GetType(), c.type);
        EXPECT_EQ(loaded.GetMetafileBits(), picture.GetMetafileBits());
        EXPECT_EQ(StoredBytes(&CMetafilePicture::Store, loaded), stored);

        CSpyDC spy;
        EXPECT_TRUE(loaded.Draw(spy, Rect{0, 0, 100, 50}));
        EXPECT_EQ(spy.Calls().back(), "PlayMetafile 0,0,100,50 bytes=" + std::to_string(picture.GetMetafileBits().size()));
    }
    WriteFile(dir / "a.txt", wmf);
    CMetafilePicture other;
    EXPECT_FALSE(other.LoadFile(dir / "a.txt"));
    EXPECT_EQ(other.GetType(), CMetafilePicture::None);
    EXPECT_FALSE(other.HasMetafile());
    EXPECT_EQ(other.GetWidth(), 100);
    EXPECT_EQ(other.GetHeight(), 100);
    std::filesystem::remove_all(dir);
}

TEST(MetafilePictureTest, RefusesBadClipArtAndMetafiles) {
    const Bytes wmf = PlaceableWmf();
    Bytes noKey = wmf;
    noKey[0] ^= 1;
    Bytes shortLength = DodavoFile(Bytes(22, 7), false);
    Bytes kvtHeaderOnly = DodavoFile(wmf, false);
    kvtHeaderOnly.resize(20);
    Bytes lengthTooLarge = DodavoFile(wmf, false);
    lengthTooLarge[23] = 0x7F;
    Bytes badMagic = DodavoFile(wmf, false);
    badMagic[14] = 'x';  // the zero after the magic
    struct Case {
        const char* name;
        CMetafilePicture::Type type;
        Bytes raw;
    };
    const Case cases[] = {
        {"WMF without the placeable key", CMetafilePicture::Wmf, noKey},
        {"WMF of the header alone", CMetafilePicture::Wmf, Bytes(wmf.begin(), wmf.begin() + 22)},
        {"EMF that does not parse", CMetafilePicture::Emf, Bytes(100, 1)},
        {".kvt whose content lacks the key", CMetafilePicture::Dodavo, DodavoFile(RecordedEmf(), false)},
        {".kvt of unpacked length 22", CMetafilePicture::Dodavo, shortLength},
        {".kvt shorter than its header", CMetafilePicture::Dodavo, kvtHeaderOnly},
        {".kvt claiming more than its stream holds", CMetafilePicture::Dodavo, lengthTooLarge},
        {".kvt with another magic", CMetafilePicture::Dodavo, badMagic},
        {".ekvt that is not an EMF", CMetafilePicture::EnhancedDodavo, DodavoFile(wmf, true)},
        {".ekvt shorter than its header", CMetafilePicture::EnhancedDodavo, Bytes(31, 'K')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes stored;
        PutLE(stored, c.type, 2);
        PutLE(stored, c.raw.size(), 4);
        stored.insert(stored.end(), c.raw.begin(), c.raw.end());
        CMetafilePicture picture;
        CArchive ar = CArchive::ForLoading(stored);
        EXPECT_THROW(picture.Load(ar), UserException);
        EXPECT_EQ(picture.GetType(), CMetafilePicture::None);
        EXPECT_TRUE(picture.GetRawBytes().empty());
    }
    Bytes badType{5, 0, 0, 0, 0, 0};
    CMetafilePicture picture;
    CArchive ar = CArchive::ForLoading(badType);
    EXPECT_THROW(picture.Load(ar), ArchiveException);

    // Every truncation of a stored clip-art picture is refused.
    CMetafilePicture kvt;
    kvt.SetWmfBits(wmf);
    const Bytes whole = StoredBytes(&CMetafilePicture::Store, kvt);
    for (std::size_t n = 0; n < whole.size(); ++n) {
        CMetafilePicture p;
        CArchive cut = CArchive::ForLoading(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n)));
        EXPECT_ANY_THROW(p.Load(cut)) << n;
    }
}

TEST(MetafilePictureTest, WritesPlaceableAndEnhancedFiles) {
    const auto dir = TestFolder("metafile-writers");
    const Bytes wmf = RecordedWmf();
    ASSERT_TRUE(SavePlaceableMetafile(wmf, Rect{0, 0, 1000, 500}, dir / "out.wmf"));
    const Bytes file = ReadFile(dir / "out.wmf");
    ASSERT_EQ(file.size(), 22 + wmf.size());
    EXPECT_EQ(U32At(file, 0), CMetafilePicture::kPlaceableKey);
    EXPECT_EQ(file[14] | (file[15] << 8), 576);
    EXPECT_EQ(file[20] | (file[21] << 8), 0x5551 ^ 1000 ^ 500);
    EXPECT_TRUE(std::equal(wmf.begin(), wmf.end(), file.begin() + 22));
    EXPECT_THROW(SavePlaceableMetafile({}, Rect{0, 0, 1, 1}, dir / "none.wmf"), UserException);
    EXPECT_FALSE(std::filesystem::exists(dir / "none.wmf"));

    CMetafilePicture emf;
    emf.SetEmfBits(RecordedEmf());
    ASSERT_TRUE(emf.SaveEmfFile(dir / "out.emf"));
    EXPECT_EQ(ReadFile(dir / "out.emf"), RecordedEmf());

    CMetafilePicture placeable;
    placeable.SetWmfBits(file);
    ASSERT_TRUE(placeable.SaveEmfFile(dir / "converted.emf"));
    const auto converted = ParseEmf(ReadFile(dir / "converted.emf"));
    ASSERT_TRUE(converted.has_value());
    EXPECT_FALSE(converted->records.empty());

    CMetafilePicture empty;
    EXPECT_THROW(empty.SaveEmfFile(dir / "empty.emf"), UserException);
    EXPECT_FALSE(emf.SaveEmfFile(dir / "no-such-folder" / "x.emf"));
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace kavitro::test
