// The file dialog's preview: every kind of file it shows, chosen by the
// extension in any case, and nothing (never an exception) for damaged,
// truncated or foreign files.

#include "document/FilePreview.h"

#include <gtest/gtest.h>

#include <string>

#include <QColor>

#include "document/Thumbnail.h"
#include "platform/Archive.h"
#include "tests/document/PictureFixtures.h"

namespace kavitro {
namespace {

using test::Bytes;

const QSize kBound(100, 100);

// A red 60 x 30 page picture as a BMP file.
Bytes RedBmp() {
    QImage image(60, 30, QImage::Format_RGB32);
    image.fill(Qt::red);
    return EncodeBmp24(image);
}

Bytes Kv2(const std::u16string& magic) {
    CArchive ar = CArchive::ForStoring();
    ar.WriteString(magic);
    if (magic == u"Kavitro.2.DocumentV") ar << std::uint32_t{2};
    CCompressor codec(kThumbnailLevel);
    ar.Write(codec.PackBlock(RedBmp()));
    ar << std::int32_t{21000};  // the rest of a document is not read
    return ar.TakeStoredBytes();
}

Bytes Kvl() {
    Bytes out(kKvlHeaderSize, 0);
    std::copy(kKvlMagic, kKvlMagic + sizeof kKvlMagic - 1, out.begin());
    const Bytes bmp = RedBmp();
    out.insert(out.end(), bmp.begin(), bmp.end());
    return out;
}

// Inked pixels: not transparent.
int Inked(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) n += qAlpha(image.pixel(x, y)) != 0;
    return n;
}

struct PreviewCase {
    std::string name;
    Bytes bytes;
};

TEST(FilePreview, ShowsEveryKindFittedAndCentred) {
    const PreviewCase cases[] = {
        {"a.kv2", Kv2(u"Kavitro.2.DocumentV")},
        {"b.KV2", Kv2(u"Kavitro.2.Document")},
        {"c.kvl", Kvl()},
        {"d.png", test::EncodedImage("PNG", 60, 30)},
        {"e.Jpg", test::EncodedImage("JPEG", 60, 30)},
        {"f.bmp", test::EncodedImage("BMP", 60, 30)},
        {"g.gif", test::TinyGif()},
        {"h.emf", test::RecordedEmf()},
        {"i.wmf", test::PlaceableWmf()},
        {"j.kvt", test::DodavoFile(test::PlaceableWmf(), false)},
        {"k.ekvt", test::DodavoFile(test::RecordedEmf(), true)},
    };
    const auto folder = test::TestFolder("preview");
    for (const PreviewCase& c : cases) {
        SCOPED_TRACE(c.name);
        test::WriteFile(folder / c.name, c.bytes);
        const QImage image = DecodeFilePreview(folder / c.name, kBound);
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), kBound);
        EXPECT_GT(Inked(image), 0);
        if (c.name.find("kv") != std::string::npos && c.name.find("kvt") == std::string::npos) {
            // The 2:1 thumbnail fills the width, centred: rows 25..74 of 100.
            EXPECT_EQ(image.pixelColor(50, 50), QColor(Qt::red));
            EXPECT_EQ(qAlpha(image.pixel(50, 10)), 0);
            EXPECT_EQ(qAlpha(image.pixel(50, 90)), 0);
        }
    }
    std::filesystem::remove_all(folder);
}

TEST(FilePreview, DamagedOrForeignFilesShowNothing) {
    const Bytes kv2 = Kv2(u"Kavitro.2.DocumentV");
    const Bytes kvl = Kvl();
    const PreviewCase cases[] = {
        {"short.kvl", Bytes(kvl.begin(), kvl.begin() + 117)},
        {"magic.kvl", [&] { Bytes b = kvl; b[0] = 'k'; return b; }()},
        {"magic.kv2", Kv2(u"Kavitro.3.Document")},
        {"cut.kv2", Bytes(kv2.begin(), kv2.begin() + 60)},
        {"text.png", Bytes{'n', 'o', 't'}},
        {"empty.emf", {}},
        {"plain.wmf", test::RecordedWmf()},  // not placeable
        {"bad.kvt", Bytes(40, 0x55)},
        {"doc.txt", kv2},                   // the extension decides
        {"noext", kv2},
    };
    const auto folder = test::TestFolder("preview-bad");
    for (const PreviewCase& c : cases) {
        SCOPED_TRACE(c.name);
        test::WriteFile(folder / c.name, c.bytes);
        EXPECT_TRUE(DecodeFilePreview(folder / c.name, kBound).isNull());
    }
    EXPECT_TRUE(DecodeFilePreview(folder / "missing.kv2", kBound).isNull());
    EXPECT_TRUE(DecodeFilePreview(folder, kBound).isNull());  // a folder
    // Every truncation inside the thumbnail is refused without an exception
    // (the last four bytes are the rest of the document).
    for (std::size_t n = 0; n < kv2.size() - 4; n += 7)
        EXPECT_TRUE(DecodePreview("x.kv2", std::span(kv2).first(n), kBound).isNull()) << n;
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace kavitro
